#include <QDir>
#include <QFile>
#include <QtTest>

#include "platform/ini.h"
#include "platform/registry.h"
#include "support/testenv.h"

using namespace platform;

class TestIni : public QObject {
    Q_OBJECT
private slots:
    void readsWithWidthsAndDefaults();
    void namesAreCaseInsensitiveFirstMatchWins();
    void writeKeepsTheRestOfTheFile();
    void createsFileAndSectionsAndDeletes();
    void bareNamesLiveInTheSettingsFolder();
};

void TestIni::readsWithWidthsAndDefaults() {
    TestEnv env;
    const QString file = env.appDir() + "/prefs.ini";
    QVERIFY(writeWholeFile(file, "[Sensor Setup]\r\n"
                                 "HDDTotalAmount=10000\r\n"
                                 "  PrefaceFiles =  abcdefg  \r\n"
                                 "Quoted=\"  spaced  \"\r\n"
                                 "Single='x'\r\n"
                                 "Unpaired=\"x\r\n"
                                 "Empty=\r\n"
                                 "logdir=/home/u/\xe9t\xe9\r\n"
                                 "; Commented=1\r\n"
                                 "NoEquals\r\n"));
    auto get = [&](const char* key, const QString& dflt, int width) {
        return GetPrivateProfileString("Sensor Setup", key, dflt, width, file);
    };
    QCOMPARE(get("HDDTotalAmount", "1000", 5), QString("1000"));
    QCOMPARE(get("HDDTotalAmount", "1000", 32768), QString("10000"));
    QCOMPARE(get("HDDTotalAmount", "1000", 1), QString());
    QCOMPARE(get("PrefaceFiles", "_", 5), QString("abcd"));
    QCOMPARE(get("Quoted", "", 64), QString("  spaced  "));
    QCOMPARE(get("Single", "", 64), QString("x"));
    QCOMPARE(get("Unpaired", "", 64), QString("\"x"));
    QCOMPARE(get("Empty", "d", 64), QString());
    QCOMPARE(get("logdir", "0", 256), QString("/home/u/\u00e9t\u00e9"));
    // Comments and lines without "=" are not keys.
    QCOMPARE(get("; Commented", "d", 64), QString("d"));
    QCOMPARE(get("NoEquals", "d", 64), QString("d"));

    // Defaults lose their trailing blanks and are cut like values.
    QCOMPARE(get("Missing", " ", 32), QString());
    QCOMPARE(get("Missing", "  C:\\  ", 32), QString("  C:\\"));
    QCOMPARE(get("Missing", "Path not set", 5), QString("Path"));
    QCOMPARE(GetPrivateProfileString("No Section", "HDDTotalAmount", "1000", 5, file), QString("1000"));
    QCOMPARE(GetPrivateProfileString("Sensor Setup", "HDDTotalAmount", "1 ", 5, env.appDir() + "/none.ini"),
             QString("1"));
}

void TestIni::namesAreCaseInsensitiveFirstMatchWins() {
    TestEnv env;
    const QString file = env.appDir() + "/c.ini";
    QVERIFY(writeWholeFile(file, "[Device Setup\\1]\n"
                                 "Name=first\n"
                                 "NAME=second\n"
                                 "[ device setup\\1 ]\n"
                                 "name=third\n"
                                 "Port=4\n"
                                 "[Other]\n"
                                 "Port=9\n"));
    QCOMPARE(GetPrivateProfileString("DEVICE SETUP\\1", "name", "", 64, file), QString("first"));
    QCOMPARE(GetPrivateProfileString("device setup\\1", "PORT", "", 64, file), QString("4"));

    // Writing changes the line that reading finds, keeping the name's spelling in the file.
    QVERIFY(WritePrivateProfileString("device SETUP\\1", "nAmE", "changed", file));
    QVERIFY(WritePrivateProfileString("device setup\\1", "port", "5", file));
    QCOMPARE(readWholeFile(file), QByteArray("[Device Setup\\1]\n"
                                             "Name=changed\n"
                                             "NAME=second\n"
                                             "[ device setup\\1 ]\n"
                                             "name=third\n"
                                             "Port=5\n"
                                             "[Other]\n"
                                             "Port=9\n"));
}

