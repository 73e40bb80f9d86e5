#include <QComboBox>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include "alerts/alertrig.h"
#include "platform/mailtext.h"
#include "platform/registry.h"
#include "runtime/appdir.h"
#include "runtime/format.h"
#include "settings/rowrecord.h"
#include "support/smtpserver.h"

namespace {

QStringList statusLines() {
    QStringList out;
    for (int i = 0; i < E().listEmailStatus->count(); ++i)
        out.append(E().listEmailStatus->item(i)->text());
    return out;
}

// The body of a temperature mail with every option ticked, for the date and time it carries.
QByteArray temperatureBody(const QByteArray& reading, const QByteArray& date, const QByteArray& time) {
    return " Temperature Alert\r\n Sensor 1\r\n Max Threshold Setting: 80F\r\n Min Threshold Setting: 30F\r\n"
           "\r\n" + date + "\r\n" + time + "\r\n Current Reading: " + reading + "\r\n";
}

// What a strict reader makes of a mail's header block: the Date as Python's email.utils reads it
// (local time and offset in minutes), then the Message-ID; "" when the Date does not parse.
QStringList parsedHeaders(const QByteArray& content) {
    QProcess python;
    python.start("/usr/bin/python3", {"-c", "import sys, email, email.utils\n"
                                            "m = email.message_from_bytes(sys.stdin.buffer.read())\n"
                                            "d = email.utils.parsedate_to_datetime(m['Date'])\n"
                                            "print(d.strftime('%Y-%m-%d %H:%M:%S'), d.utcoffset().total_seconds() // 60)\n"
                                            "print(m['Message-ID'])\n"});
    python.write(content);
    python.closeWriteChannel();
    python.waitForFinished(10000);
    return QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// The first line of a message on the wire that is over the SMTP limit or holds a lone CR or LF.
QByteArray badWireLine(const QByteArray& content) {
    for (const QByteArray& line : content.split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (text.size() > 998 || text.contains('\r')) return text.left(80);
    }
    return content.contains("\r\n") && content.count('\n') == content.count("\r\n") ? QByteArray() : "lone LF";
}

} // namespace

// Alert mail through the SMTP control to a real server on 127.0.0.1, and the mail texts.
class TestSmtpMail : public QObject {
    Q_OBJECT

private slots:
    void alertAndNoticeArriveAsComposed() {
        AlertRig rig(false);
        SmtpTestServer server;
        QVERIFY(server.port() > 0);
        M().SMTP1->port = server.port();
        rig.read("85");
        rig.read("70");
        QVERIFY(rig.mailsDone());
        const QList<SmtpTestServer::Mail> mails = server.mails();
        QCOMPARE(mails.size(), 2);
        QCOMPARE(mails[0].from, QString("monitor@example.com"));
        QCOMPARE(mails[0].to, QStringList{"ops@example.com"});
        QCOMPARE(mails[0].header("Subject"), QByteArray("Warning: Cur=85F"));
        QCOMPARE(mails[0].header("To"), QByteArray("ops@example.com"));
        QCOMPARE(mails[0].header("Cc"), QByteArray());
        QCOMPARE(mails[0].header("Content-Type"), QByteArray("text/plain; charset=\"us-ascii\""));
        QCOMPARE(mails[1].header("Subject"), QByteArray("Sensor Reading OK: 70F"));
        for (int i = 0; i < 2; ++i) {
            const QList<QByteArray> lines = mails[i].body().split('\n');
            QVERIFY(lines.size() > 7);
            const QByteArray date = lines[5].chopped(1), time = lines[6].chopped(1);
            QCOMPARE(date, QByteArray("3/7/2009"));
            QVERIFY(QRegularExpression("^4:08:\\d\\d PM$").match(QString(time)).hasMatch());
            QCOMPARE(mails[i].body(), temperatureBody(i == 0 ? "85F" : "70F", date, time));
        }
        // The whole header block reads as a mail reader reads it, each mail with its own identity.
        const QDateTime sent(QDate(2009, 3, 7), QTime(16, 8, 2));
        const QRegularExpression date("^2009-03-07 16:08:\\d\\d " + QString::number(sent.offsetFromUtc() / 60) + "\\.0$");
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(badWireLine(mails[i].content), QByteArray());
            const QStringList parsed = parsedHeaders(mails[i].content);
            QVERIFY2(date.match(parsed.value(0)).hasMatch(), qPrintable(parsed.value(0)));
            QVERIFY2(QRegularExpression("^<[-0-9a-f]{36}@example\\.com>$").match(parsed.value(1)).hasMatch(),
                     qPrintable(parsed.value(1)));
        }
        QVERIFY(mails[0].header("Message-ID") != mails[1].header("Message-ID"));
        const QStringList status = statusLines();
        QCOMPARE(status.filter("Mail sent").size(), 2);
        QCOMPARE(status.filter("Closed").size(), 2);
        QVERIFY(!status.filter(QRegularExpression("^250 ")).isEmpty()); // the server's own replies
    }

