#include "platform/registry.h"
#include "sensors/sensorrig.h"
#include "support/finish.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

const QDateTime kStart(QDate(2009, 3, 7), QTime(9, 15, 0));

// An accelerometer at row 1 (COM 3, slot 1) and a distance sensor at row 2 (COM 4, slot 2),
// both stored to start streaming, answering "OK" to mode and sensitivity commands unless told.
struct ModeRig : SensorRig {
    FakeSerialPort* accel = nullptr;
    FakeSerialPort* dist = nullptr;
    bool answerOk = true;
    bool answersStop = false; // "OK" to "S" as well
    QByteArray sensitivityAnswer = "OK";
    int streamAnswers = 0; // answers to "D+" that come with the next write

    explicit ModeRig(const QMap<QString, QString>& accelRecord = {{"StartInBump", "0"}}, bool connect = true) {
        rt::Clock::setNow(kStart);
        rt::Clock::setSpeed(100);
        record(1, strTypeAccel, "Shelf", "1", 3, accelRecord);
        record(2, strTypeDistance, "Door", "2", 4, {{"StartInProx", "0"}});
        load();
        accel = &hub->add(3);
        dist = &hub->add(4);
        auto answer = [this](const QByteArray& c) -> QByteArray {
            if (c.startsWith('M')) return sensitivityAnswer;
            return answerOk && (c != "S" || answersStop) ? "OK" : "";
        };
        serve(*accel, "Corvisent/A", answer);
        serve(*dist, "Corvisent/D", answer);
        if (!connect) return;
        finish(S().cmdConnectSensor_Click(1));
        finish(S().cmdConnectSensor_Click(2));
        accel->clearWrites();
        dist->clearWrites();
        // A mode switch looks for the answer to the distance stream command right after its CR.
        // The answer comes with the next byte written, so that it is always later than that look:
        // after a program-clock delay it would be in by then whenever the machine is busy enough
        // to hold the process between the two.
        dist->setWriteHook([this](FakeSerialPort& p, const QByteArray&) {
            for (; streamAnswers > 0; --streamAnswers)
                p.inject("OK\r\n");
        });
        serve(*dist, "Corvisent/D", [this, answer](const QByteArray& c) -> QByteArray {
            if (c != "D+") return answer(c);
            if (answerOk) ++streamAnswers;
            return "";
        });
    }
};

// The commands written since the last clear, each up to its CR.
QStringList commands(const FakeSerialPort& dev) {
    QStringList out;
    for (const QByteArray& c : dev.commands())
        out << QString::fromLatin1(c);
    return out;
}

QString topLine(QPlainTextEdit* box) {
    return box->toPlainText().section('\n', 0, 0);
}

} // namespace

class TestModes : public QObject {
    Q_OBJECT
private slots:
    // The accelerometer's tab button into bump monitoring and back: the sensor, the row's flag,
    // its event-mode box and start-mode mark and the stored start mode move together.
    void accelerometerTabButton() {
        ModeRig rig;
        finish(M().cmdSetToBump_Click(1));
        QCOMPARE(commands(*rig.accel), (QStringList{"S", "e"}));
        QCOMPARE(M().MSCommA[1]->rThreshold(), 1);
        QCOMPARE(iBumpMode[1], 1);
        QCOMPARE(rt::value(S().chkBinaryMode[1]), 1);
        QCOMPARE(RowOf(1).startMode, QString("1"));
        QCOMPARE(rig.stored(1, "StartInBump"), QString("1"));
        QVERIFY(QRegularExpression("^09:\\d\\d:\\d\\dAM Set To Bump Mode$")
                    .match(topLine(M().txtAccelData[1]))
                    .hasMatch());

        rig.accel->clearWrites();
        finish(M().cmdSetToBump_Click(1));
        QCOMPARE(commands(*rig.accel), (QStringList{"S", "a+"}));
        QCOMPARE(iBumpMode[1], 0);
        QCOMPARE(RowOf(1).startMode, QString("0"));
        QCOMPARE(rig.stored(1, "StartInBump"), QString("0"));
        QVERIFY(topLine(M().txtAccelData[1]).endsWith(" Set to Accel Mode"));

        // A sensor that never answers "OK" has the event command fifteen times.
        rig.answerOk = false;
        rig.accel->clearWrites();
        finish(M().cmdSetToBump_Click(1));
        QCOMPARE(commands(*rig.accel).count("e"), 15);

        // A closed port: the message only.
        M().MSCommA[1]->setPortOpen(false);
        finish(M().cmdSetToBump_Click(1));
        QCOMPARE(rig.boxes->prompts(), QStringList{"Sensor has not been opened"});
    }

