#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <optional>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/mapimail.h"
#include "app/CorvisentMain.h"
#include "runtime/appdir.h"
#include "runtime/clock.h"
#include "runtime/msgbox.h"
#include "runtime/controls.h"
#include "support/boxes.h"
#include "support/fakehandoff.h"
#include "support/smtpserver.h"
#include "support/testenv.h"

using Kind = platform::HandoffResult::Kind;

namespace {

const QString kPleaseNote =
    QStringLiteral("PLEASE NOTE: Your alerts will not be sent until you get this problem resolved.");

// Row 3 shows "Boiler" reading in F; the mail goes to ops@example.com; include options as given
// (time and date, reading, name, reading in the subject).
void setUpMail(const QList<int>& include, const QString& cc = QString()) {
    auto& m = CorvisentMain::instance();
    m.lblSensor1[3]->setText(QStringLiteral("Boiler"));
    m.lblMeasure[3]->setText(QStringLiteral("F"));
    auto& e = formEmailAlertSetup::instance();
    e.txtEmailAddr->setText(QStringLiteral("ops@example.com"));
    e.txtCCEmailAddr->setText(cc);
    for (int i = 0; i < 4; ++i)
        rt::setValue(e.chkInclude[i], include.contains(i) ? 1 : 0);
    rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 2)));
}

QByteArray headerOf(const QByteArray& message, const QByteArray& name) {
    for (const QByteArray& line : message.left(message.indexOf("\n\n")).split('\n'))
        if (line.startsWith(name + ": ")) return line.mid(name.size() + 2);
    return {};
}

QByteArray bodyOf(const QByteArray& message) {
    return message.mid(message.indexOf("\n\n") + 2);
}

// Asks for one alert mail and waits until it has been handed over: whether the mail program took it.
bool sendMail(const QString& text, int kind, int row, int slot, int flag) {
    std::optional<bool> sent;
    SendMail(text, kind, row, slot, flag, [&sent](bool took) { sent = took; });
    return QTest::qWaitFor([&sent] { return sent.has_value(); }, 20000) && *sent;
}

