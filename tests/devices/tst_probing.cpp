// Port existence, the add-device window's port list and the identity probes, on fake ports and on
// a pseudo-terminal with the sensor simulator.
#include <QComboBox>
#include <QGuiApplication>
#include <QPointer>

#include "devices/formAddDevice.h"
#include "app/startup.h"
#include "devices/modPNP.h"
#include "platform/comports.h"
#include "sensors/sensorrig.h"
#include "support/finish.h"
#include "support/simulator.h"

using namespace modSupport;

namespace {

formAddDevice& D() {
    return formAddDevice::instance();
}

// Program-clock gaps between the writes to a port in whole seconds (a loaded machine stretches
// them a little), as "2000,2000".
QString gaps(const FakeSerialPort& dev) {
    QStringList out;
    for (int i = 1; i < dev.writes().size(); ++i)
        out << QString::number((dev.writes()[i].atMs - dev.writes()[i - 1].atMs) / 1000 * 1000);
    return out.join(',');
}

QString lineSettings(const FakeSerialPort& dev) {
    const platform::LineSettings s = dev.settings();
    return QStringLiteral("%1,%2,%3,%4").arg(s.baud).arg(QChar(s.parity)).arg(s.dataBits).arg(s.stopBits);
}

// A sensor that answers its identity only from the nth query on.
void answerFrom(FakeSerialPort& dev, int nth, const QByteArray& identity) {
    auto count = std::make_shared<int>(0);
    dev.setResponder([=](FakeSerialPort& p, const QByteArray& command) {
        if (command == "i" && ++*count >= nth) p.inject(identity + "\r\n", FakeSerialPort::kReplyMs);
    });
}

} // namespace

class TestProbing : public QObject {
    Q_OBJECT
private slots:
    // Slow enough that a busy machine does not stretch a pause past its second.
    void init() { rt::Clock::setSpeed(50); }
    void cleanup() {
        formAddDevice::unload();
        rt::Clock::reset();
    }

    // Ports up to 9 go by "COMn", from 10 on by "//./COMn"; both reach the same ports. Only
    // ports that exist and are free come into the list, in order, and none is left open.
    void portNamesAndTheList() {
        SensorRig rig;
        QCOMPARE(formAddDevice::ComDeviceName(9) + " " + formAddDevice::ComDeviceName(10),
                 QString("COM9 //./COM10"));
        D().MakeComPortList(1);
        QCOMPARE(D().cmbComNum->count(), 0);
        for (int n : {2, 9, 12, 19, 20})
            rig.hub->add(n);
        rig.hub->add(5).setPresent(false);
        platform::MSCommControl holder; // another control holds COM 9
        holder.setCommPort(9);
        holder.setPortOpen(true);
        D().MakeComPortList(3);
        QStringList listed;
        for (int i = 0; i < D().cmbComNum->count(); ++i)
            listed << D().cmbComNum->itemText(i);
        QCOMPARE(listed.join('|') + "/" + D().cmbComNum->currentText(), QString("2|12|19/2"));
        QVERIFY(!rig.hub->find(platform::comPortPath(12))->isOpen());
        holder.setPortOpen(false);
    }

