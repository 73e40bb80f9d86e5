// Adding devices through the add-device window: what lands in the settings tree, the INI mirror,
// the tables and the windows, and what a refused device leaves behind (nothing).
#include <QComboBox>
#include <QGroupBox>

#include "devices/formAddDevice.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "sensors/sensorrig.h"
#include "settings/modIni.h"
#include "settings/modRegistry.h"
#include "support/fakecapture.h"

using namespace modSupport;

namespace {

formAddDevice& D() {
    return formAddDevice::instance();
}

// Chooses the kind in the window as a user does, then fills the name and port when given.
void choose(const QString& type, const QString& name = QString(), const QString& port = QString()) {
    D().cmbSensorTypeSelection->setCurrentIndex(formAddDevice::typeList().indexOf(type));
    if (!name.isNull()) D().txtDeviceName->setText(name);
    if (!port.isNull()) D().cmbComNum->setEditText(port);
}
// One sensor per port: COM3 for the first, a port from COM11 on for each further one.
QString freePort() {
    int n = 3;
    if (formAddDevice::RowUsingPort(n))
        for (n = 11; formAddDevice::RowUsingPort(n); ++n) {}
    return QString::number(n);
}
bool add(const QString& type, const QString& name, const QString& port = QString()) {
    choose(type, name, port.isNull() ? freePort() : port);
    return D().cmdOk_Click();
}
// A camera, with the driver the list preselects or the one picked.
bool addCamera(const QString& type, const QString& name, int pick = -1) {
    choose(type, name);
    if (pick >= 0) D().cbDriver->setCurrentIndex(pick);
    return D().cmdOk_Click();
}

// The stored record of a row as "Key=Value" in the order the keys were created.
QString record(int row) {
    const QString key = modPrefs::kTreeKey + QStringLiteral("\\PortConfig\\Devices\\%1").arg(row);
    auto& reg = platform::Registry::instance();
    QStringList out;
    for (const QString& name : reg.valueNames(platform::Hive::CurrentUser, key))
        out << name + "=" +
                   platform::GetSetting(modPrefs::kApp, QStringLiteral("PortConfig\\Devices\\%1").arg(row),
                                        name);
    return out.join(' ');
}

QString iniFile() {
    return platform::iniFilePath(strINIPath);
}

// The INI mirror's section of a row as "Key=Value" lines in file order.
QString iniSection(int row) {
    const QString head = QStringLiteral("[Device Setup\\%1]").arg(row);
    QStringList out;
    bool inside = false;
    for (const QString& line : QString::fromUtf8(readWholeFile(iniFile())).split('\n')) {
        const QString l = line.trimmed();
        if (l.startsWith('['))
            inside = l.compare(head, Qt::CaseInsensitive) == 0;
        else if (inside && !l.isEmpty())
            out << l;
    }
    return out.join(' ');
}

// Rows that hold a device.
int registeredRows() {
    int rows = 0;
    for (int row = 1; row <= 10; ++row)
        if (iDeviceType(row) != typeEmpty) ++rows;
    return rows;
}

QString total(const QString& key) {
    return modPrefs::GetPref(modPrefs::kProgramSetup, key, "<none>");
}

// Everything a refusal must leave as it was: both hive files, the INI file and the tables.
struct Snapshot {
    QByteArray user, machine, ini;
    QList<int> tables;
    static Snapshot take() {
        auto& reg = platform::Registry::instance();
        Snapshot s{readWholeFile(reg.filePath(platform::Hive::CurrentUser)),
                   readWholeFile(reg.filePath(platform::Hive::LocalMachine)),
                   readWholeFile(iniFile()),
                   {}};
        for (int i = 0; i <= 10; ++i)
            s.tables << iDeviceType(i) << iProxSlot[i] << iProxMode[i] << iBumpMode[i];
        for (auto* t : {&iTempTabSlot, &iHumidTabSlot, &iProxTabSlot, &iWaterTabSlot, &iAccelTabSlot,
                        &iDistTabSlot, &iCamSlot})
            for (int i = 0; i <= 5; ++i)
                s.tables << (*t)[i];
        return s;
    }
    bool operator==(const Snapshot& o) const {
        return user == o.user && machine == o.machine && ini == o.ini && tables == o.tables;
    }
};

} // namespace

