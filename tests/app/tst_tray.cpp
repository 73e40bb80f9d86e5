#include <QAction>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include "app/CorvisentMain.h"
#include "app/systray.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "setup/formSensorSetup.h"
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
    void initTestCase() {
        connect(M().SystemTray, &QMenu::aboutToShow, this, [this] { ++menuShows; });
    }
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

    void placeInTrayAndTakeOut() {
        rt::DialogScript boxes;
        rt::setVisible(M().mnuRemoveFromStartup, false);
        M().mnuPlaceInSysTray_Click();
        QVERIFY(tray->shown());
        QVERIFY(tray->tip.isEmpty());
        QCOMPARE(tray->icon().cacheKey(), M().windowIcon().cacheKey());
        QVERIFY(!M().isVisible());
        QVERIFY(bHooked);
        QVERIFY(rt::optionValue(formSensorSetup::instance().optSysTray));
        QVERIFY(rt::visible(M().mnuRemoveFromStartup));
        QVERIFY(rt::enabled(M().mnuRemoveFromStartup));

        // Twice: the icon is added again, the window's messages are routed once.
        M().mnuPlaceInSysTray_Click();
        QCOMPARE(tray->adds, 2);
        tray->press(kRightDown);
        QCOMPARE(menuShows, 1);
        QVERIFY(M().SystemTray->isVisible());
        QVERIFY(!M().isVisible()); // the menu comes up, the window stays hidden
        M().SystemTray->hide();

        // Take out of system tray, from the icon's menu.
        M().mnuTakeOut->trigger();
        QVERIFY(M().isVisible());
        QVERIFY(!tray->shown());
        QVERIFY(!bHooked);
        tray->press(kRightDown);
        QCOMPARE(menuShows, 1);
        QVERIFY(boxes.prompts().isEmpty());
    }

    void onlyARightPressOnTheIconOpensTheMenu() {
        M().mnuPlaceInSysTray_Click();
        for (int message : {int(platform::Tray::WM_LBUTTONDOWN), int(platform::Tray::WM_LBUTTONDBLCLK),
                            int(platform::Tray::WM_RBUTTONUP), int(platform::Tray::WM_MBUTTONDOWN)})
            tray->press(message);
        QCOMPARE(menuShows, 0);
        // Messages that are not the icon's callback pass on unchanged.
        QCOMPARE(WindowProc(&M(), kRightDown, 0, kRightDown), 0L);
        QCOMPARE(WindowProc(&M(), kTrayCallbackMessage, 0, kRightDown), -1L);
        QCOMPARE(menuShows, 1);
        M().SystemTray->hide();
        Unhook();
        QCOMPARE(WindowProc(&M(), kTrayCallbackMessage, 0, kRightDown), 0L);
        QCOMPARE(menuShows, 1);
    }

    void alertPicture() {
        const QIcon normal = M().ImageList1(1);
        const QIcon alert = M().ImageList1(2);
        QVERIFY(!normal.isNull() && !alert.isNull());
        QVERIFY(normal.pixmap(32).toImage() != alert.pixmap(32).toImage());

        // Outside the notification area a picture change shows nothing and says nothing.
        rt::DialogScript boxes;
        ChangeIconInTray(&M(), 0, alert);
        QVERIFY(!tray->shown());

        M().mnuPlaceInSysTray_Click();
        ChangeIconInTray(&M(), 0, alert);
        QCOMPARE(tray->icon().cacheKey(), alert.cacheKey());
        M().mnuTakeOut_Click();
        QVERIFY(!tray->shown());
        QVERIFY(boxes.prompts().isEmpty());
    }

    void withoutANotificationAreaTheWindowIsMinimised() {
        rt::DialogScript boxes;
        tray->trayAvailable = false;
        M().mnuPlaceInSysTray_Click();
        QVERIFY(M().isVisible());
        QVERIFY(M().isMinimized());
        M().mnuPlaceInSysTray_Click();
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Error in AddIconToTray")});
        M().mnuTakeOut_Click();
        QVERIFY(M().isVisible());
        QVERIFY(!M().isMinimized());
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
