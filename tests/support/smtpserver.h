#pragma once
#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// An SMTP server on 127.0.0.1 for one test (aiosmtpd under /usr/bin/python3). It keeps every mail
// it accepts and refuses, with "550", every recipient whose name starts with "refused"; it can
// require a login.
class SmtpTestServer {
public:
    struct Mail {
        QString from;          // envelope sender
        QStringList to;        // envelope recipients
        QString login;         // the user that logged in, "" without a login
        bool tls = false;      // the mail came over STARTTLS
        QByteArray content;    // the message as received, lines ended by CR LF
        QByteArray header(const QByteArray& name) const; // a header's value, "" when missing
        QByteArray body() const;                          // after the empty line
    };

    // With a user name, the server asks for a login and takes only this user and password. With
    // startTls it offers STARTTLS with a certificate of its own (certificateFile()) and takes a
    // login only after it.
    explicit SmtpTestServer(const QString& user = QString(), const QString& password = QString(),
                            bool startTls = false);
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    // 0 when the server did not start.
    int port() const { return m_port; }
    QString certificateFile() const;
    // The mails accepted so far, oldest first.
    QList<Mail> mails() const;
    // Writes an msmtp configuration file that delivers to this server with the given sender (msmtp
    // reads "msmtp/config" under XDG_CONFIG_HOME, which TestEnv points at its own folder).
    bool writeMsmtpConfig(const QString& path, const QString& from = QStringLiteral("corvisent@localhost")) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};
