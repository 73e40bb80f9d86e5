#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "app/CorvisentMain.h"
#include "app/pending.h"
#include "app/startup.h"
#include "platform/ini.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/faketray.h"
#include "support/simulator.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

CorvisentMain& M() { return CorvisentMain::instance(); }
formSensorSetup& S() { return formSensorSetup::instance(); }
void store(const QString& section, const char* key, const QString& value) {
    modPrefs::SavePref(section, QLatin1String(key), value);
}
void store(const char* key, const QString& value) { store(modPrefs::kProgramSetup, key, value); }
QString stored(const char* key) { return modPrefs::GetPref(modPrefs::kProgramSetup, QLatin1String(key), "-"); }
void machineValue(const QString& name, const QString& value) {
    modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey, name, value);
}

const QString kScanQuestion = QStringLiteral("Would you like to auto detect and set up your devices now?\n"
                                             "     (CorvisentV and CorvisentV2 camera devices cannot be detected.)");

// Markers and values of the settings file's error log ("Logging" section): ":010=FormLoadError".
QStringList errorLog() {
    QStringList entries;
    bool inLogging = false;
    const QString text = QString::fromLatin1(readWholeFile(platform::iniFilePath(QStringLiteral("corvisent.ini"))));
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(u'[')) inLogging = line == QLatin1String("[Logging]");
        else if (inLogging && line.contains(u'=')) entries << line.mid(line.left(line.indexOf(u'=')).lastIndexOf(u':'));
    }
    return entries;
}

} // namespace

