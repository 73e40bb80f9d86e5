// The proximity alert and the forced log-off, driven by proximity sensors on fake ports: what each
// presence and absence raises on the alarm window, the sound, the mail paths, the tray and the
// desktop shell.
#include <QFile>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/frmAlarm.h"
#include "app/startup.h"
#include "platform/registry.h"
#include "runtime/appdir.h"
#include "sensors/eventrig.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "support/fakehandoff.h"
#include "support/fakesmtp.h"
#include "support/fakesound.h"
#include "support/faketray.h"

namespace {

formEmailAlertSetup& E() {
    return formEmailAlertSetup::instance();
}

void line(FakeSerialPort& dev, bool presence) {
    dev.setDsr(presence);
    EventRig::settle();
}

QString alarmText() {
    return frmAlarm::loaded() ? frmAlarm::instance().lblSensor[0]->text() : QString("(closed)");
}

// Serial sensors with every notification channel replaced by a fake.
struct ProxRig : EventRig {
    FakeTray tray;
    FakeSound sound;
    FakeSmtp smtp;
    FakeMailHandoff handoff;
    ProxRig() {
        QFile::copy(CORVISENT_ASSETS_DIR "/alert.wav", env.appDir() + "/alert.wav");
        strAlertSound = rt::appFile("alert.wav");
        LoadGuard quiet;
        rt::setOptionValue(S().optUseSMTP, true);
        rt::setOptionValue(S().optSysTray, true);
        rt::setTag(S().optSysTray, QString());
        rt::setValue(S().chkLocalMonitoring, 0);
        E().txtEmailAddr->setText("ops@example.com");
        E().txtMailFrom->setText("monitor@example.com");
        E().txtSMTPHostServer->setText("127.0.0.1");
        for (QCheckBox* box : E().chkInclude)
            rt::setValue(box, 1);
        E().timerSendOstro->setEnabled(false);
        tray.add(M().ImageList1(1), QString());
    }
    ~ProxRig() {
        if (frmAlarm::loaded()) frmAlarm::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool mailsDone() {
        return QTest::qWaitFor([] { return M().SMTP1->pending() == 0; }, 20000);
    }
    QString trayPicture() const {
        return tray.icon().cacheKey() == M().ImageList1(2).cacheKey() ? "alert" : "normal";
    }
    // On-screen and e-mail switches of a proximity number, and the audible alert.
    void switches(int p, bool onScreen, bool mail) {
        LoadGuard quiet;
        rt::setValue(S().chkOnScreenOnProx[p], onScreen ? 1 : 0);
        rt::setValue(S().chkEmailOnProx[p], mail ? 1 : 0);
        rt::setValue(S().chkUseAlerts, 1);
    }
};

} // namespace

class TestProximityAlert : public QObject {
    Q_OBJECT

private slots:
    // Every presence and every absence raises the alarm again and sounds once; SMTP mails are
    // held back for a few seconds after each one, mail through the mail program is not.
    void alertOnEveryEventWithoutLatch() {
        ProxRig rig;
        FakeSerialPort& door = rig.connect(6, typeProximity, 2, 3); // tab slot 2, proximity number 3
        M().lblSensor1[6]->setText("Back Door");
        rig.switches(3, true, true);
        QVERIFY(S().chkUseAlerts->isEnabled()); // a proximity alarm makes the audible alert usable

        line(door, true);
        QCOMPARE(alarmText(), QString("Proximity Detect"));
        QCOMPARE(rig.sound.calls, QStringList{"once alert.wav"});
        QCOMPARE(rig.trayPicture(), QString("alert"));
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp.subjects(), QStringList{"Warning: Proximity Alert"});
        const QByteArray body = bodyOf(rig.smtp.mails().first().message);
        QVERIFY2(body.contains("Proximity Alert\r\n Back Door"), body.constData()); // the sensor's own row

