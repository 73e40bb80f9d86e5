#include <QSlider>

#include "app/CorvisentMain.h"
#include "publish/publishrig.h"
#include "support/ftpserver.h"

namespace {

// Gives the schedule n minutes.
void ticks(int n) {
    for (int i = 0; i < n; ++i) {
        W().timerInternetUpdate_Timer();
        PublishRig::settle();
    }
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

        w.cmdLoginFTP_Click();
        PublishRig::settle();
        QVERIFY(w.bLoggedIn && w.cmdTestTransfer->isEnabled());
        QVERIFY(PublishRig::entries().contains("257 \"/\" is the current directory."));
        w.cmdTestTransfer_Click();
        QCOMPARE(rig.boxes.prompts(), QStringList());
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
        w.cmdLoginFTP_Click();
        PublishRig::settle();
        QVERIFY(PublishRig::entries().contains("Directory doesn't exist."));
        w.txtPassword->setText("wrong");
        w.cmdLoginFTP_Click();
        PublishRig::settle();
        QVERIFY(PublishRig::entries().contains(" Incorrect Password"));
        QVERIFY(!PublishRig::entries().join('\n').contains("pa ss&word"));
        QCOMPARE(rig.boxes.prompts(), QStringList());
    }

    // The server goes away while the schedule runs and comes back: the updates meanwhile fail,
    // each attempt in the message list, and a later scheduled update publishes by itself.
    void serverAwayAndBack_data() { PublishRig::connectionModeRows(); }
    void serverAwayAndBack() {
        QFETCH(bool, stay);
        rt::Clock::setSpeed(4); // the first login at a gentler pace
        TestFtpServer server("corvisent", "pw");
        QVERIFY(server.running());
        QDir().mkpath(server.path("corvisent"));
        PublishRig rig(server.address(), "pw");
        auto& w = W();
        PublishRig::useConnectionMode(stay);
        w.sliderInternetUpdateInterval->setValue(2);
        w.timerInternetUpdate->setInterval(0); // the test gives the minutes
        w.cmdLoginFTP_Click();
        PublishRig::settle();
        rt::Clock::setSpeed(20);
        w.cmdStartUpdate->setEnabled(true);
        w.cmdStartUpdate_Click();
        PublishRig::settle();
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
        QCOMPARE(rig.boxes.prompts(), QStringList());
    }
};

QTEST_MAIN(TestFtpServerSession)
#include "tst_ftpserver.moc"
