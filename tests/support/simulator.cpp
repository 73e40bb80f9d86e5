#include "support/simulator.h"

#include "platform/comports.h"
#include "platform/registry.h"

SensorSimulator::SensorSimulator(const QStringList& arguments) {
    m_process.start(QStringLiteral(CORVISENT_TEST_TOOLS_DIR "/sensorsim"), arguments);
    if (m_process.waitForStarted() && m_process.waitForReadyRead(5000))
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

SensorSimulator::~SensorSimulator() {
    if (m_process.state() == QProcess::NotRunning) return;
    tell(QStringLiteral("quit"));
    if (!m_process.waitForFinished(5000)) m_process.kill();
    m_process.waitForFinished(1000);
}

void SensorSimulator::mapTo(int comNumber) const {
    platform::Registry::instance().setString(platform::Hive::LocalMachine, platform::kSerialCommKey, m_path,
                                             QStringLiteral("COM%1").arg(comNumber));
}

void SensorSimulator::tell(const QString& line) {
    m_process.write(line.toLatin1() + '\n');
    m_process.waitForBytesWritten(1000);
}
