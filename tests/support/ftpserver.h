#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real FTP server (pyftpdlib under /usr/bin/python3) on 127.0.0.1 for one test, serving a
// temporary folder with one user. It can be stopped and started again on the same port. Options
// are those of tests/tools/ftpserver.py ("--timeout=2", "--read-only", "--read-only-while=<file>",
// "--silent-while=<file>").
class TestFtpServer {
public:
    TestFtpServer(const QString& user = QStringLiteral("corvisent"),
                  const QString& password = QStringLiteral("s3cret!pw"), const QStringList& options = {});
    ~TestFtpServer();
    TestFtpServer(const TestFtpServer&) = delete;
    TestFtpServer& operator=(const TestFtpServer&) = delete;

    bool start(); // false when the server did not come up
    void stop();
    bool running() const { return m_process.state() == QProcess::Running; }
    // "127.0.0.1:<port>", as typed in the server box.
    QString address() const;
    // A file or folder below the served folder.
    QString path(const QString& relative) const { return m_root.filePath(relative); }
    // The server's log lines since it was first started ("... STOR /x/a.xml completed=1 ...",
    // "... USER 'corvisent' logged in.", "... FTP session opened (connect)").
    QStringList log();

private:
    QTemporaryDir m_root;
    QString m_user, m_password;
    QStringList m_options;
    int m_port = 0;
    QProcess m_process;
    QStringList m_log;
    QByteArray m_partial; // a line not yet ended
};
