#include <QAction>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include "app/CorvisentMain.h"
#include "app/systray.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/faketray.h"

namespace {
CorvisentMain& M() { return CorvisentMain::instance(); }
constexpr int kRightDown = platform::Tray::WM_RBUTTONDOWN;
} // namespace

// The notification-area icon: placing the program there and taking it out, the icon's menu, the
// alert picture, and a desktop without a notification area.
class TestTray : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeTray> tray;
    int menuShows = 0;

private slots:
    void initTestCase() { connect(M().SystemTray, &QMenu::aboutToShow, this, [this] { ++menuShows; }); }
    void init() {
        tray = std::make_unique<FakeTray>();
        menuShows = 0;
        M().showNormal();
    }
    void cleanup() {
        M().SystemTray->hide();
        M().mnuTakeOut_Click();
        tray.reset();
    }

    void placeInTrayTwiceThenTakeOut() {
        ScriptedBoxes boxes;
        M().mnuPlaceInSysTray->trigger();
        M().mnuPlaceInSysTray->trigger();
        QVERIFY(tray->shown() && !M().isVisible());
        QCOMPARE(tray->icon().cacheKey(), M().windowIcon().cacheKey());
        QVERIFY(rt::optionValue(formSensorSetup::instance().optSysTray));

        // Only a right-button press opens the menu, once however often the window was placed
        // there; the window stays hidden.
        for (int m : {int(platform::Tray::WM_LBUTTONDOWN), int(platform::Tray::WM_LBUTTONDBLCLK),
                      int(platform::Tray::WM_RBUTTONUP), kRightDown})
            tray->press(m);
        QCOMPARE(menuShows, 1);
        QVERIFY(!M().isVisible());
        M().SystemTray->hide();

        // An alert picture, distinct from the normal one, stays until the icon is removed.
        ChangeIconInTray(&M(), 0, M().ImageList1(2));
        QCOMPARE(tray->icon().cacheKey(), M().ImageList1(2).cacheKey());
        QVERIFY(M().ImageList1(1).pixmap(32).toImage() != M().ImageList1(2).pixmap(32).toImage());

        // Taken out, the icon is gone and a picture change shows nothing.
        M().mnuTakeOut->trigger();
        tray->press(kRightDown);
        ChangeIconInTray(&M(), 0, M().ImageList1(2));
        QVERIFY(M().isVisible() && !tray->shown());
        QCOMPARE(menuShows, 1);
    }

    void withoutANotificationAreaTheWindowIsMinimised() {
        ScriptedBoxes boxes;
        tray->trayAvailable = false;
        M().mnuPlaceInSysTray_Click();
        M().mnuPlaceInSysTray_Click();
        QVERIFY(M().isVisible() && M().isMinimized());
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Error in AddIconToTray")});
        M().mnuTakeOut_Click();
        QVERIFY(M().isVisible() && !M().isMinimized());
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
