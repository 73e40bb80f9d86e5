#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

#include "app/CorvisentMain.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

formSensorSetup& setup() { return formSensorSetup::instance(); }
CorvisentMain& mainWindow() { return CorvisentMain::instance(); }
const QString kApp = QStringLiteral("Corvisent Manager");

QString stored(const QString& section, const QString& key) {
    return platform::GetSetting(kApp, section, key, QStringLiteral("<none>"));
}
QString programSetting(const QString& key) { return stored(QStringLiteral("Program Setup"), key); }
QString record(int row, const QString& key) { return stored(QStringLiteral("PortConfig\\Devices\\%1").arg(row), key); }

// A device row as the loaders leave it: record stored, row shown, slot taken.
void addDevice(int row, const QString& type, const QString& slot) {
    platform::SaveSetting(kApp, QStringLiteral("PortConfig\\Devices\\%1").arg(row), QStringLiteral("DeviceType"), type);
    platform::WritePrivateProfileString(QStringLiteral("Device Setup\\%1").arg(row), QStringLiteral("DeviceType"), type,
                                        strINIPath);
    setup().lblDeviceType[row]->setText(type);
    MakeInvisible(1, row, 0);
    setup().lblSubIndex[row]->setText(slot);
    // A combined sensor's slot has two figures, the temperature slot first.
    if (slot.size() == 2)
        RegisterRow(row, typeCombo, slot.mid(1).toInt(), slot.left(1).toInt());
    else
        RegisterRow(row, TypeCodeOfName(type), slot.toInt());
}

} // namespace

