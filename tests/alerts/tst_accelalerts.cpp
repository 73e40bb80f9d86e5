#include <QComboBox>

#include "alerts/alertrig.h"
#include "alerts/formPagingTextMessage.h"
#include "app/startup.h"
#include "platform/mscomm.h"
#include "runtime/appdir.h"
#include "sensors/events.h"
#include "sensors/sensorops.h"
#include "settings/rowrecord.h"
#include "support/fakehandoff.h"
#include "support/fakeserial.h"
#include "support/wait.h"

// The accelerometer's tilt and bump alerts, fed by a sensor streaming through a fake port: each
// limit's excursion alerts once and reports its return once, bumps alert every time.
namespace {

using namespace modSupport;

formPagingTextMessage& P() {
    return formPagingTextMessage::instance();
}

void setBox(QCheckBox* box, int value, bool enabled = true) {
    LoadGuard quiet;
    rt::setValue(box, value);
    box->setEnabled(enabled);
}

struct AccelRig : AlertRig {
    FakeSerialHub hub;
    FakeSerialPort& modem = hub.add(5);
    FakeMailHandoff handoff;
    QList<platform::MSCommControl*> opened;

    AccelRig() {
        modem.setResponder([](FakeSerialPort& port, const QByteArray& command) {
            port.inject(command == "ATH0" ? "\r\nNO CARRIER\r\n" : "\r\nOK\r\n", FakeSerialPort::kReplyMs);
        });
        rt::Clock::setSpeed(1000);
        strAlertSound = rt::appFile("alert.wav");
        LoadGuard quiet;
        for (int k : {0, 8})
            for (QCheckBox* box : {S().chkOnScreenAlert[k], S().chkEmailAlert[k], S().chkPageAlert[k]})
                rt::setValue(box, 1);
        rt::setValue(S().chkOnScreenAlert[1], 0);
        rt::setValue(S().chkEmailAlert[1], 0);
        rt::setOptionValue(S().optUseMAPI, true);
        rt::setOptionValue(S().optionNumericalPager, true);
        P().comboAvailCom->setCurrentText("5");
        P().txtNumToCall->setText("5551234");
        P().txtNumToSend->setText("");
        S().txtXMinThresh->setText("-10");
        S().txtXMaxThresh->setText("10");
        S().txtYMinThresh->setText("-20");
        S().txtYMaxThresh->setText("20");
        for (int slot = 1; slot <= 4; ++slot) {
            rt::setTag(M().txtAccelData[slot], QString());
            M().txtAccelData[slot]->clear();
        }
    }
    ~AccelRig() {
        for (auto* port : opened)
            if (port->portOpen()) port->setPortOpen(false);
        if (P().MSCommForPaging->portOpen()) P().MSCommForPaging->setPortOpen(false);
        for (int row = 1; row <= 10; ++row) {
            ResetStreamInput(row);
            ForgetRow(row);
            iPortOpen[row] = iBumpMode[row] = 0;
        }
        LoadGuard quiet;
        rt::setOptionValue(S().optUseSMTP, true);
    }

