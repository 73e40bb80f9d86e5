#include <QDir>

#include "publish/publishrig.h"
#include "support/ftpserver.h"

namespace {
const QString kPassword = QStringLiteral("s3cret!pw");

void fill(int n) {
    W().listFtpMessages->clear();
    for (int i = 0; i < n; ++i) W().listFtpMessages->addItem(QString::number(i));
}
} // namespace

// The remote monitoring window's manual FTP console against a real FTP server on 127.0.0.1, the
// message list's limit and its ".ftp" log file.
class TestFtpConsole : public QObject {
    Q_OBJECT

private slots:
    void init() { rt::Clock::setSpeed(20); }
    void cleanup() { rt::Clock::reset(); }

    void consoleCommandsOverTheSession() {
        TestFtpServer server("corvisent", kPassword);
        QVERIFY(writeWholeFile(server.path("corvisent/sub/inner.txt"), "in\r\n"));
        PublishRig rig(server.address(), kPassword);
        auto& w = W();
        // Before the login, and while a make-directory waits, the console sends and asks nothing.
        w.cmdCD_Click();
        w.cmdLS_Click();
        finish(w.cmdLoginFTP_Click());
        PublishRig::settle();
        // The saved log of the login never holds the password.
        rig.boxes.queue(QString("session"));
        w.PrintList();
        rig.boxes.clear();
        const QByteArray log = readWholeFile(rig.env.appDir() + "/session.ftp");
        QVERIFY(log.contains(" CONNECTED\r\n") && !log.contains(kPassword.toUtf8()));
        w.timerTimeOut->setEnabled(true);
        w.listFtpMessages->clear();
        finish(w.cmdMkdir_Click());
        w.cmdDir_Click();
        QVERIFY(rig.boxes.prompts().isEmpty() && PublishRig::entries().isEmpty() && !w.Inet1->StillExecuting());
        w.timerTimeOut->setEnabled(false);

        // An empty answer is refused and asked again; the answer is taken from the root.
        rig.boxes.queue(QString(""));
        rig.boxes.queue(rt::vbOK);
        rig.boxes.queue(QString("corvisent/sub"));
        w.cmdCD_Click();
        PublishRig::settle();
        QCOMPARE(rig.boxes.prompts().mid(1), QStringList({"The directory is not valid",
                                                          "Please enter the directory to change to"}));
        QCOMPARE(rig.boxes.shown().first().defaultText, QString("corvisent"));
        QCOMPARE(PublishRig::entries().first(), QString("CD:\r\n"));
        QCOMPARE(w.Inet1->remoteDir(), QString("/corvisent/sub"));

        rig.boxes.queue(QString("made"));
        finish(w.cmdMkdir_Click());
        PublishRig::settle();
        QVERIFY(QFileInfo(server.path("corvisent/sub/made")).isDir());
        QVERIFY(PublishRig::entries().join('|').contains("MKDIR:\r\n|Starting timer...\r\n|Stoping timer...\r\n|"));
        QVERIFY(!w.timerTimeOut->enabled() && w.timerTimeOut->interval() == 25000);

        rt::setValue(w.chkSeeMessages, 1);
        w.listFtpMessages->clear();
        w.cmdDir_Click();
        PublishRig::settle();
        QStringList e = PublishRig::entries();
        QCOMPARE(e.mid(0, 2), QStringList({"DIR:", "Directory Listing: "}));
        QVERIFY(e.last().contains("inner.txt") && e.last().contains("-rw") && e.last().contains("made"));

        // A single slash goes to the root. A full list is emptied before the next entry.
        rig.boxes.queue(QString("/"));
        w.cmdCD_Click();
        PublishRig::settle();
        fill(2000);
        w.cmdLS_Click();
        PublishRig::settle();
        e = PublishRig::entries();
        QCOMPARE(e.mid(0, 2), QStringList({"LS:", "Directory Contents: "}));
        QCOMPARE(e.last().trimmed(), QString("corvisent"));
        fill(1999);
        w.cmdLS_Click();
        QCOMPARE(PublishRig::entries(), QStringList({"Directory Contents: "}));
        PublishRig::settle();
    }