void TestIni::writeKeepsTheRestOfTheFile() {
    TestEnv env;
    const QString file = env.appDir() + "/keep.ini";
    QVERIFY(writeWholeFile(file, "; settings\r\n"
                                 "[Sensor Setup]\r\n"
                                 "TempMax = 80\r\n"
                                 "\r\n"
                                 "[Logging]\r\n"
                                 "10:00:00:010=FormLoadError"));
    QVERIFY(WritePrivateProfileString("Sensor Setup", "TempMax", "90", file));
    QVERIFY(WritePrivateProfileString("Sensor Setup", "TempMin", "40", file));
    QVERIFY(WritePrivateProfileString("Logging", "10:00:05:13", "CheckTThresh:Error", file));
    QVERIFY(WritePrivateProfileString("Logging", "10:00:05:13", "CheckTThresh:Error", file));
    QVERIFY(WritePrivateProfileString("Email Alert Setup", "EmailAddress", "a@b.c\r\nInjected=1", file));
    QCOMPARE(readWholeFile(file), QByteArray("; settings\r\n"
                                             "[Sensor Setup]\r\n"
                                             "TempMax=90\r\n"
                                             "TempMin=40\r\n"
                                             "\r\n"
                                             "[Logging]\r\n"
                                             "10:00:00:010=FormLoadError\r\n"
                                             "10:00:05:13=CheckTThresh:Error\r\n"
                                             "[Email Alert Setup]\r\n"
                                             "EmailAddress=a@b.c  Injected=1\r\n"));
    // The file was replaced whole: nothing else is left in its folder.
    QCOMPARE(QDir(env.appDir()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.ini"}));

    // Files with LF line ends keep them; text outside Latin-1 cannot be stored and becomes "?".
    QVERIFY(writeWholeFile(file, "[A]\nx=1\n"));
    QVERIFY(WritePrivateProfileString("A", "y", "caf\u00e9 \u20ac", file));
    QCOMPARE(readWholeFile(file), QByteArray("[A]\nx=1\ny=caf\xe9 ?\n"));
}

void TestIni::createsFileAndSectionsAndDeletes() {
    TestEnv env;
    const QString file = env.appDir() + "/new.ini";
    QVERIFY(WritePrivateProfileString("Sensor Setup", "XMaxThresh", "1", file));
    QVERIFY(WritePrivateProfileString("Sensor Setup", "XMinThresh", "0", file));
    QVERIFY(WritePrivateProfileString("Device Setup", "TotalDevices", "1", file));
    QCOMPARE(
        readWholeFile(file),
        QByteArray("[Sensor Setup]\r\nXMaxThresh=1\r\nXMinThresh=0\r\n[Device Setup]\r\nTotalDevices=1\r\n"));
    QCOMPARE(GetPrivateProfileString("Sensor Setup", "XMinThresh", "9", 5, file), QString("0"));

    // A null value removes the key, a null key the section; removing what is not there is fine.
    QVERIFY(WritePrivateProfileString("Sensor Setup", "XMaxThresh", QString(), file));
    QVERIFY(WritePrivateProfileString("Device Setup", QString(), QString(), file));
    QCOMPARE(readWholeFile(file), QByteArray("[Sensor Setup]\r\nXMinThresh=0\r\n"));
    // An empty value is a value.
    QVERIFY(WritePrivateProfileString("Sensor Setup", "XMinThresh", "", file));
    QCOMPARE(GetPrivateProfileString("Sensor Setup", "XMinThresh", "9", 5, file), QString());

    // A file in a folder that does not exist is not written; neither is a read-only file.
    QVERIFY(!WritePrivateProfileString("A", "b", "c", env.appDir() + "/nowhere/x.ini"));
    QVERIFY(!QFileInfo::exists(env.appDir() + "/nowhere"));
    QFile::setPermissions(file, QFile::ReadOwner);
    if (!QFileInfo(file).isWritable()) { // root may write anyway
        QVERIFY(!WritePrivateProfileString("Sensor Setup", "XMinThresh", "5", file));
        QCOMPARE(readWholeFile(file), QByteArray("[Sensor Setup]\r\nXMinThresh=\r\n"));
    }
}

void TestIni::bareNamesLiveInTheSettingsFolder() {
    TestEnv env;
    const QString folder = Registry::instance().folder();
    QCOMPARE(iniFilePath("corvisent.ini"), folder + "/corvisent.ini");
    QCOMPARE(iniFilePath("/srv/cv/settings.ini"), QString("/srv/cv/settings.ini"));
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(WritePrivateProfileString("Logging", "12:00:00:010", "FormLoadError", "corvisent.ini"));
    QCOMPARE(readWholeFile(folder + "/corvisent.ini"),
             QByteArray("[Logging]\r\n12:00:00:010=FormLoadError\r\n"));
    QCOMPARE(GetPrivateProfileString("logging", "12:00:00:010", "", 64, "corvisent.ini"),
             QString("FormLoadError"));
}

QTEST_MAIN(TestIni)
#include "tst_ini.moc"
