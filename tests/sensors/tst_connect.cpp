#include <QMenu>

#include "sensors/sensorrig.h"
#include "support/finish.h"
#include "support/simulator.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

const QDateTime kStart(QDate(2009, 3, 7), QTime(16, 8, 0));

// What each kind's row is stored as, the port control it uses, and its identity.
struct Kind {
    const char* name;
    QString type;
    int code;
    QString slot;
    QByteArray identity;
};
// (Built on first use: the type names are constants of another file.)
const QList<Kind>& kinds() {
    static const QList<Kind> list = {
        {"temperature", strTypeTemperature, typeTemperature, "1", "Corvisent/T"},
        {"humidity", strTypeHumidity, typeHumidity, "2", "Corvisent/H"},
        {"combined", strTypeComboHumid, typeCombo, "31", "Corvisent/H"},
        {"proximity", strTypeProximity, typeProximity, "1", "Corvisent/P"},
        {"water", strTypeWater, typeWater, "1", "Corvisent/W"},
        {"accelerometer", strTypeAccel, typeAccel, "1", "Corvisent/A"},
        {"distance", strTypeDistance, typeDistance, "1", "Corvisent/D"},
    };
    return list;
}

// Stores the kind's device at row 4 on COM 3 (both rows of a combined sensor) and loads it.
void storeKind(SensorRig& rig, const Kind& k, const QMap<QString, QString>& more = {}) {
    rig.record(4, k.type, QString("My ") + k.name, k.slot, 3, more);
    if (k.code == typeCombo) rig.record(5, strTypeComboTemp, QString("My ") + k.name, k.slot, 3, more);
    rig.load();
}

// The writes, one per Output, with "p" where a pause of 150 ms or more came between two:
// A temperature sensor stored at row 4 on COM 3 that leaves its first identity query unanswered
// and runs during() inside the connect's wait instead; it answers every later query.
FakeSerialPort& silentAtFirst(SensorRig& rig, std::function<void()> during) {
    storeKind(rig, kinds()[0]);
    FakeSerialPort& dev = rig.hub->add(3);
    dev.setResponder([first = true, during](FakeSerialPort& p, const QByteArray& command) mutable {
        if (command == "i" && std::exchange(first, false)) {
            QTimer::singleShot(0, during);
            return;
        }
        p.inject(command == "i" ? "Corvisent/T\r\n" : "070.00F\r\n", FakeSerialPort::kReplyMs);
    });
    return dev;
}

// Whether a stamp the program wrote lies between from (to the second) and to: on a loaded
// machine the fast program clock runs on by minutes, so no fixed minute fits.
bool stampedBetween(const QDateTime& stamp, const QDateTime& from, const QDateTime& to) {
    return stamp.isValid() && stamp >= from.addMSecs(-from.time().msec()) && stamp <= to;
}

// The time a log file's header says it was started.
QDateTime logStarted(const QByteArray& log) {
    static const QRegularExpression started("\r\nLog file started: (\\d+/\\d+/\\d{4},\\d+:\\d\\d:\\d\\d [AP]M)\r\n");
    return QDateTime::fromString(started.match(QString::fromLatin1(log)).captured(1), "M/d/yyyy,h:mm:ss AP");
}

// "i|p|CR" for "i", a pause, CR.
QString writePattern(const FakeSerialPort& dev) {
    QStringList parts;
    for (int i = 0; i < dev.writes().size(); ++i) {
        if (i > 0 && dev.writes()[i].atMs - dev.writes()[i - 1].atMs >= 150) parts << "p";
        parts << QString::fromLatin1(dev.writes()[i].bytes).replace("\r", "CR");
    }
    return parts.join('|');
}

} // namespace

class TestConnect : public QObject {
    Q_OBJECT
private slots:
    void init() {
        rt::Clock::setNow(kStart);
        rt::Clock::setSpeed(100);
    }
    void cleanup() { rt::Clock::reset(); }

