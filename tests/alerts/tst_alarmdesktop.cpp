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

// Starts another program (xmessage) with a window titled title at a point of the screen; its
// window once it is there, 0 when none came.
WId startOtherProgram(QProcess& program, const QString& title, QPoint at) {
    program.start(QStringLiteral("xmessage"), {QStringLiteral("-title"), title, QStringLiteral("-geometry"),
                                               QStringLiteral("+%1+%2").arg(at.x()).arg(at.y()), QStringLiteral("text")});
    WId window = 0;
    return QTest::qWaitFor([&] { return (window = XDesktop::windowNamed(title)) != 0; }, 10000) ? window : 0;
}

} // namespace

// The alarm window on a desktop with a window manager, which decides what has the keyboard and
// what is stacked above what.
class TestAlarmDesktop : public QObject {
    Q_OBJECT
public:
    explicit TestAlarmDesktop(XDesktop& desktop) : m_desktop(desktop) {}

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
        const WId otherWindow = startOtherProgram(other, QStringLiteral("other program"), {900, 700});
        QVERIFY(otherWindow);
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

    // A program the person starts while the alarm shows gets the keyboard from the window manager
    // and keeps it through the readings that follow, also where the keyboard follows the pointer
    // and the pointer rests on the alarm, above the setup window: the alarm steps behind the new
    // window only, and stays under the pointer.
    void startedProgramKeepsTheKeyboard() {
        AlertRig rig;
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkAlwaysSendAlert, 1);
        }
        QVERIFY(m_desktop.setFocusFollowsPointer(true));
        M().show();
        rig.read("90");
        frmAlarm& alarm = frmAlarm::instance();
        QTRY_COMPARE(XDesktop::activeWindow(), alarm.winId());
        XDesktop::movePointer(alarm.geometry().center());
        M().menuSetup_Click();
        QTRY_COMPARE(XDesktop::activeWindow(), S().winId());
        QVERIFY(S().frameGeometry().contains(alarm.frameGeometry()));
        QProcess other;
        const WId otherWindow = startOtherProgram(other, QStringLiteral("started program"), {1100, 900});
        QVERIFY(otherWindow);
        QTRY_COMPARE(XDesktop::activeWindow(), otherWindow);
        for (int n = 0; n < 3; ++n) {
            rig.read("91");
            QTest::qWait(300); // time for the window manager to act on any request
            QCOMPARE(XDesktop::activeWindow(), otherWindow);
        }
        QVERIFY(XDesktop::stackedAbove(otherWindow, alarm.winId()));
        QVERIFY(XDesktop::stackedAbove(alarm.winId(), S().winId()));
        other.kill();
        other.waitForFinished();
        alarm.cmdContinue_Click();
        S().hide();
        M().hide();
        QVERIFY(m_desktop.setFocusFollowsPointer(false));
    }

    void restoredWhenANewSensorsAlarmBegins_data() {
        QTest::addColumn<bool>("shade");
        QTest::newRow("shaded") << true;
        QTest::newRow("minimised") << false;
    }
    // Rolled up to its title bar or minimised, the alarm is shown whole again, with the keyboard,
    // when a new sensor's alarm begins.
    void restoredWhenANewSensorsAlarmBegins() {
        QFETCH(bool, shade);
        AlertRig rig;
        M().show();
        rig.read("90");
        frmAlarm& alarm = frmAlarm::instance();
        QTRY_COMPARE(XDesktop::activeWindow(), alarm.winId());
        QTRY_VERIFY(XDesktop::shownWhole(alarm.winId()));
        if (shade)
            XDesktop::shadeActive();
        else
            XDesktop::minimize(alarm.winId());
        QTRY_VERIFY(!XDesktop::shownWhole(alarm.winId()));
        rig.read("90", 2, 2);
        QTRY_VERIFY(XDesktop::shownWhole(alarm.winId()));
        QTRY_COMPARE(XDesktop::activeWindow(), alarm.winId());
        alarm.cmdContinue_Click();
        M().hide();
    }

private:
    XDesktop& m_desktop;
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
