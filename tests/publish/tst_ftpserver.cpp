#include "publish/publishrig.h"
#include "support/ftpserver.h"

// The remote monitoring window's FTP session against a real FTP server on 127.0.0.1.
class TestFtpServerSession : public QObject {
    Q_OBJECT

private slots:
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
};

QTEST_MAIN(TestFtpServerSession)
#include "tst_ftpserver.moc"
