#include <QCheckBox>
#include <QFile>
#include <QtTest>

#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modRegistry.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/testenv.h"

using namespace modRegistry;
using platform::Registry;

namespace {

void writeMachineHive(const QByteArray& body) {
    QVERIFY(writeWholeFile(Registry::instance().filePath(platform::Hive::LocalMachine),
                           "Windows Registry Editor Version 5.00\r\n\r\n" + body));
    Registry::instance().reload();
}

QString autostartText() {
    return QString::fromUtf8(readWholeFile(AutostartEntryPath()));
}

} // namespace

class TestModRegistry : public QObject {
    Q_OBJECT
private slots:
    void stringReadersTakeOnlyPlainStrings() {
        TestEnv env;
        QCOMPARE(CheckForXP(), short(0));
        QCOMPARE(GetStringFromReg(kMachineKey, kIniPathValue, "dflt"), QString("dflt"));
        writeMachineHive("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvisent Manager]\r\n"
                         "\"INIPath\"=hex(2):63,00,3a,00,5c,00,78,00,00,00\r\n"
                         "\"Autologout\"=\"1\"\r\n\"Number\"=dword:00000001\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Updates\\Windows XP]\r\n");
        QCOMPARE(CheckForXP(), short(1));
        // An expandable string counts as missing.
        QCOMPARE(GetStringFromReg(kMachineKey, kIniPathValue), QString());
        QCOMPARE(GetStringFromReg("software\\corvisent manager\\", "autologout"), QString("1"));
        QCOMPARE(GetStringFromReg(kMachineKey, "Number", "x"), QString("x"));
        QCOMPARE(GetStringFromRegKey(HKEY_CURRENT_USER, kMachineKey, kAutologoutValue, "u"), QString("u"));
    }

    void runValueKeepsTheAutostartEntryInStep() {
        TestEnv env;
        QVERIFY(!DeleteRegValue(kRunKey, kRunValue));

        const QString program = env.appDir() + "/my apps/100% \"new\"/CorvisentMan";
        SaveStringToReg(HKEY_LOCAL_MACHINE, kRunKey + "\\", kRunValue, program);
        QCOMPARE(GetStringFromReg(kRunKey, kRunValue), program);
        const QString entry = autostartText();
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        // Quoted as one argument; quotes escaped, "%" doubled, the backslash escaped once more for
        // the entry's own value syntax.
        QVERIFY2(
            entry.contains("\nExec=\"" + env.appDir() + "/my apps/100%% \\\\\"new\\\\\"/CorvisentMan\"\n"),
            qPrintable(entry));

        // Another value of the Run key is not ours.
        SaveStringToReg(HKEY_LOCAL_MACHINE, kRunKey, "Other", "/bin/true");
        QVERIFY(!autostartText().contains("/bin/true"));

        QVERIFY(DeleteRegValue(kRunKey, "corvisentman"));
        QVERIFY(!QFile::exists(AutostartEntryPath()));
        QCOMPARE(GetStringFromReg(kRunKey, kRunValue, "gone") + GetStringFromReg(kRunKey, "Other"),
                 QString("gone/bin/true"));
    }

    void subkeyListsKeepTheirLastContents() {
        TestEnv env;
        strCamInfoKeys = QStringList{"old"};
        strEnumKeys.clear();
        const QString cams = "Software\\Zovir Izovezo\\Camera Info\\";
        QCOMPARE(EnumRegSubKeys(HKEY_LOCAL_MACHINE, cams, 1), short(0)); // no key
        Registry::instance().createKey(platform::Hive::LocalMachine, cams);
        QCOMPARE(EnumRegSubKeys(HKEY_LOCAL_MACHINE, cams, 1), short(1)); // a key without subkeys
        QCOMPARE(strCamInfoKeys, QStringList{"old"});

        for (const char* k : {"0001", "0000", "0003"})
            Registry::instance().createKey(platform::Hive::LocalMachine, cams + k);
        QCOMPARE(EnumRegSubKeys(HKEY_LOCAL_MACHINE, cams, 1), short(1));
        QCOMPARE(strCamInfoKeys, (QStringList{"0001", "0000", "0003"}));

        QCOMPARE(EnumRegSubKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zovir Izovezo", 2), short(1));
        QCOMPARE(strEnumKeys, QStringList{"Camera Info"});
        QCOMPARE(strCamInfoKeys.size(), 3);
    }

    void binaryValuesFitFourBytes() {
        TestEnv env;
        ScriptedBoxes script;
        QCOMPARE(GetBinaryFromReg("SYSTEM\\Nowhere", "ComDB"), QString());

        writeMachineHive("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter]\r\n"
                         "\"ComDB\"=hex:05,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\\\r\n"
                         "  00,00,00,00,00,00,00,00,00,00,00,00\r\n"
                         "\"Small\"=hex:ff,ff,ff,ff\r\n\"Short\"=hex:0a\r\n");
        const QString arbiter = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
        QCOMPARE(GetBinaryFromReg(arbiter, "Small"), QString("-1"));
        QCOMPARE(GetBinaryFromReg(arbiter, "Short"), QString("10"));
        QCOMPARE(GetBinaryFromReg(arbiter, "Missing"), QString());
        QCOMPARE(script.prompts(), QStringList{"Error in GetBinaryFromReg"}); // for the missing value only

        // The port bit map is wider than the number it is read into.
        script.clear();
        UpdateComDB();
        QCOMPARE(script.prompts(), (QStringList{"Error in GetBinaryFromReg", "Results = "}));
    }

    void cameraDriverNameOnlyWithMultipleCameras() {
        TestEnv env;
        platform::SaveSetting("Corvisent Manager", "PortConfig\\Devices\\3", "DriverName", "Cam Driver 2");
        auto& s = formSensorSetup::instance();
        rt::setValue(s.chkMultiCamEnabled, 0);
        QCOMPARE(GetCurrentCameraDriverName(3), QString());
        rt::setValue(s.chkMultiCamEnabled, 1);
        QCOMPARE(GetCurrentCameraDriverName(3), QString("Cam Driver 2"));
        rt::setValue(s.chkMultiCamEnabled, 0);
    }
};

QTEST_MAIN(TestModRegistry)
#include "tst_modregistry.moc"
