#include <algorithm>

#include "alerts/alertrig.h"
#include "support/xdesktop.h"

namespace {

// A point of window's title bar that the other windows leave uncovered: a click there only
// raises and activates window.
QPoint titleBarPoint(const QWidget& window, std::initializer_list<const QWidget*> others) {
    const QRect frame = window.frameGeometry();
    const int y = frame.top() + (window.geometry().top() - frame.top()) / 2;
    for (int x = frame.left() + 40; x < frame.right() - 40; x += 10) {
        const QPoint at(x, y);
        if (std::none_of(others.begin(), others.end(), [at](const QWidget* w) { return w->frameGeometry().contains(at); }))
            return at;
    }
    return {};
}

} // namespace

// The alarm window on a desktop with a window manager, which decides what has the keyboard and
// what is stacked above what.
class TestAlarmDesktop : public QObject {
    Q_OBJECT
public:
    explicit TestAlarmDesktop(const XDesktop& desktop) : m_desktop(desktop) {}

private slots:
    void initTestCase() {
        if (!m_desktop.missing().isEmpty()) QSKIP(qPrintable(m_desktop.missing()));
        QVERIFY2(m_desktop.waitForWindowManager(), "Xvfb with jwm did not start");
    }

    // With keep-sending, readings of sensors already in alarm leave the keyboard where the person
    // put it, and a click on the main window does not bury the alarm; a new sensor's alarm takes
    // the keyboard. Only while the person works in another program may its windows cover the
    // alarm.
    void keptAboveWithoutTakingTheKeyboard() {
        AlertRig rig;
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkAlwaysSendAlert, 1);
        }
        M().show();
        S().show();
        QVERIFY(QTest::qWaitForWindowExposed(&S()));
        rig.read("90");
        frmAlarm& alarm = frmAlarm::instance();
        QTRY_COMPARE(XDesktop::activeWindow(), alarm.winId());
        // The person clicks the setup window to type there.
        const auto backToSetup = [&] {
            const QPoint at = titleBarPoint(S(), {&alarm});
            if (at.isNull()) return false;
            XDesktop::click(at);
            return QTest::qWaitFor([] { return XDesktop::activeWindow() == S().winId(); }, 10000);
        };
        QVERIFY(backToSetup());
        rig.read("91", 2, 2);
        QTRY_COMPARE(XDesktop::activeWindow(), alarm.winId());
        QVERIFY(backToSetup());
        for (int row : {1, 2, 1}) {
            rig.read("92", row, row);
            QTest::qWait(300); // time for the window manager to act on any request
            QCOMPARE(XDesktop::activeWindow(), S().winId());
        }
        QVERIFY(XDesktop::stackedAbove(alarm.winId(), S().winId()));

        // The window of another program the person turns to may cover the alarm.
        QProcess other;
        other.start(QStringLiteral("xmessage"), {QStringLiteral("-title"), QStringLiteral("other program"),
                                                 QStringLiteral("-geometry"), QStringLiteral("+900+700"), QStringLiteral("text")});
        WId otherWindow = 0;
        QVERIFY(QTest::qWaitFor([&] { return (otherWindow = XDesktop::windowNamed("other program")) != 0; }, 10000));
        XDesktop::activate(otherWindow);
        QTRY_COMPARE(XDesktop::activeWindow(), otherWindow);
        QTRY_VERIFY(XDesktop::stackedAbove(otherWindow, alarm.winId()));

        const QPoint onMain = titleBarPoint(M(), {&alarm, &S()});
        QVERIFY(!onMain.isNull());
        XDesktop::click(onMain);
        QTRY_COMPARE(XDesktop::activeWindow(), M().winId());
        QTRY_VERIFY(XDesktop::stackedAbove(M().winId(), S().winId()));
        QTRY_VERIFY(XDesktop::stackedAbove(alarm.winId(), M().winId()));
        other.kill();
        other.waitForFinished();
        alarm.cmdContinue_Click();
        S().hide();
        M().hide();
    }

private:
    const XDesktop& m_desktop;
};

int main(int argc, char** argv) {
    XDesktop desktop; // the application runs on it
    int result = 0;
    {
        QApplication::setAttribute(Qt::AA_Use96Dpi, true);
        QApplication app(argc, argv);
        TestAlarmDesktop test(desktop);
        result = QTest::qExec(&test, argc, argv);
    }
    return result;
}

#include "tst_alarmdesktop.moc"