        frmAlarm::unload();
        line(door, false);
        QCOMPARE(alarmText(), QString("Proximity Detect"));
        QCOMPARE(rig.sound.calls.filter("alert.wav"), (QStringList{"once alert.wav", "once alert.wav"}));
        QCOMPARE(rig.sound.playing, QString("once alert.wav"));
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp.mails().size(), 1); // inside the SMTP pause
        QTRY_VERIFY_WITH_TIMEOUT(!E().timerSendOstro->enabled(), 15000);
        QCOMPARE(M().windowTitle(), QString("Corvisent Manager"));
        line(door, true);
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp.mails().size(), 2);

        {
            LoadGuard quiet;
            rt::setOptionValue(S().optUseMAPI, true);
        }
        line(door, false);
        line(door, true);
        QCOMPARE(rig.handoff.messages().size(), 2);
        QCOMPARE(rig.smtp.mails().size(), 2);
    }

    // The switches of the sensor's own proximity number count; "Disable All Alerts" silences the
    // alert even with both on; without "Local Audible Alert" the alarm shows without a sound.
    void switchesThatDecide() {
        ProxRig rig;
        FakeSerialPort& hall = rig.connect(2, typeProximity, 1, 2);
        FakeSerialPort& lab = rig.connect(5, typeDistance, 1, 4); // distance sensor in proximity mode
        iProxMode[5] = 1;
        rig.switches(2, false, false);
        rig.switches(4, true, false);
        rig.switches(1, true, true); // another proximity number's switches do not act for these
        line(hall, true);
        QCOMPARE(alarmText(), QString("(closed)"));
        QVERIFY(rig.sound.calls.isEmpty());

        lab.setDsr(true);
        QTRY_COMPARE(alarmText(), QString("Proximity Detect"));
        QCOMPARE(alertCallLog().filter("CheckProximityEvents"), QStringList{"CheckProximityEvents(9, 5)"});
        frmAlarm::unload();

        {
            LoadGuard quiet;
            rt::setValue(S().chkLocalMonitoring, 1);
        }
        lab.setDsr(false);
        EventRig::settle();
        QCOMPARE(alarmText(), QString("(closed)"));
        QCOMPARE(rig.sound.calls.filter("alert.wav").size(), 1);
        {
            LoadGuard quiet;
            rt::setValue(S().chkLocalMonitoring, 0);
            rt::setValue(S().chkUseAlerts, 0);
        }
        line(lab, true);
        QCOMPARE(alarmText(), QString("Proximity Detect"));
        QCOMPARE(rig.sound.calls.filter("alert.wav").size(), 1);
        QVERIFY(rig.smtp.mails().isEmpty() && rig.handoff.messages().isEmpty());
    }

    // Log-off only when nobody is there: the program is put into the session start-up first, so
    // it comes back at the next log-on.
    void logOffWhenNobodyIsThere() {
        ProxRig rig;
        FakeSerialPort& desk = rig.connect(3, typeProximity, 1, 2);
        rt::setOptionValue(S().optLogoutOnProximity[2], true);
        line(desk, true);
        QVERIFY(rig.shell.calls.isEmpty());
        QCOMPARE(modPrefs::GetPref("Program Setup", "SavedState", "<none>"), QString("<none>"));

        line(desk, false);
        // The log-off request of the event and the handler's own: both reach the desktop.
        QCOMPARE(rig.shell.calls, (QStringList{"logOff", "logOff"}));
        QCOMPARE(modPrefs::GetPref("Program Setup", "SavedState", "<none>"), QString("1"));
        QCOMPARE(modRegistry::GetStringFromReg(modRegistry::kRunKey, modRegistry::kRunValue),
                 modRegistry::RunValueText());
        QVERIFY(QFile::exists(modRegistry::AutostartEntryPath()));

        // A desktop that refuses leaves the user logged on, without a message.
        rig.shell.logOffResult = false;
        line(desk, true);
        line(desk, false);
        QCOMPARE(rig.shell.calls.size(), 4);
    }
};

QTEST_MAIN(TestProximityAlert)
#include "tst_proximityalert.moc"
