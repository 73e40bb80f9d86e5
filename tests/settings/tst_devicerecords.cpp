#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "settings/deviceRecords.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

formSensorSetup& S() {
    return formSensorSetup::instance();
}
CorvisentMain& M() {
    return CorvisentMain::instance();
}

QString hiveFile() {
    return platform::Registry::instance().filePath(platform::Hive::CurrentUser);
}

// A settings tree holding the given device records ("PortConfig\Devices\n" sections) and
// "Program Setup" values, written the way a registry export writes them.
void writeTree(const QList<QPair<int, QByteArray>>& records, const QByteArray& programSetup = QByteArray()) {
    QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n";
    const QByteArray base = "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\";
    text += base + "Program Setup]\r\n" + programSetup + "\r\n";
    for (const auto& [row, values] : records)
        text += base + "PortConfig\\Devices\\" + QByteArray::number(row) + "]\r\n" + values + "\r\n";
    QVERIFY(writeWholeFile(hiveFile(), text));
    platform::Registry::instance().reload();
}

QByteArray rec(const char* type, const char* name, const char* slot, const QByteArray& more = QByteArray()) {
    return QByteArray("\"DeviceType\"=\"") + type + "\"\r\n\"DeviceName\"=\"" + name +
           "\"\r\n\"SubIndex\"=\"" + slot + "\"\r\n" + more;
}

// Every row empty and every table clear, as at start-up.
void resetRows() {
    LoadGuard quiet;
    for (int row = 1; row <= 10; ++row)
        MakeInvisible(0, row, typeEmpty);
    for (int k = 1; k <= 4; ++k) {
        rt::setVisible(S().frameProxBehavior[k], false);
        rt::setVisible(S().frameCamSetupCover[k], false);
    }
    for (int t = 1; t <= 7; ++t)
        M().setTabEnabled(t, false);
    rt::setTag(M().lblCurrentCamView, "99");
    ClearArrays();
}

bool shown(QWidget* w) {
    return rt::visible(w);
}

} // namespace

class TestDeviceRecords : public QObject {
    Q_OBJECT
private slots:
    void init() { resetRows(); }
    void treeListWithGapsCombinedPairAndCamera();
    void badTreeRecordsAreReportedSkippedAndKept();
    void iniListWalksEveryRowAndGivesProximityIndexes();
    void iniCountZeroAndOneFigureCombinedSlot();
    void deletingRecords();
};

void TestDeviceRecords::treeListWithGapsCombinedPairAndCamera() {
    TestEnv env;
    writeTree({{1, rec("Corvisent/T (Temperature)", "Freezer", "1",
                       "\"Port\"=\"3\"\r\n\"TabLogging\"=\"1\"\r\n\"FileLogging\"=\"0\"\r\n")},
               {2, "\"DeviceName\"=\"left over\"\r\n"},
               {3, rec("Combo Sensor (Humidity)", "Lab", "21", "\"Port\"=\"4\"\r\n")},
               {4, rec("Combo Sensor (Temperature)", "Lab", "21", "\"Port\"=\"4\"\r\n")},
               {5, rec("Corvisent/P (Proximity)", "Door", "1", "\"ProxEventIndex\"=\"2\"\r\n")},
               {6, rec("Corvisent/V (Video)", "Hall cam", "1",
                       "\"CamDriverIndex\"=\"0\"\r\n\"DriverName\"=\"Drv A\"\r\n")},
               {7, rec("Corvisent/A (2-Axis Accelerometer)", "Rack", "1",
                       "\"StartInBump\"=\"1\"\r\n\"CalibrateOnConnect\"=\"1\"\r\n")},
               {8, rec("Corvisent/D (Distance)", "Shelf", "1",
                       "\"StartInProx\"=\"1\"\r\n\"ProxEventIndex\"=\"1\"\r\n")}},
              "\"chkSendToSummary\"=\"0\"\r\n");
    const QByteArray before = readWholeFile(hiveFile());
    ScriptedBoxes script;
    QCOMPARE(LoadDevicePrefs(), short(1));
    QCOMPARE(readWholeFile(hiveFile()), before); // loading stores nothing

    auto& s = S();
    auto& m = M();
    QVERIFY(shown(s.lblDeviceType[1]) && !shown(s.lblDeviceType[2]));
    QCOMPARE(s.txtDeviceComNumber[1]->text() + m.lblTempDeviceName[1]->text(), QString("3Freezer"));
    QCOMPARE(rt::value(s.chkTabLogging[1]) * 10 + rt::value(s.chkFileLogging[1]), 10);

    // The combined pair: humidity half on row 3 at humidity slot 1, temperature half on row 4 at
    // temperature slot 2.
    QCOMPARE(QString::number(RowOf(3).slot) + QString::number(RowOf(4).tempSlot), QString("12"));
    QCOMPARE(rt::tag(m.frameHCover[1]) + rt::tag(m.frameTCover[2]), QString("34"));
    QVERIFY(!shown(m.frameHCover[1]) && !shown(m.frameTCover[2]));
    QVERIFY(!shown(s.txtDeviceComNumber[3]) && !shown(s.txtDeviceComNumber[4])); // port boxes on request
    QCOMPARE(rt::tag(m.lblMeasure[3]) + rt::tag(m.lblMeasure[4]), QString("01"));
    QVERIFY(!shown(s.cmdConnectSensor[4]) && shown(s.cmdConnectSensor[3]));
    QCOMPARE(iTempTabSlot[0] * 100 + iTempTabSlot[1] * 10 + iTempTabSlot[2], 211);

    QCOMPARE(iProxSlot[5] * 10 + iProxSlot[8], 21);
    QVERIFY(shown(s.frameProxBehavior[2]) && !shown(s.frameProxBehavior[3]));
    QCOMPARE(s.frameProxBehavior[2]->title(), QString("Door"));
    QCOMPARE(RowOf(5).slot, 1);
    QCOMPARE(iProxMode[8] * 10 + iBumpMode[7], 11);
    QCOMPARE(RowOf(7).startMode + (RowOf(7).calibrateOnConnect ? "1" : "0"), QString("11"));

    QCOMPARE(iCamSlot[1], 0);
    QCOMPARE(rt::tag(m.Label1[1]), QString("Drv A"));
    QCOMPARE(rt::tag(m.lblCurrentCamView), QString("98"));
    QVERIFY(!shown(s.txtDeviceComNumber[6]) && shown(s.chkSendToSummary[6]) && shown(s.cambehavioral));

    for (int t : {1, 2, 3, 4, 6, 7})
        QVERIFY2(m.tabEnabled(t), qPrintable(QString::number(t)));
    QVERIFY(!m.tabEnabled(CorvisentMain::tabWater));
    CreateSetupArray();
    QCOMPARE(iDeviceType(2) * 100 + iDeviceType(3) * 10 + iDeviceType(4), 77);
}

