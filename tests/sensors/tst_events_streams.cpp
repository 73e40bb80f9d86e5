#include <QScopeGuard>

#include "eventrig.h"

// Streams of the accelerometer and the distance sensor, their DSR events and the drain after a
// popup mode command, through fake ports.
class TestEventsStreams : public QObject {
    Q_OBJECT

    static QString top(int slot, bool accel = true) {
        return boxLines((accel ? M().txtAccelData : M().txtDistanceData)[slot]).value(0);
    }

private slots:
    void tiltLinesWholeOnly() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(3, typeAccel, 2);
        // A line split over two events is one reading; CR LF, refused commands and the second line
        // of an event are handled line by line.
        dev.inject("1");
        EventRig::settle();
        dev.inject("2 -5\r\nInvalid request\r\n1 2\r\n");
        QTRY_COMPARE(alertCallLog(),
                     (QStringList{"CheckAThresh(12 , -5, 3, 2)", "CheckAThresh(1 , 2, 3, 2)"}));
        QCOMPARE(rt::caption(M().lblSensorReading[3]), QString("1 2"));
        QVERIFY(boxLines(M().txtAccelData[2]).value(1).endsWith("M: 12 -5"));
        const QStringList file = rig.fileLines(3);
        QVERIFY(file.size() == 2 &&
                file[0].contains(QRegularExpression("^\\d+/\\d+/\\d{4},\\d\\d:.*M: 12 -5$")));
        // Alerts off: shown, not checked. A full box is emptied and the line lost.
        rt::setValue(S().chkLocalMonitoring, 1);
        fillBox(M().txtAccelData[2], 2000);
        dev.inject("7 8\r");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[3]), QString("7 8"));
        QVERIFY(alertCallLog().size() == 2 && M().txtAccelData[2]->toPlainText().isEmpty());
    }

    // A line that comes while a batch is handled (its handling letting events run) waits for the
    // batch's end and is raised then, in arrival order.
    void portEventsHeldDuringABatch() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(3, typeAccel, 2);
        bool first = true;
        QObject context;
        QObject::connect(M().txtAccelData[2], &QPlainTextEdit::textChanged, &context, [&] {
            if (!std::exchange(first, false)) return;
            dev.inject("4 4\r\n");
            QTest::qWait(40);
        });
        dev.inject("1 1\r\n2 2\r\n3 3\r\n");
        QTRY_COMPARE(alertCallLog().size(), 4);
        QCOMPARE(alertCallLog(), (QStringList{"CheckAThresh(1 , 1, 3, 2)", "CheckAThresh(2 , 2, 3, 2)",
                                              "CheckAThresh(3 , 3, 3, 2)", "CheckAThresh(4 , 4, 3, 2)"}));
    }

    // Behind another tab the box gets its lines when it is shown, emptied at its limit as on screen;
    // the file and the reading take every line as it comes, and the last reading is drawn once a
    // frame has passed.
    void hiddenTabLogShownAsOnScreen() {
        struct LastDrawn : QObject {
            QString text;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Paint) text = static_cast<QLabel*>(o)->text();
                return false;
            }
        } drawn;
        EventRig rig;
        FakeSerialPort& dev = rig.connect(3, typeAccel, 2);
        QLabel* reading = M().lblSensorReading[3];
        reading->show(); // as connecting shows it
        M().setTab(CorvisentMain::tabSummary);
        M().show();
        const auto hide = qScopeGuard([=] { reading->hide(), M().hide(); });
        fillBox(M().txtAccelData[2], 1998);
        EventRig::settle(); // the window's first paint is behind us
        reading->installEventFilter(&drawn);
        dev.inject("1 2\r\n3 4\r\n5 6\r\n9 1\r\n");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[3]), QString("9 1"));
        QTRY_COMPARE(drawn.text, QString("9 1"));
        QCOMPARE(rig.fileLines(3).size(), 4);
        M().setTab(CorvisentMain::tabAcceleration);
        const QStringList shown = boxLines(M().txtAccelData[2]);
        QVERIFY(shown.size() == 1 && shown[0].endsWith("M: 9 1"));
    }

    void bumpsAndModeReplies() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(4, typeAccel, 1);
        rt::setCaption(M().lblSensorStatus[4], "");
        iBumpMode[4] = 1;
        // After a popup mode command only the port's next data event is swallowed; a bump counts.
        bSettingModeRow[4] = bSettingModeRow[6] = bSettingMode = true;
        dev.setDsr(true);
        QTRY_COMPARE(alertCallLog(), QStringList{"CheckBumpEvents(4, 1)"});
        QCOMPARE(rt::caption(M().lblSensorReading[4]), QString("BUMP"));
        QVERIFY(top(1).endsWith("M- BUMP") && rig.fileLines(4).value(0).endsWith("M- BUMP"));
        dev.setDsr(false);
        QTRY_COMPARE(rt::caption(M().lblSensorReading[4]), QString(" "));
        dev.inject("OK\r\n");
        QTRY_VERIFY(!bSettingModeRow[4]);
        QVERIFY(bSettingMode && bSettingModeRow[6] && rt::caption(M().lblSensorStatus[4]).isEmpty());
        // Data in bump mode only confirms the sensor and is not kept for the stream that follows.
        dev.inject("OK\r\n3 -");
        QTRY_COMPARE(rt::caption(M().lblSensorStatus[4]), QString("OK"));
        iBumpMode[4] = 0;
        dev.inject("9\r2 3\r");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[4]), QString("2 3"));
        // A drain that leaves one character behind drops the broken line after it.
        bSettingModeRow[4] = true;
        dev.inject("K");
        QTRY_VERIFY(!bSettingModeRow[4]);
        dev.inject("5 -6\r7 8\r");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[4]), QString("7 8"));
        QCOMPARE(alertCallLog(), (QStringList{"CheckBumpEvents(4, 1)", "CheckAThresh(2 , 3, 4, 1)",
                                              "CheckAThresh(7 , 8, 4, 1)"}));
        QCOMPARE(rig.fileLines(4).size(), 3);
    }

    void lineErrorsOneBoxAtATime() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(2, typeAccel, 1);
        bool again = true;
        ScriptedBoxes boxes([&](const rt::ShownBox&) -> std::optional<QVariant> {
            if (std::exchange(again, false)) M().MSCommA_OnComm(2); // the same error while its box is open
            return std::nullopt;
        });
        for (int code : {1004, 1006, 1008, 1009, 1010, 1001, 1002, 1003, 1007, 1011})
            dev.raiseError(code);
        EventRig::settle();
        QCOMPARE(boxes.prompts(),
                 (QStringList{"Framing error detected", "Error detected. Possible data loss",
                              "RX Overflow detected", "Rx Parity Error detected", "Tx Overflow detected"}));
        QVERIFY(boxes.shown().value(0).style & rt::vbSystemModal);
        dev.raiseError(1004);
        QTRY_COMPARE(boxes.prompts().size(), 6);
    }

    void splitDistanceLinesAreReadWhole() {
        EventRig rig;
        FakeSerialPort& dev = rig.connect(5, typeDistance, 1);
        QPlainTextEdit* box = M().txtDistanceData[1];
        {
            // 45 at the maximum is in range without being a return to range, so the check leaves
            // the object's mark as the handler set it.
            modSupport::LoadGuard quiet;
            S().txtMinDistanceThresh->setText("30");
            S().txtMaxDistanceThresh->setText("45");
        }
        // "45cm" split after its first figure is 45, never 5; the object came back (Tag "1").
        dev.inject("4");
        EventRig::settle();
        dev.inject("5cm\r");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[5]), QString("45cm"));
        QVERIFY(rt::tag(box) == "1" && top(1, false).endsWith("M: 45cm"));
        // The object goes: one out-of-range alert and one tab line; a second time is no change.
        bDistAlertSent[5] = true;
        dev.inject("No Object\rNo Object\r");
        QTRY_COMPARE(rig.fileLines(5).size(), 3);
        QCOMPARE(rt::caption(M().lblSensorReading[5]) + rt::caption(M().lblSensorStatus[5]),
                 QString("No ObjOK"));
        QVERIFY(!bDistAlertSent[5] && rt::tag(box) == "0" && boxLines(box).size() == 2);
        // On screen the line up to "cm", in the file the whole line; "OK" lines go to the file only.
        dev.inject("  45cm xyz\rOK\rOK 30cm\rError\r12cm\r");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[5]), QString("12cm"));
        QVERIFY(boxLines(box).value(2).endsWith("M:   45cm"));
        QVERIFY(rig.fileLines(5).value(3).endsWith("M:   45cm xyz"));
        QCOMPARE(rig.fileLines(5).size(), 7); // "No Object" once, no line for "Error"
        QCOMPARE(rt::tag(box), QString("0")); // after "Error" a distance is no return
        QCOMPARE(alertCallLog(),
                 (QStringList{"CheckDThresh(45, 5, 1)", "CheckOutOfRangeEvents(5, 1)",
                              "CheckDThresh(No Object, 5, 1)", "CheckDThresh(No Object, 5, 1)",
                              "CheckDThresh(45, 5, 1)", "CheckDThresh(30, 5, 1)", "CheckDThresh(12, 5, 1)"}));
        // The stream keeps a box of exactly 2000 lines and empties one past it, keeping the line.
        fillBox(box, 2000);
        dev.inject("No Object\r");
        QTRY_COMPARE(box->document()->blockCount(), 2001);
        dev.inject("13cm\r");
        QTRY_COMPARE(boxLines(box).size(), 1);
        // Proximity mode: every line only confirms the sensor.
        iProxMode[5] = 1;
        dev.inject("14cm\r");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[5]), QString(" "));
        QCOMPARE(rig.fileLines(5).size(), 9);
    }

    void distanceStatePerSensorAndDsr() {
        EventRig rig;
        FakeSerialPort& near = rig.connect(1, typeDistance, 1);
        FakeSerialPort& far = rig.connect(2, typeDistance, 2, 3);
        near.inject("20cm\r");
        QTRY_COMPARE(strLastDistState[1], QString("20cm"));
        far.inject("No Object\r");
        near.inject("No Object\r");
        QTRY_COMPARE(alertCallLog().filter("OutOfRange"), QStringList{"CheckOutOfRangeEvents(1, 1)"});
        EventRig::settle();
        // DSR in proximity mode: the proximity steps with kind 9 and the distance box.
        alertCallLog().clear();
        rt::setValue(S().chkEmailOnProx[3], 1);
        far.setDsr(true);
        QTRY_COMPARE(alertCallLog(),
                     (QStringList{"ProcessProximityEvent(99, 9, 3)", "CheckProximityEvents(9, 2)"}));
        QVERIFY(top(2, false).endsWith("M- Detect") && rt::caption(M().lblSensorReading[2]) == "Event");
        // A disconnect forgets the unfinished line and a pending mode-reply drain of the row.
        near.inject("4");
        EventRig::settle();
        bSettingModeRow[1] = bSettingMode = true;
        iPortOpen[1] = typeDistance;
        DisconnectSensor(1, 0);
        QVERIFY(!M().MSCommD[1]->portOpen() && !bSettingModeRow[1] && !bSettingMode);
        M().MSCommD[1]->setPortOpen(true);
        near.inject("5cm\r");
        QTRY_COMPARE(rt::caption(M().lblSensorReading[1]), QString("5cm"));
        // The port was opened by hand, without its log file: the refused log line is told once.
        QCOMPARE(rig.boxes.prompts().size(), 1);
        QVERIFY(rig.boxes.prompts()[0].startsWith("The log file "));
    }
};

QTEST_MAIN(TestEventsStreams)
#include "tst_events_streams.moc"
