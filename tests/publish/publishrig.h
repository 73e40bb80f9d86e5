#pragma once
// The remote monitoring window set up for publisher tests: a private application folder holding
// the shipped stylesheet, scripted message boxes, login fields filled in, and the window's
// publisher state as after start-up.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include "platform/inet.h"
#include "publish/formInternetSetup.h"
#include "publish/statusfiles.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "support/boxes.h"
#include "support/finish.h"
#include "support/testenv.h"
#include "support/wait.h"

inline formInternetSetup& W() {
    return formInternetSetup::instance();
}

struct PublishRig {
    TestEnv env;
    ScriptedBoxes boxes;

    PublishRig(const QString& server, const QString& password, bool withStylesheet = true) {
        if (withStylesheet)
            QFile::copy(QStringLiteral(CORVISENT_ASSETS_DIR "/cvman.xsl"), env.appDir() + "/cvman.xsl");
        auto& w = W();
        w.Inet1->Cancel();
        for (rt::Timer* t : {w.timerInternetUpdate, w.timerBuildXMLTimeout, w.timerTimeOut}) t->setEnabled(false);
        w.timerTimeOut->setInterval(9000);
        w.txtFTPURL->setText(server);
        w.txtUserName->setText("corvisent");
        w.txtPassword->setText(password);
        w.txtRemoteStorageLocation->setText("corvisent");
        rt::setValue(w.chkXMLUseDirectory, 0);
        rt::setValue(w.chkSeeMessages, 0);
        rt::setOptionValue(w.optConnectBeforeSend, true);
        rt::setCaption(w.lblUpdating, "Off");
        rt::setCaption(w.cmdStartUpdate, "3) Start FTP Update");
        w.cmdLoginFTP->setEnabled(true);
        for (QPushButton* b : {w.cmdTestTransfer, w.cmdStartUpdate, w.cmdLogoutFTP, w.cmdCancelInet})
            b->setEnabled(false);
        w.bKeepSession = w.bBuildTimeout = w.bRemoteTimeout = w.bLoggedIn = w.bUpdateNow = false;
        w.LastState.clear();
        w.listFtpMessages->clear();
        w.iUpdateMinutes = 1;
        iXMLIndex = iXMLPublished = -1;
    }

    // Lets the running request end, and what its state events set off.
    static void settle() {
        QVERIFY(rt::WaitUntil([] { return W().InetSettled(); }, 300000));
    }
    // The message list with the times in front of the entries left out.
    static QStringList entries() {
        static const QRegularExpression time(QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d [AP]M"));
        QStringList out;
        for (int i = 0; i < W().listFtpMessages->count(); ++i)
            out << W().listFtpMessages->item(i)->text().remove(time);
        return out;
    }
    // Test data over both connection modes: "stay" set for "Stay connected", which is then
    // selected by useConnectionMode().
    static void connectionModeRows() {
        QTest::addColumn<bool>("stay");
        QTest::newRow("stay connected") << true;
        QTest::newRow("do not stay connected") << false;
    }
    static void useConnectionMode(bool stay) {
        rt::setOptionValue(W().optStayConnected, stay);
        rt::setOptionValue(W().optConnectBeforeSend, !stay);
    }
    // After a test that gave the schedule its minutes itself: stopped, the tick back at its
    // interval, no request running, the clock at real time.
    static void stopSchedule() {
        if (rt::caption(W().cmdStartUpdate) == QLatin1String("3) Stop FTP Update"))
            finish(W().cmdStartUpdate_Click());
        W().timerInternetUpdate->setInterval(60000);
        W().Inet1->Cancel();
        rt::Clock::reset();
    }
    // Starts the schedule's state as the Start button leaves it (its own procedure is tested apart).
    static void scheduleRunning() {
        rt::setCaption(W().lblUpdating, "On");
        rt::setCaption(W().cmdStartUpdate, "3) Stop FTP Update");
        W().cmdStartUpdate->setEnabled(true);
    }
};
