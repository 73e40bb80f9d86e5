#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

        // Settings as a user or an installer writes them by hand.
        const QString hives = config.filePath(QStringLiteral("corvisent-manager"));
        QVERIFY(writeWholeFile(hives + QStringLiteral("/HKEY_CURRENT_USER.reg"),
                               "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\"
                               "Program Setup]\r\n"
                               "\"TotalDevices\"=\"1\"\r\n\"AutoConnect\"=\"1\"\r\n"
                               "\"ReadingInterval\"=\"8\"\r\n\"MinOrSecs\"=\"Sec\"\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\"
                               "PortConfig\\Devices\\1]\r\n"
                               "\"DeviceType\"=\"Corvisent/T (Temperature)\"\r\n\"DeviceName\"=\"Lab bench\"\r\n"
                               "\"Port\"=\"5\"\r\n\"SubIndex\"=\"1\"\r\n\"TabLogging\"=\"1\"\r\n"
                               "\"FileLogging\"=\"1\"\r\n"));
        QVERIFY(writeSerialMap(hives, sim.path(), 5));

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
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
