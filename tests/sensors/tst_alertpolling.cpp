#include <QLineEdit>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/frmAlarm.h"
#include "sensors/sensorrig.h"
#include "support/fakehandoff.h"
#include "support/fakesmtp.h"
#include "support/fakesound.h"
#include "support/faketray.h"
#include "support/finish.h"
#include "support/wait.h"

using namespace modSupport;

// A temperature sensor polled on the fast clock going out of range and back: the alarm window,
// its sound, the tray icon and the mail follow the readings, and "Disable All Alarms" stops the
// checks.
class TestAlertPolling : public QObject {
    Q_OBJECT

private slots:
    void excursionThroughThePollingTick() {
        SensorRig rig;
        FakeSound sound;
        FakeTray tray;
        FakeSmtp smtp;
        QFile::copy(CORVISENT_ASSETS_DIR "/alert.wav", rig.env.appDir() + "/alert.wav");
        {
            LoadGuard quiet;
            S().txtTempMax->setText("80");
            S().txtTempMin->setText("30");
            for (QCheckBox* box : {S().chkOnScreenAlert[1], S().chkEmailAlert[1], S().chkUseAlerts})
                rt::setValue(box, 1);
            rt::setValue(S().chkPageAlert[1], 0);
            rt::setValue(formEmailAlertSetup::instance().chkInclude[3], 1); // the reading in the subject
            formEmailAlertSetup::instance().txtSMTPHostServer->setText("mail.example.com");
            rt::setOptionValue(S().optUseSMTP, true);
            rt::setOptionValue(S().optSysTray, true);
            S().cmbMinOrSecs->setCurrentIndex(1); // seconds
        }
        tray.add(M().ImageList1(1), QString());
        rig.record(1, strTypeTemperature, "Cold room", "1", 3);
        rig.load();
        double value = 72.5;
        FakeSerialPort& port = rig.hub->add(3);
        serve(port, "Corvisent/T", [&](const QByteArray& c) -> QByteArray {
            return c == "tf" ? QByteArray::number(value, 'f', 2).rightJustified(6, '0') + "F" : QByteArray();
        });
        rt::Clock::setSpeed(20);
        finish(S().cmdConnectSensor_Click(1));
        QCOMPARE(M().lblSensorStatus[1]->text(), QString("OK"));

        value = 85;
        QVERIFY(QTest::qWaitFor([] { return M().lblSensorStatus[1]->text() == "NOT OK"; }, 30000));
        QVERIFY(frmAlarm::loaded() && frmAlarm::instance().isVisible());
        QCOMPARE(sound.playing, QString("loop alert.wav"));
        QCOMPARE(tray.icon().cacheKey(), M().ImageList1(2).cacheKey());
        // Later readings of the same excursion add nothing.
        const int calls = alertCallLog().size();
        QVERIFY(QTest::qWaitFor([&] { return alertCallLog().size() >= calls + 2; }, 30000));
        QCOMPARE(frmAlarm::instance().lblSensor[0]->text(), QString("Temperature"));
        QVERIFY(QTest::qWaitFor([&] { return smtp.mails().size() == 1; }, 30000));

        value = 70;
        QVERIFY(QTest::qWaitFor([&] { return smtp.mails().size() == 2; }, 30000));
        QCOMPARE(smtp.subjects(), (QStringList{"Warning: Cur=85F", "Sensor Reading OK: 70F"}));

        // Disable All Alarms: the polling tick calls no check any more and shows "OK".
        frmAlarm::instance().cmdShutOffAlarm_Click();
        QCOMPARE(sound.playing, QString());
        value = 95;
        alertCallLog().clear();
        const int queries = port.written().count("tf");
        QVERIFY(QTest::qWaitFor([&] { return port.written().count("tf") >= queries + 2; }, 30000));
        QVERIFY(alertCallLog().isEmpty());
        QCOMPARE(M().lblSensorStatus[1]->text(), QString("OK"));
        QVERIFY(!frmAlarm::loaded());
        QCOMPARE(rig.boxes->prompts().size(), 1); // the hint of Disable All Alarms
        rt::setValue(S().chkLocalMonitoring, 0);
        S().hide();
    }

    // One row's reading asks for a mail through the mail program while another row's sensor has
    // gone silent and is asked its ten queries: the hand-off starts while those queries go on.
    void handoffStartsWhileAnotherRowIsAskedTenTimes() {
        SensorRig rig;
        FakeMailHandoff handoff;
        {
            LoadGuard quiet;
            S().txtTempMax->setText("80");
            S().txtTempMin->setText("30");
            for (QCheckBox* box : {S().chkOnScreenAlert[1], S().chkPageAlert[1]})
                rt::setValue(box, 0);
            for (QCheckBox* box : {S().chkEmailAlert[1], S().chkUseAlerts})
                rt::setValue(box, 1);
            rt::setOptionValue(S().optUseMAPI, true);
            formEmailAlertSetup::instance().txtEmailAddr->setText("ops@example.com");
        }
        rig.record(1, strTypeTemperature, "Cold room", "1", 3);
        rig.record(2, strTypeTemperature, "Server room", "2", 4);
        rig.load();
        bool silent = false;
        QByteArray serverRoom = "070.00F";
        FakeSerialPort& cold = rig.hub->add(3);
        serve(cold, "Corvisent/T", [&](const QByteArray&) -> QByteArray { return silent ? "" : "070.00F"; });
        serve(rig.hub->add(4), "Corvisent/T", [&](const QByteArray&) { return serverRoom; });
        rt::Clock::setSpeed(100);
        finish(S().cmdConnectSensor_Click(1));
        finish(S().cmdConnectSensor_Click(2));
        silent = true;
        serverRoom = "095.00F";
        const int before = int(cold.commands().count("tf"));
        int coldQueriesThen = -1;
        bool coldStillAsked = false;
        handoff.duringNextHandoff([&] {
            coldQueriesThen = int(cold.commands().count("tf")) - before;
            coldStillAsked = RowIsBusy(1);
        });
        QVERIFY(rt::WaitUntil([&] { return coldQueriesThen >= 0; }, 10 * 60000));
        QCOMPARE(handoff.messages().size(), 1);
        QVERIFY2(coldStillAsked && coldQueriesThen < 10, qPrintable(QString::number(coldQueriesThen)));
        QVERIFY(rt::WaitUntil([] { return iPortOpen[1] == 0; }, 10 * 60000)); // given up in the end
        rig.boxes->clear();
    }
};

QTEST_MAIN(TestAlertPolling)
#include "tst_alertpolling.moc"
