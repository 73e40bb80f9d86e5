// Settings and reading logs survive the program being killed at any moment: the built program
// killed with SIGKILL while it saves settings and while it logs, then started again; and the
// writers themselves killed in the middle of long runs of saves.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>

#include "platform/ini.h"
#include "platform/registry.h"
#include "runtime/files.h"
#include "support/simulator.h"
#include "support/testenv.h"

using namespace platform;

namespace {

const QString kProgram = QStringLiteral(CORVISENT_TEST_TOOLS_DIR "/../../bin/CorvisentMan");
const QByteArray kSettingsKey = "Software\\VB and VBA Program Settings\\Corvisent Manager\\";
const QByteArray kIni = "[Device Setup]\r\nTotalDevices=1\r\n\r\n[Device Setup\\1]\r\nDeviceName=Lab bench\r\n";

// Reading lines of a log file ("12-08-2026,10:05:39PM,72.50F").
int readingLines(const QByteArray& log) {
    return int(log.count("F\r\n"));
}

// The hive's text as a save writes it; fails the test when the file does not read whole.
QByteArray wholeHive(const QString& path, Hive hive) {
    QString problem;
    const QByteArray text = RewriteHiveText(readWholeFile(path), hive, &problem);
    if (!problem.isEmpty()) qWarning().noquote() << path << problem << "\n" << readWholeFile(path);
    return problem.isEmpty() ? text : QByteArray();
}

// A settings folder, an application folder and a simulated temperature sensor, and the program
// started on them as often as a test needs.
struct ProgramRig {
    QTemporaryDir app, config;
    SensorSimulator sim{{QStringLiteral("T")}};
    QString hives = config.filePath(QStringLiteral("corvisent-manager"));

    ProgramRig() {
        // "BinaryInterval" is stored anew at every start: 750 before, 500 after.
        writeWholeFile(hives + QStringLiteral("/HKEY_CURRENT_USER.reg"),
                       "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + kSettingsKey +
                           "Program Setup]\r\n\"TotalDevices\"=\"1\"\r\n\"AutoConnect\"=\"1\"\r\n"
                           "\"ReadingInterval\"=\"8\"\r\n\"MinOrSecs\"=\"Sec\"\r\n\"BinaryInterval\"=\"750\"\r\n\r\n"
                           "[HKEY_CURRENT_USER\\" +
                           kSettingsKey +
                           "PortConfig\\Devices\\1]\r\n\"DeviceType\"=\"Corvisent/T (Temperature)\"\r\n"
                           "\"DeviceName\"=\"Lab bench\"\r\n\"Port\"=\"5\"\r\n\"SubIndex\"=\"1\"\r\n"
                           "\"TabLogging\"=\"1\"\r\n\"FileLogging\"=\"1\"\r\n");
        writeWholeFile(hives + QStringLiteral("/HKEY_LOCAL_MACHINE.reg"),
                       "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\r\n\"" +
                           sim.path().toLocal8Bit() + "\"=\"COM5\"\r\n");
        writeWholeFile(hives + QStringLiteral("/corvisent.ini"), kIni);
    }

