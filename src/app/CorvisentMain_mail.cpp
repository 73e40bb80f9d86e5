// The main window's SMTP mail control and its two events, which fill the e-mail status list.
#include "alerts/formEmailAlertSetup.h"
#include "app/CorvisentMain.h"
#include "platform/smtp.h"

void CorvisentMain::buildMailControl() {
    SMTP1 = new platform::SmtpControl(this);
    SMTP1->setObjectName(QStringLiteral("SMTP1"));
    connect(SMTP1, &platform::SmtpControl::Status, this, &CorvisentMain::SMTP1_Status);
    connect(SMTP1, &platform::SmtpControl::Closed, this, &CorvisentMain::SMTP1_Closed);
}

void CorvisentMain::SMTP1_Closed() {
    formEmailAlertSetup::instance().AddStatusLine(QStringLiteral("Closed"));
}

void CorvisentMain::SMTP1_Status(const QString& text) {
    formEmailAlertSetup::instance().AddStatusLine(text);
}