    // A sensor that answers "OK" to every command, the stop included: the replies to a command
    // that starts the stream again or sets the sensitivity are no readings, in the log file or on
    // the tab; the stream's own line after them is.
    void modeRepliesAreNoReadings_data() {
        QTest::addColumn<QString>("path");
        for (const char* path : {"tab, stop monitoring", "popup, out of bump mode", "popup, sensitivity",
                                 "tab, distance mode", "popup, distance mode"})
            QTest::newRow(path) << QString(path);
    }
    void modeRepliesAreNoReadings() {
        QFETCH(QString, path);
        ModeRig rig;
        rig.answersStop = true;
        M().cmdSetToBump[1]->setText("Set to Monitor 'bump'");
        const bool accel = !path.contains("distance");
        if (path == "tab, stop monitoring") {
            finish(M().cmdSetToBump_Click(1));
            finish(M().cmdSetToBump_Click(1));
            QCOMPARE(M().cmdSetToBump[1]->text(), QString("Set to Monitor 'bump'"));
        } else if (path == "popup, out of bump mode") {
            finish(M().cmdSetToBump_Click(1));
            iSelectedRow = 1;
            M().mnuPopUpSetToBinaryMode->setText("Take out of Bump mode");
            finish(M().mnuPopUpSetToBinaryMode_Click());
        } else if (path == "popup, sensitivity") {
            iSelectedRow = 1;
            rig.boxes->queue(QString("3"));
            finish(M().mnuPopupSetSensitivity_Click());
        } else if (path == "tab, distance mode") {
            M().cmdSetToProximityMode[2]->setText("Set to Proximity mode");
            finish(M().cmdSetToProximityMode_Click(2));
            finish(M().cmdSetToProximityMode_Click(2));
        } else {
            iSelectedRow = 2;
            for (const char* caption : {"Set to Proximity mode", "Set to Distance mode"}) {
                M().mnuPopupSetProximityMode->setText(caption);
                finish(M().mnuPopupSetProximityMode_Click());
            }
        }
        QCOMPARE(accel ? iBumpMode[1] : iProxMode[2], 0);
        // The stream's line, twice: after a popup command the port's next data event only drains it.
        // The second comes once the first has been taken in, so that one event never holds both.
        const int row = accel ? 1 : 2;
        const QString line = accel ? "+01.25 -00.50" : "45cm";
        platform::MSCommControl* port = PortOf(row, iDeviceType(row));
        for (int i = 0; i < 2; ++i) {
            const qint64 due = rt::Clock::elapsedMs() + 500;
            (accel ? rig.accel : rig.dist)->inject(line.toLatin1() + "\r\n", 500);
            QVERIFY(rt::WaitUntil([&] { return rt::Clock::elapsedMs() >= due && port->peekInput().isEmpty(); }, 60000));
        }
        QVERIFY(rt::WaitUntil([&] { return M().lblSensorReading[row]->text() == line; }, 60000));
        QStringList logged = QString::fromLatin1(readWholeFile(RowOf(row).logPath)).split("\r\n");
        if (accel) logged += M().txtAccelData[1]->toPlainText().split('\n');
        logged = logged.filter(QRegularExpression("M: "));
        QVERIFY2(!logged.isEmpty() &&
                     logged.filter(QRegularExpression("M: (?!" + QRegularExpression::escape(line) + "$)"))
                         .isEmpty(),
                 qPrintable(logged.join('|')));
    }

