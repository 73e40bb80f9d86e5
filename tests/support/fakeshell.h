#pragma once
#include <QString>
#include <QStringList>

#include "platform/shell.h"

// A desktop shell for tests: records every call as one line and answers with set results.
// Installs itself while it exists.
//   "lockWorkStation"
//   "logOff"
//   "shellExecute(<file>|<parameters>|<directory>|<showMode>)"
//   "startProgram(<command line>|<window style>)"
//   "openFolder(<path>)"
class FakeShell : public platform::Shell {
public:
    FakeShell();
    ~FakeShell() override;
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    QStringList calls;
    // Results handed back.
    bool lockResult = true;
    bool logOffResult = true;
    long shellExecuteResult = 42;
    long startProgramResult = 4242;
    bool openFolderResult = true;

    rt::Task<bool> lockWorkStation() override;
    rt::Task<bool> logOff() override;
    long shellExecute(const QString& file, const QString& parameters, const QString& directory,
                      int showMode) override;
    long startProgram(const QString& commandLine, int windowStyle) override;
    bool openFolder(const QString& path) override;
};
