#include <sys/resource.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "runtime/clock.h"
#include "support/programrun.h"
#include "support/simulator.h"
#include "support/testenv.h"

namespace {

// Reading lines of a log file ("12-08-2026,10:05:39PM,72.50F").
int readingLines(const QByteArray& log) {
    int n = 0;
    for (const QByteArray& line : log.split('\n'))
        if (line.endsWith("F\r")) ++n;
    return n;
}

// Settings as a user or an installer writes them by hand: one temperature sensor on COM5,
// connected at start-up, with further "Program Setup" values.
bool writeSettings(const QString& hives, const QString& simPath, const QByteArray& extraSetup = {}) {
    return writeWholeFile(hives + QStringLiteral("/HKEY_CURRENT_USER.reg"),
                          "Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\"
                          "Program Setup]\r\n"
                          "\"TotalDevices\"=\"1\"\r\n\"AutoConnect\"=\"1\"\r\n"
                          "\"ReadingInterval\"=\"8\"\r\n\"MinOrSecs\"=\"Sec\"\r\n" +
                              extraSetup +
                              "\r\n"
                              "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\"
                              "PortConfig\\Devices\\1]\r\n"
                              "\"DeviceType\"=\"Corvisent/T (Temperature)\"\r\n\"DeviceName\"=\"Lab bench\"\r\n"
                              "\"Port\"=\"5\"\r\n\"SubIndex\"=\"1\"\r\n\"TabLogging\"=\"1\"\r\n"
                              "\"FileLogging\"=\"1\"\r\n") &&
           writeSerialMap(hives, simPath, 5);
}

} // namespace

// The built program, started with a prepared settings folder and a simulated temperature sensor:
// it connects the sensor at start-up, logs its readings, and ends cleanly when the session ends.
class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void connectsLogsAndEndsCleanly() {
        QVERIFY2(QFileInfo::exists(kProgramPath), "the program is built with the tests");
        QTemporaryDir app, config;
        SensorSimulator sim({QStringLiteral("T")});
        QVERIFY(!sim.path().isEmpty());

        const QString hives = config.filePath(QStringLiteral("corvisent-manager"));
        QVERIFY(writeSettings(hives, sim.path()));

        QProcess program;
        // Eight seconds, the shortest reading interval, on a clock four times as fast.
        QVERIFY(startProgram(program, app.path(), config.path(),
                             {{QStringLiteral("CORVISENT_BENCH_CLOCK_SPEED"), QStringLiteral("4")}}));

        const QDir logs(app.filePath(QStringLiteral("logfiles")));
        auto log = [&logs] {
            const QStringList files = logs.entryList(QDir::Files);
            return files.size() == 1 ? readWholeFile(logs.filePath(files.first())) : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(readingLines(log()) >= 2, 30000);
        QVERIFY(QFileInfo(app.filePath(QStringLiteral("capturefiles"))).isDir());

        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        const QByteArray output = program.readAll();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, output.constData());

