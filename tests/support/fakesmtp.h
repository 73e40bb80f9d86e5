#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/smtp.h"

// An SMTP transport for tests, installed while the object exists. It keeps every mail handed
// to it and answers with a status line; it can refuse mails, or hold them (as a server that does
// not answer) until released.
class FakeSmtp {
public:
    FakeSmtp();
    ~FakeSmtp(); // releases held mails and restores the real transport

    // Mails delivered so far (held ones count once released).
    QList<platform::SmtpMail> mails() const;
    // Subjects of the delivered mails, in order.
    QStringList subjects() const;
    // Refuse every mail with this server text ("" accepts).
    void refuseWith(const QString& serverText);
    // Hold every mail until release().
    void hold(bool on);
    void release();
    int held() const;

private:
    class Transport;
    std::shared_ptr<Transport> m_transport;
};

// The subject and body of a composed message.
QString subjectOf(const QByteArray& message);
QByteArray bodyOf(const QByteArray& message);
