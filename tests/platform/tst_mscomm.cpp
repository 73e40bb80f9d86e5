#include <QTest>
#include <memory>

#include "platform/comports.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/errorof.h"
#include "support/fakeserial.h"
#include "support/simulator.h"
#include "support/testenv.h"
#include "support/wait.h"

using platform::MSCommControl;

namespace {

// Records the CommEvent of every OnComm the control raises.
struct EventLog {
    explicit EventLog(MSCommControl& c) {
        QObject::connect(&c, &MSCommControl::OnComm, &c, [this, &c] { events.append(c.commEvent()); });
    }
    QList<int> events;
};

} // namespace

class TestMSComm : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<FakeSerialHub> hub;

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        hub = std::make_unique<FakeSerialHub>();
        rt::Clock::setSpeed(1000);
    }
    void cleanup() {
        hub.reset();
        env.reset();
        rt::Clock::reset();
    }

    void openingAndPropertyErrors() {
        hub->add(3);
        MSCommControl a, b;
        QCOMPARE(errorOf([&] { a.setCommPort(0); }), 8002);
        a.setCommPort(4); // nothing mapped there
        QCOMPARE(errorOf([&] { a.setPortOpen(true); }), 8002);
        QCOMPARE(errorOf([&] { a.setOutput(QByteArray("x")); }), 8018);
        QCOMPARE(errorOf([&] { a.input(); }), 8018);
        QCOMPARE(errorOf([&] { a.setSettings("9600,x,8,1"); }), 380);
        QCOMPARE(a.settings(), QString("9600,n,8,1"));

        a.setCommPort(3);
        a.setPortOpen(true);
        QCOMPARE(errorOf([&] { a.setPortOpen(true); }), 8005);
        QCOMPARE(errorOf([&] { a.setCommPort(5); }), 8000);
        b.setCommPort(3); // the device is held by a
        QCOMPARE(errorOf([&] { b.setPortOpen(true); }), 8005);
        a.setPortOpen(false);
        a.setPortOpen(false); // closing a closed port is allowed
        b.setPortOpen(true);
        b.setPortOpen(false);

        FakeSerialPort& gone = hub->add(6);
        gone.setPresent(false);
        a.setCommPort(6);
        QCOMPARE(errorOf([&] { a.setPortOpen(true); }), 8002);
    }

    void settingsAndLinesReachTheDevice() {
        FakeSerialPort& dev = hub->add(2);
        MSCommControl c;
        c.setCommPort(2);
        c.setRTSEnable(true);
        c.setSettings("19200,o,8,1");
        c.setPortOpen(true);
        QCOMPARE(dev.settings().parity, 'o');
        QVERIFY(dev.rts() && dev.dtr());
        c.setSettings("9600,n,7,2"); // applies to the open port
        QCOMPARE(dev.settings().baud, 9600);
        QCOMPARE(dev.settings().stopBits, 2.0);
        c.setRTSEnable(false);
        QVERIFY(!dev.rts());
        c.setOutput(QByteArray("i"));
        c.setOutput(QString("\r"));
        QCOMPARE(dev.written(), QByteArray("i\r"));
        c.setPortOpen(false);
    }

    // What arrived during a pause between a command and the read of its reply is all there.
    void bytesArrivingDuringPauseAreCounted() {
        FakeSerialPort& dev = hub->add(1);
        dev.reply("i", "Corvisent/T\r\n", 300);
        MSCommControl c;
        c.setCommPort(1);
        c.setInputMode(1);
        c.setPortOpen(true);
        c.setOutput(QByteArray("i\r"));
        rt::Wait(2000);
        QCOMPARE(c.inBufferCount(), 13);
        dev.inject("abc", 100);
        rt::Wait(200);
        QCOMPARE(c.inBufferCount(), 16);

        c.setInputLen(4);
        QCOMPARE(c.input(), QByteArray("Corv"));
        c.setInputLen(0);
        QCOMPARE(c.input(), QByteArray("isent/T\r\nabc"));
        QCOMPARE(c.input(), QByteArray());
        dev.inject("xyz");
        c.setInBufferCount(0);
        QCOMPARE(c.inBufferCount(), 0);
        c.setPortOpen(false);
    }

    void receiveEventsFollowRThreshold() {
        FakeSerialPort& dev = hub->add(1);
        MSCommControl c;
        EventLog log(c);
        c.setCommPort(1);
        c.setPortOpen(true);

        dev.inject("12 -5\r"); // RThreshold 0: no receive events
        QTest::qWait(30);
        QVERIFY(log.events.isEmpty());
        QCOMPARE(c.input(), QByteArray("12 -5\r"));

        c.setRThreshold(1);
        dev.inject("3 4\r");
        QTRY_COMPARE(log.events, QList<int>{MSCommControl::comEvReceive});
        QCOMPARE(c.input(), QByteArray("3 4\r"));

        // Characters that came while the threshold was 0 raise nothing afterwards.
        c.setRThreshold(0);
        dev.inject("OK\r");
        QCOMPARE(c.inBufferCount(), 3);
        c.setRThreshold(1);
        QTest::qWait(30);
        QCOMPARE(log.events.size(), 1);
        c.setPortOpen(false);
    }

    void lineChangesAndErrorsRaiseTheirEvents() {
        FakeSerialPort& dev = hub->add(1);
        MSCommControl c;
        EventLog log(c);
        dev.setCd(true); // before the open: the state, not a change
        c.setCommPort(1);
        c.setPortOpen(true);
        QVERIFY(c.cdHolding() && !c.dsrHolding());

        dev.setDsr(true);
        QTRY_COMPARE(log.events, QList<int>{MSCommControl::comEvDSR});
        // A short pulse between two looks still raises both changes.
        dev.setCts(true);
        dev.setCts(false);
        dev.setCd(false);
        dev.setDsr(false);
        QTRY_COMPARE(log.events.size(), 5);
        QCOMPARE(log.events.mid(1), (QList<int>{MSCommControl::comEvCTS, MSCommControl::comEvCTS,
                                                MSCommControl::comEvCD, MSCommControl::comEvDSR}));

        dev.raiseError(MSCommControl::comEventFrame);
        QTRY_COMPARE(log.events.size(), 6);
        QCOMPARE(c.commEvent(), int(MSCommControl::comEventFrame));

        // A line that changes while the program is paused is read as it stands then.
        dev.setDsr(true, 100);
        rt::Wait(200);
        QVERIFY(c.dsrHolding());
        c.setPortOpen(false);
    }

    // A handler that closes the port ends the events; closing drops what was received.
    void closingStopsEventsAndEmptiesTheBuffer() {
        FakeSerialPort& dev = hub->add(1);
        MSCommControl c;
        QList<int> seen;
        connect(&c, &MSCommControl::OnComm, &c, [&] {
            seen.append(c.commEvent());
            c.setPortOpen(false);
        });
        c.setCommPort(1);
        c.setPortOpen(true);
        dev.setDsr(true);
        dev.setCd(true);
        QTRY_VERIFY(!c.portOpen());
        QTest::qWait(30);
        QCOMPARE(seen, QList<int>{MSCommControl::comEvDSR});

        dev.setDsr(false);
        c.setPortOpen(true);
        dev.inject("left over");
        QCOMPARE(c.inBufferCount(), 9);
        disconnect(&c, nullptr, &c, nullptr);
        c.setPortOpen(false);
        c.setPortOpen(true);
        QCOMPARE(c.inBufferCount(), 0);
        QCOMPARE(dev.openCount(), 3);
        c.setPortOpen(false);
    }

    // The real backend against a pseudo-terminal served by the sensor simulator.
    void realPortAgainstSimulator() {
        hub.reset(); // real devices from here on
        platform::setComPortDiscovery({});
        SensorSimulator sim({"A"});
        QVERIFY(sim.path().startsWith("/dev/"));
        sim.mapTo(7);
        rt::Clock::setSpeed(10);
        {
            MSCommControl c;
            EventLog log(c);
            c.setCommPort(7);
            c.setRTSEnable(true); // a pseudo-terminal has no lines to set: quietly ignored
            c.setInputMode(1);
            c.setSettings("19200,o,8,1");
            c.setPortOpen(true);
            QVERIFY(!platform::comPortExists(7)); // held by the control
            c.setOutput(QByteArray("i"));
            rt::Wait(200);
            c.setOutput(QByteArray("\r"));
            rt::Wait(2000);
            QCOMPARE(platform::ansiText(c.input()), QString("Corvisent/A\r\n"));
            c.setSettings("9600,n,8,1");
            c.setOutput(QByteArray("a\r"));
            rt::Wait(2000);
            QCOMPARE(c.input(), QByteArray("+01.25 -00.50\r\n"));


            // Streaming with receive events on.
            c.setRThreshold(1);
            c.setOutput(QByteArray("a+\r"));
            QTRY_VERIFY(log.events.contains(int(MSCommControl::comEvReceive)));
            QVERIFY(!log.events.contains(int(MSCommControl::comEvDSR)));
            c.setPortOpen(false);
        }
        QVERIFY(platform::comPortExists(7));
    }
};

QTEST_MAIN(TestMSComm)
#include "tst_mscomm.moc"
