#include "alerts/formPagingTextMessage.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/startup.h"
#include "platform/comports.h"
#include "platform/mscomm.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/modPrefs.h"
#include "settings/setupkeys.h"
#include "settings/setupwindows.h"
#include "setup/formSensorSetup.h"

using rt::named;

namespace {

const QString kOpenConnection = QStringLiteral("Open Connection");
const QString kClosePort = QStringLiteral("Close port");

} // namespace

formPagingTextMessage& formPagingTextMessage::instance() {
    static formPagingTextMessage* w = new formPagingTextMessage();
    return *w;
}

QWidget& PagingSetupWindow() {
    return formPagingTextMessage::instance();
}

formPagingTextMessage::formPagingTextMessage() {
    setObjectName(QStringLiteral("formPagingTextMessage"));
    setWindowTitle(QStringLiteral("Paging Setup"));
    buildControls();
    Form_Load();
}

void formPagingTextMessage::buildControls() {
    auto* root = new QVBoxLayout(this);
    auto* menus = new QMenuBar(this);
    QMenu* mnuTest = menus->addMenu(QStringLiteral("&Test"));
    mnuTestAlphaPager = named(mnuTest->addAction(QStringLiteral("&Phone Call Paging Test")), "mnuTestAlphaPager");
    mnuTestNumericPager = named(mnuTest->addAction(QStringLiteral("&Numeric Pager Test")), "mnuTestNumericPager");
    root->setMenuBar(menus);

    Framme1 = named(new QGroupBox(QStringLiteral("Pager Setup"), this), "Framme1");
    auto* pagerForm = new QFormLayout(Framme1);
    txtNumToCall = named(new QLineEdit(Framme1), "txtNumToCall");
    AccessNum = named(new QLineEdit(Framme1), "AccessNum");
    pagerForm->addRow(QStringLiteral("Send pager alert to:"), txtNumToCall);
    pagerForm->addRow(QStringLiteral("Access Number:"), AccessNum);
    root->addWidget(Framme1);

    Frame4 = named(new QGroupBox(QStringLiteral("Numeric Paging Setup"), this), "Frame4");
    auto* numericForm = new QFormLayout(Frame4);
    txtNumToSend = named(new QLineEdit(Frame4), "txtNumToSend");
    txtNumToSend->installEventFilter(this); // a click into it deselects "Send Reading"
    optSendReadingAsNumeric = named(new QRadioButton(QStringLiteral("Send Reading"), Frame4),
                                    "optSendReadingAsNumeric");
    optSendReadingAsNumeric->setAutoExclusive(false);
    numericForm->addRow(QStringLiteral("Number to Send:"), txtNumToSend);
    numericForm->addRow(optSendReadingAsNumeric);
    root->addWidget(Frame4);

    Frame5 = named(new QGroupBox(QStringLiteral("Phone Call Paging Setup"), this), "Frame5");
    auto* phoneForm = new QFormLayout(Frame5);
    txtPhoneNumber = named(new QLineEdit(Frame5), "txtPhoneNumber");
    phoneForm->addRow(QStringLiteral("Phone number to dial:"), txtPhoneNumber);
    phoneForm->addRow(new QLabel(QStringLiteral("No information will be sent over the phone line."), Frame5));
    phoneForm->addRow(new QLabel(
        QStringLiteral("Please note: this feature will simply dial the number above and will hang upafterwards. "),
        Frame5));
    root->addWidget(Frame5);

    Frame2 = named(new QGroupBox(QStringLiteral("Alpha Numeric Setup"), this), "Frame2");
    auto* alphaBox = new QVBoxLayout(Frame2);
    auto* include = new QGroupBox(QStringLiteral("Include:"), Frame2);
    auto* includeBox = new QVBoxLayout(include);
    const char* includeCaptions[3] = {"Sensor Reading", "Sensor Type", "Time and Date"};
    for (int i = 0; i < 3; ++i) {
        chkInclude[i] = new QCheckBox(QLatin1String(includeCaptions[i]), include);
        chkInclude[i]->setObjectName(QStringLiteral("chkInclude(%1)").arg(i));
        includeBox->addWidget(chkInclude[i]);
    }
    alphaBox->addWidget(include);
    alphaBox->addWidget(new QLabel(QStringLiteral("Additional Message:"), Frame2));
    AdditionalMessage = named(new QTextEdit(Frame2), "AdditionalMessage");
    alphaBox->addWidget(AdditionalMessage);
    root->addWidget(Frame2);
    Frame2->hide();

    Frame6 = named(new QGroupBox(QStringLiteral("Modem Setup"), this), "Frame6");
    auto* modemRow = new QHBoxLayout(Frame6);
    comboAvailCom = named(new QComboBox(Frame6), "comboAvailCom");
    // The stored port text is shown as it is, whether or not the port is listed.
    comboAvailCom->setEditable(true);
    cmdRefreshComPortsForModem = named(new QPushButton(QStringLiteral("Refresh"), Frame6), "cmdRefreshComPortsForModem");
    cmdConnection = named(new QPushButton(kOpenConnection, Frame6), "cmdConnection");
    cmdSetModemInitString = named(new QPushButton(QStringLiteral("Set Init String"), Frame6), "cmdSetModemInitString");
    modemRow->addWidget(new QLabel(QStringLiteral("Modem is on COM"), Frame6));
    modemRow->addWidget(comboAvailCom);
    modemRow->addWidget(new QLabel(QStringLiteral("(9600,8,n,1)"), Frame6));
    modemRow->addWidget(cmdRefreshComPortsForModem);
    modemRow->addWidget(cmdConnection);
    modemRow->addWidget(cmdSetModemInitString);
    root->addWidget(Frame6);

    auto* buttons = new QHBoxLayout();
    cmdOkTextPageSetup = named(new QPushButton(QStringLiteral("OK"), this), "cmdOkTextPageSetup");
    cmdCancelTextPageSetup = named(new QPushButton(QStringLiteral("C&ancel"), this), "cmdCancelTextPageSetup");
    buttons->addStretch();
    buttons->addWidget(cmdOkTextPageSetup);
    buttons->addWidget(cmdCancelTextPageSetup);
    root->addLayout(buttons);

    MSCommForPaging = new platform::MSCommControl(this);
    MSCommForPaging->setObjectName(QStringLiteral("MSCommForPaging"));

    connect(cmdOkTextPageSetup, &QPushButton::clicked, this, &formPagingTextMessage::cmdOkTextPageSetup_Click);
    connect(cmdCancelTextPageSetup, &QPushButton::clicked, this,
            &formPagingTextMessage::cmdCancelTextPageSetup_Click);
    connect(cmdConnection, &QPushButton::clicked, this, &formPagingTextMessage::cmdConnection_Click);
    connect(cmdRefreshComPortsForModem, &QPushButton::clicked, this,
            &formPagingTextMessage::cmdRefreshComPortsForModem_Click);
    connect(cmdSetModemInitString, &QPushButton::clicked, this,
            &formPagingTextMessage::cmdSetModemInitString_Click);
    connect(comboAvailCom, &QComboBox::currentTextChanged, this, &formPagingTextMessage::comboAvailCom_Change);
    connect(mnuTestAlphaPager, &QAction::triggered, this, &formPagingTextMessage::mnuTestAlphaPager_Click);
    connect(mnuTestNumericPager, &QAction::triggered, this, &formPagingTextMessage::mnuTestNumericPager_Click);
}

