#pragma once
#include <QString>
#include <QStringList>

#include "runtime/task.h"

class QProcess;

namespace platform {

// Waits at most realMs of real time for a started process to end; false when it did not, or the
// end request came first. One still running then is killed, and its end is waited for too (also
// at the program's end), so that none is left behind.
rt::Task<bool> EndedWithin(QProcess* process, int realMs);

// Session and program-start functions of the desktop: locking the screen, ending the session,
// opening a document or program with its associated handler, starting a command line, showing
// a folder. The real backend uses loginctl, xdg-open and QProcess; tests install a fake.
class Shell {
public:
    virtual ~Shell() = default;
    // Locks the workstation; false when the desktop refused. The desktop's command is waited for
    // apart from the caller (at most 10 s of real time each).
    virtual rt::Task<bool> lockWorkStation() = 0;
    // Ends the user's session (log-off); false when it could not be requested.
    virtual rt::Task<bool> logOff() = 0;
    // Opens file (a program, document or URL) with optional parameters and working folder;
    // showMode as the window show modes (1 normal). Returns a value above 32 on success as the
    // original's ShellExecute did, 2 when the file was not found.
    virtual long shellExecute(const QString& file, const QString& parameters, const QString& directory,
                              int showMode) = 0;
    // Starts a command line as a program (the original's Shell); returns its process id, 0 on failure.
    virtual long startProgram(const QString& commandLine, int windowStyle) = 0;
    // Shows a folder in the file manager.
    virtual bool openFolder(const QString& path) = 0;
};

// The shell in use: the real one unless a test installed another (nullptr restores the real one).
Shell& shell();
void setShell(Shell* s);

} // namespace platform
