#include "publish/formInternetSetup.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/formHelp.h"
#include "platform/inet.h"
#include "publish/statusfiles.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"

formInternetSetup& formInternetSetup::instance() {
    static formInternetSetup* w = new formInternetSetup();
    return *w;
}

InternetSetupControls& InternetSetupControls::instance() {
    return formInternetSetup::instance();
}

formInternetSetup::formInternetSetup() {
    setObjectName(QStringLiteral("formInternetSetup"));
    setWindowTitle(QStringLiteral("Remote Monitoring Setup"));

    // Settings on the left; the message list and the console to their right ("More -->").
    auto* outer = new QHBoxLayout(this);
    auto* root = new QVBoxLayout();
    outer->addLayout(root);
    m_settingsColumn = root;

    auto* ftp = new QGroupBox(QStringLiteral("FTP Server"), this);
    auto* ftpForm = new QFormLayout(ftp);
    txtFTPURL = new QLineEdit(ftp);
    txtFTPURL->setObjectName(QStringLiteral("txtFTPURL"));
    txtUserName = new QLineEdit(ftp);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    txtUserName->setToolTip(QStringLiteral("May be case sensitive"));
    // Empty until a password is stored: a blank would show as one dot beside "(Password is not set)".
    txtPassword = new QLineEdit(ftp);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPasswordSetStatus = new QLabel(QStringLiteral("(Password is not set)"), ftp);
    lblPasswordSetStatus->setObjectName(QStringLiteral("lblPasswordSetStatus"));
    auto* pwRow = new QHBoxLayout();
    pwRow->addWidget(txtPassword);
    pwRow->addWidget(lblPasswordSetStatus);
    cmdSetFTPPassword = new QPushButton(QStringLiteral("Set Password"), ftp);
    cmdSetFTPPassword->setObjectName(QStringLiteral("cmdSetFTPPassword"));
    pwRow->addWidget(cmdSetFTPPassword);
    txtRemoteStorageLocation = new QLineEdit(QStringLiteral("corvisent"), ftp);
    txtRemoteStorageLocation->setObjectName(QStringLiteral("txtRemoteStorageLocation"));
    txtRemoteStorageLocation->setToolTip(
        QStringLiteral("\"Start in Directory\" (Note: Some systems are case sensitive)"));
    ftpForm->addRow(QStringLiteral("FTP Server:"), txtFTPURL);
    ftpForm->addRow(QStringLiteral("User Name:"), txtUserName);
    ftpForm->addRow(QStringLiteral("Password:"), pwRow);
    ftpForm->addRow(QStringLiteral("Remote Directory:"), txtRemoteStorageLocation);
    root->addWidget(ftp);

    auto* page = new QGroupBox(QStringLiteral("Update"), this);
    auto* pageForm = new QFormLayout(page);
    txtTitleforUpdatePage = new QLineEdit(QStringLiteral("Location#1"), page);
    txtTitleforUpdatePage->setObjectName(QStringLiteral("txtTitleforUpdatePage"));
    txtInterval = new QLineEdit(QStringLiteral("10"), page);
    txtInterval->setObjectName(QStringLiteral("txtInterval"));
    txtInterval->setMaximumWidth(60);
    // Typed values outside the slider's range are not taken (see txtInterval_Commit).
    txtInterval->setValidator(new QIntValidator(2, 30, txtInterval));
    sliderInternetUpdateInterval = new QSlider(Qt::Horizontal, page);
    sliderInternetUpdateInterval->setObjectName(QStringLiteral("sliderInternetUpdateInterval"));
    sliderInternetUpdateInterval->setRange(2, 30);
    sliderInternetUpdateInterval->setValue(10);
    auto* intervalRow = new QHBoxLayout();
    intervalRow->addWidget(sliderInternetUpdateInterval);
    intervalRow->addWidget(txtInterval);
    lblIndexRefreshRate = new QLabel(QStringLiteral("20"), page);
    lblIndexRefreshRate->setObjectName(QStringLiteral("lblIndexRefreshRate"));
    optStayConnected = new QRadioButton(QStringLiteral("Stay connected"), page);
    optStayConnected->setObjectName(QStringLiteral("optStayConnected"));
    optConnectBeforeSend = new QRadioButton(QStringLiteral("Do not stay connected"), page);
    optConnectBeforeSend->setObjectName(QStringLiteral("optConnectBeforeSend"));
    optConnectBeforeSend->setChecked(true);
    auto* connectRow = new QHBoxLayout();
    connectRow->addWidget(optStayConnected);
    connectRow->addWidget(optConnectBeforeSend);
    chkSeeMessages = new QCheckBox(QStringLiteral("More -->"), page);
    chkSeeMessages->setObjectName(QStringLiteral("chkSeeMessages"));
    pageForm->addRow(QStringLiteral("Page title:"), txtTitleforUpdatePage);
    pageForm->addRow(QStringLiteral("Update interval (minutes):"), intervalRow);
    pageForm->addRow(QStringLiteral("Index refresh rate (seconds):"), lblIndexRefreshRate);
    pageForm->addRow(connectRow);
    pageForm->addRow(chkSeeMessages);
    root->addWidget(page);

    auto* local = new QGroupBox(QStringLiteral("Local Directory"), this);
    auto* localForm = new QFormLayout(local);
    chkXMLUseDirectory = new QCheckBox(
        QStringLiteral("Store XML page to the following local directory (Do not send via FTP):"), local);
    chkXMLUseDirectory->setObjectName(QStringLiteral("chkXMLUseDirectory"));
    txtXMLDirectory = new QLineEdit(rt::DefaultXmlDirectory(), local);
    txtXMLDirectory->setObjectName(QStringLiteral("txtXMLDirectory"));
    localForm->addRow(chkXMLUseDirectory);
    cmdNewDirectory = new QPushButton(QStringLiteral("&New Directory"), local);
    cmdNewDirectory->setObjectName(QStringLiteral("cmdNewDirectory"));
    auto* dirRow = new QHBoxLayout();
    dirRow->addWidget(txtXMLDirectory);
    dirRow->addWidget(cmdNewDirectory);
    localForm->addRow(QStringLiteral("Directory:"), dirRow);
    root->addWidget(local);
    buildPublisherControls();
    buildConsoleControls();
    buildWindowControls();
    Form_Load();
}

