#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include "app/CorvisentMain.h"
#include "cameras/ezVidCap.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/clock.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/finish.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

CorvisentMain& main() { return CorvisentMain::instance(); }
formSensorSetup& setup() { return formSensorSetup::instance(); }

// A configured row as the summary shows it: type name on the setup row, type code, reading.
void configure(int row, const QString& type, const QString& reading) {
    setup().lblDeviceType[row]->setText(type);
    setup().lblDeviceType[row]->show();
    SetRowKind(row, TypeCodeOfName(type) ? TypeCodeOfName(type) : (type == strTypeComboTemp ? 7 : 0));
    main().lblSensorReading[row]->setText(reading);
}

void rightClick(int row) {
    main().lblSensor1_MouseDown(row, 2, 0, 5, 5);
    main().mnuPopUp->hide();
}

QString programSetting(const QString& key) {
    return platform::GetSetting(QStringLiteral("Corvisent Manager"), QStringLiteral("Program Setup"), key,
                                QStringLiteral("<none>"));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { rt::Clock::setSpeed(1000); }
    void cleanupTestCase() { rt::Clock::reset(); }
    void init() {
        ClearArrays();
        for (int row = 1; row <= 10; ++row)
            ForgetRow(row);
        iSelectedRow = 0;
        setup().hide();
        for (int row = 1; row <= 10; ++row) {
            setup().lblDeviceType[row]->setText(QString());
            main().lblSensorReading[row]->setText(QString());
            main().lblSensorStatus[row]->setText(QStringLiteral(" "));
            rt::setTag(main().lblMeasure[row], QString());
            // Row buttons without a caption do nothing: the popup's own state is tested here.
            setup().cmdConnectSensor[row]->setText(QString());
        }
    }

    // Captions of the tabs, the summary rows and every kind tab's slot controls, and the row
    // timers with their designed intervals (they must not run until a sensor connects).
    void windowAsDesigned() {
        auto& m = main();
        const QStringList tabs{"Summary", "Temperature", "Humidity", "Proximity",
                               "Video",   "Water",       "Acceleration", "Distance"};
        for (int i = 0; i < 8; ++i) QCOMPARE(m.sstabCorvisentMan->tabText(i), tabs[i]);
        for (int row = 1; row <= 10; ++row) {
            QCOMPARE(m.lblSensor1[row]->text() + m.lblSensor1[row]->toolTip(), QString("LBL(Right click for a menu)"));
            QCOMPARE(m.Timer1[row]->interval(), 4000);
            QCOMPARE(m.WaterTimer[row]->interval(), 200);
            QVERIFY(!m.Timer1[row]->isRunning() && !m.WaterTimer[row]->isRunning());
        }
        QCOMPARE(rt::caption(m.frameSummaryVidContainer), QStringLiteral("Video Surveillance"));
        const char* titles[] = {"Distance", "Temperature", "Humidity", "Proximity", "Water", "Accelerometer"};
        for (int i = 0; i < 24; ++i)
            QCOMPARE(m.Label3[i]->text(), QStringLiteral("%1 Sensor #%2").arg(titles[i / 4]).arg(i % 4 + 1));
        for (int k = 1; k <= 4; ++k) {
            const QStringList names{m.lblTempDeviceName[k]->text(),  m.lblHumidDeviceName[k]->text(),
                                    m.lblProximDeviceName[k]->text(), m.lblWaterDeviceName[k]->text(),
                                    m.lblAccelDeviceName[k]->text(),  m.lblDistanceDeviceName[k]->text(),
                                    m.lblCamDeviceName[k]->text(),    rt::caption(m.frameSurvTabCoverUp[k])};
            QCOMPARE(names.join('|'), QString("Temperature %1|Humidity %1|Proximity %1|Water Detector %1|Accel Detector "
                                              "%1|Distance Detector %1|Camera %1|Camera %1 Not Attached")
                                          .arg(k));
            QCOMPARE(m.cmdSetToBump[k]->text(), QStringLiteral("Set to Monitor 'bump'"));
            for (rt::CaptionFrame* c : {m.frameTCover[k], m.frameHCover[k], m.framePCover[k], m.frameWCover[k],
                                        m.frameACover[k], m.frameDCover[k]})
                QVERIFY(rt::visible(c)); // every slot starts empty
        }
        QCOMPARE(m.Label2->text(), QStringLiteral("No water sensing devices present."));
        QVERIFY(rt::visible(m.Command1)); // the "Update ComDB" button has no other way in
    }

    void popupItemsInOrderWithTheirInitialState() {
        const QList<QAction*> items = main().mnuPopUp->actions();
        const QStringList expected{
            "mnuPopUpConnectThisSensor=Connect This Sensor", "mnuPopupConnectAll=Connect All",
            "mnuPopupRename=Rename Sensor",                  "mnuPopUpSetThresh=Set Thresholds",
            "mnuPopUpEvents=Set Events",                     "mnuPopUpSetProxNotifications=Set Proximity Notifications",
            "mnuPopupSetProximityMode=Set to Proximity mode", "mnuPopupCalibrate=Calibrate to 0",
            "mnuPopUpSetToBinaryMode=Set to Bump mode",       "mnuPopupSetSensitivity=Set Sensitivity"};
        QCOMPARE(items.size(), 10);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(items[i]->objectName() + "=" + items[i]->text(), expected[i]);
            QCOMPARE(items[i]->isVisible(), i < 4);
            QCOMPARE(rt::enabled(items[i]), i < 5);
        }
    }

    void popupFollowsTheRowRightClicked() {
        configure(1, strTypeTemperature, QStringLiteral("72.5"));
        configure(2, strTypeProximity, QString());
        configure(3, strTypeComboHumid, QStringLiteral("40"));
        configure(4, strTypeComboTemp, QStringLiteral("71"));
        rt::setTag(main().lblMeasure[3], QStringLiteral("0"));
        rt::setTag(main().lblMeasure[4], QStringLiteral("1"));
        auto& m = main();

        // Only the right button acts; it selects even an empty row.
        m.lblSensor1_MouseDown(2, 1, 0, 0, 0);
        m.lblSensor1_MouseDown(2, 4, 0, 0, 0);
        QCOMPARE(iSelectedRow, 0);
        rightClick(9);
        QCOMPARE(iSelectedRow, 9);

        rightClick(2);
        QVERIFY(m.mnuPopUpEvents->isVisible());
        QCOMPARE(m.mnuPopUpConnectThisSensor->text(), QStringLiteral("Disconnect This Sensor"));
        rightClick(1);
        QVERIFY(!m.mnuPopUpEvents->isVisible());
        for (QAction* a : {m.mnuPopupCalibrate, m.mnuPopUpSetToBinaryMode, m.mnuPopupSetSensitivity,
                           m.mnuPopupSetProximityMode, m.mnuPopUpSetProxNotifications})
            QVERIFY(!a->isVisible());

        rightClick(4); // temperature half of a combined sensor
        QVERIFY(!rt::enabled(m.mnuPopUpConnectThisSensor));
        rightClick(3); // humidity half
        QVERIFY(rt::enabled(m.mnuPopUpConnectThisSensor));

        // A real right press on the label goes the same way.
        QTest::mousePress(m.lblSensor1[2], Qt::RightButton);
        m.mnuPopUp->hide();
        QCOMPARE(iSelectedRow, 2);

        configure(5, strTypeAccel, QStringLiteral("OFF"));
        rightClick(5);
        for (QAction* a : {m.mnuPopupCalibrate, m.mnuPopUpSetToBinaryMode, m.mnuPopupSetSensitivity}) {
            QVERIFY(a->isVisible());
            QVERIFY(!rt::enabled(a));
        }
        QVERIFY(!m.mnuPopupSetProximityMode->isVisible());
        QCOMPARE(m.mnuPopUpConnectThisSensor->text(), QStringLiteral("Connect This Sensor"));

        m.lblSensorReading[5]->setText(QStringLiteral("0.1 / 0.2"));
        iBumpMode[5] = 1;
        rightClick(5);
        QVERIFY(rt::enabled(m.mnuPopupCalibrate));
        QCOMPARE(m.mnuPopUpSetToBinaryMode->text(), QStringLiteral("Take out of Bump mode"));

        configure(6, strTypeDistance, QStringLiteral("45"));
        m.mnuPopupSetProximityMode->setEnabled(false);
        iProxMode[6] = 1;
        rightClick(6);
        QVERIFY(m.mnuPopUpSetProxNotifications->isVisible() && !m.mnuPopUpSetToBinaryMode->isVisible());
        QCOMPARE(m.mnuPopupSetProximityMode->text(), QStringLiteral("Set to Distance mode"));
        QVERIFY(!rt::enabled(m.mnuPopupSetProximityMode)); // left to connect and disconnect
        iProxMode[6] = 0;
        rightClick(6);
        QCOMPARE(m.mnuPopupSetProximityMode->text(), QStringLiteral("Set to Proximity mode"));
    }

    void connectItemTogglesAndSetsTheModeItems() {
        auto& m = main();
        configure(6, strTypeDistance, QStringLiteral("OFF"));
        iProxMode[6] = 1;
        rightClick(6);
        m.mnuPopupSetSensitivity->setEnabled(false);
        finish(m.mnuPopUpConnectThisSensor_Click());
        QCOMPARE(m.mnuPopUpConnectThisSensor->text(), QStringLiteral("Disconnect This Sensor"));
        QVERIFY(rt::enabled(m.mnuPopupSetSensitivity) && rt::enabled(m.mnuPopupSetProximityMode));

        m.mnuPopupConnectAll->setEnabled(false);
        iProxMode[6] = 0;
        finish(m.mnuPopUpConnectThisSensor_Click());
        QCOMPARE(m.mnuPopUpConnectThisSensor->text(), QStringLiteral("Connect This Sensor"));
        QVERIFY(!rt::enabled(m.mnuPopupSetProximityMode) && rt::enabled(m.mnuPopupConnectAll));

        // A temperature row's polling timer is stopped on disconnect.
        configure(1, strTypeTemperature, QStringLiteral("70"));
        rightClick(1);
        m.Timer1[1]->setInterval(60000);
        m.Timer1[1]->setEnabled(true);
        finish(m.mnuPopUpConnectThisSensor_Click());
        QVERIFY(!m.Timer1[1]->enabled());

        finish(m.mnuPopupConnectAll_Click());
        QVERIFY(!rt::enabled(m.mnuPopupConnectAll));
        QVERIFY(!rt::visible(&setup()));
    }

    void doubleClicksOpenTheKindTabOrTheSetupDialog() {
        auto& m = main();
        configure(2, strTypeHumidity, QStringLiteral("45"));
        m.setTabEnabled(CorvisentMain::tabHumidity, true);
        m.setTab(CorvisentMain::tabSummary);
        m.lblSensor1_DblClick(2);
        QCOMPARE(m.tab(), int(CorvisentMain::tabHumidity));
        QVERIFY(!rt::visible(&setup()));

        m.setTab(CorvisentMain::tabSummary);
        m.lblSensorReading[2]->setText(QStringLiteral("OFF"));
        m.lblSensor1_DblClick(2);
        QCOMPARE(m.tab(), int(CorvisentMain::tabSummary));
        QVERIFY(rt::visible(&setup()));

        configure(3, strTypeComboHumid, QStringLiteral("40"));
        configure(4, strTypeComboTemp, QStringLiteral("71"));
        for (int row : {3, 4}) { // a combined sensor has no kind tab of its own
            setup().hide();
            m.lblSensor1_DblClick(row);
            QVERIFY(rt::visible(&setup()) && m.tab() == CorvisentMain::tabSummary);
        }

        setup().hide();
        m.lblSensor1_DblClick(9); // empty row
        m.lblSensorStatus[2]->setText(QStringLiteral("OK"));
        m.lblSensorStatus_DblClick(2);
        QVERIFY(!rt::visible(&setup()));
        m.lblSensorStatus[2]->setText(QStringLiteral("Sensor Error"));
        m.lblSensorStatus_DblClick(2);
        QVERIFY(rt::visible(&setup()));
    }

    void buttonsOpenTheSetupDialogOnTheirTab() {
        auto& m = main();
        const std::pair<QPushButton*, int> buttons[] = {{m.cmdSetProxBehaviors, 3}, {m.cmdSetThresh, 1},
                                                        {m.cmdSetThreshold, 1},     {m.cmdSetThresh1, 1},
                                                        {m.cmdSetThresh2, 1},       {m.cmdSetThresh3, 1}};
        for (const auto& [b, tab] : buttons) {
            setup().hide();
            setup().setTab(0);
            b->click();
            QVERIFY(rt::visible(&setup()));
            QCOMPARE(setup().tab(), tab);
        }
        m.mnuPopUpSetProxNotifications_Click();
        QCOMPARE(setup().tab(), 2);
    }

    void clearAndResetActOnTheirSlotOnly() {
        auto& m = main();
        for (int k : {1, 2}) {
            m.txtTempInData[k]->setPlainText(QStringLiteral("10:00:00AM 70"));
            m.lblTLowest[k]->setText(QStringLiteral("65"));
            m.lblTLowest[k]->setToolTip(QStringLiteral("01-02-2009 11:00 AM"));
        }
        m.cmdClearTempLog[2]->click();
        QCOMPARE(m.txtTempInData[2]->toPlainText() + "|" + m.txtTempInData[1]->toPlainText(),
                 QStringLiteral("|10:00:00AM 70"));
        m.bTHighLowEmpty[2] = false;
        m.cmdClearTempHighLow[2]->click();
        QCOMPARE(m.lblTLowest[2]->text() + m.lblTLowest[2]->toolTip(), QString());
        QVERIFY(m.bTHighLowEmpty[2]); // the next reading sets both extremes
        QCOMPARE(m.lblTLowest[1]->toolTip(), QStringLiteral("01-02-2009 11:00 AM"));
        m.cmdClearDistanceLog_Click(5); // no fifth slot: nothing happens
    }

    // Each kind's record names the slot table, tab, and controls laid out on that kind's own tab.
    void kindRecordsNameTheirOwnTabsControls_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("tab");
        QTest::addColumn<void*>("table");
        QTest::addColumn<QString>("names"); // cover frame, name label, log box, no-device label
        QTest::newRow("temperature") << 1 << 1 << (void*)&iTempTabSlot
                                     << "frameTCover lblTempDeviceName txtTempInData lblNoTDevicePresent";
        QTest::newRow("humidity") << 2 << 2 << (void*)&iHumidTabSlot
                                  << "frameHCover lblHumidDeviceName txtHumidInData lblNoHDevicePresent";
        QTest::newRow("proximity") << 3 << 3 << (void*)&iProxTabSlot
                                   << "framePCover lblProximDeviceName txtProximData lblNoPDevicePresent";
        QTest::newRow("water") << 6 << 5 << (void*)&iWaterTabSlot
                               << "frameWCover lblWaterDeviceName txtWaterData Label2";
        QTest::newRow("accelerometer") << 8 << 6 << (void*)&iAccelTabSlot
                                       << "frameACover lblAccelDeviceName txtAccelData lblNoAccelDevices";
        QTest::newRow("distance") << 9 << 7 << (void*)&iDistTabSlot
                                  << "frameDCover lblDistanceDeviceName txtDistanceData lblNoDistanceDevices";
        for (int kind : {0, 4, 5, 7, 10, 99})
            QTest::newRow(qPrintable(QString::number(kind))) << kind << -1 << (void*)nullptr << QString();
    }
    void kindRecordsNameTheirOwnTabsControls() {
        QFETCH(int, kind);
        QFETCH(int, tab);
        QFETCH(void*, table);
        QFETCH(QString, names);
        auto& m = main();
        QCOMPARE(TabIndexOfKind(kind), tab);
        QCOMPARE((void*)TabSlotTable(kind), table);
        const CorvisentMain::KindTab* k = CorvisentMain::kindTab(kind);
        if (tab < 0) {
            QVERIFY(!k && !m.NoDeviceLabel(kind));
            QVERIFY_THROWS_EXCEPTION(rt::VbError, m.SlotCover(kind, 1));
            return;
        }
        const QStringList n = names.split(u' ');
        QWidget* page = m.sstabCorvisentMan->widget(tab);
        for (int slot = 1; slot <= 4; ++slot) {
            const QList<QWidget*> controls = {m.SlotCover(kind, slot), m.SlotNameLabel(kind, slot),
                                              (m.*k->logs)[slot]};
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(controls[i]->objectName(), QStringLiteral("%1(%2)").arg(n[i]).arg(slot));
                QVERIFY(page->isAncestorOf(controls[i]));
            }
        }
        QCOMPARE(m.NoDeviceLabel(kind)->objectName(), n[3]);
        QVERIFY_THROWS_EXCEPTION(rt::VbError, m.SlotCover(kind, 5));
    }

    void noDeviceStateSwitchesTabsAndLabels() {
        auto& m = main();
        iTempTabSlot[0] = 1;
        iTempTabSlot[2] = 1;
        CheckIfNoDevices(typeTemperature);
        QVERIFY(m.tabEnabled(CorvisentMain::tabTemperature) && !rt::visible(m.lblNoTDevicePresent));

        rt::setValue(setup().chkEmailAlert[1], 1);
        iTempTabSlot.fill(0);
        CheckIfNoDevices(typeTemperature);
        QVERIFY(!m.sstabCorvisentMan->tabBar()->isTabVisible(CorvisentMain::tabTemperature));
        QVERIFY(rt::visible(m.lblNoTDevicePresent));
        QCOMPARE(rt::value(setup().chkEmailAlert[1]), 0);

        // Combined: both tabs; water has no label.
        iHumidTabSlot[0] = 1;
        CheckIfNoDevices(typeCombo);
        QVERIFY(!m.tabEnabled(CorvisentMain::tabTemperature));
        QVERIFY(m.tabEnabled(CorvisentMain::tabHumidity));
        QVERIFY(!rt::visible(m.lblNoHDevicePresent));
        rt::setValue(setup().chkEmailAlert[6], 1);
        CheckIfNoDevices(typeWater);
        QVERIFY(!m.tabEnabled(CorvisentMain::tabWater));
        QCOMPARE(rt::value(setup().chkEmailAlert[6]), 0);
        iAccelTabSlot[0] = 2;
        CheckIfNoDevices(typeAccel);
        QVERIFY(m.tabEnabled(CorvisentMain::tabAcceleration) && !rt::visible(m.lblNoAccelDevices));
        CheckIfNoDevices(typeDistance);
        QVERIFY(!m.tabEnabled(CorvisentMain::tabDistance) && rt::visible(m.lblNoDistanceDevices));
        CheckIfNoDevices(typeVideo); // no tab of its own here: nothing
    }

    void noProximitySensorResetsOnlyFreeEventIndexes() {
        TestEnv env;
        auto& s = setup();
        for (int k = 1; k <= 4; ++k) {
            {
                LoadGuard quiet; // chosen as a load would, storing nothing
                rt::setOptionValue(s.optRunCommand[k], true);
            }
            s.lblCommandOnProx[k]->setText(QStringLiteral("/usr/bin/away%1").arg(k));
            s.txtDelayEventAway[k]->setText(QStringLiteral("5"));
        }
        SetRowKind(7, typeDistance); // a distance sensor still uses event index 2
        iProxSlot[7] = 2;
        iProxTabSlot.fill(0);
        CheckIfNoDevices(typeProximity);
        QVERIFY(!main().tabEnabled(CorvisentMain::tabProximity));
        QVERIFY(rt::visible(main().lblNoPDevicePresent));
        for (int k : {1, 3, 4}) {
            QVERIFY(rt::optionValue(s.optSysCommandDisabled[k]));
            QVERIFY(!rt::optionValue(s.optRunCommand[k]));
            QCOMPARE(s.lblCommandOnProx[k]->text() + "|" + s.txtDelayEventAway[k]->text(),
                     QStringLiteral("Path not set|0"));
            QCOMPARE(programSetting(QStringLiteral("optRunCommand%1").arg(k)), QStringLiteral("0"));
        }
        QVERIFY(rt::optionValue(s.optRunCommand[2]));
        QCOMPARE(s.lblCommandOnProx[2]->text(), QStringLiteral("/usr/bin/away2"));
        QCOMPARE(programSetting(QStringLiteral("optRunCommand2")), QStringLiteral("<none>"));

        // While a load runs the reset changes the window only.
        TestEnv clean;
        {
            LoadGuard guard;
            rt::setOptionValue(s.optRunCommand[1], true);
            CheckIfNoDevices(typeProximity);
        }
        QVERIFY(rt::optionValue(s.optSysCommandDisabled[1]));
        QCOMPARE(programSetting(QStringLiteral("optSysCommandDisabled1")), QStringLiteral("<none>"));
    }

    void tabSwitchedOffLeavesTheBarAndComesBack() {
        auto& m = main();
        m.setTabEnabled(CorvisentMain::tabWater, true);
        m.setTab(CorvisentMain::tabWater);
        m.setTabEnabled(CorvisentMain::tabWater, false);
        QVERIFY(m.tab() != CorvisentMain::tabWater);
        m.setTabEnabled(CorvisentMain::tabWater, true);
        QVERIFY(m.sstabCorvisentMan->tabBar()->isTabVisible(CorvisentMain::tabWater));
        ScriptedBoxes script;
        m.setTab(CorvisentMain::tabVideo); // no summary camera view: nothing to move, nothing shown
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
