// The transfer control's real backend: libcurl on a worker thread of its own, one easy handle
// per control so that the FTP control connection stays open between requests. The worker posts
// states and results back to the program thread through its event loop.
#include <curl/curl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QLoggingCategory>
#include <QThread>
#include <QUrl>
#include <atomic>

#include "platform/inet.h"

Q_LOGGING_CATEGORY(lcFtp, "corvisent.ftp", QtWarningMsg)

namespace platform {
namespace {

// One protocol line as it may be logged: the password never appears.
QByteArray maskedLine(const QByteArray& line) {
    if (line.left(5).toUpper() == "PASS ") return QByteArrayLiteral("PASS ****");
    return line;
}

QByteArray encodedDir(const QString& dir) {
    if (dir.isEmpty()) return QByteArray();
    QByteArray out;
    const bool absolute = dir.startsWith(u'/');
    if (absolute) out += "%2F";
    for (const QString& seg : dir.split(u'/', Qt::SkipEmptyParts))
        out += QUrl::toPercentEncoding(seg) + '/';
    if (absolute && out == "%2F") out += '/';
    return out;
}

class CurlWorker : public QObject {
public:
    using Post = std::function<void(std::function<void()>)>;

    ~CurlWorker() override { closeHandle(); }

    void run(const InetRequest& r, std::shared_ptr<std::atomic_bool> abort, InetBackend::Sink sink, Post post) {
        m_abort = std::move(abort);
        m_post = std::move(post);
        m_sink = std::move(sink);
        m_lastReply.clear();
        m_lastCommand.clear();
        m_lost = false;
        m_loginSeen = false;
        if (r.newSession) closeHandle();
        if (r.kind == InetRequest::Quit) {
            state(icDisconnecting);
            closeHandle(); // sends QUIT on a live connection
            finish({icDisconnected, inetOk, QString::fromUtf8(m_lastReply), {}});
            return;
        }
        if (!m_easy) m_easy = curl_easy_init();
        if (!m_easy) {
            finish({icError, inetInternal, QStringLiteral("Internal error: no transfer handle (unrecoverable)"), {}});
            return;
        }
        m_reused = m_control != CURL_SOCKET_BAD;
        if (m_reused) {
            state(icRequesting);
            state(icRequestSent);
        } else {
            state(icResolvingHost);
        }
        if (m_reused && closedByServer()) {
            // Servers end a session left idle for some minutes; its requests would fail in the
            // middle with the server's goodbye taken for a reply.
            closeHandle();
            finish({icError, inetConnectionLost,
                    QStringLiteral("The connection with the server was terminated abnormally"), {}});
            return;
        }
        m_body.clear();
        finishWith(r, perform(r));
    }

    void closeHandle() {
        if (m_easy) {
            curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, 3L);
            curl_easy_cleanup(m_easy);
        }
        m_easy = nullptr;
        m_control = CURL_SOCKET_BAD;
    }

private:
    // Nothing is due on an idle control connection: an end of stream, or a reply the server sent
    // unasked (its "421" before it closes an idle session), means the session is over.
    bool closedByServer() const {
        pollfd p{m_control, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR));
    }

    void state(int s) {
        auto sink = m_sink;
        m_post([sink, s] { sink.state(s); });
    }
    void finish(const InetResult& r) {
        auto sink = m_sink;
        m_post([sink, r] { sink.finish(r); });
    }

