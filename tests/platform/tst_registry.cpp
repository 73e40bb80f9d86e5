#include <QDir>
#include <QFile>
#include <QtTest>

#include "platform/registry.h"
#include "support/testenv.h"

using namespace platform;

namespace {
Registry& reg() {
    return Registry::instance();
}

const QString kSettings = QStringLiteral("Software\\VB and VBA Program Settings\\Corvisent Manager");

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
private slots:
    void handWrittenFileRoundTrips();
    void textIsStoredAsUtf8();
    void keysAndNames();
    void savesAtomicallyAndReloads();
    void damagedFileIsReportedAndKeptAside();
    void settingsSavedReadCaseBlindAndDeletedByKeyOrSection();
};

// A file as a registry export would hold it: expandable string in UTF-16LE, a REG_SZ with an
// embedded NUL, one without its NUL, a binary value continued over two lines.
void TestRegistry::handWrittenFileRoundTrips() {
    TestEnv env;
    const QString file = reg().filePath(Hive::LocalMachine);
    QVERIFY(writeWholeFile(
        file, "Windows Registry Editor Version 5.00\r\n\r\n"
              "; hand written\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvisent Manager]\r\n"
              "\"INIPath\"=hex(2):25,00,41,00,50,00,50,00,25,00,5c,00,63,00,2e,00,69,00,6e,00,\\\r\n"
              "  69,00,00,00\r\n"
              "\"Autologout\"=\"1\"\r\n"
              "\"Cut\"=hex(1):61,00,00,00,62,00,00,00\r\n"
              "\"NoNul\"=hex(1):61,00,62,00\r\n"
              "@=\"C:\\\\Monitor \\\"x\\\"\"\r\n"
              "\"Count\"=dword:0000000a\r\n"
              "\"ComDB\"=hex:01,02,\\\r\n  ff\r\n"
              "\"Odd\"=hex(b):01,02,03,04,05,06,07,08\r\n"
              "\"Accent\"=\"caf\xc3\xa9\"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Updates\\Windows XP]\r\n"));

    auto check = [&] {
        const QString key = QStringLiteral("SOFTWARE\\Corvisent Manager");
        QCOMPARE(reg().errorText(), QString());
        auto ini = reg().value(Hive::LocalMachine, key, "INIPath");
        QCOMPARE(ini->type, int(REG_EXPAND_SZ));
        QCOMPARE(ini->data, QByteArray("%APP%\\c.ini", 12));
        QVERIFY(!Registry::stringOf(*ini)); // only REG_SZ reads as text

        auto cut = reg().value(Hive::LocalMachine, key, "Cut");
        QCOMPARE(cut->data, QByteArray("a\0b\0", 4));
        QCOMPARE(Registry::stringOf(*cut), QString("a"));
        QCOMPARE(Registry::stringOf(*reg().value(Hive::LocalMachine, key, "NoNul")), QString("ab"));

        QCOMPARE(Registry::stringOf(*reg().value(Hive::LocalMachine, key, "")), QString("C:\\Monitor \"x\""));
        QCOMPARE(reg().value(Hive::LocalMachine, key, "Count")->data, QByteArray("\x0a\0\0\0", 4));
        QCOMPARE(reg().value(Hive::LocalMachine, key, "ComDB")->data, QByteArray("\x01\x02\xff"));
        QCOMPARE(reg().value(Hive::LocalMachine, key, "Odd")->type, 0xb);
        QCOMPARE(Registry::stringOf(*reg().value(Hive::LocalMachine, key, "Accent")), QString("caf\u00e9"));
        QCOMPARE(
            reg().valueNames(Hive::LocalMachine, key),
            QStringList({"INIPath", "Autologout", "Cut", "NoNul", "", "Count", "ComDB", "Odd", "Accent"}));
        QVERIFY(reg().keyExists(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Updates\\Windows XP\\"));
    };
    check();
    // Writing forces the whole hive out in our own spelling; reading it back gives the same.
    QCOMPARE(reg().setString(Hive::LocalMachine, "SOFTWARE\\Other", "x", "y"), long(ERROR_SUCCESS));
    reg().reload();
    check();
    QVERIFY(QString::fromUtf8(readWholeFile(file)).contains("\"Accent\"=\"caf\u00e9\""));
}

// Text that is not Latin-1 is stored as UTF-8 and read back whole, quoted and in the hex forms; a
// hive written before in single-byte text reads as it did.
void TestRegistry::textIsStoredAsUtf8() {
    TestEnv env;
    const QString folder = QString::fromUtf8("/home/\u0141ukasz/\u65e5\u672c");
    QCOMPARE(reg().setString(Hive::CurrentUser, "Software\\Test", "logdir", folder), long(ERROR_SUCCESS));
    QCOMPARE(reg().setString(Hive::CurrentUser, "Software\\Test", "multi", folder, REG_MULTI_SZ),
             long(ERROR_SUCCESS));
    reg().reload();
    QCOMPARE(Registry::stringOf(*reg().value(Hive::CurrentUser, "Software\\Test", "logdir")), folder);
    QCOMPARE(reg().value(Hive::CurrentUser, "Software\\Test", "multi")->data, folder.toUtf8() + '\0');
    QVERIFY(readWholeFile(reg().filePath(Hive::CurrentUser)).contains("\"logdir\"=\"" + folder.toUtf8() + "\""));

    // Each value is read by its own bytes: one single-byte value leaves the UTF-8 ones whole.
    QVERIFY(writeWholeFile(reg().filePath(Hive::LocalMachine), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
                                                                "\"Old\"=\"caf\xe9\"\r\n\"New\"=\"caf\xc3\xa9\"\r\n"));
    reg().reload();
    QCOMPARE(Registry::stringOf(*reg().value(Hive::LocalMachine, "SOFTWARE", "Old")), QString::fromUtf8("caf\u00e9"));
    QCOMPARE(Registry::stringOf(*reg().value(Hive::LocalMachine, "SOFTWARE", "New")), QString::fromUtf8("caf\u00e9"));
}

// Names keep their case and compare without it; a trailing "\\" names the same key; deleting a key
// takes its subkeys; the hives are separate.
void TestRegistry::keysAndNames() {
    TestEnv env;
    const QString cams = "Software\\Zovir Izovezo\\Camera Info";
    QCOMPARE(reg().createKey(Hive::CurrentUser, cams + "\\"), long(ERROR_SUCCESS));
    reg().setString(Hive::CurrentUser, "software\\ZOVIR IZOVEZO\\camera info\\2", "Name", "cam two");
    reg().setString(Hive::CurrentUser, cams + "\\1", "Name", "cam one");
    reg().setString(Hive::CurrentUser, cams + "\\1", "NAME", "renamed");
    reg().setString(Hive::CurrentUser, cams + "\\1\\Deep", "x", "1");

    QCOMPARE(reg().subKeys(Hive::CurrentUser, "SOFTWARE\\zovir izovezo\\CAMERA INFO"),
             QStringList({"2", "1"}));
    QCOMPARE(reg().valueNames(Hive::CurrentUser, "software\\zovir izovezo\\camera info\\1\\"),
             QStringList({"Name"}));
    QCOMPARE(Registry::stringOf(*reg().value(Hive::CurrentUser, cams + "\\1", "name")), QString("renamed"));
    QVERIFY(!reg().keyExists(Hive::LocalMachine, "Software\\Zovir Izovezo"));

    QCOMPARE(reg().deleteKey(Hive::CurrentUser, cams + "\\1\\"), long(ERROR_SUCCESS));
    QCOMPARE(reg().deleteKey(Hive::CurrentUser, cams + "\\1"), long(ERROR_FILE_NOT_FOUND));
    QCOMPARE(reg().deleteKey(Hive::CurrentUser, "\\"), long(ERROR_ACCESS_DENIED));
    reg().reload(); // the deletion reached the file
    QCOMPARE(reg().subKeys(Hive::CurrentUser, cams), QStringList({"2"}));
}

void TestRegistry::savesAtomicallyAndReloads() {
    TestEnv env;
    const QString dir = reg().folder();
    for (int i = 0; i < 20; ++i)
        reg().setString(Hive::CurrentUser, "Software\\Test", QString("v%1").arg(i), QString::number(i));
    reg().setValue(Hive::LocalMachine, "SYSTEM\\Empty", "bin", RegValue{REG_BINARY, QByteArray()});
    reg().createKey(Hive::LocalMachine, "SYSTEM\\Empty\\Child");
    reg().setString(Hive::LocalMachine, "SYSTEM", "line", "two\r\nlines");

    // Only the two hive files: no temporary file left behind.
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden),
             QStringList({"HKEY_CURRENT_USER.reg", "HKEY_LOCAL_MACHINE.reg"}));
    QVERIFY(readWholeFile(reg().filePath(Hive::CurrentUser))
                .startsWith("Windows Registry Editor Version 5.00\n"));
    // Only the owner reads the settings (they hold passwords), also after a file was opened up.
    const auto owner = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    QCOMPARE(QFile::permissions(dir) & ~owner, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(reg().filePath(Hive::CurrentUser), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    reg().setString(Hive::CurrentUser, "Software\\Test", "pw", "secret");
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine})
        QCOMPARE(QFile::permissions(reg().filePath(hive)) & ~owner, QFile::ReadOwner | QFile::WriteOwner);

    reg().reload();
    QCOMPARE(reg().valueNames(Hive::CurrentUser, "Software\\Test").size(), 21);
    QVERIFY(reg().value(Hive::LocalMachine, "SYSTEM\\Empty", "bin")->data.isEmpty());
    QVERIFY(reg().keyExists(Hive::LocalMachine, "SYSTEM\\Empty\\Child"));
    QCOMPARE(Registry::stringOf(*reg().value(Hive::LocalMachine, "SYSTEM", "line")), QString("two\r\nlines"));
}

