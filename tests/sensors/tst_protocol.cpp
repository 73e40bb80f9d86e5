#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <memory>

#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "sensors/modCorvisent.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/fakeserial.h"
#include "support/finish.h"
#include "support/testenv.h"

using namespace modCorvisent;
using Bytes = QList<QByteArray>;

namespace {

const QDateTime kStart(QDate(2009, 3, 7), QTime(16, 8, 0));
constexpr int kRow = 2;
constexpr int kSlot = 1;
const QString kSilent = "StandardRead: Sensor not responding after 10 queries.  Disconnecting sensor.";

// The pieces written, one per Output.
Bytes pieces(const FakeSerialPort& dev) {
    Bytes out;
    for (const FakeSerialPort::Write& w : dev.writes())
        out.append(w.bytes);
    return out;
}

// Whether each pause between consecutive writes, from the first write on, lasted at least the
// given program-clock milliseconds (0 = no pause asked for).
bool pausedAtLeast(const FakeSerialPort& dev, const QList<qint64>& pauses, int from = 0) {
    for (int i = 0; i < pauses.size(); ++i) {
        const int k = from + i + 1;
        if (k >= dev.writes().size() || dev.writes()[k].atMs - dev.writes()[k - 1].atMs < pauses[i])
            return false;
    }
    return true;
}

// Whether a tab log's top line is "hh:mm AM/PM Calibrated", stamped between the test's start and
// now: on a loaded machine the fast program clock runs on by minutes, so no fixed minute fits.
bool calibratedLogged(QPlainTextEdit* box) {
    static const QRegularExpression line("^(\\d\\d:\\d\\d [AP]M) Calibrated\n");
    const QRegularExpressionMatch m = line.match(box->toPlainText());
    const QTime at = QTime::fromString(m.captured(1), "hh:mm AP");
    return m.hasMatch() && at >= kStart.time() && at <= rt::Clock::now().time();
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<FakeSerialHub> hub;
    std::unique_ptr<ScriptedBoxes> boxes;
    FakeSerialPort* dev = nullptr;
    CorvisentMain* w = nullptr;
    platform::MSCommControl* port = nullptr;

    rt::Timer* timer() { return w->Timer1[kRow]; }

private slots:
    void initTestCase() {
        w = &CorvisentMain::instance();
        port = w->MSComm[kRow];
    }
    void init() {
        env = std::make_unique<TestEnv>();
        hub = std::make_unique<FakeSerialHub>();
        boxes = std::make_unique<ScriptedBoxes>();
        dev = &hub->add(3);
        rt::Clock::setSpeed(1000);
        rt::Clock::setNow(kStart);
        rt::setOptionValue(formSensorSetup::instance().optCorF2, true);
        port->setCommPort(3);
        port->setSettings("9600,n,8,1");
        port->setInputMode(1);
        port->setPortOpen(true);
        timer()->setEnabled(true);
        modSupport::iBumpMode[kRow] = 0;
        w->txtAccelData[kSlot]->clear();
        // The row's Connect/Disconnect button is left without a caption, so that taking a silent
        // sensor back leaves the port to these tests.
        formSensorSetup::instance().cmdConnectSensor[kRow]->setText(QString());
    }
    void cleanup() {
        port->setPortOpen(false);
        port->setRThreshold(0);
        boxes.reset();
        hub.reset();
        env.reset();
        rt::Clock::reset();
    }

    // Every reading command with its write pattern, and the parse of its reply.
    void readingCommandsAndParses_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("celsius");
        QTest::addColumn<Bytes>("writes");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("reading");
        auto row = [](const char* name, int kind, const Bytes& writes, const char* reply, const char* reading,
                      bool celsius = false) {
            QTest::newRow(name) << kind << celsius << writes << QByteArray(reply) << QString(reading);
        };
        row("fahrenheit, leading zeros and unit", 1, {"tf\r"}, "072.50F\r\n", "72.5");
        row("celsius, negative", 1, {"tc\r"}, "-05.00C\r\n", "-5", true);
        row("temperature, six characters only", 1, {"tf\r"}, "1234567", "123456");
        row("temperature starting with a letter", 1, {"tf\r"}, "F72.5\r", "0");
        row("temperature, blanks inside", 1, {"tf\r"}, " 7 2.5F", "72.5");
        row("humidity, five characters", 2, {"h\r"}, "45.267%\r\n", "45.26");
        row("accelerometer X and Y", 8, {"a", "\r"}, "+01.25 -00.50\r\n", "1.25 / -0.5");
        row("accelerometer, fields by position", 8, {"a", "\r"}, "12345678901234", "123456 / 890123");
        row("accelerometer, reply shorter than 8", 8, {"a", "\r"}, "+01.25\r", "1.25 / 0");
        row("distance", 9, {"d", "\r"}, "45cm\r\n", "45");
        // A reply without a digit holds no reading, not a reading of 0.
        row("temperature, no digit", 1, {"tf\r"}, "Invalid request\r\n", "");
        row("humidity, no digit", 2, {"h\r"}, "Invalid request\r\n", "");
        row("accelerometer, no digit", 8, {"a", "\r"}, "Invalid request\r\n", "");
        row("distance, no digit", 9, {"d", "\r"}, "Invalid request\r\n", "");
    }
    void readingCommandsAndParses() {
        QFETCH(int, kind);
        QFETCH(bool, celsius);
        QFETCH(Bytes, writes);
        QFETCH(QByteArray, reply);
        QFETCH(QString, reading);
        rt::setOptionValue(
            celsius ? formSensorSetup::instance().optCorF : formSensorSetup::instance().optCorF2, true);
        dev->setResponder([&](FakeSerialPort& p, const QByteArray&) { p.inject(reply, 50); });
        timer()->setEnabled(false);
        QCOMPARE(finish(newTakeCVReading(port, kRow, kind)), reading);
        QCOMPARE(pieces(*dev), writes);
        QVERIFY(timer()->enabled()); // a reply re-arms the polling
        if (kind == 1) QCOMPARE(rt::caption(w->lblMeasure[kRow]), QString(celsius ? "C" : "F"));
    }

