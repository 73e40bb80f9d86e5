#include <QComboBox>
#include <QPushButton>

#include "alerts/alertrig.h"
#include "alerts/formPagingTextMessage.h"
#include "app/startup.h"
#include "runtime/appdir.h"
#include "settings/rowrecord.h"
#include "support/fakehandoff.h"
#include "support/fakeserial.h"

// The humidity, distance and water alert decisions: what each excursion raises on every channel,
// once or each time, and the notices when it ends.
namespace {

formPagingTextMessage& P() {
    return formPagingTextMessage::instance();
}

// Switches of one alert row: on-screen, e-mail and page all on; the pager pages the modem on COM 5
// (numeric, or telephone with phone true).
void switchOn(int kind, bool phone = false) {
    modSupport::LoadGuard quiet;
    for (QCheckBox* box : {S().chkOnScreenAlert[kind], S().chkEmailAlert[kind], S().chkPageAlert[kind]})
        rt::setValue(box, 1);
    rt::setOptionValue(phone ? S().optionPhonePager : S().optionNumericalPager, true);
    P().comboAvailCom->setCurrentText("5");
    P().txtNumToCall->setText("5551234");
    P().txtPhoneNumber->setText("5559876");
    P().txtNumToSend->setText("");
}

void useMapi() {
    modSupport::LoadGuard quiet;
    rt::setOptionValue(S().optUseMAPI, true);
}

void setLimits(QLineEdit* max, const QString& maxText, QLineEdit* min, const QString& minText) {
    modSupport::LoadGuard quiet;
    max->setText(maxText);
    min->setText(minText);
}

struct KindRig : AlertRig {
    FakeSerialHub hub;
    FakeSerialPort& modem = hub.add(5);
    FakeMailHandoff handoff;
    KindRig() {
        modem.setResponder([](FakeSerialPort& port, const QByteArray& command) {
            port.inject(command == "ATH0" ? "\r\nNO CARRIER\r\n" : "\r\nOK\r\n", FakeSerialPort::kReplyMs);
        });
        rt::Clock::setSpeed(1000);
        strAlertSound = rt::appFile("alert.wav"); // as start-up sets it
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkOnScreenAlert[1], 0);
            rt::setValue(S().chkEmailAlert[1], 0);
        }
        for (int slot = 1; slot <= 4; ++slot)
            for (auto* boxes : {&M().txtHumidInData, &M().txtDistanceData, &M().txtWaterData}) {
                rt::setTag((*boxes)[slot], QString());
                (*boxes)[slot]->clear();
            }
    }
    ~KindRig() {
        if (P().MSCommForPaging->portOpen()) P().MSCommForPaging->setPortOpen(false);
    }
    void humid(const QString& value, int row = 2, int slot = 1, int combined = 0) {
        M().lblSensorReading[row]->setText(value);
        M().lblMeasure[row]->setText("%");
        CheckHThresh(value, 2, row, slot, combined);
        channelsDone();
    }
    void distance(const QString& value, int row = 3, int slot = 1) {
        M().lblSensorReading[row]->setText(value);
        CheckDThresh(value, row, slot);
        channelsDone();
    }
};

} // namespace

class TestKindAlerts : public QObject {
    Q_OBJECT

private slots:
    // A humidity excursion: the alarm replaces what the window showed, mails once (the latch is
    // set once the mail is handed to SMTP), pages at every reading; the return mails, shows and
    // pages once.
    void humidityExcursionMailsOncePagesEachReadingAndReturnsOnce() {
        KindRig rig;
        switchOn(2);
        setLimits(S().txtHumidMax, "60", S().txtHumidMin, "20");
        frmAlarm::instance().lblSensor[0]->setText("Temperature");
        rig.humid("70");
        rig.humid("71");
        QCOMPARE(rig.status(2), QString("NOT OK red"));
        QCOMPARE(alarmText(), QString("Humidity"));
        QCOMPARE(rig.sound.calls, QStringList{"loop alert.wav"});
        QCOMPARE(rig.trayPicture(), QString("alert"));
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->subjects(), QStringList{"Warning: Cur=70%"});
        QCOMPARE(dials(rig.modem), 2);
        QCOMPARE(rt::tag(M().txtHumidInData[1]), QString("1"));