void TestDeviceRecords::badTreeRecordsAreReportedSkippedAndKept() {
    TestEnv env;
    writeTree({{3, rec("Corvisent/T (Temperature)", "Bad slot", "x")},
               {4, rec("Corvisent/H (Humidity)", "Slot nine", "9")},
               {5, rec("Corvisent/W (Water)", "Basement", "1")},
               {6, rec("Corvisent/T (Temperature)", "First", "1")},
               {7, rec("Corvisent/T (Temperature)", "Same slot", "1")},
               {8, rec("Corvisent/P (Proximity)", "No index", "1")},
               {9, rec("Combo Sensor (Humidity)", "Pair", "21")},
               {10, rec("Combo Sensor (Temperature)", "Pair", "5")}},
              "\"TotalDevices\"=\"-1\"\r\n");
    ScriptedBoxes script;
    QCOMPARE(LoadDevicePrefs(), short(0));
    QCOMPARE(script.prompts(),
             (QStringList{"Could not load saved preferences.",
                          "SubIndex is only one digit. Should be two digits for a Combo Device.",
                          "Device loading has stopped."}));
    auto& s = S();
    QString rows; // a sound humidity half is left out with its bad temperature half
    for (int row = 1; row <= 10; ++row) rows += shown(s.lblDeviceType[row]) ? '+' : '-';
    QCOMPARE(rows, QString("----++-+--"));
    QVERIFY(!shown(M().lblSensor1[10]));
    QCOMPARE(iHumidTabSlot[0] * 10 + iTempTabSlot[0], 1);
    QCOMPARE(rt::tag(M().frameTCover[1]), QString("6"));
    QCOMPARE(iProxSlot[8], 0); // no stored index: no event actions
    QCOMPARE(AnyProxBehaviorFrameShown(0), 0);
    // Every record is still stored; only the negative count was put right.
    for (int row = 3; row <= 10; ++row)
        QVERIFY(!modPrefs::GetPref(QString("PortConfig\\Devices\\%1").arg(row), "DeviceType").isEmpty());
    QCOMPARE(modPrefs::GetPref("Program Setup", "TotalDevices"), QString("0"));
}

