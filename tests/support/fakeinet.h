#pragma once
#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <memory>

#include "platform/inet.h"

// An FTP server in memory for tests, in place of the real transfer backend for its lifetime:
// every transfer control created meanwhile talks to it. It keeps directories and uploaded files,
// checks the login, and raises the states of a real session (1-4 on a new connection, 5-8, then
// 12 or 11) at kStepMs program-clock steps through the event loop. Failure switches stand for a
// server that is down, one that never answers, and a connection that breaks; a wrong login and a
// missing directory fail as on a real server. In manual mode requests wait for the test, which
// raises their states and finishes them itself. Controls made while one exists keep talking to
// whichever server exists when they send.
class FakeFtpServer {
public:
    static constexpr int kStepMs = 20;

    FakeFtpServer();
    ~FakeFtpServer();
    FakeFtpServer(const FakeFtpServer&) = delete;
    FakeFtpServer& operator=(const FakeFtpServer&) = delete;

    void setLogin(const QString& user, const QString& password);
    void addDir(const QString& absolutePath);
    bool hasDir(const QString& absolutePath) const { return m_dirs.contains(absolutePath); }
    // An uploaded file by absolute remote path; empty when missing.
    QByteArray file(const QString& absolutePath) const { return m_files.value(absolutePath); }
    QStringList files() const { return m_files.keys(); }

    // Connections are refused (the server is down).
    void setRefusing(bool on) { m_refusing = on; }
    // Connections are taken but nothing is answered: requests run until cancelled.
    void setSilent(bool on) { m_silent = on; }
    // Logins are taken, then nothing is answered: each request fails after the control's request
    // time-out (12002), and its connection is gone, as the transfer library drops it.
    void setTimingOut(bool on) { m_timingOut = on; }
    // Every open control connection breaks now.
    void dropConnections() { ++m_epoch; }

    // Requests as they arrived: "PWD /", "CD /corvisent", "LS /x", "MKDIR /x new", "SEND /x/a.xml", "NOOP /x",
    // "QUIT" (the directory is the one the request works in).
    QStringList requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    int logins() const { return m_logins; }

    // Manual mode: requests are only recorded; the test drives the running one.
    void setManual(bool on) { m_manual = on; }
    bool hasPending() const;
    void raise(int state);
    void finish(const platform::InetResult& r);

    // Used by the backends.
    struct Session;
    void begin(Session* s, const platform::InetRequest& r, platform::InetBackend::Sink sink);
    void end(Session* s);

private:
    QString absolute(const QString& dir) const;
    QSet<QString> m_dirs;
    QMap<QString, QByteArray> m_files;
    QString m_user = QStringLiteral("user"), m_password = QStringLiteral("secret");
    bool m_refusing = false, m_silent = false, m_timingOut = false, m_manual = false;
    int m_epoch = 0;
    int m_logins = 0;
    QStringList m_requests;
    Session* m_pending = nullptr;
    platform::InetBackend::Sink m_pendingSink;
    platform::InetBackendFactory m_oldFactory;
};
