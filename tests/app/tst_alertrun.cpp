#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/programrun.h"
#include "support/simulator.h"
#include "support/smtpserver.h"
#include "support/testenv.h"

namespace {

QByteArray setting(const char* key, const char* value) {
    return QByteArray("\"") + key + "\"=\"" + value + "\"\r\n";
}

} // namespace

// The built program watching a simulated temperature sensor: a reading above the limit sends the
// alert mail, the return to range the back-to-normal notice, both through a real SMTP server.
class TestAlertRun : public QObject {
    Q_OBJECT

private slots:
    void excursionMailsAlertAndNotice() {
        QVERIFY2(QFileInfo::exists(kProgramPath), "the program is built with the tests");
        QTemporaryDir app, config;
        SmtpTestServer server;
        QVERIFY(server.port() > 0);
        SensorSimulator sim({QStringLiteral("T")});
        QVERIFY(!sim.path().isEmpty());

        const QByteArray root = "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvisent Manager\\";
        QByteArray user = "Windows Registry Editor Version 5.00\r\n\r\n" + root + "Program Setup]\r\n";
        for (auto [key, value] : {std::pair{"TotalDevices", "1"}, {"AutoConnect", "1"}, {"ReadingInterval", "8"},
                                  {"MinOrSecs", "Sec"}, {"TempMax", "80"}, {"TempMin", "30"},
                                  {"chkEmailAlert1", "1"}, {"chkOnScreenAlert1", "1"}, {"optUseSMTP", "1"},
                                  {"EmailAddress", "ops@example.com"}, {"SMTPHostServer", "127.0.0.1"},
                                  {"SMTPFromEmailAddress", "monitor@example.com"}})
            user += setting(key, value);
        user += "\r\n" + root + "PortConfig\\Devices\\1]\r\n";
        for (auto [key, value] : {std::pair{"DeviceType", "Corvisent/T (Temperature)"}, {"DeviceName", "Cold room"},
                                  {"Port", "5"}, {"SubIndex", "1"}, {"TabLogging", "1"}, {"FileLogging", "1"}})
            user += setting(key, value);
        const QString hives = config.filePath(QStringLiteral("corvisent-manager"));
        QVERIFY(writeWholeFile(hives + QStringLiteral("/HKEY_CURRENT_USER.reg"), user));
        QVERIFY(writeSerialMap(hives, sim.path(), 5));

        QProcess program;
        // Eight seconds, the shortest reading interval, on a clock four times as fast.
        QVERIFY(startProgram(program, app.path(), config.path(),
                             {{QStringLiteral("CORVISENT_SMTP_PORT"), QString::number(server.port())},
                              {QStringLiteral("CORVISENT_BENCH_CLOCK_SPEED"), QStringLiteral("4")}}));

        // Readings as the program logs them.
        const QDir logs(app.filePath(QStringLiteral("logfiles")));
        auto readings = [&logs] {
            const QStringList files = logs.entryList(QDir::Files);
            return files.size() == 1 ? readWholeFile(logs.filePath(files.first())).count("F\r\n") : 0;
        };
        // Readings in range first: no mail.
        QTRY_VERIFY_WITH_TIMEOUT(readings() >= 2, 30000);
        QVERIFY(server.mails().isEmpty());
        sim.tell(QStringLiteral("temp 95"));
        QTRY_COMPARE_WITH_TIMEOUT(server.mails().size(), 1, 30000);
        sim.tell(QStringLiteral("temp 70"));
        QTRY_COMPARE_WITH_TIMEOUT(server.mails().size(), 2, 30000);
        // Further readings in range send nothing more.
        const int seen = readings();
        QTRY_VERIFY_WITH_TIMEOUT(readings() >= seen + 2, 30000);
        const QList<SmtpTestServer::Mail> mails = server.mails();
        QCOMPARE(mails.size(), 2);

        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        const QByteArray output = program.readAll();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, output.constData());

        QCOMPARE(mails[0].to, QStringList{"ops@example.com"});
        QCOMPARE(mails[0].header("Subject"), QByteArray("Warning: Cur=95F"));
        QVERIFY(mails[0].body().startsWith(" Temperature Alert\r\n Cold room\r\n Max Threshold Setting: 80F\r\n"));
        QVERIFY(mails[0].body().endsWith("\r\n Current Reading: 95F\r\n"));
        QCOMPARE(mails[1].header("Subject"), QByteArray("Sensor Reading OK: 70F"));
        QVERIFY(mails[1].body().endsWith("\r\n Current Reading: 70F\r\n"));
    }
};

QTEST_MAIN(TestAlertRun)
#include "tst_alertrun.moc"
