#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/shell.h"
#include "support/fakeshell.h"
#include "support/testenv.h"

namespace {

// A folder of stand-in desktop commands put first on the search path; each one writes its name,
// its arguments and its working folder as one line to calls.log and exits with the status kept
// in "<name>.status" (0 when none).
class DesktopCommands {
public:
    DesktopCommands() : m_oldPath(qgetenv("PATH")), m_oldSession(qgetenv("XDG_SESSION_ID")) {
        qputenv("PATH", m_dir.path().toLocal8Bit());
        qunsetenv("XDG_SESSION_ID");
    }
    ~DesktopCommands() {
        qputenv("PATH", m_oldPath);
        if (m_oldSession.isEmpty()) qunsetenv("XDG_SESSION_ID");
        else qputenv("XDG_SESSION_ID", m_oldSession);
    }
    QString dir() const { return m_dir.path(); }
    // Creates the command in the folder (or at path when given).
    QString add(const QString& name, int status = 0, const QString& path = QString()) {
        const QString file = path.isEmpty() ? m_dir.filePath(name) : path;
        const QByteArray script = "#!/bin/sh\necho \"" + name.toLocal8Bit() + " $* @$(pwd)\" >> '" +
                                  m_dir.filePath(QStringLiteral("calls.log")).toLocal8Bit() + "'\nexit " +
                                  QByteArray::number(status) + "\n";
        writeWholeFile(file, script);
        QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner | QFile::ExeUser);
        return file;
    }
    QStringList calls() const {
        const QString text = QString::fromLocal8Bit(readWholeFile(m_dir.filePath(QStringLiteral("calls.log"))));
        return text.split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath, m_oldSession;
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void sessionCommands() {
        DesktopCommands cmd;
        platform::Shell& sh = platform::shell();
        // Nothing to lock or end the session with.
        QVERIFY(!sh.lockWorkStation());
        QVERIFY(!sh.logOff());

        cmd.add(QStringLiteral("loginctl"));
        QVERIFY(sh.lockWorkStation());
        QCOMPARE(cmd.calls().last().section(u'@', 0, 0).trimmed(), QStringLiteral("loginctl lock-session"));

        // Without a session id the session manager of the desktop is asked.
        QVERIFY(!sh.logOff());
        cmd.add(QStringLiteral("xfce4-session-logout"));
        QVERIFY(sh.logOff());
        QVERIFY(cmd.calls().last().startsWith(QStringLiteral("xfce4-session-logout --logout")));
        qputenv("XDG_SESSION_ID", "c7");
        QVERIFY(sh.logOff());
        QVERIFY(cmd.calls().last().startsWith(QStringLiteral("loginctl terminate-session c7")));

        // A refused lock falls back on the screen saver's lock.
        cmd.add(QStringLiteral("loginctl"), 1);
        QVERIFY(!sh.lockWorkStation());
        cmd.add(QStringLiteral("xdg-screensaver"));
        QVERIFY(sh.lockWorkStation());
        QVERIFY(cmd.calls().last().startsWith(QStringLiteral("xdg-screensaver lock")));
    }

    void programsAndDocuments() {
        DesktopCommands cmd;
        cmd.add(QStringLiteral("xdg-open"));
        QTemporaryDir work;
        const QString tool = cmd.add(QStringLiteral("tool"), 0, work.filePath(QStringLiteral("tool.sh")));
        platform::Shell& sh = platform::shell();

        // A program with its parameters, started in the given folder.
        QVERIFY(sh.shellExecute(tool, QStringLiteral("-a \"two words\""), work.path(), 1) > 32);
        QTRY_COMPARE(cmd.calls().size(), 1);
        QCOMPARE(cmd.calls().at(0), QStringLiteral("tool -a two words @") + QDir(work.path()).canonicalPath());
        // A relative program name is looked up in the folder given.
        QVERIFY(sh.shellExecute(QStringLiteral("tool.sh"), QString(), work.path(), 1) > 32);
        QTRY_COMPARE(cmd.calls().size(), 2);

        // A document goes to its associated handler; "\" separators are taken as folders.
        const QString doc = work.filePath(QStringLiteral("notes.txt"));
        writeWholeFile(doc, "x");
        QString windowsStyle = doc;
        windowsStyle.replace(u'/', u'\\');
        QVERIFY(sh.shellExecute(windowsStyle, QString(), QString(), 1) > 32);
        QTRY_COMPARE(cmd.calls().size(), 3);
        QVERIFY(cmd.calls().at(2).startsWith(QStringLiteral("xdg-open ") + doc + u' '));
        QVERIFY(sh.shellExecute(QStringLiteral("https://example.invalid/x"), QString(), QString(), 1) > 32);
        QTRY_COMPARE(cmd.calls().size(), 4);

        // Missing things give the shell's error numbers and start nothing.
        QCOMPARE(sh.shellExecute(work.filePath(QStringLiteral("missing.exe")), QString(), QString(), 1), 2L);
        QCOMPARE(sh.shellExecute(QString(), QString(), QString(), 1), 2L);
        QCOMPARE(sh.shellExecute(tool, QString(), work.filePath(QStringLiteral("nodir")), 1), 3L);

        // A command line started as a program.
        QVERIFY(sh.startProgram(u'"' + tool + QStringLiteral("\" /s"), 1) > 0);
        QTRY_COMPARE(cmd.calls().size(), 5);
        QVERIFY(cmd.calls().at(4).startsWith(QStringLiteral("tool /s @")));
        QCOMPARE(sh.startProgram(QStringLiteral("no-such-program --x"), 1), 0L);
        QCOMPARE(sh.startProgram(QString(), 1), 0L);

        // A folder is shown by the file manager.
        QVERIFY(sh.openFolder(work.path()));
        QTRY_COMPARE(cmd.calls().size(), 6);
        QVERIFY(cmd.calls().at(5).startsWith(QStringLiteral("xdg-open ") + work.path()));
        QCOMPARE(cmd.calls().size(), 6);
    }

    void installedShellReplacesTheDesktop() {
        platform::Shell* desktop = &platform::shell();
        {
            FakeShell fake;
            QCOMPARE(&platform::shell(), static_cast<platform::Shell*>(&fake));
            platform::shell().openFolder(QStringLiteral("/tmp/x"));
            QCOMPARE(fake.calls, QStringList{QStringLiteral("openFolder(/tmp/x)")});
        }
        QCOMPARE(&platform::shell(), desktop);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
