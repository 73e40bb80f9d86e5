#include "eventrig.h"
#include "support/wait.h"

// Water sensors (CD line) and proximity sensors (DSR line) with their walk-up and walk-away
// actions, through fake ports and a recording desktop shell.
class TestEventsLines : public QObject {
    Q_OBJECT

    static void line(FakeSerialPort& dev, bool presence) {
        dev.setDsr(presence);
        EventRig::settle();
    }
    // Proximity sensor at row 4, tab slot 2, event index 1, with commands for both directions.
    static FakeSerialPort& prox(EventRig& rig, QRadioButton* action) {
        FakeSerialPort& dev = rig.connect(4, typeProximity, 2, 1);
        rt::setOptionValue(action, true);
        S().lblCommandOnProxApproach[1]->setText("/bin/up");
        S().lblUpParams[1]->setText("-u");
        S().lblCommandOnProx[1]->setText("/bin/away");
        return dev;
    }

private slots:
    void waterOneAlertPerWetPeriod() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(2, typeWater, 3);
        dev.setCd(true);
        QTRY_COMPARE(alertCallLog(), QStringList{"CheckWaterEvents(2, 3, False)"});
        QCOMPARE(rt::caption(M().lblSensorReading[2]) + rt::caption(M().lblSensorStatus[2]),
                 QString("WaterNot Ok"));
        bWaterAlertOn[2] = true; // as the alert decision leaves it
        M().MSCommW_OnComm(2);   // water reported again before it has gone
        dev.setCd(false);
        QTRY_COMPARE(alertCallLog().value(1), QString("CheckWaterEvents(2, 3, True)"));
        QCOMPARE(rt::caption(M().lblSensorStatus[2]), QString("OK"));
        const QStringList tab = boxLines(M().txtWaterData[3]); // in the order they came
        QVERIFY(tab.size() == 3 && tab[0].endsWith("M- * WET *") && tab[2].endsWith("M- <Dry>"));
        const QStringList file = rig.fileLines(2);
        QVERIFY(file[0].endsWith("M, * WET * ") && file[2].endsWith("M, DRY"));
        // Alerts off: no alert for water, still the water-gone notice while the latch is set.
        rt::setValue(S().chkLocalMonitoring, 1);
        bWaterAlertOn[2] = false;
        dev.setCd(true);
        EventRig::settle();
        bWaterAlertOn[2] = true;
        rt::setValue(S().chkTabLogging[2], 0);
        dev.setCd(false);
        QTRY_COMPARE(alertCallLog().size(), 3);
        QVERIFY(rig.fileLines(2).size() == 5 && boxLines(M().txtWaterData[3]).size() == 4);
        // The water timer repeats the display but not the alert, and only asks for the water-gone
        // notice while the latch is set; without a slot the event is refused and the tick idle.
        alertCallLog().clear();
        dev.setCd(true);
        EventRig::settle();
        M().WaterTimer_Timer(2);
        QCOMPARE(rt::caption(M().lblSensorStatus[2]), QString("Not OK"));
        dev.setCd(false);
        EventRig::settle();
        M().WaterTimer_Timer(2);
        bWaterAlertOn[2] = false;
        M().WaterTimer_Timer(2);
        QCOMPARE(rt::caption(M().lblSensorStatus[2]) + rt::caption(M().lblSensorReading[2]), QString("OK"));
        QCOMPARE(alertCallLog(),
                 (QStringList{"CheckWaterEvents(2, 3, True)", "CheckWaterEvents(2, 3, True)"}));
        RegisterRow(2, typeWater, 0);
        M().WaterTimer_Timer(2);
        M().MSCommW_OnComm(2);
        M().MSCommW[2]->setPortOpen(false);
        RegisterRow(2, typeWater, 3);
        M().WaterTimer_Timer(2);
        QCOMPARE(rig.boxes.prompts(), (QStringList{"Error in MSCommW event handler", "Error in WaterTimer"}));
    }

    void presenceAndAbsence() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(4, typeProximity, 2, 3);
        rt::setValue(S().chkOnScreenOnProx[3], 1);
        line(dev, true);
        QCOMPARE(rt::caption(M().lblSensorReading[4]), QString("Event"));
        // the event index, not the slot; the sensor's own row
        QCOMPARE(alertCallLog(),
                 (QStringList{"ProcessProximityEvent(99, 3, 3)", "CheckProximityEvents(3, 4)"}));
        QVERIFY(boxLines(M().txtProximData[2]).value(0).endsWith("M- Detect"));
        QVERIFY(rig.fileLines(4).value(0).contains(
            QRegularExpression("^\\d+/\\d+/\\d{4} \\d\\d:.*M, Event - On$")));
        rt::setBackColor(M().lblSensorReading[4], rt::vbRed);
        line(dev, false);
        QCOMPARE(rt::caption(M().lblSensorReading[4]), QString(" "));
        QCOMPARE(rt::backColor(M().lblSensorReading[4]), sensorevents::ButtonFaceColor());
        QVERIFY(boxLines(M().txtProximData[2]).value(0).endsWith("M- <Reset>"));
        QVERIFY(rig.fileLines(4).value(1).endsWith(", Event - Off"));
    }

    void delayedAndImmediateCommands() {
        EventRig rig;
        FakeSerialPort& dev = prox(rig, S().optRunCommand[1]);
        rt::Timer* up = S().timerDelayEventUp[1];
        rt::Timer* away = S().timerDelayEvent[1];
        // Delays as the setup leaves them: the text and the timer interval.
        auto delays = [&](const char* upText, int upMs, const char* awayText, int awayMs) {
            S().txtDelayEventUp[1]->setText(upText);
            up->setInterval(upMs);
            S().txtDelayEventAway[1]->setText(awayText);
            away->setInterval(awayMs);
        };
        delays("5", 5000, "10", 10000);
        // A presence shorter than the walk-up delay cancels the walk-up command and starts no
        // walk-away countdown.
        line(dev, true);
        QVERIFY(up->enabled() && !away->enabled());
        line(dev, false);
        QVERIFY(!up->enabled() && !away->enabled());
        rt::Clock::setSpeed(1000);
        line(dev, true);
        QTRY_COMPARE(rig.shell.calls, QStringList{"shellExecute(/bin/up|-u||1)"});
        rt::Wait(6000);
        QVERIFY(rig.shell.calls.size() == 1 && !up->enabled());
        // A delay of numeric zero runs the command at once, by the state the event began with.
        delays("5", 5000, "00", 0);
        line(dev, false);
        QCOMPARE(rig.shell.calls.last(), QString("shellExecute(/bin/away|||1)"));
        // That command ran once: giving the direction a delay afterwards does not run it again.
        S().txtDelayEventAway[1]->setText("1");
        S().txtDelayEventAway_LostFocus(1);
        rt::Wait(2000);
        QCOMPARE(rig.shell.calls.size(), 2);
        // A screen saver starts as a program; one that cannot be started is reported, a delayed
        // one once, its timer stopped.
        iScreenSaverCmd = 1;
        rig.shell.startProgramResult = 0;
        delays(" 0", 0, "1", 1000);
        line(dev, true);
        QCOMPARE(rig.shell.calls.last(), QString("startProgram(/bin/up|1)"));
        line(dev, false);
        QTRY_COMPARE(rig.boxes.prompts(),
                     (QStringList{"Error in MSCommP event handler: File not found", "File not found"}));
        QVERIFY(!away->enabled());
    }

    void lockAndLogOff() {
        EventRig rig;
        FakeSerialPort& dev = prox(rig, S().optSystemLock[1]);
        line(dev, true);
        rt::setBackColor(M().lblSensorReading[4], rt::vbRed);
        line(dev, false);
        QCOMPARE(rig.shell.calls, QStringList{"lockWorkStation"});
        QCOMPARE(rt::backColor(M().lblSensorReading[4]), rt::vbRed); // the lock ends the event first
        rt::setOptionValue(S().optLogoutOnProximity[1], true);
        line(dev, true);
        line(dev, false);
        // Present: no log-off. Absent: the request and the handler's own log-off.
        QCOMPARE(alertCallLog(),
                 (QStringList{"ProcessProximityEvent(0, 3, 1)", "ProcessProximityEvent(0, 3, 1)",
                              "ForceLogOff()", "ForceLogOff()"}));
        QCOMPARE(rig.shell.calls, (QStringList{"lockWorkStation", "logOff", "logOff"}));
    }

    void cameraLinkAndRowFaults() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(4, typeProximity, 2, 0);
        RegisterRow(7, typeVideo, 2);
        rt::setCaption(S().lblSubIndex[7], "2");
        iProxToCam(typeProximity, 2) = 2;
        iProxToCam(typeDistance, 2) = 3;
        {
            LoadGuard quiet; // ticked as a load would, without looking for sensors to offer
            rt::setValue(S().chkCamUseProxim[2], 1);
            rt::setValue(S().chkCamUseProxim[3], 1);
        }
        rt::setValue(S().chkOnScreenOnProx[1], 1);
        // Without an event index: no box and no action, but shown, logged and the camera (the
        // device row of camera 2) triggered.
        line(dev, true);
        QCOMPARE(alertCallLog(), QStringList{"ProcessProximityEvent(7, 3, 0)"});
        QVERIFY(rig.fileLines(4).size() == 1 && !S().timerDelayEventUp[1]->enabled());
        // A slot past the tab ends the event with the error box; a row without a slot shows it
        // with nothing after its text.
        RegisterRow(4, typeProximity, 5);
        line(dev, false);
        RegisterRow(4, typeProximity, 0);
        line(dev, true);
        QCOMPARE(rig.boxes.prompts(), (QStringList{"Error in MSCommP event handler: Subscript out of range",
                                                   "Error in MSCommP event handler: "}));
        QCOMPARE(rig.fileLines(4).size(), 1);
    }

    // A box of a port's event comes after the event was read, and boxes of one port never pile
    // up: a change arriving while one is open is handled without a box of its own.
    void boxesOfOnePortDoNotPileUp() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(4, typeProximity, 2, 0);
        RegisterRow(4, typeProximity, 0);
        bool changed = false;
        ScriptedBoxes boxes([&](const rt::ShownBox&) -> std::optional<QVariant> {
            if (!std::exchange(changed, true)) line(dev, false);
            return std::nullopt;
        });
        line(dev, true);
        QCOMPARE(boxes.prompts(), QStringList{"Error in MSCommP event handler: "});
    }
};

QTEST_MAIN(TestEventsLines)
#include "tst_events_lines.moc"
