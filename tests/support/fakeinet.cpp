#include "support/fakeinet.h"

#include <QFile>
#include <QTimer>
#include <vector>

#include "runtime/clock.h"

using platform::InetRequest;
using platform::InetResult;

struct FakeFtpServer::Session {
    QObject context; // owns the scheduled steps; gone with the control
    bool connected = false;
    int epoch = 0;
    int generation = 0; // bumped by a cancel: steps of older requests are dropped
};

namespace {
FakeFtpServer* g_server = nullptr;

class FakeInetBackend : public platform::InetBackend {
public:
    ~FakeInetBackend() override {
        if (g_server) g_server->end(&m_session);
    }
    void start(const InetRequest& r, Sink sink) override {
        if (g_server) g_server->begin(&m_session, r, std::move(sink));
    }
    void cancel() override {
        ++m_session.generation;
        if (g_server) g_server->end(&m_session);
    }

private:
    FakeFtpServer::Session m_session;
};

InetResult failed(int code, const QString& info) {
    return {platform::icError, code, info, {}};
}
} // namespace

FakeFtpServer::FakeFtpServer() {
    m_dirs.insert(QStringLiteral("/"));
    m_oldFactory = platform::inetBackendFactory();
    g_server = this;
    platform::setInetBackendFactory([] { return std::make_unique<FakeInetBackend>(); });
}

FakeFtpServer::~FakeFtpServer() {
    platform::setInetBackendFactory(m_oldFactory);
    g_server = nullptr;
}

void FakeFtpServer::setLogin(const QString& user, const QString& password) {
    m_user = user;
    m_password = password;
}

void FakeFtpServer::addDir(const QString& absolutePath) {
    m_dirs.insert(platform::resolveRemoteDir(QStringLiteral("/"), absolutePath));
}

QString FakeFtpServer::absolute(const QString& dir) const {
    return platform::resolveRemoteDir(QStringLiteral("/"), dir);
}

bool FakeFtpServer::hasPending() const {
    return m_pending != nullptr;
}

void FakeFtpServer::raise(int state) {
    if (m_pending) m_pendingSink.state(state);
}

void FakeFtpServer::finish(const InetResult& r) {
    if (!m_pending) return;
    m_pending = nullptr;
    const auto sink = m_pendingSink;
    sink.finish(r);
}

void FakeFtpServer::end(Session* s) {
    if (m_pending == s) m_pending = nullptr;
}

void FakeFtpServer::begin(Session* s, const InetRequest& r, platform::InetBackend::Sink sink) {
    static const char* const kNames[] = {"PWD", "CD", "LS", "LS -l", "MKDIR", "SEND", "QUIT", "NOOP"};
    QString line = QLatin1String(kNames[r.kind]);
    if (r.kind != InetRequest::Quit) line += u' ' + absolute(r.dir);
    if (r.kind == InetRequest::Mkdir || r.kind == InetRequest::Send) line += u' ' + r.name;
    m_requests << line;
    if (m_manual) {
        m_pending = s;
        m_pendingSink = std::move(sink);
        return;
    }

    struct Step {
        int state = 0;
        bool final = false;
        InetResult result;
        int delayMs = kStepMs;
    };
    std::vector<Step> steps;
    auto step = [&](int st) { steps.push_back({st, false, {}, kStepMs}); };
    auto end = [&](const InetResult& res) { steps.push_back({0, true, res, kStepMs}); };

    if (r.newSession) s->connected = false;
    const bool lost = s->connected && s->epoch != m_epoch;
    if (r.kind == InetRequest::Quit) {
        s->connected = false;
        step(platform::icDisconnecting);
        end({platform::icDisconnected, 0, QStringLiteral("221 Goodbye."), {}});
    } else if (lost) {
        s->connected = false;
        step(platform::icRequesting);
        end(failed(platform::inetConnectionLost,
                   QStringLiteral("The connection with the server was terminated abnormally")));
    } else if (!s->connected && m_refusing) {
        for (int st : {1, 2, 3}) step(st);
        end(failed(platform::inetCannotConnect, QStringLiteral("Cannot connect to the server")));
    } else if (m_silent) {
        if (!s->connected)
            for (int st : {1, 2, 3}) step(st);
    } else if (m_timingOut) {
        if (!s->connected) {
            for (int st : {1, 2, 3, 4}) step(st);
            ++m_logins;
        }
        s->connected = false;
        steps.push_back({0, true, failed(platform::inetTimeout, QStringLiteral("The request has timed out")),
                         r.timeoutSec * 1000});
    } else if (!s->connected && (r.user != m_user || r.password != m_password)) {
        for (int st : {1, 2, 3, 4}) step(st);
        end(failed(platform::inetLoginRefused,
                   QStringLiteral("Incorrect password or user name (530 Authentication failed.)")));
    } else {
        if (!s->connected) {
            for (int st : {1, 2, 3, 4}) step(st);
            s->connected = true;
            s->epoch = m_epoch;
            ++m_logins;
        }
        step(platform::icRequesting);
        step(platform::icRequestSent);
        const QString dir = absolute(r.dir);
        InetResult ok{platform::icResponseCompleted, 0, {}, {}};
        if (!m_dirs.contains(dir)) {
            end(failed(platform::inetRefused,
                       QStringLiteral("Directory %1 does not exist (550 No such file or directory.)").arg(r.dir)));
        } else if (r.kind == InetRequest::Mkdir) {
            const QString made = platform::resolveRemoteDir(dir, r.name);
            if (m_dirs.contains(made)) {
                end(failed(platform::inetRefused, QStringLiteral("550 File exists.")));
            } else {
                m_dirs.insert(made);
                ok.info = QStringLiteral("257 \"%1\" directory created.").arg(made);
            }
        } else if (r.kind == InetRequest::Send) {
            QFile f(r.localPath);
            f.open(QIODevice::ReadOnly);
            m_files[(dir == QLatin1String("/") ? dir : dir + u'/') + r.name] = f.readAll();
            ok.info = QStringLiteral("226 Transfer complete.");
        } else if (r.kind == InetRequest::List || r.kind == InetRequest::ListLong) {
            QStringList names;
            const QString prefix = dir == QLatin1String("/") ? dir : dir + u'/';
            for (const QString& p : m_files.keys() + QStringList(m_dirs.values()))
                if (p.startsWith(prefix) && p != prefix && !p.mid(prefix.size()).contains(u'/'))
                    names << p.mid(prefix.size());
            names.sort();
            ok.info = QStringLiteral("226 Transfer complete.");
            ok.data = names.join(QStringLiteral("\r\n")).toUtf8();
        } else if (r.kind == InetRequest::Noop) {
            ok.info = QStringLiteral("200 I successfully done nothin'.");
        } else {
            ok.info = QStringLiteral("%1 \"%2\" is the current directory.")
                          .arg(r.kind == InetRequest::Pwd ? 257 : 250)
                          .arg(dir);
        }
        if (!steps.back().final) {
            step(platform::icReceivingResponse);
            step(platform::icResponseReceived);
            if (r.kind != InetRequest::List && r.kind != InetRequest::ListLong) ok.data = ok.info.toUtf8();
            end(ok);
        }
    }

    // Each step after the one before, on the program clock, as long as no cancel came between.
    const int generation = s->generation;
    qint64 at = 0;
    for (const Step& st : steps) {
        at += st.delayMs;
        QTimer::singleShot(rt::Clock::realMs(at), &s->context, [s, st, generation, sink] {
            if (s->generation != generation) return;
            if (st.final)
                sink.finish(st.result);
            else
                sink.state(st.state);
        });
    }
}
