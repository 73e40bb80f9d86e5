#include "platform/smtp.h"

#include <QRegularExpression>
#include <tuple>
#include <curl/curl.h>

#include "platform/mailtext.h"
#include "runtime/clock.h"

namespace platform {

QStringList splitAddresses(const QString& list) {
    QStringList out;
    for (const QString& part : list.split(QRegularExpression(QStringLiteral("[,;]")))) {
        const QString address = headerValue(part, MailCarrier::Server).trimmed();
        if (!address.isEmpty()) out.append(address);
    }
    return out;
}

// ------------------------------------------------------------------ libcurl transport

namespace {

struct Upload {
    const QByteArray* data;
    qsizetype at = 0;
};

size_t readBody(char* buffer, size_t size, size_t count, void* user) {
    auto* up = static_cast<Upload*>(user);
    const qsizetype n = qMin<qsizetype>(qsizetype(size * count), up->data->size() - up->at);
    memcpy(buffer, up->data->constData() + up->at, size_t(n));
    up->at += n;
    return size_t(n);
}

struct Conversation {
    const std::function<void(const QString&)>* status;
    QString lastReply; // the server's last refusal
};

// Only the server's replies are passed on: the lines the program sends carry the login.
int debugLine(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type != CURLINFO_HEADER_IN) return 0;
    auto* talk = static_cast<Conversation*>(user);
    const QString line = QString::fromUtf8(data, qsizetype(size)).trimmed();
    if (line.isEmpty()) return 0;
    // The server's last refusal explains a failure better than its closing words.
    if (line.startsWith(u'4') || line.startsWith(u'5')) talk->lastReply = line;
    (*talk->status)(line);
    return 0;
}

// Progress callback: a non-zero answer makes libcurl give the transfer up.
int cancelled(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::atomic_bool*>(flag);
    return cancel && cancel->load() ? 1 : 0;
}

class CurlTransport : public SmtpTransport {
public:
    bool deliver(const SmtpMail& mail, const std::function<void(const QString&)>& status) override {
        CURL* curl = curl_easy_init();
        if (!curl) {
            status(QStringLiteral("Error: the mail connection could not be set up"));
            return false;
        }
        // An IPv6 address is written in brackets in the address of the server.
        QString host = mail.server;
        if (host.contains(u':') && !host.startsWith(u'[')) host = u'[' + host + u']';
        const QByteArray url = "smtp://" + host.toUtf8() + ":" + QByteArray::number(mail.port);
        const QByteArray from = "<" + mail.mailFrom.trimmed().toUtf8() + ">";
        curl_slist* rcpt = nullptr;
        for (const QString& r : mail.recipients)
            rcpt = curl_slist_append(rcpt, ("<" + r.toUtf8() + ">").constData());
        Upload up{&mail.message};
        Conversation talk{&status, QString()};
        const QByteArray user = mail.username.toUtf8(), pass = mail.password.toUtf8();
        curl_easy_setopt(curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
        curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, readBody);
        curl_easy_setopt(curl, CURLOPT_READDATA, &up);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(mail.message.size()));
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(mail.timeoutMs));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(mail.timeoutMs));
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, cancelled);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, mail.cancel);
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, debugLine);
        curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &talk);
        char detail[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
        // The login and the mail go encrypted whenever the server offers STARTTLS, to a server
        // whose certificate checks out; a server without it is used in the clear.
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_TRY));
        const QByteArray caFile = mail.caFile.toLocal8Bit();
        if (!caFile.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
        if (mail.authenticationType == 1 || mail.authenticationType == 2) {
            curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
            curl_easy_setopt(curl, CURLOPT_PASSWORD, pass.constData());
            curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS,
                             mail.authenticationType == 1 ? "AUTH=LOGIN" : "AUTH=PLAIN");
        }
        status(QStringLiteral("Connecting to %1:%2").arg(host).arg(mail.port));
        const CURLcode result = curl_easy_perform(curl);
        curl_slist_free_all(rcpt);
        curl_easy_cleanup(curl);
        if (result == CURLE_OK) {
            status(QStringLiteral("Mail sent"));
            return true;
        }
        QString error = QStringLiteral("Error: ") + QString::fromUtf8(curl_easy_strerror(result));
        const QString why = QString::fromUtf8(detail).trimmed();
        if (!talk.lastReply.isEmpty())
            error += QStringLiteral(" (") + talk.lastReply + u')';
        else if (!why.isEmpty())
            error += QStringLiteral(": ") + why; // a TLS failure says which check failed
        status(error);
        return false;
    }
};

std::shared_ptr<SmtpTransport>& installed() {
    static std::shared_ptr<SmtpTransport> t;
    return t;
}