    // Each kind opens its port with its line settings, asks for its identity in its own way,
    // opens its log file and shows the row connected.
    void connectsEveryKind_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < kinds().size(); ++i)
            QTest::newRow(kinds()[i].name) << i;
    }
    void connectsEveryKind() {
        QFETCH(int, index);
        const Kind& k = kinds()[index];
        SensorRig rig;
        storeKind(rig, k, {{"StartInProx", "1"}, {"StartInBump", "0"}});
        FakeSerialPort& dev = rig.hub->add(3);
        serve(dev, k.identity + "?", [](const QByteArray& c) -> QByteArray {
            return c == "tf" ? "072.50F" : c == "h" ? "45.20%" : c == "E" || c == "a+" ? "OK" : "";
        });
        const int before = iPortOpen[0];
        QList<QLabel*> noDevice{M().lblNoTDevicePresent, M().lblNoHDevicePresent, M().lblNoPDevicePresent,
                                M().Label2, M().lblNoAccelDevices, M().lblNoDistanceDevices};
        for (QLabel* l : noDevice) l->setHidden(false);
        const QDateTime connecting = rt::Clock::now();
        finish(S().cmdConnectSensor_Click(4));
        const QDateTime connected = rt::Clock::now();

        platform::MSCommControl* port = PortOf(4, k.code);
        QVERIFY(port->portOpen());
        const bool polled = k.code == typeTemperature || k.code == typeHumidity || k.code == typeCombo;
        const bool streams = k.code == typeAccel || k.code == typeDistance;
        const QMap<int, QString> settings{{typeAccel, "19200,o,8,1"},
                                          {typeDistance, "9600,o,8,1"},
                                          {typeProximity, "19200,o,8,1"},
                                          {typeWater, "19200,o,8,1"}};
        QCOMPARE(port->settings(), settings.value(k.code, "9600,n,8,1"));
        QCOMPARE(dev.settings().parity, polled ? 'n' : 'o');
        QCOMPARE(port->rThreshold(), streams ? 1 : 0);
        QCOMPARE(port->sThreshold(), streams ? 1 : 0);
        QCOMPARE(QList<int>({port->handshaking(), port->inputMode(), port->inputLen()}), QList<int>({0, 1, 0}));
        QVERIFY(port->rtsEnable());
        QVERIFY2(writePattern(dev).startsWith(streams ? "i|p|CR" : "iCR"), qPrintable(writePattern(dev)));
        QCOMPARE(dev.commands().count("i"), 1);
        QCOMPARE(iPortOpen[4], k.code);
        QCOMPARE(iPortOpen[0], before + (k.code == typeCombo ? 2 : 1));
        const QMap<int, QString> reading{
            {typeTemperature, "72.5"}, {typeHumidity, "45.2"}, {typeCombo, "45.2"}, {typeDistance, " "}};
        QCOMPARE(rowState(4), "Disconnect|OK|" + reading.value(k.code) + "|greendot.gif");
        QVERIFY(!S().cmdDeleteMe[4]->isEnabled());
        QCOMPARE(M().Timer1[4]->enabled(), polled);

        // The summary: the no-device labels the kind hides (the water kind also the proximity
        // one) and the accelerometer's smaller reading.
        const QMap<int, QString> hides{{typeTemperature, "0"}, {typeHumidity, "1"}, {typeProximity, "2"},
                                       {typeWater, "23"},      {typeAccel, "4"},    {typeDistance, "5"}};
        QString hidden;
        for (int i = 0; i < noDevice.size(); ++i)
            if (noDevice[i]->isHidden()) hidden += QString::number(i);
        QCOMPARE(hidden, hides.value(k.code));
        if (k.code == typeAccel) QCOMPARE(M().lblSensorReading[4]->font().pointSizeF(), 8.0);

        // Log files: one per row, named by the stamp, with their header and an empty line.
        const QStringList files = rig.logFiles();
        const bool combo = k.code == typeCombo;
        QCOMPARE(files.size(), combo ? 2 : 1);
        QVERIFY2(QRegularExpression(combo ? "^03072009_\\d{6}_Humid.txt$" : "^03072009_\\d{6}.txt$")
                     .match(files[0])
                     .hasMatch(),
                 qPrintable(files[0]));
        // The name's hours are on the 12-hour clock without AM or PM; the test runs in the afternoon.
        const QDateTime named = QDateTime::fromString(files[0].left(15), "MMddyyyy_hhmmss").addSecs(12 * 3600);
        QVERIFY2(stampedBetween(named, connecting, connected), qPrintable(files[0]));
        const QString title = QString("My ") + k.name + (combo ? " - Humidity" : "");
        const QByteArray log = readWholeFile(rig.logPath(files[0]));
        QVERIFY(QRegularExpression("^" + title + "\r\nLog file started: 3/7/2009,\\d+:\\d\\d:\\d\\d PM\r\n\r\n")
                    .match(log)
                    .hasMatch());
        QVERIFY(stampedBetween(logStarted(log), connecting, connected));
        if (combo) {
            QCOMPARE(files[1], files[0].left(15) + "_Temp.txt");
            QCOMPARE(rowState(5), QString("Connect|OK|72.5|greendot.gif")); // its own button is not shown
        }

        // The start mode: the distance sensor stored to start in proximity mode gets "E", the
        // accelerometer stored to start streaming gets its stream command; the flags follow.
        if (k.code == typeDistance || k.code == typeAccel) {
            const bool dist = k.code == typeDistance;
            QVERIFY2(writePattern(dev).endsWith(dist ? "|E|p|CR" : "|a|p|+|p|CR"), qPrintable(writePattern(dev)));
            QCOMPARE(rt::value(S().chkBinaryMode[4]), dist ? 1 : 0);
        }

        // Disconnect takes the row back by its kind, even after its port box was emptied.
        S().txtDeviceComNumber[4]->setText("");
        finish(S().cmdConnectSensor_Click(4));
        QVERIFY(!port->portOpen() && iPortOpen[4] == 0);
    }

    // A silent sensor is asked three times, then the row is disabled; another device's answer
    // gives the kind's messages.
    void failuresPerKind_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("messages");
        const QString returned = "Device string returned: Corvisent/X\r\n";
        const QStringList silent{
            "Device not responding to ID query.",       "Device not responding to ID query.",
            "Device not responding to ID query.",       "Proximity sensor not responding to ID query.",
            "Water sensor not responding to ID query.", "Proximity sensor not responding to ID query.",
            "Sensor not responding to ID query."};
        const QString appears = "Device appears to be a Corvisent/X?\r\n";
        const QStringList other{appears,
                                appears,
                                appears,
                                "Device is not a Corvisent/P (Proximity Sensor)",
                                appears,
                                "Device is not a Corvisent/A (Accelerometer Sensor)",
                                "Device is not a Corvisent/D (Distance Sensor)"};
        for (int i = 0; i < kinds().size(); ++i) {
            QTest::addRow("%s silent", kinds()[i].name) << i << QByteArray() << QStringList{silent[i]};
            QStringList wrong{other[i]};
            if (other[i].startsWith("Device is not")) wrong << returned;
            QTest::addRow("%s other device", kinds()[i].name) << i << QByteArray("Corvisent/X?") << wrong;
        }
    }
    void failuresPerKind() {
        QFETCH(int, index);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, messages);
        const Kind& k = kinds()[index];
        SensorRig rig;
        storeKind(rig, k);
        FakeSerialPort& dev = rig.hub->add(3);
        if (!answer.isEmpty()) serve(dev, answer);
        const int before = iPortOpen[0];
        finish(S().cmdConnectSensor_Click(4));
        QCOMPARE(rig.boxes->prompts(), messages);
        if (answer.isEmpty()) QCOMPARE(dev.commands().size(), 3);
        QVERIFY(!dev.isOpen());
        QCOMPARE(iPortOpen[4], 0);
        QCOMPARE(iPortOpen[0], before);
        QCOMPARE(iDeviceType(4), 99);
        QCOMPARE(rowState(4), QString("Connect|Sensor Error|OFF|reddot.gif"));
        QVERIFY(rig.logFiles().isEmpty());

        // The sensor answers at the next try: connected, and no longer marked disabled.
        rig.boxes->clear();
        serve(dev, k.identity, [](const QByteArray&) -> QByteArray { return "070.00F"; });
        finish(S().cmdConnectSensor_Click(4));
        QCOMPARE(iDeviceType(4), k.code);
        QVERIFY(rowState(4).startsWith("Disconnect|OK|"));
    }

    // Replies from a related device: a temperature row takes a combined sensor and a distance
    // row a proximity sensor; a humidity or combined row answered by a temperature sensor is
    // removed, its port closed first.
    void relatedDeviceIsTakenOrItsRowRemoved() {
        for (int index : {0, 6}) {
            SensorRig rig;
            storeKind(rig, kinds()[index]);
            serve(rig.hub->add(3), index == 0 ? "Corvisent/H" : "Corvisent/P",
                  [](const QByteArray&) -> QByteArray { return "070.00F"; });
            finish(S().cmdConnectSensor_Click(4));
            QCOMPARE(iPortOpen[4], kinds()[index].code);
        }
        for (int index : {1, 2}) {
            SensorRig rig;
            storeKind(rig, kinds()[index]);
            FakeSerialPort& dev = rig.hub->add(3);
            serve(dev, "Corvisent/T");
            finish(S().cmdConnectSensor_Click(4));
            QCOMPARE(rig.boxes->prompts(), QStringList{"Warning: Device appears to be a Corvisent/T\r\n"});
            QVERIFY(!dev.isOpen());
            QCOMPARE(rig.stored(4, "DeviceType"), QString("<none>"));
            QCOMPARE(iPortOpen[0], 0);
        }
    }

    // Delete while the row waits for its sensor's first identity reply: the connect ends there.
    // No query reaches the sensor afterwards, its port is closed, nothing is shown and the row is
    // never polled.
    void deleteDuringTheIdentityWait() {
        SensorRig rig;
        FakeSerialPort& dev = silentAtFirst(rig, [] { S().cmdDeleteMe_Click(4); });
        finish(S().cmdConnectSensor_Click(4));
        runUntil(kStart.addSecs(200));
        QCOMPARE(dev.commands(), QList<QByteArray>{"i"});
        QVERIFY(!dev.isOpen() && !M().MSComm[4]->portOpen());
        QCOMPARE(rig.boxes->prompts(), QStringList());
        QCOMPARE(iPortOpen[0], 0);
        QVERIFY(!M().Timer1[4]->enabled());
        QVERIFY(!rt::visible(M().lblSensorReading[4]) && !rt::visible(M().lblSensorStatus[4]));
    }

    // "Connect This Sensor" chosen on the main window while the row's own connect waits for its
    // first identity reply is not offered and does nothing: no second connect, no box, and the
    // sensor that answers the next query is connected.
    void secondConnectDuringTheIdentityWait() {
        SensorRig rig;
        bool offered = true;
        FakeSerialPort& dev = silentAtFirst(rig, [&] {
            M().lblSensor1_MouseDown(4, 2, 0, 0, 0);
            M().mnuPopUp->hide();
            offered = rt::enabled(M().mnuPopUpConnectThisSensor);
            M().mnuPopUpConnectThisSensor_Click();
        });
        finish(S().cmdConnectSensor_Click(4));
        QVERIFY(!offered);
        QCOMPARE(rig.boxes->prompts(), QStringList());
        QCOMPARE(dev.openCount(), 1);
        QCOMPARE(dev.commands(), (QList<QByteArray>{"i", "i", "tf"}));
        QCOMPARE(rowState(4), QString("Disconnect|OK|70|greendot.gif"));
    }

    // A stream line that comes behind the start command's first "OK", while the command is being
    // sent again, is logged as a reading like the later ones; neither "OK" is.
    void linesDuringTheStreamStartAreReadings() {
        SensorRig rig;
        storeKind(rig, kinds()[5], {{"StartInBump", "0"}});
        FakeSerialPort& dev = rig.hub->add(3);
        serve(dev, "Corvisent/A", [&](const QByteArray& c) -> QByteArray {
            if (c != "a+") return "";
            if (dev.commands().count("a+") == 1) dev.inject("0 -0.50\r\n", 100);
            return "OK";
        });
        finish(S().cmdConnectSensor_Click(4));
        // The line is shown once the stream's handler has taken it; then time for the replies
        // behind it, counted from there (a busy machine may have taken minutes of the fast clock).
        QVERIFY(rt::WaitUntil([] { return M().lblSensorReading[4]->text() == "0 -0.50"; }, 600000));
        runUntil(rt::Clock::now().addSecs(10));
        QCOMPARE(dev.commands().count("a+"), 2);
        const QStringList logged = QString::fromLatin1(readWholeFile(RowOf(4).logPath))
                                       .split("\r\n")
                                       .filter(QRegularExpression("[AP]M: "));
        QCOMPARE(logged.size(), 1);
        QVERIFY2(logged[0].endsWith("M: 0 -0.50"), qPrintable(logged[0]));
        QCOMPARE(M().lblSensorReading[4]->text(), QString("0 -0.50"));
    }

    // A combined pair stored the wrong way round (temperature half first) above a plain
    // temperature sensor: the humidity half is refused, so the plain sensor keeps its own log
    // file and readings; deleting the refused half leaves the plain sensor's record alone.
    void combinedPairOutOfOrder() {
        SensorRig rig;
        rig.record(1, strTypeComboTemp, "Lab", "12", 3);
        rig.record(2, strTypeComboHumid, "Lab", "12", 3);
        rig.record(3, strTypeTemperature, "Freezer", "3", 4);
        rig.load();
        serve(rig.hub->add(3), "Corvisent/H", [](const QByteArray& c) -> QByteArray {
            return c == "tf" ? "072.50F" : c == "h" ? "45.20%" : "";
        });
        serve(rig.hub->add(4), "Corvisent/T", [](const QByteArray&) -> QByteArray { return "010.00F"; });

        finish(S().cmdConnectSensor_Click(3));
        finish(S().cmdConnectSensor_Click(2));
        QCOMPARE(rig.boxes->prompts().size(), 1);
        QVERIFY(rig.boxes->prompts()[0].contains("row below it does not hold its temperature half"));
        QCOMPARE(iPortOpen[2], 0);
        QVERIFY(!M().MSComm[2]->portOpen());
        QCOMPARE(iPortOpen[3], typeTemperature);
        QCOMPARE(iDeviceType(3), typeTemperature);
        QCOMPARE(rig.logFiles().size(), 1);

        runUntil(kStart.addSecs(5));
        const QByteArray log = readWholeFile(rig.logPath(rig.logFiles().first()));
        QVERIFY(log.startsWith("Freezer\r\n"));
        QVERIFY(log.contains("10.00F"));
        QVERIFY(!log.contains("72.5") && !log.contains("45.2"));
        QCOMPARE(M().lblSensorReading[3]->text(), QString("10"));

        S().cmdDeleteMe_Click(2);
        QCOMPARE(rig.stored(2, "DeviceType"), QString("<none>"));
        QCOMPARE(rig.stored(3, "DeviceName"), QString("Freezer"));
        QCOMPARE(S().lblDeviceType[3]->text(), strTypeTemperature);
    }

    // Rows that are not connected from their own button, a port already in use, a slot outside
    // the tab, a missing log folder and a port that does not exist.
    void rowsThatCannotConnect() {
        SensorRig rig;
        rig.record(1, strTypeComboHumid, "Lab", "12", 3);
        rig.record(2, strTypeComboTemp, "Lab", "12", 3);
        rig.record(4, strTypeTemperature, "Freezer", "3", 4);
        rig.record(6, strTypeHumidity, "Cellar", "1", 9);
        rig.load();
        serve(rig.hub->add(4), "Corvisent/T", [](const QByteArray&) -> QByteArray { return "070.00F"; });

        finish(S().cmdConnectSensor_Click(2));
        QCOMPARE(rig.boxes->prompts().join("|"), QString("Device not found."));
        QCOMPARE(iPortOpen[0], 0);

        rig.boxes->clear();
        S().lblDeviceType[3]->setText(strTypeVideoMotion);
        S().lblDeviceType[3]->show();
        finish(S().cmdConnectSensor_Click(3));
        QCOMPARE(iDeviceType(3), 99);

        // The port control is already open.
        M().MSComm[4]->setCommPort(4);
        M().MSComm[4]->setPortOpen(true);
        finish(S().cmdConnectSensor_Click(4));
        QCOMPARE(rig.boxes->prompts(), QStringList{"Port already open"});
        QVERIFY(!M().MSComm[4]->portOpen());
        QCOMPARE(iDeviceType(4), 99);

        // A slot the tab does not have: the error is shown and the row taken back.
        rig.boxes->clear();
        RegisterRow(4, typeTemperature, 6);
        finish(S().cmdConnectSensor_Click(4));
        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"Error: Subscript out of range.\r\n Please make sure sensor is connected and "
                             "that you have the correct COM port."});
        QCOMPARE(rowState(4), QString("Connect|Sensor Error|OFF|reddot.gif"));

        // The log folder is gone: the user is asked for another, the row stays ready to connect.
        rig.boxes->clear();
        RegisterRow(4, typeTemperature, 3);
        rt::setCaption(S().lblLogDirectory, rig.logs.path() + "/gone");
        rig.boxes->queue(QVariant()); // the folder question is cancelled
        finish(S().cmdConnectSensor_Click(4));
        const QStringList prompts = rig.boxes->prompts();
        QCOMPARE(prompts.size(), 3);
        QVERIFY(prompts[0].startsWith("Error: Path not found."));
        QCOMPARE(prompts[2], QString("Please enter the full path name including drive letter:"));
        QVERIFY(!M().MSComm[4]->portOpen());
        QVERIFY(rowState(4).startsWith("Connect|"));
        rt::setCaption(S().lblLogDirectory, rig.logs.path());
        finish(S().cmdConnectSensor_Click(4));
        QCOMPARE(iPortOpen[4], typeTemperature);
    }

    // Through a pseudo-terminal and the sensor simulator: a temperature sensor is connected,
    // read on its interval and logged.
    void temperatureSensorThroughThePty() {
        SensorRig rig(false);
        rt::Clock::setSpeed(10);
        SensorSimulator sim({"T", "--temp", "68.25"});
        QVERIFY(!sim.path().isEmpty());
        sim.mapTo(7);
        S().cmbMinOrSecs->setCurrentIndex(1);
        S().txtReadingInterval->setText("3");
        rig.record(1, strTypeTemperature, "Pty freezer", "1", 7);
        rig.load();
        const QDateTime start = rt::Clock::now();
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(rig.boxes->prompts().join("|"), QString());
        QCOMPARE(M().lblSensorReading[1]->text(), QString("68.25"));
        const QString path = RowOf(1).logPath;
        QVERIFY(rt::WaitUntil([&] { return readWholeFile(path).count("\r\n") >= 6; }, 60000));
        sim.tell("temp 70");
        QVERIFY(rt::WaitUntil([&] { return readWholeFile(path).contains(",70.00F\r\n"); }, 60000));
        QCOMPARE(M().lblTHighest[1]->text() + "/" + M().lblTLowest[1]->text(), QString("70/68.25"));
        finish(S().cmdConnectSensor_Click(1));
        QVERIFY(!M().MSComm[1]->portOpen());

        const QDateTime end = rt::Clock::now();
        const QList<QByteArray> lines = readWholeFile(path).split('\n');
        QVERIFY(readWholeFile(path).startsWith("Pty freezer\r\nLog file started: 3/7/2009,"));
        QVERIFY(stampedBetween(logStarted(readWholeFile(path)), start, end));
        QCOMPARE(lines[2], QByteArray("\r"));
        const QRegularExpression reading("^(03-07-2009,\\d\\d:\\d\\d:\\d\\dPM),(68.25|70.00)F\r$");
        for (const QByteArray& l : lines.mid(3, lines.size() - 4)) {
            const QRegularExpressionMatch m = reading.match(QString::fromLatin1(l));
            QVERIFY2(m.hasMatch(), l.constData());
            QVERIFY2(stampedBetween(QDateTime::fromString(m.captured(1), "MM-dd-yyyy,hh:mm:ssAP"), start, end),
                     l.constData());
        }
        QVERIFY(lines.last().isEmpty());
    }

    // Runs last: the request to end cannot be taken back in this process. Asked to end while the
    // row waits for its sensor's first identity reply, the connect stops there: no further query,
    // no box, its port closed.
    void endRequestDuringTheIdentityWait() {
        SensorRig rig;
        FakeSerialPort& dev = silentAtFirst(rig, [] { rt::RequestQuit(); });
        // Once the end is asked for, the program clock's waits return at once: the test's own
        // loop runs the events until the connect has ended.
        const rt::Task<> connecting = S().cmdConnectSensor_Click(4);
        QTRY_VERIFY(connecting.isReady());
        QCOMPARE(dev.commands(), QList<QByteArray>{"i"});
        QCOMPARE(rig.boxes->prompts(), QStringList());
        QVERIFY(!dev.isOpen() && !M().MSComm[4]->portOpen());
        QCOMPARE(iPortOpen[4], 0);
    }
};

QTEST_MAIN(TestConnect)
#include "tst_connect.moc"