// The start-up of the program run on its windows, from the notification-area-only start and the
// first run to sensors connected at start-up, and the two ways the program ends.
class TestStartupRun : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<FakeTray> tray;
    QList<bool> ends; // one entry per end of the process: true when at once

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        tray = std::make_unique<FakeTray>();
        pendingCallLog().clear();
        ends.clear();
        setProcessEnd([this](bool atOnce) { ends << atOnce; });
    }
    void cleanup() {
        for (platform::MSCommControl* port : M().MSComm)
            if (port && port->portOpen()) port->setPortOpen(false);
        rt::Files::closeAll();
        rt::Clock::reset();
        rt::setUnattended(false);
        setProcessEnd({});
        M().mnuTakeOut_Click();
        tray.reset();
        env.reset();
    }

    // First, while nothing has been loaded into the windows.
    void machineLogOutValueStartsInTheNotificationAreaOnly() {
        rt::DialogScript boxes;
        machineValue(modRegistry::kAutologoutValue, QStringLiteral("1"));
        store("TempMax", QStringLiteral("55"));
        store("TotalDevices", QStringLiteral("1"));
        M().Form_Load(QStringLiteral("/service"));
        QVERIFY(tray->shown() && !M().isVisible());
        // Nothing else was read, loaded, asked, written or created.
        QVERIFY(S().txtTempMax->text() != QLatin1String("55"));
        QVERIFY(boxes.prompts().isEmpty() && pendingCallLog().isEmpty());
        QVERIFY(!QFileInfo::exists(env->appDir() + QStringLiteral("/logfiles")));
        QVERIFY(!bInStartup && !loading());
    }

    void firstRunOffersTheScan() {
        rt::DialogScript boxes;
        boxes.queue(rt::vbYes);
        M().Form_Load(QString());
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        QCOMPARE(pendingCallLog(),
                 (QStringList{QStringLiteral("CheckCamDrivers()"), QStringLiteral("cmdBuildCVList_Click()")}));
        QCOMPARE(stored("SensSetTag"), QStringLiteral("1"));
        QCOMPARE(stored("BinaryInterval"), QStringLiteral("500")); // applied once the load was over
        QVERIFY(M().isVisible() && !M().isMinimized() && !tray->shown());
        QVERIFY(QFileInfo(env->appDir() + QStringLiteral("/capturefiles")).isDir());
        QCOMPARE(rt::caption(S().lblLogDirectory), env->appDir() + QStringLiteral("/logfiles"));
        QCOMPARE(S().txtTempMax->text() + S().txtTempMin->text() + S().txtHumidMax->text() + S().txtHumidMin->text(),
                 QStringLiteral("80407020"));
        QCOMPARE(rt::foreColor(S().txtHumidMin), rt::vbBlue);
        QVERIFY(!bInStartup && !loading() && !rt::unattended());
        QVERIFY(errorLog().isEmpty());
    }

    void switchesAndStoredValues() {
        rt::DialogScript boxes;
        boxes.queue(rt::vbNo);
        store("TempMin", QStringLiteral("35"));
        store("TempMax", QStringLiteral("85"));
        store("ForC", QStringLiteral("C"));
        // A delay box that is not a number does not stop the start-up.
        store("DelayEventAway1", QStringLiteral("2.5"));
        store("DelayEventUp1", QStringLiteral("soon"));
        M().Form_Load(QStringLiteral("/nocams /minimize /Regclean /autodetect"));
        QCOMPARE(boxes.prompts(), QStringList{kScanQuestion});
        QCOMPARE(pendingCallLog(), QStringList{QStringLiteral("CheckCamDrivers()")}); // no scan
        QVERIFY(M().isMinimized() && rt::visible(M().mnuCleanOut) && bAutoDetect);
        QCOMPARE(S().txtTempMin->text(), QStringLiteral("35"));
        QVERIFY(rt::optionValue(S().optCorF));
        QCOMPARE(S().timerDelayEvent[1]->interval() + S().timerDelayEventUp[1]->interval(), 2500);

        // "/nocams" alone keeps the cameras; an unknown unit changes neither option.
        pendingCallLog().clear();
        rt::setOptionValue(S().optCorF2, true);
        store("ForC", QStringLiteral("K"));
        boxes.queue(rt::vbNo);
        M().showNormal();
        M().Form_Load(QStringLiteral("/nocams"));
        QVERIFY(pendingCallLog().isEmpty() && !M().isMinimized());
        QVERIFY(rt::optionValue(S().optCorF2));
        QVERIFY(errorLog().isEmpty());
    }

    void failuresAreLoggedAndEndTheStartUp() {
        rt::DialogScript boxes;
        writeWholeFile(env->appDir() + QStringLiteral("/logfiles"), "x"); // a file where the folder goes
        M().Form_Load(QString());
        QCOMPARE(errorLog(), QStringList{QStringLiteral(":010=FormLoadError")});
        QVERIFY(boxes.prompts().isEmpty() && !bInStartup && !loading());
        QFile::remove(env->appDir() + QStringLiteral("/logfiles"));

        store("TotalDevices", QStringLiteral("1"));
        store("AutoConnect", QStringLiteral("7")); // a value the box cannot take
        S().hide();
        M().Form_Load(QString());
        QCOMPARE(errorLog().last(), QStringLiteral(":020=AutoOpenPrefError"));
        QVERIFY(S().isVisible() && !bInStartup && !loading());
        S().hide();
    }

    void autoConnectAfterAForcedLogOffThenClose() {
        rt::Clock::setSpeed(10);
        SensorSimulator sim({QStringLiteral("T")});
        sim.mapTo(5);
        const QString rec = QStringLiteral("PortConfig\\Devices\\1");
        store(rec, "DeviceType", strTypeTemperature);
        store(rec, "DeviceName", QStringLiteral("Lab"));
        store(rec, "Port", QStringLiteral("5"));
        store(rec, "SubIndex", QStringLiteral("1"));
        store(rec, "FileLogging", QStringLiteral("1"));
        store("TotalDevices", QStringLiteral("1"));
        store("SavedState", QStringLiteral("1"));
        store(modPrefs::kInternetSetup, "AutoStartIUE", QStringLiteral("1"));
        rt::DialogScript boxes;
        boxes.queue(rt::vbNo);

        M().Form_Load(QString());
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Do you wish to start Remote Monitoring?")});
        QVERIFY(pendingCallLog().filter(QStringLiteral("StartInternetUpdateEngine")).isEmpty());
        QCOMPARE(stored("AutoConnect"), QStringLiteral("1"));
        // Connected and logging, then gone to the notification area.
        QVERIFY(M().MSComm[1]->portOpen());
        QTRY_VERIFY(M().lblSensorReading[1]->text().contains(QStringLiteral("72")));
        QVERIFY(tray->shown() && !M().isVisible() && !S().isVisible());

        // Closing the window closes the port and the log file, then ends the program.
        M().mnuTakeOut_Click();
        QVERIFY(M().close());
        QCOMPARE(ends, QList<bool>{false});
        QVERIFY(!M().MSComm[1]->portOpen() && !rt::Files::isOpen(1));
        const QDir logs(env->appDir() + QStringLiteral("/logfiles"));
        QCOMPARE(logs.entryList(QDir::Files).size(), 1);
        QVERIFY(readWholeFile(logs.filePath(logs.entryList(QDir::Files).first())).contains("72.50F\r\n"));
    }

    void serviceStartFromTheSettingsFileThenExit() {
        rt::Clock::setSpeed(10);
        SensorSimulator sim({QStringLiteral("T"), QStringLiteral("--temp"), QStringLiteral("64.5")});
        sim.mapTo(6);
        const QString ini = env->appDir() + QStringLiteral("/service.ini");
        machineValue(modRegistry::kIniPathValue, ini);
        for (const auto& [section, key, value] :
             {std::tuple{"Device Setup", "TotalDevices", "1"}, {"Device Setup\\1", "DeviceType", "Corvisent/T (Temperature)"},
              {"Device Setup\\1", "DeviceName", "Boiler"}, {"Device Setup\\1", "Port", "6"},
              {"Device Setup\\1", "SubIndex", "1"}})
            platform::WritePrivateProfileString(QLatin1String(section), QLatin1String(key), QLatin1String(value), ini);
        store(modPrefs::kInternetSetup, "AutoStartIUE", QStringLiteral("1"));

        // Nobody answers: the service start asks no one and starts remote monitoring.
        M().Form_Load(QStringLiteral("/service /cvservice"));
        QVERIFY(rt::unattended());
        QCOMPARE(strINIPath, ini);
        QVERIFY(tray->shown() && !M().isVisible());
        QCOMPARE(M().lblSensor1[1]->text(), QStringLiteral("Boiler"));
        QTRY_VERIFY(M().lblSensorReading[1]->text().contains(QStringLiteral("64")));
        QVERIFY(pendingCallLog().contains(QStringLiteral("StartInternetUpdateEngine()")));

        // Exit answered No keeps running; Yes ends at once: logs closed, port and icon left.
        rt::DialogScript boxes;
        boxes.queue(rt::vbNo);
        M().Exit->trigger();
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Are you sure you want to exit?")});
        QVERIFY(ends.isEmpty());
        M().Exit->trigger();
        QCOMPARE(ends, QList<bool>{true});
        QVERIFY(!rt::Files::isOpen(1) && M().MSComm[1]->portOpen() && tray->shown());
    }
};

QTEST_MAIN(TestStartupRun)
#include "tst_startuprun.moc"