void formInternetSetup::buildPublisherControls() {
    // The three steps on one row, the session buttons and the mode below them: one row of all
    // would make the window wider than a small screen.
    auto* box = new QGroupBox(QStringLiteral("Publish"), this);
    auto* rows = new QVBoxLayout(box);
    auto* steps = new QHBoxLayout();
    auto* session = new QHBoxLayout();
    rows->addLayout(steps);
    rows->addLayout(session);
    auto button = [box](QPushButton*& b, const char* name, const char* caption, bool enabled,
                        QBoxLayout* row) {
        b = new QPushButton(QString::fromLatin1(caption), box);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(enabled);
        row->addWidget(b);
    };
    button(cmdLoginFTP, "cmdLoginFTP", "1) Login to FTP server", true, steps);
    button(cmdTestTransfer, "cmdTestTransfer", "2) Perform test transfer (XSL file)", false, steps);
    button(cmdStartUpdate, "cmdStartUpdate", "3) Start FTP Update", false, steps);
    button(cmdLogoutFTP, "cmdLogoutFTP", "Log out of FTP", false, session);
    button(cmdCancelInet, "cmdCancelInet", "Cancel Operations", false, session);
    session->addStretch(1);
    session->addWidget(new QLabel(QStringLiteral("Web Update Mode:"), box));
    lblUpdating = new QLabel(QStringLiteral("Off"), box);
    lblUpdating->setObjectName(QStringLiteral("lblUpdating"));
    session->addWidget(lblUpdating);
    m_settingsColumn->addWidget(box);

    connect(cmdLoginFTP, &QPushButton::clicked, this, [this] { cmdLoginFTP_Click(); });
    connect(cmdTestTransfer, &QPushButton::clicked, this, [this] { cmdTestTransfer_Click(); });
    connect(cmdStartUpdate, &QPushButton::clicked, this, [this] { cmdStartUpdate_Click(); });
    connect(cmdLogoutFTP, &QPushButton::clicked, this, [this] { cmdLogoutFTP_Click(); });
    connect(cmdCancelInet, &QPushButton::clicked, this, [this] { cmdCancelInet_Click(); });

    timerInternetUpdate = new rt::Timer(this);
    timerInternetUpdate->setInterval(60000);
    timerBuildXMLTimeout = new rt::Timer(this);
    timerBuildXMLTimeout->setInterval(60000);
    timerTimeOut = new rt::Timer(this);
    timerTimeOut->setInterval(9000);
    connect(timerInternetUpdate, &rt::Timer::tick, this, [this] { timerInternetUpdate_Timer(); });
    connect(timerBuildXMLTimeout, &rt::Timer::tick, this, [this] { timerBuildXMLTimeout_Timer(); });
    connect(timerTimeOut, &rt::Timer::tick, this, [this] { timerTimeOut_Timer(); });

    Inet1 = new platform::InetControl(this);
    connect(Inet1, &platform::InetControl::StateChanged, this, [this](int s) { Inet1_StateChanged(s); });
}

