#include "platform/inet.h"

#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include "runtime/error.h"
#include "runtime/msgbox.h"

namespace platform {

namespace {
InetBackendFactory& factorySlot() {
    static InetBackendFactory f;
    return f;
}

// Splits a command's arguments at blanks; "..." keeps blanks inside one argument.
QStringList splitArguments(const QString& text) {
    QStringList out;
    QString cur;
    bool quoted = false, any = false;
    for (const QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (c == u' ' && !quoted) {
            if (any) out << cur;
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out << cur;
    return out;
}

struct Server {
    bool ok = false;
    QString host;
    int port = 21;
};

Server parseServer(const QString& text) {
    QString t = text.trimmed();
    if (!t.contains(QLatin1String("://"))) t.prepend(QLatin1String("ftp://"));
    const QUrl u(t, QUrl::StrictMode);
    Server s;
    s.ok = u.isValid() && u.scheme().compare(QLatin1String("ftp"), Qt::CaseInsensitive) == 0 &&
           !u.host().isEmpty();
    s.host = u.host();
    s.port = u.port(21);
    return s;
}
} // namespace

void setInetBackendFactory(InetBackendFactory factory) {
    factorySlot() = std::move(factory);
}
InetBackendFactory inetBackendFactory() {
    return factorySlot();
}

QString resolveRemoteDir(const QString& base, const QString& dir) {
    const QString d = dir.trimmed();
    const bool absolute = d.startsWith(u'/') || base.startsWith(u'/');
    QStringList parts;
    const QString joined = d.startsWith(u'/') ? d : base + u'/' + d;
    for (const QString& seg : joined.split(u'/', Qt::SkipEmptyParts)) {
        if (seg == QLatin1String(".")) continue;
        if (seg == QLatin1String("..") && !parts.isEmpty() && parts.last() != QLatin1String("..")) {
            parts.removeLast();
            continue;
        }
        parts << seg;
    }
    const QString path = parts.join(u'/');
    return absolute ? u'/' + path : path;
}

InetControl::InetControl(QObject* parent) : QObject(parent) {
    m_backend = factorySlot() ? factorySlot()() : createCurlInetBackend();
}

InetControl::~InetControl() {
    if (m_busy) m_backend->cancel();
}

void InetControl::arm() {
    m_session = true;
    m_newSession = true;
    m_dir.clear();
}

void InetControl::setURL(const QString& u) {
    m_url = u;
    arm();
}

void InetControl::setUserName(const QString& u) {
    m_user = u;
    arm();
}

void InetControl::setPassword(const QString& p) {
    m_password = p;
    arm();
}

void InetControl::Execute(const QString& /*url*/, const QString& command) {
    if (m_busy) throw rt::VbError(inetErrStillExecuting, QStringLiteral("Still executing last request"));
    const QString text = command.trimmed();
    const qsizetype blank = text.indexOf(u' ');
    const QString verb = (blank < 0 ? text : text.left(blank)).toUpper();
    const QString rest = blank < 0 ? QString() : text.mid(blank + 1).trimmed();

    InetRequest r;
    if (verb == QLatin1String("PWD")) {
        r.kind = InetRequest::Pwd;
        r.dir = m_dir;
    } else if (verb == QLatin1String("CD") || verb == QLatin1String("CHDIR")) {
        r.kind = InetRequest::Cd;
        r.dir = resolveRemoteDir(m_dir, rest);
    } else if (verb == QLatin1String("LS") || verb == QLatin1String("DIR")) {
        const bool option = rest.startsWith(u'-');
        r.kind = (verb == QLatin1String("DIR") || option) ? InetRequest::ListLong : InetRequest::List;
        r.dir = option || rest.isEmpty() ? m_dir : resolveRemoteDir(m_dir, rest);
    } else if (verb == QLatin1String("MKDIR")) {
        r.kind = InetRequest::Mkdir;
        r.dir = m_dir;
        r.name = rest;
    } else if (verb == QLatin1String("SEND") || verb == QLatin1String("PUT")) {
        const QStringList args = splitArguments(rest);
        if (args.isEmpty()) throw rt::VbError(inetErrBadCommand, QStringLiteral("Unknown FTP command"));
        r.kind = InetRequest::Send;
        r.dir = m_dir;
        // The remote name is the last argument; a local path with blanks may stand unquoted before it.
        r.localPath = args.size() == 1 ? args[0] : QStringList(args.mid(0, args.size() - 1)).join(u' ');
        r.name = QFileInfo(args.last()).fileName();
    } else if (verb == QLatin1String("NOOP")) {
        r.kind = InetRequest::Noop;
        r.dir = m_dir;
    } else if (verb == QLatin1String("QUIT") || verb == QLatin1String("CLOSE")) {
        r.kind = InetRequest::Quit;
    } else {
        throw rt::VbError(inetErrBadCommand, QStringLiteral("Unknown FTP command"));
    }
    if (!m_session) throw rt::VbError(inetErrNoSession, QStringLiteral("No FTP session: log in first"));

    const Server server = parseServer(m_url);
    r.host = server.host;
    r.port = server.port;
    r.user = m_user;
    r.password = m_password;
    r.timeoutSec = m_timeoutSec;
    r.newSession = m_newSession;
    m_newSession = false;
    if (r.kind == InetRequest::Quit) m_session = false;

    m_busy = true;
    const int job = ++m_job;
    m_data.clear();
    m_dataPos = 0;
    if (r.kind != InetRequest::Quit && !server.ok) {
        finishLater({icError, inetBadUrl,
                     QStringLiteral("The URL %1 is invalid (unrecoverable)").arg(m_url), {}});
        return;
    }
    if (r.kind == InetRequest::Send && !QFileInfo(r.localPath).isFile()) {
        finishLater({icError, inetLocalFileMissing,
                     QStringLiteral("Local file %1 does not exist").arg(r.localPath), {}});
        return;
    }
    const InetRequest::Kind kind = r.kind;
    const QString dir = r.dir;
    InetBackend::Sink sink;
    sink.state = [this, job](int s) {
        if (job == m_job && m_busy) raiseState(s);
    };
    sink.finish = [this, job, kind, dir](const InetResult& res) { finish(job, res, kind, dir); };
    m_backend->start(r, std::move(sink));
}

void InetControl::finishLater(const InetResult& r) {
    const int job = m_job;
    QTimer::singleShot(0, this, [this, job, r] { finish(job, r, InetRequest::Pwd, m_dir); });
}

void InetControl::finish(int job, const InetResult& r, InetRequest::Kind kind, const QString& dir) {
    if (job != m_job || !m_busy) return;
    m_code = r.code;
    m_info = r.info;
    m_data = QString::fromUtf8(r.data);
    m_dataPos = 0;
    if (kind == InetRequest::Cd && r.finalState == icResponseCompleted) m_dir = dir;
    // Everything is in place before the final state is raised: its handler reads it.
    m_busy = false;
    raiseState(r.finalState);
}

void InetControl::raiseState(int state) {
    // Nobody acted for a state event: a box its handling shows holds up nobody.
    rt::UnattendedScope unattended;
    emit StateChanged(state);
}

QString InetControl::GetChunk(int size, int /*dataType*/) {
    if (size <= 0 || m_dataPos >= m_data.size()) return QString();
    const QString chunk = m_data.mid(m_dataPos, size);
    m_dataPos += chunk.size();
    return chunk;
}

void InetControl::Cancel() {
    if (!m_busy) return;
    ++m_job;
    m_busy = false;
    m_backend->cancel();
}

} // namespace platform