// The server box's text as host and port: "host:port" (or "[address]:port") names its own port,
// anything else is the host with the design port. An address in brackets comes without them (the
// transport brackets an IPv6 address again).
std::pair<QString, int> smtpServerAndPort(const QString& text, int designPort) {
    static const QRegularExpression withPort(QStringLiteral("^(\\[[^\\]]*\\]|[^:]*):(\\d{1,5})$"));
    QString host = text.trimmed();
    int port = designPort;
    const QRegularExpressionMatch m = withPort.match(host);
    if (const int typed = m.hasMatch() ? m.captured(2).toInt() : 0; typed >= 1 && typed <= 65535) {
        host = m.captured(1);
        port = typed;
    }
    if (host.size() >= 2 && host.startsWith(u'[') && host.endsWith(u']')) host = host.mid(1, host.size() - 2);
    return {host, port};
}

QString& trustedCaFile() {
    static QString path;
    return path;
}

} // namespace

void setSmtpCaFile(const QString& path) {
    trustedCaFile() = path;
}

void setSmtpTransport(std::shared_ptr<SmtpTransport> transport) {
    installed() = std::move(transport);
}

std::shared_ptr<SmtpTransport> smtpTransport() {
    static std::shared_ptr<SmtpTransport> curl = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return std::make_shared<CurlTransport>();
    }();
    return installed() ? installed() : curl;
}

// ------------------------------------------------------------------ the control

SmtpControl::SmtpControl(QObject* parent) : QObject(parent) {
    // Tests point the design port at their own server.
    const int testPort = qEnvironmentVariableIntValue("CORVISENT_SMTP_PORT");
    if (testPort > 0) port = testPort;
}

SmtpControl::~SmtpControl() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_cancel = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

void SmtpControl::SendEmail() {
    SmtpMail mail;
    std::tie(mail.server, mail.port) = smtpServerAndPort(server, port);
    mail.caFile = trustedCaFile();
    mail.timeoutMs = timeout;
    mail.authenticationType = authenticationtype;
    mail.username = username;
    mail.password = password;
    mail.mailFrom = headerValue(mailfrom, MailCarrier::Server).trimmed();
    mail.recipients = splitAddresses(sendto) + splitAddresses(cc);
    mail.message = composeMessage({mailfrom, sendto, cc, messagesubject, messagetext, rt::Clock::now()},
                                  MailCarrier::Server);
    mail.subject = headerValue(messagesubject, MailCarrier::Server);
    mail.cancel = &m_cancel;
    std::shared_ptr<SmtpTransport> transport = smtpTransport(); // libcurl is set up on this thread
    std::optional<SmtpMail> dropped;
    int droppedCount = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop) return;
        if (int(m_queue.size()) >= kQueueLimit) {
            dropped = std::move(m_queue.front().first);
            m_queue.pop_front();
            --m_pending;
            droppedCount = ++m_dropped;
        }
        m_queue.emplace_back(std::move(mail), std::move(transport));
        ++m_pending;
        if (!m_worker.joinable()) m_worker = std::thread([this] { run(); });
    }
    m_wake.notify_all();
    if (dropped) {
        emit Status(queueFullLine(dropped->recipients, dropped->subject, droppedCount));
        emit NotSent(dropped->recipients, dropped->subject, QStringLiteral("mail queue full"));
    }
}

QList<SmtpMail> SmtpControl::finish(int waitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(std::max(0, waitMs)),
                    [this] { return m_queue.empty() && !m_busy; });
    m_stop = true;
    m_cancel = true;
    lock.unlock();
    m_wake.notify_all();
    if (m_worker.joinable()) m_worker.join();
    lock.lock();
    QList<SmtpMail> left = m_failed;
    for (auto& job : m_queue)
        left.append(job.first);
    m_queue.clear();
    m_failed.clear();
    return left;
}

int SmtpControl::pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pending;
}

void SmtpControl::run() {
    for (;;) {
        std::pair<SmtpMail, std::shared_ptr<SmtpTransport>> job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
        }
        // Events reach the program's thread in the order raised; they are dropped if the control
        // is gone by then.
        QString lastLine;
        auto status = [this, &lastLine](const QString& line) {
            lastLine = line;
            QMetaObject::invokeMethod(this, [this, line] { emit Status(line); }, Qt::QueuedConnection);
        };
        // With no server named there is nothing to connect to: the mail fails in plain words.
        bool sent = false;
        if (job.first.server.isEmpty())
            status(QStringLiteral("No mail server is set"));
        else
            sent = job.second->deliver(job.first, status);
        bool givenUp = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
            // Once the program ends a mail that did not go is listed rather than forgotten.
            if (!sent && m_stop) m_failed.append(job.first);
            givenUp = !sent && !m_stop;
        }
        if (givenUp) {
            const QString why = lastLine.isEmpty() ? QStringLiteral("not taken by the server") : lastLine;
            QMetaObject::invokeMethod(
                this, [this, to = job.first.recipients, subject = job.first.subject, why] { emit NotSent(to, subject, why); },
                Qt::QueuedConnection);
        }
        m_wake.notify_all();
        QMetaObject::invokeMethod(
            this,
            [this] {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    --m_pending;
                }
                emit Closed();
            },
            Qt::QueuedConnection);
    }
}

} // namespace platform
