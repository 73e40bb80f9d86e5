#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "sensors/modCorvisent.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/finish.h"
#include "support/simulator.h"
#include "support/testenv.h"
#include "support/wait.h"

// Readings of each polled kind from the sensor simulator, over a pseudo-terminal and the real
// serial backend.
class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void pollsTheSimulator_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<bool>("celsius");
        QTest::addColumn<QString>("reading");
        QTest::newRow("temperature") << "T" << 1 << false << "68.25";
        QTest::newRow("temperature in celsius") << "T" << 1 << true << "20.14";
        QTest::newRow("humidity") << "H" << 2 << false << "51.5";
        QTest::newRow("combined, five characters of each") << "C" << 7 << false << "68.2/51.5";
        QTest::newRow("a Corvisent/H read as a combined sensor") << "H" << 7 << false << "68.2/51.5";
    }
    void pollsTheSimulator() {
        QFETCH(QString, kind);
        QFETCH(int, typeCode);
        QFETCH(bool, celsius);
        QFETCH(QString, reading);
        TestEnv env;
        ScriptedBoxes boxes;
        SensorSimulator sim({kind, "--temp", "68.25", "--humid", "51.5"});
        QVERIFY(!sim.path().isEmpty());
        sim.mapTo(5);
        formSensorSetup& setup = formSensorSetup::instance();
        rt::setOptionValue(celsius ? setup.optCorF : setup.optCorF2, true);
        // Fast enough to keep the suite short, slow enough for the simulator to answer within
        // the reply pause.
        rt::Clock::setSpeed(10);

        platform::MSCommControl* port = CorvisentMain::instance().MSComm[1];
        port->setCommPort(5);
        port->setRThreshold(0);
        port->setRTSEnable(true);
        port->setSettings("9600,n,8,1");
        port->setSThreshold(0);
        port->setInputMode(1);
        port->setPortOpen(true);
        port->setOutput(QByteArray("i\r"));
        rt::Wait(2000);
        QVERIFY(
            platform::ansiText(port->input()).contains(kind == "C" ? "Corvisent/H" : "Corvisent/" + kind));

        const QString got = finish(typeCode == 7 ? modCorvisent::THRead(port, 1)
                                                 : modCorvisent::newTakeCVReading(port, 1, typeCode));
        port->setPortOpen(false);
        rt::Clock::reset();
        QCOMPARE(got, reading);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
