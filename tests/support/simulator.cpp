#include "support/simulator.h"

#include "platform/comports.h"
#include "platform/registry.h"

PtySimulator::PtySimulator(const QString& tool, const QStringList& arguments) {
    m_process.start(QStringLiteral(CORVISENT_TEST_TOOLS_DIR "/") + tool, arguments);
    if (m_process.waitForStarted()) m_path = QString::fromLocal8Bit(readLine());
}

PtySimulator::~PtySimulator() {
    if (m_process.state() == QProcess::NotRunning) return;
    tell(QStringLiteral("quit"));
    if (!m_process.waitForFinished(5000)) m_process.kill();
    m_process.waitForFinished(1000);
}

void PtySimulator::mapTo(int comNumber) const {
    platform::Registry::instance().setString(platform::Hive::LocalMachine, platform::kSerialCommKey, m_path,
                                             QStringLiteral("COM%1").arg(comNumber));
}

void PtySimulator::tell(const QString& line) {
    m_process.write(line.toLatin1() + '\n');
    m_process.waitForBytesWritten(1000);
}

QByteArray PtySimulator::readLine() {
    while (!m_process.canReadLine())
        if (!m_process.waitForReadyRead(5000)) return {};
    return m_process.readLine().trimmed();
}

QByteArray ModemSimulator::received() {
    tell(QStringLiteral("received"));
    return QByteArray::fromHex(readLine());
}
