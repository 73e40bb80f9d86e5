#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// One mail as the SMTP control hands it to its transport.
struct SmtpMail {
    QString server; // host name or address, without the port
    int port = 25;
    QString caFile; // certificates trusted instead of the system's store; "" for the store
    int timeoutMs = 10000;
    int authenticationType = 0; // 0 none, 1 LOGIN, 2 PLAIN
    QString username;
    QString password;
    QString mailFrom;
    QStringList recipients; // every To and Cc address
    QByteArray message;     // header lines, an empty line and the body, as sent
    QString subject;        // for the lists of mails that did not go
    // Set when the program ends: a transfer under way gives up at once.
    const std::atomic_bool* cancel = nullptr;
};

// The addresses of a list separated by commas or semicolons, blanks around them removed.
QStringList splitAddresses(const QString& list);

// Carries mails to a server. deliver() runs on the control's worker thread, one mail at a time,
// and may block up to the mail's time-out; status() may be called from there with progress and
// error lines (never with a password). True when the server took the mail.
class SmtpTransport {
public:
    virtual ~SmtpTransport() = default;
    virtual bool deliver(const SmtpMail& mail, const std::function<void(const QString&)>& status) = 0;
};
// The transport in use: libcurl unless a test installed another (nullptr restores it).
void setSmtpTransport(std::shared_ptr<SmtpTransport> transport);
// Tests trust their own server's certificate through this file; "" restores the system's store.
void setSmtpCaFile(const QString& path);
std::shared_ptr<SmtpTransport> smtpTransport();

// The SMTP mail control: properties set one by one, then SendEmail(), which returns at once. Mails
// leave in the order sent, one at a time, on a worker thread; progress and errors come back on
// the program's thread as Status lines, and Closed follows every mail, sent or not. NotSent names
// a mail dropped by the queue's bound or failed (there is no second try), and why. A mail without
// a server is not connected anywhere: it fails with "No mail server is set".
class SmtpControl : public QObject {
    Q_OBJECT
public:
    explicit SmtpControl(QObject* parent = nullptr);
    ~SmtpControl() override;

    QString server;
    QString username;
    QString password;
    int authenticationtype = 0;
    QString mailfrom;
    QString sendto;
    QString cc;
    QString messagesubject;
    QString messagetext;
    int port = 25;
    int timeout = 10000; // milliseconds
    QString charset = QStringLiteral("us-ascii");
    QString contenttype = QStringLiteral("text/plain");
    QString contenttransferencoding = QStringLiteral("7bit");
    bool raiseerror = false;

    // Mails waiting to go are kept up to this many; when one more comes the oldest waiting mail
    // is dropped and a Status line names it and counts the drops so far.
    static constexpr int kQueueLimit = 100;

    void SendEmail();
    // Mails handed over and not yet finished.
    int pending() const;
    // At the program's end: gives the mails waiting and under way up to waitMs of real time to
    // go, then gives up on the rest (a transfer under way is cancelled) and returns them.
    QList<SmtpMail> finish(int waitMs);

signals:
    void Status(const QString& text);
    void Closed();
    void NotSent(const QStringList& recipients, const QString& subject, const QString& why);

private:
    void run();
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    // Each mail keeps the transport in use when it was sent.
    std::deque<std::pair<SmtpMail, std::shared_ptr<SmtpTransport>>> m_queue;
    int m_pending = 0;
    int m_dropped = 0;
    bool m_stop = false;
    std::atomic_bool m_cancel{false};
    bool m_busy = false;               // a mail is under way
    QList<SmtpMail> m_failed;          // mails given up while the program ends
    std::thread m_worker;
};

} // namespace platform
