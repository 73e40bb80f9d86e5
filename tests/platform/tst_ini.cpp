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
    void readsWithWidthsAndDefaults() {
        TestEnv env;
        const QString file = env.appDir() + "/prefs.ini";
        QVERIFY(writeWholeFile(file,
                               "[Sensor Setup]\r\nHDDTotalAmount=10000\r\n  PrefaceFiles =  abcdefg  \r\n"
                               "Quoted=\"  spaced  \"\r\nSingle='x'\r\nUnpaired=\"x\r\nEmpty=\r\n"
                               "logdir=/home/u/\xe9t\xe9\r\n; Commented=1\r\nNoEquals\r\n"));
        // key, default, width, result; comments and lines without "=" are not keys; defaults lose
        // their trailing blanks and are cut like values.
        // clang-format off
        const QList<std::tuple<const char*, QString, int, QString>> reads{
            {"HDDTotalAmount", "1000", 5, "1000"}, {"PrefaceFiles", "_", 5, "abcd"},
            {"Quoted", "", 64, "  spaced  "},      {"Single", "", 64, "x"},
            {"Unpaired", "", 64, "\"x"},           {"Empty", "d", 64, ""},
            {"logdir", "0", 256, "/home/u/\u00e9t\u00e9"},
            {"; Commented", "d", 64, "d"},         {"NoEquals", "d", 64, "d"},
            {"Missing", " ", 32, ""},              {"Missing", "  C:\\  ", 32, "  C:\\"},
            {"Missing", "Path not set", 5, "Path"}};
        // clang-format on
        for (const auto& [key, dflt, width, result] : reads)
            QCOMPARE(GetPrivateProfileString("Sensor Setup", key, dflt, width, file), result);
        QCOMPARE(GetPrivateProfileString("No Section", "HDDTotalAmount", "1000", 5, file), QString("1000"));
        QCOMPARE(
            GetPrivateProfileString("Sensor Setup", "HDDTotalAmount", "1 ", 5, env.appDir() + "/none.ini"),
            QString("1"));
    }

    void namesAreCaseInsensitiveFirstMatchWins() {
        TestEnv env;
        const QString file = env.appDir() + "/c.ini";
        QVERIFY(writeWholeFile(file, "[Device Setup\\1]\nName=first\nNAME=second\n"
                                     "[ device setup\\1 ]\nname=third\nPort=4\n[Other]\nPort=9\n"));
        QCOMPARE(GetPrivateProfileString("DEVICE SETUP\\1", "name", "", 64, file), QString("first"));
        QCOMPARE(GetPrivateProfileString("device setup\\1", "PORT", "", 64, file), QString("4"));

        // Writing changes the line that reading finds, keeping the name's spelling in the file.
        QVERIFY(WritePrivateProfileString("device SETUP\\1", "nAmE", "changed", file));
        QVERIFY(WritePrivateProfileString("device setup\\1", "port", "5", file));
        const QByteArray written = readWholeFile(file);
        QVERIFY(written.startsWith("[Device Setup\\1]\nName=changed\nNAME=second\n"));
        QVERIFY(written.endsWith("name=third\nPort=5\n[Other]\nPort=9\n"));
    }

    void writeKeepsTheRestOfTheFile() {
        TestEnv env;
        const QString file = env.appDir() + "/keep.ini";
        QVERIFY(writeWholeFile(
            file,
            "; settings\r\n[Sensor Setup]\r\nTempMax = 80\r\n\r\n[Logging]\r\n10:00:00:010=FormLoadError"));
        QVERIFY(WritePrivateProfileString("Sensor Setup", "TempMax", "90", file));
        QVERIFY(WritePrivateProfileString("Sensor Setup", "TempMin", "40", file));
        QVERIFY(WritePrivateProfileString("Logging", "10:00:05:13", "CheckTThresh:Error", file));
        QVERIFY(WritePrivateProfileString("Logging", "10:00:05:13", "CheckTThresh:Error", file));
        QVERIFY(WritePrivateProfileString("Email Alert Setup", "EmailAddress", "a@b.c\r\nInjected=1", file));
        QCOMPARE(readWholeFile(file),
                 QByteArray(
                     "; settings\r\n[Sensor Setup]\r\nTempMax=90\r\nTempMin=40\r\n\r\n[Logging]\r\n"
                     "10:00:00:010=FormLoadError\r\n10:00:05:13=CheckTThresh:Error\r\n[Email Alert Setup]\r\n"
                     "EmailAddress=a@b.c  Injected=1\r\n"));
        // The file was replaced whole: nothing else is left in its folder.
        QCOMPARE(QDir(env.appDir()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.ini"}));

        // Files with LF line ends keep them; text is stored as UTF-8 and read back whole.
        QVERIFY(writeWholeFile(file, "[A]\nx=1\n"));
        QVERIFY(WritePrivateProfileString("A", "y", "caf\u00e9 \u20ac", file));
        QCOMPARE(readWholeFile(file), QByteArray("[A]\nx=1\ny=caf\xc3\xa9 \xe2\x82\xac\n"));
        QCOMPARE(GetPrivateProfileString("A", "y", "", 255, file), QString("caf\u00e9 \u20ac"));
    }

    void createsFileAndSectionsAndDeletes() {
        TestEnv env;
        const QString file = env.appDir() + "/new.ini";
        QVERIFY(WritePrivateProfileString("Sensor Setup", "XMaxThresh", "1", file));
        QVERIFY(WritePrivateProfileString("Sensor Setup", "XMinThresh", "0", file));
        QVERIFY(WritePrivateProfileString("Device Setup", "TotalDevices", "1", file));
        QCOMPARE(
            readWholeFile(file),
            QByteArray(
                "[Sensor Setup]\r\nXMaxThresh=1\r\nXMinThresh=0\r\n[Device Setup]\r\nTotalDevices=1\r\n"));

        // A null value removes the key, a null key the section; removing what is not there is fine.
        QVERIFY(WritePrivateProfileString("Sensor Setup", "XMaxThresh", QString(), file));
        QVERIFY(WritePrivateProfileString("Device Setup", QString(), QString(), file));
        QCOMPARE(readWholeFile(file), QByteArray("[Sensor Setup]\r\nXMinThresh=0\r\n"));
        // An empty value is a value.
        QVERIFY(WritePrivateProfileString("Sensor Setup", "XMinThresh", "", file));
        QCOMPARE(GetPrivateProfileString("Sensor Setup", "XMinThresh", "9", 5, file), QString());

        // A file in a folder that does not exist is not written; neither is a read-only file.
        QVERIFY(!WritePrivateProfileString("A", "b", "c", env.appDir() + "/nowhere/x.ini"));
        QFile::setPermissions(file, QFile::ReadOwner);
        if (!QFileInfo(file).isWritable()) { // root may write anyway
            QVERIFY(!WritePrivateProfileString("Sensor Setup", "XMinThresh", "5", file));
            QCOMPARE(readWholeFile(file), QByteArray("[Sensor Setup]\r\nXMinThresh=\r\n"));
        }
    }

    // A file written before in single-byte text reads as it did, and keeps its text when a key
    // is written to it.
    void singleByteFilesReadAsBefore() {
        TestEnv env;
        const QString file = env.configDir() + "/site.ini";
        QVERIFY(writeWholeFile(file, "[Sensor Setup]\r\nlogdir=C:\\caf\xe9\r\n"));
        QCOMPARE(GetPrivateProfileString("Sensor Setup", "logdir", "", 255, file), QString("C:\\caf\u00e9"));
        QVERIFY(WritePrivateProfileString("Sensor Setup", "TempMax", "80", file));
        QCOMPARE(GetPrivateProfileString("Sensor Setup", "logdir", "", 255, file), QString("C:\\caf\u00e9"));
    }

    void bareNamesLiveInTheSettingsFolder() {
        TestEnv env;
        const QString folder = Registry::instance().folder();
        QCOMPARE(iniFilePath("corvisent.ini"), folder + "/corvisent.ini");
        QCOMPARE(iniFilePath("/srv/cv/settings.ini"), QString("/srv/cv/settings.ini"));
        QVERIFY(WritePrivateProfileString("Logging", "12:00:00:010", "FormLoadError", "corvisent.ini"));
        QCOMPARE(readWholeFile(folder + "/corvisent.ini"),
                 QByteArray("[Logging]\r\n12:00:00:010=FormLoadError\r\n"));
        // It holds passwords too: its owner's alone, in a folder of the owner's alone.
        const auto owner = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        QCOMPARE(QFile::permissions(folder + "/corvisent.ini") & ~owner, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFile::permissions(folder) & ~owner, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(GetPrivateProfileString("logging", "12:00:00:010", "", 64, "corvisent.ini"),
                 QString("FormLoadError"));
    }
};

QTEST_MAIN(TestIni)
#include "tst_ini.moc"