    // An accelerometer streaming tilt readings at the row, shown at the slot of its tab.
    FakeSerialPort& connect(int row, int slot) {
        FakeSerialPort& dev = hub.add(row);
        platform::MSCommControl* port = M().MSCommA[row];
        port->setCommPort(row);
        port->setRThreshold(1);
        port->setInputMode(1);
        port->setPortOpen(true);
        opened << port;
        RegisterRow(row, typeAccel, slot);
        iPortOpen[row] = typeAccel;
        LoadGuard quiet;
        rt::setCaption(S().lblSubIndex[row], QString::number(slot));
        rt::setValue(S().chkTabLogging[row], 1);
        rt::setValue(S().chkFileLogging[row], 0);
        return dev;
    }
    // One streamed reading; returns once the handler has logged it (after its checks).
    void tilt(FakeSerialPort& dev, const QByteArray& line, int slot) {
        const int before = M().txtAccelData[slot]->toPlainText().count('\n');
        dev.inject(line + "\r\n");
        QVERIFY(QTest::qWaitFor([&] { return M().txtAccelData[slot]->toPlainText().count('\n') > before; }, 20000));
        QVERIFY(channelsDone());
    }
    // One bump: DSR rises (the wait ends once its whole event has run) and falls again.
    void bump(FakeSerialPort& dev, int row) {
        const int calls = alertCallLog().count(QString("CheckBumpEvents(%1, 1)").arg(row));
        dev.setDsr(true);
        QVERIFY(QTest::qWaitFor([&] { return alertCallLog().count(QString("CheckBumpEvents(%1, 1)").arg(row)) > calls; }, 20000));
        dev.setDsr(false);
        QVERIFY(QTest::qWaitFor([&] { return rt::caption(M().lblSensorReading[row]) == " "; }, 20000));
        QVERIFY(channelsDone());
    }
    QString label(int row) const {
        return rt::caption(M().lblSensorStatus[row]) + QString(" %1").arg(rt::fontSize(M().lblSensorStatus[row]));
    }
};

} // namespace

