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
#include <QRegularExpression>
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
#include "runtime/files.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "settings/controlvalues.h"
#include "settings/modSupport.h"
#include "settings/modPrefs.h"
#include "settings/setupkeys.h"
#include "settings/setupwindows.h"
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

const QString kNotSent = QStringLiteral("Not sent (");
const QString kCrLf = QStringLiteral("\r\n");

// The date-and-time line that heads each write to the status log file: "3/7/2009,4:08:02 PM".
QString logStamp() {
    const QDateTime now = rt::Clock::now();
    return rt::shortDate(now) + u',' + rt::longTime(now);
}

bool isLogStamp(const QString& line) {
    static const QRegularExpression stamp(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4},\\d{1,2}:\\d\\d:\\d\\d [AP]M$"));
    return stamp.match(line).hasMatch();
}

// The "Not sent" lines of the log file that the status list does not hold, each under the
// date-and-time line it stood under there. A "Not sent" line of the list was written to the file
// when its mail was given up: it stands for the file's latest line of the same text, which is
// left out because the list writes it again. So no record is lost and none is doubled, however
// often the file is made, and lines the list no longer holds (cleared) are kept.
QString carriedRecords(const QString& path, const QStringList& listed) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    struct Record {
        QString stamp, line;
        bool kept = true;
    };
    QList<Record> records;
    QString stamp;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")))) {
        if (isLogStamp(line))
            stamp = line;
        else if (line.startsWith(kNotSent))
            records.append({stamp, line});
    }
    QHash<QString, int> inList;
    for (const QString& line : listed)
        if (line.startsWith(kNotSent)) ++inList[line];
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        const auto listedToo = inList.find(r->line);
        if (listedToo != inList.end() && *listedToo > 0) {
            --*listedToo;
            r->kept = false;
        }
    }
    QString out, lastStamp;
    for (const Record& r : records) {
        if (!r.kept) continue;
        if (!r.stamp.isEmpty() && r.stamp != lastStamp) out += r.stamp + kCrLf;
        lastStamp = r.stamp;
        out += r.line + kCrLf;
    }
    return out;
}

} // namespace

formEmailAlertSetup& formEmailAlertSetup::instance() {
    static formEmailAlertSetup* w = new formEmailAlertSetup();
    return *w;
}

QWidget& EmailAlertSetupWindow() {
    return formEmailAlertSetup::instance();
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
    QStringList listed;
    for (int i = 0; i < listEmailStatus->count(); ++i)
        listed.append(listEmailStatus->item(i)->text());
    // Replacing the file keeps the record of mail that never left: its "Not sent" lines go first.
    QByteArray text = carriedRecords(path, listed).toUtf8() + logStamp().toUtf8() + "\r\n\r\n";
    for (int i = 0; i < listed.size(); ++i) {
        listEmailStatus->setCurrentRow(i);
        text += listed[i].toUtf8() + "\r\n";
    }
    // Written whole or not at all: a failed write leaves the old file and its records.
    const bool written = rt::writeFileWhole(path, text);
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

void formEmailAlertSetup::MailNotSent(const QStringList& recipients, const QString& subject, const QString& why) {
    const QString line = kNotSent + QStringLiteral("%1): to %2: %3").arg(why, recipients.join(QStringLiteral(", ")), subject);
    AddStatusLine(line);
    QFile log(rt::appFile(QStringLiteral("smtplog.log")));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) log.write((logStamp() + kCrLf + line + kCrLf).toUtf8());
}

void formEmailAlertSetup::timerSendOstro_Timer() {
    timerSendOstro->setEnabled(false);
    // A running remote-monitoring update keeps its own caption.
    CorvisentMain& m = CorvisentMain::instance();
    if (m.windowTitle() != QLatin1String("Corvisent Manager (Internet update in progress)"))
        m.setWindowTitle(QStringLiteral("Corvisent Manager"));
}
