#include "platform/mailhandoff.h"

#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <utility>

#include "runtime/clock.h"

namespace platform {

namespace {

MailHandoffFactory& factorySlot() {
    static MailHandoffFactory f;
    return f;
}

// The exit code a sendmail-compatible program gives for an address it cannot deliver to.
constexpr int kExitNoUser = 67;

// The program runs beside the event loop: its signals and a single-shot bound drive the hand-off.
class ProcessHandoff : public MailHandoffBackend {
public:
    ~ProcessHandoff() override {
        if (!m_process) return; // never started, or ended already
        m_process->disconnect();
        m_bound->disconnect();
        m_process->kill();
        m_process->waitForFinished(1000);
        delete m_process;
    }

    bool ready(QString* description) override {
        const QFileInfo program(mailHandoffProgram());
        if (program.isFile() && program.isExecutable()) return true;
        *description = QStringLiteral("The mail program %1 was not found or cannot be run.").arg(program.filePath());
        return false;
    }

    void deliver(const QByteArray& message, std::function<void(const HandoffResult&)> done) override {
        m_program = mailHandoffProgram();
        m_done = std::move(done);
        m_process = new QProcess();
        m_process->setProcessChannelMode(QProcess::SeparateChannels);
        m_bound = new QTimer(m_process);
        m_bound->setSingleShot(true);
        QObject::connect(m_bound, &QTimer::timeout, m_process, [this] {
            m_timedOut = true;
            m_process->kill();
        });
        QObject::connect(m_process, &QProcess::started, m_process, [this, message] {
            m_process->write(message);
            m_process->closeWriteChannel();
        });
        QObject::connect(m_process, &QProcess::errorOccurred, m_process,
                         [this](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart)
                                 finish({HandoffResult::CannotStart,
                                         QStringLiteral("The mail program %1 could not be started: %2")
                                             .arg(m_program, m_process->errorString())});
                         });
        QObject::connect(m_process, &QProcess::finished, m_process,
                         [this](int code, QProcess::ExitStatus status) { finish(resultOf(code, status)); });
        m_bound->start(rt::Clock::realMs(kHandoffWaitMs));
        m_process->start(m_program, {QStringLiteral("-t"), QStringLiteral("-oi")});
    }

private:
    HandoffResult resultOf(int code, QProcess::ExitStatus status) const {
        if (m_timedOut)
            return {HandoffResult::Failed,
                    QStringLiteral("The mail program %1 did not finish in time.").arg(m_program)};
        if (status != QProcess::NormalExit)
            return {HandoffResult::Failed,
                    QStringLiteral("The mail program %1 stopped unexpectedly.").arg(m_program)};
        if (code == 0) return {HandoffResult::Sent, QString()};
        const QString errors = QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
        QString description =
            QStringLiteral("The mail program %1 failed (exit code %2)").arg(m_program).arg(code);
        if (!errors.isEmpty()) description += QStringLiteral(": ") + errors.section(u'\n', 0, 0).left(300);
        return {code == kExitNoUser ? HandoffResult::UnknownRecipient : HandoffResult::Failed, description};
    }

    void finish(const HandoffResult& result) {
        m_process->disconnect();
        m_bound->disconnect();
        m_bound->stop();
        // Called from one of the process's own signals.
        std::exchange(m_process, nullptr)->deleteLater();
        // Last: done may delete this backend.
        if (const auto done = std::exchange(m_done, {})) done(result);
    }

    QString m_program;
    QProcess* m_process = nullptr;
    QTimer* m_bound = nullptr; // a child of the process
    std::function<void(const HandoffResult&)> m_done;
    bool m_timedOut = false;
};

} // namespace

QString mailHandoffProgram() {
    const QString chosen = qEnvironmentVariable("CORVISENT_SENDMAIL");
    return chosen.isEmpty() ? QStringLiteral("/usr/sbin/sendmail") : chosen;
}

void setMailHandoffFactory(MailHandoffFactory factory) {
    factorySlot() = std::move(factory);
}

std::unique_ptr<MailHandoffBackend> createMailHandoff() {
    if (factorySlot()) return factorySlot()();
    return std::make_unique<ProcessHandoff>();
}

} // namespace platform