    // Starts the program, under `wrapper` (a program and its arguments) when one is given.
    void start(QProcess& program, const QStringList& wrapper = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("CORVISENT_APP_DIR"), app.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        // The shortest reading interval, eight seconds, on a clock four times as fast.
        environment.insert(QStringLiteral("CORVISENT_BENCH_CLOCK_SPEED"), QStringLiteral("4"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.setStandardOutputFile(QProcess::nullDevice());
        if (wrapper.isEmpty())
            program.start(kProgram, {});
        else
            program.start(wrapper.first(), wrapper.mid(1) + QStringList{kProgram});
    }

    // The settings are whole and hold the old or the new value of what was being saved; the
    // device record and the INI file are untouched; nothing was kept aside as damaged.
    void checkSettings() {
        const QByteArray user = wholeHive(hives + QStringLiteral("/HKEY_CURRENT_USER.reg"), Hive::CurrentUser);
        QVERIFY(!user.isEmpty());
        QVERIFY(user.contains("\"BinaryInterval\"=\"750\"") || user.contains("\"BinaryInterval\"=\"500\""));
        QVERIFY(user.contains("\"DeviceName\"=\"Lab bench\""));
        QVERIFY(user.contains("\"TotalDevices\"=\"1\""));
        const QByteArray machine =
            wholeHive(hives + QStringLiteral("/HKEY_LOCAL_MACHINE.reg"), Hive::LocalMachine);
        QVERIFY(machine.contains("\"" + sim.path().toLocal8Bit() + "\"=\"COM5\""));
        QCOMPARE(readWholeFile(hives + QStringLiteral("/corvisent.ini")), kIni);
        QVERIFY(QDir(hives).entryList({QStringLiteral("*.bad-*")}).isEmpty());
    }

    QStringList logFiles() const {
        return QDir(app.filePath(QStringLiteral("logfiles"))).entryList(QDir::Files, QDir::Name);
    }
    QByteArray log(const QString& name) const {
        return readWholeFile(app.filePath(QStringLiteral("logfiles/") + name));
    }
};

// The writer loops of the child process: saves forever, telling on standard output the number of
// each save once it is done.
int writeLoop(const QString& kind, const QString& folder) {
    Registry::instance().setFolder(folder);
    const QString ini = folder + QStringLiteral("/loop.ini");
    for (long n = 1;; ++n) {
        const QString value = QString::number(n);
        if (kind == QLatin1String("ini")) {
            // A long file, so that a torn write would show.
            for (int k = 1; k <= 40; k += 13)
                if (!WritePrivateProfileString(QStringLiteral("Section %1").arg(k), QStringLiteral("Key"),
                                               value + QString(200, u'x'), ini))
                    return 1;
            if (!WritePrivateProfileString(QStringLiteral("Count"), QStringLiteral("Done"), value, ini)) return 1;
        } else if (kind == QLatin1String("hive")) {
            Registry& reg = Registry::instance();
            for (int k = 1; k <= 40; k += 13)
                reg.setString(Hive::CurrentUser, QStringLiteral("Software\\Loop\\%1").arg(k), QStringLiteral("Key"),
                              value + QString(200, u'x'));
            if (reg.setString(Hive::CurrentUser, QStringLiteral("Software\\Count"), QStringLiteral("Done"), value) !=
                ERROR_SUCCESS)
                return 1;
        } else {
            if (n == 1) rt::Files::open(1, folder + QStringLiteral("/loop.log"), rt::Files::Append);
            rt::Files::printLine(1, QStringLiteral("line %1 ").arg(n) + QString(60, u'-'));
        }
        std::printf("%ld\n", n);
        std::fflush(stdout);
    }
}

// Starts the writer loop of kind, kills it once it has told `done` saves, and returns the last
// number it told.
long killWriterAfter(const QString& kind, const QString& folder, long done) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-loop"), kind, folder});
    long told = 0;
    while (told < done && child.waitForReadyRead(30000))
        while (child.canReadLine())
            told = child.readLine().trimmed().toLong();
    child.kill();
    child.waitForFinished(30000);
    while (child.canReadLine())
        told = qMax(told, child.readLine().trimmed().toLong());
    return told;
}

} // namespace

class TestDurability : public QObject {
    Q_OBJECT

private slots:
    // The program is killed in the middle of each settings save of its start-up: after the new
    // text is written, and just before it replaces the old file. The settings stay whole, and the
    // program starts again on them, connects and logs.
    void killedWhileSavingSettings() {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        if (strace.isEmpty()) QSKIP("strace is not installed (scripts/deps.sh test installs it)");
        ProgramRig rig;
        for (const char* call : {"fdatasync", "rename"}) {
            for (int when = 1; when <= 3; ++when) {
                // Under timeout, which gives the wrapped programs a process group of their own,
                // so that none outlives a failed step.
                QProcess program;
                rig.start(program, {QStringLiteral("timeout"), QStringLiteral("40"), strace, QStringLiteral("-f"), QStringLiteral("-qq"),
                                    QStringLiteral("-o"), QProcess::nullDevice(), QStringLiteral("-e"),
                                    QStringLiteral("trace=") + QLatin1String(call), QStringLiteral("-e"),
                                    QStringLiteral("inject=%1:signal=KILL:when=%2").arg(QLatin1String(call)).arg(when)});
                QVERIFY(program.waitForStarted());
                struct EndGroup {
                    qint64 group;
                    ~EndGroup() { ::kill(pid_t(-group), SIGKILL); }
                } endGroup{program.processId()};
                const QString step = QStringLiteral("killed at %1 %2").arg(QLatin1String(call)).arg(when);
                QVERIFY2(program.waitForFinished(50000), qPrintable(step));
                if (program.exitCode() == 1) QSKIP("strace cannot trace here");
                QVERIFY2(program.exitCode() != 124, qPrintable(step + QStringLiteral(": the save never came")));
                rig.checkSettings();
            }
        }
        QProcess program;
        rig.start(program);
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(rig.logFiles().size() == 1 && readingLines(rig.log(rig.logFiles().first())) >= 1,
                                 30000);
        program.kill();
        QVERIFY(program.waitForFinished(30000));
        rig.checkSettings();
    }

