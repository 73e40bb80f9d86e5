// The add-device window: its layout, loading, the type choice and the small handlers.
#include "devices/formAddDevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/startup.h"
#include "cameras/camdrivers.h"
#include "devices/modPNP.h"
#include "platform/mscomm.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using rt::named;
using namespace modSupport;

const QStringList& formAddDevice::typeList() {
    // Built on first use: the type names are constants of another file.
    static const QStringList list = {strTypeAccel,     strTypeDistance,   strTypeTemperature,
                                     strTypeHumidity,  strTypeComboOffer, strTypeWater,
                                     strTypeProximity, strTypeVideo,      strTypeVideo2};
    return list;
}
const QString formAddDevice::kPlaceholder = QStringLiteral("<drop down to select>");

namespace {

// Default name of a kind for row n: "Corvisent/T03", "Corvisent/V 003".
QString defaultName(const QString& type, int row) {
    const QString n = QString::number(row);
    if (type == strTypeAccel) return QStringLiteral("Corvisent/A0") + n;
    if (type == strTypeDistance) return QStringLiteral("Corvisent/D0") + n;
    if (type == strTypeTemperature) return QStringLiteral("Corvisent/T0") + n;
    if (type == strTypeHumidity) return QStringLiteral("Corvisent/H0") + n;
    if (type == strTypeComboOffer) return QStringLiteral("Corvisent/TH0") + n;
    if (type == strTypeWater) return QStringLiteral("Corvisent/W0") + n;
    if (type == strTypeProximity) return QStringLiteral("Corvisent/P0") + n;
    if (type == strTypeVideo2) return QStringLiteral("Corvisent/V2 00") + n;
    return QStringLiteral("Corvisent/V 00") + n;
}

} // namespace

formAddDevice::formAddDevice() {
    setObjectName(QStringLiteral("formAddDevice"));
    setWindowTitle(QStringLiteral("Add Device"));
    setModal(false);
    auto* v = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Device Type:"), this), 0, 0);
    cmbSensorTypeSelection = named(new QComboBox(this), "cmbSensorTypeSelection");
    cmbSensorTypeSelection->setMinimumWidth(280);
    grid->addWidget(cmbSensorTypeSelection, 0, 1);
    lblDeviceName = named(new QLabel(QStringLiteral("Device Name:"), this), "lblDeviceName");
    txtDeviceName = named(new QLineEdit(this), "txtDeviceName");
    grid->addWidget(lblDeviceName, 1, 0);
    grid->addWidget(txtDeviceName, 1, 1);
    m_driverLabel = new QLabel(QStringLiteral("Camera Driver:"), this);
    grid->addWidget(m_driverLabel, 2, 0);
    cbDriver = named(new QComboBox(this), "cbDriver");
    grid->addWidget(cbDriver, 2, 1);
    // The driver list belongs to cameras only; it is shown when a camera kind is chosen.
    m_driverLabel->hide();
    cbDriver->hide();
    v->addLayout(grid);

    frameComStuff = named(new QGroupBox(QStringLiteral("Port"), this), "frameComStuff");
    auto* ports = new QHBoxLayout(frameComStuff);
    lblComPort = named(new QLabel(QStringLiteral("  Com"), frameComStuff), "lblComPort");
    cmbComNum = named(new QComboBox(frameComStuff), "cmbComNum");
    cmbComNum->setEditable(true);
    cmdRefreshComPorts =
        named(new QPushButton(QStringLiteral("Refresh"), frameComStuff), "cmdRefreshComPorts");
    cmdIdentify = named(new QPushButton(QStringLiteral("Identify"), frameComStuff), "cmdIdentify");
    for (QWidget* w : {static_cast<QWidget*>(lblComPort), static_cast<QWidget*>(cmbComNum),
                       static_cast<QWidget*>(cmdRefreshComPorts), static_cast<QWidget*>(cmdIdentify)})
        ports->addWidget(w);
    v->addWidget(frameComStuff);

    chkCalibrateOnConnect =
        named(new QCheckBox(QStringLiteral("Calibrate on connect"), this), "chkCalibrateOnConnect");
    chkSetToBinaryMode =
        named(new QCheckBox(QStringLiteral("Start in bump mode"), this), "chkSetToBinaryMode");
    chkSetToProxMode =
        named(new QCheckBox(QStringLiteral("Start in proximity mode"), this), "chkSetToProxMode");
    for (QCheckBox* b : {chkCalibrateOnConnect, chkSetToBinaryMode, chkSetToProxMode}) {
        v->addWidget(b);
        b->hide();
    }

    auto* buttons = new QHBoxLayout;
    cmdBuildCVList = named(new QPushButton(QStringLiteral("Auto Detect"), this), "cmdBuildCVList");
    cmdOk = named(new QPushButton(QStringLiteral("OK"), this), "cmdOk");
    cmdCancelAddDevice = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancelAddDevice");
    buttons->addWidget(cmdBuildCVList);
    cmdKestlink = named(new QPushButton(QStringLiteral("Hub Setup"), this), "cmdKestlink");
    buttons->addWidget(cmdKestlink);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancelAddDevice);
    v->addLayout(buttons);
    for (QPushButton* b : {cmdBuildCVList, cmdKestlink, cmdOk, cmdCancelAddDevice, cmdRefreshComPorts, cmdIdentify})
        b->setAutoDefault(false);

    MSCommIdentify = named(new platform::MSCommControl(this), "MSCommIdentify");

    cmbSensorTypeSelection->installEventFilter(this);
    txtDeviceName->installEventFilter(this);
    // The type choice runs when an entry is selected, by the user or by code; filling the list
    // and the scan's type assignment keep its signals blocked.
    connect(cmbSensorTypeSelection, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        m_typeText = cmbSensorTypeSelection->itemText(index);
        cmbSensorTypeSelection_Click();
    });
    connect(cbDriver, &QComboBox::currentIndexChanged, this, &formAddDevice::cbDriver_Click);
    connect(cmbComNum, &QComboBox::currentTextChanged, this, &formAddDevice::cmbComNum_Change);
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancelAddDevice, &QPushButton::clicked, this, &formAddDevice::cmdCancelAddDevice_Click);
    connect(cmdRefreshComPorts, &QPushButton::clicked, this, &formAddDevice::cmdRefreshComPorts_Click);
    connect(cmdIdentify, &QPushButton::clicked, this, &formAddDevice::cmdIdentify_Click);
    connect(cmdKestlink, &QPushButton::clicked, this, &formAddDevice::cmdKestlink_Click);
    connect(cmdBuildCVList, &QPushButton::clicked, this, &formAddDevice::cmdBuildCVList_Click);
    Form_Load();
}

