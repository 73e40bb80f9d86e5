#include "platform/mailhandoff.h"

#include <QFileInfo>
#include <QProcess>

#include "runtime/clock.h"

namespace platform {

namespace {

MailHandoffFactory& factorySlot() {
    static MailHandoffFactory f;
    return f;
}

// The exit code a sendmail-compatible program gives for an address it cannot deliver to.
constexpr int kExitNoUser = 67;

class ProcessHandoff : public MailHandoffBackend {
public:
    bool ready(QString* description) override {
        const QFileInfo program(mailHandoffProgram());
        if (program.isFile() && program.isExecutable()) return true;
        *description = QStringLiteral("The mail program %1 was not found or cannot be run.").arg(program.filePath());
        return false;
    }

    HandoffResult deliver(const QByteArray& message) override {
        const QString program = mailHandoffProgram();
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(program, {QStringLiteral("-t"), QStringLiteral("-oi")});
        if (!process.waitForStarted(10000))
            return {HandoffResult::CannotStart,
                    QStringLiteral("The mail program %1 could not be started: %2").arg(program, process.errorString())};
        process.write(message);
        process.closeWriteChannel();
        // Events keep running meanwhile, so the window and the sensors are served.
        const bool ended = rt::WaitUntil([&process] { return process.state() == QProcess::NotRunning; },
                                         kHandoffWaitMs);
        if (!ended) {
            process.kill();
            process.waitForFinished(5000);
            return {HandoffResult::Failed,
                    QStringLiteral("The mail program %1 did not finish in time.").arg(program)};
        }
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        if (process.exitStatus() != QProcess::NormalExit)
            return {HandoffResult::Failed, QStringLiteral("The mail program %1 stopped unexpectedly.").arg(program)};
        const int code = process.exitCode();
        if (code == 0) return {HandoffResult::Sent, QString()};
        QString description = QStringLiteral("The mail program %1 failed (exit code %2)").arg(program).arg(code);
        if (!errors.isEmpty()) description += QStringLiteral(": ") + errors.section(u'\n', 0, 0).left(300);
        return {code == kExitNoUser ? HandoffResult::UnknownRecipient : HandoffResult::Failed, description};
    }
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