    CURLcode perform(const InetRequest& r) {
        CURL* e = m_easy;
        curl_easy_reset(e);
        QByteArray url = r.host.contains(u':') ? "ftp://[" + r.host.toUtf8() + "]" : "ftp://" + QUrl::toAce(r.host);
        url += ':' + QByteArray::number(r.port) + '/' + encodedDir(r.dir);
        if (r.kind == InetRequest::Send) url += QUrl::toPercentEncoding(r.name);
        const QByteArray user = r.user.toUtf8(), password = r.password.toUtf8();
        curl_easy_setopt(e, CURLOPT_URL, url.constData());
        curl_easy_setopt(e, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, long(r.timeoutSec));
        curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(r.timeoutSec));
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, long(r.timeoutSec));
        curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, &CurlWorker::onDebug);
        curl_easy_setopt(e, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &CurlWorker::onOpenSocket);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &CurlWorker::onCloseSocket);
        curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, this);
        curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &CurlWorker::onProgress);
        curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlWorker::onWrite);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, this);

        QByteArray quote;
        curl_slist* post = nullptr;
        QFile file(r.localPath);
        switch (r.kind) {
        case InetRequest::Pwd:
        case InetRequest::Noop:
        case InetRequest::Mkdir:
            quote = r.kind == InetRequest::Pwd    ? QByteArray("PWD")
                    : r.kind == InetRequest::Noop ? QByteArray("NOOP")
                                                  : "MKD " + r.name.toUtf8();
            post = curl_slist_append(nullptr, quote.constData());
            curl_easy_setopt(e, CURLOPT_POSTQUOTE, post);
            curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
            break;
        case InetRequest::Cd:
            curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
            break;
        case InetRequest::List:
        case InetRequest::ListLong:
            curl_easy_setopt(e, CURLOPT_DIRLISTONLY, r.kind == InetRequest::List ? 1L : 0L);
            break;
        case InetRequest::Send:
            if (!file.open(QIODevice::ReadOnly)) return CURLE_READ_ERROR;
            curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, curl_off_t(file.size()));
            curl_easy_setopt(e, CURLOPT_READFUNCTION, &CurlWorker::onRead);
            curl_easy_setopt(e, CURLOPT_READDATA, &file);
            break;
        case InetRequest::Quit:
            break;
        }
        const CURLcode rc = curl_easy_perform(e);
        curl_easy_setopt(e, CURLOPT_POSTQUOTE, nullptr);
        curl_slist_free_all(post);
        return rc;
    }

    // The table of the header: libcurl results and server replies to codes and info texts.
    void finishWith(const InetRequest& r, CURLcode rc) {
        if (m_abort->load()) return;
        const QString reply = QString::fromUtf8(m_lastReply);
        InetResult res;
        res.finalState = icError;
        // "421": the server ended the session (an idle one, most often) while this request ran.
        if (m_lost || (rc != CURLE_OK && m_lastReply.startsWith("421"))) {
            res.code = inetConnectionLost;
            res.info = QStringLiteral("The connection with the server was terminated abnormally");
            m_control = CURL_SOCKET_BAD;
        } else {
            switch (rc) {
            case CURLE_OK:
                state(icReceivingResponse);
                state(icResponseReceived);
                res.finalState = icResponseCompleted;
                res.info = reply;
                res.data = (r.kind == InetRequest::List || r.kind == InetRequest::ListLong) ? m_body : m_lastReply;
                break;
            case CURLE_REMOTE_ACCESS_DENIED:
                if (m_lastCommand.startsWith("CWD")) {
                    res.code = inetRefused;
                    res.info = QStringLiteral("Directory %1 does not exist (%2)").arg(r.dir, reply);
                    break;
                }
                [[fallthrough]];
            case CURLE_QUOTE_ERROR:
            case CURLE_UPLOAD_FAILED:
            case CURLE_REMOTE_FILE_NOT_FOUND:
            case CURLE_FTP_COULDNT_RETR_FILE:
            case CURLE_REMOTE_DISK_FULL:
            case CURLE_FTP_COULDNT_USE_REST:
            case CURLE_FTP_PORT_FAILED:
                res.code = inetRefused;
                res.info = reply.isEmpty() ? QString::fromUtf8(curl_easy_strerror(rc)) : reply;
                break;
            case CURLE_LOGIN_DENIED:
                res.code = inetLoginRefused;
                res.info = QStringLiteral("Incorrect password or user name (%1)").arg(reply);
                break;
            case CURLE_OPERATION_TIMEDOUT:
            case CURLE_FTP_ACCEPT_TIMEOUT:
                res.code = inetTimeout;
                res.info = QStringLiteral("The request has timed out");
                break;
            case CURLE_COULDNT_RESOLVE_HOST:
                res.code = inetNameNotResolved;
                res.info = QStringLiteral("The server name could not be resolved");
                break;
            case CURLE_COULDNT_CONNECT:
                res.code = m_reused ? inetConnectionLost : inetCannotConnect;
                res.info = m_reused ? QStringLiteral("The connection with the server was terminated abnormally")
                                    : QStringLiteral("Cannot connect to the server");
                break;
            case CURLE_URL_MALFORMAT:
            case CURLE_UNSUPPORTED_PROTOCOL:
                res.code = inetBadUrl;
                res.info = QStringLiteral("The URL %1 is invalid (unrecoverable)").arg(r.host);
                break;
            case CURLE_READ_ERROR:
                res.code = inetLocalFileMissing;
                res.info = QStringLiteral("Local file %1 does not exist").arg(r.localPath);
                break;
            case CURLE_FAILED_INIT:
            case CURLE_OUT_OF_MEMORY:
            case CURLE_BAD_FUNCTION_ARGUMENT:
                res.code = inetInternal;
                res.info = QStringLiteral("Internal error: %1 (unrecoverable)").arg(curl_easy_strerror(rc));
                break;
            default: // the connection broke while the request ran
                res.code = inetConnectionLost;
                res.info = QStringLiteral("The connection with the server was terminated abnormally");
                break;
            }
        }
        if (res.code != inetOk)
            qCDebug(lcFtp) << "request failed:" << rc << res.code << res.info;
        finish(res);
    }

    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
        auto* w = static_cast<CurlWorker*>(self);
        if (type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT) return 0;
        const QByteArray text = QByteArray(data, qsizetype(size)).trimmed();
        for (const QByteArray& raw : text.split('\n')) {
            const QByteArray line = maskedLine(raw.trimmed());
            if (line.isEmpty()) continue;
            qCDebug(lcFtp).noquote() << (type == CURLINFO_HEADER_IN ? "< " : "> ") + QString::fromUtf8(line);
            if (type == CURLINFO_HEADER_OUT) {
                w->m_lastCommand = line;
                continue;
            }
            w->m_lastReply = line;
            if (line.startsWith("220") && !w->m_reused && !w->m_connectedSeen) {
                w->m_connectedSeen = true;
                w->state(icConnected);
            } else if (line.startsWith("230") && !w->m_reused && !w->m_loginSeen) {
                w->m_loginSeen = true;
                w->state(icRequesting);
                w->state(icRequestSent);
            }
        }
        return 0;
    }

    static curl_socket_t onOpenSocket(void* self, curlsocktype, curl_sockaddr* a) {
        auto* w = static_cast<CurlWorker*>(self);
        if (w->m_control == CURL_SOCKET_BAD && w->m_reused) {
            // The session's connection went away between two requests: report it instead of
            // quietly logging in on a new one.
            w->m_lost = true;
            return CURL_SOCKET_BAD;
        }
        const curl_socket_t s = ::socket(a->family, a->socktype, a->protocol);
        if (s != CURL_SOCKET_BAD && w->m_control == CURL_SOCKET_BAD) {
            w->m_control = s;
            w->m_connectedSeen = false;
            w->state(icHostResolved);
            w->state(icConnecting);
        }
        return s;
    }

    static int onCloseSocket(void* self, curl_socket_t s) {
        auto* w = static_cast<CurlWorker*>(self);
        if (s == w->m_control) w->m_control = CURL_SOCKET_BAD;
        return ::close(s);
    }

    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<CurlWorker*>(self)->m_abort->load() ? 1 : 0;
    }

    static size_t onWrite(char* data, size_t size, size_t n, void* self) {
        auto* w = static_cast<CurlWorker*>(self);
        constexpr qsizetype kMaxListing = 4 * 1024 * 1024;
        if (w->m_body.size() < kMaxListing) w->m_body.append(data, qsizetype(size * n));
        return size * n;
    }

    static size_t onRead(char* buffer, size_t size, size_t n, void* file) {
        const qint64 got = static_cast<QFile*>(file)->read(buffer, qint64(size * n));
        return got < 0 ? CURL_READFUNC_ABORT : size_t(got);
    }

    CURL* m_easy = nullptr;
    curl_socket_t m_control = CURL_SOCKET_BAD;
    bool m_reused = false, m_lost = false, m_connectedSeen = false, m_loginSeen = false;
    QByteArray m_lastReply, m_lastCommand, m_body;
    std::shared_ptr<std::atomic_bool> m_abort;
    InetBackend::Sink m_sink;
    Post m_post;
};

