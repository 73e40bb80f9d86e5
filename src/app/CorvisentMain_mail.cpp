// The main window's SMTP mail control and its two events, which fill the e-mail status list.
#include "alerts/formEmailAlertSetup.h"
#include "app/CorvisentMain.h"
#include "platform/smtp.h"
#include "runtime/appdir.h"
#include "runtime/clock.h"
#include "runtime/format.h"

#include <QFile>

void CorvisentMain::buildMailControl() {
    SMTP1 = new platform::SmtpControl(this);
    SMTP1->setObjectName(QStringLiteral("SMTP1"));
    connect(SMTP1, &platform::SmtpControl::Status, this, &CorvisentMain::SMTP1_Status);
    connect(SMTP1, &platform::SmtpControl::Closed, this, &CorvisentMain::SMTP1_Closed);
}

void CorvisentMain::FinishMail(int graceMs) {
    if (!SMTP1) return;
    const QList<platform::SmtpMail> left = SMTP1->finish(graceMs);
    if (left.isEmpty()) return;
    // What did not go is told, never dropped in silence: in the status list and in the log file.
    const QDateTime now = rt::Clock::now();
    QByteArray text = (rt::shortDate(now) + u',' + rt::longTime(now)).toUtf8() + "\r\n";
    for (const platform::SmtpMail& mail : left) {
        const QString line = QStringLiteral("Not sent (program ended): to %1: %2")
                                 .arg(mail.recipients.join(QStringLiteral(", ")), mail.subject);
        formEmailAlertSetup::instance().AddStatusLine(line);
        text += line.toUtf8() + "\r\n";
    }
    QFile log(rt::appFile(QStringLiteral("smtplog.log")));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) log.write(text);
}

void CorvisentMain::SMTP1_Closed() {
    formEmailAlertSetup::instance().AddStatusLine(QStringLiteral("Closed"));
}

void CorvisentMain::SMTP1_Status(const QString& text) {
    formEmailAlertSetup::instance().AddStatusLine(text);
}
