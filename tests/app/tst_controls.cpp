#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "runtime/controls.h"
#include "publish/formInternetSetup.h"
#include "setup/formSensorSetup.h"
#include "support/testenv.h"
#include "runtime/error.h"
#include "runtime/timer.h"

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void coloursUseBlueGreenRedOrder() {
        QCOMPARE(rt::bgrFromColor(QColor(0x12, 0x34, 0x56)), 0x563412L);
        QLabel l;
        QCOMPARE(rt::foreColor(&l), rt::vbBlack);
        rt::setForeColor(&l, 16711680L);
        QCOMPARE(l.palette().color(QPalette::WindowText), QColor(0, 0, 255));
        rt::setBackColor(&l, 255);
        QCOMPARE(rt::backColor(&l), 255L);
    }

    void visibleIsTheControlsOwnFlag() {
        QWidget window; // never shown
        auto* label = new QLabel(&window);
        QVERIFY(rt::visible(label) && !label->isVisible());
        rt::setVisible(label, false);
        QVERIFY(!rt::visible(label));
        rt::setTag(label, QStringLiteral("3"));
        QCOMPARE(rt::tag(label) + rt::tag(&window), QStringLiteral("3"));
        rt::Timer timer; // keeps its own Tag: both ways of reaching it agree
        rt::setTag(&timer, QStringLiteral("2"));
        QCOMPARE(timer.tag(), QStringLiteral("2"));
        timer.setTag(QStringLiteral("4"));
        QCOMPARE(rt::tag(&timer), QStringLiteral("4"));
    }

    void checkBoxValuesAndTheirHandler() {
        QCheckBox box;
        QSignalSpy changed(&box, &QCheckBox::stateChanged);
        rt::setValue(&box, 1);
        rt::setValue(&box, 1); // same value: no handler
        QCOMPARE(changed.count(), 1);
        rt::setValue(&box, 2);
        QVERIFY_THROWS_EXCEPTION(rt::VbError, rt::setValue(&box, 3));
        QCOMPARE(rt::value(&box), 2);
    }

    void optionsSelectOneAndCanBeCleared() {
        QGroupBox frame;
        auto* v = new QVBoxLayout(&frame);
        auto* a = new QRadioButton(&frame);
        auto* b = new QRadioButton(&frame);
        v->addWidget(a);
        v->addWidget(b);
        rt::setOptionValue(a, true);
        rt::setOptionValue(b, true);
        QVERIFY(!rt::optionValue(a) && rt::optionValue(b));
        rt::setOptionValue(b, false);
        QVERIFY(!rt::optionValue(a) && !rt::optionValue(b));
        rt::setOptionValue(a, true); // still one group afterwards
        rt::setOptionValue(b, true);
        QVERIFY(!rt::optionValue(a));
    }

    void hiddenMenuEntryKeepsItsEnabledState() {
        QMenu menu;
        QAction* a = menu.addAction(QStringLiteral("Calibrate to 0"));
        rt::setVisible(a, false);
        QVERIFY(rt::enabled(a)); // Qt alone reports a hidden entry as disabled
        a->setEnabled(false);
        QVERIFY(!rt::enabled(a) && !rt::visible(a));
    }

    void sizesInTwips() {
        QCOMPARE(rt::twipsToPixels(3375), 225);
        QLabel l;
        rt::setWidthTwips(&l, 4800);
        QCOMPARE(l.width(), 320);
        rt::setFontSize(&l, 14);
        QCOMPARE(rt::fontSize(&l), 14.0);
    }

    // A window that bypasses the window manager is never moved, however often it is shown: Qt's
    // notification-area icon is one, and the dock embeds it at a place of its own choosing.
    void windowOutsideTheWindowManagerStaysPut() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint dock = area.bottomRight() + QPoint(40, 40);
        QWidget icon(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
        icon.setGeometry(QRect(dock, QSize(22, 22)));
        icon.show();
        icon.hide();
        icon.show();
        QCOMPARE(icon.pos(), dock);
        rt::placeWindow(&icon);
        QCOMPARE(icon.pos(), dock);
        QWidget window; // the program's own windows are still brought onto the screen
        window.setGeometry(QRect(dock, QSize(100, 80)));
        window.show();
        QVERIFY(area.contains(window.frameGeometry()));
    }

    // On a screen smaller than a window, the window is sized down to the free area and opens
    // wholly on it, title and menu bar included; what cannot shrink scrolls, so OK stays reachable.
    void windowsLargerThanTheScreenFitIt() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(area.size(), QSize(800, 600));
        QDialog dialog;
        auto* v = new QVBoxLayout(&dialog);
        auto* wide = new QLabel(QStringLiteral("rows"));
        wide->setMinimumSize(1247, 500);
        v->addWidget(wide);
        auto* ok = new QPushButton(QStringLiteral("OK"));
        v->addWidget(ok, 0, Qt::AlignRight);
        dialog.show();
        QVERIFY(area.contains(dialog.frameGeometry()));
        auto* scroll = dialog.findChild<QScrollArea*>();
        QVERIFY(scroll && ok->isVisible());
        scroll->ensureWidgetVisible(ok);
        QVERIFY(dialog.rect().contains(QRect(ok->mapTo(&dialog, QPoint()), ok->size())));

        // Content only too tall scrolls upright alone.
        QDialog tall;
        auto* t = new QVBoxLayout(&tall);
        auto* rows = new QLabel(QStringLiteral("rows"));
        rows->setMinimumSize(480, 700);
        t->addWidget(rows);
        tall.show();
        auto* tallScroll = tall.findChild<QScrollArea*>();
        QVERIFY(tallScroll && area.contains(tall.frameGeometry()));
        QCoreApplication::processEvents(); // the scroll bars follow the laid-out sizes
        QVERIFY(!tallScroll->horizontalScrollBar()->isVisible());

        QMainWindow main;
        main.menuBar()->addMenu(QStringLiteral("&File"));
        auto* content = new QLabel(QStringLiteral("readings"));
        content->setMinimumSize(940, 640);
        main.setCentralWidget(content);
        main.show();
        QVERIFY(area.contains(main.frameGeometry()));
        QVERIFY(area.contains(main.menuBar()->mapToGlobal(QPoint())));
    }

    // A shown window that its content widens past the screen (a sensor row shown) is fitted again.
    void windowGrownAfterOpeningFitsAgain() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QMainWindow main;
        auto* content = new QWidget;
        auto* v = new QVBoxLayout(content);
        auto* row = new QLabel(QStringLiteral("sensor row"));
        row->setMinimumSize(940, 40);
        row->hide();
        v->addWidget(row);
        main.setCentralWidget(content);
        main.resize(600, 400);
        main.show();
        QVERIFY(area.contains(main.frameGeometry()));
        row->show();
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
        QVERIFY(main.width() > 600);
        QVERIFY(area.contains(main.frameGeometry()));
    }

    // The setup window's widest tab fits a 1024 px wide screen unscrolled, frame included.
    void setupWindowFitsACommonScreen() {
        const TestEnv env;
        auto& setup = formSensorSetup::instance();
        QVERIFY(setup.minimumSizeHint().width() <= 1024 - 16);
    }

    // Remote Monitoring with its messages and console shown keeps its own width on this screen,
    // the console wholly in sight.
    void remoteMonitoringWithItsConsoleFitsTheScreen() {
        const TestEnv env;
        auto& w = formInternetSetup::instance();
        w.show();
        rt::setValue(w.chkSeeMessages, 1);
        QCoreApplication::processEvents();
        QCOMPARE(w.width(), rt::twipsToPixels(11325));
        QVERIFY(w.rect().contains(QRect(w.cmdLS->mapTo(&w, QPoint()), w.cmdLS->size())));
        w.hide();
    }
};

// The tests run on an 800x600 screen of Qt's offscreen platform.
int main(int argc, char** argv) {
    QFile screen(QDir::temp().filePath(QStringLiteral("tst_controls-screen-%1.json").arg(QCoreApplication::applicationPid())));
    if (!screen.open(QIODevice::WriteOnly) ||
        screen.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 800, "height": 600}]})") < 0)
        return 1;
    screen.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screen.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    screen.remove();
    TestControls test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_controls.moc"