void formAddDevice::setTypeText(const QString& text) {
    QSignalBlocker quiet(cmbSensorTypeSelection);
    m_typeText = text;
    const int index = cmbSensorTypeSelection->findText(text, Qt::MatchExactly);
    cmbSensorTypeSelection->setCurrentIndex(index);
    if (index < 0) cmbSensorTypeSelection->setPlaceholderText(text);
}

bool formAddDevice::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cmbSensorTypeSelection && event->type() == QEvent::KeyPress) {
        // The type box is locked while a key is down: only leaving it by keyboard is let through.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Tab && key != Qt::Key_Backtab && key != Qt::Key_Escape) return true;
    }
    if (watched == txtDeviceName && event->type() == QEvent::MouseButtonDblClick) txtDeviceName_DblClick();
    return QDialog::eventFilter(watched, event);
}

void formAddDevice::Form_Load() {
    // Nothing can be added before a kind is chosen.
    cmdOk->setEnabled(false);
    {
        QSignalBlocker quiet(cmbSensorTypeSelection);
        cmbSensorTypeSelection->clear();
        cmbSensorTypeSelection->addItems(typeList());
        cmbSensorTypeSelection->setCurrentIndex(-1);
    }
    setTypeText(kPlaceholder);
    iTotalCameras = int(rt::Val(settingsvalues::readKey(settingsvalues::Store::Tree, "TotalCameras")));
    if (iTotalCameras < 1) {
        iTotalCameras = 1;
        settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalCameras", QStringLiteral("1"));
    }
    if (!bInStartup && iOfferDetect == 1 &&
        rt::MsgBox(QStringLiteral("Do you want to auto-detect your Corvisent devices?\r\n"
                                  "  (CorvisentV camera devices cannot be detected.)"),
                   rt::vbYesNo, QStringLiteral("Corvisent Device Detection")) == rt::vbYes)
        cmdBuildCVList_Click();
}