    void silentSensorIsGivenUpAfterTenQueries() {
        QCOMPARE(finish(newTakeCVReading(port, kRow, 2)), QString());
        QCOMPARE(dev->commands().size(), 10);
        QVERIFY(pausedAtLeast(*dev, QList<qint64>(9, 2000)));
        QCOMPARE(boxes->prompts(), QStringList{kSilent});
        QVERIFY(!timer()->enabled());
        // Neither unit chosen: nothing is sent, and the queries fail all the same.
        dev->clearWrites();
        boxes->clear();
        rt::setOptionValue(formSensorSetup::instance().optCorF2, false);
        rt::setOptionValue(formSensorSetup::instance().optCorF, false);
        dev->reply("tf", "072.50F\r\n");
        QCOMPARE(finish(newTakeCVReading(port, kRow, 1)), QString());
        QVERIFY(dev->writes().isEmpty());
        QCOMPARE(boxes->prompts(), QStringList{kSilent});
    }

    void lateAndLeftoverReplies() {
        // A reply arriving after the first look, within the reply pause, counts.
        dev->reply("h", "45.20%\r\n", 1500);
        QCOMPARE(finish(newTakeCVReading(port, kRow, 2)), QString("45.2"));
        QCOMPARE(dev->commands().size(), 1);
        // Input left over from an earlier late reply is not taken for the new one.
        dev->inject("55.00%\r\n");
        dev->reply("h", "45.20%\r\n", 50);
        QCOMPARE(finish(newTakeCVReading(port, kRow, 2)), QString("45.2"));
    }

