#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "platform/inet.h"
#include "runtime/clock.h"
#include "runtime/error.h"
#include "support/ftpserver.h"
#include "support/testenv.h"
#include "support/wait.h"

using namespace platform;

namespace {

// A transfer control logged in to a server, with the states it raised.
struct Client {
    InetControl inet;
    QList<int> states;
    explicit Client(const QString& server, const QString& user = QStringLiteral("corvisent"),
                    const QString& password = QStringLiteral("s3cret!pw")) {
        QObject::connect(&inet, &InetControl::StateChanged, [this](int s) { states << s; });
        inet.setURL(server);
        inet.setUserName(user);
        inet.setPassword(password);
        inet.setRequestTimeout(20);
    }
    // Runs one command to its end; the states it raised.
    QList<int> run(const QString& command) {
        states.clear();
        inet.Execute(QString(), command);
        rt::WaitUntil([this] { return !inet.StillExecuting(); }, 60000);
        QTest::qWait(20); // nothing may follow the final state
        return states;
    }
    QString reply() {
        QString text, chunk;
        while (!(chunk = inet.GetChunk(1024, 0)).isEmpty()) text += chunk;
        return text;
    }
};

const QList<int> kNewSession{1, 2, 3, 4, 5, 6, 7, 8, 12};
const QList<int> kOpenSession{5, 6, 7, 8, 12};

int errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const rt::VbError& e) {
        return e.number();
    }
    return 0;
}

QStringList g_ftpLog;
void captureFtpLog(QtMsgType, const QMessageLogContext& ctx, const QString& msg) {
    if (QByteArray(ctx.category) == "corvisent.ftp") g_ftpLog << msg;
}

} // namespace