bool formPagingTextMessage::COMMAvailable(int n) {
    return platform::comPortExists(n);
}

void formPagingTextMessage::MakeAvailComPortList() {
    comboAvailCom->clear();
    for (int n = 1; n <= 19; ++n)
        if (COMMAvailable(n)) comboAvailCom->addItem(QString::number(n));
    // With no port at all the list stays empty and nothing is selected.
    if (comboAvailCom->count() > 0) comboAvailCom->setCurrentIndex(0);
}

void formPagingTextMessage::Form_Load() {
    if (!bInStartup) MakeAvailComPortList();
    if (rt::optionValue(formSensorSetup::instance().optionPhonePager)) {
        mnuTestAlphaPager->setEnabled(true);
        mnuTestNumericPager->setEnabled(false);
    }
}

void formPagingTextMessage::Form_Unload() {
    if (rt::Trim(txtNumToCall->text()).isEmpty()) {
        rt::MsgBox(QStringLiteral("A number to dial was not filled in."), rt::vbInformation);
        auto& s = formSensorSetup::instance();
        for (int kind : {1, 2, 6, 8, 9, 0})
            rt::setValue(s.chkPageAlert[kind], 0);
    }
    hide();
}

void formPagingTextMessage::closeEvent(QCloseEvent* event) {
    // The window is only ever hidden: its boxes are the live settings.
    event->ignore();
    Form_Unload();
}