    void loginCopyAndRefusals() {
        AlertRig rig(false);
        SmtpTestServer server("alice", "s3cret pass");
        M().SMTP1->port = server.port();
        {
            modSupport::LoadGuard quiet;
            rt::setValue(E().chkAuthenticationReq, 1);
        }
        E().txtSMTPUserName->setText("alice");
        E().txtSMTPUserPassword->setText("s3cret pass");
        E().txtCCEmailAddr->setText(" boss@example.com , ");
        for (int type : {1, 2}) {
            E().cmbLoginType->setCurrentIndex(type);
            rig.read("85");
            rig.read("70");
        }
        E().txtSMTPUserPassword->setText("wrong");
        rig.read("85");
        QVERIFY(rig.mailsDone());
        QList<SmtpTestServer::Mail> mails = server.mails();
        QCOMPARE(mails.size(), 4);
        for (const SmtpTestServer::Mail& m : mails) {
            QCOMPARE(m.login, QString("alice"));
            QCOMPARE(m.to, (QStringList{"ops@example.com", "boss@example.com"}));
            QCOMPARE(m.header("Cc"), QByteArray("boss@example.com ,"));
        }
        QStringList status = statusLines();
        QVERIFY2(status.last().startsWith("Closed") && status.at(status.size() - 3).startsWith("Error: Login denied") &&
                     status.at(status.size() - 2).startsWith("Not sent (Error: Login denied"),
                 qPrintable(status.join(" | ")));
        QVERIFY(bTempMailSent[1]); // a refused mail still counts as handed over
        // The password shows nowhere, plain or encoded.
        const QString all = status.join('\n');
        QVERIFY(!all.contains("s3cret") && !all.contains(QByteArray("s3cret pass").toBase64()));

        // Without authentication ticked no login is tried, and this server refuses the mail.
        rt::setValue(E().chkAuthenticationReq, 0);
        rig.read("70");
        QVERIFY(rig.mailsDone());
        QCOMPARE(server.mails().size(), 4);
        const QString refusal = "Error: Failed sending data to the peer (530 5.7.0 Authentication required)";
        QCOMPARE(statusLines().mid(statusLines().size() - 3),
                 (QStringList{refusal, "Not sent (" + refusal + "): to ops@example.com, boss@example.com: Sensor Reading OK: 70F",
                              "Closed"}));
    }

    // Line ends and over-long lines in a sensor's name stay inside the body's own lines: no bare
    // CR or LF reaches the server, no line passes its limit, and the mail is delivered.
    void namesWithLineBreaksAndLongLines() {
        AlertRig rig(false);
        SmtpTestServer server;
        M().SMTP1->port = server.port();
        M().lblSensor1[1]->setText("Cold\nroom\r.\r\nQUIT " + QString("word ").repeated(400) + QString(1200, 'x'));
        rig.read("85");
        QVERIFY(rig.mailsDone());
        QCOMPARE(server.mails().size(), 1);
        const QByteArray body = server.mails()[0].body();
        QCOMPARE(badWireLine(body), QByteArray());
        QVERIFY(body.startsWith(" Temperature Alert\r\n Cold\r\nroom\r\n.\r\nQUIT word word"));
        QVERIFY(body.contains(" word\r\nword word") && body.contains(QByteArray(998, 'x') + "\r\n" + QByteArray(202, 'x') + "\r\n"));
    }