// The transfer control against a real FTP server on 127.0.0.1.
class TestInet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules(QStringLiteral("corvisent.ftp.debug=true"));
        qInstallMessageHandler(captureFtpLog);
    }

    void sessionCommandsReachTheServer() {
        TestFtpServer server;
        QVERIFY(server.running());
        QTemporaryDir local;
        const QByteArray content("<?xml version=\"1.0\"?>\r\n<corvisent>\xe9</corvisent>\r\n");
        QVERIFY(writeWholeFile(local.filePath("cvman 0.xml"), content));
        g_ftpLog.clear();

        Client c(server.address());
        QCOMPARE(c.run("PWD"), kNewSession);
        QCOMPARE(c.inet.ResponseCode(), 0);
        QCOMPARE(c.reply(), QString("257 \"/\" is the current directory."));
        QCOMPARE(c.reply(), QString()); // taken
        // A missing directory keeps the session and the working directory.
        QCOMPARE(c.run("CD nowhere"), QList<int>({5, 6, 11}));
        QCOMPARE(c.inet.ResponseCode(), int(inetRefused));
        QVERIFY(c.inet.ResponseInfo().contains("does not exist"));
        QVERIFY(c.inet.ResponseInfo().contains("550"));
        QCOMPARE(c.run("MKDIR ./corvisent"), kOpenSession);
        QVERIFY(QFileInfo(server.path("corvisent")).isDir());
        QCOMPARE(c.run("CD corvisent"), kOpenSession);
        QCOMPARE(c.inet.remoteDir(), QString("corvisent"));
        // A local path with a blank, the remote name last; the bytes arrive unchanged.
        QCOMPARE(c.run("SEND " + local.filePath("cvman 0.xml") + " cvman0.xml"), kOpenSession);
        QCOMPARE(readWholeFile(server.path("corvisent/cvman0.xml")), content);
        QCOMPARE(c.run("SEND \"" + local.filePath("cvman 0.xml") + "\" index.html"), kOpenSession);
        QCOMPARE(c.run("LS "), kOpenSession);
        QCOMPARE(c.reply().split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts), QStringList({"cvman0.xml", "index.html"}));
        QCOMPARE(c.run("LS -l"), kOpenSession);
        QVERIFY(c.reply().contains("index.html"));
        QCOMPARE(c.run("CD /"), kOpenSession);
        QCOMPARE(c.run("PWD"), kOpenSession);
        QCOMPARE(c.reply(), QString("257 \"/\" is the current directory."));

        QCOMPARE(c.run("QUIT"), QList<int>({9, 10}));
        // After QUIT nothing is sent until the login is set again.
        c.states.clear();
        QCOMPARE(errorNumber([&] { c.inet.Execute(QString(), "PWD"); }), int(inetErrNoSession));
        QVERIFY(c.states.isEmpty());
        c.inet.setPassword("s3cret!pw");
        QCOMPARE(c.run("LS corvisent"), kNewSession);
        QVERIFY(c.reply().contains("cvman0.xml"));

        // The protocol was logged, the password never.
        QVERIFY(g_ftpLog.join('\n').contains("PASS ****"));
        QVERIFY(!g_ftpLog.join('\n').contains("s3cret"));
    }

    void refusedLoginAndConnection() {
        TestFtpServer server;
        Client wrong(server.address(), "corvisent", "guess");
        QCOMPARE(wrong.run("PWD"), QList<int>({1, 2, 3, 4, 11}));
        QCOMPARE(wrong.inet.ResponseCode(), int(inetLoginRefused));
        QVERIFY(wrong.inet.ResponseInfo().contains("Incorrect password"));
        QVERIFY(wrong.inet.ResponseInfo().contains("530"));
        QVERIFY(!wrong.inet.ResponseInfo().contains("guess"));
        // Each later command tries the login again.
        QCOMPARE(wrong.run("CD "), QList<int>({1, 2, 3, 4, 11}));

        server.stop();
        Client down(server.address());
        QCOMPARE(down.run("PWD"), QList<int>({1, 2, 3, 11}));
        QCOMPARE(down.inet.ResponseCode(), int(inetCannotConnect));

        Client bad("ftp://bad host");
        QCOMPARE(bad.run("PWD"), QList<int>({11}));
        QCOMPARE(bad.inet.ResponseCode(), int(inetBadUrl));
        QVERIFY(bad.inet.ResponseInfo().contains("unrecoverable"));
    }

    void brokenSessionIsReportedThenReopened() {
        TestFtpServer server;
        QDir().mkpath(server.path("corvisent"));
        QTemporaryDir local;
        QVERIFY(writeWholeFile(local.filePath("index.html"), "<html>\r\n"));
        Client c(server.address());
        QCOMPARE(c.run("CD corvisent"), kNewSession);
        server.stop();
        QVERIFY(server.start());
        // The old connection is gone: the request fails instead of logging in behind our back.
        QCOMPARE(c.run("SEND " + local.filePath("index.html") + " index.html"), QList<int>({5, 6, 11}));
        QCOMPARE(c.inet.ResponseCode(), int(inetConnectionLost));
        QVERIFY(!QFile::exists(server.path("corvisent/index.html")));
        // The next request logs in on a new connection.
        QCOMPARE(c.run("SEND " + local.filePath("index.html") + " index.html"), kNewSession);
        QCOMPARE(readWholeFile(server.path("corvisent/index.html")), QByteArray("<html>\r\n"));
    }

    void localFileBusyAndCancel() {
        TestFtpServer server;
        Client c(server.address());
        QCOMPARE(c.run("SEND /nonexistent/cvman.xsl cvman.xsl"), QList<int>({11}));
        QCOMPARE(c.inet.ResponseCode(), int(inetLocalFileMissing));
        QVERIFY(c.inet.ResponseInfo().contains("does not exist"));
        QCOMPARE(errorNumber([&] { c.inet.Execute(QString(), "FETCH x"); }), int(inetErrBadCommand));

        c.states.clear();
        c.inet.Execute(QString(), "PWD");
        QVERIFY(c.inet.StillExecuting());
        QCOMPARE(errorNumber([&] { c.inet.Execute(QString(), "LS "); }), int(inetErrStillExecuting));
        c.inet.Cancel();
        QVERIFY(!c.inet.StillExecuting());
        QTest::qWait(300);
        QVERIFY(!c.states.contains(12));
        // The control takes the next command at once.
        QVERIFY(c.run("PWD").endsWith(12));
    }

    void silentServerTimesOut() {
        QTcpServer silent; // takes the connection and never greets
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        Client c(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
        c.inet.setRequestTimeout(1);
        QCOMPARE(c.run("PWD"), QList<int>({1, 2, 3, 11}));
        QCOMPARE(c.inet.ResponseCode(), int(inetTimeout));
    }

    void remoteDirectoriesResolveAgainstTheCurrentOne() {
        QCOMPARE(resolveRemoteDir("", "corvisent"), QString("corvisent"));
        QCOMPARE(resolveRemoteDir("corvisent", "../web/./x/"), QString("web/x"));
        QCOMPARE(resolveRemoteDir("corvisent", "//"), QString("/"));
        QCOMPARE(resolveRemoteDir("/a/b", ""), QString("/a/b"));
        QCOMPARE(resolveRemoteDir("/a", "/c/../d"), QString("/d"));
        QCOMPARE(resolveRemoteDir("", ".."), QString(".."));
    }
};

QTEST_GUILESS_MAIN(TestInet)
#include "tst_inet.moc"
