#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QStandardPaths>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "publish/formInternetSetup.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/savereload.h"
#include "support/testenv.h"

namespace {

enum Store { Tree = 1, Ini = 2, Both = 3 };

QMap<QString, QString> snapshot(int store);

// Checks fields against expected values, given as "name=value" entries separated by "; ".
void expectFields(const QString& expected) {
    QMap<QString, QString> map;
    for (const QString& e : expected.split(QStringLiteral("; ")))
        map.insert(e.section('=', 0, 0), e.section('=', 1));
    compareSnapshots(snapshot(Both), map);
}

// One preference as a control holds it: how to read it, a stored value that differs from every
// reader's default, and a value that no load produces.
struct Field {
    QString name;
    int stores;
    std::function<QString()> get;
    std::function<void(bool scenario)> set;
};

formSensorSetup& S() {
    return formSensorSetup::instance();
}
formInternetSetup& Inet() {
    return formInternetSetup::instance();
}

// A text box or a caption.
template <class W> Field text(const QString& name, W* box, const QString& value, int stores = Both) {
    return {name, stores, [box] { return box->text(); },
            [box, value](bool scenario) { box->setText(scenario ? value : QStringLiteral("scrambled")); }};
}
Field check(const QString& name, QCheckBox* box, int value, int stores = Both) {
    return {name, stores, [box] { return QString::number(rt::value(box)); },
            [box, value](bool scenario) { rt::setValue(box, scenario ? value : 2); }};
}
Field option(const QString& name, QRadioButton* opt, QRadioButton* other, int stores = Both) {
    return {name, stores, [opt] { return QString::number(rt::optionValue(opt)); },
            [opt, other](bool scenario) { rt::setOptionValue(scenario ? opt : other, true); }};
}
Field slider(const QString& name, QSlider* s, int value, int stores = Both) {
    return {name, stores, [s] { return QString::number(s->value()); },
            [s, value](bool scenario) { s->setValue(scenario ? value : s->minimum()); }};
}

QString n(const char* name, int i) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

// A field named after its control.
#define F(kind, form, control, ...) kind(QStringLiteral(#control), form.control, __VA_ARGS__)

QList<Field> fields() {
    auto& s = S();
    QList<Field> f;
    f << F(text, s, txtXMaxThresh, "2.5") << F(text, s, txtXMinThresh, "-2.5")
      << F(text, s, txtYMaxThresh, "3") << F(text, s, txtYMinThresh, "-3")
      << F(check, s, chkOutOfRangeAlert, 0) << F(text, s, txtMaxDistanceThresh, "250")
      << F(text, s, txtMinDistanceThresh, "12") << F(text, s, txtReadingInterval, "45")
      << F(slider, s, sliderInterval, 45, Tree) << F(text, s, txtBinaryInterval, "750")
      << F(text, s, txtPrefaceFiles, "Lab-North_") << F(text, s, lblLogDirectory, "/srv/corvisent logs/2009")
      << F(text, s, txtMaxFileSize, "20000") << F(text, s, txtHDDTotalAmount, "10000")
      << F(check, s, chkCloseFileAfterWrite, 1, Tree) << F(check, s, chkAlwaysSendAlert, 1)
      << F(check, s, chkUseAlerts, 1) << F(check, s, chkLocalMonitoring, 1)
      << F(check, s, chkPlaceInStartup, 1, Tree) << F(check, s, chkAutoConnectPrefs, 1, Ini)
      << F(option, s, optUseMAPI, s.optUseSMTP)
      << F(option, s, optionPhonePager, s.optionNumericalPager, Tree) << F(text, s, txtTempMax, "27.5", Ini)
      << F(text, s, txtTempMin, "-4", Ini) << F(text, s, txtHumidMax, "70", Ini)
      << F(text, s, txtHumidMin, "15", Ini) << F(option, s, optCorF, s.optCorF2, Ini);
    f << Field{"cmbMinOrSecs", Both, [&s] { return s.cmbMinOrSecs->currentText(); },
               [&s](bool scenario) { s.cmbMinOrSecs->setCurrentIndex(scenario ? 1 : 0); }};
    for (int k : {1, 2, 6, 8, 9, 0}) {
        f << check(n("chkOnScreenAlert", k), s.chkOnScreenAlert[k], 1)
          << check(n("chkPageAlert", k), s.chkPageAlert[k], k % 2)
          << check(n("chkEmailAlert", k), s.chkEmailAlert[k], 1 - k % 2);
    }
    // Event 1 logs off, 2 locks, 3 runs a command, 4 runs a screen saver.
    QRadioButton* const* actions[4] = {s.optLogoutOnProximity.data(), s.optSystemLock.data(),
                                       s.optRunCommand.data(), s.optRunCommand.data()};
    for (int i = 1; i <= 4; ++i) {
        const int run = i >= 3 ? Both : 0; // commands are stored only for a run action
        f << text(n("txtDelayEventAway", i), s.txtDelayEventAway[i], QString::number(i * 7))
          << text(n("txtDelayEventUp", i), s.txtDelayEventUp[i], QString::number(i * 3))
          << text(n("lblCommandOnProx", i), s.lblCommandOnProx[i], QStringLiteral("/opt/away%1.sh").arg(i),
                  run)
          << text(n("lblCommandOnProxApproach", i), s.lblCommandOnProxApproach[i],
                  i == 4 ? QStringLiteral("/usr/bin/saver /s") : QStringLiteral("/opt/up%1.sh").arg(i), run)
          << text(n("lblAwayParams", i), s.lblAwayParams[i], QStringLiteral("--away %1").arg(i), Tree)
          << text(n("lblUpParams", i), s.lblUpParams[i], QStringLiteral("--up %1").arg(i), Tree)
          << option(n("action", i), actions[i - 1][i], s.optSysCommandDisabled[i])
          << check(n("chkEmailOnProx", i), s.chkEmailOnProx[i], 1)
          << check(n("chkOnScreenOnProx", i), s.chkOnScreenOnProx[i], i % 2);
    }
    auto& m = formEmailAlertSetup::instance();
    f << F(text, m, txtEmailAddr, "operations-team@example.com,second.person@example.com")
      << F(text, m, txtCCEmailAddr, "cc@example.com")
      << F(text, m, txtSMTPHostServer, "smtp.a-rather-long-host-name.example.com")
      << F(text, m, txtSMTPUserName, "monitor") << F(text, m, txtSMTPUserPassword, "p@ss word")
      << F(text, m, txtMailFrom, "monitor@example.com") << F(check, m, chkAuthenticationReq, 1);
    for (int i = 0; i < 4; ++i)
        f << check(n("chkInclude", i), m.chkInclude[i], i % 2);
    auto& p = formPagingTextMessage::instance();
    f << F(text, p, txtNumToCall, "5551234") << F(text, p, txtNumToSend, "911")
      << F(text, p, txtPhoneNumber, "5559876", Tree)
      << Field{"comboAvailCom", Tree, [&p] { return p.comboAvailCom->currentText(); },
               [&p](bool scenario) { p.comboAvailCom->setCurrentText(scenario ? "7" : "scrambled"); }};
    auto& w = Inet();
    f << F(text, w, lblIndexRefreshRate, "45", Tree)
      << F(text, w, txtRemoteStorageLocation, "sites/lab north/status")
      << F(text, w, txtFTPURL, "ftp.example.com") << F(text, w, txtUserName, "uploader")
      << F(text, w, txtPassword, "s3cret pw") << F(check, w, chkSeeMessages, 1)
      << F(text, w, txtInterval, "17") << F(slider, w, sliderInternetUpdateInterval, 17)
      << F(check, w, chkXMLUseDirectory, 1) << F(option, w, optStayConnected, w.optConnectBeforeSend)
      << F(text, w, txtTitleforUpdatePage, "Server room, building 4")
      << F(text, w, txtXMLDirectory, "/var/www/html/corvisent/status/pages/current");
    return f;
}
#undef F

QMap<QString, QString> snapshot(int store) {
    QMap<QString, QString> out;
    for (const Field& f : fields())
        if (f.stores & store) out.insert(f.name, f.get());
    return out;
}

void setAll(bool scenario) {
    modSupport::LoadGuard quiet; // set the scene without the handlers storing anything
    for (const Field& f : fields())
        f.set(scenario);
}

// What the e-mail, pager and remote monitoring windows store from their own fields: field, key.
void saveWindowKeys() {
    const auto now = snapshot(Tree);
    // clang-format off
    const char* const programSetup[][2] = {
        {"txtEmailAddr", "EmailAddress"}, {"txtCCEmailAddr", "CCEmailAddress"},
        {"chkInclude(0)", "IncludeTimeDate"}, {"chkInclude(1)", "IncludeReading"},
        {"chkInclude(2)", "IncludeName"}, {"chkInclude(3)", "IncludeInSubject"},
        {"txtSMTPHostServer", "SMTPHostServer"}, {"txtSMTPUserName", "SMTPUserName"},
        {"txtSMTPUserPassword", "SMTPUserPassword"}, {"txtMailFrom", "SMTPFromEmailAddress"},
        {"chkAuthenticationReq", "chkAuthenticationReq"}, {"txtNumToCall", "NumToCall"},
        {"txtNumToSend", "NumToSend"}, {"txtPhoneNumber", "NumToSendPhone"}, {"comboAvailCom", "IndexForModem"}};
    const char* const internet[][2] = {
        {"lblIndexRefreshRate", "HtmlRefresh"}, {"txtRemoteStorageLocation", "RemoteDirectory"},
        {"txtFTPURL", "ServerName"}, {"txtUserName", "UserName"}, {"txtPassword", "PW"},
        {"chkSeeMessages", "SeeMessages"}, {"txtInterval", "InternetInterval"},
        {"chkXMLUseDirectory", "UseDirectory"}, {"txtTitleforUpdatePage", "txtTitleForUpdatePage"},
        {"txtXMLDirectory", "txtXMLDirectory"}};
    // clang-format on
    for (const auto& [field, key] : programSetup)
        modPrefs::SavePref(modPrefs::kProgramSetup, key, now.value(field));
    for (const auto& [field, key] : internet)
        modPrefs::SavePref(modPrefs::kInternetSetup, key, now.value(field));
    modPrefs::SavePref(modPrefs::kInternetSetup, "optStayConnected",
                       now.value("optStayConnected") == "1" ? "True" : "False");
}

// The value names stored in the tree's "Program Setup", sorted.
QStringList storedNames() {
    QStringList names = platform::Registry::instance().valueNames(platform::Hive::CurrentUser,
                                                                  modPrefs::kTreeKey + "\\Program Setup");
    names.sort(Qt::CaseInsensitive);
    return names;
}

void writeTree(const QByteArray& programSetup, const QByteArray& internetSetup = QByteArray()) {
    const QByteArray base =
        "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\Program Setup";
    QVERIFY(writeWholeFile(platform::Registry::instance().filePath(platform::Hive::CurrentUser),
                           "Windows Registry Editor Version 5.00\r\n\r\n" + base + "]\r\n" + programSetup +
                               "\r\n" + base + "\\Internet Setup]\r\n" + internetSetup));
    platform::Registry::instance().reload();
}

// Points the machine value at an INI file in the test's folder and writes the file.
QString writeIniFile(const TestEnv& env, const QByteArray& text) {
    const QString path = env.appDir() + "/settings/corvisent.ini";
    modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey, "INIPath", path);
    QDir().mkpath(env.appDir() + "/settings");
    if (!text.isNull()) writeWholeFile(path, text);
    return path;
}

} // namespace

