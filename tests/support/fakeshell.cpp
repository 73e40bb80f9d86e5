#include "support/fakeshell.h"

FakeShell::FakeShell() { platform::setShell(this); }

FakeShell::~FakeShell() { platform::setShell(nullptr); }

rt::Task<bool> FakeShell::lockWorkStation() {
    calls << QStringLiteral("lockWorkStation");
    co_return lockResult;
}

rt::Task<bool> FakeShell::logOff() {
    calls << QStringLiteral("logOff");
    co_return logOffResult;
}

long FakeShell::shellExecute(const QString& file, const QString& parameters, const QString& directory,
                             int showMode) {
    calls << QStringLiteral("shellExecute(%1|%2|%3|%4)").arg(file, parameters, directory).arg(showMode);
    return shellExecuteResult;
}

long FakeShell::startProgram(const QString& commandLine, int windowStyle) {
    calls << QStringLiteral("startProgram(%1|%2)").arg(commandLine).arg(windowStyle);
    return startProgramResult;
}

bool FakeShell::openFolder(const QString& path) {
    calls << QStringLiteral("openFolder(%1)").arg(path);
    return openFolderResult;
}
