#include "publish/publishrig.h"
#include "runtime/error.h"
#include "sensors/sensorrig.h"
#include "support/fakeinet.h"
#include "support/wait.h"

namespace {

const QString kPassword = QStringLiteral("secret");

// A fake server with the remote directory, and the window logged in to it when asked.
struct SessionRig : PublishRig {
    FakeFtpServer ftp;
    explicit SessionRig(bool withStylesheet = true) : PublishRig("ftp.example.com", kPassword, withStylesheet) {
        ftp.setLogin("corvisent", kPassword);
        ftp.addDir("/corvisent");
        ftp.addDir("/corvisent/old");
    }
    void login() {
        finish(W().cmdLoginFTP_Click());
        settle();
    }
    // Starts a request the way the schedule does, and lets it and whatever it sets off run.
    void upload(const QString& name) {
        writeWholeFile(env.appDir() + "/" + name, "<corvisent/>\r\n");
        W().Inet1->Execute(QString(), "SEND " + env.appDir() + "/" + name + " " + name);
        settle();
    }
    static int count(const QString& entry) { return int(entries().count(entry)); }
};

const QStringList kNewConnection{" Resolving Host...", " Host Resolved", " Connecting...", " CONNECTED"};

} // namespace

// The FTP session of the remote monitoring window against a fake server: login, test transfer,
// logout and cancel, and the state events that arrive inside their waits.
class TestFtpSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The window's transfer control is made once, while a fake server stands in.
        FakeFtpServer first;
        W();
    }
    void init() { rt::Clock::setSpeed(50); }
    void cleanup() { rt::Clock::reset(); }

    void loginFollowsTheSessionStates() {
        SessionRig rig;
        rig.login();
        QCOMPARE(rig.ftp.requests(), QStringList({"PWD /", "CD /corvisent", "LS /corvisent"}));
        QCOMPARE(PublishRig::entries(),
                 QStringList({" FTP login attempt"}) + kNewConnection +
                     QStringList({" Command Completed", "257 \"/\" is the current directory.", " Command Completed",
                                  "250 \"/corvisent\" is the current directory.", " Command Completed", "old"}));
        auto& w = W();
        QVERIFY(w.bLoggedIn && w.bKeepSession);
        QCOMPARE(w.LastState, QString("Response Completed"));
        QVERIFY(!w.cmdLoginFTP->isEnabled() && w.cmdLogoutFTP->isEnabled() && w.cmdCancelInet->isEnabled());
        QVERIFY(w.cmdTestTransfer->isEnabled() && !w.cmdStartUpdate->isEnabled());
        QVERIFY(!w.optStayConnected->isEnabled() && !w.optConnectBeforeSend->isEnabled());
        QVERIFY(!w.timerBuildXMLTimeout->enabled());
        QCOMPARE(w.timerBuildXMLTimeout->interval(), 60000);

        // While the schedule runs no PWD is sent and the test transfer stays off; an empty
        // remote directory is still entered.
        rig.ftp.clearRequests();
        PublishRig::scheduleRunning();
        w.cmdTestTransfer->setEnabled(false);
        w.txtRemoteStorageLocation->setText("");
        rig.login();
        QCOMPARE(rig.ftp.requests(), QStringList({"CD /", "LS /"}));
        QVERIFY(!w.cmdTestTransfer->isEnabled());
    }

    void loginNeedsAUserNameExceptForALocalFolder() {
        SessionRig rig;
        auto& w = W();
        // Nothing is sent without a user name.
        w.txtUserName->setText("");
        rig.login();
        QCOMPARE(rig.boxes.prompts(), QStringList({"You must first fill out the FTP login information."}));
        QVERIFY(rig.ftp.requests().isEmpty() && w.cmdLoginFTP->isEnabled());
        // Local-directory mode needs no login.
        w.txtUserName->setText("corvisent");
        rt::setValue(w.chkXMLUseDirectory, 1);
        rig.login();
        QVERIFY(rig.ftp.requests().isEmpty() && PublishRig::entries().isEmpty());
        rt::setValue(w.chkXMLUseDirectory, 0);

        // A missing directory is reported once; the box keeps what was typed.
        w.txtRemoteStorageLocation->setText("nowhere");
        rig.login();
        QCOMPARE(SessionRig::count("Directory doesn't exist."), 1);
        QCOMPARE(w.txtRemoteStorageLocation->text(), QString("nowhere"));
        QVERIFY(!PublishRig::entries().join('|').contains("Error"));

        // A wrong password: logged with its code, and the login sends nothing more and does not
        // log out and in again.
        w.listFtpMessages->clear();
        w.txtPassword->setText("guess");
        rig.ftp.clearRequests();
        rig.login();
        QCOMPARE(SessionRig::count(" Incorrect Password"), 1);
        QCOMPARE(SessionRig::count(" Error: 12014"), 1);
        QCOMPARE(rig.ftp.requests(), QStringList({"PWD /"}));
        QVERIFY(!PublishRig::entries().join('|').contains(QString("guess")));

        // A server that refuses connections: only the state it failed in is logged.
        w.listFtpMessages->clear();
        w.txtPassword->setText(kPassword);
        rig.ftp.setRefusing(true);
        rig.login();
        QCOMPARE(SessionRig::count("LastState= Connecting"), 1);
        QVERIFY(!PublishRig::entries().join('|').contains("Error:"));
        QCOMPARE(rig.boxes.prompts().size(), 1);
    }

    void silentServerEndsTheLoginWait() {
        SessionRig rig;
        rig.ftp.setSilent(true);
        finish(W().cmdLoginFTP_Click());
        // The PWD never ends: the wait gives up, and the directory change cannot be sent.
        QVERIFY(PublishRig::entries().contains(" Login Timeout"));
        QCOMPARE(rig.ftp.requests(), QStringList({"PWD /"}));
        QVERIFY(W().cmdLogoutFTP->isEnabled());
        W().cmdCancelInet_Click();
        QVERIFY(!W().Inet1->StillExecuting());
        QCOMPARE(PublishRig::entries().last(), QString(" Cancel Attempt"));

        // The control's own time-out ends the request first: the login ends there too, with no
        // logout and login again.
        rig.ftp.setSilent(false);
        rig.ftp.setTimingOut(true);
        rig.ftp.clearRequests();
        W().listFtpMessages->clear();
        finish(W().cmdLoginFTP_Click());
        QCOMPARE(rig.ftp.requests(), QStringList({"PWD /"}));
        QVERIFY(PublishRig::entries().contains(" Error: 12002"));
        QVERIFY(!PublishRig::entries().contains(" FTP logout attempt") && !W().bLoggedIn);
    }

    // A login pressed while a sensor's reading waits for its reply, against a server that takes
    // the connection and then says nothing: the row is read at its pace while the login waits,
    // counted in the ticks of a second row with the same interval.
    void silentLoginHoldsNoReading() {
        SessionRig rig;
        rig.ftp.setSilent(true);
        SensorRig sensors;
        S().cmbMinOrSecs->setCurrentIndex(1);
        S().txtReadingInterval->setText("2"); // a tick every 1700 ms
        sensors.record(1, modSupport::strTypeTemperature, "Freezer", "1", 3);
        sensors.record(2, modSupport::strTypeTemperature, "Cellar", "2", 4);
        sensors.load();
        int reads = 0;
        bool press = false; // the login is pressed while the next reading waits for its reply
        serve(sensors.hub->add(3), "Corvisent/T", [&](const QByteArray&) {
            ++reads;
            if (std::exchange(press, false)) QTimer::singleShot(0, [] { W().cmdLoginFTP_Click(); });
            return QByteArray("070.00F");
        });
        serve(sensors.hub->add(4), "Corvisent/T", [](const QByteArray&) { return QByteArray("065.00F"); });
        S().cmdConnectSensor_Click(1);
        S().cmdConnectSensor_Click(2);
        ReadingTicks ticks(2, 16, [&] { return reads; });
        press = true;
        QVERIFY(rt::WaitUntil([&] { return ticks.done(); }, 10 * 60000));
        // A reading in every tick of the second row, give or take one where the two ticks cross.
        QVERIFY2(ticks.readingTicks().size() >= 15, qPrintable(ticks.readingEvery()));
        // The login's wait ran out meanwhile, as it does on its own.
        QVERIFY(PublishRig::entries().contains(" Login Timeout"));
        QVERIFY(rt::WaitUntil([] { return W().cmdLogoutFTP->isEnabled(); }, 60000));
    }

    void brokenConnectionRecoversTheSchedule() {
        SessionRig rig;
        rig.login();
        PublishRig::scheduleRunning();
        W().timerInternetUpdate->setEnabled(true);
        W().bKeepSession = true;
        rig.ftp.dropConnections();
        W().listFtpMessages->clear();
        rig.ftp.clearRequests();
        rig.upload("cvman3.xml");
        // Logged, logged out, logged in again (no PWD while the schedule runs), the schedule
        // re-armed and run at once (it publishes), and with "Do not stay connected" the session
        // ended again.
        const QString status = QStringLiteral("cvman%1.xml").arg(iXMLIndex);
        QCOMPARE(rig.ftp.requests(), QStringList({"SEND /corvisent cvman3.xml", "QUIT", "CD /corvisent",
                                                  "LS /corvisent", "NOOP /corvisent", "SEND /corvisent " + status,
                                                  "SEND /corvisent " + QString(status).replace(".xml", ".html"),
                                                  "SEND /corvisent index.html", "QUIT"}));
        QCOMPARE(rig.ftp.file("/corvisent/" + status), readWholeFile(rig.env.appDir() + "/" + status));
        const QStringList e = PublishRig::entries();
        QCOMPARE(e.mid(0, 8),
                 QStringList({"LastState= Response Completed", " Error: 12030",
                              " (The connection with the server was terminated abnormally)",
                              " Attempting to log back on...", " FTP logout attempt", " Disconnecting...",
                              " Disconnected", " FTP login attempt"}));
        QVERIFY(e.contains(" Recovering: Cal Interval Update"));
        QVERIFY(e.contains(" <<Update Timer>>"));
        QCOMPARE(e.count(" Disconnected"), 2);
        QVERIFY(!W().bUpdateNow && W().timerInternetUpdate->enabled() && W().iUpdateMinutes == 1);
        QCOMPARE(rt::caption(W().cmdStartUpdate), QString("3) Stop FTP Update"));
        QVERIFY(W().cmdStartUpdate->isEnabled()); // Stop stays usable between sessions
        // The session ended by itself: the connection options are free again, as after Logout.
        QVERIFY(W().optStayConnected->isEnabled() && W().optConnectBeforeSend->isEnabled());

        // The server gone for good: the recovery's login tries once and does not start another
        // recovery.
        rig.login();
        rig.ftp.dropConnections();
        rig.ftp.setRefusing(true);
        W().listFtpMessages->clear();
        rig.upload("cvman4.xml");
        QCOMPARE(SessionRig::count(" Attempting to log back on..."), 1);
        QCOMPARE(SessionRig::count("LastState= Connecting"), 1);
    }

    // An update on a session whose server then lets every request time out: the recovery logs
    // in again and says so; the time-out of that login ends it, and the list says no more of
    // logging back on than was done.
    void timedOutRecoverySaysWhatItDoes() {
        SessionRig rig;
        PublishRig::useConnectionMode(true);
        rig.login();
        PublishRig::scheduleRunning();
        rig.ftp.setTimingOut(true);
        W().listFtpMessages->clear();
        W().bUpdateNow = true;
        finish(W().timerInternetUpdate_Timer());
        QCOMPARE(SessionRig::count(" Error: 12002"), 2);
        QCOMPARE(SessionRig::count(" FTP login attempt"), 1);
        QCOMPARE(SessionRig::count(" Attempting to log back on..."), 1);
        QVERIFY(PublishRig::entries().contains(" Not sending update"));
        PublishRig::stopSchedule();
    }

    void unrecoverableErrorStopsTheSchedule() {
        SessionRig rig;
        PublishRig::scheduleRunning();
        W().txtFTPURL->setText("ftp://bad host");
        rig.login();
        QCOMPARE(rig.boxes.prompts().value(0), QString("Urecoverable. Logging out and stopping update."));
        QVERIFY(!rig.boxes.shown().value(0).waits); // raised by the transfer, it holds up nothing
        QCOMPARE(rt::caption(W().cmdStartUpdate), QString("3) Start FTP Update"));
        QCOMPARE(rt::caption(W().lblUpdating), QString("Off"));
        QVERIFY(!PublishRig::entries().contains(" FTP logout attempt"));
        QVERIFY(rig.ftp.requests().isEmpty());
    }

    void completionLogsOutOnlyBetweenUpdates() {
        SessionRig rig;
        rig.login();
        PublishRig::scheduleRunning();
        // The login's own commands and the status upload keep the session.
        rig.upload("cvman0.xml");
        QVERIFY(!rig.ftp.requests().contains("QUIT"));
        W().bKeepSession = false;
        rig.ftp.clearRequests();
        W().listFtpMessages->clear();
        rig.upload("index.html");
        QCOMPARE(rig.ftp.requests(), QStringList({"SEND /corvisent index.html", "QUIT"}));
        QCOMPARE(PublishRig::entries(),
                 QStringList({" Command Completed", " FTP logout attempt", " Disconnecting...", " Disconnected",
                              "226 Transfer complete."}));
        QCOMPARE(rt::caption(W().cmdStartUpdate), QString("3) Stop FTP Update")); // the schedule goes on
        QCOMPARE(rig.ftp.file("/corvisent/index.html"), QByteArray("<corvisent/>\r\n"));

        // "Stay connected" keeps the session.
        rig.login();
        W().bKeepSession = false;
        rt::setOptionValue(W().optStayConnected, true);
        rig.ftp.clearRequests();
        rig.upload("index.html");
        QCOMPARE(rig.ftp.requests(), QStringList({"SEND /corvisent index.html"}));
    }

    void testTransferSendsTheStylesheet() {
        SessionRig rig;
        rig.login();
        rt::setValue(W().chkSeeMessages, 1);
        W().listFtpMessages->clear();
        finish(W().cmdTestTransfer_Click());
        QFile xsl(CORVISENT_ASSETS_DIR "/cvman.xsl");
        QVERIFY(xsl.open(QIODevice::ReadOnly));
        QCOMPARE(rig.ftp.file("/corvisent/cvman.xsl"), xsl.readAll());
        const QStringList e = PublishRig::entries();
        QCOMPARE(e.mid(0, 2), QStringList({"Path for cvman.xsl file = \r\n", "  " + rig.env.appDir() + "/"}));
        QCOMPARE(e.mid(e.size() - 2), QStringList({"Response from SEND = :0", " Test transfer complete"}));
        QVERIFY(W().cmdStartUpdate->isEnabled() && !W().cmdTestTransfer->isEnabled());
    }

    void failedTestTransfers() {
        SessionRig rig(false);
        rig.login();
        // The stylesheet is missing beside the program: judged when the request has ended.
        finish(W().cmdTestTransfer_Click());
        QCOMPARE(rig.boxes.prompts(), QStringList({"Test transfer not complete. Please try again."}));
        QVERIFY(PublishRig::entries().contains("Response from SEND = :2"));
        QVERIFY(!W().cmdStartUpdate->isEnabled() && !W().cmdTestTransfer->isEnabled());

        // A request still running when the button is pressed (the login's listing): the stylesheet
        // is not sent, and the finished listing is not taken for a completed transfer.
        rig.boxes.clear();
        QFile::copy(CORVISENT_ASSETS_DIR "/cvman.xsl", rig.env.appDir() + "/cvman.xsl");
        // The listing runs until the test ends it, after the button's pause.
        rig.ftp.setManual(true);
        W().Inet1->Execute(QString(), "LS ");
        finish(W().cmdTestTransfer_Click());
        QVERIFY(rig.ftp.file("/corvisent/cvman.xsl").isEmpty());
        QCOMPARE(rig.boxes.prompts(), QStringList({"Test transfer not complete. Please try again."}));
        rig.ftp.finish({platform::icResponseCompleted, 0, "226", "old"});
        rig.ftp.setManual(false);
        PublishRig::settle();
        QVERIFY(!W().cmdStartUpdate->isEnabled());

        // A server that stops answering: the time-out box, and the request is left to the control.
        rig.boxes.clear();
        rig.ftp.setSilent(true);
        finish(W().cmdTestTransfer_Click());
        QCOMPARE(rig.boxes.prompts(), QStringList({"Timeout.  Remote system not responding"}));
        QCOMPARE(PublishRig::entries().last(), QString("REMOTE TIMEOUT\r\n"));
        QVERIFY(!W().timerTimeOut->enabled() && !W().bRemoteTimeout);
        // While the time-out timer runs a second press does nothing.
        W().timerTimeOut->setEnabled(true);
        const int before = W().listFtpMessages->count();
        finish(W().cmdTestTransfer_Click());
        QCOMPARE(W().listFtpMessages->count(), before);
    }

    void logoutButtonEndsSessionAndSchedule() {
        SessionRig rig;
        rig.login();
        PublishRig::scheduleRunning();
        W().timerInternetUpdate->setEnabled(true);
        W().listFtpMessages->clear();
        finish(W().cmdLogoutFTP_Click());
        QCOMPARE(PublishRig::entries(),
                 QStringList({"** WARNING ** This will stop the FTP Update process.", " FTP logout attempt",
                              " Disconnecting...", " Disconnected", " Cancel Attempt"}));
        QCOMPARE(rt::caption(W().cmdStartUpdate), QString("3) Start FTP Update")); // stopped
        QVERIFY(!W().bLoggedIn && W().cmdLoginFTP->isEnabled() && !W().cmdLogoutFTP->isEnabled());
        QVERIFY(W().optStayConnected->isEnabled() && !W().timerInternetUpdate->enabled());
        // Logged out, the control takes no command until the next login.
        W().Inet1->Cancel();
        QVERIFY_THROWS_EXCEPTION(rt::VbError, W().Inet1->Execute(QString(), "LS "));
    }

    void stateEventsAsTheyArrive() {
        SessionRig rig;
        rig.ftp.setManual(true);
        auto& w = W();
        w.Inet1->setURL("ftp.example.com");
        w.Inet1->Execute(QString(), "PWD");
        // States the control may raise that the window does not log leave the last state alone.
        for (int s : {0, 1, 5, 6, 7}) rig.ftp.raise(s);
        QCOMPARE(PublishRig::entries(), QStringList({"No Events", " Resolving Host..."}));
        QCOMPARE(w.LastState, QString("Resolving Host"));
        rig.ftp.raise(8);
        QCOMPARE(w.LastState, QString("Response Received"));
        // An error naming a missing file or directory is passed over entirely.
        rig.ftp.finish({platform::icError, platform::inetRefused, "Directory x does not exist (550)", {}});
        QCOMPARE(PublishRig::entries().size(), 2);
        QCOMPARE(w.LastState, QString("Response Received"));
        // A reply longer than one chunk is logged whole.
        w.Inet1->Execute(QString(), "LS ");
        const QByteArray listing = QByteArray(3000, 'a') + "\r\nlast";
        rig.ftp.finish({platform::icResponseCompleted, 0, "226", listing});
        QCOMPARE(PublishRig::entries().last(), QString::fromLatin1(listing));
        // A full list is emptied before the next entry.
        w.Inet1->Execute(QString(), "PWD");
        while (w.listFtpMessages->count() < 2000) w.listFtpMessages->addItem("x");
        rig.ftp.raise(0);
        QCOMPARE(PublishRig::entries(), QStringList({"No Events"}));
        w.Inet1->Cancel();
    }
};

QTEST_MAIN(TestFtpSession)
#include "tst_ftpsession.moc"