class TestRegistration : public QObject {
    Q_OBJECT
    std::unique_ptr<SensorRig> rig;
    std::unique_ptr<FakeCaptureSystem> cameras;

private slots:
    void init() {
        rig = std::make_unique<SensorRig>();
        cameras = std::make_unique<FakeCaptureSystem>();
        cameras->add("Microsoft WDM Image Capture");
        cameras->add("USB Camera");
        strINIPath = QStringLiteral("corvisent.ini");
        rig->hub->add(3);
        rig->hub->add(5);
        for (int n = 1; n <= 4; ++n)
            S().frameProxBehavior[n]->hide();
        rt::setValue(S().chkMultiCamEnabled, 0);
    }
    void cleanup() {
        formAddDevice::unload();
        for (int row = 10; row >= 1; --row)
            if (!S().lblDeviceType[row]->text().isEmpty()) S().cmdDeleteMe_Click(row);
        modRegistry::strCamInfoKeys.clear();
        cameras.reset();
        rig.reset();
    }

    // Each kind's record in the settings tree and its INI section, key by key and in order. The
    // logging keys are stored "0" and then ticked by the row's logging boxes; the INI keeps the
    // boxes as they stood when it was written.
    void recordsOfEveryKind_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("ini");
        const QString tail = " TabLogging=1 FileLogging=1";
        QTest::newRow("temperature") << strTypeTemperature
                                     << "Port=3 SubIndex=1" + tail + " DeviceType=" + strTypeTemperature +
                                            " DeviceName=Dev"
                                     << "DeviceType=" + strTypeTemperature +
                                            " DeviceName=Dev Port=3 SubIndex=1 TabLogging=0 FileLogging=0";
        QTest::newRow("humidity") << strTypeHumidity
                                  << "Port=3 SubIndex=1 TabLogging=1 FileLogging=1 DeviceType=" +
                                         strTypeHumidity + " DeviceName=Dev"
                                  << "DeviceType=" + strTypeHumidity +
                                         " DeviceName=Dev Port=3 SubIndex=1 TabLogging=0 FileLogging=0";
        QTest::newRow("water") << strTypeWater
                               << "DeviceType=" + strTypeWater + " DeviceName=Dev Port=3 SubIndex=1" + tail
                               << "DeviceType=" + strTypeWater +
                                      " DeviceName=Dev Port=3 SubIndex=1 TabLogging=0 FileLogging=0";
        QTest::newRow("proximity") << strTypeProximity
                                   << "Port=3 SubIndex=1" + tail +
                                          " ProxEventIndex=1 DeviceType=" + strTypeProximity +
                                          " DeviceName=Dev"
                                   << "DeviceType=" + strTypeProximity +
                                          " DeviceName=Dev Port=3 SubIndex=1 TabLogging=0 FileLogging=0";
        QTest::newRow("accelerometer")
            << strTypeAccel
            << "Port=3 SubIndex=1" + tail +
                   " CalibrateOnConnect=1 StartInBump=0 StartInProx=0 DeviceType=" + strTypeAccel +
                   " DeviceName=Dev"
            << "DeviceType=" + strTypeAccel +
                   " DeviceName=Dev Port=3 SubIndex=1 TabLogging=0 FileLogging=0 "
                   "CalibrateOnConnect=1 StartInBump=0 StartInProx=0";
        QTest::newRow("distance") << strTypeDistance
                                  << "Port=3 SubIndex=1" + tail +
                                         " StartInProx=1 StartInBump=0 ProxEventIndex=1 DeviceType=" +
                                         strTypeDistance + " DeviceName=Dev"
                                  << "DeviceType=" + strTypeDistance +
                                         " DeviceName=Dev Port=3 SubIndex=1 TabLogging=0 FileLogging=0 "
                                         "CalibrateOnConnect=0 StartInBump=0 StartInProx=1";
    }
    void recordsOfEveryKind() {
        QFETCH(QString, type);
        QFETCH(QString, tree);
        QFETCH(QString, ini);
        const bool added = add(type, "Dev");
        QCOMPARE(rig->boxes->prompts().join('|'), QString());
        QVERIFY(added);
        QCOMPARE(record(1), tree);
        QCOMPARE(iniSection(1), ini);
        QCOMPARE(total("TotalDevices"), QString("1"));
        QCOMPARE(modIni::ReadIni(modIni::kDeviceSetup, "TotalDevices", "<none>"), QString("1"));
        QCOMPARE(S().lblDeviceType[1]->text(), type);
        QCOMPARE(rowState(1), QString("Connect||OFF|reddot.gif"));
        QCOMPARE(M().lblSensorReading[1]->text() + "|" + M().lblSensor1[1]->text(), QString("OFF|Dev"));
        QCOMPARE(iDeviceType(1), TypeCodeOfName(type));
        QVERIFY(!formAddDevice::loaded());
    }

    // A combined sensor after three single rows: rows 4 and 5, humidity half first, both with the
    // two-figure slot (temperature slot first); the counters grow by two.
    void combinedSensorTakesTwoRows() {
        for (const QString& n : {"T1", "T2", "H1"})
            QVERIFY(add(n.startsWith('T') ? strTypeTemperature : strTypeHumidity, n));
        const int counted = registeredRows();
        QVERIFY(add(strTypeComboOffer, "Combo", "5"));
        QCOMPARE(record(4), "DeviceType=" + strTypeComboHumid +
                                " DeviceName=Combo Port=5 SubIndex=32 TabLogging=1 FileLogging=1");
        QCOMPARE(record(5), "DeviceType=" + strTypeComboTemp +
                                " Port=5 DeviceName=Combo SubIndex=32 TabLogging=0 FileLogging=0");
        QCOMPARE(iniSection(4), "DeviceType=" + strTypeComboHumid + " DeviceName=Combo Port=5 SubIndex=32");
        QCOMPARE(iniSection(5), "DeviceType=" + strTypeComboTemp + " DeviceName=Combo Port=5 SubIndex=32");
        QCOMPARE(total("TotalDevices"), QString("5"));
        QCOMPARE(registeredRows() - counted, 2);
        QCOMPARE(iDeviceType(4) * 10 + iDeviceType(5), 77);
        QCOMPARE(rt::tag(M().frameHCover[2]) + rt::tag(M().frameTCover[3]), QString("45"));
        QCOMPARE(rt::tag(M().lblMeasure[4]) + rt::tag(M().lblMeasure[5]), QString("01"));
        QCOMPARE(S().lblSubIndex[5]->text() + QString::number(RowOf(5).tempSlot) +
                     QString::number(RowOf(5).slot),
                 QString("3232"));
        QVERIFY(rt::visible(S().lblDeviceType[5]) && rt::visible(M().lblSensor1[5]));
        // Loading the stored list back gives the same pair.
        resetSensorRows();
        rig->load();
        QCOMPARE(S().lblDeviceType[4]->text() + "|" + S().lblDeviceType[5]->text(),
                 strTypeComboHumid + "|" + strTypeComboTemp);
        QCOMPARE(iTempTabSlot[3] + iHumidTabSlot[2], 2);
    }

    // The start modes: a distance sensor in proximity mode takes an event index; an accelerometer
    // in bump mode has none; an accelerometer without bump mode clears a reused row's mode marks.
    void startModesAndEventIndexes() {
        choose(strTypeDistance, "Dist");
        QCOMPARE(rt::value(D().chkSetToProxMode), 1);
        QVERIFY(D().cmdOk_Click());
        QCOMPARE(M().cmdSetToProximityMode[1]->text(), QString("Set to Distance Mode"));
        QCOMPARE(iProxMode[1] * 10 + iProxSlot[1], 11);
        QCOMPARE(rt::caption(S().frameProxBehavior[1]), QString("Dist"));
        QVERIFY(rt::visible(S().frameProxBehavior[1]) && rt::visible(S().frameProxBehaviorEx[1]));

        choose(strTypeAccel, "Bump");
        rt::setValue(D().chkSetToBinaryMode, 1);
        rt::setValue(D().chkCalibrateOnConnect, 0);
        QVERIFY(D().cmdOk_Click());
        QCOMPARE(M().cmdSetToBump[1]->text(), QString("Stop monitoring"));
        QCOMPARE(iBumpMode[2], 1);
        QCOMPARE(RowOf(2).startMode + (RowOf(2).calibrateOnConnect ? "1" : "0"), QString("10"));
        QVERIFY(!record(2).contains("ProxEventIndex"));
        QVERIFY(record(2).contains("CalibrateOnConnect=0 StartInBump=1"));

        S().cmdDeleteMe_Click(2);
        rt::setValue(S().chkBinaryMode[2], 1);
        rt::setTag(S().lblSubIndex[2], "1");
        QVERIFY(add(strTypeAccel, "Tilt"));
        QCOMPARE(rt::value(S().chkBinaryMode[2]) + iBumpMode[2], 0);
        QCOMPARE(RowOf(2).startMode, QString("0"));
        QCOMPARE(M().cmdSetToBump[1]->text(), QString("Set to Monitor 'bump'"));
    }

    // Four proximity-capable devices hold indexes 1..4: a fifth is added without one, and told.
    void noFreeEventIndex() {
        for (int n = 1; n <= 4; ++n)
            QVERIFY(add(strTypeProximity, QString("P%1").arg(n)));
        QVERIFY(add(strTypeDistance, "Late"));
        QCOMPARE(rig->boxes->prompts(),
                 QStringList{"This proximity device will not be allowed to trigger events"});
        QVERIFY(record(5).contains("ProxEventIndex=0"));
        QCOMPARE(iProxSlot[5], 0);
        QCOMPARE(FindFirstTabSlotAvailable(typeDistance).slot, 2);
    }

    // A refused device leaves both hive files, the INI file and every table byte for byte as they
    // were, says why, and closes the window.
    void refusalsLeaveEverythingAsItWas_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("messages");
        QTest::newRow("fifth temperature")
            << "TTTT+T"
            << "There are no more available slots on the Temperature tab for this sensor.|CurSubIndex = 0 "
               "Condition. Please manually add devices.";
        QTest::newRow("fifth proximity")
            << "PPPP+P"
            << "There are no more available slots on the Proximity tab for this sensor.";
        QTest::newRow("rows full")
            << "TTTTHHHHWW+scan"
            << "All ten device rows are in use. Please delete a device before adding another.";
        QTest::newRow("combined in row 10 only")
            << "TTTTHHHHW+C"
            << "There must be two consecutive slots open to add this sensor.|There must be two consecutive "
               "slots open to add this sensor.";
        QTest::newRow("unavailable driver picked") << "+V"
                                                   << "No Corvisent/V camera drivers found for this camera.";
        QTest::newRow("no driver left")
            << "+v"
            << "No more capture drivers available|Please be sure all cameras are attached|"
               "No Corvisent/V camera drivers found for this camera.";
        QTest::newRow("camera installation unfinished")
            << "+m"
            << "Error: You must finish the camera installation first by rebooting.";
        QTest::newRow("second single camera") << "+2"
                                              << "Only one Corvisent/V2 camera can be used at this time.|No "
                                                 "Corvisent/V camera drivers found for this camera.";
        QTest::newRow("no type chosen") << "+?"
                                        << "Please choose the type of the device.";
    }
    void refusalsLeaveEverythingAsItWas() {
        QFETCH(QString, setup);
        QFETCH(QString, messages);
        const QString before = setup.section('+', 0, 0);
        const QString attempt = setup.section('+', 1);
        const QMap<QChar, QString> kinds = {{'T', strTypeTemperature},
                                            {'H', strTypeHumidity},
                                            {'W', strTypeWater},
                                            {'P', strTypeProximity},
                                            {'C', strTypeComboOffer}};
        for (int i = 0; i < before.size(); ++i)
            QVERIFY(add(kinds[before[i]], QString("Dev%1").arg(i)));
        if (attempt == "2") iCamSlot[3] = 0; // a camera on capture driver 0
        D();                                 // loading the window stores the camera count once
        const Snapshot was = Snapshot::take();
        rig->boxes->clear();
        bool added = true;
        if (attempt == "scan") {
            const formAddDevice::ScanRequest request{strTypeWater, "Scanned", 5};
            added = D().cmdOk_Click(&request);
        } else if (attempt == "V") {
            added = addCamera(strTypeVideo, "Cam", 0);
        } else if (attempt == "m") {
            rt::setValue(S().chkMultiCamEnabled, 1);
            added = addCamera(strTypeVideo, "Cam");
        } else if (attempt == "v") {
            cameras->camera(1).setPresent(false);
            added = addCamera(strTypeVideo, "Cam");
        } else if (attempt == "2") {
            choose(strTypeVideo2, "Cam2");
            D().txtDeviceName->setText("Cam2");
            added = D().cmdOk_Click();
        } else if (attempt == "?") {
            D().txtDeviceName->setText("Nameless");
            added = D().cmdOk_Click();
        } else {
            added = add(kinds[attempt[0]], "Extra");
        }
        QVERIFY(!added);
        QCOMPARE(rig->boxes->prompts().join('|'), messages);
        QVERIFY(Snapshot::take() == was);
        QVERIFY(!formAddDevice::loaded());
        iCamSlot[3] = camSlotFree;
    }

    // A blank name sends the user back to the window; nothing is stored.
    void blankNameReopensTheWindow() {
        D();
        const Snapshot was = Snapshot::take();
        choose(strTypeWater, "");
        QVERIFY(!D().cmdOk_Click());
        QCOMPARE(rig->boxes->prompts(), QStringList{"Device name cannot be blank"});
        QVERIFY(formAddDevice::loaded() && D().isVisible());
        QVERIFY(Snapshot::take() == was);
    }

    // Each scan request names its own sensor; its type goes in without running the type choice
    // (the scanned name stays), and a later add through the window uses the window's fields.
    void scanRequestsApplyToTheirOwnRegistration() {
        const formAddDevice::ScanRequest first{strTypeTemperature, "Cellar", 3};
        const formAddDevice::ScanRequest second{strTypeComboOffer, "Attic", 5};
        QVERIFY(D().cmdOk_Click(&first));
        QVERIFY(D().cmdOk_Click(&second));
        QVERIFY(add(strTypeWater, "Sink", "6"));
        QCOMPARE(M().lblSensor1[1]->text() + "|" + M().lblSensor1[2]->text() + "|" +
                     M().lblSensor1[4]->text(),
                 QString("Cellar|Attic|Sink"));
        QCOMPARE(S().txtDeviceComNumber[1]->text() + S().txtDeviceComNumber[2]->text() +
                     S().txtDeviceComNumber[4]->text(),
                 QString("356"));
        QCOMPARE(total("TotalDevices"), QString("4"));
    }

    // A row used before keeps nothing of its old INI section, and a deleted device's row is
    // taken again by the next device.
    void reusedRowStartsClean() {
        QVERIFY(add(strTypeDistance, "Old"));
        S().cmdDeleteMe_Click(1);
        QCOMPARE(record(1), QString());
        QCOMPARE(iDistTabSlot[0] + iProxSlot[1], 0);
        platform::WritePrivateProfileString("Device Setup\\1", "StartInProx", "1", strINIPath);
        QVERIFY(add(strTypeTemperature, "New"));
        QCOMPARE(iniSection(1), "DeviceType=" + strTypeTemperature +
                                    " DeviceName=New Port=3 SubIndex=1 TabLogging=0 FileLogging=0");
        QCOMPARE(total("TotalDevices"), QString("1"));
    }

    // Cameras: the driver's name and index in the record, the camera position, the Video tab
    // (hidden for the single-camera model, whose row is sent to the summary view).
    void camerasOfBothModels() {
        QVERIFY(addCamera(strTypeVideo, "Door"));
        QCOMPARE(record(1), "DeviceName=Door SubIndex=1 DeviceType=" + strTypeVideo +
                                " DriverName=USB Camera CamDriverIndex=1 TabLogging=1 FileLogging=1");
        QCOMPARE(iCamSlot[1], 1);
        QCOMPARE(rt::tag(M().Label1[1]) + "|" + M().lblCamDeviceName[1]->text(), QString("USB Camera|Door"));
        QVERIFY(M().tabEnabled(CorvisentMain::tabVideo));
        QCOMPARE(total("TotalCameras"), QString("2"));
        QCOMPARE(iniSection(1), QString());
        QVERIFY(rt::visible(S().frameCamSetupCover[1]) && rt::visible(S().cambehavioral));
        QVERIFY(!rt::visible(S().chkTabLogging[1]) && !S().chkSendToSummary[1]->isEnabled());

        QVERIFY(addCamera(strTypeVideo2, "Desk"));
        QCOMPARE(rt::tag(M().Label1[2]), QString("Microsoft WDM Image Capture"));
        QCOMPARE(iDeviceType(2), typeVideo2);
        QCOMPARE(rt::value(S().chkSendToSummary[2]), 1);
        QVERIFY(!M().tabEnabled(CorvisentMain::tabVideo));
        QCOMPARE(total("TotalCameras"), QString("3"));
        QCOMPARE(total("TotalDevices"), QString("2"));
    }

    // Deleting a registered camera: the stored count goes down by one, while the camera options
    // and the Video tab follow the cameras still placed.
    void deletingRegisteredCameras() {
        QVERIFY(addCamera(strTypeVideo, "Door"));
        QVERIFY(add(strTypeTemperature, "Fridge"));
        QCOMPARE(total("TotalCameras"), QString("2"));
        S().cmdDeleteMe_Click(1);
        QCOMPARE(total("TotalCameras"), QString("1"));
        QVERIFY(!rt::visible(S().cambehavioral));
        QVERIFY(!M().tabEnabled(CorvisentMain::tabVideo));
        QCOMPARE(iCamSlot[1], camSlotFree);
        QCOMPARE(record(1), QString());
        QCOMPARE(total("TotalDevices"), QString("1"));
        S().cmdDeleteMe_Click(2);
        QCOMPARE(total("TotalDevices") + iniSection(2), QString("0"));
        QCOMPARE(registeredRows() + iTempTabSlot[0], 0);
    }

    // With several cameras set up, the driver's tree names the camera and links the row to its
    // driver instance; the camera position keeps the camera's serial number.
    void cameraInTheSeveralCameraSetup() {
        auto& reg = platform::Registry::instance();
        const QString info = "Software\\Zovir Izovezo\\Camera Info\\0001";
        reg.setString(platform::Hive::LocalMachine, info, "FriendlyName", "USB Camera");
        reg.setString(platform::Hive::LocalMachine, info, "UsedByDrvr", "003");
        reg.setString(platform::Hive::LocalMachine, info, "SerialNumber", "SN-77");
        modRegistry::strCamInfoKeys = QStringList{"0001"};
        rt::setValue(S().chkMultiCamEnabled, 1);
        QVERIFY(addCamera(strTypeVideo, "Lobby"));
        QVERIFY(record(1).startsWith("DeviceName=Lobby SubIndex=1 UsedByDriver=003 DeviceType="));
        QCOMPARE(modRegistry::GetStringFromRegKey(platform::Hive::LocalMachine,
                                                  "Software\\Zovir Izovezo\\AVI\\vicam003.drv\\",
                                                  "FriendlyName"),
                 QString("Lobby"));
        QCOMPARE(rt::tag(M().frameSurvTabCoverUp[1]), QString("SN-77"));
        QVERIFY(M().tabEnabled(CorvisentMain::tabVideo));
    }
};

QTEST_MAIN(TestRegistration)
#include "tst_registration.moc"