class CurlInetBackend : public InetBackend {
public:
    CurlInetBackend() {
        static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        Q_UNUSED(initialised);
        m_worker = new CurlWorker();
        m_worker->moveToThread(&m_thread);
        m_thread.start();
    }
    ~CurlInetBackend() override {
        cancel();
        CurlWorker* w = m_worker;
        QMetaObject::invokeMethod(w, [w] { w->closeHandle(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_worker;
    }

    void start(const InetRequest& request, Sink sink) override {
        m_abort = std::make_shared<std::atomic_bool>(false);
        // The receiver outlives every run: the destructor waits for the worker first.
        QObject* receiver = &m_receiver;
        CurlWorker::Post post = [receiver](std::function<void()> f) {
            QMetaObject::invokeMethod(receiver, std::move(f), Qt::QueuedConnection);
        };
        CurlWorker* w = m_worker;
        auto abort = m_abort;
        QMetaObject::invokeMethod(
            w, [w, request, abort, sink, post] { w->run(request, abort, sink, post); }, Qt::QueuedConnection);
    }

    void cancel() override {
        if (m_abort) m_abort->store(true);
    }

private:
    QObject m_receiver; // lives in the program thread: results are delivered through it
    QThread m_thread;
    CurlWorker* m_worker = nullptr;
    std::shared_ptr<std::atomic_bool> m_abort;
};

} // namespace

std::unique_ptr<InetBackend> createCurlInetBackend() {
    return std::make_unique<CurlInetBackend>();
}

} // namespace platform
