#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/shell.h"
#include "support/testenv.h"

namespace {

// Stand-in desktop commands, alone on the search path; each writes "<name> <arguments> @<folder>"
// to calls.log and exits with the status it was made with.
class DesktopCommands {
public:
    DesktopCommands() : m_oldPath(qgetenv("PATH")) {
        qputenv("PATH", m_dir.path().toLocal8Bit());
        qunsetenv("XDG_SESSION_ID");
    }
    ~DesktopCommands() { qputenv("PATH", m_oldPath); }
    QString add(const QString& name, int status = 0, const QString& path = QString()) {
        const QString file = path.isEmpty() ? m_dir.filePath(name) : path;
        writeWholeFile(file, "#!/bin/sh\necho \"" + name.toLocal8Bit() + " $* @$(pwd)\" >> '" +
                                 m_dir.filePath(QStringLiteral("calls.log")).toLocal8Bit() + "'\nexit " +
                                 QByteArray::number(status) + "\n");
        QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner);
        return file;
    }
    QStringList calls() const {
        return QString::fromLocal8Bit(readWholeFile(m_dir.filePath(QStringLiteral("calls.log"))))
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
    void sessionCommands() {
        DesktopCommands cmd;
        platform::Shell& sh = platform::shell();
        QVERIFY(!sh.lockWorkStation());
        QVERIFY(!sh.logOff());
        cmd.add(QStringLiteral("loginctl"));
        QVERIFY(sh.lockWorkStation());
        QVERIFY(cmd.calls().last().startsWith(QStringLiteral("loginctl lock-session @")));
        // Without a session id the desktop's session manager ends the session.
        cmd.add(QStringLiteral("xfce4-session-logout"));
        QVERIFY(sh.logOff());
        QVERIFY(cmd.calls().last().startsWith(QStringLiteral("xfce4-session-logout --logout")));
        qputenv("XDG_SESSION_ID", "c7");
        QVERIFY(sh.logOff());
        QVERIFY(cmd.calls().last().startsWith(QStringLiteral("loginctl terminate-session c7")));
        // A refused lock falls back on the screen saver's.
        cmd.add(QStringLiteral("loginctl"), 1);
        cmd.add(QStringLiteral("xdg-screensaver"));
        QVERIFY(sh.lockWorkStation());
        QVERIFY(cmd.calls().last().startsWith(QStringLiteral("xdg-screensaver lock")));
    }

    void programsDocumentsAndFolders() {
        DesktopCommands cmd;
        cmd.add(QStringLiteral("xdg-open"));
        QTemporaryDir work;
        const QString tool = cmd.add(QStringLiteral("tool"), 0, work.filePath(QStringLiteral("tool.sh")));
        platform::Shell& sh = platform::shell();

        // A program with parameters, started in the folder given; a relative name is found there.
        QVERIFY(sh.shellExecute(tool, QStringLiteral("-a \"two words\""), work.path(), 1) > 32);
        QTRY_COMPARE(cmd.calls().size(), 1);
        QCOMPARE(cmd.calls().at(0), QStringLiteral("tool -a two words @") + QDir(work.path()).canonicalPath());
        QVERIFY(sh.shellExecute(QStringLiteral("tool.sh"), QString(), work.path(), 1) > 32);
        // A document with "\" separators goes to its associated handler.
        const QString doc = work.filePath(QStringLiteral("notes.txt"));
        writeWholeFile(doc, "x");
        QVERIFY(sh.shellExecute(QString(doc).replace(u'/', u'\\'), QString(), QString(), 1) > 32);
        QTRY_COMPARE(cmd.calls().size(), 3);
        QVERIFY(cmd.calls().contains(QStringLiteral("xdg-open ") + doc + QStringLiteral(" @") + QDir::currentPath()));
        // Missing files and folders give the shell's error numbers.
        QCOMPARE(sh.shellExecute(work.filePath(QStringLiteral("missing.exe")), QString(), QString(), 1), 2L);
        QCOMPARE(sh.shellExecute(tool, QString(), work.filePath(QStringLiteral("nodir")), 1), 3L);

        // A command line; a folder in the file manager.
        QVERIFY(sh.startProgram(u'"' + tool + QStringLiteral("\" /s"), 1) > 0);
        QCOMPARE(sh.startProgram(QStringLiteral("no-such-program --x"), 1), 0L);
        QVERIFY(sh.openFolder(work.path()));
        QTRY_COMPARE(cmd.calls().size(), 5);
        QVERIFY(cmd.calls().filter(QStringLiteral("tool /s @")).size() == 1);
        QVERIFY(cmd.calls().contains(QStringLiteral("xdg-open ") + work.path() + QStringLiteral(" @") +
                                     QDir::currentPath()));
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
