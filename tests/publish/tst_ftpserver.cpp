#include <QSlider>

#include "app/CorvisentMain.h"
#include "publish/publishrig.h"
#include "publish/updateengine.h"
#include "support/ftpserver.h"

namespace {

// Gives the schedule n minutes: a minute ticks only while the schedule's timer is on.
void ticks(int n) {
    for (int i = 0; i < n; ++i) {
        if (W().timerInternetUpdate->enabled()) finish(W().timerInternetUpdate_Timer());
        PublishRig::settle();
    }
}

// Logged in with the given connection mode, interval 2, the test giving the minutes.
void loginForSchedule(bool stay) {
    rt::Clock::setSpeed(4); // the first login at a gentler pace
    PublishRig::useConnectionMode(stay);
    W().sliderInternetUpdateInterval->setValue(2);
    W().timerInternetUpdate->setInterval(0);
    finish(W().cmdLoginFTP_Click());
    PublishRig::settle();
    rt::Clock::setSpeed(20);
}

void startSchedule() {
    W().cmdStartUpdate->setEnabled(true);
    finish(W().cmdStartUpdate_Click());
    PublishRig::settle();
}

// Real time passes until the server has ended the idle session.
bool idleSessionEnded(TestFtpServer& server) {
    const auto ended = [&] { return !server.log().filter("Control connection timed out").isEmpty(); };
    for (int i = 0; i < 200 && !ended(); ++i) QTest::qWait(100);
    return ended();
}

// The program's start with "AutoStartIUE" set: the start-up login, then Start; the test gives the
// minutes, interval 2.
void startAtStartUp() {
    rt::Clock::setSpeed(20);
    W().sliderInternetUpdateInterval->setValue(2);
    W().timerInternetUpdate->setInterval(0);
    finish(StartInternetUpdateEngine());
    QCOMPARE(rt::caption(W().cmdStartUpdate), QString("3) Stop FTP Update"));
}

// A server with user "corvisent", password "pw" and the remote directory, whose behaviour the
// given option switches while the flag file exists; the flag is there from the start.
struct FlaggedServer {
    QTemporaryDir flags;
    const QString flag = flags.filePath("flag");
    const bool flagged = writeWholeFile(flag, "");
    TestFtpServer server;
    explicit FlaggedServer(const QString& option) : server("corvisent", "pw", {option + "=" + flag}) {
        QDir().mkpath(server.path("corvisent"));
    }
};

QByteArray serverFile(TestFtpServer& server, const QString& name) {
    return readWholeFile(server.path("corvisent/" + name));
}

} // namespace