void formAddDevice::cmbSensorTypeSelection_Click() {
    rt::Hourglass hourglass;
    const QString type = m_typeText;
    if (type.isEmpty()) return;
    const bool combined = type == strTypeComboOffer;
    iNewRow = FindFirstAvailable(combined);
    if (!RowsAvailable(iNewRow, combined)) {
        // No room: the finder has told the user about a missing second row; a full list is
        // told here. Nothing can be added until a device is deleted.
        if (iNewRow > 10)
            rt::MsgBox(QStringLiteral("All ten device rows are in use. Please delete a device before adding "
                                      "another."),
                       rt::vbInformation);
        cmdOk->setEnabled(false);
        return;
    }
    auto& setup = formSensorSetup::instance();
    const bool camera = IsCameraName(type);
    if (camera) {
        lblDeviceName->show();
        txtDeviceName->show();
        frameComStuff->hide();
        m_driverLabel->show();
        cbDriver->show();
        if (type == strTypeVideo2) {
            if (FindFirstCamAvailable() > 0) {
                rt::MsgBox(QStringLiteral("Only one Corvisent/V2 camera can be used at this time."));
                setTypeText(QString());
                txtDeviceName->hide();
                lblDeviceName->hide();
                return;
            }
            BuildCamList(1, {cbDriver, cmbSensorTypeSelection, txtDeviceName, lblDeviceName});
        } else {
            BuildCamList(0, {cbDriver, cmbSensorTypeSelection, txtDeviceName, lblDeviceName});
        }
        // A driver list with nothing to choose has emptied the type choice.
        if (cmbSensorTypeSelection->currentIndex() < 0) setTypeText(QString());
        txtDeviceName->setText(defaultName(type, iNewRow));
        setup.cmdConnectSensor[iNewRow]->setEnabled(true);
        setup.cmdConnectSensor[iNewRow]->setText(QStringLiteral("Connect"));
        cmdOk->setEnabled(true);
    } else {
        m_driverLabel->hide();
        cbDriver->hide();
        txtDeviceName->setText(defaultName(type, iNewRow));
        MakeComPortList(iNewRow);
        lblComPort->setText(QStringLiteral("  Com"));
        cmbComNum->show();
        frameComStuff->show();
        cmbComNum_Change();
    }
    if (type == strTypeDistance) {
        rt::setValue(chkSetToProxMode, 1);
        chkSetToProxMode->show();
    } else {
        chkSetToProxMode->hide();
    }
    if (type == strTypeAccel) {
        rt::setValue(chkCalibrateOnConnect, 1);
        chkCalibrateOnConnect->show();
        chkSetToBinaryMode->show();
    } else {
        chkCalibrateOnConnect->hide();
        chkSetToBinaryMode->hide();
    }
    lblDeviceName->show();
    txtDeviceName->show();
}

void formAddDevice::cmbComNum_Change() {
    // A sensor needs a row to go to and a port to be reached on.
    if (typeList().contains(m_typeText) && !IsCameraName(m_typeText))
        cmdOk->setEnabled(RowsAvailable(iNewRow, m_typeText == strTypeComboOffer) &&
                          !cmbComNum->currentText().trimmed().isEmpty());
}

void formAddDevice::cbDriver_Click() {
    cmdOk->setEnabled(!cbDriver->currentText().isEmpty());
}

void formAddDevice::txtDeviceName_DblClick() {
    cbDriver->setEnabled(m_typeText == strTypeVideo2 || m_typeText == strTypeVideo);
}

void formAddDevice::cmdRefreshComPorts_Click() {
    rt::Hourglass hourglass;
    auto& setup = formSensorSetup::instance();
    for (int row = 1; row <= 4; ++row)
        if (setup.cmdConnectSensor[row]->text() != QLatin1String("Disconnect")) MakeComPortList(row);
}

void formAddDevice::cmdCancelAddDevice_Click() {
    unload();
}

void formAddDevice::reject() {
    // Escape and the title bar's close cancel like the Cancel button, so the next showing starts
    // from a fresh window.
    cmdCancelAddDevice_Click();
}

void formAddDevice::cmdKestlink_Click() {
    modPNP::RunKestlinkConfig();
}

