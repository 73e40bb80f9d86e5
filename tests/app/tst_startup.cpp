#include <QTest>

#include "app/startup.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "support/testenv.h"

namespace {

// What a plan does, in a few words.
QString describe(const StartupPlan& p) {
    if (p.autoLogout) return QStringLiteral("notification area only");
    QStringList w;
    if (p.startInTray) w << QStringLiteral("saved state");
    if (!p.resetCameras) w << QStringLiteral("no camera reset");
    w << (p.prefsFromIni ? QStringLiteral("prefs from ") + p.iniPath : QStringLiteral("prefs from tree"));
    w << QStringLiteral("count '%1'").arg(p.deviceCount);
    if (p.firstRun) {
        w << QStringLiteral("first run");
    } else {
        w << (p.devicesFromIni ? QStringLiteral("devices from ini") : QStringLiteral("devices from tree"));
        w << QStringLiteral("box %1").arg(p.autoConnectBox);
        if (p.trayBeforeConnect) w << QStringLiteral("tray");
        if (p.connectAll) w << QStringLiteral("connect all");
        if (p.trayAfterConnect) w << QStringLiteral("tray");
        if (p.askRemoteMonitoring) w << QStringLiteral("ask");
    }
    return w.join(QStringLiteral(", "));
}

// A stored value; an empty text leaves it out.
void storeIf(const QString& section, const QString& key, const QString& value) {
    if (!value.isEmpty()) modPrefs::SavePref(section, key, value);
}

} // namespace