        const QByteArray text = log();
        QVERIFY(text.startsWith("Lab bench\r\nLog file started: "));
        QVERIFY(text.contains("72.50F\r\n"));
        QVERIFY(text.endsWith("\r\n"));
        // The settings survived the run unharmed.
        QVERIFY(readWholeFile(hives + QStringLiteral("/HKEY_CURRENT_USER.reg")).contains("Lab bench"));
        QVERIFY(QDir(hives).entryList({QStringLiteral("*.bad-*")}).isEmpty());
    }

    // The session's end with the alarm window and the e-mail window open, ten times over: every
    // run ends by the normal path, none by the forced end.
    void endsNormallyWithTheAlarmAndMailWindowsOpen() {
        for (int run = 1; run <= 10; ++run) {
            QTemporaryDir app, config;
            SensorSimulator sim({QStringLiteral("T")});
            QVERIFY(writeSettings(config.filePath(QStringLiteral("corvisent-manager")), sim.path(),
                                  "\"TempMax\"=\"50\"\r\n\"TempMin\"=\"30\"\r\n\"chkOnScreenAlert1\"=\"1\"\r\n"));
            QProcess program;
            QVERIFY(startProgram(program, app.path(), config.path(),
                                 {{QStringLiteral("LD_PRELOAD"), QStringLiteral(CORVISENT_TEST_TOOLS_DIR "/windowprobe.so")},
                                  {QStringLiteral("CORVISENT_PROBE_CLICK"), QStringLiteral("cmdEmailSetup")}}));
            QByteArray output;
            QTRY_VERIFY_WITH_TIMEOUT((output += program.readAll(), output.contains("shown frmAlarm\n") &&
                                                                       output.contains("shown formEmailAlertSetup\n")),
                                     30000);
            program.terminate();
            QVERIFY(program.waitForFinished(15000));
            output += program.readAll();
            QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, output.constData());
            QVERIFY2(!output.contains(rt::kForcedEndLine), qPrintable(QStringLiteral("run %1").arg(run)));
        }
    }

    // A file-size limit (ulimit -f) that the reading log reaches: the write past it fails, and
    // the program runs on instead of being ended by the kernel's signal.
    void runsOnPastAFileSizeLimit() {
        QTemporaryDir app, config;
        SensorSimulator sim({QStringLiteral("T")});
        QVERIFY(writeSettings(config.filePath(QStringLiteral("corvisent-manager")), sim.path()));
        constexpr rlim_t kLimit = 150;
        QProcess program;
        program.setChildProcessModifier([] {
            const rlimit limit{kLimit, kLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        QVERIFY(startProgram(program, app.path(), config.path(),
                             {{QStringLiteral("CORVISENT_BENCH_CLOCK_SPEED"), QStringLiteral("4")}}));
        const QDir logs(app.filePath(QStringLiteral("logfiles")));
        auto logSize = [&logs] {
            const QFileInfoList files = logs.entryInfoList(QDir::Files);
            return files.size() == 1 ? files.first().size() : qint64(0);
        };
        QTRY_COMPARE_WITH_TIMEOUT(logSize(), qint64(kLimit), 60000); // the write past it was tried
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 program.readAll().constData());
    }

    // A terminate while an alert mail waits for a mail program that never ends: the program
    // does not wait for it, and its reading log is complete.
    void endsAtOnceWhileTheMailProgramHangs() {
        QTemporaryDir app, config;
        SensorSimulator sim({QStringLiteral("T")});
        const QString hives = config.filePath(QStringLiteral("corvisent-manager"));
        QVERIFY(writeSettings(hives, sim.path(),
                              "\"TempMax\"=\"50\"\r\n\"TempMin\"=\"30\"\r\n\"chkEmailAlert1\"=\"1\"\r\n"
                              "\"optUseSMTP\"=\"0\"\r\n\"EmailAddress\"=\"ops@example.com\"\r\n"));
        const QString started = app.filePath(QStringLiteral("mail-started"));
        const QString mailer = app.filePath(QStringLiteral("hanging-sendmail"));
        QVERIFY(writeWholeFile(mailer, "#!/bin/sh\ntouch '" + started.toUtf8() + "'\nexec sleep 120\n"));
        QFile(mailer).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcess program;
        QVERIFY(startProgram(program, app.path(), config.path(), {{QStringLiteral("CORVISENT_SENDMAIL"), mailer}}));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(started), 30000);
        program.terminate();
        QVERIFY(program.waitForFinished(2000));
        QCOMPARE(program.exitCode(), 0);
        const QStringList logs = QDir(app.filePath(QStringLiteral("logfiles"))).entryList(QDir::Files);
        QCOMPARE(logs.size(), 1);
        const QByteArray text = readWholeFile(app.filePath(QStringLiteral("logfiles/") + logs.first()));
        QVERIFY(text.contains("72.50F\r\n") && text.endsWith("\r\n"));
        // The mail is recorded as not sent because the program ended.
        const QByteArray mailLog = readWholeFile(app.filePath(QStringLiteral("smtplog.log")));
        QVERIFY2(mailLog.contains("Not sent (program ended): to ops@example.com: Warning: 72.5\r\n"),
                 mailLog.constData());
    }

    // A terminate while an alert page waits for the call to be taken: the modem is hung up and no
    // figures are sent.
    void endHangsUpARunningPage() {
        QTemporaryDir app, config;
        SensorSimulator sim({QStringLiteral("T")});
        ModemSimulator modem;
        QVERIFY(!modem.path().isEmpty());
        const QString hives = config.filePath(QStringLiteral("corvisent-manager"));
        QVERIFY(writeSettings(hives, sim.path(),
                              "\"TempMax\"=\"50\"\r\n\"TempMin\"=\"30\"\r\n\"chkPageAlert1\"=\"1\"\r\n"
                              "\"NumToCall\"=\"5551234\"\r\n\"IndexForModem\"=\"6\"\r\n"));
        QFile machine(hives + QStringLiteral("/HKEY_LOCAL_MACHINE.reg"));
        QVERIFY(machine.open(QIODevice::Append));
        machine.write("\"" + modem.path().toLocal8Bit() + "\"=\"COM6\"\r\n");
        machine.close();
        modem.answer(QStringLiteral("OK OK NO_CARRIER"));

        QProcess program;
        QVERIFY(startProgram(program, app.path(), config.path()));
        const QByteArray dial = "ATDT5551234,,,,,,,,,,;\r";
        QTRY_COMPARE_WITH_TIMEOUT(modem.received(), dial, 30000);
        program.terminate();
        QVERIFY(program.waitForFinished(2000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(modem.received(), dial + "ATH0\r");
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