        rig.humid("60"); // a limit is in range
        QCOMPARE(rig.status(2), QString("OK blue"));
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->subjects(), (QStringList{"Warning: Cur=70%", "Sensor Reading OK: 60%"}));
        QCOMPARE(alarmText(), QString("Humidity"));
        QCOMPARE(dials(rig.modem), 3);
        QCOMPARE(rt::tag(M().txtHumidInData[1]), QString("0"));
        QVERIFY(!bHumidMailSent[2] && !bHumidScreenShown[2]);

        rig.humid("45");
        rig.humid("abc"); // not a number: the check ends, silently
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->mails().size(), 2);
        QCOMPARE(dials(rig.modem), 3);
    }

    // Through the mail program a humidity alert mail that fails is tried again at the next
    // reading; one that goes is not. A combined sensor keeps its own row.
    void humidityMailThroughMailProgram() {
        KindRig rig;
        switchOn(2);
        useMapi();
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkPageAlert[2], 0);
        }
        setLimits(S().txtHumidMax, "60", S().txtHumidMin, "20");
        rig.handoff.setResult(platform::HandoffResult::Failed, "refused");
        rig.humid("10");
        rig.humid("11");
        QCOMPARE(rig.handoff.messages().size(), 2);
        const QString note = "PLEASE NOTE: Your alerts will not be sent until you get this problem resolved.";
        QCOMPARE(rig.boxes.prompts(), (QStringList{"refused", note, "refused", note}));
        rig.handoff.setResult(platform::HandoffResult::Sent);
        rig.humid("12");
        rig.humid("13", 3, 2, 1);
        QCOMPARE(handedSubjects(rig.handoff), (QStringList{"Warning: 10", "Warning: 11", "Warning: 12", "Warning: 13"}));
        QCOMPARE(rig.status(3), QString("NOT OK red"));
        QVERIFY(bHumidMailSent[2] && bHumidMailSent[3] && !bHumidMailSent[4]);
    }

    // Telephone calls for humidity alarms leave a line in the humidity tab's log.
    void humidityTelephoneNotes() {
        KindRig rig;
        switchOn(2, true);
        setLimits(S().txtHumidMax, "60", S().txtHumidMin, "20");
        rig.humid("70");
        QCOMPARE(M().txtHumidInData[1]->toPlainText(), QString("\nAlert sent"));
        P().comboAvailCom->setCurrentText("6"); // no modem there
        rig.humid("71");
        QCOMPARE(M().txtHumidInData[1]->toPlainText(), QString("\nAlert sent\nAlert Not sent"));
        QCOMPARE(rig.boxes.prompts(), (QStringList{"This port is not open.", "The port was not opened."}));
        rig.humid("50"); // the notice's call adds no line
        QCOMPARE(M().txtHumidInData[1]->toPlainText().count('\n'), 2);
        QCOMPARE(rig.boxes.prompts().mid(2), (QStringList{"This port is not open.", "The port was not opened."}));
    }

    // A mail and a call that fail once the row has been taken back and connected again tell
    // nothing about the device the row holds now: its mail latch and the tab's log stay as they are.
    void lateHumidityReportsLeaveAReconnectedRowAlone() {
        KindRig rig;
        switchOn(2, true);
        useMapi();
        setLimits(S().txtHumidMax, "60", S().txtHumidMin, "20");
        P().comboAvailCom->setCurrentText("6"); // no modem there
        rig.handoff.setResult(platform::HandoffResult::Failed, "refused");
        rig.handoff.duringNextHandoff([] {
            modSupport::AdvanceRow(2);
            bHumidMailSent[2] = true; // the row's new device has mailed its own alert
        });
        rig.humid("70");
        QVERIFY(bHumidMailSent[2]);
        QCOMPARE(M().txtHumidInData[1]->toPlainText(), QString());
        QCOMPARE(rig.boxes.prompts().size(), 4); // the mail's two boxes, then the call's
    }

    // A distance excursion alerts once with the state it saw; the return inside the limits, once
    // the object was seen again, gives the notices. Mails only while the marker is armed.
    void distanceExcursionAlertsOnceAndItsReturnOnce() {
        KindRig rig;
        switchOn(9);
        useMapi();
        setLimits(S().txtMaxDistanceThresh, "250", S().txtMinDistanceThresh, "20");
        rt::setTag(M().txtDistanceData[1], "1");
        rig.distance("12");
        QCOMPARE(rig.status(3), QString("Too Close red"));
        QCOMPARE(rt::fontSize(M().lblSensorStatus[3]), 12.0);
        QCOMPARE(alarmText(), QString("12: Too Close"));
        QVERIFY(banner());
        QCOMPARE(handedSubjects(rig.handoff), QStringList{"Warning: 12: Too Close"});
        QCOMPARE(dials(rig.modem), 1);
        QCOMPARE(rt::tag(M().txtDistanceData[1]), QString("0"));

        rig.distance("300");
        QCOMPARE(rig.status(3), QString("Over Max red"));
        QCOMPARE(alarmText(), QString("12: Too Close")); // the latch holds the excursion
        QCOMPARE(dials(rig.modem), 1);

        rig.distance("250"); // a limit: OK, but not back in range
        QCOMPARE(rig.status(3), QString("OK blue"));
        QCOMPARE(rt::fontSize(M().lblSensorStatus[3]), 14.0);
        rt::setTag(M().txtDistanceData[1], "1");
        rig.distance("100");
        QCOMPARE(alarmText(), QString("Distance back to normal"));
        QVERIFY(!banner());
        QCOMPARE(handedSubjects(rig.handoff).last(), QString("Sensor reading OK: Distance back to normal"));
        QCOMPARE(dials(rig.modem), 2);
        QVERIFY(!bDistAlertSent[3]);

        rig.distance("300"); // marker "0": window, page and tray, no mail
        QCOMPARE(alarmText(), QString("Over Max"));
        QCOMPARE(rig.handoff.messages().size(), 2);
        QCOMPARE(dials(rig.modem), 3);
        QCOMPARE(rig.sound.calls.count("loop alert.wav"), 2); // the notice plays no sound
    }

    // With SMTP the notice mail spends the marker, so no page follows; "No Object" is shown as OK;
    // keep-sending alerts at every reading out of the limits.
    void distanceSmtpAndKeepSending() {
        KindRig rig;
        switchOn(9);
        setLimits(S().txtMaxDistanceThresh, "250", S().txtMinDistanceThresh, "20");
        rig.distance("12");
        rt::setTag(M().txtDistanceData[1], "1");
        rig.distance("40");
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->mails().size(), 1);
        QCOMPARE(dials(rig.modem), 1);

        rig.distance("No Object");
        QCOMPARE(rig.status(3), QString("OK blue"));
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkAlwaysSendAlert, 1);
        }
        rig.distance("5");
        rig.distance("6");
        QCOMPARE(dials(rig.modem), 3);
        QCOMPARE(alarmText(), QString("6: Too Close"));
    }

    // The object leaving the range: window, sound, mail while armed, page; a failed telephone
    // call is reported.
    void objectGoneOutOfRange() {
        KindRig rig;
        switchOn(9, true);
        useMapi();
        CheckOutOfRangeEvents(3, 1);
        QVERIFY(rig.channelsDone());
        QCOMPARE(alarmText(), QString("Object has gone out of range"));
        QVERIFY(banner());
        QCOMPARE(rig.sound.playing, QString("loop alert.wav"));
        QVERIFY(rig.handoff.messages().isEmpty());
        QCOMPARE(rig.modem.commands(), QList<QByteArray>{"ATDT5559876,,,,,,,,,,;"});

        rt::setTag(M().txtDistanceData[1], "1");
        P().comboAvailCom->setCurrentText("6");
        CheckOutOfRangeEvents(3, 1);
        QVERIFY(rig.channelsDone());
        QCOMPARE(handedSubjects(rig.handoff), QStringList{"Warning: Object has gone out of range"});
        QCOMPARE(rig.boxes.prompts().mid(2),
                 QStringList{"The telephone alert for the distance sensor did not go through."});
        QVERIFY(rig.boxes.shown().last().style & rt::vbCritical);
    }

    void backInRangeLeavesTheAlarmsList_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("in");
        QTest::addColumn<bool>("alertsAgain"); // the distance marker is spent by its first alert
        QTest::newRow("temperature, mail off") << 1 << "90" << "70" << true;
        QTest::newRow("humidity, mail off") << 2 << "70" << "45" << true;
        QTest::newRow("distance, marker spent") << 9 << "300" << "100" << false;
    }
    // A sensor back in range leaves the alarm's list of sensors though no notice goes out, and
    // its next excursion, where it alerts again, is a new sensor's alarm, which takes the keyboard.
    void backInRangeLeavesTheAlarmsList() {
        QFETCH(int, kind);
        QFETCH(QString, out);
        QFETCH(QString, in);
        QFETCH(bool, alertsAgain);
        KindRig rig;
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkOnScreenAlert[kind], 1);
        }
        setLimits(S().txtHumidMax, "60", S().txtHumidMin, "20");
        setLimits(S().txtMaxDistanceThresh, "250", S().txtMinDistanceThresh, "20");
        auto read = [&](const QString& value, int row) {
            if (kind == 1)
                rig.read(value, row, row);
            else if (kind == 2)
                rig.humid(value, row, row);
            else
                rig.distance(value, row, row);
        };
        read(out, 2);
        read(out, 3);
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Sensor 2, Sensor 3"));
        const QString shown = alarmText();
        read(in, 2);
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Sensor 3"));
        QCOMPARE(alarmText(), shown);
        if (!alertsAgain) return;
        S().show();
        S().activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &S());
        read(out, 2);
        QTRY_COMPARE(QApplication::activeWindow(), &frmAlarm::instance());
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Sensor 3, Sensor 2"));
        S().hide();
    }

    // Water found and gone: every channel once per excursion, the notices with the box that the
    // audible setting gives; the tray keeps the alert picture.
    void waterDetectedAndGone() {
        KindRig rig;
        switchOn(6);
        useMapi();
        CheckWaterEvents(4, 2, false);
        CheckWaterEvents(4, 2, false);
        QVERIFY(rig.channelsDone());
        QCOMPARE(alarmText(), QString("Water Detected"));
        QVERIFY(banner());
        QCOMPARE(rig.sound.calls, QStringList{"loop alert.wav"});
        QCOMPARE(handedSubjects(rig.handoff), QStringList{"Warning: Water Detected"});
        QCOMPARE(dials(rig.modem), 1);
        QCOMPARE(rt::tag(M().txtWaterData[2]), QString("1"));

        CheckWaterEvents(4, 2, true);
        QVERIFY(rig.channelsDone());
        QCOMPARE(alarmText(), QString("Water no longer detected"));
        QVERIFY(!banner());
        QCOMPARE(rig.boxes.prompts(), QStringList{"Water is no longer detected"});
        QCOMPARE(handedSubjects(rig.handoff).last(), QString("Sensor reading OK: Water is no longer detected"));
        QCOMPARE(dials(rig.modem), 2);
        QCOMPARE(rig.trayPicture(), QString("alert"));
        QVERIFY(!bWaterAlertOn[4] && bWaterClearSent[4]);
        QCOMPARE(rt::tag(M().txtWaterData[2]), QString("0"));

        CheckWaterEvents(4, 2, true); // not armed: nothing
        QVERIFY(rig.channelsDone());
        QCOMPARE(dials(rig.modem), 2);
        QCOMPARE(rig.boxes.prompts().size(), 1);
    }

    // Water found again while the water-gone notice is going out is a new excursion: alerted
    // again, and the sensor is left wet.
    void waterBackDuringTheNoticeAlertsAgain() {
        KindRig rig;
        switchOn(6);
        useMapi();
        CheckWaterEvents(4, 2, false);
        QVERIFY(rig.channelsDone());
        rig.handoff.duringNextHandoff([] { CheckWaterEvents(4, 2, false); });
        CheckWaterEvents(4, 2, true);
        QVERIFY(rig.channelsDone());
        QCOMPARE(handedSubjects(rig.handoff),
                 (QStringList{"Warning: Water Detected", "Sensor reading OK: Water is no longer detected",
                              "Warning: Water Detected"}));
        QVERIFY(bWaterAlertOn[4]);
        QCOMPARE(rt::tag(M().txtWaterData[2]), QString("1"));
        QCOMPARE(rig.boxes.prompts(), QStringList{"Water is no longer detected"}); // the audible setting's box
    }

    // Each water sensor has its own excursion; with keep-sending every detection alerts, and two
    // armed slots of one sensor mail the notice once but page twice.
    void waterLatchesPerSensor() {
        KindRig rig;
        switchOn(6);
        CheckWaterEvents(4, 1, false);
        CheckWaterEvents(5, 2, false);
        QVERIFY(rig.channelsDone());
        QCOMPARE(dials(rig.modem), 2);
        QVERIFY(bWaterAlertOn[4] && bWaterAlertOn[5]);

        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkAlwaysSendAlert, 1);
        }
        CheckWaterEvents(6, 3, false);
        CheckWaterEvents(6, 4, false);
        QVERIFY(!bWaterAlertOn[6]);
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkAlwaysSendAlert, 0);
        }
        CheckWaterEvents(6, 3, true);
        CheckWaterEvents(6, 4, true);
        QVERIFY(rig.channelsDone());
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->subjects().count("Sensor Reading OK"), 1);
        QCOMPARE(dials(rig.modem), 6);
        QCOMPARE(rig.boxes.prompts(), QStringList(2, "Water is no longer detected")); // one per slot
    }
};

QTEST_MAIN(TestKindAlerts)
#include "tst_kindalerts.moc"
