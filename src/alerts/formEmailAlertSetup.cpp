#include "alerts/formEmailAlertSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

formEmailAlertSetup& formEmailAlertSetup::instance() {
    static formEmailAlertSetup* w = new formEmailAlertSetup();
    return *w;
}

namespace {

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& tip) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setToolTip(tip);
    return e;
}

} // namespace

formEmailAlertSetup::formEmailAlertSetup() {
    setObjectName(QStringLiteral("formEmailAlertSetup"));
    setWindowTitle(QStringLiteral("Email Alert Settings"));
    auto* root = new QVBoxLayout(this);

    const QString addrTip = QStringLiteral("Use commas to separate multiple email addresses");
    auto* send = new QGroupBox(QStringLiteral("Send Alerts:"), this);
    auto* sendForm = new QFormLayout(send);
    txtEmailAddr = makeEdit(send, "txtEmailAddr", addrTip);
    txtCCEmailAddr = makeEdit(send, "txtCCEmailAddr", addrTip);
    sendForm->addRow(QStringLiteral("TO:"), txtEmailAddr);
    sendForm->addRow(QStringLiteral("CC: "), txtCCEmailAddr);
    root->addWidget(send);

    auto* include = new QGroupBox(QStringLiteral("Include:"), this);
    auto* includeBox = new QVBoxLayout(include);
    const char* includeCaptions[4] = {"Time and Date", "Sensor Reading", "Sensor Name and Type",
                                      "Sensor reading in Subject line"};
    for (int i = 0; i < 4; ++i) {
        chkInclude[i] = new QCheckBox(QLatin1String(includeCaptions[i]), include);
        chkInclude[i]->setObjectName(QStringLiteral("chkInclude(%1)").arg(i));
        chkInclude[i]->setToolTip(QStringLiteral("This option effects MAPI & SMTP Alerts"));
        includeBox->addWidget(chkInclude[i]);
    }
    root->addWidget(include);

    auto* smtp = new QGroupBox(QStringLiteral("SMTP Setup"), this);
    auto* smtpForm = new QFormLayout(smtp);
    txtSMTPHostServer = makeEdit(smtp, "txtSMTPHostServer",
                                 QStringLiteral("Please list the IP or server name for the SMTP server"));
    txtMailFrom = makeEdit(smtp, "txtMailFrom", QStringLiteral("Who is the mail coming from"));
    chkAuthenticationReq =
        new QCheckBox(QStringLiteral("Check if this SMTP server requires authentication"), smtp);
    chkAuthenticationReq->setObjectName(QStringLiteral("chkAuthenticationReq"));
    txtSMTPUserName =
        makeEdit(smtp, "txtSMTPUserName", QStringLiteral("User name if required by SMTP server"));
    txtSMTPUserPassword = makeEdit(smtp, "txtSMTPUserPassword", QStringLiteral("Password if required"));
    txtSMTPUserPassword->setEchoMode(QLineEdit::Password);
    cmbLoginType = new QComboBox(smtp);
    cmbLoginType->setObjectName(QStringLiteral("cmbLoginType"));
    cmbLoginType->addItems(
        {QStringLiteral("Auth None"), QStringLiteral("Auth Login"), QStringLiteral("Auth Plain")});
    smtpForm->addRow(QStringLiteral("SMTP Server (IP or Host Name):"), txtSMTPHostServer);
    smtpForm->addRow(QStringLiteral("Mail From (return Email address):"), txtMailFrom);
    smtpForm->addRow(chkAuthenticationReq);
    smtpForm->addRow(QStringLiteral("User Name:"), txtSMTPUserName);
    smtpForm->addRow(QStringLiteral("User Password:"), txtSMTPUserPassword);
    smtpForm->addRow(QStringLiteral("Login Type:"), cmbLoginType);
    root->addWidget(smtp);
}
