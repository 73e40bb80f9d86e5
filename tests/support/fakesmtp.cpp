#include "support/fakesmtp.h"

class FakeSmtp::Transport : public platform::SmtpTransport {
public:
    bool deliver(const platform::SmtpMail& mail, const std::function<void(const QString&)>& status) override {
        std::unique_lock<std::mutex> lock(mutex);
        ++waiting;
        wake.wait(lock, [this] { return !holding; });
        --waiting;
        if (!refusal.isEmpty()) {
            status(refusal);
            return false;
        }
        mails.append(mail);
        status(QStringLiteral("250 OK"));
        return true;
    }
    mutable std::mutex mutex;
    std::condition_variable wake;
    QList<platform::SmtpMail> mails;
    QString refusal;
    bool holding = false;
    int waiting = 0;
};

FakeSmtp::FakeSmtp() : m_transport(std::make_shared<Transport>()) {
    platform::setSmtpTransport(m_transport);
}

FakeSmtp::~FakeSmtp() {
    release();
    platform::setSmtpTransport(nullptr);
}

QList<platform::SmtpMail> FakeSmtp::mails() const {
    std::lock_guard<std::mutex> lock(m_transport->mutex);
    return m_transport->mails;
}

QStringList FakeSmtp::subjects() const {
    QStringList out;
    for (const platform::SmtpMail& m : mails())
        out.append(subjectOf(m.message));
    return out;
}

void FakeSmtp::refuseWith(const QString& serverText) {
    std::lock_guard<std::mutex> lock(m_transport->mutex);
    m_transport->refusal = serverText;
}

void FakeSmtp::hold(bool on) {
    {
        std::lock_guard<std::mutex> lock(m_transport->mutex);
        m_transport->holding = on;
    }
    m_transport->wake.notify_all();
}

void FakeSmtp::release() {
    hold(false);
}

int FakeSmtp::held() const {
    std::lock_guard<std::mutex> lock(m_transport->mutex);
    return m_transport->waiting;
}

QString subjectOf(const QByteArray& message) {
    for (const QByteArray& line : message.left(message.indexOf("\r\n\r\n")).split('\n'))
        if (line.startsWith("Subject: ")) return QString::fromUtf8(line.mid(9).chopped(1));
    return QString();
}

QByteArray bodyOf(const QByteArray& message) {
    const qsizetype cut = message.indexOf("\r\n\r\n");
    return cut < 0 ? QByteArray() : message.mid(cut + 4);
}
