#include <QProcess>
#include <QtTest>

#include "runtime/appdir.h"
#include "runtime/error.h"
#include "settings/modPrefs.h"
#include "settings/setupkeys.h"

// The names, sections and defaults that users' stored settings trees and settings files were
// written with, typed out here rather than taken from the program's own table, so that a key
// renamed, moved or given another default there fails.
namespace {

using namespace settingsvalues;

// Stands for the program's log folder and for the status files' folder.
const char* const kLogs = "<logs>";
const char* const kStatus = "<status>";

struct Pinned {
    const char* key; // as the table names it
    int n;           // the number the key is checked with
    const char* stored;
    // nullptr section: the store does not keep the key; nullptr default: no reader reads it.
    const char* treeSection;
    const char* treeDefault;
    const char* iniSection;
    const char* iniDefault;
};

const char* const P = "Program Setup";
const char* const S = "Sensor Setup";
const char* const I = "Program Setup\\Internet Setup";
const char* const E = "Email Alert Setup";
const char* const G = "Page Alert Setup";
const char* const U = "Internet Update Setup";

// clang-format off
const Pinned kPinned[] = {
    {"XMaxThresh", 0, "XMaxThresh", P, "1", S, "1"},
    {"XMinThresh", 0, "XMinThresh", P, "-1", S, "0"},
    {"YMaxThresh", 0, "YMaxThresh", P, "1", S, "1"},
    {"YMinThresh", 0, "YMinThresh", P, "-1", S, "0"},
    {"CheckRange", 0, "CheckRange", P, "1", S, "0"},
    {"MinDistanceThresh", 0, "MinDistanceThresh", P, "30", S, "30"},
    {"MaxDistanceThresh", 0, "MaxDistanceThresh", P, "100", S, "100"},
    {"ReadingInterval", 0, "ReadingInterval", P, "30", S, "30"},
    {"BinaryInterval", 0, "BinaryInterval", P, "500", S, "500"},
    {"chkPageAlert", 6, "chkPageAlert6", P, "0", S, "0"},
    {"chkEmailAlert", 0, "chkEmailAlert0", P, "0", S, "0"},
    {"chkOnScreenAlert", 9, "chkOnScreenAlert9", P, "0", S, "0"},
    {"HDDTotalAmount", 0, "HDDTotalAmount", P, "10000", S, "1000"},
    {"MaxFileSize", 0, "MaxFileSize", P, "1000", S, "1000"},
    {"optUseSMTP", 0, "optUseSMTP", P, "9", S, "1"},
    {"optUseMAPI", 0, "optUseMAPI", P, nullptr, nullptr, nullptr},
    {"TempMax", 0, "TempMax", P, "80", S, "80"},
    {"TempMin", 0, "TempMin", P, "40", S, "40"},
    {"HumidMax", 0, "HumidMax", P, "70", S, "60"},
    {"HumidMin", 0, "HumidMin", P, "20", S, "20"},
    {"ForC", 0, "ForC", P, "", S, "F"},
    {"chkEmailOnProx", 3, "chkEmailOnProx3", P, "0", S, "0"},
    {"chkOnScreenProx", 3, "chkOnScreenProx3", P, "0", nullptr, nullptr},
    {"chkOnScreenOnProx", 3, "chkOnScreenOnProx3", nullptr, nullptr, S, "0"},
    {"PrefaceFiles", 0, "PrefaceFiles", P, "_", S, "_"},
    {"chkCamMon", 2, "chkCamMon", "Program Setup\\Prox2", nullptr, nullptr, nullptr},
    {"chkCamUseProx", 2, "chkCamUseProx", "Program Setup\\Prox2", nullptr, nullptr, nullptr},
    {"chkProxSnapCam", 2, "chkProxSnapCam", "Program Setup\\Prox2", nullptr, nullptr, nullptr},
    {"MonitorOnly", 2, "MonitorOnly", "Camera Setup\\2", nullptr, nullptr, nullptr},
    {"CamUseProxim", 2, "CamUseProxim", "Camera Setup\\2", nullptr, nullptr, nullptr},
    {"chkProximSnapCam", 2, "chkProximSnapCam", P, nullptr, nullptr, nullptr},
    {"DelayEventAway", 1, "DelayEventAway1", P, "0", S, "10"},
    {"DelayEventUp", 1, "DelayEventUp1", P, "0", S, "5"},
    {"lblUpParams", 4, "lblUpParams4", P, "", nullptr, nullptr},
    {"lblAwayParams", 4, "lblAwayParams4", P, "", nullptr, nullptr},
    {"optSysCommandDisabled", 2, "optSysCommandDisabled2", P, "0", S, "1"},
    {"optLogoutOnProximity", 2, "optLogoutOnProximity2", P, "0", S, "0"},
    {"optSystemLock", 2, "optSystemLock2", P, "0", S, "0"},
    {"optRunCommand", 2, "optRunCommand2", P, "0", S, "0"},
    {"ProximityRunCommand", 1, "ProximityRunCommand1", P, "Path not set", S, "Path not set"},
    {"ProximityRunCommandApproach", 1, "ProximityRunCommandApproach1", P, "Path not set", S, "Path not set"},
    {"AutoConnect", 0, "AutoConnect", P, "0", S, "0"},
    {"MinOrSecs", 0, "MinOrSecs", P, "Min", S, "Min"},
    {"chkAlwaysSendAlert", 0, "chkAlwaysSendAlert", P, "0", S, "0"},
    {"chkUseAlerts", 0, "chkUseAlerts", P, "0", S, "0"},
    {"chkLocalMonitoring", 0, "chkLocalMonitoring", P, "0", S, "0"},
    {"CloseFileAfterWrite", 0, "CloseFileAfterWrite", P, "0", nullptr, nullptr},
    {"logdir", 0, "logdir", P, kLogs, S, kLogs},
    {"chkPlaceInStartup", 0, "chkPlaceInStartup", P, "0", S, nullptr},
    {"optionNumeric", 0, "optionNumeric", P, "1", nullptr, nullptr},
    {"optionPhone", 0, "optionPhone", P, "0", nullptr, nullptr},
    {"AutoConnectPrefs", 0, "AutoConnectPrefs", P, nullptr, S, "0"},
    {"EmailAddress", 0, "EmailAddress", P, "", E, " "},
    {"CCEmailAddress", 0, "CCEmailAddress", P, "", E, " "},
    {"IncludeTimeDate", 0, "IncludeTimeDate", P, "1", E, "0"},
    {"IncludeReading", 0, "IncludeReading", P, "1", E, "0"},
    {"IncludeName", 0, "IncludeName", P, "1", E, "0"},
    {"IncludeInSubject", 0, "IncludeInSubject", P, "1", E, "0"},
    {"SMTPHostServer", 0, "SMTPHostServer", P, "", E, " "},
    {"SMTPUserName", 0, "SMTPUserName", P, "", E, " "},
    {"SMTPUserPassword", 0, "SMTPUserPassword", P, "", E, ""},
    {"SMTPFromEmailAddress", 0, "SMTPFromEmailAddress", P, "", E, ""},
    {"chkAuthenticationReq", 0, "chkAuthenticationReq", P, "0", E, "0"},
    {"cmbLoginType", 0, "cmbLoginType", P, "0", nullptr, nullptr},
    {"NumToCall", 0, "NumToCall", P, " ", G, " "},
    {"NumToSend", 0, "NumToSend", P, " ", G, " "},
    {"NumToSendPhone", 0, "NumToSendPhone", P, " ", nullptr, nullptr},
    {"IndexForModem", 0, "IndexForModem", P, "1", nullptr, nullptr},
    {"RemoteDirectory", 0, "RemoteDirectory", I, "", U, " "},
    {"ServerName", 0, "ServerName", I, "", U, " "},
    {"UserName", 0, "UserName", I, "", U, " "},
    {"PW", 0, "PW", I, "", U, " "},
    {"SeeMessages", 0, "SeeMessages", I, "0", U, "0"},
    {"optStayConnected", 0, "optStayConnected", I, "0", U, "0"},
    {"optConnectBeforeSend", 0, "optConnectBeforeSend", I, nullptr, U, "0"},
    {"txtTitleForUpdatePage", 0, "txtTitleForUpdatePage", I, "Location#1", U, " "},
    {"txtXMLDirectory", 0, "txtXMLDirectory", I, kStatus, U, kStatus},
    {"UseDirectory", 0, "UseDirectory", I, "0", U, "0"},
    {"HtmlRefresh", 0, "HtmlRefresh", I, "20", nullptr, nullptr},
    {"InternetInterval", 0, "InternetInterval", I, "10", U, "10"},
    {"chkXMLUseDirectory", 0, "chkXMLUseDirectory", I, nullptr, nullptr, nullptr},
    {"SavedState", 0, "SavedState", P, "Error", nullptr, nullptr},
    {"SensSetTag", 0, "SensSetTag", P, nullptr, nullptr, nullptr},
    {"TotalDevices", 0, "TotalDevices", P, "0", "Device Setup", "00"},
    {"TotalCameras", 0, "TotalCameras", P, "", nullptr, nullptr},
    {"chkSendToSummary", 0, "chkSendToSummary", P, "0", nullptr, nullptr},
    {"ModemInitString", 0, "ModemInitString", P, nullptr, nullptr, nullptr},
    {"AutoStartIUE", 0, "AutoStartIUE", I, "0", nullptr, nullptr},
};
// clang-format on

// The table's row of a key, looked up here so that a missing one is reported, not fatal.
const SetupKey* tableRow(const QString& key) {
    for (const std::span<const SetupKey> rows : {setupKeys(), windowKeys(), stateKeys()})
        for (const SetupKey& row : rows)
            if (key == QLatin1String(row.key)) return &row;
    return nullptr;
}

// What the table says one store does with the key, in the form of the pinned rows.
QString described(const SetupKey& row, int n, Store store) {
    const Use& use = store == Store::Tree ? row.tree : row.ini;
    if (!use.written && !use.read && !use.byHandler) return "(not kept)";
    QString section = sectionOf(row, n, store);
    if (section.endsWith('\\')) section.chop(1); // the same section
    const QString def = use.read || use.def ? defaultOf(row, store) : QString("(not read)");
    return section + " | " + def;
}

QString pinned(const char* section, const char* def) {
    if (!section) return "(not kept)";
    if (!def) return QString(section) + " | (not read)";
    const QString value = def == kLogs ? modPrefs::DefaultLogDir() : def == kStatus ? rt::DefaultXmlDirectory() : def;
    return QString(section) + " | " + value;
}

} // namespace

