// Loading the device list into the setup dialog and the main window, and connecting every row.
#include <QMenu>

#include "alerts/channelqueue.h"
#include "platform/ini.h"
#include "sensors/sensorrig.h"
#include "settings/modIni.h"
#include "support/finish.h"

using namespace modSupport;

namespace {

// Program time of the first write to a fake device, -1 when nothing was written.
qint64 firstWrite(const FakeSerialPort& dev) {
    return dev.writes().isEmpty() ? -1 : dev.writes().first().atMs;
}
qint64 lastWrite(const FakeSerialPort& dev) {
    return dev.writes().isEmpty() ? -1 : dev.writes().last().atMs;
}

// Water sensors stored at rows 1 and 2 on COM 3 and 4 and loaded; the second answers its
// identity query, the first is left to the test.
std::pair<FakeSerialPort&, FakeSerialPort&> twoWaterRows(SensorRig& rig) {
    for (int row = 1; row <= 2; ++row)
        rig.record(row, strTypeWater, QString("Water %1").arg(row), QString::number(row), row + 2);
    rig.load();
    FakeSerialPort& first = rig.hub->add(3);
    FakeSerialPort& second = rig.hub->add(4);
    serve(second, "Corvisent/W");
    return {first, second};
}

// Counts how often a window is brought to the front.
struct ZOrderSpy : QObject {
    int raised = 0;
    explicit ZOrderSpy(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        raised += e->type() == QEvent::ZOrderChange;
        return false;
    }
};

} // namespace

class TestLoadConnect : public QObject {
    Q_OBJECT
private slots:
    void init() { rt::Clock::setSpeed(100); }
    void cleanup() { rt::Clock::reset(); }

    // Loaded rows read "OFF" (so the popup offers to connect them), their slots are uncovered and
    // the kind's "no device" label goes; a camera row takes its stored name; Connect All is ready.
    void loadedRowsShowNotConnected() {
        {
            SensorRig empty; // a stored count of "0" loads nothing
            modPrefs::SavePref("Program Setup\\", "TotalDevices", "0");
            empty.record(2, strTypeTemperature, "Server room", "3", 3);
            ZOrderSpy front(&S());
            S().LoadConfig(false, QString());
            QCOMPARE(empty.boxes->prompts(), QStringList{"No devices to load into setup"});
            QVERIFY(!rt::visible(S().lblDeviceType[2]));
            QCOMPARE(front.raised, 1); // the window still comes to the front
        }
        SensorRig rig;
        rig.record(2, strTypeTemperature, "Server room", "3", 3);
        rig.record(4, strTypeWater, "Basement", "1", 4);
        modPrefs::SavePref("PortConfig\\Devices\\6", "DeviceType", strTypeVideo2);
        modPrefs::SavePref("PortConfig\\Devices\\6", "DeviceName", "Door cam");
        modPrefs::SavePref("PortConfig\\Devices\\6", "SubIndex", "1");
        modPrefs::SavePref("PortConfig\\Devices\\6", "CamDriverIndex", "0");
        S().cmdConnectAll->setEnabled(false);
        M().lblNoTDevicePresent->show();
        M().Label2->show();
        S().LoadConfig(false, QString());

        QCOMPARE(M().lblSensorReading[2]->text(), QString("OFF"));
        QVERIFY(rt::visible(M().lblSensor1[2]) && rt::visible(M().lblSensorReading[4]));
        QVERIFY(!rt::visible(M().frameTCover[3]) && rt::visible(M().frameTCover[1]));
        QVERIFY(!rt::visible(M().frameWCover[1]));
        QVERIFY(!rt::visible(M().lblNoTDevicePresent) && !rt::visible(M().Label2));
        QCOMPARE(M().lblSensor1[6]->text(), QString("Door cam"));
        // A sensor row shows its slot, its port box only when asked for; a camera row has none.
        QVERIFY(!rt::visible(S().txtDeviceComNumber[2]) && rt::visible(S().lblSubIndex[2]));
        QCOMPARE(S().txtDeviceComNumber[2]->text(), QString("3"));
        QVERIFY(!rt::visible(S().txtDeviceComNumber[6]));
        QVERIFY(!M().tabEnabled(CorvisentMain::tabVideo)); // the single-camera model has no Video tab
        QVERIFY(S().cmdConnectAll->isEnabled());
        M().lblSensor1_MouseDown(2, 2, 0, 0, 0);
        M().mnuPopUp->hide();
        QCOMPARE(M().mnuPopUpConnectThisSensor->text(), QString("Connect This Sensor"));
    }