// Makes an executable script in dir that stands in for the mail program.
QString script(const QString& dir, const QByteArray& text) {
    const QString path = dir + QStringLiteral("/sendmail");
    writeWholeFile(path, "#!/bin/sh\n" + text);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

class TestMapiMail : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() {
        qunsetenv("CORVISENT_SENDMAIL");
        rt::Clock::reset();
        env.reset();
    }

    // The subject and body of this path, by the back-to-normal flag, the include options and the
    // kind.
    void includeSwitchesShapeSubjectAndBody_data() {
        QTest::addColumn<QList<int>>("include");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("flag");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("subject");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("alert, every option") << QList<int>{0, 1, 2, 3} << 1 << 0 << "85" << QByteArray("Warning: 85")
                                             << QByteArray("3/7/2009\n4:08:02 PM\n Current Reading: 85F\n"
                                                           " Temperature Alert\n Boiler\n");
        QTest::newRow("alert, no option") << QList<int>{} << 9 << 0 << "Over Max" << QByteArray("Warning")
                                          << QByteArray(" Distance Alert\n Boiler\n");
        QTest::newRow("notice, reading in subject") << QList<int>{3} << 6 << 1 << "Water is no longer detected"
                                                    << QByteArray("Sensor reading OK: Water is no longer detected")
                                                    << QByteArray(" Water Alert\n Boiler\n");
        QTest::newRow("notice, plain subject") << QList<int>{1} << 2 << 1 << "45" << QByteArray("**Sensor reading OK**")
                                               << QByteArray(" Current Reading: 45F\n Humidity Alert\n Boiler\n");
        QTest::newRow("other flag is an alert") << QList<int>{} << 8 << 2 << "x" << QByteArray("Warning")
                                                << QByteArray(" Accerometer Alert\n Boiler\n");
        QTest::newRow("line ends and a long line in the text")
            << QList<int>{1} << 7 << 0 << "85\rQUIT\r\n" + QString(1500, 'y') << QByteArray("Warning")
            << QByteArray(" Current Reading: 85\nQUIT\n" + QByteArray(998, 'y') + "\n" + QByteArray(502, 'y') + "F\n");
        QTest::newRow("combined kind has no kind lines") << QList<int>{} << 7 << 0 << "70" << QByteArray("Warning")
                                                         << QByteArray();
    }
    void includeSwitchesShapeSubjectAndBody() {
        QFETCH(QList<int>, include);
        QFETCH(int, kind);
        QFETCH(int, flag);
        QFETCH(QString, text);
        QFETCH(QByteArray, subject);
        QFETCH(QByteArray, body);
        FakeMailHandoff handoff;
        setUpMail(include);
        ScriptedBoxes boxes;
        QVERIFY(sendMail(text, kind, 3, 1, flag));
        QCOMPARE(handoff.messages().size(), 1);
        QCOMPARE(headerOf(handoff.messages()[0], "Subject"), subject);
        QCOMPARE(bodyOf(handoff.messages()[0]), body);
    }

    // One recipient, a copy recipient only when one is given; nothing the caller or the user typed
    // can add a header line.
    void recipientsAndHeaders() {
        FakeMailHandoff handoff;
        setUpMail({3}, QStringLiteral(" "));
        ScriptedBoxes boxes;
        QVERIFY(sendMail(QStringLiteral("85\r\nBcc: spy@example.com"), 1, 3, 1, 0));
        formEmailAlertSetup::instance().txtCCEmailAddr->setText(QStringLiteral("boss@example.com\nBcc: x@y"));
        QVERIFY(sendMail(QStringLiteral("86"), 1, 3, 1, 0));
        const QByteArray first = handoff.messages()[0];
        QCOMPARE(headerOf(first, "To"), QByteArray("ops@example.com"));
        QVERIFY(!first.contains("Cc:"));
        QCOMPARE(headerOf(first, "Subject"), QByteArray("Warning: 85Bcc: spy@example.com"));
        QVERIFY(!first.left(first.indexOf("\n\n")).contains("\nBcc"));
        QCOMPARE(headerOf(handoff.messages()[1], "Cc"), QByteArray("boss@example.comBcc: x@y"));
    }

    // Each failure class with its boxes, in order; the result is false and nothing is retried.
    void eachHandoffFailureShowsItsBoxes_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("no mail program") << int(Kind::CannotStart)
                                         << QStringList{"no program", "Cancelled Login", kPleaseNote};
        QTest::newRow("unknown recipient") << int(Kind::UnknownRecipient) << QStringList{"no program", kPleaseNote};
        QTest::newRow("other failure") << int(Kind::Failed) << QStringList{"no program", kPleaseNote};
    }
    void eachHandoffFailureShowsItsBoxes() {
        QFETCH(int, kind);
        QFETCH(QStringList, boxes);
        FakeMailHandoff handoff;
        handoff.setResult(Kind(kind), QStringLiteral("no program"));
        setUpMail({});
        ScriptedBoxes shown;
        QVERIFY(!sendMail(QStringLiteral("85"), 1, 3, 1, 0));
        QCOMPARE(shown.prompts(), boxes);
        QVERIFY(shown.shown()[0].style & rt::vbSystemModal);
        QCOMPARE(handoff.messages().size(), kind == int(Kind::CannotStart) ? 0 : 1);
    }

    // An alert's mail that the mail program refuses is named at once in the status list and in
    // the mail log, and the check is told.
    void refusedAlertMailIsRecorded() {
        FakeMailHandoff handoff;
        handoff.setResult(Kind::Failed, QStringLiteral("no program"));
        setUpMail({});
        ScriptedBoxes shown;
        bool told = false;
        QueueMail(QStringLiteral("85"), 1, 3, 1, 0, [&told] { told = true; });
        QVERIFY(QTest::qWaitFor([&told] { return told; }, 20000));
        auto& list = *formEmailAlertSetup::instance().listEmailStatus;
        QVERIFY(list.count() > 0);
        const QString line = list.item(list.count() - 1)->text();
        QVERIFY2(line.startsWith("Not sent (no program): to ops@example.com: "), qPrintable(line));
        QVERIFY(readWholeFile(rt::appFile("smtplog.log")).contains(line.toUtf8()));
        QTRY_COMPARE(shown.prompts(), (QStringList{"no program", kPleaseNote}));
    }

    // A text that cannot be built (no such row) is reported and nothing is handed over.
    void textThatCannotBeBuiltIsToldAndNotHandedOver() {
        FakeMailHandoff handoff;
        ScriptedBoxes boxes;
        QVERIFY(!sendMail(QStringLiteral("85"), 1, 11, 1, 0));
        QCOMPARE(boxes.prompts(), QStringList{"Error in SendMail"});
        QVERIFY(handoff.messages().isEmpty());
    }

    // Through msmtp to a real SMTP server: the mail arrives with its recipients, subject and body;
    // text beyond ASCII arrives encoded.
    void deliveredThroughMsmtp() {
        SmtpTestServer server;
        QVERIFY(server.port() > 0);
        QVERIFY(server.writeMsmtpConfig(env->configDir() + QStringLiteral("/msmtp/config")));
        qputenv("CORVISENT_SENDMAIL", "/usr/bin/msmtp");
        setUpMail({1, 3}, QStringLiteral("boss@example.com"));
        ScriptedBoxes boxes;
        QVERIFY(sendMail(QStringLiteral("Water Detected"), 6, 3, 1, 0));
        CorvisentMain::instance().lblSensor1[3]->setText(QStringLiteral("Kühlraum"));
        QVERIFY(sendMail(QStringLiteral("Wasser weg – ok"), 6, 3, 1, 1));

        const QList<SmtpTestServer::Mail> mails = server.mails();
        QCOMPARE(mails.size(), 2);
        QCOMPARE(mails[0].from, QStringLiteral("corvisent@localhost"));
        QCOMPARE(mails[0].to, (QStringList{"ops@example.com", "boss@example.com"}));
        QCOMPARE(mails[0].header("Subject"), QByteArray("Warning: Water Detected"));
        QCOMPARE(mails[0].header("Cc"), QByteArray("boss@example.com"));
        QCOMPARE(mails[0].body(), QByteArray(" Current Reading: Water DetectedF\r\n Water Alert\r\n Boiler\r\n"));
        QCOMPARE(mails[1].header("Subject"),
                 "=?UTF-8?B?" + QStringLiteral("Sensor reading OK: Wasser weg – ok").toUtf8().toBase64() + "?=");
        QVERIFY(mails[1].header("Content-Type").contains("utf-8"));
        QVERIFY(mails[1].body().contains(QStringLiteral(" Kühlraum\r\n").toUtf8()));
    }

    // The real program's failures: missing, a recipient the server refuses, a refusal reported
    // with the "no such user" exit code, no end in time.
    void failuresOfTheRealMailProgramAreTold() {
        SmtpTestServer server;
        QVERIFY(server.writeMsmtpConfig(env->configDir() + QStringLiteral("/msmtp/config")));
        setUpMail({});
        ScriptedBoxes boxes;

        qputenv("CORVISENT_SENDMAIL", QFile::encodeName(env->appDir() + QStringLiteral("/no-such-program")));
        QVERIFY(!sendMail(QStringLiteral("85"), 1, 3, 1, 0));
        QCOMPARE(boxes.prompts().mid(1), (QStringList{"Cancelled Login", kPleaseNote}));
        QVERIFY(boxes.prompts()[0].contains(QStringLiteral("no-such-program")));

        boxes.clear();
        qputenv("CORVISENT_SENDMAIL", "/usr/bin/msmtp");
        formEmailAlertSetup::instance().txtEmailAddr->setText(QStringLiteral("refused@example.com"));
        QVERIFY(!sendMail(QStringLiteral("85"), 1, 3, 1, 0));
        QCOMPARE(boxes.prompts().size(), 2);
        QVERIFY(boxes.prompts()[0].contains(QStringLiteral("refused@example.com")));
        QCOMPARE(boxes.prompts()[1], kPleaseNote);
        QVERIFY(server.mails().isEmpty());

        boxes.clear();
        const QString program = script(env->appDir(), "cat >/dev/null\necho 'unknown user' >&2\nexit 67\n");
        qputenv("CORVISENT_SENDMAIL", QFile::encodeName(program));
        QVERIFY(!sendMail(QStringLiteral("85"), 1, 3, 1, 0));
        QCOMPARE(boxes.prompts().size(), 2);
        QVERIFY(boxes.prompts()[0].endsWith(QStringLiteral("unknown user")));

        // One that does not end within its bound (a minute of program time) is stopped.
        boxes.clear();
        script(env->appDir(), "cat >/dev/null\nsleep 30\n");
        rt::Clock::setSpeed(1000);
        QVERIFY(!sendMail(QStringLiteral("85"), 1, 3, 1, 0));
        QCOMPARE(boxes.prompts(),
                 (QStringList{QStringLiteral("The mail program %1 did not finish in time.").arg(program),
                              kPleaseNote}));
    }
};

QTEST_MAIN(TestMapiMail)
#include "tst_mapimail.moc"
