#include <QTest>

#include "app/startup.h"
#include "platform/ini.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "support/testenv.h"

namespace {

// What a plan does, in a few words.
QString describe(const StartupPlan& p) {
    if (p.autoLogout) return QStringLiteral("notification area only");
    QStringList w;
    if (p.startInTray) w << QStringLiteral("saved state");
    if (!p.resetCameras) w << QStringLiteral("cameras kept");
    w << (p.prefsFromIni ? QStringLiteral("prefs ") + p.iniPath : QStringLiteral("prefs tree"));
    w << QStringLiteral("count '%1'").arg(p.deviceCount);
    if (p.firstRun) return (w << QStringLiteral("first run")).join(QStringLiteral(", "));
    w << (p.devicesFromIni ? QStringLiteral("devices ini") : QStringLiteral("devices tree"));
    w << QStringLiteral("box %1").arg(p.autoConnectBox);
    if (p.trayBeforeConnect) w << QStringLiteral("tray");
    if (p.connectAll) w << QStringLiteral("connect all");
    if (p.trayAfterConnect) w << QStringLiteral("tray");
    if (p.askRemoteMonitoring) w << QStringLiteral("ask");
    return w.join(QStringLiteral(", "));
}

// Stores "key=value" words: the machine values Autologout and INIPath, "ini:key" in the settings
// file's "Device Setup", AutoStartIUE in "Internet Setup", anything else in "Program Setup".
void storeAll(const QString& words, const QString& folder) {
    for (const QString& word : words.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = word.section(u'=', 0, 0), value = word.section(u'=', 1);
        if (key == QLatin1String("Autologout") || key == QLatin1String("INIPath"))
            modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey, key,
                                         key == QLatin1String("INIPath") ? folder + u'/' + value : value);
        else if (key.startsWith(QLatin1String("ini:")))
            platform::WritePrivateProfileString(QStringLiteral("Device Setup"), key.mid(4), value,
                                                modRegistry::GetStringFromReg(modRegistry::kMachineKey,
                                                                              QStringLiteral("INIPath"),
                                                                              QStringLiteral("corvisent.ini")));
        else
            modPrefs::SavePref(key == QLatin1String("AutoStartIUE") ? modPrefs::kInternetSetup : modPrefs::kProgramSetup,
                               key, value);
    }
}

} // namespace

// The command-line switches, and what start-up decides from them and the stored settings.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void switches() {
        auto found = [](const char* line) {
            const CommandLineSwitches s = CommandLineSwitches::parse(QLatin1String(line));
            QStringList got;
            const std::pair<bool, const char*> all[] = {{s.minimize, "minimize"},     {s.service, "service"},
                                                        {s.cvservice, "cvservice"},   {s.autodetect, "autodetect"},
                                                        {s.autologoff, "autologoff"}, {s.regclean, "regclean"},
                                                        {s.nocams, "nocams"}};
            for (const auto& [on, name] : all)
                if (on) got << QLatin1String(name);
            return got.join(u' ');
        };
        QCOMPARE(found("x/minimize/autodetect /autologoff"), QStringLiteral("minimize autodetect autologoff"));
        QCOMPARE(found("/Minimize /SERVICE /RegCLEAN"), QString());
        QCOMPARE(found("/service /cvservice"), QStringLiteral("service cvservice"));
        for (const char* spelling : {"/regclean", "/RegClean", "a /REGCLEAN"}) QCOMPARE(found(spelling), QStringLiteral("regclean"));
        QCOMPARE(found("/nocams"), QStringLiteral("nocams"));
        QCOMPARE(found("/nocams /minimize"), QStringLiteral("minimize"));
        QCOMPARE(found(" /nocams"), QString());
    }

    void plans_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("plan");
        QTest::newRow("first run") << "" << "AutoStartIUE=1" << "prefs tree, count '0', first run";
        QTest::newRow("devices") << "" << "TotalDevices=3 AutoConnect=0"
                                 << "prefs tree, count '3', devices tree, box 0";
        QTest::newRow("auto-connect, remote monitoring")
            << "" << "TotalDevices=3 AutoConnect=1 AutoStartIUE=1"
            << "prefs tree, count '3', devices tree, box 1, connect all, ask";
        QTest::newRow("greyed auto-connect box") << "" << "TotalDevices=3 AutoConnect=2"
                                                 << "prefs tree, count '3', devices tree, box 2";
        QTest::newRow("after a forced log-off")
            << "" << "SavedState=1 TotalDevices=2 AutoConnect=0"
            << "saved state, prefs tree, count '2', devices tree, box 1, connect all, tray";
        QTest::newRow("machine log-out value") << "/service" << "Autologout=1 TotalDevices=4 AutoStartIUE=1"
                                               << "notification area only";
        QTest::newRow("service") << "/service" << "TotalDevices=2 ini:TotalDevices=2 AutoStartIUE=1"
                                 << "prefs tree, count '2', devices ini, box 1, tray, connect all, ask";
        QTest::newRow("service after a forced log-off")
            << "/service" << "SavedState=1 TotalDevices=2"
            << "saved state, prefs tree, count '2', devices ini, box 1, tray, connect all";
        QTest::newRow("service without devices") << "/service" << "ini:TotalDevices=2 AutoConnect=1"
                                                 << "prefs tree, count '0', first run";
        QTest::newRow("preferences from the machine's file")
            << "/cvservice" << "INIPath=site.ini ini:TotalDevices=3 AutoConnect=1"
            << "prefs site.ini, count '3', devices tree, box 1, connect all";
        QTest::newRow("settings file without a count") << "/cvservice" << ""
                                                       << "prefs corvisent.ini, count '00', devices tree, box 0";
        QTest::newRow("settings file count of 0") << "/cvservice /service" << "TotalDevices=5 ini:TotalDevices=0"
                                                  << "prefs corvisent.ini, count '0', first run";
        QTest::newRow("count cut to four characters") << "/cvservice" << "ini:TotalDevices=123456"
                                                      << "prefs corvisent.ini, count '1234', devices tree, box 0";
        QTest::newRow("cameras kept") << "/nocams" << "TotalDevices=1"
                                      << "cameras kept, prefs tree, count '1', devices tree, box 0";
    }
    void plans() {
        QFETCH(QString, commandLine);
        QFETCH(QString, stored);
        QFETCH(QString, plan);
        TestEnv env;
        storeAll(stored, env.appDir());
        QString got = describe(PlanStartup(commandLine));
        QCOMPARE(got.replace(env.appDir() + u'/', QString()), plan);
        // Planning only reads.
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, QStringLiteral("AutoConnect"), QStringLiteral("-")),
                 stored.contains(QStringLiteral("AutoConnect")) ? stored.section(QStringLiteral("AutoConnect="), 1).left(1)
                                                                : QStringLiteral("-"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