// The command-line switches, and what start-up decides from them and from the stored settings.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void switches_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("found");
        QTest::newRow("none") << "" << "";
        QTest::newRow("anywhere in the line") << "x/minimize/autodetect" << "minimize autodetect";
        QTest::newRow("case counts") << "/Minimize /SERVICE" << "";
        QTest::newRow("service is not cvservice") << "/cvservice" << "cvservice";
        QTest::newRow("both service switches") << "/service /cvservice" << "service cvservice";
        QTest::newRow("log-off switch") << "/autologoff" << "autologoff";
        QTest::newRow("clean-out, upper case") << "/REGCLEAN" << "regclean";
        QTest::newRow("clean-out, other spellings") << "/RegClean" << "regclean";
        QTest::newRow("clean-out, first capital") << "a /Regclean" << "regclean";
        QTest::newRow("clean-out, mixed case is none") << "/RegCLEAN" << "";
        QTest::newRow("no cameras alone") << "/nocams" << "nocams";
        QTest::newRow("no cameras with more") << "/nocams /minimize" << "minimize";
        QTest::newRow("no cameras after a blank") << " /nocams" << "";
    }
    void switches() {
        QFETCH(QString, commandLine);
        QFETCH(QString, found);
        const CommandLineSwitches s = CommandLineSwitches::parse(commandLine);
        QStringList got;
        if (s.minimize) got << "minimize";
        if (s.service) got << "service";
        if (s.cvservice) got << "cvservice";
        if (s.autodetect) got << "autodetect";
        if (s.autologoff) got << "autologoff";
        if (s.regclean) got << "regclean";
        if (s.nocams) got << "nocams";
        QCOMPARE(got.join(u' '), found);
    }

    void plans_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("autologout");  // machine value
        QTest::addColumn<QString>("iniPath");     // machine value
        QTest::addColumn<QString>("savedState");  // "" = not stored, likewise below
        QTest::addColumn<QString>("totalDevices");
        QTest::addColumn<QString>("iniCount");    // "Device Setup" TotalDevices in the INI file
        QTest::addColumn<QString>("autoConnect");
        QTest::addColumn<QString>("autoStartIUE");
        QTest::addColumn<QString>("plan");

        QTest::newRow("first run") << "" << "" << "" << "" << "" << "" << "" << "1"
                                   << "prefs from tree, count '0', first run";
        QTest::newRow("devices, no auto-connect")
            << "" << "" << "" << "" << "3" << "" << "0" << "" << "prefs from tree, count '3', devices from tree, box 0";
        QTest::newRow("auto-connect, remote monitoring") << "" << "" << "" << "" << "3" << "" << "1" << "1"
                                                         << "prefs from tree, count '3', devices from tree, box 1, "
                                                            "connect all, ask";
        QTest::newRow("greyed auto-connect box connects nothing")
            << "" << "" << "" << "" << "3" << "" << "2" << "" << "prefs from tree, count '3', devices from tree, box 2";
        QTest::newRow("after a forced log-off")
            << "" << "" << "" << "1" << "2" << "" << "0" << ""
            << "saved state, prefs from tree, count '2', devices from tree, box 1, connect all, tray";
        QTest::newRow("saved state other than 1") << "" << "" << "" << "0" << "2" << "" << "" << ""
                                                  << "prefs from tree, count '2', devices from tree, box 0";
        QTest::newRow("machine log-out value wins") << "/service" << "1" << "" << "1" << "4" << "4" << "1" << "1"
                                                    << "notification area only";
        QTest::newRow("machine log-out value other than 1")
            << "" << "0" << "" << "" << "" << "" << "" << "" << "prefs from tree, count '0', first run";
        QTest::newRow("service") << "/service" << "" << "" << "" << "2" << "2" << "0" << "1"
                                 << "prefs from tree, count '2', devices from ini, box 1, tray, connect all, ask";
        QTest::newRow("service after a forced log-off")
            << "/service" << "" << "" << "1" << "2" << "" << "" << ""
            << "saved state, prefs from tree, count '2', devices from ini, box 1, tray, connect all";
        QTest::newRow("service without devices") << "/service" << "" << "" << "" << "0" << "2" << "1" << "1"
                                                 << "prefs from tree, count '0', first run";
        QTest::newRow("preferences from the machine's file")
            << "/cvservice" << "" << "site.ini" << "" << "0" << "3" << "1" << ""
            << "prefs from site.ini, count '3', devices from tree, box 1, connect all";
        QTest::newRow("settings file without a count is not a first run")
            << "/cvservice" << "" << "" << "" << "" << "" << "" << ""
            << "prefs from corvisent.ini, count '00', devices from tree, box 0";
        QTest::newRow("settings file count of 0") << "/cvservice /service" << "" << "" << "" << "5" << "0" << "" << ""
                                                  << "prefs from corvisent.ini, count '0', first run";
        QTest::newRow("count cut to four characters")
            << "/cvservice" << "" << "" << "" << "" << "123456" << "" << ""
            << "prefs from corvisent.ini, count '1234', devices from tree, box 0";
        QTest::newRow("cameras kept") << "/nocams" << "" << "" << "" << "1" << "" << "" << ""
                                      << "no camera reset, prefs from tree, count '1', devices from tree, box 0";
    }
    void plans() {
        QFETCH(QString, commandLine);
        QFETCH(QString, autologout);
        QFETCH(QString, iniPath);
        QFETCH(QString, savedState);
        QFETCH(QString, totalDevices);
        QFETCH(QString, iniCount);
        QFETCH(QString, autoConnect);
        QFETCH(QString, autoStartIUE);
        QFETCH(QString, plan);
        TestEnv env;
        const QString iniFile = iniPath.isEmpty() ? QString() : env.appDir() + u'/' + iniPath;
        if (!autologout.isEmpty())
            modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                         modRegistry::kAutologoutValue, autologout);
        if (!iniFile.isEmpty())
            modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                         modRegistry::kIniPathValue, iniFile);
        storeIf(modPrefs::kProgramSetup, QStringLiteral("SavedState"), savedState);
        storeIf(modPrefs::kProgramSetup, QStringLiteral("TotalDevices"), totalDevices);
        storeIf(modPrefs::kProgramSetup, QStringLiteral("AutoConnect"), autoConnect);
        storeIf(modPrefs::kInternetSetup, QStringLiteral("AutoStartIUE"), autoStartIUE);
        if (!iniCount.isEmpty())
            platform::WritePrivateProfileString(QStringLiteral("Device Setup"), QStringLiteral("TotalDevices"), iniCount,
                                                iniFile.isEmpty() ? QStringLiteral("corvisent.ini") : iniFile);

        StartupPlan p = PlanStartup(commandLine);
        QString got = describe(p);
        got.replace(env.appDir() + u'/', QString());
        QCOMPARE(got, plan);
        QCOMPARE(p.switches.service, commandLine.contains(QStringLiteral("/service")));
        // Planning reads only.
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, QStringLiteral("AutoConnect"), QStringLiteral("-")),
                 autoConnect.isEmpty() ? QStringLiteral("-") : autoConnect);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