class TestSetupDialog : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_env = std::make_unique<TestEnv>();
        ClearArrays();
        for (int row = 1; row <= 10; ++row)
            ForgetRow(row);
        setup().cmbMinOrSecs->clear();
        setup().cmbMinOrSecs->addItems({QStringLiteral("Minute(s)"), QStringLiteral("Seconds")});
    }
    void cleanup() { m_env.reset(); }

    // A device's type is shown whole, in the narrowest window and in large letters too.
    void typeShownWhole() {
        addDevice(1, strTypeAccel, "1");
        QLabel* type = setup().lblDeviceType[1];
        type->setFont(QFont(type->font().family(), type->font().pointSize() * 2));
        setup().show();
        setup().resize(1, 1);
        QCoreApplication::processEvents();
        QVERIFY(type->width() >= type->fontMetrics().horizontalAdvance(type->text()));
        setup().hide();
        type->setFont(QFont());
    }

    void controlsAsTheProgramAddressesThem() {
        auto& s = setup();
        const QStringList tabs{"Device Connect", "&Alerts && Threshold", "Camera Events", "Proximity Events"};
        for (int i = 0; i < 4; ++i) QCOMPARE(s.SSTab1->tabText(i), tabs[i]);
        for (int row = 1; row <= 10; ++row) QCOMPARE(s.cmdConnectSensor[row]->text(), QStringLiteral("Connect"));
        for (int k : {4, 5, 7}) QVERIFY(!s.chkEmailAlert[k]); // no alert switches for these codes
        QCOMPARE(s.frmEnableAlerts[0]->title(), QStringLiteral("Bump Sensor Alerts"));
        QCOMPARE(s.chkLocalMonitoring->text(), QStringLiteral("Disable All Alerts"));
        QCOMPARE(s.chkUseAlerts->text(), QStringLiteral("Local Audible Alert"));
        for (int n = 1; n <= 4; ++n) {
            QCOMPARE(s.lblCommandOnProxApproach[n]->text(), QStringLiteral("Path not set"));
            QVERIFY(!s.timerDelayEvent[n]->enabled());
        }
    }

    void intervalAppliesToEveryRowTimer() {
        auto& s = setup();
        auto& m = mainWindow();
        s.txtBinaryInterval->setText(QStringLiteral("250"));
        s.txtReadingInterval->setText(QStringLiteral("4"));
        s.cmbMinOrSecs->setCurrentIndex(1);
        m.Timer1[3]->setInterval(60000);
        m.Timer1[3]->setEnabled(true);
        s.cmdSetInterval_Click();
        for (int row = 1; row <= 10; ++row) {
            QCOMPARE(m.Timer1[row]->interval() + m.ProximityTimer[row]->interval(), 4 * 850 + 250);
            QCOMPARE(m.Timer1[row]->isRunning(), row == 3); // only running timers run again
        }
        QCOMPARE(programSetting(QStringLiteral("MinOrSecs")), QStringLiteral("Sec"));

        // Minutes count 60000 ms ticks; an empty or "0" interval becomes 30 minutes.
        iMinuteCount[5] = 7;
        s.txtReadingInterval->setText(QStringLiteral("0"));
        s.cmdSetInterval_Click();
        QCOMPARE(s.txtReadingInterval->text(), QStringLiteral("30"));
        QCOMPARE(m.Timer1[5]->interval(), 60000);
        QCOMPARE(iReadMinutes[5] * 10 + iMinuteCount[5], 301);
        QCOMPARE(programSetting(QStringLiteral("MinOrSecs")), QStringLiteral("Min"));
        m.Timer1[3]->setEnabled(false);

        ScriptedBoxes script;
        {
            LoadGuard quiet; // as loaded, not typed: the line box's own apply does not run
            s.txtBinaryInterval->setText(QStringLiteral("fast"));
            s.txtReadingInterval->setText(QStringLiteral("9"));
        }
        s.cmdSetInterval_Click();
        QCOMPARE(script.prompts(), QStringList{QStringLiteral("This interval must be an integer")});
        QCOMPARE(m.Timer1[5]->interval(), 60000);
        QCOMPARE(programSetting(QStringLiteral("BinaryInterval")), QStringLiteral("250"));
    }

    // The window's load copies the temperature limits, chooses the first tab and sets the
    // interval controls from the stored interval and the unit; Cancel hides the window and takes
    // nothing back; the title bar has no close entry.
    void loadSetsTheIntervalControlsAndCancelOnlyHides() {
        auto& s = setup();
        s.txtTempMax->setText(QStringLiteral("85"));
        s.txtTempMin->setText(QStringLiteral("35"));
        s.SSTab1->setCurrentIndex(3);
        platform::SaveSetting(kApp, QStringLiteral("Program Setup"), QStringLiteral("ReadingInterval"), QStringLiteral("5"));
        s.Form_Load();
        QCOMPARE(s.lblHighStore->text() + s.lblLowStore->text(), QStringLiteral("8535"));
        QVERIFY(!rt::visible(s.lblHighStore));
        QCOMPARE(s.tab(), 0);
        QCOMPARE(s.sliderInterval->minimum(), 1); // minutes
        QCOMPARE(s.sliderInterval->value(), 5);
        QCOMPARE(s.txtReadingInterval->text(), QStringLiteral("5"));
        {
            LoadGuard quiet;
            s.cmbMinOrSecs->setCurrentIndex(1);
        }
        platform::DeleteSetting(kApp, QStringLiteral("Program Setup"), QStringLiteral("ReadingInterval"));
        s.Form_Load();
        QCOMPARE(s.sliderInterval->minimum(), 8);
        QCOMPARE(s.txtReadingInterval->text(), QStringLiteral("15"));
        QCOMPARE(programSetting(QStringLiteral("ReadingInterval")), QStringLiteral("<none>")); // stores nothing
        QVERIFY(!(s.windowFlags() & Qt::WindowCloseButtonHint));

        s.show();
        s.txtTempMax->setText(QStringLiteral("90"));
        s.cmdCancelSetup->click();
        QVERIFY(!s.isVisible());
        QCOMPARE(s.txtTempMax->text(), QStringLiteral("90"));
    }

    void rowSettingsAreStoredUnlessALoadRuns() {
        auto& s = setup();
        s.txtMaxFileSize->setText(QStringLiteral("20"));
        {
            LoadGuard guard;
            rt::setValue(s.chkFileLogging[2], 1);
            rt::setValue(s.chkTabLogging[2], 1);
        }
        QCOMPARE(lMaxFileSize, 20L * 1024);
        QCOMPARE(record(2, QStringLiteral("FileLogging")), QStringLiteral("<none>"));
        // A size too large to count in bytes sets no limit, not one that every write passes.
        s.txtMaxFileSize->setText(QStringLiteral("1e30"));
        rt::setValue(s.chkFileLogging[2], 0);
        QVERIFY(lMaxFileSize > 1024L * 1024 * 1024 * 1024);
        s.txtMaxFileSize->setText(QStringLiteral("20"));

        rt::setValue(s.chkTabLogging[2], 0);
        rt::setValue(s.chkFileLogging[2], 2);
        QCOMPARE(record(2, QStringLiteral("TabLogging")) + record(2, QStringLiteral("FileLogging")), QStringLiteral("02"));

        // Assigning the value a box already has runs nothing.
        platform::DeleteSetting(kApp, QStringLiteral("PortConfig\\Devices\\2"));
        rt::setValue(s.chkFileLogging[2], 2);
        QCOMPARE(record(2, QStringLiteral("FileLogging")), QStringLiteral("<none>"));

        rt::setValue(s.chkOnScreenOnProx[3], 1);
        QCOMPARE(programSetting(QStringLiteral("chkOnScreenProx3")), QStringLiteral("1"));
        rt::setValue(s.chkOnScreenOnProx[3], 0);

        s.lblDeviceType[4]->show();
        s.txtDeviceComNumber[4]->setText(QStringLiteral("7"));
        s.txtDeviceComNumber_LostFocus(4);
        QCOMPARE(record(4, QStringLiteral("Port")), QStringLiteral("7"));
        s.lblDeviceType[4]->hide();
    }

    void choosingNoProximityActionResetsThatPanel() {
        auto& s = setup();
        rt::setOptionValue(s.optRunCommand[2], true);
        s.lblCommandOnProx[2]->setText(QStringLiteral("/usr/bin/xlock"));
        s.txtDelayEventUp[2]->setText(QStringLiteral("12"));
        rt::setOptionValue(s.optSysCommandDisabled[2], true);
        QCOMPARE(s.lblCommandOnProx[2]->text() + "|" + s.txtDelayEventUp[2]->text(), QStringLiteral("Path not set|0"));
        QCOMPARE(programSetting(QStringLiteral("optRunCommand2")), QStringLiteral("0"));
        QCOMPARE(programSetting(QStringLiteral("ProximityRunCommand2")), QStringLiteral("Path not set"));

        // Clearing the option leaves none selected; selecting it again runs the handler again.
        rt::setOptionValue(s.optSysCommandDisabled[2], false);
        platform::DeleteSetting(kApp, QStringLiteral("Program Setup"), QStringLiteral("optSysCommandDisabled2"));
        rt::setOptionValue(s.optSysCommandDisabled[2], true);
        QCOMPARE(programSetting(QStringLiteral("optSysCommandDisabled2")), QStringLiteral("1"));
    }

    void deletingACombinedSensorFreesBothSlotsAndRecords() {
        auto& m = mainWindow();
        platform::SaveSetting(kApp, QStringLiteral("Program Setup"), QStringLiteral("TotalDevices"), QStringLiteral("3"));
        addDevice(3, strTypeComboHumid, QStringLiteral("21"));
        addDevice(4, strTypeComboTemp, QStringLiteral("21"));
        addDevice(6, strTypeWater, QStringLiteral("1"));
        iTempTabSlot[2] = 1;
        iTempTabSlot[0] = 1;
        iHumidTabSlot[1] = 1;
        iHumidTabSlot[0] = 1;
        m.frameTCover[2]->hide();
        m.frameHCover[1]->hide();
        // Both rows show their port and slot, as after a load or a registration.
        for (int row : {3, 4}) {
            setup().txtDeviceComNumber[row]->setText(QStringLiteral("5"));
            setup().txtDeviceComNumber[row]->show();
            setup().lblSubIndex[row]->show();
        }
        setup().cmdDeleteMe_Click(3);
        QVERIFY(rt::visible(m.frameTCover[2]) && rt::visible(m.frameHCover[1]));
        QCOMPARE(iTempTabSlot[0] + iHumidTabSlot[1] + iDeviceType(3) + iDeviceType(4), 0);
        // Nothing of the second row stays on screen.
        for (int row : {3, 4}) {
            QVERIFY(!rt::visible(setup().lblDeviceType[row]));
            QVERIFY(!rt::visible(setup().txtDeviceComNumber[row]));
            QVERIFY(!rt::visible(setup().lblSubIndex[row]));
            QCOMPARE(setup().lblSubIndex[row]->text(), QStringLiteral("0"));
        }
        QCOMPARE(record(3, QStringLiteral("DeviceType")) + record(4, QStringLiteral("DeviceType")),
                 QStringLiteral("<none><none>"));
        QCOMPARE(record(6, QStringLiteral("DeviceType")), strTypeWater);
        QCOMPARE(programSetting(QStringLiteral("TotalDevices")), QStringLiteral("1"));
        QCOMPARE(platform::GetPrivateProfileString(QStringLiteral("Device Setup"), QStringLiteral("TotalDevices"),
                                                   QString(), 5, strINIPath),
                 QStringLiteral("1"));
        QCOMPARE(platform::GetPrivateProfileString(QStringLiteral("Device Setup\\3"), QStringLiteral("DeviceType"),
                                                   QStringLiteral("gone"), 64, strINIPath),
                 QStringLiteral("gone"));
        QVERIFY(!mainWindow().tabEnabled(CorvisentMain::tabTemperature));
    }

    void deletingAProximitySensorReleasesItsEventIndex() {
        auto& s = setup();
        platform::SaveSetting(kApp, QStringLiteral("Program Setup"), QStringLiteral("TotalDevices"), QStringLiteral("1"));
        addDevice(1, strTypeProximity, QStringLiteral("1"));
        iProxSlot[1] = 2; // the record holds no event index: the row's own is used
        iProxTabSlot[1] = 1;
        iProxTabSlot[0] = 1;
        iPortOpen[1] = 3;
        iPortOpen[0] = 1;
        s.frameProxBehavior[2]->show();
        s.frameProxBehaviorEx[2]->show();
        rt::setValue(s.chkEmailOnProx[2], 1);
        s.cmdDeleteMe_Click(1);
        QCOMPARE(programSetting(QStringLiteral("TotalDevices")), QStringLiteral("0"));
        QVERIFY(!rt::visible(s.frameProxBehavior[2]) && rt::optionValue(s.optSysCommandDisabled[2]));
        QCOMPARE(rt::value(s.chkEmailOnProx[2]), 0);
        QCOMPARE(iProxSlot[1] + iProxTabSlot[0] + iPortOpen[0], 0);
        QVERIFY(rt::visible(mainWindow().lblNoPDevicePresent));
    }

    void deletingTheLastCameraHidesTheCameraOptions() {
        auto& s = setup();
        platform::SaveSetting(kApp, QStringLiteral("Program Setup"), QStringLiteral("TotalCameras"), QStringLiteral("1"));
        addDevice(2, strTypeVideo, QStringLiteral("1"));
        iCamSlot[1] = 0;
        s.cambehavioral->show();
        s.frameCamSetupCover[1]->show();
        mainWindow().setTabEnabled(CorvisentMain::tabVideo, true);
        s.cmdDeleteMe_Click(2);
        QCOMPARE(programSetting(QStringLiteral("TotalCameras")), QStringLiteral("0"));
        QVERIFY(!rt::visible(s.cambehavioral) && !rt::visible(s.frameCamSetupCover[1]));
        QCOMPARE(iCamSlot[1], camSlotFree);
        QVERIFY(!mainWindow().tabEnabled(CorvisentMain::tabVideo));
    }

private:
    std::unique_ptr<TestEnv> m_env;
};

QTEST_MAIN(TestSetupDialog)
#include "tst_setupdialog.moc"