class TestAccelAlerts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setAlertCallRecording(true); }

    // One limit's excursion: a value on the limit is fine; past it alerts once however long it
    // stays there; back inside gives one notice on every channel, then nothing.
    void tiltPastOneLimit() {
        AccelRig rig;
        FakeSerialPort& dev = rig.connect(3, 2);
        rig.tilt(dev, "+10.00 +00.00", 2);
        QCOMPARE(rig.label(3), QString("OK 14"));
        QCOMPARE(alarmText(), QString("(closed)"));

        rig.tilt(dev, "+12.50 +00.00", 2);
        // A line that keeps the state leaves the label alone (no passing through "OK").
        int fontChanges = 0;
        struct Count : QObject {
            int* n;
            explicit Count(int* n) : n(n) {}
            bool eventFilter(QObject*, QEvent* e) override {
                *n += e->type() == QEvent::FontChange;
                return false;
            }
        } count(&fontChanges);
        M().lblSensorStatus[3]->installEventFilter(&count);
        rig.tilt(dev, "+13.00 -05.00", 2);
        M().lblSensorStatus[3]->removeEventFilter(&count);
        QCOMPARE(fontChanges, 0);
        QCOMPARE(rig.label(3), QString("X TILT + 12"));
        QCOMPARE(alarmText(), QString("Accelerometer Alert\n(X Max Threshold Reached)"));
        QVERIFY(banner());
        QCOMPARE(rig.sound.calls, QStringList{"loop alert.wav"});
        QCOMPARE(handedSubjects(rig.handoff), QStringList{"Warning: Accelerometer Alert (X Max Threshold Reached)"});
        QCOMPARE(dials(rig.modem), 1);
        QCOMPARE(rig.trayPicture(), QString("alert"));
        QCOMPARE(rt::tag(M().txtAccelData[2]), QString("1"));

        rig.tilt(dev, "+09.99 +00.00", 2);
        QCOMPARE(rig.label(3), QString("OK 14"));
        QCOMPARE(alarmText(), QString("Accelerometer reading \nis now OK"));
        QVERIFY(!banner());
        QCOMPARE(handedSubjects(rig.handoff).last(), QString("Sensor reading OK: Accelerometer values are now OK"));
        QCOMPARE(dials(rig.modem), 2);
        QCOMPARE(rig.sound.calls.size(), 1); // the notice plays nothing
        QCOMPARE(rt::tag(M().txtAccelData[2]), QString("0"));
        QVERIFY(!bAccelAlert[3][3] && bAccelAlert[3][4]);

        rig.tilt(dev, "+00.00 +00.00", 2);
        rig.tilt(dev, "-10.00 -20.00", 2); // both minimums reached, not crossed
        QCOMPARE(rig.handoff.messages().size(), 2);
        QCOMPARE(dials(rig.modem), 2);
    }

    // Two limits crossed at once alert twice and the label names the last; the first limit back
    // spends the slot's marker, so the other's return changes only its latches. Each sensor
    // keeps its own latches.
    void twoLimitsShareTheMarker() {
        AccelRig rig;
        FakeSerialPort& a = rig.connect(3, 1);
        FakeSerialPort& b = rig.connect(4, 2);
        rig.tilt(a, "-12.00 +25.00", 1);
        QCOMPARE(rig.label(3), QString("Y TILT + 12"));
        QCOMPARE(handedSubjects(rig.handoff), (QStringList{"Warning: Accelerometer Alert (Below X Min Threshold)",
                                                     "Warning: Accelerometer Alert (Y Max Threshold Reached)"}));
        QCOMPARE(alarmText(), QString("Accelerometer Alert\n(Y Max Threshold Reached)"));
        rig.tilt(b, "-11.00 -30.00", 2); // the other sensor alerts for itself
        QCOMPARE(rig.label(4), QString("Y TILT - 12"));
        QCOMPARE(rig.handoff.messages().size(), 4);
        QCOMPARE(dials(rig.modem), 4);

        rig.tilt(a, "+00.00 +00.00", 1);
        QCOMPARE(rig.label(3), QString("OK 14"));
        QCOMPARE(rig.handoff.messages().size(), 5);
        QCOMPARE(dials(rig.modem), 5);
        QVERIFY(bAccelAlert[3][2] && bAccelAlert[3][8] && !bAccelAlert[3][1] && !bAccelAlert[3][7]);
        QVERIFY(bAccelAlert[4][1] && bAccelAlert[4][5]);

        // Disconnecting forgets the latches: the next excursion alerts again.
        DisconnectSensor(4, 0);
        QVERIFY(!bAccelAlert[4][1] && !bAccelAlert[4][5]);
    }

    // Keep-sending alerts at every crossing reading and never reports the return; text that does
    // not start with a number or a limit that is not one ends the check quietly.
    void keepSendingAndUnreadableInput() {
        AccelRig rig;
        FakeSerialPort& dev = rig.connect(2, 1);
        setBox(S().chkAlwaysSendAlert, 1);
        rig.tilt(dev, "+00.00 +21.00", 1);
        rig.tilt(dev, "+00.00 +22.00", 1);
        rig.tilt(dev, "+00.00 +00.00", 1);
        QCOMPARE(dials(rig.modem), 2);
        QCOMPARE(rig.handoff.messages().size(), 2);
        setBox(S().chkAlwaysSendAlert, 0);

        rig.tilt(dev, "+15.00 +00.00", 1);
        QCOMPARE(rig.label(2), QString("X TILT + 12"));
        rig.tilt(dev, "Sensor Error", 1);
        rig.tilt(dev, "+1", 1);
        {
            LoadGuard quiet;
            S().txtYMaxThresh->setText("2O");
        }
        rig.tilt(dev, "+00.00 +00.00", 1);
        QCOMPARE(rig.label(2), QString("X TILT + 12"));
        QCOMPARE(dials(rig.modem), 3);
        {
            LoadGuard quiet;
            S().txtYMaxThresh->setText(" 20 ");
        }
        rig.tilt(dev, "0g 0g", 1); // units after the numbers do not matter
        QCOMPARE(rig.label(2), QString("OK 14"));
        QCOMPARE(dials(rig.modem), 4);
        rig.tilt(dev, "1.5E1 .5", 1); // an exponent, a bare fraction
        QCOMPARE(rig.label(2), QString("X TILT + 12"));
    }

    // Every bump alerts on every channel; a disabled mail box that is ticked still mails, while
    // disabled on-screen and page boxes silence theirs.
    // The same tilt handled again while the alert mail is going out belongs to that excursion.
    void tiltHeldWhileTheMailGoesAlertsOnce() {
        AccelRig rig;
        rig.connect(3, 2);
        rig.handoff.duringNextHandoff([] { CheckAThresh("+12.00 ", "+00.00", 3, 2); });
        CheckAThresh("+12.00 ", "+00.00", 3, 2);
        QVERIFY(rig.channelsDone());
        QCOMPARE(rig.handoff.messages().size(), 1);
        QCOMPARE(dials(rig.modem), 1);
    }

    // Three lines in one read, the first raising an alert whose hand-off takes seconds while the
    // sensor streams on: the lines are logged once each, in arrival order and stamped when they
    // came, and the one excursion gives one alert mail and one back-to-normal mail.
    void batchBehindASlowHandoffKeepsItsOrder() {
        AccelRig rig;
        rt::Clock::setSpeed(100);
        FakeSerialPort& dev = rig.connect(3, 2);
        {
            LoadGuard quiet;
            rt::setValue(S().chkPageAlert[8], 0);
        }
        rig.handoff.duringNextHandoff([&dev] {
            dev.inject("+02.00 +00.00\r\n");
            rt::Wait(5000);
        });
        dev.inject("+12.00 +00.00\r\n+13.00 +00.00\r\n+01.00 +00.00\r\n");
        auto logged = [] { return M().txtAccelData[2]->toPlainText().split('\n', Qt::SkipEmptyParts); };
        QVERIFY(QTest::qWaitFor([&] { return logged().size() >= 4; }, 20000));
        QVERIFY(rig.channelsDone());
        QStringList lines = logged(); // newest first
        std::reverse(lines.begin(), lines.end());
        QStringList values;
        for (const QString& line : lines)
            values << line.section(": ", 1);
        QCOMPARE(values, (QStringList{"+12.00 +00.00", "+13.00 +00.00", "+01.00 +00.00", "+02.00 +00.00"}));
        const QTime first = QTime::fromString(lines[0].left(8), "hh:mm:ss");
        for (const QString& line : lines.mid(0, 3))
            QVERIFY2(qAbs(first.secsTo(QTime::fromString(line.left(8), "hh:mm:ss"))) <= 1, qPrintable(line));
        QCOMPARE(handedSubjects(rig.handoff),
                 (QStringList{"Warning: Accelerometer Alert (X Max Threshold Reached)",
                              "Sensor reading OK: Accelerometer values are now OK"}));
    }

    void bumpsAlertEveryTime() {
        AccelRig rig;
        FakeSerialPort& dev = rig.connect(6, 1);
        iBumpMode[6] = 1;
        rig.bump(dev, 6);
        rig.bump(dev, 6);
        QCOMPARE(alarmText(), QString("Bump "));
        QVERIFY(banner());
        QCOMPARE(rig.sound.playing, QString("loop alert.wav"));
        QCOMPARE(handedSubjects(rig.handoff), (QStringList{"Warning: Bump Alert", "Warning: Bump Alert"}));
        QCOMPARE(dials(rig.modem), 2);
        QCOMPARE(rig.trayPicture(), QString("alert"));
        QCOMPARE(rt::tag(M().txtAccelData[1]), QString());

        frmAlarm::instance().cmdContinue_Click();
        for (int k : {0, 8}) {
            setBox(S().chkEmailAlert[k], 1, false);
            setBox(S().chkOnScreenAlert[k], 1, false);
            setBox(S().chkPageAlert[k], 1, false);
        }
        rig.bump(dev, 6);
        iBumpMode[6] = 0;
        rig.tilt(dev, "+20.00 +00.00", 1);
        QCOMPARE(handedSubjects(rig.handoff).mid(2), (QStringList{"Warning: Bump Alert",
                                                            "Warning: Accelerometer Alert (X Max Threshold Reached)"}));
        QCOMPARE(alarmText(), QString("(closed)"));
        QCOMPARE(dials(rig.modem), 2);
        // The notice's mail needs an enabled box.
        rig.tilt(dev, "+00.00 +00.00", 1);
        QCOMPARE(rig.handoff.messages().size(), 4);
        for (int k : {0, 8})
            for (QCheckBox* box : {S().chkOnScreenAlert[k], S().chkEmailAlert[k], S().chkPageAlert[k]})
                box->setEnabled(true);
    }
};

QTEST_MAIN(TestAccelAlerts)
#include "tst_accelalerts.moc"
