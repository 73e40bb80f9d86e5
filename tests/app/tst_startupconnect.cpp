#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/CorvisentMain.h"
#include "app/pending.h"
#include "app/startup.h"
#include "platform/ini.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
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

// Reading log files written into the default log folder.
QStringList logFiles(const TestEnv& env) {
    return QDir(env.appDir() + QStringLiteral("/logfiles")).entryList(QDir::Files);
}

} // namespace

// Start-up with a stored temperature sensor that answers on a pseudo-terminal: auto-connect after
// a forced log-off, the service start from the settings file, and the two ways the program ends.
class TestStartupConnect : public QObject {
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
        rt::Clock::setSpeed(10);
    }
    void cleanup() {
        for (int row = 1; row <= 10; ++row)
            if (M().MSComm[row]->portOpen()) M().MSComm[row]->setPortOpen(false);
        rt::Files::closeAll();
        rt::Clock::reset();
        rt::setUnattended(false);
        setProcessEnd({});
        M().mnuTakeOut_Click();
        tray.reset();
        env.reset();
    }

    void autoConnectAfterAForcedLogOffThenClose() {
        SensorSimulator sim({QStringLiteral("T")});
        QVERIFY(!sim.path().isEmpty());
        sim.mapTo(5);
        const QString rec = QStringLiteral("PortConfig\\Devices\\1");
        store(rec, "DeviceType", strTypeTemperature);
        store(rec, "DeviceName", QStringLiteral("Lab"));
        store(rec, "Port", QStringLiteral("5"));
        store(rec, "SubIndex", QStringLiteral("1"));
        store(rec, "TabLogging", QStringLiteral("1"));
        store(rec, "FileLogging", QStringLiteral("1"));
        store(modPrefs::kProgramSetup, "TotalDevices", QStringLiteral("1"));
        store(modPrefs::kProgramSetup, "SavedState", QStringLiteral("1"));
        store(modPrefs::kInternetSetup, "AutoStartIUE", QStringLiteral("1"));
        rt::DialogScript boxes;
        boxes.queue(rt::vbNo);

        M().Form_Load(QString());
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Do you wish to start Remote Monitoring?")});
        QCOMPARE(boxes.shown().first().title, QStringLiteral("Remote Monitoring"));
        QVERIFY(!pendingCallLog().contains(QStringLiteral("StartInternetUpdateEngine()")));
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, QStringLiteral("AutoConnect")), QStringLiteral("1"));
        QCOMPARE(rt::value(S().chkAutoConnectPrefs), 1);
        QCOMPARE(rt::tag(&M()), QStringLiteral("0"));
        QVERIFY(!loading());
        QVERIFY(!bInStartup);

        // Connected, logging, and gone to the notification area afterwards.
        QCOMPARE(iPortOpen[1], int(typeTemperature));
        QVERIFY(M().MSComm[1]->portOpen());
        QCOMPARE(M().lblSensor1[1]->text(), QStringLiteral("Lab"));
        QTRY_VERIFY(M().lblSensorReading[1]->text().contains(QStringLiteral("72")));
        QCOMPARE(logFiles(*env).size(), 1);
        QVERIFY(tray->shown());
        QVERIFY(!M().isVisible());
        QVERIFY(!S().isVisible());

        // Closing the window closes the port and the log file, then ends the program.
        M().mnuTakeOut_Click();
        QVERIFY(M().close());
        QCOMPARE(ends, QList<bool>{false});
        QVERIFY(!M().MSComm[1]->portOpen());
        QVERIFY(!rt::Files::isOpen(1));
        const QByteArray log = readWholeFile(QDir(env->appDir() + QStringLiteral("/logfiles")).filePath(logFiles(*env).first()));
        QVERIFY(log.contains("72"));
    }

    void serviceStartFromTheSettingsFileThenExit() {
        SensorSimulator sim({QStringLiteral("T"), QStringLiteral("--temp"), QStringLiteral("64.5")});
        QVERIFY(!sim.path().isEmpty());
        sim.mapTo(6);
        const QString ini = env->appDir() + QStringLiteral("/service.ini");
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                     modRegistry::kIniPathValue, ini);
        auto write = [&ini](const char* section, const char* key, const QString& value) {
            platform::WritePrivateProfileString(QLatin1String(section), QLatin1String(key), value, ini);
        };
        write("Device Setup", "TotalDevices", QStringLiteral("1"));
        write("Device Setup\\1", "DeviceType", strTypeTemperature);
        write("Device Setup\\1", "DeviceName", QStringLiteral("Boiler"));
        write("Device Setup\\1", "Port", QStringLiteral("6"));
        write("Device Setup\\1", "SubIndex", QStringLiteral("1"));
        store(modPrefs::kInternetSetup, "AutoStartIUE", QStringLiteral("1"));

        // Nobody answers: the service start asks no one.
        M().Form_Load(QStringLiteral("/service /cvservice"));
        QVERIFY(rt::unattended());
        QCOMPARE(strINIPath, ini);
        QVERIFY(tray->shown());
        QVERIFY(!M().isVisible());
        QCOMPARE(iPortOpen[1], int(typeTemperature));
        QCOMPARE(M().lblSensor1[1]->text(), QStringLiteral("Boiler"));
        QTRY_VERIFY(M().lblSensorReading[1]->text().contains(QStringLiteral("64")));
        QVERIFY(pendingCallLog().contains(QStringLiteral("StartInternetUpdateEngine()")));
        QVERIFY(!loading());

        // Exit (answered with its default, Yes) ends at once: logs closed, the port and the
        // notification icon left as they are.
        M().Exit->trigger();
        QCOMPARE(ends, QList<bool>{true});
        QVERIFY(!rt::Files::isOpen(1));
        QVERIFY(M().MSComm[1]->portOpen());
        QVERIFY(tray->shown());
    }

    void exitAnsweredNoKeepsRunning() {
        rt::DialogScript boxes;
        boxes.queue(rt::vbNo);
        M().Exit_Click();
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Are you sure you want to exit?")});
        QCOMPARE(boxes.shown().first().title, QStringLiteral("Corvisent Manager Exit"));
        QCOMPARE(boxes.shown().first().style, int(rt::vbYesNo));
        QVERIFY(ends.isEmpty());
    }
};

QTEST_MAIN(TestStartupConnect)
#include "tst_startupconnect.moc"
