#pragma once
// The alert tests' setup: private settings and application folder, a fake notification area,
// sound channel and SMTP transport, scripted message boxes, and the temperature row of the
// setup window with every switch on.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtTest>
#include <optional>

#include "alerts/alertchecks.h"
#include "alerts/channelqueue.h"
#include "alerts/formEmailAlertSetup.h"
#include "alerts/frmAlarm.h"
#include "app/CorvisentMain.h"
#include "platform/smtp.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/fakehandoff.h"
#include "support/fakeserial.h"
#include "support/fakesmtp.h"
#include "support/fakesound.h"
#include "support/faketray.h"
#include "support/testenv.h"

inline formSensorSetup& S() { return formSensorSetup::instance(); }
inline CorvisentMain& M() { return CorvisentMain::instance(); }
inline formEmailAlertSetup& E() { return formEmailAlertSetup::instance(); }

struct AlertRig {
    TestEnv env;
    FakeTray tray;
    FakeSound sound;
    std::optional<FakeSmtp> smtp; // none: mail goes to a real server
    ScriptedBoxes boxes;

    explicit AlertRig(bool fakeMail = true) {
        if (fakeMail) smtp.emplace();
        QFile::copy(CORVISENT_ASSETS_DIR "/alert.wav", env.appDir() + "/alert.wav");
        modSupport::LoadGuard quiet;
        S().txtTempMax->setText("80");
        S().txtTempMin->setText("30");
        for (int k : {0, 1, 2, 3, 6, 8, 9})
            for (QCheckBox* box : {S().chkOnScreenAlert[k], S().chkEmailAlert[k], S().chkPageAlert[k]}) {
                rt::setValue(box, k == 1 && box != S().chkPageAlert[k] ? 1 : 0);
                box->setEnabled(true);
            }
        rt::setValue(S().chkLocalMonitoring, 0);
        rt::setValue(S().chkAlwaysSendAlert, 0);
        rt::setValue(S().chkUseAlerts, 1);
        rt::setOptionValue(S().optSysTray, true);
        rt::setTag(S().optSysTray, QString());
        rt::setOptionValue(S().optUseSMTP, true);
        rt::setOptionValue(S().optionNumericalPager, false);
        rt::setOptionValue(S().optionPhonePager, false);
        for (int slot = 1; slot <= 4; ++slot)
            rt::setTag(M().txtTempInData[slot], QString());
        E().txtEmailAddr->setText("ops@example.com");
        E().txtCCEmailAddr->setText("");
        E().txtMailFrom->setText("monitor@example.com");
        E().txtSMTPHostServer->setText("127.0.0.1");
        rt::setValue(E().chkAuthenticationReq, 0);
        for (QCheckBox* box : E().chkInclude)
            rt::setValue(box, 1);
        E().listEmailStatus->clear();
        for (int row = 1; row <= 10; ++row) {
            M().lblSensor1[row]->setText(QStringLiteral("Sensor %1").arg(row));
            M().lblMeasure[row]->setText("F");
            M().lblSensorStatus[row]->clear();
        }
        ClearAllAlertLatches();
        tray.add(M().ImageList1(1), QString());
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 2)));
    }
    ~AlertRig() {
        if (frmAlarm::loaded()) frmAlarm::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        rt::Clock::reset();
    }

    // One temperature reading of device row 1 (display slot 1) as the polling tick hands it over.
    int read(const QString& value, int row = 1, int slot = 1, int combined = 0) {
        M().lblSensorReading[combined ? row + 1 : row]->setText(value);
        const int result = CheckTThresh(value, 1, row, slot, combined);
        channelsDone();
        return result;
    }
    // Waits until the mail hand-offs and pages the checks asked for have run.
    static bool channelsDone() {
        return QTest::qWaitFor([] { return alertqueue::Pending() == 0; }, 20000);
    }
    // Waits until the SMTP control has finished every mail handed to it.
    bool mailsDone() {
        return QTest::qWaitFor([] { return M().SMTP1->pending() == 0; }, 20000);
    }
    QString trayPicture() const {
        return tray.icon().cacheKey() == M().ImageList1(2).cacheKey() ? "alert" : "normal";
    }
    QString status(int row) const {
        return M().lblSensorStatus[row]->text() + (rt::foreColor(M().lblSensorStatus[row]) == rt::vbRed ? " red" : " blue");
    }
};

// What the alarm window shows, "(closed)" while it is not loaded; whether its banner shows.
inline QString alarmText() {
    return frmAlarm::loaded() ? frmAlarm::instance().lblSensor[0]->text() : QString("(closed)");
}
inline bool banner() {
    return rt::visible(frmAlarm::instance().lblSensor[1]);
}

// The dial commands the modem received (one per page or call).
inline int dials(const FakeSerialPort& modem) {
    int n = 0;
    for (const QByteArray& c : modem.commands())
        if (c.endsWith(";")) ++n;
    return n;
}

// Subjects of the mails handed to the mail program.
inline QStringList handedSubjects(const FakeMailHandoff& handoff) {
    QStringList out;
    for (const QByteArray& m : handoff.messages()) {
        const int at = m.indexOf("Subject: ");
        out << QString::fromUtf8(m.mid(at + 9, m.indexOf('\n', at) - at - 9));
    }
    return out;
}
