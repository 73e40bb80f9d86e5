#include <QPushButton>

#include "alerts/alertrig.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "settings/modIni.h"

// The temperature alert decision: which channels an excursion raises, once or each time, and
// the back-to-normal notices at its end.
class TestTemperatureAlert : public QObject {
    Q_OBJECT

private slots:
    void excursionAlertsOnceAndNoticesItsEnd() {
        AlertRig rig;
        QCOMPARE(rig.read("85"), 1);
        QCOMPARE(rig.read("86"), 1);
        QCOMPARE(rig.status(1), QString("NOT OK red"));
        QVERIFY(frmAlarm::loaded() && frmAlarm::instance().isVisible());
        QCOMPARE(frmAlarm::instance().lblSensor[0]->text(), QString("Temperature"));
        QVERIFY(rt::visible(frmAlarm::instance().lblSensor[1]));
        QCOMPARE(rig.sound.calls, QStringList{"loop alert.wav"});
        QCOMPARE(rig.tray.modifies, 2);
        QCOMPARE(rig.trayPicture(), QString("alert"));
        QCOMPARE(rt::tag(M().txtTempInData[1]), QString("1"));
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->subjects(), QStringList{"Warning: Cur=85F"});

        QCOMPARE(rig.read("80"), 0); // a limit itself is in range
        QCOMPARE(rig.status(1), QString("OK blue"));
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->subjects(), (QStringList{"Warning: Cur=85F", "Sensor Reading OK: 80F"}));
        // The window held text already, so the notice replaces it and the banner stays.
        QCOMPARE(frmAlarm::instance().lblSensor[0]->text(), QString("Temperature"));
        QCOMPARE(rig.sound.calls, (QStringList{"loop alert.wav", "stop", "loop alert.wav"}));
        QCOMPARE(rig.trayPicture(), QString("alert")); // the tray keeps the alert picture
        QCOMPARE(rt::tag(M().txtTempInData[1]), QString("0"));

        rig.read("75");
        rig.read("29.9");
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->mails().size(), 3); // a new excursion mails again
    }

    void keepSendingAndMissingSwitches() {
        AlertRig rig;
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkAlwaysSendAlert, 1);
        }
        rig.read("90");
        // The window the user went on with keeps the keyboard while the alarm is unchanged: the
        // alarm, kept above, is not raised again. Another sensor's alarm takes the keyboard.
        S().show();
        S().activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &S());
        struct Raises : QObject {
            int n = 0;
            bool eventFilter(QObject*, QEvent* e) override {
                n += e->type() == QEvent::ZOrderChange;
                return false;
            }
        } raises;
        frmAlarm::instance().installEventFilter(&raises);
        rig.read("91");
        QTest::qWait(20);
        QCOMPARE(QApplication::activeWindow(), &S());
        QCOMPARE(raises.n, 0);
        rig.read("92", 2, 2);
        QTRY_COMPARE(QApplication::activeWindow(), &frmAlarm::instance());
        S().hide();
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->mails().size(), 3);
        QCOMPARE(rig.sound.calls, (QStringList{"loop alert.wav", "stop", "loop alert.wav", "stop", "loop alert.wav"}));
        QCOMPARE(frmAlarm::instance().lblSensor[0]->text(), QString("Temperature")); // listed once

        // Ticked but disabled switches are off; e-mail off means no notice at the end either.
        frmAlarm::instance().cmdContinue_Click();
        S().chkOnScreenAlert[1]->setEnabled(false);
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkEmailAlert[1], 0);
        }
        rig.read("70");
        rig.read("95");
        rig.read("70");
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->mails().size(), 4); // the notice of the first excursion only
        QVERIFY(!frmAlarm::loaded());
        QCOMPARE(rig.sound.playing, QString());
    }

    // With several sensors out of range the alarm names each of them, whichever read last; a
    // sensor back to normal leaves the list, and a notice with none left names its own sensor.
    void alarmNamesEverySensorOut() {
        AlertRig rig;
        {
            modSupport::LoadGuard quiet;
            rt::setValue(S().chkAlwaysSendAlert, 1);
        }
        for (int row : {1, 2, 1})
            rig.read("90", row, row);
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Sensor 1, Sensor 2"));
        rig.read("70", 1, 1);
        rig.read("91", 2, 2);
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Sensor 2"));
        rig.read("70", 2, 2);
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Sensor 2"));
    }

    void limitsReadingsAndRows() {
        AlertRig rig;
        QCOMPARE(rig.read("30"), 0);
        QCOMPARE(rig.read(" "), 0);
        QCOMPARE(rig.status(1), QString("OK blue")); // a blank reading leaves the label
        {
            modSupport::LoadGuard quiet;
            S().txtTempMax->setText("");
        }
        QCOMPARE(rig.read("0.5"), 1); // an empty maximum counts as 0
        {
            modSupport::LoadGuard quiet;
            S().txtTempMax->setText("80");
            rt::setValue(S().chkEmailAlert[1], 0);
        }
        // A combined sensor polled on row 3 shows and mails its temperature as row 4.
        QCOMPARE(rig.read("99", 3, 2, 1), 1);
        QCOMPARE(rig.status(4), QString("NOT OK red"));
        QCOMPARE(rig.status(3), QString(" blue"));
        QVERIFY(bTempScreenShown[4] && !bTempScreenShown[3]);

        // A reading that is not a number ends the check and is logged.
        QCOMPARE(rig.read("7x"), 0);
        QVERIFY(readWholeFile(platform::iniFilePath(modSupport::strINIPath)).contains(":13=CheckTThresh:Error"));
    }

    void alarmWindowLife() {
        AlertRig rig;
        frmAlarm::instance().lblSensor[0]->setText("Humidity");
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Sensor Name"));
        M().lblSensor1[1]->setText("Cold room");
        rig.read("85");
        QCOMPARE(frmAlarm::instance().lblSensor[0]->text(), QString("Humidity, Temperature"));
        // It names the sensor and the time, and its caption fits its title bar.
        QCOMPARE(frmAlarm::instance().lblSensorName->text(), QString("Cold room"));
        QCOMPARE(frmAlarm::instance().lblDateTimeTriggered->text(), QString("3/7/2009, 4:08:02 PM"));
        QFont title = frmAlarm::instance().font();
        title.setBold(true);
        QVERIFY(frmAlarm::instance().width() > QFontMetrics(title).horizontalAdvance("CORVISENT MANAGER ALARM") + 100);
        frmAlarm::instance().cmdContinue->click();
        QCOMPARE(rig.sound.playing, QString());
        QVERIFY(!frmAlarm::loaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // After Continue the next alarm starts afresh.
        QCOMPARE(frmAlarm::instance().lblDateTimeTriggered->text(), QString("Date, Time triggered"));
        rig.read("70");
        QCOMPARE(frmAlarm::instance().lblSensor[0]->text(), QString("Temperature is back to normal"));
        QVERIFY(!rt::visible(frmAlarm::instance().lblSensor[1]));
        frmAlarm::instance().cmdContinue_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        rig.read("85");
        QCOMPARE(frmAlarm::instance().lblSensor[0]->text(), QString("Temperature"));
        QVERIFY(rt::visible(frmAlarm::instance().lblSensor[1]));

        // Disable All Alarms silences every switch until "Disable All Alerts" is cleared.
        frmAlarm::instance().cmdShutOffAlarm->click();
        QCOMPARE(rig.sound.playing, QString());
        QVERIFY(rt::ticked(S().chkLocalMonitoring) && S().isVisible());
        QVERIFY(!S().chkOnScreenAlert[1]->isEnabled() && rt::ticked(S().chkOnScreenAlert[1]));
        QCOMPARE(rig.boxes.prompts(), QStringList{"To re-enable alerts, uncheck _Disable All Alerts_ in Sensor "
                                                  "Setup, under the _Alerts_&_Threshold_ tab."});
        QCOMPARE(platform::GetSetting("Corvisent Manager", "Program Setup", "chkLocalMonitoring", ""), QString("1"));
        rig.read("70");
        rig.read("85");
        QVERIFY(!frmAlarm::loaded());
        rt::setValue(S().chkLocalMonitoring, 0);
        S().hide();
    }
};

QTEST_MAIN(TestTemperatureAlert)
#include "tst_temperaturealert.moc"
