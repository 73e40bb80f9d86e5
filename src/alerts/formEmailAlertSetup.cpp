#include "alerts/formEmailAlertSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "alerts/alertchecks.h"
#include "alerts/mapimail.h"
#include "app/CorvisentMain.h"
#include "app/formHelp.h"
#include "platform/smtp.h"
#include "runtime/appdir.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "settings/controlvalues.h"
#include "settings/modSupport.h"
#include "settings/modPrefs.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

namespace {

constexpr int kStatusLimit = 1000;

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& tip) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setToolTip(tip);
    return e;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// Back to the default mouse pointer, whatever hourglasses are pending.
void defaultPointer() {
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

} // namespace

formEmailAlertSetup& formEmailAlertSetup::instance() {
    static formEmailAlertSetup* w = new formEmailAlertSetup();
    return *w;
}

formEmailAlertSetup::formEmailAlertSetup() {
    setObjectName(QStringLiteral("formEmailAlertSetup"));
    setWindowTitle(QStringLiteral("Email Alert Settings"));
    setModal(false);
    auto* root = new QVBoxLayout(this);

    auto* menus = new QMenuBar(this);
    mnuTestEmailAlert = menus->addMenu(QStringLiteral("&Test"));
    mnuTestEmailAlert->setObjectName(QStringLiteral("mnuTestEmailAlert"));
    mnuMAPITest = mnuTestEmailAlert->addAction(QStringLiteral("Test MAPI Email Alert"));
    mnuMAPITest->setObjectName(QStringLiteral("mnuMAPITest"));
    mnuSMTPTest = mnuTestEmailAlert->addAction(QStringLiteral("Test SMTP Email Alert"));
    mnuSMTPTest->setObjectName(QStringLiteral("mnuSMTPTest"));
    mnuHelp = menus->addAction(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    root->setMenuBar(menus);

    const QString addrTip = QStringLiteral("Use commas to separate multiple email addresses");
    auto* send = new QGroupBox(QStringLiteral("Send Alerts:"), this);
    auto* sendForm = new QFormLayout(send);
    txtEmailAddr = makeEdit(send, "txtEmailAddr", addrTip);
    txtCCEmailAddr = makeEdit(send, "txtCCEmailAddr", addrTip);
    Label1_2 = new QLabel(QStringLiteral("(Use commas to separate multiple email addresses)"), send);
    Label1_2->setObjectName(QStringLiteral("Label1(2)"));
    sendForm->addRow(QStringLiteral("TO:"), txtEmailAddr);
    sendForm->addRow(QStringLiteral("CC: "), txtCCEmailAddr);
    sendForm->addRow(Label1_2);
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

    frameSMTP = new QGroupBox(QStringLiteral("SMTP Setup"), this);
    frameSMTP->setObjectName(QStringLiteral("frameSMTP"));
    auto* smtpForm = new QFormLayout(frameSMTP);
    txtSMTPHostServer = makeEdit(frameSMTP, "txtSMTPHostServer",
                                 QStringLiteral("Please list the IP or server name for the SMTP server"));
    txtMailFrom = makeEdit(frameSMTP, "txtMailFrom", QStringLiteral("Who is the mail coming from"));
    chkAuthenticationReq =
        new QCheckBox(QStringLiteral("Check if this SMTP server requires authentication"), frameSMTP);
    chkAuthenticationReq->setObjectName(QStringLiteral("chkAuthenticationReq"));
    txtSMTPUserName = makeEdit(frameSMTP, "txtSMTPUserName", QStringLiteral("User name if required by SMTP server"));
    txtSMTPUserPassword = makeEdit(frameSMTP, "txtSMTPUserPassword", QStringLiteral("Password if required"));
    txtSMTPUserPassword->setEchoMode(QLineEdit::Password);
    cmbLoginType = new QComboBox(frameSMTP);
    cmbLoginType->setObjectName(QStringLiteral("cmbLoginType"));
    const char* loginLabels[3] = {"Login Type:", "User Password:", "User Name:"};
    for (int i = 0; i < 3; ++i) {
        lblAuthentLabels[i] = new QLabel(QLatin1String(loginLabels[i]), frameSMTP);
        lblAuthentLabels[i]->setObjectName(QStringLiteral("lblAuthentLabels(%1)").arg(i));
    }
    smtpForm->addRow(QStringLiteral("SMTP Server (IP or Host Name):"), txtSMTPHostServer);
    smtpForm->addRow(QStringLiteral("Mail From (return Email address):"), txtMailFrom);
    smtpForm->addRow(chkAuthenticationReq);
    smtpForm->addRow(lblAuthentLabels[2], txtSMTPUserName);
    smtpForm->addRow(lblAuthentLabels[1], txtSMTPUserPassword);
    smtpForm->addRow(lblAuthentLabels[0], cmbLoginType);
    root->addWidget(frameSMTP);

    frameMAPI = new QGroupBox(QStringLiteral("MAPI Setup"), this);
    frameMAPI->setObjectName(QStringLiteral("frameMAPI"));
    auto* mapiBox = new QVBoxLayout(frameMAPI);
    mapiBox->addWidget(new QLabel(QStringLiteral("(Currently there are no specific MAPI options available)"), frameMAPI));
    frameMAPI->hide();
    root->addWidget(frameMAPI);

    listEmailStatus = new QListWidget(this);
    listEmailStatus->setObjectName(QStringLiteral("listEmailStatus"));
    root->addWidget(listEmailStatus, 1);

    auto* buttons = new QHBoxLayout;
    cmdEmailAlertOk = makeButton(this, "cmdEmailAlertOk", QStringLiteral("&Ok"));
    cmdSaveEmailAlertInfo = makeButton(this, "cmdSaveEmailAlertInfo", QStringLiteral("Quick Save Prefs"));
    cmdSaveEmailAlertInfo->setToolTip(QStringLiteral("Saves Email Alert preferences"));
    cmdCancel = makeButton(this, "cmdCancel", QStringLiteral("&Cancel"));
    cmdResetSMTP = makeButton(this, "cmdResetSMTP", QStringLiteral("Clear Log"));
    cmdCreateLogFile = makeButton(this, "cmdCreateLogFile", QStringLiteral("Create Log File"));
    for (QPushButton* b : {cmdEmailAlertOk, cmdSaveEmailAlertInfo, cmdCancel, cmdResetSMTP, cmdCreateLogFile})
        buttons->addWidget(b);
    root->addLayout(buttons);

    timerSendOstro = new rt::Timer(this);
    timerSendOstro->setObjectName(QStringLiteral("timerSendOstro"));
    timerSendOstro->setInterval(3000);

    connect(chkAuthenticationReq, &QCheckBox::stateChanged, this, &formEmailAlertSetup::chkAuthenticationReq_Click);
    connect(cmdEmailAlertOk, &QPushButton::clicked, this, &formEmailAlertSetup::cmdEmailAlertOk_Click);
    connect(cmdSaveEmailAlertInfo, &QPushButton::clicked, this, &formEmailAlertSetup::cmdSaveEmailAlertInfo_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &formEmailAlertSetup::cmdCancel_Click);
    connect(cmdResetSMTP, &QPushButton::clicked, this, &formEmailAlertSetup::cmdResetSMTP_Click);
    connect(cmdCreateLogFile, &QPushButton::clicked, this, &formEmailAlertSetup::cmdCreateLogFile_Click);
    connect(listEmailStatus, &QListWidget::itemDoubleClicked, this, &formEmailAlertSetup::listEmailStatus_DblClick);
    connect(mnuHelp, &QAction::triggered, this, &formEmailAlertSetup::mnuHelp_Click);
    connect(mnuMAPITest, &QAction::triggered, this, &formEmailAlertSetup::mnuMAPITest_Click);
    connect(mnuSMTPTest, &QAction::triggered, this, &formEmailAlertSetup::mnuSMTPTest_Click);
    connect(timerSendOstro, &rt::Timer::tick, this, &formEmailAlertSetup::timerSendOstro_Timer);

    // The login fields start greyed, as with authentication not ticked.
    enableLoginFields(false);
    Form_Load();
}

void formEmailAlertSetup::Form_Load() {
    try {
        cmbLoginType->clear();
        cmbLoginType->addItems({QStringLiteral("Auth None"), QStringLiteral("Auth Login"), QStringLiteral("Auth Plain")});
        // Read by key alone: the settings table finds controls through this window, which is
        // still being made.
        const settingsvalues::SetupReader tree(settingsvalues::Store::Tree, &modPrefs::GetPref);
        rt::setValue(chkAuthenticationReq, tree.get("chkAuthenticationReq") == QLatin1String("1") ? 1 : 0);
        const int login = tree.get("cmbLoginType").toInt();
        cmbLoginType->setCurrentIndex(login >= 0 && login < cmbLoginType->count() ? login : 0);
        SetTestMenus();
    } catch (const std::exception&) {
    }
}

void formEmailAlertSetup::SetTestMenus() {
    const formSensorSetup& setup = formSensorSetup::instance();
    if (rt::optionValue(setup.optUseMAPI)) {
        mnuSMTPTest->setEnabled(false);
        mnuMAPITest->setEnabled(true);
    } else if (rt::optionValue(setup.optUseSMTP)) {
        mnuSMTPTest->setEnabled(true);
        mnuMAPITest->setEnabled(false);
    }
}

// The transport may have changed while the window was hidden.
void formEmailAlertSetup::showEvent(QShowEvent* event) {
    SetTestMenus();
    QDialog::showEvent(event);
}

void formEmailAlertSetup::enableLoginFields(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{lblAuthentLabels[0], lblAuthentLabels[1], lblAuthentLabels[2],
                                                      txtSMTPUserName, txtSMTPUserPassword, cmbLoginType})
        w->setEnabled(on);
}