    // A server typed with its port is reached there; STARTTLS is used when offered, with the
    // server's certificate checked, and a certificate that does not check out stops the mail.
    void serverPortAndStartTls() {
        AlertRig rig(false);
        SmtpTestServer server("alice", "pw", true);
        QVERIFY(server.port() > 0);
        E().txtSMTPHostServer->setText(" 127.0.0.1:" + QString::number(server.port()));
        {
            modSupport::LoadGuard quiet;
            rt::setValue(E().chkAuthenticationReq, 1);
        }
        E().cmbLoginType->setCurrentIndex(1);
        E().txtSMTPUserName->setText("alice");
        E().txtSMTPUserPassword->setText("pw");
        platform::setSmtpCaFile(server.certificateFile());
        rig.read("85");
        QVERIFY(rig.mailsDone());
        QCOMPARE(server.mails().size(), 1);
        QVERIFY(server.mails()[0].tls);
        QCOMPARE(server.mails()[0].login, QString("alice")); // this server takes a login over TLS only

        platform::setSmtpCaFile(QString()); // the system's store does not know this certificate
        rig.read("70");
        QVERIFY(rig.mailsDone());
        platform::setSmtpCaFile(QString());
        QCOMPARE(server.mails().size(), 1);
        QVERIFY2(statusLines().filter(QRegularExpression("^Error: .*SSL certificate problem")).size() == 1,
                 qPrintable(statusLines().join(" | ")));
    }

    // An IPv4 address in brackets with its port is taken like one without brackets; the status
    // line names the port.
    void bracketedAddressWithPort() {
        AlertRig rig(false);
        SmtpTestServer server;
        E().txtSMTPHostServer->setText("[127.0.0.1]:" + QString::number(server.port()));
        rig.read("85");
        QVERIFY(rig.mailsDone());
        QCOMPARE(server.mails().size(), 1);
        QVERIFY2(statusLines().contains(QString("Connecting to 127.0.0.1:%1").arg(server.port())),
                 qPrintable(statusLines().join(" | ")));
    }

    void refusedRecipientSilentAndMissingServers() {
        AlertRig rig(false);
        SmtpTestServer server;
        M().SMTP1->port = server.port();
        E().txtEmailAddr->setText("refused@example.com");
        rig.read("85");
        QVERIFY(rig.mailsDone());
        QVERIFY(server.mails().isEmpty());
        QVERIFY2(statusLines().join('\n').contains("550 5.1.1 <refused@example.com>: Recipient address rejected"),
                 qPrintable(statusLines().join(" | ")));
        QVERIFY(statusLines().filter("Mail sent").isEmpty());

        // A server that accepts the connection and never answers: the send returns at once, the
        // program keeps running, and the time-out ends the mail; the next one waits its turn.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        E().listEmailStatus->clear();
        E().txtEmailAddr->setText("ops@example.com");
        M().SMTP1->port = silent.serverPort();
        M().SMTP1->timeout = 700;
        rig.read("70");
        rig.read("86");
        QCOMPARE(M().SMTP1->pending(), 2);
        QVERIFY(rig.mailsDone());
        QStringList status = statusLines();
        QCOMPARE(status.filter(QRegularExpression("^Error: Timeout was reached")).size(), 2);
        QCOMPARE(status.filter("Closed").size(), 2);

        // No server at all.
        const quint16 unused = silent.serverPort();
        silent.close();
        E().listEmailStatus->clear();
        M().SMTP1->port = unused;
        rig.read("70");
        QVERIFY(rig.mailsDone());
        QVERIFY2(statusLines().join('\n').contains("Error: Couldn't connect to server"), qPrintable(statusLines().join(" | ")));
        M().SMTP1->timeout = 10000;
    }