void formInternetSetup::ClearFullFtpMessages() {
    constexpr int kListLimit = 2000;
    if (listFtpMessages->count() >= kListLimit) listFtpMessages->clear();
}

void formInternetSetup::AddFtpMessage(const QString& text) {
    ClearFullFtpMessages();
    listFtpMessages->addItem(text);
    listFtpMessages->scrollToBottom(); // the newest line, a failure among them, stays in sight
}

void formInternetSetup::AddTimedFtpMessage(const QString& text) {
    AddFtpMessage(rt::TimeText() + text);
}

// ---------------------------------------------------------------- The window's life and settings

void formInternetSetup::buildWindowControls() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    mnuAdvanced = bar->addMenu(QStringLiteral("&Advanced"));
    mnuAdvanced->setObjectName(QStringLiteral("mnuAdvanced"));
    mnuSetIndexRefresh = mnuAdvanced->addAction(QStringLiteral("Set &Index Refresh Rate"));
    mnuSetIndexRefresh->setObjectName(QStringLiteral("mnuSetIndexRefresh"));
    mnuIUEHelp = bar->addAction(QStringLiteral("&Help"));
    mnuIUEHelp->setObjectName(QStringLiteral("mnuIUEHelp"));
    connect(mnuAdvanced, &QMenu::aboutToShow, this, [this] { mnuAdvanced_Click(); });
    connect(mnuSetIndexRefresh, &QAction::triggered, this, [this] { mnuSetIndexRefresh_Click(); });
    connect(mnuIUEHelp, &QAction::triggered, this, [this] { mnuIUEHelp_Click(); });

    auto* row = new QHBoxLayout();
    auto button = [this, row](QPushButton*& b, const char* name, const char* caption, const char* tip) {
        b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        if (tip) b->setToolTip(QString::fromLatin1(tip));
        row->addWidget(b);
    };
    button(cmdInternetHelp, "cmdInternetHelp", "&Steps for Remote Monitoring Setup", nullptr);
    row->addStretch(1);
    button(cmdIntenetOK, "cmdIntenetOK", "&OK", "Save preferences and close window");
    button(cmdInternetCancel, "cmdInternetCancel", "&Cancel", "Close the window");
    m_settingsColumn->addLayout(row);
    // Enter in a text box presses no button.
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);

    connect(cmdInternetHelp, &QPushButton::clicked, this, [this] { cmdInternetHelp_Click(); });
    connect(cmdIntenetOK, &QPushButton::clicked, this, [this] { cmdIntenetOK_Click(); });
    connect(cmdInternetCancel, &QPushButton::clicked, this, [this] { cmdInternetCancel_Click(); });
    connect(cmdSetFTPPassword, &QPushButton::clicked, this, [this] { cmdSetFTPPassword_Click(); });
    connect(cmdNewDirectory, &QPushButton::clicked, this, [this] { cmdNewDirectory_Click(); });
    connect(chkXMLUseDirectory, &QCheckBox::stateChanged, this, [this] { chkXMLUseDirectory_Click(); });
    connect(sliderInternetUpdateInterval, &QSlider::valueChanged, this,
            [this] { sliderInternetUpdateInterval_Change(); });
    connect(txtInterval, &QLineEdit::editingFinished, this, [this] { txtInterval_Commit(); });
    txtInterval->installEventFilter(this);
    for (QLineEdit* box : {txtFTPURL, txtPassword, txtRemoteStorageLocation, txtUserName}) box->installEventFilter(this);
}

bool formInternetSetup::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusOut && watched == txtInterval) txtInterval_Commit();
    if (e->type() == QEvent::FocusOut && !modSupport::loading()) {
        if (watched == txtFTPURL) txtFTPURL_LostFocus();
        else if (watched == txtPassword) txtPassword_LostFocus();
        else if (watched == txtRemoteStorageLocation) txtRemoteStorageLocation_LostFocus();
        else if (watched == txtUserName) txtUserName_LostFocus();
    }
    return QDialog::eventFilter(watched, e);
}

