// The port scan and the available-sensors window: the lines a scan gives, the way it asks each
// port, adding sensors from the lines, and the lines that are refused.
#include <QGuiApplication>
#include <QListWidget>
#include <optional>
#include <utility>

#include "devices/formAddDevice.h"
#include "devices/formAvailSensors.h"
#include "platform/comports.h"
#include "sensors/sensorrig.h"
#include "support/finish.h"
#include "support/simulator.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

formAvailSensors& W() {
    return formAvailSensors::instance();
}

QStringList lines() {
    QStringList out;
    for (int i = 0; i < W().listAvailSensors->count(); ++i)
        out << W().listAvailSensors->item(i)->text();
    return out;
}

void selectAllAndAdd() {
    W().cmdSelectAll_Click();
    W().cmdAddToSetup_Click();
}

// The stored name and port of each row that holds a device, as "1:TempSensor000@3".
QString rows() {
    QStringList out;
    for (int row = 1; row <= 10; ++row) {
        const QString section = QStringLiteral("PortConfig\\Devices\\%1").arg(row);
        const QString name = modPrefs::GetPref(section, "DeviceName");
        if (!name.isEmpty()) out << QStringLiteral("%1:%2@%3").arg(row).arg(name, modPrefs::GetPref(section, "Port"));
    }
    return out.join(' ');
}

} // namespace

class TestPortScan : public QObject {
    Q_OBJECT
private slots:
    void init() { rt::Clock::setSpeed(200); }
    void cleanup() {
        formAddDevice::unload();
        W().hide();
        W().listAvailSensors->clear();
        rt::setValue(W().chkScanAllPorts, 0);
        rt::Clock::reset();
    }

    // Ports answer in ascending order, in the short form up to COM16 and the parenthesised form
    // from COM17 (scanned only when all ports are asked for); a silent port gives no line after
    // three retries, a missing one is not opened; each query is "i" and CR in two writes at
    // 19200,n,8,1; every port is closed again.
    void scanLinesAndQueries() {
        SensorRig rig;
        FakeSerialPort& temp = rig.hub->add(3);
        serve(temp, "Corvisent/T");
        FakeSerialPort& silent = rig.hub->add(5);
        FakeSerialPort& absent = rig.hub->add(7);
        absent.setPresent(false);
        serve(rig.hub->add(12), "Corvisent/W");
        serve(rig.hub->add(16), "Corvisent/H");
        FakeSerialPort& high = rig.hub->add(17);
        serve(high, "Corvisent/P");

        finish(formAddDevice::cmdBuildCVList_Click());
        QCOMPARE(lines(), QStringList({"COM3: Corvisent/T", "COM12: Corvisent/W", "COM16: Corvisent/H"}));
        QCOMPARE(high.openCount() + absent.openCount(), 0);
        QCOMPARE(temp.settings().baud, 19200);
        QCOMPARE(temp.settings().parity, 'n');
        QCOMPARE(temp.writes().size(), 2);
        QCOMPARE(temp.writes()[0].bytes + temp.writes()[1].bytes, QByteArray("i\r"));
        QVERIFY(temp.writes()[1].atMs - temp.writes()[0].atMs >= 200);
        QCOMPARE(silent.written(), QByteArray("i\ri\ri\ri\r"));
        QVERIFY(silent.writes()[2].atMs - silent.writes()[1].atMs >= 2000);
        QVERIFY(!temp.isOpen() && !silent.isOpen() && !W().MSCommAS->portOpen());
        QVERIFY(W().isVisible() && !QGuiApplication::overrideCursor());
        // Centred and wholly on the screen, title bar included.
        const QRect area = W().screen()->availableGeometry();
        QVERIFY(area.contains(W().frameGeometry()) && W().pos() != area.topLeft());

        // A scan run again from the setup window brings the list in front of it.
        S().show();
        S().activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &S());
        rt::setValue(W().chkScanAllPorts, 1);
        QCOMPARE(W().lblRangeScanned->text(), QString("(Com1 - Com255)"));
        finish(formAddDevice::cmdBuildCVList_Click());
        QTRY_COMPARE(QApplication::activeWindow(), &W());
        QCOMPARE(lines().size(), 4);
        QCOMPARE(lines().last(), QString("(COM17): Corvisent/P"));
        rt::setValue(W().chkScanAllPorts, 0);
        QCOMPARE(W().lblRangeScanned->text(), QString("(Com1 - Com16 only)"));

