#include "support/ftpserver.h"

#include <QDeadlineTimer>

TestFtpServer::TestFtpServer(const QString& user, const QString& password, const QStringList& options)
    : m_user(user), m_password(password), m_options(options) {
    start();
}

TestFtpServer::~TestFtpServer() {
    stop();
}

bool TestFtpServer::start() {
    if (running()) return true;
    const QString script = QStringLiteral(CORVISENT_TEST_SOURCE_DIR "/tools/ftpserver.py");
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{script, m_root.path(), m_user, m_password, QString::number(m_port)} + m_options);
    // The server prints "ready <port>" as soon as it listens; give a loaded machine time.
    QDeadlineTimer deadline(30000);
    QByteArray out;
    while (!out.contains('\n') && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(200);
        out += m_process.readAllStandardOutput();
    }
    const QList<QByteArray> words = out.trimmed().split(' ');
    if (words.size() != 2 || words[0] != "ready") {
        stop();
        return false;
    }
    m_port = words[1].toInt();
    return true;
}

void TestFtpServer::stop() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.kill();
    m_process.waitForFinished(10000);
    log(); // keep what it wrote before it went
}

QStringList TestFtpServer::log() {
    m_partial += m_process.readAllStandardError();
    const qsizetype end = m_partial.lastIndexOf('\n');
    if (end >= 0) {
        m_log += QString::fromUtf8(m_partial.left(end)).split(u'\n', Qt::SkipEmptyParts);
        m_partial.remove(0, end + 1);
    }
    return m_log;
}

QString TestFtpServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}