void formInternetSetup::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Form_Activate();
}

namespace {
bool loginDataMissingOrUpdating(const formInternetSetup& w) {
    return w.txtFTPURL->text().isEmpty() || w.txtUserName->text().isEmpty() ||
           rt::caption(w.lblUpdating) == QLatin1String("On");
}
} // namespace

void formInternetSetup::Form_Load() {
    rt::centreOnScreen(this);
    resize(rt::twipsToPixels(rt::ticked(chkSeeMessages) ? 11115 : 7410), rt::twipsToPixels(6600));
    if (modSupport::loading()) cmdLoginFTP->setEnabled(!loginDataMissingOrUpdating(*this));
}

void formInternetSetup::Form_Activate() {
    rt::centreOnScreen(this);
    if (loginDataMissingOrUpdating(*this)) {
        cmdLoginFTP->setEnabled(false);
        cmdLogoutFTP->setEnabled(true);
    } else {
        cmdLoginFTP->setEnabled(true);
    }
}

void formInternetSetup::cmdSaveInternetSettingsNow_Click() {
    // A key the tree refuses does not keep the others from being stored.
    settingsvalues::treeWriterKeepingOn().putRange("RemoteDirectory", "HtmlRefresh");
}

void formInternetSetup::txtFTPURL_LostFocus() { cmdSaveInternetSettingsNow_Click(); }
void formInternetSetup::txtPassword_LostFocus() { cmdSaveInternetSettingsNow_Click(); }
void formInternetSetup::txtRemoteStorageLocation_LostFocus() { cmdSaveInternetSettingsNow_Click(); }
void formInternetSetup::txtUserName_LostFocus() { cmdSaveInternetSettingsNow_Click(); }

// OK and Cancel only hide the window: its session, timers and schedule live on.
void formInternetSetup::cmdIntenetOK_Click() {
    cmdSaveInternetSettingsNow_Click();
    hide();
}

void formInternetSetup::cmdInternetCancel_Click() { hide(); }

void formInternetSetup::chkXMLUseDirectory_Click() {
    rt::passOver([] { settingsvalues::storeFromHandler("UseDirectory", 0); });
    // Publishing locally needs no login or test transfer. A running schedule keeps its Stop button.
    if (rt::ticked(chkXMLUseDirectory))
        cmdStartUpdate->setEnabled(true);
    else if (rt::caption(cmdStartUpdate) != QLatin1String("3) Stop FTP Update"))
        cmdStartUpdate->setEnabled(false);
}

void formInternetSetup::ShowStoredPassword(const QString& pw) {
    if (pw != QLatin1String("") && pw != QLatin1String(" ")) {
        txtPassword->setText(pw);
        rt::setCaption(lblPasswordSetStatus, QStringLiteral("(Password is set)"));
    } else {
        rt::setCaption(lblPasswordSetStatus, QStringLiteral("(Password is not set)"));
    }
}

void formInternetSetup::cmdSetFTPPassword_Click() {
    const std::optional<QString> pw = rt::InputBox(QStringLiteral("Please enter a password to log into the FTP server"));
    if (!pw) return;
    if (pw->isEmpty() || *pw == QLatin1String(" ")) {
        rt::MsgBox(QStringLiteral("The password was not set."));
        rt::setCaption(lblPasswordSetStatus, QStringLiteral("(Password is not set.)"));
        return;
    }
    rt::setCaption(lblPasswordSetStatus, QStringLiteral("(Password is set.)"));
    txtPassword->setText(*pw);
    rt::passOver([&] { settingsvalues::storeFromHandler("PW", 0, *pw); });
}

void formInternetSetup::cmdNewDirectory_Click() {
    const std::optional<QString> path =
        rt::InputBox(QStringLiteral("Please enter the full path of the directory name to create:"),
                     QStringLiteral("XML Save Directory"));
    if (!path || path->isEmpty() || *path == QLatin1String(" ")) return;
    if (QFileInfo::exists(*path) || !QDir().mkdir(*path)) {
        const bool parentMissing = !QFileInfo::exists(QFileInfo(*path).absolutePath());
        rt::MsgBox(parentMissing ? QStringLiteral("Path not found") : QStringLiteral("Path/File access error"));
        return;
    }
    txtXMLDirectory->setText(*path);
    if (!rt::ticked(chkXMLUseDirectory)) rt::setValue(chkXMLUseDirectory, 1);
}