    // From the settings file: a camera row takes its name from the registry record all the same,
    // an ordinary camera leaves the Video tab on, and every row, empty ones included, reads "OFF".
    void iniListNamesCamerasFromTheRegistry() {
        SensorRig rig;
        auto ini = [](int row, const char* key, const QString& value) {
            platform::WritePrivateProfileString(QStringLiteral("Device Setup\\%1").arg(row), QLatin1String(key), value,
                                                strINIPath);
        };
        platform::WritePrivateProfileString(modIni::kDeviceSetup, "TotalDevices", "2", strINIPath);
        ini(1, "DeviceType", strTypeTemperature);
        ini(1, "DeviceName", "Cellar");
        ini(1, "SubIndex", "2");
        ini(1, "Port", "4");
        ini(2, "DeviceType", strTypeVideo);
        ini(2, "DeviceName", "Name in the file");
        ini(2, "SubIndex", "1");
        modPrefs::SavePref("PortConfig\\Devices\\2", "DeviceName", "Porch cam");
        modPrefs::SavePref("PortConfig\\Devices\\2", "CamDriverIndex", "0");
        M().setTabEnabled(CorvisentMain::tabVideo, true);
        M().lblSensorReading[7]->setText("71.5");
        rt::setFontSize(M().lblSensorReading[7], 10);
        S().LoadConfig(true, "2");

        QCOMPARE(S().lblDeviceType[2]->text(), strTypeVideo);
        QCOMPARE(M().lblSensor1[2]->text(), QString("Porch cam"));
        QVERIFY(M().tabEnabled(CorvisentMain::tabVideo));
        QVERIFY(!rt::visible(M().frameTCover[2]) && !rt::visible(M().lblNoTDevicePresent));
        for (int row : {1, 2, 7}) {
            QCOMPARE(M().lblSensorReading[row]->text(), QString("OFF"));
            QCOMPARE(rt::fontSize(M().lblSensorReading[row]), 14.0);
        }
    }

    // Each loaded kind is read through its own port and timer: a water sensor's wet line shows on
    // its row by the port's event and again by the water timer's poll, a proximity sensor's
    // presence by the proximity port with the slot its timer holds.
    void waterAndProximityRowsAreReadByTheirOwnTimers() {
        SensorRig rig;
        rig.record(1, strTypeWater, "Basement", "2", 3);
        rig.record(2, strTypeProximity, "Door", "3", 4);
        rig.load();
        FakeSerialPort& water = rig.hub->add(3);
        FakeSerialPort& door = rig.hub->add(4);
        serve(water, "Corvisent/W");
        serve(door, "Corvisent/P");
        finish(S().cmdConnectSensor_Click(1));
        finish(S().cmdConnectSensor_Click(2));
        QCOMPARE(rowState(1).section('|', 0, 0) + rowState(2).section('|', 0, 0), QString("DisconnectDisconnect"));
        water.setCd(true);
        door.setDsr(true);
        QTRY_COMPARE(M().lblSensorStatus[1]->text(), QString("Not Ok"));
        QTRY_COMPARE(M().lblSensorReading[2]->text(), QString("Event"));
        M().lblSensorStatus[1]->setText(QString());
        M().WaterTimer_Timer(1);
        QCOMPARE(M().lblSensorStatus[1]->text(), QString("Not OK"));
        QCOMPARE(rig.boxes->prompts(), QStringList());
    }

