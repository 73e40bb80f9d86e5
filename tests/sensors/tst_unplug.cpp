#include "sensorrig.h"
#include "support/finish.h"
#include "support/simulator.h"
#include "support/wait.h"

// Sensors whose pseudo-terminal is closed under the running program: the loss is reported once,
// the row is taken back, the program goes on, and a new sensor on the same path connects again.
using namespace modSupport;

class TestUnplug : public QObject {
    Q_OBJECT

    QTemporaryDir m_links; // stable device paths, each a link to a simulator's terminal

    std::unique_ptr<SensorSimulator> plugIn(const QStringList& arguments) {
        auto sim = std::make_unique<SensorSimulator>(arguments + QStringList{"--link", m_links.filePath("ttyX")});
        if (!sim->path().isEmpty()) sim->mapTo(6);
        return sim;
    }
    static bool waitForBox(SensorRig& rig, int count) {
        return rt::WaitUntil([&] { return rig.boxes->prompts().size() >= count; }, 120000);
    }

private slots:
    void eventSensorTakenBackOnce_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("typeCode");
        QTest::newRow("streaming accelerometer") << "A" << strTypeAccel << int(typeAccel);
        QTest::newRow("water sensor") << "W" << strTypeWater << int(typeWater);
    }
    void eventSensorTakenBackOnce() {
        QFETCH(QString, kind);
        QFETCH(QString, record);
        QFETCH(int, typeCode);
        SensorRig rig(false);
        rt::Clock::setSpeed(10);
        auto sim = plugIn({kind, "--stream-ms", "20", "--x", "1.5"});
        QVERIFY(!sim->path().isEmpty());
        rig.record(2, record, "Shelf", "1", 6, {{"StartInBump", "0"}});
        rig.load();
        {
            LoadGuard quiet; // tilt well inside the limits: no alert changes the status
            S().txtXMaxThresh->setText("10");
        }
        finish(S().cmdConnectSensor_Click(2));
        QCOMPARE(iPortOpen[2], typeCode);
        const bool streams = typeCode == typeAccel;
        if (streams) QTRY_VERIFY(M().lblSensorReading[2]->text().startsWith("+01.50"));

        sim.reset();
        QVERIFY(waitForBox(rig, 1));
        rt::Wait(3000); // room for a second report, which must not come
        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"Sensor not responding: its device was removed.  Disconnecting sensor."});
        QCOMPARE(rowState(2), QString("Connect|OK|OFF|reddot.gif"));
        QVERIFY(M().lblSensorReading[2]->isVisible() || !M().isVisible());
        QCOMPARE(iPortOpen[2], 0);
        QVERIFY(!PortOf(2, typeCode)->portOpen());

        sim = plugIn({kind, "--stream-ms", "20", "--x", "2.5"});
        finish(S().cmdConnectSensor_Click(2));
        QCOMPARE(iPortOpen[2], typeCode);
        if (streams) QTRY_VERIFY(M().lblSensorReading[2]->text().startsWith("+02.50"));
        QCOMPARE(rig.boxes->prompts().size(), 1);
    }

    // A polled sensor is given up by its reading after ten silent queries, once.
    void polledSensorGivenUpOnce() {
        SensorRig rig(false);
        rt::Clock::setSpeed(10);
        auto sim = plugIn({"T", "--temp", "68.25"});
        QVERIFY(!sim->path().isEmpty());
        S().cmbMinOrSecs->setCurrentIndex(1);
        S().txtReadingInterval->setText("3");
        rig.record(1, strTypeTemperature, "Freezer", "1", 6);
        rig.load();
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(M().lblSensorReading[1]->text(), QString("68.25"));

        sim.reset();
        QVERIFY(waitForBox(rig, 1));
        rt::Wait(10000);
        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"StandardRead: Sensor not responding after 10 queries.  Disconnecting sensor."});
        QVERIFY(rowState(1).startsWith("Connect|") && rowState(1).endsWith("|OFF|reddot.gif"));
        QVERIFY(!M().MSComm[1]->portOpen() && !M().Timer1[1]->isRunning());

        sim = plugIn({"T", "--temp", "70"});
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(M().lblSensorReading[1]->text(), QString("70"));
        QCOMPARE(iPortOpen[1], int(typeTemperature));
    }
};

QTEST_MAIN(TestUnplug)
#include "tst_unplug.moc"