class TestPrefs : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedBoxes> m_boxes;

private slots:
    void initTestCase() {
        if (S().cmbMinOrSecs->count() == 0) S().cmbMinOrSecs->addItems({"Minute(s)", "Seconds"});
    }
    void init() {
        modSupport::iScreenSaverCmd = 0;
        m_boxes = std::make_unique<ScriptedBoxes>(); // no box may wait for a click
    }
    void cleanup() { m_boxes.reset(); }

    void emptyStoresGiveEachReadersDefaults() {
        TestEnv env;
        setAll(false);
        rt::setOptionValue(S().optRunCommand[2], true);
        rt::setTag(&CorvisentMain::instance(), "1");
        modPrefs::LoadPrefs();
        const QString logs = "lblLogDirectory=" + env.appDir() + "/logfiles";
        expectFields(
            "txtXMaxThresh=1; txtXMinThresh=-1; txtYMaxThresh=1; txtYMinThresh=-1; "
            "txtMaxDistanceThresh=100; txtMinDistanceThresh=30; txtReadingInterval=30; "
            "sliderInterval=30; txtBinaryInterval=500; txtPrefaceFiles=_; txtMaxFileSize=1000; "
            "txtHDDTotalAmount=10000; chkOutOfRangeAlert=1; optUseMAPI=0; optionPhonePager=0; "
            "cmbMinOrSecs=Minute(s); txtEmailAddr=; chkInclude(2)=1; txtNumToCall= ; comboAvailCom=1; "
            "lblIndexRefreshRate=20; txtPassword=scrambled; txtInterval=10; "
            "sliderInternetUpdateInterval=10; optStayConnected=0; txtTitleforUpdatePage=Location#1; "
            "txtXMLDirectory=" + QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            "/corvisent-manager/status; chkPageAlert(0)=0; chkOnScreenOnProx(3)=0; txtDelayEventAway(1)=0; "
            "lblCommandOnProx(4)=Path not set; lblUpParams(2)=" +
            ("; " + logs));
        QVERIFY(rt::optionValue(S().optRunCommand[2])); // no stored action: the panel keeps its state
        QCOMPARE(Inet().lblPasswordSetStatus->text(), QString("(Password is not set)"));
        QCOMPARE(rt::tag(&CorvisentMain::instance()), QString("0"));

        // A missing INI file: the mirror's own defaults; no stored action means none.
        setAll(false);
        writeIniFile(env, QByteArray());
        modIni::LoadSettingsINI();
        expectFields("txtXMinThresh=0; chkOutOfRangeAlert=0; txtHDDTotalAmount=1000; txtTempMax=80; "
                     "txtHumidMin=20; optCorF=0; optUseMAPI=0; txtDelayEventAway(2)=10; chkInclude(1)=0; "
                     "txtSMTPHostServer=; txtInterval=10; txtNumToCall=" +
                     ("; " + logs));
        for (int i = 1; i <= 4; ++i)
            QVERIFY(rt::optionValue(S().optSysCommandDisabled[i]));
    }

    void everyPreferenceRoundTripsThroughTheTree() {
        TestEnv env;
        runSaveReload({[] { setAll(true); }, [] { setAll(false); }, [] { return snapshot(Tree); },
                       [] {
                           modPrefs::SavePrefs();
                           saveWindowKeys();
                       },
                       [] { modPrefs::LoadPrefs(); },
                       [] { QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "chkOnScreenProx1"), QString("1")); }});
        QCOMPARE(modSupport::iScreenSaverCmd, 1); // event 4's walk-up command ends in " /s"
        QCOMPARE(Inet().lblPasswordSetStatus->text(), QString("(Password is set)"));
    }

    void everyPreferenceRoundTripsThroughTheIniFile() {
        TestEnv env;
        const QString path = writeIniFile(env, QByteArray());
        modSupport::strINIPath = modIni::IniPathFromMachine();
        runSaveReload({[] { setAll(true); },
                       [] {
                           setAll(false);
                           modSupport::strINIPath = "elsewhere.ini";
                       },
                       [] { return snapshot(Ini); }, [] { modIni::SaveSettingsINI(); },
                       [] { modIni::LoadSettingsINI(); }, {}});
        QCOMPARE(modSupport::strINIPath, path);
        QCOMPARE(modSupport::iScreenSaverCmd, 1);
    }

    void oddTreeValuesFallBackPerKey() {
        TestEnv env;
        auto& s = S();
        setAll(false);
        rt::setOptionValue(s.optUseMAPI, true);
        rt::setOptionValue(s.optionNumericalPager, true);
        writeTree(
            "\"CheckRange\"=\"5\"\r\n\"ReadingInterval\"=\"abc\"\r\n\"optUseSMTP\"=\"True\"\r\n"
            "\"optionNumeric\"=\"x\"\r\n\"IncludeName\"=\"7\"\r\n\"optRunCommand2\"=\"2\"\r\n"
            "\"ProximityRunCommandApproach2\"=\"C:\\\\x.scr /S\"\r\n"
            "\"optSysCommandDisabled3\"=\"1\"\r\n\"optRunCommand3\"=\"1\"\r\n"
            "\"optRunCommand4\"=\"1\"\r\n\"ProximityRunCommandApproach4\"=\"/home/s/bin/run\"\r\n"
            "\"ProximityRunCommand4\"=\"/usr/lib/saver /s\"\r\n"
            "\"optLogoutOnProximity1\"=\"abc\"\r\n\"chkOnScreenProx1\"=\"2\"\r\n"
            "\"chkOnScreenOnProx2\"=\"1\"\r\n\"chkUseAlerts\"=\"1\"\r\n\"chkLocalMonitoring\"=\"1\"\r\n",
            "\"PW\"=\" "
            "\"\r\n\"SeeMessages\"=\"1x\"\r\n\"InternetInterval\"=\"45\"\r\n\"optStayConnected\"="
            "\"maybe\"\r\n");
        {
            modSupport::LoadGuard quiet; // the boxes' own handlers would store over the tree
            rt::setValue(s.chkOnScreenOnProx[1], 1);
            rt::setValue(s.chkOnScreenOnProx[2], 0);
        }
        modPrefs::LoadPrefs();
        expectFields("chkOutOfRangeAlert=1; txtReadingInterval=30; sliderInterval=30; optUseMAPI=1; "
                     "optionPhonePager=0; chkInclude(2)=1; action(3)=0; action(4)=1; action(1)=0; "
                     "chkOnScreenOnProx(1)=1; chkOnScreenOnProx(2)=0; chkUseAlerts=1; chkLocalMonitoring=1; "
                     "chkSeeMessages=1; txtInterval=10; optStayConnected=0");
        QVERIFY(rt::optionValue(s.optRunCommand[2]));
        QCOMPARE(rt::tag(s.optRunCommand[2]), QString("1"));
        // Neither "/S" nor a "/s" inside a path; a walk-away screen saver does not count here.
        QCOMPARE(modSupport::iScreenSaverCmd, 0);
        // The keys after the bad ones were still loaded and the interval applied.
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "MinOrSecs"), QString("Min"));
        auto& w = Inet();
        QCOMPARE(w.lblPasswordSetStatus->text(), QString("(Password is not set)"));

        writeTree("\"optionNumeric\"=\"0\"\r\n", "\"PW\"=\"  \"\r\n");
        modPrefs::LoadPrefs();
        QVERIFY(!rt::optionValue(s.optionNumericalPager));
        QCOMPARE(w.txtPassword->text(), QString("  "));
        QCOMPARE(w.lblPasswordSetStatus->text(), QString("(Password is set)"));
    }

    void oddIniValuesFallBackPerKey() {
        TestEnv env;
        auto& s = S();
        setAll(false);
        ScriptedBoxes script;
        writeIniFile(env, "[Sensor Setup]\r\nReadingInterval=abc\r\nCheckRange=abc\r\noptUseSMTP=0\r\nchkUseAlerts=1\r\n"
                          "optSysCommandDisabled2=1\r\noptLogoutOnProximity2=1\r\n"
                          "optSysCommandDisabled3=0\r\noptRunCommand3=1\r\n"
                          "ProximityRunCommand3=/usr/lib/xscreensaver/saver /s\r\n"
                          "[Internet Update Setup]\r\nInternetInterval=15\r\n");
        modIni::LoadSettingsINI();
        QCOMPARE(script.prompts(), QStringList{"Type mismatch"});
        expectFields(
            "txtReadingInterval=30; chkOutOfRangeAlert=0; optUseMAPI=1; chkUseAlerts=1; action(1)=0; action(2)=0; action(3)=1; "
            "action(4)=0; txtInterval=15; sliderInternetUpdateInterval=15; txtPassword=scrambled");
        for (int i : {1, 2, 4})
            QVERIFY2(rt::optionValue(s.optSysCommandDisabled[i]), qPrintable(QString::number(i)));
        QCOMPARE(modSupport::iScreenSaverCmd, 1);
        QCOMPARE(Inet().lblPasswordSetStatus->text(), QString("(Password is not set)"));

        // No machine value: the bare name in the settings folder.
        platform::Registry::instance().deleteValue(platform::Hive::LocalMachine, modRegistry::kMachineKey,
                                                   "INIPath");
        modIni::LoadSettingsINI();
        QCOMPARE(modSupport::strINIPath, QString("corvisent.ini"));
    }

    void loadsStoreNothingThroughHandlers() {
        TestEnv env;
        setAll(false);
        writeTree("\"chkPlaceInStartup\"=\"1\"\r\n\"chkOnScreenProx1\"=\"1\"\r\n\"optSysCommandDisabled1\"="
                  "\"1\"\r\n");
        modPrefs::LoadPrefs();
        QCOMPARE(rt::value(S().chkPlaceInStartup), 1);
        // Only what the load itself stores: the applied interval and the local-directory switch.
        QCOMPARE(storedNames(), (QStringList{"BinaryInterval", "chkOnScreenProx1", "chkPlaceInStartup",
                                             "MinOrSecs", "optSysCommandDisabled1"}));
        QVERIFY(!QFile::exists(modRegistry::AutostartEntryPath()));

        TestEnv fresh;
        setAll(false);
        writeIniFile(fresh,
                     "[Sensor Setup]\r\nchkPlaceInStartup=1\r\nchkOnScreenOnProx1=1\r\nchkUseAlerts=1\r\n");
        modIni::LoadSettingsINI();
        QCOMPARE(storedNames(), (QStringList{"BinaryInterval", "MinOrSecs"}));
        QVERIFY(!QFile::exists(modRegistry::AutostartEntryPath()));
    }

    void errorLogAndUnwritableFile() {
        TestEnv env;
        modSupport::strINIPath = writeIniFile(env, QByteArray());
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 2)));
        modIni::IniErrorLog(":334", "cmdConnectSensor Error: Port already open"); // replaced by the next
        modIni::IniErrorLog(":334", "cmdConnectSensor Error: Invalid port number");
        modIni::IniErrorLog(":13", "CheckTThresh:Error");
        rt::Clock::reset();
        QCOMPARE(QString::fromLatin1(readWholeFile(modSupport::strINIPath)),
                 QString("[Logging]\r\n4:08:02 PM:334=cmdConnectSensor Error: Invalid port number\r\n"
                         "4:08:02 PM:13=CheckTThresh:Error\r\n"));

        // A save that cannot write says so.
        QVERIFY(writeWholeFile(env.appDir() + "/plain-file", "x"));
        modSupport::strINIPath = env.appDir() + "/plain-file/corvisent.ini";
        ScriptedBoxes script;
        modIni::SaveSettingsINI();
        QCOMPARE(script.prompts(), QStringList{"Path/File access error"});

        // A full disk refuses the writes that make the file grow; the save still tries every key
        // (a later one that shortens the file goes in) and reports once.
        modSupport::strINIPath = writeIniFile(env, "[Internet Update Setup]\r\nServerName=" + QByteArray(300, 'x') + "\r\n");
        Inet().txtFTPURL->setText("ftp.example");
        script.clear();
        signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 500;
        setrlimit(RLIMIT_FSIZE, &small);
        modIni::SaveSettingsINI();
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(script.prompts(), QStringList{"Path/File access error"});
        QCOMPARE(modIni::ReadIni(modIni::kInternetUpdateSetup, "ServerName", ""), QString("ftp.example"));
    }

    void cleanOutErasesTheTree() {
        TestEnv env;
        for (int row : {1, 2, 10})
            platform::SaveSetting("Corvisent Manager", QString("PortConfig\\Devices\\%1").arg(row),
                                  "DeviceType", "x");
        modPrefs::SavePref(modPrefs::kProgramSetup, "TotalDevices", "3");
        modPrefs::SavePref(modPrefs::kInternetSetup, "PW", "pw");
        modPrefs::SavePref("Program Setup\\Prox2", "chkCamMon", "1");
        modPrefs::SavePref("Camera Setup\\1", "MonitorOnly", "1");
        ScriptedBoxes script;
        modPrefs::CleanOutRegistry();
        QVERIFY(script.prompts().first().startsWith("Success."));
        auto& reg = platform::Registry::instance();
        QCOMPARE(reg.subKeys(platform::Hive::CurrentUser, modPrefs::kTreeKey), QStringList{"Camera Setup"});
        QCOMPARE(modPrefs::GetPref(modPrefs::kInternetSetup, "PW", "gone"), QString("gone"));

        modPrefs::CleanOutRegistry(); // nothing left to erase: still a success
        QCOMPARE(script.prompts(), QStringList(2, script.prompts().first()));
    }
};

QTEST_MAIN(TestPrefs)
#include "tst_prefs.moc"