void formEmailAlertSetup::chkAuthenticationReq_Click() {
    try {
        const bool on = rt::ticked(chkAuthenticationReq);
        enableLoginFields(on);
        if (on) {
            cmbLoginType->setCurrentIndex(1);
            if (!modSupport::loading()) txtSMTPUserName->setFocus();
        }
        settingsvalues::storeFromHandler("chkAuthenticationReq", 0);
    } catch (const std::exception&) {
    }
}

void formEmailAlertSetup::saveMailKeys() {
    // A key the tree refuses does not keep the others from being stored. Both buttons store the
    // login settings too, so that "Ok" keeps what the window shows.
    settingsvalues::treeWriterKeepingOn().putRange("EmailAddress", "cmbLoginType");
}

void formEmailAlertSetup::cmdEmailAlertOk_Click() {
    saveMailKeys();
    hide();
}

void formEmailAlertSetup::cmdSaveEmailAlertInfo_Click() {
    saveMailKeys();
}

void formEmailAlertSetup::cmdCancel_Click() {
    hide();
    defaultPointer();
}

void formEmailAlertSetup::cmdResetSMTP_Click() {
    try {
        listEmailStatus->clear();
    } catch (const std::exception& e) {
        rt::MsgBox(QStringLiteral("Error: ") + QString::fromStdString(e.what()));
    }
}