    // The row disconnected and connected again while a mode switch waits: the switch ends there
    // and leaves the new connection alone (no event command, mode, mark or stored mode).
    void modeSwitchEndsWhenItsRowReconnects() {
        ModeRig rig;
        bool reconnected = false;
        rig.accel->setWriteHook([&](FakeSerialPort&, const QByteArray& bytes) {
            if (bytes != "S" || std::exchange(reconnected, true)) return;
            QTimer::singleShot(0, [] {
                finish(S().cmdConnectSensor_Click(1));
                finish(S().cmdConnectSensor_Click(1));
            });
        });
        finish(M().cmdSetToBump_Click(1));
        QVERIFY(reconnected);
        QVERIFY(!commands(*rig.accel).contains("e"));
        QCOMPARE(iBumpMode[1], 0);
        QCOMPARE(RowOf(1).startMode, QString("0"));
        QCOMPARE(rig.stored(1, "StartInBump"), QString("0"));
        QCOMPARE(M().cmdSetToBump[1]->text(), QString("Set to Monitor 'bump'"));
        QVERIFY(M().MSCommA[1]->portOpen());
        QCOMPARE(rig.boxes->prompts(), QStringList());
    }

    // The distance tab button: the design caption is taken whatever its letter case; the
    // start-mode mark follows the stored mode both ways.
    void distanceTabButton() {
        ModeRig rig;
        M().cmdSetToProximityMode[2]->setText("Set to Proximity Mode");
        finish(M().cmdSetToProximityMode_Click(2));
        QCOMPARE(commands(*rig.dist), (QStringList{"S", "e"}));
        QCOMPARE(iProxMode[2], 1);
        QCOMPARE(RowOf(2).startMode, QString("1"));
        QCOMPARE(rig.stored(2, "StartInProx"), QString("1"));
        QCOMPARE(M().mnuPopupSetProximityMode->text(), QString("Set to Distance Mode"));
        QVERIFY(topLine(M().txtDistanceData[2]).endsWith(" Set to Proximity mode"));

        // The stream command's "OK" is read at the next pass (no pause after its CR).
        rig.dist->clearWrites();
        finish(M().cmdSetToProximityMode_Click(2));
        QCOMPARE(commands(*rig.dist), (QStringList{"S", "D+", "D+"}));
        QCOMPARE(iProxMode[2], 0);
        QCOMPARE(RowOf(2).startMode, QString("0"));
        QCOMPARE(rig.stored(2, "StartInProx"), QString("0"));

        // Closed port: the row shows "OFF" and the popup offers to connect it.
        M().MSCommD[2]->setPortOpen(false);
        finish(M().cmdSetToProximityMode_Click(2));
        QCOMPARE(M().lblSensorReading[2]->text(), QString("OFF"));
        QCOMPARE(M().mnuPopUpConnectThisSensor->text(), QString("Connect This Sensor"));
    }