    // The interactive probe: 19200 baud, odd parity, one query, the reply shown as received,
    // the port closed and the normal pointer back.
    void identifyShowsEachKindsAnswer_data() {
        QTest::addColumn<QByteArray>("identity");
        for (const char* id :
             {"Corvisent/T", "Corvisent/H", "Corvisent/P", "Corvisent/W", "Corvisent/A", "Corvisent/D"})
            QTest::newRow(id) << QByteArray(id);
    }
    void identifyShowsEachKindsAnswer() {
        QFETCH(QByteArray, identity);
        SensorRig rig;
        FakeSerialPort& dev = rig.hub->add(3);
        serve(dev, identity);
        D().cmbComNum->setEditText("3");
        finish(D().cmdIdentify_Click());
        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"Device on COM 3 is a " + QString::fromLatin1(identity) + "\r\n"});
        QCOMPARE(lineSettings(dev), QString("19200,o,8,1"));
        QVERIFY(dev.rts());
        QCOMPARE(dev.written(), QByteArray("i\r"));
        QVERIFY(!dev.isOpen() && !D().MSCommIdentify->portOpen());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Four queries 2 s apart at most: the fourth answer still counts and a silent sensor never
    // gets a fifth. A port that does not exist or is in use is reported; nothing stays open and
    // the pointer is back to normal.
    void identifyRetriesAndFailures() {
        SensorRig rig;
        FakeSerialPort& late = rig.hub->add(3);
        answerFrom(late, 4, "Corvisent/W");
        FakeSerialPort& silent = rig.hub->add(4);
        platform::MSCommControl holder;
        holder.setCommPort(4);
        for (const char* port : {"3", "4", "8"}) {
            D().cmbComNum->setEditText(port);
            finish(D().cmdIdentify_Click());
        }
        holder.setPortOpen(true);
        D().cmbComNum->setEditText("4");
        finish(D().cmdIdentify_Click());
        QCOMPARE(rig.boxes->prompts(), QStringList({"Device on COM 3 is a Corvisent/W\r\n",
                                                    "< No Corvisent sensor detected on COM4 >",
                                                    "Error in cmdIdentify_Click: Invalid port number",
                                                    "Error in cmdIdentify_Click: Port already open"}));
        QCOMPARE(gaps(late), QString("2000,2000,2000"));
        QCOMPARE(silent.commands().size(), 4);
        QVERIFY(!D().MSCommIdentify->portOpen() && holder.portOpen() && !QGuiApplication::overrideCursor());
        holder.setPortOpen(false);

        // A second click while it waits does nothing; cancelled, the probe still ends on the
        // window's port, and the window goes then.
        rig.boxes->clear();
        QPointer<formAddDevice> window(&D());
        rt::Task<> probe = D().cmdIdentify_Click();
        QVERIFY(D().cmdIdentify_Click().isReady());
        D().cmdCancelAddDevice_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window);
        finish(std::move(probe));
        QCOMPARE(silent.commands().size(), 8);
        QCOMPARE(rig.boxes->prompts(), QStringList{"< No Corvisent sensor detected on COM4 >"});
        QTRY_VERIFY(!window);
        QVERIFY(!silent.isOpen());
    }

    // Through a real serial line: the simulator answers the probe.
    void identifyThroughThePty() {
        SensorRig rig(false);
        rt::Clock::setSpeed(10);
        SensorSimulator sim({"P"});
        QVERIFY(!sim.path().isEmpty());
        sim.mapTo(7);
        D().cmbComNum->setEditText("7");
        finish(D().cmdIdentify_Click());
        QCOMPARE(rig.boxes->prompts(), QStringList{"Device on COM 7 is a Corvisent/P\r\n"});
        QVERIFY(!D().MSCommIdentify->portOpen());
    }

    // The serial-number probe borrows the row's sensor port at 9600,n,8,1 with four tries 3 s
    // apart, closes it again, and never touches a port that is already in use by its row.
    void deviceIdStringProbe() {
        SensorRig rig;
        FakeSerialPort& dev = rig.hub->add(6);
        answerFrom(dev, 3, "Corvisent/H");
        QCOMPARE(finish(modPNP::GetDeviceIDString(2, 6)), QString("Corvisent/H\r\n"));
        QCOMPARE(lineSettings(dev), QString("9600,n,8,1"));
        QCOMPARE(gaps(dev), QString("3000,3000"));
        QVERIFY(!M().MSComm[2]->portOpen() && !dev.isOpen());

        FakeSerialPort& silent = rig.hub->add(7);
        QCOMPARE(finish(modPNP::GetDeviceIDString(2, 7)), QString());
        QCOMPARE(silent.commands().size(), 4);
        QCOMPARE(finish(modPNP::GetDeviceIDString(2, 9)), QString()); // no such port
        QCOMPARE(finish(modPNP::GetDeviceIDString(11, 6)), QString());

        M().MSComm[2]->setCommPort(6);
        M().MSComm[2]->setPortOpen(true);
        QCOMPARE(finish(modPNP::GetDeviceIDString(2, 7)), QString());
        QVERIFY(M().MSComm[2]->portOpen());
        M().MSComm[2]->setPortOpen(false);
    }

    // A probe whose row is taken by another device while it waits for an answer ends there: no
    // further query, no box, its port closed. Identify answers for the first free row, the
    // serial-number probe for the row it borrows.
    void probeEndsWhenItsRowIsTaken() {
        SensorRig rig;
        FakeSerialPort& silent = rig.hub->add(4);
        rig.hub->add(5);
        rig.hub->add(6);
        auto addWaterSensorOn = [](int com) {
            QTimer::singleShot(0, [com] {
                formAddDevice::ScanRequest request{strTypeWater, QString("Water %1").arg(com), com};
                iOfferDetect = 0;
                QVERIFY(D().cmdOk_Click(&request));
            });
        };
        addWaterSensorOn(5); // takes row 1
        D().cmbComNum->setEditText("4");
        finish(D().cmdIdentify_Click());
        QCOMPARE(silent.commands().size(), 1);
        QVERIFY(!D().MSCommIdentify->portOpen() && !silent.isOpen());

        addWaterSensorOn(6); // takes row 2
        QCOMPARE(finish(modPNP::GetDeviceIDString(2, 4)), QString());
        QCOMPARE(silent.commands().size(), 2);
        QVERIFY(!M().MSComm[2]->portOpen() && !silent.isOpen());
        QCOMPARE(rig.boxes->prompts(), QStringList());
        QCOMPARE(S().lblDeviceType[2]->text(), strTypeWater);
    }
};

QTEST_MAIN(TestProbing)
#include "tst_probing.moc"
