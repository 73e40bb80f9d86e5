#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/shell.h"
#include "support/finish.h"
#include "support/testenv.h"

namespace {

// Stand-in desktop commands, alone on the search path; each writes "<name> <arguments> @<folder>"
// to calls.log and exits with the status it was made with, once the gate file exists if it was
// made to wait for it.
class DesktopCommands {
public:
    DesktopCommands() : m_oldPath(qgetenv("PATH")) {
        qputenv("PATH", m_dir.path().toLocal8Bit());
        qunsetenv("XDG_SESSION_ID");
    }
    ~DesktopCommands() { qputenv("PATH", m_oldPath); }
    QString add(const QString& name, int status = 0, const QString& path = QString(), bool waits = false) {
        const QString file = path.isEmpty() ? m_dir.filePath(name) : path;
        const QByteArray wait = "while [ ! -e '" + gate().toLocal8Bit() + "' ]; do /bin/sleep 0.02; done\n";
        writeWholeFile(file, "#!/bin/sh\n" + (waits ? wait : QByteArray()) + "echo \"" + name.toLocal8Bit() +
                                 " $* @$(pwd)\" >> '" + m_dir.filePath("calls.log").toLocal8Bit() + "'\nexit " +
                                 QByteArray::number(status) + "\n");
        QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner);
        return file;
    }
    QString gate() const { return m_dir.filePath("gate"); }
    QStringList calls() const {
        return QString::fromLocal8Bit(readWholeFile(m_dir.filePath("calls.log")))
            .split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

} // namespace

// The desktop shell layer against stand-in desktop commands.
class TestShell : public QObject {
    Q_OBJECT

private slots:
    void lockAndLogOffFindTheSessionOrFallBack() {
        DesktopCommands cmd;
        platform::Shell& sh = platform::shell();
        QVERIFY(!finish(sh.lockWorkStation()) && !finish(sh.logOff()));
        auto last = [&](const QString& call) { return cmd.calls().last().startsWith(call); };
        cmd.add("loginctl");
        QVERIFY(finish(sh.lockWorkStation()) && last("loginctl lock-session @"));
        // Without a session id the desktop's session manager ends the session.
        cmd.add("xfce4-session-logout");
        QVERIFY(finish(sh.logOff()) && last("xfce4-session-logout --logout"));
        qputenv("XDG_SESSION_ID", "c7");
        QVERIFY(finish(sh.logOff()) && last("loginctl terminate-session c7"));
        // A refused lock falls back on the screen saver's.
        cmd.add("loginctl", 1);
        cmd.add("xdg-screensaver");
        QVERIFY(finish(sh.lockWorkStation()) && last("xdg-screensaver lock"));
    }

    // The lock command is waited for apart from the caller: the call returns while the command
    // runs, and what lets the command end comes afterwards.
    void lockCommandIsWaitedForApart() {
        DesktopCommands cmd;
        cmd.add("loginctl", 0, QString(), true);
        rt::Task<bool> locking = platform::shell().lockWorkStation();
        QVERIFY(!locking.isReady());
        writeWholeFile(cmd.gate(), "");
        QVERIFY(finish(std::move(locking)));
        QCOMPARE(cmd.calls().size(), 1);
        QVERIFY(cmd.calls().first().startsWith("loginctl lock-session @"));
    }

    void programsDocumentsAndFolders() {
        DesktopCommands cmd;
        cmd.add("xdg-open");
        QTemporaryDir work;
        const QString tool = cmd.add("tool", 0, work.filePath("tool.sh"));
        const QString here = " @" + QDir::currentPath();
        platform::Shell& sh = platform::shell();
        // A program with parameters, started in the folder given; a relative name is found there.
        QVERIFY(sh.shellExecute(tool, "-a \"two words\"", work.path(), 1) > 32);
        QTRY_COMPARE(cmd.calls().value(0), "tool -a two words @" + QDir(work.path()).canonicalPath());
        QVERIFY(sh.shellExecute("tool.sh", QString(), work.path(), 1) > 32);
        // A document with "\" separators goes to its associated handler.
        const QString doc = work.filePath("notes.txt");
        writeWholeFile(doc, "x");
        QVERIFY(sh.shellExecute(QString(doc).replace(u'/', u'\\'), QString(), QString(), 1) > 32);
        // Missing files and folders give the shell's error numbers.
        QCOMPARE(sh.shellExecute(work.filePath("missing.exe"), QString(), QString(), 1), 2L);
        QCOMPARE(sh.shellExecute(tool, QString(), work.filePath("nodir"), 1), 3L);
        // A command line; a folder in the file manager.
        QVERIFY(sh.startProgram(u'"' + tool + "\" /s", 1) > 0);
        QCOMPARE(sh.startProgram("no-such-program --x", 1), 0L);
        QVERIFY(sh.openFolder(work.path()));
        QTRY_COMPARE(cmd.calls().size(), 5);
        QVERIFY(cmd.calls().contains("xdg-open " + doc + here) &&
                cmd.calls().contains("xdg-open " + work.path() + here));
        QCOMPARE(cmd.calls().filter("tool /s @").size(), 1);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
