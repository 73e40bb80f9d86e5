#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "runtime/controls.h"
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
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