    // The popup entries switch the selected row, mark its port so that its next data event only
    // drains it, and store the mode; they write no tab log line.
    void popupModeEntries() {
        ModeRig rig;
        // The sensor's answer to the connect's stream command is a line of the stream, not of
        // the switch.
        QTest::qWait(50);
        M().txtAccelData[1]->clear();
        iSelectedRow = 1;
        M().mnuPopUpSetToBinaryMode->setText("Set to Bump mode");
        finish(M().mnuPopUpSetToBinaryMode_Click());
        QCOMPARE(commands(*rig.accel), (QStringList{"S", "e"}));
        QVERIFY(bSettingModeRow[1] && !bSettingModeRow[2]);
        QCOMPARE(rig.stored(1, "StartInBump"), QString("1"));
        QCOMPARE(M().cmdSetToBump[1]->text(), QString("Stop monitoring"));
        QVERIFY(M().txtAccelData[1]->toPlainText().isEmpty());

        rig.accel->clearWrites();
        M().mnuPopUpSetToBinaryMode->setText("Take out of Bump mode");
        finish(M().mnuPopUpSetToBinaryMode_Click());
        QCOMPARE(commands(*rig.accel), (QStringList{"S", "A+"}));
        QCOMPARE(rig.stored(1, "StartInBump"), QString("0"));

        iSelectedRow = 2;
        M().mnuPopupSetProximityMode->setText("Set to Proximity mode");
        finish(M().mnuPopupSetProximityMode_Click());
        QCOMPARE(commands(*rig.dist), (QStringList{"S", "E"}));
        QCOMPARE(RowOf(2).startMode, QString("1"));
        QCOMPARE(rig.stored(2, "StartInProx"), QString("1"));
        QVERIFY(bSettingModeRow[2]);

        rig.dist->clearWrites();
        M().mnuPopupSetProximityMode->setText("Set to Distance mode");
        finish(M().mnuPopupSetProximityMode_Click());
        QCOMPARE(commands(*rig.dist), (QStringList{"S", "D+", "D+"}));
        QCOMPARE(rig.stored(2, "StartInProx"), QString("0"));
    }

    // Sensitivity: the tab button sends any number typed and puts the sensor back into its
    // mode; the popup asks again until it gets a whole number from 1 to 9 and stores it.
    void sensitivityIsSentAsTypedOrAskedUntilOneToNine() {
        ModeRig rig;
        rig.boxes->queue(QString("12"));
        finish(M().cmdSensD_Click(2));
        QCOMPARE(commands(*rig.dist), (QStringList{"M12", "S", "D+", "D+"}));
        QVERIFY(topLine(M().txtDistanceData[2]).endsWith(" Set to Distance mode"));
        QCOMPARE(M().txtDistanceData[2]->toPlainText().section('\n', 1, 1).mid(10),
                 QString(" Setting Sens = 12"));

        rig.dist->clearWrites();
        rig.boxes->queue(QVariant()); // cancelled
        finish(M().cmdSensD_Click(2));
        QVERIFY(rig.dist->commands().isEmpty());

        rig.sensitivityAnswer = "Error OK";
        rig.boxes->clear();
        rig.boxes->queue(QString("4"));
        finish(M().cmdSetBumpSens_Click(1));
        QCOMPARE(commands(*rig.accel).count("M4"), 1);
        QCOMPARE(rig.boxes->prompts().last(), QString("Sensor responded with Sensor Error"));

        rig.boxes->clear();
        rig.dist->clearWrites();
        iSelectedRow = 2;
        for (const char* answer : {"0", "10", "2.5"}) {
            rig.boxes->queue(QString(answer));
            rig.boxes->queue(int(rt::vbOK)); // the refusal
        }
        rig.boxes->queue(QString("3"));
        finish(M().mnuPopupSetSensitivity_Click());
        QCOMPARE(rig.boxes->prompts().count("Number must be an integer between 1 and 9"), 3);
        QCOMPARE(commands(*rig.dist), (QStringList{"M3", "D+"}));
        QCOMPARE(rig.stored(2, "ProxSens"), QString("3"));
    }

    // Connected with bump mode stored and calibration asked for: the start mode, then the
    // calibration; the start mode itself stores nothing (the loaded mode is used even after its
    // stored key went).
    void startModeAndCalibrationOnConnect() {
        ModeRig rig({{"StartInBump", "1"}, {"CalibrateOnConnect", "1"}}, false);
        platform::DeleteSetting(modPrefs::kApp, "PortConfig\\Devices\\1", "StartInBump");
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(iBumpMode[1], 1);
        QCOMPARE(rig.stored(1, "StartInBump"), QString("<none>"));
        const QStringList sent = commands(*rig.accel);
        QCOMPARE(sent, (QStringList{"i", "E", "c", "S", "E"})); // identify, start mode, calibration
        QVERIFY(topLine(M().txtAccelData[1]).endsWith(" Calibrated"));
    }
};

QTEST_MAIN(TestModes)
#include "tst_modes.moc"
