#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

namespace {

// Real milliseconds a desktop command may take, and a killed one to be gone.
constexpr int kCommandMs = 10000;
constexpr int kKilledMs = 1000;

} // namespace

rt::Task<bool> EndedWithin(QProcess* process, int realMs) {
    const auto over = [process] { return process->state() == QProcess::NotRunning; };
    const bool ended = co_await rt::UntilReal(over, realMs);
    if (ended) co_return true;
    process->kill();
    co_await rt::UntilReal(over, kKilledMs, rt::AtEnd::GoOn);
    co_return false;
}

namespace {

// Runs a short desktop command and waits for it (its own pace: real time); true when it ran and
// succeeded. One that takes too long, or runs on at the program's end, is killed.
rt::Task<bool> runAndWait(QString program, QStringList args) {
    if (QStandardPaths::findExecutable(program).isEmpty()) co_return false;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    const bool ended = co_await EndedWithin(&p, kCommandMs);
    co_return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Starts a program without waiting for it; its process id, 0 when it could not be started.
long startDetached(const QString& program, const QStringList& args, const QString& directory) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    if (!directory.isEmpty()) p.setWorkingDirectory(directory);
    p.setStandardOutputFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!p.startDetached(&pid)) return 0;
    return static_cast<long>(pid);
}

// The file as this system names it: "\" separators become "/".
QString localName(const QString& file) {
    QString f = file.trimmed();
    if (f.size() >= 2 && f.startsWith(u'"') && f.endsWith(u'"')) f = f.mid(1, f.size() - 2);
    if (!f.contains(QLatin1String("://"))) f.replace(u'\\', u'/');
    return f;
}

// A program that can be started: an executable file, or a name found on the search path.
QString executableOf(const QString& file) {
    const QFileInfo fi(file);
    if (fi.isFile() && fi.isExecutable()) return fi.absoluteFilePath();
    if (!file.contains(u'/')) return QStandardPaths::findExecutable(file);
    return QString();
}

// Results as the shell's document-opening function numbered them.
constexpr long kOk = 42;           // any value above 32 means success
constexpr long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr long kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
constexpr long kNoAssociation = 31; // SE_ERR_NOASSOC

class DesktopShell : public Shell {
public:
    rt::Task<bool> lockWorkStation() override {
        const QStringList lockSession{QStringLiteral("lock-session")};
        const bool locked = co_await runAndWait(QStringLiteral("loginctl"), lockSession);
        if (locked) co_return true;
        const QStringList lock{QStringLiteral("lock")};
        co_return co_await runAndWait(QStringLiteral("xdg-screensaver"), lock);
    }

    rt::Task<bool> logOff() override {
        // A forced end of the session: the session manager ends it without asking.
        const QString session = qEnvironmentVariable("XDG_SESSION_ID");
        if (!session.isEmpty()) {
            const QStringList terminate{QStringLiteral("terminate-session"), session};
            const bool ended = co_await runAndWait(QStringLiteral("loginctl"), terminate);
            if (ended) co_return true;
        }
        static const struct {
            const char* program;
            QStringList args;
        } desktops[] = {
            {"gnome-session-quit", {QStringLiteral("--logout"), QStringLiteral("--force"), QStringLiteral("--no-prompt")}},
            {"xfce4-session-logout", {QStringLiteral("--logout"), QStringLiteral("--fast")}},
            {"qdbus", {QStringLiteral("org.kde.ksmserver"), QStringLiteral("/KSMServer"), QStringLiteral("logout"),
                       QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("2")}},
            {"lxqt-leave", {QStringLiteral("--logout")}},
        };
        for (const auto& d : desktops) {
            const bool ended = co_await runAndWait(QLatin1String(d.program), d.args);
            if (ended) co_return true;
        }
        co_return false;
    }

    long shellExecute(const QString& file, const QString& parameters, const QString& directory,
                      int /*showMode*/) override {
        const QString name = localName(file);
        if (name.isEmpty()) return kFileNotFound;
        const QString dir = localName(directory);
        if (!dir.isEmpty() && !QFileInfo(dir).isDir()) return kPathNotFound;
        QString target = name;
        if (QUrl(name).scheme().size() <= 1) { // a file, not an address
            if (!dir.isEmpty() && QFileInfo(name).isRelative() && QFileInfo::exists(QDir(dir).filePath(name)))
                target = QDir(dir).filePath(name);
            const QString program = executableOf(target);
            if (!program.isEmpty())
                return startDetached(program, QProcess::splitCommand(parameters), dir) ? kOk : kFileNotFound;
            if (!QFileInfo::exists(target)) return kFileNotFound;
        }
        // A document, folder or address: its associated handler opens it.
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) return kNoAssociation;
        return startDetached(QStringLiteral("xdg-open"), {target}, dir) ? kOk : kNoAssociation;
    }

    long startProgram(const QString& commandLine, int /*windowStyle*/) override {
        QStringList parts = QProcess::splitCommand(commandLine);
        if (parts.isEmpty()) return 0;
        const QString program = executableOf(localName(parts.takeFirst()));
        if (program.isEmpty()) return 0;
        return startDetached(program, parts, QString());
    }

    bool openFolder(const QString& path) override {
        const QString folder = localName(path);
        if (folder.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) return false;
        return startDetached(QStringLiteral("xdg-open"), {folder}, QString()) != 0;
    }
};

Shell* g_installed = nullptr;

} // namespace

Shell& shell() {
    static DesktopShell desktop;
    return g_installed ? *g_installed : desktop;
}

void setShell(Shell* s) { g_installed = s; }

} // namespace platform