    // While a reading waits for its reply another port's events are handled, the port's own are
    // held for the exchange, and the reply is taken once its line has ended.
    void replyWaitServesOtherPortsAndEndsWithTheLine() {
        rt::Clock::setSpeed(2);
        hub->add(4).inject("+01.25 -00.50\r\n", 100);
        platform::MSCommControl other;
        other.setCommPort(4);
        other.setRThreshold(1);
        other.setPortOpen(true);
        qint64 otherServedAt = -1;
        QObject::connect(&other, &platform::MSCommControl::OnComm, this, [&] {
            other.input();
            otherServedAt = rt::Clock::elapsedMs();
        });
        int ownEvents = 0;
        port->setRThreshold(1);
        const auto own = QObject::connect(port, &platform::MSCommControl::OnComm, this, [&] { ++ownEvents; });
        dev->reply("h", "45.20%\r\n", 400);
        const qint64 start = rt::Clock::elapsedMs();
        QCOMPARE(finish(newTakeCVReading(port, kRow, 2)), QString("45.2"));
        const qint64 end = rt::Clock::elapsedMs();
        QObject::disconnect(own);
        QVERIFY(otherServedAt >= start && otherServedAt < end);
        QCOMPARE(ownEvents, 0);
        QVERIFY(end - start < 2000);
    }

    void sensorErrorAnywhereAndFailures() {
        dev->reply("tf", "072.5 Sensor Error\r\n");
        QCOMPARE(finish(newTakeCVReading(port, kRow, 1)), QString());
        QCOMPARE(rt::caption(w->lblSensorStatus[kRow]), QString("Sensor Error"));
        QVERIFY(!timer()->enabled());
        dev->reply("tf", "1E999F\r\n"); // too large a number: a run-time error of the read
        QCOMPARE(finish(newTakeCVReading(port, kRow, 1)), QString("999"));
        QCOMPARE(boxes->prompts().last(), QString("Error in newTakeCVReading. TmpHoldString1 = 1E999F"));
        QCOMPARE(finish(newTakeCVReading(port, 11, 1)), QString("999")); // no such row
        timer()->setEnabled(true);
        port->setPortOpen(false);
        QCOMPARE(finish(newTakeCVReading(port, kRow, 1)), QString());
        QCOMPARE(boxes->prompts().last(), QString("Port is no longer open. In newTakeCVReading"));
        QVERIFY(!timer()->enabled());
    }

    void combinedReadingJoinsBothLinesAndSkipsAStaleOne() {
        dev->reply("tf", "072.50F\r\n");
        dev->reply("h", "45.20%\r\n", 5);
        QCOMPARE(finish(THRead(port, kRow)), QString("72.5/45.2"));
        QCOMPARE(pieces(*dev), (Bytes{"tf\r", "h\r"}));
        // A humidity line still arriving after the first look is read to its end, and a stale
        // line waiting before the query is not taken for it.
        dev->clearReplies();
        dev->reply("tf", "072.50F\r\n");
        dev->setResponder([](FakeSerialPort& p, const QByteArray& c) {
            if (c != "h") return;
            p.inject("4", 5);
            p.inject("5.2", 40);
            p.inject("0%\r\n", 400);
        });
        dev->inject("99.99%\r\n");
        QCOMPARE(finish(THRead(port, kRow)), QString("72.5/45.2"));

        // A silent humidity half is no reading, not a reading of 0.
        dev->setResponder({});
        QCOMPARE(finish(THRead(port, kRow)), QString("72.5/"));
        // Nor is a half whose reply holds no digit.
        dev->reply("tf", "Invalid request\r\n");
        dev->reply("h", "45.20%\r\n");
        QCOMPARE(finish(THRead(port, kRow)), QString("/45.2"));
        dev->reply("tf", "072.50F\r\n");
        dev->reply("h", "Invalid request\r\n");
        QCOMPARE(finish(THRead(port, kRow)), QString("72.5/"));
    }

    void combinedHalfErrorsAreShownAndPollingGoesOn() {
        dev->reply("tf", "Sensor Error\r\n");
        dev->reply("h", "45.20%\r\n");
        QCOMPARE(finish(THRead(port, kRow)), QString("/45.2"));
        QCOMPARE(boxes->prompts(), QStringList{"Sensor Error: Received from sensor"});
        // A humidity error is shown, and the polling goes on.
        dev->reply("tf", "072.50F\r\n");
        dev->reply("h", "Sensor Error\r\n");
        QCOMPARE(finish(THRead(port, kRow)), QString("72.5/"));
        QCOMPARE(rt::caption(w->lblSensorReading[kRow]), QString("NA"));
        QVERIFY(timer()->enabled());
        QCOMPARE(finish(THRead(port, 10)), QString("999")); // its temperature half would be row 11
        dev->clearReplies();
        boxes->clear();
        QCOMPARE(finish(THRead(port, kRow)), QString());
        QCOMPARE(dev->commands().size(), 10 + 4);
        QCOMPARE(boxes->prompts(),
                 QStringList{"THRead: Sensor not responding after 10 queries.  Disconnecting sensor."});
        port->setPortOpen(false);
        QCOMPARE(finish(THRead(port, kRow)), QString("999"));
        QCOMPARE(boxes->prompts().size(), 1);
    }