    // Killed while it logs: every line seen in the file while it ran is still there, no line is
    // torn, and each start logs to a file of its own.
    void killedWhileLogging() {
        ProgramRig rig;
        QStringList seen;
        for (int lines : {1, 3}) {
            QProcess program;
            rig.start(program);
            QVERIFY(program.waitForStarted());
            QString file;
            QByteArray before;
            // Lines show in the file while the program runs: they are not held back in a buffer.
            QTRY_VERIFY_WITH_TIMEOUT((file = rig.logFiles().value(seen.size()), !file.isEmpty()) &&
                                         readingLines(before = rig.log(file)) >= lines,
                                     30000);
            program.kill();
            QVERIFY(program.waitForFinished(30000));
            const QByteArray after = rig.log(file);
            QVERIFY(after.startsWith(before));
            QVERIFY(after.endsWith("\r\n"));
            for (const QByteArray& line : after.split('\n').mid(2))
                QVERIFY2(line.isEmpty() || line == "\r" || line.endsWith("F\r"), line.constData());
            seen << file;
            QCOMPARE(rig.logFiles(), seen);
            rig.checkSettings();
        }
    }

    // The writers killed in the middle of long runs of saves, at several points: the INI file and
    // the hive read whole, hold every save that was reported done, and the log holds every line
    // that was reported written, in order, and nothing but the start of the next.
    void writersKilledMidway() {
        for (long after : {1, 5, 30}) {
            {
                QTemporaryDir dir;
                const long done = killWriterAfter(QStringLiteral("ini"), dir.path(), after);
                QVERIFY(done >= after);
                const QString ini = dir.filePath(QStringLiteral("loop.ini"));
                const long stored = GetPrivateProfileString("Count", "Done", "0", 32, ini).toLong();
                QVERIFY2(stored == done || stored == done + 1, qPrintable(QString::number(stored)));
                for (int k = 1; k <= 40; k += 13) {
                    const QString value = GetPrivateProfileString(QStringLiteral("Section %1").arg(k), "Key", "", 300, ini);
                    QVERIFY(value.endsWith(QString(200, u'x')));
                    QVERIFY(value.chopped(200).toLong() >= stored && value.chopped(200).toLong() <= stored + 1);
                }
                QCOMPARE(readWholeFile(ini).count("\r\n"), 4 * 2 + 2); // four sections and the count, two lines each
            }
            {
                QTemporaryDir dir;
                const long done = killWriterAfter(QStringLiteral("hive"), dir.path(), after);
                Registry& reg = Registry::instance();
                reg.setFolder(dir.path());
                QCOMPARE(reg.errorText(), QString());
                const auto stored = reg.value(Hive::CurrentUser, "Software\\Count", "Done");
                QVERIFY(stored);
                const long count = Registry::stringOf(*stored).value_or(QString()).toLong();
                QVERIFY2(count == done || count == done + 1, qPrintable(QString::number(count)));
            }
            {
                QTemporaryDir dir;
                const long done = killWriterAfter(QStringLiteral("log"), dir.path(), after);
                const QList<QByteArray> lines = readWholeFile(dir.filePath(QStringLiteral("loop.log"))).split('\n');
                QVERIFY(lines.size() - 1 >= done);
                const auto expected = [](qsizetype i) {
                    return QByteArray("line ") + QByteArray::number(i + 1) + ' ' + QByteArray(60, '-') + '\r';
                };
                for (int i = 0; i + 1 < lines.size(); ++i)
                    QCOMPARE(lines[i], expected(i));
                // A kill that lands while the kernel copies a line across a page may leave the start
                // of that one line, never anything else.
                QVERIFY2(expected(lines.size() - 1).startsWith(lines.last()), lines.last().constData());
            }
        }
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--write-loop") == 0)
        return writeLoop(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QCoreApplication app(argc, argv);
    TestDurability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durability.moc"