    // Marks are taken from every row before the first connects; a marked row is connected only
    // if its button still reads "Connect" when reached, and each connect is followed by a pause
    // of 1500 ms, the last one included.
    void connectAllMarksFirstThenConnectsWithPauses() {
        SensorRig rig;
        for (int row = 1; row <= 4; ++row)
            rig.record(row, strTypeWater, QString("Water %1").arg(row), QString::number(row), row + 2);
        rig.record(5, strTypeProximity, "Door", "1", 7);
        rig.load();
        QList<FakeSerialPort*> dev{nullptr};
        for (int row = 1; row <= 5; ++row) {
            dev << &rig.hub->add(row + 2);
            serve(*dev[row], row == 5 ? "Corvisent/P" : "Corvisent/W");
        }
        S().cmdConnectSensor[1]->setText("Disconnect"); // taken as connected already
        S().cmdConnectSensor[3]->setEnabled(false);
        // While row 2 connects, row 4 is shown as connected by someone else.
        dev[2]->setWriteHook(
            [](FakeSerialPort&, const QByteArray&) { S().cmdConnectSensor[4]->setText("Disconnect"); });

        const qint64 start = rt::Clock::elapsedMs();
        finish(S().cmdConnectAll_Click());
        const qint64 end = rt::Clock::elapsedMs();

        QVERIFY(dev[1]->writes().isEmpty() && dev[3]->writes().isEmpty() && dev[4]->writes().isEmpty());
        QCOMPARE(rowState(2).section('|', 0, 0), QString("Disconnect"));
        QCOMPARE(rowState(5).section('|', 0, 0), QString("Disconnect"));
        QCOMPARE(iConnectPort[4], 1); // marked in the first pass, skipped in the second
        QCOMPARE(iConnectPort[3], 0);
        QVERIFY(firstWrite(*dev[2]) >= start);
        QVERIFY2(firstWrite(*dev[5]) - lastWrite(*dev[2]) >= 1500, "pause after the first connect");
        QVERIFY2(end - lastWrite(*dev[5]) >= 1500, "pause after the last connect");
        QVERIFY(S().cmdConnectAll->isEnabled());
    }