// The remote monitoring window's FTP session against a real FTP server on 127.0.0.1.
class TestFtpServerSession : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { PublishRig::stopSchedule(); }

    void loginTransferAndRecovery() {
        TestFtpServer server("corvisent", "pa ss&word");
        QVERIFY(server.running());
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), "pa ss&word");
        auto& w = W();

        finish(w.cmdLoginFTP_Click());
        PublishRig::settle();
        QVERIFY(w.bLoggedIn && w.cmdTestTransfer->isEnabled());
        QVERIFY(PublishRig::entries().contains("257 \"/\" is the current directory."));
        finish(w.cmdTestTransfer_Click());
        QCOMPARE(readWholeFile(server.path("corvisent/cvman.xsl")), readWholeFile(rig.env.appDir() + "/cvman.xsl"));
        QVERIFY(w.cmdStartUpdate->isEnabled());

        // The server goes away and comes back between two requests: the next upload fails, the
        // window logs out and in again, and the upload after that arrives.
        server.stop();
        QVERIFY(server.start());
        const QString file = rig.env.appDir() + "/cvman1.xml";
        writeWholeFile(file, "<corvisent>\r\n</corvisent>\r\n");
        w.listFtpMessages->clear();
        w.Inet1->Execute(QString(), "SEND " + file + " cvman1.xml");
        PublishRig::settle();
        const QStringList e = PublishRig::entries();
        QVERIFY(e.contains(" Error: 12030"));
        QCOMPARE(e.count(" CONNECTED"), 1);
        QVERIFY(!QFile::exists(server.path("corvisent/cvman1.xml")));
        w.Inet1->Execute(QString(), "SEND " + file + " cvman1.xml");
        PublishRig::settle();
        QCOMPARE(readWholeFile(server.path("corvisent/cvman1.xml")), readWholeFile(file));

        // A missing directory, then a wrong password; the password is never logged.
        w.txtRemoteStorageLocation->setText("missing");
        finish(w.cmdLoginFTP_Click());
        PublishRig::settle();
        QVERIFY(PublishRig::entries().contains("Directory doesn't exist."));
        w.txtPassword->setText("wrong");
        finish(w.cmdLoginFTP_Click());
        PublishRig::settle();
        QVERIFY(PublishRig::entries().contains(" Incorrect Password"));
        QVERIFY(!PublishRig::entries().join('\n').contains("pa ss&word"));
    }

    // Each update stores its status file, then the page rendered from it, then the index page
    // that links the pages, all in the one session the update uses.
    void statusPageFollowsItsFile_data() { PublishRig::connectionModeRows(); }
    void statusPageFollowsItsFile() {
        QFETCH(bool, stay);
        TestFtpServer server("corvisent", "pw");
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), "pw");
        loginForSchedule(stay);
        startSchedule();
        ticks(2);
        static const QRegularExpression stored(QStringLiteral(" STOR .*/corvisent/(\\S+) completed=1"));
        const auto order = [&] {
            QStringList files;
            for (const QString& line : server.log())
                if (const auto m = stored.match(line); m.hasMatch()) files << m.captured(1);
            return files;
        };
        // The server logs a transfer after its reply, so its log may trail the update a moment.
        QTRY_COMPARE(order(), QStringList({"cvman0.xml", "cvman0.html", "index.html", "cvman1.xml",
                                           "cvman1.html", "index.html"}));
        QCOMPARE(server.log().filter("USER 'corvisent' logged in.").size(), stay ? 1 : 2);
        QCOMPARE(serverFile(server, "cvman1.html"), readWholeFile(rig.env.appDir() + "/cvman1.html"));
        QVERIFY(serverFile(server, "index.html").contains("<A HREF=\"/corvisent/cvman1.html\">(Latest) Corvisent File 2 ("));
    }

    // The server goes away while the schedule runs and comes back: the updates meanwhile fail,
    // each attempt in the message list, and a later scheduled update publishes by itself.
    void serverAwayAndBack_data() { PublishRig::connectionModeRows(); }
    void serverAwayAndBack() {
        QFETCH(bool, stay);
        TestFtpServer server("corvisent", "pw");
        QVERIFY(server.running());
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), "pw");
        auto& w = W();
        loginForSchedule(stay);
        startSchedule();
        QVERIFY(QFile::exists(server.path("corvisent/cvman0.xml")));

        server.stop();
        w.listFtpMessages->clear();
        ticks(4);
        // Two updates came due; each one's entries show its failure.
        const QStringList e = PublishRig::entries();
        const QStringList attempts = e.join('\n').split(" <<Update Timer>>").mid(1);
        QCOMPARE(attempts.size(), 2);
        for (const QString& a : attempts)
            QVERIFY2(a.contains("LastState= ") || a.contains(" Not sending update"), qPrintable(a));
        QVERIFY(e.filter(" Error: 12029").size() + e.filter(" Error: 12030").size() +
                    e.filter("LastState= Connecting").size() >= 2);
        QVERIFY(!stay || e.contains(" Not sending update"));
        QCOMPARE(rt::caption(w.cmdStartUpdate), QString("3) Stop FTP Update"));
        QCOMPARE(rt::caption(w.lblUpdating), QString("On"));
        QVERIFY(w.timerInternetUpdate->enabled());
        QCOMPARE(CorvisentMain::instance().windowTitle(), QString("Corvisent Manager (Internet update in progress)"));

        // Back on the same address: the next scheduled update arrives as written.
        QVERIFY(server.start());
        QFile::remove(server.path("corvisent/index.html"));
        ticks(2);
        QCOMPARE(readWholeFile(server.path("corvisent/index.html")), readWholeFile(rig.env.appDir() + "/index.html"));
        const QString latest = QStringLiteral("cvman%1.xml").arg(iXMLIndex);
        QCOMPARE(readWholeFile(server.path("corvisent/" + latest)), readWholeFile(rig.env.appDir() + "/" + latest));
    }

    // The server refuses every upload at Start and takes them later: the first update's refusal
    // is listed, and the schedule goes on, so a later update publishes.
    void refusalInTheFirstUpdateKeepsTheScheduleGoing_data() { PublishRig::connectionModeRows(); }
    void refusalInTheFirstUpdateKeepsTheScheduleGoing() {
        QFETCH(bool, stay);
        FlaggedServer readOnly("--read-only-while");
        TestFtpServer& server = readOnly.server;
        PublishRig rig(server.address(), "pw");
        loginForSchedule(stay);
        startSchedule();
        QVERIFY(PublishRig::entries().contains(" Error: 12003"));
        QVERIFY(!QFile::exists(server.path("corvisent/cvman0.xml")));

        QFile::remove(readOnly.flag);
        ticks(2);
        const QString latest = QStringLiteral("cvman%1.xml").arg(iXMLIndex);
        QCOMPARE(serverFile(server, latest), readWholeFile(rig.env.appDir() + "/" + latest));
        QCOMPARE(rt::caption(W().lblUpdating), QString("On"));
    }

    // The stylesheet refused (a read-only user), or sent on a session the server had ended while
    // idle: the transfer is not complete, whatever the recovery after it does.
    void failedTestTransferIsNotComplete_data() {
        QTest::addColumn<QString>("option");
        QTest::newRow("read-only user") << "--read-only";
        QTest::newRow("idle session ended") << "--timeout=2";
    }
    void failedTestTransferIsNotComplete() {
        QFETCH(QString, option);
        rt::Clock::setSpeed(20);
        TestFtpServer server("corvisent", "pw", {option});
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), "pw");
        finish(W().cmdLoginFTP_Click());
        PublishRig::settle();
        if (option.startsWith("--timeout")) QVERIFY(idleSessionEnded(server));
        // libcurl alone can take a second of real time to open a data connection: the transfer's
        // 9 s time-out must stay seconds of real time, not the 450 ms it is at 20 times.
        rt::Clock::setSpeed(2);
        finish(W().cmdTestTransfer_Click());
        QCOMPARE(rig.boxes.prompts(), QStringList({"Test transfer not complete. Please try again."}));
        QVERIFY(!PublishRig::entries().contains(" Test transfer complete"));
        QVERIFY(!W().cmdStartUpdate->isEnabled());
    }

    // "Stay connected" with a server that ends idle sessions: the update finds the session gone,
    // logs in again and publishes.
    void idleSessionEndedByServerIsOpenedAgain() {
        TestFtpServer server("corvisent", "pw", {"--timeout=2"});
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), "pw");
        loginForSchedule(true);
        startSchedule();
        QVERIFY(idleSessionEnded(server));
        ticks(2);
        QCOMPARE(serverFile(server, "cvman1.xml"), readWholeFile(rig.env.appDir() + "/cvman1.xml"));
        QVERIFY(serverFile(server, "index.html").contains(">(Latest) Corvisent File 2 ("));
    }

    // A status upload the server refuses: the index never names that file latest; the session
    // opened again by the recovery runs the update again at once, and the next failure waits for
    // the next scheduled update.
    void refusedStatusUploadIsNeverLatest() {
        TestFtpServer server("corvisent", "pw");
        QDir().mkpath(server.path("corvisent/cvman1.xml")); // a folder in the way of both uploads
        QDir().mkpath(server.path("corvisent/cvman2.xml"));
        PublishRig rig(server.address(), "pw");
        loginForSchedule(true);
        startSchedule();
        ticks(2);
        const QStringList e = PublishRig::entries();
        QVERIFY(e.contains(" BuildXML: Updating file 1") && e.contains(" BuildXML: Updating file 2"));
        QByteArray index = serverFile(server, "index.html");
        QVERIFY(index.contains(">(Latest) Corvisent File 1 ("));
        QCOMPARE(index.count("(Latest)"), 1);
        ticks(2);
        QCOMPARE(serverFile(server, "cvman3.xml"), readWholeFile(rig.env.appDir() + "/cvman3.xml"));
        QVERIFY(serverFile(server, "index.html").contains(">(Latest) Corvisent File 4 ("));
    }

    // A refused login stops nothing: each due update tries again and says so, and once the
    // password is right the next one publishes.
    void refusedLoginKeepsTheScheduleArmed_data() { PublishRig::connectionModeRows(); }
    void refusedLoginKeepsTheScheduleArmed() {
        QFETCH(bool, stay);
        TestFtpServer server("corvisent", "pw");
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), "pw");
        loginForSchedule(stay);
        startSchedule();
        W().txtPassword->setText("changed");
        W().Inet1->setPassword("changed"); // as if changed on the server
        W().listFtpMessages->clear();
        const auto refusals = [&] { return server.log().filter("failed login").size(); };
        ticks(4);
        const QStringList attempts = PublishRig::entries().join('\n').split(" <<Update Timer>>").mid(1);
        QCOMPARE(attempts.size(), 2);
        for (const QString& a : attempts) QVERIFY2(a.contains(" Incorrect Password"), qPrintable(a));
        // One refused login per update: the update's other requests are not sent.
        QTRY_COMPARE(refusals(), 2);
        QVERIFY(W().timerInternetUpdate->enabled());
        QCOMPARE(rt::caption(W().cmdStartUpdate), QString("3) Stop FTP Update"));

        W().txtPassword->setText("pw");
        ticks(2);
        const QString latest = QStringLiteral("cvman%1.xml").arg(iXMLIndex);
        QCOMPARE(serverFile(server, latest), readWholeFile(rig.env.appDir() + "/" + latest));
        QCOMPARE(refusals(), 2);
    }

    // A start-up login that fails (a wrong stored password, a server that stops answering once
    // logged in) is tried once with Start's first update, with no recovery after it, and each
    // scheduled update tries once more; once the fault is gone, the next scheduled update publishes.
    void startUpFailureIsTriedOncePerUpdate_data() {
        QTest::addColumn<QString>("option"); // the server's behaviour until the fault is mended
        QTest::addColumn<QString>("counted"); // the server's log line of each attempt
        // The stored password is wrong until it is mended; the server is read-only until then.
        QTest::newRow("wrong password") << "--read-only-while" << "failed login";
        QTest::newRow("silent server") << "--silent-while" << "FTP session opened (connect)";
    }
    void startUpFailureIsTriedOncePerUpdate() {
        QFETCH(QString, option);
        QFETCH(QString, counted);
        const bool silent = option == "--silent-while";
        FlaggedServer server(option);
        PublishRig rig(server.server.address(), silent ? "pw" : "wrong");
        const auto attempts = [&] { return server.server.log().filter(counted).size(); };
        startAtStartUp();
        QTRY_COMPARE(attempts(), 1);
        if (silent) rt::Clock::setSpeed(50); // each unanswered request waits out its bound
        ticks(4);
        QTRY_COMPARE(attempts(), 3);
        QVERIFY(W().timerInternetUpdate->enabled());
        QFile::remove(server.flag);
        W().txtPassword->setText("pw");
        ticks(2);
        const QString latest = QStringLiteral("cvman%1.xml").arg(iXMLIndex);
        QCOMPARE(serverFile(server.server, latest), readWholeFile(rig.env.appDir() + "/" + latest));
    }
};

QTEST_MAIN(TestFtpServerSession)
#include "tst_ftpserver.moc"