void formInternetSetup::sliderInternetUpdateInterval_Change() {
    txtInterval->setText(QString::number(sliderInternetUpdateInterval->value()));
    rt::passOver([] { settingsvalues::storeFromHandler("InternetInterval", 0); });
    iUpdateMinutes = 1;
}

void formInternetSetup::txtInterval_Commit() {
    // A whole value in range moves the slider (which stores it); anything else, such as a "1"
    // left half-typed, gives way to the slider's value: box, slider and schedule never differ.
    if (txtInterval->hasAcceptableInput()) sliderInternetUpdateInterval->setValue(txtInterval->text().toInt());
    txtInterval->setText(QString::number(sliderInternetUpdateInterval->value()));
}

void formInternetSetup::mnuAdvanced_Click() {
    mnuSetIndexRefresh->setText(QStringLiteral("Set index.html automatic refresh rate (seconds). (Cur:") +
                                rt::caption(lblIndexRefreshRate) + QStringLiteral(")"));
}

void formInternetSetup::mnuSetIndexRefresh_Click() {
    const std::optional<QString> answer = rt::InputBox(QStringLiteral("Please enter a number in seconds, between 5 and 60."),
                                                       QStringLiteral("Index.html automatic refresh rate"));
    if (!answer || !rt::IsNumeric(*answer)) return;
    const double seconds = rt::CDbl(*answer);
    if (seconds < 5 || seconds > 60) return;
    // Kept as a plain number: it goes into the index page's refresh header as it stands.
    const QString rate = QString::number(seconds);
    rt::setCaption(lblIndexRefreshRate, rate);
    rt::passOver([] { settingsvalues::SetupWriter(settingsvalues::Store::Tree, &modPrefs::SavePref).put({"HtmlRefresh"}); });
}

void formInternetSetup::mnuIUEHelp_Click() {
    try {
        formHelp& help = formHelp::instance();
        help.LoadFile(rt::appFile(QStringLiteral("iue.rtf")));
        help.ShowTitled(QStringLiteral("Internet Update Help"));
    } catch (const rt::VbError&) {
        formHelp::unload();
        rt::MsgBox(QStringLiteral("Couldn't find or run help file. "));
    }
}

void formInternetSetup::cmdInternetHelp_Click() {
    const QString gap = QStringLiteral("\r\n\r\n");
    const QStringList paragraphs{
        QStringLiteral("1) Complete all FTP login information including your password and "
                       "remote storage location if needed."),
        QStringLiteral("2) You must then login initially to verify your login information "
                       "and to start the update setup."),
        QStringLiteral("3) After a successful login to the FTP server, the Test Transfer "
                       "button will be enabled."),
        QStringLiteral("4) You must press this button next in order to send the "
                       "stylesheet (.XLS) to your FTP server."),
        QStringLiteral("(This will not only setup your FTP server so that it will properly "
                       "display the XML updates, but it will also test your connection and "
                       "remote permissions by sending the file as well.)"),
        QStringLiteral("5) After you press the Test Transfer button and verified the file "
                       "has been sent, the Start Update button will enabled.  Press this "
                       "button to start the internet update at the selected interval."),
        QStringLiteral("(If you have any problems or do not see your web page update, "
                       "you may want to check to make sure your CVMAN.XSL stylesheet "
                       "is located in the same directory as the transferred "
                       "CVMANx.XML file, where x can be 0 through 9."),
        QStringLiteral("(If the web site updates successfully once but not on any subsequent intervals, "
                       "please trying to stop the internet update using the appropriate button "
                       "and then pressing the Cancel button.)"),
        QStringLiteral("(You can then press the Logout button and then retry "
                       "the process all over again.  Also verify that the Web Update Mode indicator reads ON"),
        QStringLiteral("A NOTE ON XML FILES: The XML files are created one at a time on each update.  The numbering "
                       "scheme starts "
                       "on 0 and ends on 9.  Therefore, the first file to be created and uploaded will be cvman0.xml."
                       "The next file to be created and uploaded will be cvman1.xml.  Then cvman2.xml, etc.  After "
                       "cvman9.xml, it restarts back at 0 and overwrites any previous files."),
    };
    rt::passOver([&] {
        formHelp& help = formHelp::instance();
        help.txtHelpBox->setPlainText(paragraphs.join(gap));
        help.ShowTitled(QStringLiteral("Steps for Internet Update Setup"));
    });
}
