#include "publish/formInternetSetup.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/inet.h"
#include "publish/statusfiles.h"
#include "runtime/format.h"
#include "runtime/timer.h"

formInternetSetup& formInternetSetup::instance() {
    static formInternetSetup* w = new formInternetSetup();
    return *w;
}

formInternetSetup::formInternetSetup() {
    setObjectName(QStringLiteral("formInternetSetup"));
    setWindowTitle(QStringLiteral("Remote Monitoring Setup"));

    auto* root = new QVBoxLayout(this);

    auto* ftp = new QGroupBox(QStringLiteral("FTP Server"), this);
    auto* ftpForm = new QFormLayout(ftp);
    txtFTPURL = new QLineEdit(ftp);
    txtFTPURL->setObjectName(QStringLiteral("txtFTPURL"));
    txtUserName = new QLineEdit(ftp);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    txtUserName->setToolTip(QStringLiteral("May be case sensitive"));
    txtPassword = new QLineEdit(QStringLiteral(" "), ftp);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPasswordSetStatus = new QLabel(QStringLiteral("(Password is not set)"), ftp);
    lblPasswordSetStatus->setObjectName(QStringLiteral("lblPasswordSetStatus"));
    auto* pwRow = new QHBoxLayout();
    pwRow->addWidget(txtPassword);
    pwRow->addWidget(lblPasswordSetStatus);
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
    chkSeeMessages = new QCheckBox(QStringLiteral("Show FTP messages"), page);
    chkSeeMessages->setObjectName(QStringLiteral("chkSeeMessages"));
    pageForm->addRow(QStringLiteral("Page title:"), txtTitleforUpdatePage);
    pageForm->addRow(QStringLiteral("Update interval (minutes):"), intervalRow);
    pageForm->addRow(QStringLiteral("Index refresh rate (seconds):"), lblIndexRefreshRate);
    pageForm->addRow(connectRow);
    pageForm->addRow(chkSeeMessages);
    root->addWidget(page);

    auto* local = new QGroupBox(QStringLiteral("Local Directory"), this);
    auto* localForm = new QFormLayout(local);
    chkXMLUseDirectory = new QCheckBox(QStringLiteral("Save to a local directory"), local);
    chkXMLUseDirectory->setObjectName(QStringLiteral("chkXMLUseDirectory"));
    txtXMLDirectory = new QLineEdit(DefaultXmlDirectory(), local);
    txtXMLDirectory->setObjectName(QStringLiteral("txtXMLDirectory"));
    localForm->addRow(chkXMLUseDirectory);
    localForm->addRow(QStringLiteral("Directory:"), txtXMLDirectory);
    root->addWidget(local);
    buildPublisherControls();

    auto* messages = new QGroupBox(QStringLiteral("FTP Messages"), this);
    auto* messagesBox = new QVBoxLayout(messages);
    listFtpMessages = new QListWidget(messages);
    listFtpMessages->setObjectName(QStringLiteral("listFtpMessages"));
    messagesBox->addWidget(listFtpMessages);
    root->addWidget(messages);
}

void formInternetSetup::buildPublisherControls() {
    auto* box = new QGroupBox(QStringLiteral("Publish"), this);
    auto* steps = new QHBoxLayout(box);
    auto button = [box, steps](QPushButton*& b, const char* name, const char* caption, bool enabled) {
        b = new QPushButton(QString::fromLatin1(caption), box);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(enabled);
        steps->addWidget(b);
    };
    button(cmdLoginFTP, "cmdLoginFTP", "1) Login to FTP server", true);
    button(cmdTestTransfer, "cmdTestTransfer", "2) Perform test transfer (XSL file)", false);
    button(cmdStartUpdate, "cmdStartUpdate", "3) Start FTP Update", false);
    button(cmdLogoutFTP, "cmdLogoutFTP", "Log out of FTP", false);
    button(cmdCancelInet, "cmdCancelInet", "Cancel Operations", false);
    steps->addWidget(new QLabel(QStringLiteral("Web Update Mode:"), box));
    lblUpdating = new QLabel(QStringLiteral("Off"), box);
    lblUpdating->setObjectName(QStringLiteral("lblUpdating"));
    steps->addWidget(lblUpdating);
    layout()->addWidget(box);

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
}

void formInternetSetup::AddTimedFtpMessage(const QString& text) {
    AddFtpMessage(rt::TimeText() + text);
}