    // A make-directory while a request runs is refused; one whose request never starts ends on
    // the time-out. Either way the wait ends, the timer is off and the flag clear.
    void makeDirectoryBusyOrNeverStarted() {
        TestFtpServer server("corvisent", kPassword);
        PublishRig rig(server.address(), kPassword);
        auto& w = W();
        finish(w.cmdLoginFTP_Click());
        PublishRig::settle();
        w.listFtpMessages->clear();
        w.Inet1->Execute(QString(), "LS -l");
        rig.boxes.queue(QString("busy"));
        finish(w.cmdMkdir_Click());
        QCOMPARE(rig.boxes.prompts(), QStringList({"Please enter the directory to be added", "Still executing!"}));
        QCOMPARE(PublishRig::entries(), QStringList({"Starting timer...\r\n", "Stoping timer...\r\n"}));
        PublishRig::settle();
        QVERIFY(!QFileInfo::exists(server.path("corvisent/busy")));

        // After QUIT the session is gone: the command cannot start and the wait times out.
        w.Inet1->Execute(QString(), "QUIT");
        PublishRig::settle();
        w.cmdLoginFTP->setEnabled(false);
        w.listFtpMessages->clear();
        rig.boxes.queue(QString("late"));
        finish(w.cmdMkdir_Click());
        QCOMPARE(PublishRig::entries(),
                 QStringList({"MKDIR:\r\n", "Starting timer...\r\n", "REMOTE TIMEOUT\r\n"}));
        QVERIFY(!w.timerTimeOut->enabled() && !w.bRemoteTimeout);
        QVERIFY(!QFileInfo::exists(server.path("corvisent/late")));
    }

    void clearAndShowEntries() {
        PublishRig rig("127.0.0.1:1", kPassword);
        auto& w = W();
        fill(3);
        w.listFtpMessages->setCurrentRow(1);
        emit w.listFtpMessages->itemDoubleClicked(w.listFtpMessages->item(1));
        rig.boxes.queue(rt::vbNo);
        w.cmdClearLog->click();
        QCOMPARE(w.listFtpMessages->count(), 3);
        rig.boxes.queue(rt::vbYes);
        w.cmdClearLog->click();
        QCOMPARE(w.listFtpMessages->count(), 0);
        QCOMPARE(rig.boxes.prompts(), QStringList({"1", "         Are you sure?", "         Are you sure?"}));
        QCOMPARE(rig.boxes.shown().last().title, QString("FTP Message Log"));
    }

    void messageLogFile() {
        PublishRig rig("127.0.0.1:1", kPassword);
        auto& w = W();
        rt::Clock::setSpeed(1);
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 0)));
        const QString header = QStringLiteral("^3/7/2009 4:08:0\\d PMFTP LOG\r\n");
        const QString cvman = rig.env.appDir() + "/cvman.ftp";
        // An empty list gives the header line only; an empty name is "cvman".
        rig.boxes.queue(QString(""));
        w.cmdSaveFTPlog->click();
        QCOMPARE(rig.boxes.shown().first().defaultText, QString("cvman"));
        QVERIFY(QRegularExpression(header + "$").match(QString(readWholeFile(cvman))).hasMatch());

        w.listFtpMessages->addItem("4:08:01 PM FTP login attempt");
        w.listFtpMessages->addItem("CD:\r\n");
        w.listFtpMessages->addItem("Grüße");
        rig.boxes.queue(QString("site log"));
        w.PrintList();
        const QByteArray bytes = readWholeFile(rig.env.appDir() + "/site log.ftp");
        QVERIFY(QRegularExpression(header).match(QString::fromUtf8(bytes)).hasMatch());
        QVERIFY(bytes.endsWith("PMFTP LOG\r\n4:08:01 PM FTP login attempt\r\nCD:\r\n\r\nGr\xc3\xbc\xc3\x9f" "e\r\n"));

        // Cancelled, or a file that cannot be made: no file and no message.
        QVERIFY(QFile::remove(cvman));
        rig.boxes.queue(QVariant());
        w.PrintList();
        rig.boxes.queue(QString("missing/log"));
        w.PrintList();
        QCOMPARE(QDir(rig.env.appDir()).entryList({"*.ftp"}, QDir::Files), QStringList({"site log.ftp"}));
        QCOMPARE(rig.boxes.prompts().size(), 4);
    }
};

QTEST_MAIN(TestFtpConsole)
#include "tst_ftpconsole.moc"