void TestDeviceRecords::iniListWalksEveryRowAndGivesProximityIndexes() {
    TestEnv env;
    const QString longName = "Freezer number four, north wall, rack 12"; // 40 characters
    writeTree({{3, "\"ProxEventIndex\"=\"3\"\r\n"},
               {4, "\"ProxEventIndex\"=\"3\"\r\n"},
               {6, "\"CamDriverIndex\"=\"2\"\r\n\"DriverName\"=\"Drv B\"\r\n"}},
              "\"chkSendToSummary\"=\"1\"\r\n");
    strINIPath = env.appDir() + "/corvisent.ini";
    QVERIFY(writeWholeFile(
        strINIPath,
        "[Device Setup]\r\nTotalDevices=4\r\n"
        "[Device Setup\\1]\r\nDeviceType=Corvisent/T (Temperature)\r\nDeviceName=" +
            longName.toLatin1() +
            "\r\nPort=5\r\nSubIndex=2\r\nTabLogging=1\r\n"
            "[Device Setup\\3]\r\nDeviceType=Corvisent/P (Proximity)\r\nDeviceName=Door\r\nSubIndex=1\r\n"
            "[Device Setup\\4]\r\nDeviceType=Corvisent/D (Distance)\r\nDeviceName=Shelf\r\nSubIndex=1\r\n"
            "StartInProx=1\r\nStartInBump=0\r\nCalibrateOnConnect=0\r\n"
            "[Device Setup\\6]\r\nDeviceType=Corvisent/V2 (Single camera "
            "only)\r\nDeviceName=Cam\r\nSubIndex=3\r\n"
            "[Device Setup\\7]\r\nDeviceType=\r\n"));
    ScriptedBoxes script;
    LoadDeviceINI();
    auto& s = S();
    auto& m = M();
    QCOMPARE(m.lblTempDeviceName[2]->text(), longName);
    QCOMPARE(s.txtDeviceComNumber[1]->text() + s.txtDeviceComNumber[3]->text(), QString("51"));
    QCOMPARE(rt::value(s.chkTabLogging[1]) * 10 + rt::value(s.chkFileLogging[1]), 1);
    // The tree's index where it is free, else the lowest free one.
    QCOMPARE(iProxSlot[3] * 10 + iProxSlot[4], 31);
    QVERIFY(shown(s.frameProxBehavior[3]) && shown(s.frameProxBehavior[1]));
    QCOMPARE(RowOf(4).startMode + QString::number(iProxMode[4]), QString("11"));
    QCOMPARE(iCamSlot[3], 2);
    QCOMPARE(rt::tag(m.Label1[3]), QString("Drv B"));
    QVERIFY(!shown(s.lblDeviceType[2]) && !shown(s.lblDeviceType[7]));
    QCOMPARE(iInLoad(), 0);
}

void TestDeviceRecords::iniCountZeroAndOneFigureCombinedSlot() {
    TestEnv env;
    strINIPath = env.appDir() + "/corvisent.ini";
    const QByteArray devices =
        "[Device Setup\\1]\r\nDeviceType=Combo Sensor (Humidity)\r\nSubIndex=5\r\n"
        "[Device Setup\\2]\r\nDeviceType=Combo Sensor (Temperature)\r\nSubIndex=5\r\n"
        "[Device Setup\\3]\r\nDeviceType=Corvisent/W (Water)\r\nSubIndex=2\r\nDeviceName=Sump\r\n"
        "[Device Setup\\4]\r\nDeviceType=Corvisent/H (Humidity)\r\nSubIndex=one\r\n";
    QVERIFY(writeWholeFile(strINIPath, "[Device Setup]\r\nTotalDevices=0\r\n" + devices));
    ScriptedBoxes script;
    LoadDeviceINI();
    QCOMPARE(script.prompts(), QStringList{"TotalDevs = 0"});
    QVERIFY(!shown(S().lblDeviceType[3]));
    QCOMPARE(iInLoad(), 0);

    QVERIFY(writeWholeFile(strINIPath, "[Device Setup]\r\nTotalDevices=4\r\n" + devices));
    script.clear();
    LoadDeviceINI();
    // The pair is hidden and loading stops there: the rows after it are not loaded.
    QCOMPARE(script.prompts(),
             (QStringList{"SubIndex is only one digit. Should be two digits for a Combo Device.",
                          "Device loading has stopped."}));
    QVERIFY(!shown(S().lblDeviceType[1]) && !shown(S().lblDeviceType[2]) && !shown(S().lblDeviceType[4]));
    QVERIFY(!shown(S().lblDeviceType[3]) && iWaterTabSlot[2] == 0);
    QCOMPARE(readWholeFile(strINIPath).count("DeviceType="), 4);
}

void TestDeviceRecords::deletingRecords() {
    TestEnv env;
    writeTree({{1, rec("Corvisent/T (Temperature)", "a", "1")}, {3, rec("Corvisent/W (Water)", "b", "1")}});
    DeleteDeviceSettings(3);
    DeleteDeviceSettings(3);
    auto& reg = platform::Registry::instance();
    const QString devices = modPrefs::kTreeKey + "\\PortConfig\\Devices";
    QCOMPARE(reg.subKeys(platform::Hive::CurrentUser, devices), QStringList{"1"});
    DeleteDeviceSettings(0);
    QVERIFY(!reg.keyExists(platform::Hive::CurrentUser, devices));
    QVERIFY(reg.keyExists(platform::Hive::CurrentUser, modPrefs::kTreeKey + "\\Program Setup"));
}

QTEST_MAIN(TestDeviceRecords)
#include "tst_devicerecords.moc"