    // The first row's first reading raises an alert mail whose mail program takes seconds: Connect
    // All keeps its own pace and asks the second row for its identity while the mail still goes out.
    void connectAllGoesOnWhileAnAlertMailIsHandedOver() {
        SensorRig rig;
        rig.record(1, strTypeTemperature, "Cold room", "1", 3);
        rig.record(2, strTypeTemperature, "Server room", "2", 4);
        rig.load();
        FakeSerialPort& first = rig.hub->add(3);
        FakeSerialPort& second = rig.hub->add(4);
        serve(first, "Corvisent/T", [](const QByteArray&) -> QByteArray { return "095.00F"; });
        serve(second, "Corvisent/T", [](const QByteArray&) -> QByteArray { return "070.00F"; });
        const QString mailer = rig.env.appDir() + "/sendmail";
        QVERIFY(writeWholeFile(mailer, "#!/bin/sh\ncat >/dev/null\nsleep 3\n"));
        QFile::setPermissions(mailer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("CORVISENT_SENDMAIL", QFile::encodeName(mailer));
        auto mailAlerts = [](int on) {
            LoadGuard quiet;
            S().txtTempMax->setText("80");
            rt::setValue(S().chkEmailAlert[1], on);
            S().chkEmailAlert[1]->setEnabled(true);
            rt::setOptionValue(on ? S().optUseMAPI : S().optUseSMTP, true);
        };
        mailAlerts(1);
        int mailsGoingOut = -1;
        second.setWriteHook([&mailsGoingOut](FakeSerialPort&, const QByteArray&) {
            if (mailsGoingOut < 0) mailsGoingOut = alertqueue::Pending();
        });

        finish(S().cmdConnectAll_Click());

        mailAlerts(0);
        alertqueue::Abandon();
        qunsetenv("CORVISENT_SENDMAIL");
        QCOMPARE(mailsGoingOut, 1);
        QCOMPARE(iPortOpen[2], typeTemperature);
    }

    // A row deleted while an earlier row waits for its identity reply is not connected: no box,
    // and no summary row is left showing for it.
    void connectAllSkipsARowDeletedMeanwhile() {
        SensorRig rig;
        for (int row = 1; row <= 3; ++row)
            rig.record(row, strTypeTemperature, QString("Room %1").arg(row), QString::number(row), row + 2);
        rig.load();
        QList<FakeSerialPort*> dev{nullptr};
        for (int row = 1; row <= 3; ++row)
            dev << &rig.hub->add(row + 2);
        serve(*dev[2], "Corvisent/T", [](const QByteArray&) -> QByteArray { return "070.00F"; });
        serve(*dev[3], "Corvisent/T", [](const QByteArray&) -> QByteArray { return "070.00F"; });
        int identityQueries = 0;
        dev[1]->setResponder([&](FakeSerialPort& p, const QByteArray& command) {
            if (command == "i" && ++identityQueries == 1) {
                QTimer::singleShot(0, [] { S().cmdDeleteMe_Click(3); });
                return;
            }
            p.inject(command == "i" ? "Corvisent/T\r\n" : "070.00F\r\n", FakeSerialPort::kReplyMs);
        });

        finish(S().cmdConnectAll_Click());

        QCOMPARE(rig.boxes->prompts(), QStringList());
        QCOMPARE(iPortOpen[1], typeTemperature);
        QCOMPARE(iPortOpen[2], typeTemperature);
        QCOMPARE(iPortOpen[3], 0);
        QVERIFY(dev[3]->writes().isEmpty() && !dev[3]->isOpen());
        for (QLabel* label : {M().lblSensor1[3], M().lblSensorReading[3], M().lblSensorStatus[3]})
            QVERIFY2(!rt::visible(label), qPrintable(label->objectName()));
    }

    // The main window's "Connect All" chosen while Connect All waits on a row does nothing: the
    // running one keeps its button off to its end and connects every row once.
    void connectAllIsNotEnteredTwice() {
        SensorRig rig;
        auto [first, second] = twoWaterRows(rig);
        bool buttonBack = false;
        first.setResponder([&](FakeSerialPort& p, const QByteArray&) {
            QTimer::singleShot(0, [&] {
                M().mnuPopupConnectAll_Click();
                buttonBack = S().cmdConnectAll->isEnabled();
            });
            p.inject("Corvisent/W\r\n", FakeSerialPort::kReplyMs);
        });

        finish(S().cmdConnectAll_Click());

        QVERIFY(!buttonBack);
        QCOMPARE(first.commands(), QList<QByteArray>{"i"});
        QCOMPARE(second.commands(), QList<QByteArray>{"i"});
        QCOMPARE(rowState(1).section('|', 0, 0) + rowState(2).section('|', 0, 0), QString("DisconnectDisconnect"));
        QVERIFY(S().cmdConnectAll->isEnabled());
    }

    // Runs last: the request to end cannot be taken back in this process. Connect All asked to end
    // while a row connects opens and queries no further row.
    void connectAllStopsWhenTheProgramEnds() {
        SensorRig rig;
        auto [first, second] = twoWaterRows(rig);
        first.setResponder([](FakeSerialPort& p, const QByteArray&) {
            p.inject("Corvisent/W\r\n");
            rt::RequestQuit();
        });
        // Once the end is asked for, the program clock's waits return at once: the test's own
        // loop runs the events until Connect All has ended.
        const rt::Task<> connecting = S().cmdConnectAll_Click();
        QTRY_VERIFY(connecting.isReady());
        QCOMPARE(second.openCount(), 0);
        QVERIFY(second.writes().isEmpty());
    }
};

QTEST_MAIN(TestLoadConnect)
#include "tst_loadconnect.moc"