void formEmailAlertSetup::cmdCreateLogFile_Click() {
    const QString path = rt::appFile(QStringLiteral("smtplog.log"));
    QFile file(path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (written) {
        const QDateTime now = rt::Clock::now();
        QByteArray text = (rt::shortDate(now) + u',' + rt::longTime(now)).toUtf8() + "\r\n\r\n";
        for (int i = 0; i < listEmailStatus->count(); ++i) {
            listEmailStatus->setCurrentRow(i);
            text += listEmailStatus->item(i)->text().toUtf8() + "\r\n";
        }
        written = file.write(text) == text.size();
        written = file.flush() && written;
        file.close();
    }
    // A file that could not be written is reported as such, not as created.
    if (written)
        rt::MsgBox(QStringLiteral("Log file created: ") + path);
    else
        rt::MsgBox(QStringLiteral("Log file could not be written: ") + path, rt::vbExclamation);
}

void formEmailAlertSetup::listEmailStatus_DblClick() {
    if (QListWidgetItem* item = listEmailStatus->currentItem()) rt::MsgBox(item->text());
}

void formEmailAlertSetup::mnuHelp_Click() {
    try {
        formHelp& help = formHelp::instance();
        help.lblHelpType->setText(QStringLiteral("Email Alert Help"));
        help.lblHelpType->setVisible(true);
        help.txtHelpBox->clear();
        const QString gap = QStringLiteral("\r\n\r\n");
        help.txtHelpBox->setPlainText(
            QStringLiteral("Please Note: When using SMTP alerts and if sending to an outside address, "
                           "your SMTP server must be set to relay.  If your SMTP server does not relay messages "
                           "from outside of the domain, "
                           "then you must be successfully authenticated into the SMTP server for the alerts to "
                           "work.") +
            gap +
            QStringLiteral("If you're authenticating just fine and you can send a TEST ALERT to inside addresses "
                           "but not outside "
                           "addresses and you know that relay is enabled for authenticated users, then make sure "
                           "your system is also "
                           "set to allow for relaying messages.") +
            gap + QStringLiteral("When using MAPI alerts, you must have a MAPI client running in the background at all times.  ") +
            gap + QStringLiteral("If you have any questions, please talk to your server or network administrator."));
        help.show();
    } catch (const std::exception& e) {
        rt::MsgBox(QStringLiteral("Couldn't find or run help file. ") + QString::fromStdString(e.what()));
    }
}

void formEmailAlertSetup::mnuMAPITest_Click() {
    rt::Hourglass hourglass;
    AddStatusLine(QStringLiteral("Sending test email..."));
    listEmailStatus->setCurrentRow(listEmailStatus->count() - 1);
    SendMail(QStringLiteral("Test MAPI Email"), 1, 1, 1, 0, [](bool sent) {
        if (!sent)
            rt::MsgBox(
                QStringLiteral("Test email not sent.  Please be sure you have the server address and login "
                               "information (if needed) completed."));
    });
}

void formEmailAlertSetup::mnuSMTPTest_Click() {
    // Without a server or a recipient the mail cannot go anywhere: say which field is missing.
    QLineEdit* missing = nullptr;
    if (txtSMTPHostServer->text().trimmed().isEmpty())
        missing = txtSMTPHostServer;
    else if ((platform::splitAddresses(txtEmailAddr->text()) + platform::splitAddresses(txtCCEmailAddr->text())).isEmpty())
        missing = txtEmailAddr;
    if (missing) {
        rt::MsgBox(missing == txtSMTPHostServer
                       ? QStringLiteral("Test email not sent.  Please enter the SMTP Server (IP or Host Name).")
                       : QStringLiteral("Test email not sent.  Please enter the address to send to (TO:)."));
        missing->setFocus();
        return;
    }
    try {
        iTestMail = 1;
        AddStatusLine(QStringLiteral("Sending test email..."));
        listEmailStatus->setCurrentRow(listEmailStatus->count() - 1);
        settingsvalues::SetupWriter(settingsvalues::Store::Tree, &modPrefs::SavePref).put({"SMTPHostServer"});
        SendMailOstro(QStringLiteral("Test SMTP Email"), 1, 1, 1, 0, 0);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error when sending test email."));
        defaultPointer();
    }
}

void formEmailAlertSetup::AddStatusLine(const QString& line) {
    if (listEmailStatus->count() >= kStatusLimit) listEmailStatus->clear();
    listEmailStatus->addItem(line);
    listEmailStatus->scrollToBottom(); // the newest line, a failure among them, stays in sight
}

void formEmailAlertSetup::MailNotSent(const QStringList& recipients, const QString& subject, const QString& why,
                                      bool listed) {
    const QString line =
        QStringLiteral("Not sent (%1): to %2: %3").arg(why, recipients.join(QStringLiteral(", ")), subject);
    if (listed) AddStatusLine(line);
    const QDateTime now = rt::Clock::now();
    QFile log(rt::appFile(QStringLiteral("smtplog.log")));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write((rt::shortDate(now) + u',' + rt::longTime(now) + QStringLiteral("\r\n") + line + QStringLiteral("\r\n")).toUtf8());
}

void formEmailAlertSetup::timerSendOstro_Timer() {
    timerSendOstro->setEnabled(false);
    // A running remote-monitoring update keeps its own caption.
    CorvisentMain& m = CorvisentMain::instance();
    if (m.windowTitle() != QLatin1String("Corvisent Manager (Internet update in progress)"))
        m.setWindowTitle(QStringLiteral("Corvisent Manager"));
}