    void calibrateInTiltMode() {
        dev->reply("c", "OK\r\n", 50);
        // The stream command's reply comes only after the next try has begun: the read right
        // after the CR finds nothing the first time.
        dev->setWriteHook([](FakeSerialPort& p, const QByteArray& bytes) {
            if (bytes == "a" && p.commands().contains("a+")) p.inject("OK\r\n");
        });
        finish(CalibrateAccel(port, kRow, 8, kSlot));
        QCOMPARE(pieces(*dev), (Bytes{"c", "\r", "a", "+", "\r", "a", "+", "\r"}));
        QVERIFY(pausedAtLeast(*dev, {200, 200, 150, 150}));
        QCOMPARE(rt::caption(w->lblSensorReading[kRow]), QString("0.00 / 0.00"));
        QVERIFY(calibratedLogged(w->txtAccelData[kSlot]));
    }

    void calibrateInBumpMode() {
        formSensorSetup& setup = formSensorSetup::instance();
        rt::setValue(setup.chkBinaryMode[kRow], 0);
        modSupport::iBumpMode[kRow] = 1;
        // No answer to "c": four tries, then the mode is restored and the line logged anyway.
        dev->reply("S", "x", 0); // a single waiting character survives the drain
        dev->reply("E", "OK\r\n", 50);
        finish(CalibrateAccel(port, kRow, 8, kSlot));
        QCOMPARE(pieces(*dev), (Bytes{"c", "\r", "c", "\r", "c", "\r", "c", "\r", "S", "\r", "E", "\r"}));
        QVERIFY(pausedAtLeast(*dev, {200, 0, 200}, 8));
        QVERIFY(port->rThreshold() == 1 && rt::value(setup.chkBinaryMode[kRow]) == 1);
        QVERIFY(calibratedLogged(w->txtAccelData[kSlot]));
        // "Invalid" after "E": nothing is recorded or logged.
        w->txtAccelData[kSlot]->clear();
        rt::setValue(setup.chkBinaryMode[kRow], 0);
        port->setRThreshold(0);
        dev->reply("E", "Invalid request\r\n", 50);
        finish(CalibrateAccel(port, kRow, 8, kSlot));
        QCOMPARE(boxes->prompts(), QStringList{"Invalid request"});
        QCOMPARE(port->rThreshold(), 0); // the sensor stays stopped
        QVERIFY(w->txtAccelData[kSlot]->toPlainText().isEmpty());
        // A closed port: the message, and the line all the same.
        port->setPortOpen(false);
        finish(CalibrateAccel(port, kRow, 8, kSlot));
        QCOMPARE(boxes->prompts().last(), QString("Port is not opened"));
        QVERIFY(calibratedLogged(w->txtAccelData[kSlot]));
    }

    void streamModeAndDraining() {
        finish(SetStreamMode(port, 9)); // silent sensor: four tries
        QCOMPARE(dev->commands(), Bytes(4, "D+"));
        QCOMPARE(pieces(*dev).mid(0, 3), (Bytes{"D", "+", "\r"}));
        QVERIFY(pausedAtLeast(*dev, {150, 150}));
        dev->clearWrites();
        finish(SetStreamMode(port, 2)); // no stream command for this kind
        QVERIFY(dev->writes().isEmpty());

        dev->inject("k");
        Drain(port);
        QCOMPARE(port->inBufferCount(), 1);
        dev->inject("OK\r\n");
        finish(StopAndDrain(port));
        QCOMPARE(port->inBufferCount(), 0);
        QCOMPARE(pieces(*dev), (Bytes{"S", "\r"}));
        QVERIFY(pausedAtLeast(*dev, {200}));
    }
};

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
