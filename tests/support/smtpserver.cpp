#include "support/smtpserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Binds a free port, then serves on it until its standard input closes. Each accepted mail is
// one file: "FROM <sender>", "TO <recipients>", "AUTH <login>" when logged in, "TLS" when the
// mail came over STARTTLS, an empty line, the message. Given a user and password, it asks for a
// login (LOGIN or PLAIN, without TLS unless it offers STARTTLS). Given a certificate file name, it
// makes a certificate for 127.0.0.1 there and offers STARTTLS with it.
const char* kServer = R"(
import sys, os, socket, ssl, subprocess
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword
out = sys.argv[1]
cert = sys.argv[2]
user = sys.argv[3].encode() if len(sys.argv) > 4 else None
password = sys.argv[4].encode() if len(sys.argv) > 4 else None
tls = None
if cert:
    subprocess.run(['openssl', 'req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
                    '-nodes', '-keyout', cert + '.key', '-out', cert, '-days', '2', '-subj', '/CN=127.0.0.1',
                    '-addext', 'subjectAltName=IP:127.0.0.1'], check=True, capture_output=True)
    tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    tls.load_cert_chain(cert, cert + '.key')
def authenticator(server, session, envelope, mechanism, data):
    ok = isinstance(data, LoginPassword) and data.login == user and data.password == password
    return AuthResult(success=ok, handled=False, auth_data=data)
class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.split('@')[0].startswith('refused'):
            return '550 5.1.1 <%s>: Recipient address rejected' % address
        envelope.rcpt_tos.append(address)
        return '250 OK'
    async def handle_DATA(self, server, session, envelope):
        name = os.path.join(out, 'mail%04d' % len(os.listdir(out)))
        with open(name + '.tmp', 'wb') as f:
            f.write(('FROM %s\nTO %s\n' % (envelope.mail_from, ' '.join(envelope.rcpt_tos))).encode())
            if session.authenticated:
                f.write(b'AUTH ' + session.auth_data.login + b'\n')
            if session.ssl is not None:
                f.write(b'TLS\n')
            f.write(b'\n')
            f.write(envelope.original_content)
        os.rename(name + '.tmp', name + '.eml')
        return '250 Message accepted'
s = socket.socket()
s.bind(('127.0.0.1', 0))
port = s.getsockname()[1]
s.close()
login = dict(authenticator=authenticator, auth_required=True, auth_require_tls=bool(tls)) if user else {}
c = Controller(Handler(), hostname='127.0.0.1', port=port, tls_context=tls, **login)
c.start()
print(port, flush=True)
sys.stdin.read()
c.stop()
)";

} // namespace

QByteArray SmtpTestServer::Mail::header(const QByteArray& name) const {
    const QByteArray head = content.left(content.indexOf("\r\n\r\n"));
    for (const QByteArray& line : head.split('\n'))
        if (line.toLower().startsWith(name.toLower() + ':')) return line.mid(name.size() + 1).trimmed();
    return {};
}

QByteArray SmtpTestServer::Mail::body() const {
    const int at = content.indexOf("\r\n\r\n");
    return at < 0 ? QByteArray() : content.mid(at + 4);
}

SmtpTestServer::SmtpTestServer(const QString& user, const QString& password, bool startTls) {
    QDir(m_dir.path()).mkpath(QStringLiteral("mails"));
    QStringList arguments{QStringLiteral("-c"), QLatin1String(kServer), m_dir.filePath(QStringLiteral("mails")),
                          startTls ? certificateFile() : QString()};
    if (!user.isEmpty()) arguments << user << password;
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(10000))
        m_port = m_process.readLine().trimmed().toInt();
}

SmtpTestServer::~SmtpTestServer() {
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) m_process.kill();
    m_process.waitForFinished(1000);
}

QString SmtpTestServer::certificateFile() const {
    return m_dir.filePath(QStringLiteral("cert.pem"));
}

QList<SmtpTestServer::Mail> SmtpTestServer::mails() const {
    QList<Mail> out;
    const QDir dir(m_dir.filePath(QStringLiteral("mails")));
    for (const QString& name : dir.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray all = f.readAll();
        const int blank = all.indexOf("\n\n");
        Mail mail;
        for (const QByteArray& line : all.left(blank).split('\n')) {
            if (line.startsWith("FROM ")) mail.from = QString::fromUtf8(line.mid(5));
            if (line.startsWith("TO ")) mail.to = QString::fromUtf8(line.mid(3)).split(u' ', Qt::SkipEmptyParts);
            if (line.startsWith("AUTH ")) mail.login = QString::fromUtf8(line.mid(5));
            if (line == "TLS") mail.tls = true;
        }
        mail.content = all.mid(blank + 2);
        out.append(mail);
    }
    return out;
}

bool SmtpTestServer::writeMsmtpConfig(const QString& path, const QString& from) const {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(QStringLiteral("account default\nhost 127.0.0.1\nport %1\nfrom %2\nauth off\ntls off\n")
                .arg(m_port)
                .arg(from)
                .toUtf8());
    f.close();
    // msmtp refuses a configuration file that others may read.
    return f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}