bool formPagingTextMessage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtNumToSend && event->type() == QEvent::MouseButtonPress) txtNumToSend_Click();
    return QDialog::eventFilter(watched, event);
}

void formPagingTextMessage::cmdOkTextPageSetup_Click() {
    const settingsvalues::SetupWriter tree(settingsvalues::Store::Tree, &modPrefs::SavePref);
    auto& s = formSensorSetup::instance();
    const bool pagesOn = rt::value(s.chkPageAlert[1]) == 1 || rt::value(s.chkPageAlert[2]) == 1;
    if (rt::Trim(txtNumToCall->text()).isEmpty() && pagesOn) {
        rt::MsgBox(QStringLiteral("You must first enter the number you wish to call before you send a page."));
        txtNumToCall->setFocus();
    } else {
        if (rt::Trim(txtNumToSend->text()).isEmpty() && !rt::optionValue(optSendReadingAsNumeric))
            rt::setOptionValue(optSendReadingAsNumeric, true);
        tree.put({"NumToCall", "NumToSend", "NumToSendPhone"});
        hide();
    }
    if (!comboAvailCom->currentText().isEmpty()) tree.put({"IndexForModem"});
    tree.put({"NumToCall"});
}

void formPagingTextMessage::cmdCancelTextPageSetup_Click() {
    hide();
}

void formPagingTextMessage::OpenModemPort() {
    try {
        MSCommForPaging->setSettings(QStringLiteral("9600,n,8,1"));
        MSCommForPaging->setCommPort(static_cast<int>(rt::Val(comboAvailCom->currentText())));
        MSCommForPaging->setPortOpen(true);
    } catch (const rt::VbError&) {
        // reported below like any port that did not open
    }
    if (MSCommForPaging->portOpen())
        cmdConnection->setText(kClosePort);
    else
        rt::MsgBox(QStringLiteral("This port is not open."));
}

void formPagingTextMessage::CloseModemPort() {
    if (MSCommForPaging->portOpen()) MSCommForPaging->setPortOpen(false);
    cmdConnection->setText(kOpenConnection);
}

void formPagingTextMessage::cmdConnection_Click() {
    // The port's own state decides, so the caption can never offer the wrong action.
    if (MSCommForPaging->portOpen())
        CloseModemPort();
    else
        OpenModemPort();
}

void formPagingTextMessage::comboAvailCom_Change() {
    const double n = rt::Val(comboAvailCom->currentText());
    // A number the port cannot take, or a change while the port is open, leaves it as it is.
    if (n < 1 || n > 255 || MSCommForPaging->portOpen()) return;
    MSCommForPaging->setCommPort(static_cast<int>(n));
}

void formPagingTextMessage::cmdRefreshComPortsForModem_Click() {
    rt::Hourglass hourglass;
    MakeAvailComPortList();
}

void formPagingTextMessage::cmdSetModemInitString_Click() {
    const std::optional<QString> answer =
        rt::InputBox(QStringLiteral("Enter the modem initialization string required for your modem"),
                     QString(), strModemInitString);
    if (!answer || answer->isEmpty()) return;
    strModemInitString = *answer;
    settingsvalues::storeFromHandler("ModemInitString", 0, strModemInitString);
}

void formPagingTextMessage::txtNumToSend_Click() {
    rt::setOptionValue(optSendReadingAsNumeric, false);
}

void formPagingTextMessage::mnuTestAlphaPager_Click() {
    try {
        SendNumericPage(1, 1, 1);
    } catch (const std::exception&) {
    }
}

void formPagingTextMessage::mnuTestNumericPager_Click() {
    try {
        SendNumericPage(1, 1, 0);
    } catch (const std::exception&) {
    }
}