        // Nothing answers: one line that cannot be added.
        temp.setPresent(false);
        for (int n : {12, 16})
            rig.hub->find(platform::comPortPath(n))->setPresent(false);
        finish(formAddDevice::cmdBuildCVList_Click());
        QCOMPARE(lines(), QStringList{"No sensors detected."});
        selectAllAndAdd();
        QCOMPARE(rows(), QString());
    }

    // Each selected line becomes a sensor named after its kind and line index on its own port
    // (a humidity reply is the combined sensor, a parenthesised line keeps its port); a line is
    // added once, also across scans; a line with "?" or an unknown reply is refused and
    // deselected; a line whose registration was refused stays addable.
    void addingFromTheList() {
        SensorRig rig;
        serve(rig.hub->add(3), "Corvisent/T");
        serve(rig.hub->add(5), "Corvisent/Z");
        serve(rig.hub->add(6), "Corvisent/?");
        serve(rig.hub->add(9), "Corvisent/H");
        serve(rig.hub->add(17), "Corvisent/P 2.1");
        rt::setValue(W().chkScanAllPorts, 1);
        finish(formAddDevice::cmdBuildCVList_Click());
        QCOMPARE(lines().size(), 5);

        // No temperature slot free: the registration refuses the first line.
        for (int slot = 1; slot <= 4; ++slot)
            iTempTabSlot[slot] = 1;
        W().listAvailSensors->item(0)->setSelected(true);
        W().cmdAddToSetup_Click();
        QCOMPARE(rows(), QString());
        QVERIFY(W().listAvailSensors->item(0)->flags() & Qt::ItemIsSelectable);
        iTempTabSlot.fill(0);
        rig.boxes->clear();

        W().show();
        selectAllAndAdd();
        QCOMPARE(rows(), QString("1:TempSensor000@3 2:ComboSensor003@9 3:ComboSensor003@9 4:ProxSensor004@17"));
        QCOMPARE(rig.boxes->prompts(), QStringList({"Sensor not added."}));
        QVERIFY(!W().listAvailSensors->item(1)->isSelected() && !W().listAvailSensors->item(2)->isSelected());
        QVERIFY(W().isHidden() && S().isVisible());

        selectAllAndAdd();
        finish(formAddDevice::cmdBuildCVList_Click());
        W().listAvailSensors->item(0)->setSelected(true);
        W().listAvailSensors->item(3)->setSelected(true);
        W().cmdAddToSetup_Click();
        QCOMPARE(rows().count('@'), 4);
        QCOMPARE(rig.boxes->prompts(), QStringList(2, "Sensor not added.")); // told again: nothing new was added
        QCOMPARE(formAvailSensors::ScanLinePort("(COM123): Corvisent/T"), 123);

        // A port went away: the lines move up, yet the sensors already added stay marked by their
        // ports and the new sensor on a line that was marked before can be added.
        rig.hub->find(platform::comPortPath(5))->setPresent(false);
        serve(rig.hub->add(4), "Corvisent/W");
        finish(formAddDevice::cmdBuildCVList_Click());
        QCOMPARE(lines(), QStringList({"COM3: Corvisent/T (already configured)", "COM4: Corvisent/W",
                                       "COM6: Corvisent/?", "COM9: Corvisent/H (already configured)",
                                       "(COM17): Corvisent/P 2.1 (already configured)"}));
        selectAllAndAdd();
        QCOMPARE(rows(), QString("1:TempSensor000@3 2:ComboSensor003@9 3:ComboSensor003@9 4:ProxSensor004@17 "
                                 "5:WaterSensor001@4"));
        QCOMPARE(rig.boxes->prompts(), QStringList(2, "Sensor not added."));
    }

    // Sensors on serial lines: the simulators answer the scan and are added from the list.
    void scanOverPseudoTerminals() {
        SensorRig rig(false);
        rt::Clock::setSpeed(10);
        SensorSimulator temp({"T"});
        SensorSimulator accel({"A"});
        QVERIFY(!temp.path().isEmpty() && !accel.path().isEmpty());
        temp.mapTo(2);
        accel.mapTo(4);
        finish(formAddDevice::cmdBuildCVList_Click());
        QCOMPARE(lines(), QStringList({"COM2: Corvisent/T", "COM4: Corvisent/A"}));
        selectAllAndAdd();
        QCOMPARE(rows(), QString("1:TempSensor000@2 2:AccelSensor001@4"));
    }

    // Auto Detect asked for while a row waits for its reading's reply goes on beside the polling:
    // the row is read at its pace while the scan asks a silent port, and a scan asked for again
    // meanwhile does nothing.
    void scanGoesOnBesideThePolling() {
        SensorRig rig;
        rt::Clock::setSpeed(50);
        S().cmbMinOrSecs->setCurrentIndex(1); // a reading at every tick, 850 ms apart
        rig.record(1, strTypeTemperature, "Freezer", "1", 3);
        rig.load();
        std::optional<rt::Task<>> scan;
        int reads = 0;
        FakeSerialPort& temp = rig.hub->add(3);
        serve(temp, "Corvisent/T", [&](const QByteArray&) -> QByteArray {
            if (++reads == 2) QTimer::singleShot(0, [&] { scan.emplace(formAddDevice::cmdBuildCVList_Click()); });
            return "070.00F";
        });
        serve(rig.hub->add(4), "Corvisent/W");
        FakeSerialPort& silent = rig.hub->add(5);
        bool askedAgain = false, secondEndedAtOnce = false;
        silent.setResponder([&](FakeSerialPort&, const QByteArray&) {
            if (!std::exchange(askedAgain, true)) secondEndedAtOnce = formAddDevice::cmdBuildCVList_Click().isReady();
        });
        S().cmdConnectSensor_Click(1);
        QVERIFY(rt::WaitUntil([&] { return scan.has_value(); }, 60000));
        finish(std::move(*scan));
        QCOMPARE(lines(), QStringList{"COM4: Corvisent/W"});
        QCOMPARE(silent.written(), QByteArray("i\ri\ri\ri\r"));
        QVERIFY(secondEndedAtOnce);
        // Between the first query of the silent port and its last (some 6.8 s, eight ticks) the
        // row is read; a scan that held the polling left it unread throughout.
        int readsMeanwhile = 0;
        for (const FakeSerialPort::Write& w : temp.writes())
            readsMeanwhile += w.atMs > silent.writes().first().atMs && w.atMs < silent.writes().last().atMs;
        QVERIFY2(readsMeanwhile >= 2, qPrintable(QString::number(readsMeanwhile)));
    }

    // Runs last: the request to end cannot be taken back in this process. A scan asked to end
    // while it asks a port opens no further one.
    void scanStopsWhenTheProgramEnds() {
        SensorRig rig;
        rig.hub->add(3).setResponder([](FakeSerialPort&, const QByteArray&) { rt::RequestQuit(); });
        FakeSerialPort& next = rig.hub->add(5);
        serve(next, "Corvisent/T");
        // The waits of the test's own end at the end request: the scan is let run by the event
        // loop until it is over.
        rt::Task<> scan = formAddDevice::cmdBuildCVList_Click();
        QTRY_VERIFY(scan.isReady());
        QCOMPARE(next.openCount(), 0);
    }
};

QTEST_MAIN(TestPortScan)
#include "tst_portscan.moc"