    // A server box without a host (empty, or a port alone) connects nowhere, and says so plainly.
    void mailWithoutAServerSaysSo() {
        AlertRig rig;
        E().txtSMTPHostServer->setText(" :25");
        rig.read("85");
        QVERIFY(rig.mailsDone());
        QVERIFY(rig.smtp->mails().isEmpty());
        const QString notSent = "Not sent (No mail server is set): to ops@example.com: Warning: Cur=85F";
        QCOMPARE(statusLines(), (QStringList{"No mail server is set", notSent, "Closed"}));
        QVERIFY(readWholeFile(rt::appFile("smtplog.log")).contains(notSent.toUtf8()));
    }

    // A server that never answers: mail waiting to go is bounded, each drop is told, and the
    // program's end gives up on the rest at once and hands them back to be listed.
    void queueIsBoundedAndTheEndGivesUpOnTheRest() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        platform::SmtpControl smtp;
        QStringList status;
        connect(&smtp, &platform::SmtpControl::Status, this, [&](const QString& line) { status << line; });
        smtp.server = "127.0.0.1";
        smtp.port = silent.serverPort();
        smtp.timeout = 600000;
        smtp.sendto = "ops@example.com";
        const int sent = platform::SmtpControl::kQueueLimit + 3;
        for (int i = 0; i < sent; ++i) {
            smtp.messagesubject = QString("Alert %1").arg(i);
            smtp.SendEmail();
        }
        const QStringList drops = status.filter("was dropped");
        QVERIFY(drops.size() >= 2);
        QVERIFY(drops.last().endsWith(QString("%1 dropped so far").arg(drops.size())));
        QVERIFY(drops.first().startsWith("Mail queue full: the mail to ops@example.com (Alert "));
        const QList<platform::SmtpMail> left = smtp.finish(0);
        QCOMPARE(left.size() + drops.size(), sent);
        QCOMPARE(left.last().subject, QString("Alert %1").arg(sent - 1));
    }

    // A mail dropped by the bound or refused for good is appended to smtplog.log with its
    // recipients, its subject and why.
    void mailThatNeverLeftIsLogged() {
        AlertRig rig;
        rig.smtp->hold(true);
        platform::SmtpControl& smtp = *M().SMTP1;
        smtp.server = "127.0.0.1";
        smtp.sendto = "ops@example.com";
        smtp.cc = "";
        const int sent = platform::SmtpControl::kQueueLimit + 2;
        for (int i = 0; i < sent; ++i) {
            smtp.messagesubject = QString("Alert %1").arg(i);
            smtp.SendEmail();
        }
        rig.smtp->refuseWith("554 refused");
        rig.smtp->release();
        QVERIFY(rig.mailsDone());
        rig.smtp->refuseWith("");
        const QString log = readWholeFile(rt::appFile("smtplog.log"));
        QVERIFY(log.contains("Not sent (mail queue full): to ops@example.com: Alert "));
        QVERIFY(log.contains(QString("Not sent (554 refused): to ops@example.com: Alert %1\r\n").arg(sent - 1)));
    }

    void mailTextsByKindAndOption_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("back");
        QTest::addColumn<QString>("options"); // ticked chkInclude boxes, by index
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::newRow("nothing ticked") << 1 << false << "" << "Warning " << "";
        QTest::newRow("nothing ticked, back") << 1 << true << "" << "Sensor Reading OK" << "";
        QTest::newRow("humidity without name") << 2 << false << "13" << "Warning: Cur=45%" << " Current Reading: 45%\r\n";
        QTest::newRow("humidity with name") << 2 << false << "2"
                                            << "Warning " << " Humidity Alert\r\n Sensor 1\r\n Max Threshold Setting: 70%\r\n"
                                                             " Min Threshold Setting: 20%\r\n";
        QTest::newRow("combined half") << 7 << false << "123" << "Warning: Cur=45%" << " Current Reading: 45%\r\n";
        QTest::newRow("water") << 6 << false << "23" << "Warning: Water Alert" << " Water Alert\r\n Sensor 1\r\n";
        QTest::newRow("water back") << 6 << true << "3" << "Sensor Reading OK" << "";
        QTest::newRow("proximity") << 3 << false << "3" << "Warning: Proximity Alert" << "";
        QTest::newRow("accelerometer") << 8 << false << "2" << "Warning " << " Accerometer Alert\r\n Sensor 1\r\n";
        QTest::newRow("distance") << 9 << false << "13" << "Warning: Cur=45%" << " Current Reading: 45%\r\n";
        QTest::newRow("distance, proximity mode") << 9 << false << "123" << "Warning: Proximity Alert"
                                                  << " Distance Alert\r\n Sensor 1\r\n*Warning: Proximity Alert*";
    }
    void mailTextsByKindAndOption() {
        QFETCH(int, kind);
        QFETCH(bool, back);
        QFETCH(QString, options);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        AlertRig rig;
        for (int i = 0; i < 4; ++i)
            rt::setValue(E().chkInclude[i], options.contains(QString::number(i)) ? 1 : 0);
        M().lblSensorReading[1]->setText("45");
        M().lblMeasure[1]->setText("%");
        modSupport::SetStartMode(1, QString(QTest::currentDataTag()).endsWith("mode") ? "1" : "0");
        const AlertMailText mail = BuildAlertMailText(kind, 1, back);
        QCOMPARE(mail.subject, subject);
        QCOMPARE(mail.body, body);
        modSupport::SetStartMode(1, QString());
    }

    void testMailAndText() {
        AlertRig rig;
        // Without a server or a recipient nothing goes, and the user learns which field is missing.
        E().txtSMTPHostServer->setText(" ");
        E().mnuSMTPTest->trigger();
        E().txtSMTPHostServer->setText("mail.example.com");
        E().txtEmailAddr->setText(" , ");
        E().mnuSMTPTest->trigger();
        QCOMPARE(rig.boxes.prompts(), QStringList({"Test email not sent.  Please enter the SMTP Server (IP or Host Name).",
                                                   "Test email not sent.  Please enter the address to send to (TO:)."}));
        QVERIFY(rig.mailsDone());
        QVERIFY(rig.smtp->mails().isEmpty() && E().listEmailStatus->count() == 0);
        E().txtEmailAddr->setText("ops@example.com");
        E().mnuSMTPTest->trigger();
        QVERIFY(rig.mailsDone());
        QCOMPARE(rig.smtp->subjects(), QStringList{"Corvisent Manager Test"});
        QCOMPARE(bodyOf(rig.smtp->mails()[0].message), QByteArray("This is a Corvisent Manager Email Test"));
        QCOMPARE(rig.smtp->mails()[0].server, QString("mail.example.com"));
        QCOMPARE(platform::GetSetting("Corvisent Manager", "Program Setup", "SMTPHostServer", ""),
                 QString("mail.example.com"));
        QCOMPARE(iTestMail, 0);

        // Text beyond plain ASCII goes out as UTF-8; plain text stays byte for byte.
        const platform::MailMessage mail{"a@b", "c@d", "", "Warning: Kühlraum", " Kühlraum\r\n",
                                         QDateTime(QDate(2009, 3, 7), QTime(16, 8, 2))};
        const QByteArray m = platform::composeMessage(mail, platform::MailCarrier::Server);
        QVERIFY(m.contains("Subject: =?UTF-8?B?" + QString("Warning: Kühlraum").toUtf8().toBase64() + "?=\r\n"));
        QVERIFY(m.contains("charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n K=C3=BChlraum\r\n"));
        QVERIFY(!m.contains("Cc:"));
        // The same mail for the mail program: LF line ends, 8-bit UTF-8, no sender or date of its own.
        const QByteArray handed = platform::composeMessage(mail, platform::MailCarrier::MailProgram);
        QVERIFY(handed.startsWith("To: c@d\nSubject: =?UTF-8?B?"));
        QVERIFY(handed.endsWith("Content-Transfer-Encoding: 8bit\n\n K\xc3\xbchlraum\n"));
    }
};

QTEST_MAIN(TestSmtpMail)
#include "tst_smtpmail.moc"