void TestRegistry::damagedFileIsReportedAndKeptAside() {
    TestEnv env;
    const QString file = reg().filePath(Hive::CurrentUser);
    const QByteArray damaged = "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Keep]\n"
                               "\"good\"=\"1\"\n"
                               "\"torn\"=hex:0g,\n"
                               "[HKEY_CURRENT_USER\\Software\\Keep\n";
    QVERIFY(writeWholeFile(file, damaged));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("damaged.*line 5"));
    QCOMPARE(GetSetting("x", "y", "z", "dflt"), QString("dflt"));
    QVERIFY(reg().errorText().contains("HKEY_CURRENT_USER.reg"));
    // What could be read is there; reading wrote nothing.
    QCOMPARE(Registry::stringOf(*reg().value(Hive::CurrentUser, "Software\\Keep", "good")), QString("1"));
    QCOMPARE(readWholeFile(file), damaged);

    // The first save keeps the damaged file under another name before writing a sound one.
    QCOMPARE(reg().setString(Hive::CurrentUser, "Software\\Keep", "new", "2"), long(ERROR_SUCCESS));
    const QStringList aside = QDir(reg().folder()).entryList({"HKEY_CURRENT_USER.reg.bad-*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readWholeFile(reg().folder() + "/" + aside.first()), damaged);
    reg().reload();
    QCOMPARE(reg().errorText(), QString());
    QCOMPARE(reg().valueNames(Hive::CurrentUser, "Software\\Keep"), QStringList({"good", "new"}));

    // A file that is not a registry export at all stays as it is when the save cannot move it.
    QVERIFY(writeWholeFile(reg().filePath(Hive::LocalMachine), "garbage"));
    reg().reload();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not a registry file"));
    QVERIFY(!reg().keyExists(Hive::LocalMachine, "x"));
    QFile::setPermissions(reg().folder(), QFile::ReadOwner | QFile::ExeOwner);
    const bool folderLocked = !QFile(reg().folder() + "/probe").open(QIODevice::WriteOnly);
    if (folderLocked) { // not when the tests run with root's rights
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot keep the damaged"));
        QCOMPARE(reg().setString(Hive::LocalMachine, "x", "y", "z"), long(ERROR_ACCESS_DENIED));
        QCOMPARE(readWholeFile(reg().filePath(Hive::LocalMachine)), QByteArray("garbage"));
    }
    QFile::setPermissions(reg().folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(reg().folder() + "/probe");
    QCOMPARE(reg().setString(Hive::LocalMachine, "x", "y", "z"), long(ERROR_SUCCESS));
    QCOMPARE(QDir(reg().folder()).entryList({"HKEY_LOCAL_MACHINE.reg.bad-*"}, QDir::Files).size(), 1);
}

void TestRegistry::settingsSavedReadCaseBlindAndDeletedByKeyOrSection() {
    TestEnv env;
    const QString app = "Corvisent Manager";
    QCOMPARE(GetSetting(app, "Program Setup", "TempMax", "80"), QString("80"));
    SaveSetting(app, "Program Setup\\", "TempMax", "75");
    SaveSetting(app, "PortConfig\\Devices\\3", "DriverName", "Cam");
    SaveSetting(app, "PortConfig\\Devices\\3\\", "Name", "Porch");
    SaveSetting(app, "Program Setup\\Internet Setup", "PW", "secret");
    QCOMPARE(GetSetting(app, "program setup", "tempmax", "80"), QString("75"));
    QCOMPARE(GetSetting(app, "Program Setup\\Internet Setup\\", "pw"), QString("secret"));

    // A value that is not a string reads as missing.
    reg().setValue(Hive::CurrentUser, kSettings + "\\Program Setup", "Count",
                   RegValue{REG_DWORD, QByteArray(4, '\1')});
    reg().setString(Hive::CurrentUser, kSettings + "\\Program Setup", "Expand", "%x%", REG_EXPAND_SZ);
    QCOMPARE(GetSetting(app, "Program Setup", "Count", "d"), QString("d"));
    QCOMPARE(GetSetting(app, "Program Setup", "Expand", "d"), QString("d"));

    DeleteSetting(app, "Program Setup", "TEMPMAX");
    QCOMPARE(GetSetting(app, "Program Setup", "TempMax", "80"), QString("80"));
    DeleteSetting(app, "PortConfig\\Devices\\3", "NoSuchKey"); // passed over quietly
    DeleteSetting(app, "PortConfig");
    QVERIFY(!reg().keyExists(Hive::CurrentUser, kSettings + "\\PortConfig"));
    QCOMPARE(GetSetting(app, "Program Setup\\Internet Setup", "PW"), QString("secret"));
    DeleteSetting(app, "Program Setup");
    DeleteSetting(app, "Program Setup"); // already gone: nothing happens
    reg().reload();
    QCOMPARE(reg().subKeys(Hive::CurrentUser, kSettings), QStringList());
}


QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