class TestStoredKeys : public QObject {
    Q_OBJECT
private slots:
    void keyNameSectionAndDefaults_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kPinned)); ++i)
            QTest::newRow(kPinned[i].stored) << i;
    }
    void keyNameSectionAndDefaults() {
        QFETCH(int, index);
        const Pinned& p = kPinned[index];
        const SetupKey* row = tableRow(p.key);
        QVERIFY2(row, "not in the settings table");
        QCOMPARE(keyName(*row, p.n), QString(p.stored));
        QCOMPARE(described(*row, p.n, Store::Tree), pinned(p.treeSection, p.treeDefault));
        QCOMPARE(described(*row, p.n, Store::Ini), pinned(p.iniSection, p.iniDefault));
    }

    // A key added to the table is pinned here too.
    void everyKeyOfTheTableIsPinned() {
        QStringList unpinned;
        for (const std::span<const SetupKey> rows : {setupKeys(), windowKeys(), stateKeys()})
            for (const SetupKey& row : rows)
                if (std::none_of(std::begin(kPinned), std::end(kPinned),
                                 [&](const Pinned& p) { return qstrcmp(p.key, row.key) == 0; }))
                    unpinned << row.key;
        QCOMPARE(unpinned, QStringList());
    }

    // A key the code names that is not in the table ends the test run, even inside a statement
    // whose handler passes over failures. The program runs this test again to see it end.
    void aMistypedKeyEndsTheRun() {
        if (qEnvironmentVariableIsSet("STOREDKEYS_MISTYPED")) {
            rt::passOver([] { readKey(Store::Tree, "SMTPUsername"); });
            try {
                storeFromHandler("chkUseAlert", 0, "1");
            } catch (const std::exception&) {
            }
            return;
        }
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("STOREDKEYS_MISTYPED", "1");
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QCoreApplication::applicationFilePath(), {"aMistypedKeyEndsTheRun"});
        QVERIFY(run.waitForFinished(60000));
        const QByteArray out = run.readAll();
        QVERIFY2(run.exitStatus() == QProcess::CrashExit, out.constData());
        QVERIFY2(out.contains("no setting SMTPUsername"), out.constData());
    }
};

QTEST_MAIN(TestStoredKeys)
#include "tst_storedkeys.moc"
