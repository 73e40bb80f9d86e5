// The main window's SMTP mail control and its events, which fill the e-mail status list and the
// record of mail that never left.
#include "alerts/channelqueue.h"
#include "alerts/formEmailAlertSetup.h"
#include "app/CorvisentMain.h"
#include "platform/smtp.h"

void CorvisentMain::buildMailControl() {
    SMTP1 = new platform::SmtpControl(this);
    SMTP1->setObjectName(QStringLiteral("SMTP1"));
    connect(SMTP1, &platform::SmtpControl::Status, this, &CorvisentMain::SMTP1_Status);
    connect(SMTP1, &platform::SmtpControl::Closed, this, &CorvisentMain::SMTP1_Closed);
    // A mail given up is named at once, in the status list and in the log file.
    connect(SMTP1, &platform::SmtpControl::NotSent, this,
            [](const QStringList& recipients, const QString& subject, const QString& why) {
                formEmailAlertSetup::instance().MailNotSent(recipients, subject, why);
            });
}

void CorvisentMain::FinishMail(int graceMs) {
    // A running hand-off or page is stopped (a page hangs up); those still waiting will not run.
    alertqueue::Abandon();
    if (!SMTP1) return;
    // What did not go is told, never dropped in silence: in the status list and in the log file.
    for (const platform::SmtpMail& mail : SMTP1->finish(graceMs))
        formEmailAlertSetup::instance().MailNotSent(mail.recipients, mail.subject, QStringLiteral("program ended"));
}

void CorvisentMain::SMTP1_Closed() {
    formEmailAlertSetup::instance().AddStatusLine(QStringLiteral("Closed"));
}

void CorvisentMain::SMTP1_Status(const QString& text) {
    formEmailAlertSetup::instance().AddStatusLine(text);
}
