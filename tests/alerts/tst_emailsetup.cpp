#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>

#include "alerts/alertrig.h"
#include "app/formHelp.h"
#include "platform/registry.h"
#include "runtime/appdir.h"
#include "runtime/timer.h"

namespace {
QString stored(const QString& key) {
    return platform::GetSetting("Corvisent Manager", "Program Setup", key, "<none>");
}
// The log file with this run's date-and-time lines written as "NOW".
QString logFile() {
    return QString(readWholeFile(rt::appFile("smtplog.log"))).replace(QRegularExpression("3/7/2009,4:08:\\d\\d PM"), "NOW");
}
} // namespace

// The e-mail alert window: its login fields, what its buttons store, its status list and log file.
class TestEmailSetup : public QObject {
    Q_OBJECT

private slots:
    void firstRunLoginFieldsAndSaves() {
        AlertRig rig;
        E().Form_Load();
        QCOMPARE(rt::value(E().chkAuthenticationReq), 0);
        QCOMPARE(E().cmbLoginType->currentText(), QString("Auth None"));
        QVERIFY(!E().txtSMTPUserName->isEnabled() && !E().lblAuthentLabels[0]->isEnabled());
        QVERIFY(E().mnuSMTPTest->isEnabled() && !E().mnuMAPITest->isEnabled());

        E().cmbLoginType->setCurrentIndex(2);
        rt::setValue(E().chkAuthenticationReq, 1);
        QCOMPARE(E().cmbLoginType->currentText(), QString("Auth Login"));
        QVERIFY(E().txtSMTPUserName->isEnabled() && E().cmbLoginType->isEnabled());
        QCOMPARE(stored("chkAuthenticationReq"), QString("1"));
        QCOMPARE(stored("cmbLoginType"), QString("<none>"));

        E().txtSMTPUserPassword->setText("pw 1");
        E().cmbLoginType->setCurrentIndex(2);
        rt::setValue(E().chkInclude[1], 0);
        E().show();
        E().cmdEmailAlertOk->click();
        QVERIFY(!E().isVisible());
        QCOMPARE(QStringList({stored("EmailAddress"), stored("CCEmailAddress"), stored("IncludeTimeDate"),
                              stored("IncludeReading"), stored("SMTPHostServer"), stored("SMTPUserPassword"),
                              stored("SMTPFromEmailAddress"), stored("cmbLoginType")}),
                 QStringList({"ops@example.com", "", "1", "0", "127.0.0.1", "pw 1", "monitor@example.com", "2"}));
        // The stored choice comes back with the window's next load.
        E().Form_Load();
        QCOMPARE(E().cmbLoginType->currentIndex(), 2);
    }

    void statusListAndLogFile() {
        AlertRig rig;
        E().cmdCreateLogFile->click();
        const QString path = rt::appFile("smtplog.log");
        QVERIFY(QRegularExpression("^3/7/2009,4:08:\\d\\d PM\r\n\r\n$").match(QString(readWholeFile(path))).hasMatch());
        E().show();
        for (int i = 0; i < 1000; ++i)
            E().AddStatusLine(QString::number(i));
        QScrollBar* bar = E().listEmailStatus->verticalScrollBar(); // the newest line is in sight
        QVERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        E().hide();
        E().AddStatusLine("250 OK");
        E().AddStatusLine("Closed");
        QCOMPARE(E().listEmailStatus->count(), 2);
        E().cmdCreateLogFile->click();
        QVERIFY(readWholeFile(path).endsWith("\r\n\r\n250 OK\r\nClosed\r\n"));
        QCOMPARE(E().listEmailStatus->currentRow(), 1);
        QCOMPARE(rig.boxes.prompts(), QStringList({"Log file created: " + path, "Log file created: " + path}));

        // A log file that cannot be written is reported as such.
        QFile(path).remove();
        QDir().mkpath(path);
        E().cmdCreateLogFile->click();
        QCOMPARE(rig.boxes.prompts().last(), "Log file could not be written: " + path);
        E().cmdResetSMTP->click();
        QCOMPARE(E().listEmailStatus->count(), 0);

        E().mnuHelp->trigger();
        QCOMPARE(formHelp::instance().lblHelpType->text(), QString("Email Alert Help"));
        QVERIFY(formHelp::instance().txtHelpBox->toPlainText().endsWith(
            "please talk to your server or network administrator."));
        formHelp::unload();

        // The proximity mail throttle's tick gives the main window its caption back, unless a
        // remote-monitoring update is running.
        for (QString caption : {"Corvisent Manager (Internet update in progress)", "Corvisent Manager - mail"}) {
            M().setWindowTitle(caption);
            E().timerSendOstro->setEnabled(true);
            E().timerSendOstro_Timer();
            QVERIFY(!E().timerSendOstro->enabled());
            QCOMPARE(M().windowTitle(), caption.endsWith("mail") ? QString("Corvisent Manager") : caption);
        }
    }

    // "Create Log File" replaces the file with the status list, but the "Not sent" lines it held,
    // an earlier run's too, come first under their date and time. A mail given up is listed at
    // once, and making the file again, or after the list is cleared, doubles nothing.
    void logFileKeepsTheMailThatNeverLeft() {
        AlertRig rig;
        const QString kept = "3/6/2009,9:00:00 AM\r\nNot sent (program ended): to ops@example.com: Warning \r\n";
        QFile old(rt::appFile("smtplog.log"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write((kept + "3/6/2009,9:30:00 AM\r\n\r\nClosed\r\n").toUtf8()) > 0);
        old.close();
        rig.smtp->refuseWith("554 refused");
        rig.read("85");
        QVERIFY(rig.mailsDone());
        const QString notSent = "Not sent (554 refused): to ops@example.com: Warning: Cur=85F";
        QCOMPARE(E().listEmailStatus->item(1)->text(), notSent);
        for (int pass = 0; pass < 2; ++pass) {
            E().cmdCreateLogFile->click();
            QCOMPARE(logFile(), kept + "NOW\r\n\r\n554 refused\r\n" + notSent + "\r\nClosed\r\n");
        }
        E().cmdResetSMTP->click();
        E().cmdCreateLogFile->click();
        QCOMPARE(logFile(), kept + "NOW\r\n" + notSent + "\r\nNOW\r\n\r\n");
        QCOMPARE(rig.boxes.prompts().size(), 3);
    }
};

QTEST_MAIN(TestEmailSetup)
#include "tst_emailsetup.moc"
