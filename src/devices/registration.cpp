// Registration of a new device from the add-device window: the checks, then the device tables,
// the main window's tab and summary row, the setup window's row, the stored record, its INI
// mirror and the counters.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/CorvisentMain.h"
#include "cameras/camdrivers.h"
#include "devices/formAddDevice.h"
#include "platform/ini.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/readinglogs.h"
#include "settings/controlvalues.h"
#include "settings/deviceRecords.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using rt::Ctl;
using settingsvalues::checkText;

using namespace modSupport;

// Everything the registration decided before its first write.
struct formAddDevice::Plan {
    QString type; // the type text
    QString name;
    QString port;
    int code = 0;
    int row = 0;
    SlotResult slot;
    int driverIndex = -1; // cameras
    QString driverText;
    bool finderSpoke = false; // the scan's row finder has already said why there is no room
    bool camera() const { return code == typeVideo || code == typeVideo2; }
    bool combined() const { return code == typeCombo; }
    QString subIndex() const { return slot.text(); }
};

namespace {

const QString kNoDrivers = QStringLiteral("No Corvisent/V camera drivers found for this camera.");
const QString kNoSlot = QStringLiteral("CurSubIndex = 0 Condition. Please manually add devices.");
const QString kTwoRows = QStringLiteral("There must be two consecutive slots open to add this sensor.");
const QString kRowsFull =
    QStringLiteral("All ten device rows are in use. Please delete a device before adding another.");

QString recordSection(int row) {
    return QStringLiteral("PortConfig\\Devices\\%1").arg(row);
}

void store(int row, const QString& key, const QString& value) {
    platform::SaveSetting(modPrefs::kApp, recordSection(row), key, value);
}

// Places a device at a slot of its kind's tab: names it, uncovers the slot (its cover frame
// remembers the row), empties its log box and marks the slot taken.
void takeSlot(const CorvisentMain::KindTab& t, int slot, int row, const QString& name) {
    auto& m = CorvisentMain::instance();
    (m.*t.names)[slot]->setText(name);
    (m.*t.covers)[slot]->hide();
    rt::setTag((m.*t.covers)[slot], QString::number(row));
    modSupport::ClearTabLog((m.*t.logs)[slot]); // lines a former device left waiting go too
    TakeTabSlot(*t.slotTable, slot);
}

// Whether a single-camera model is already registered, or a camera position holds the capture
// driver such a camera needs.
bool singleCameraPresent() {
    for (int row = 1; row <= 10; ++row)
        if (iDeviceType(row) == typeVideo2) return true;
    return formAddDevice::FindFirstCamAvailable() > 0;
}

} // namespace

void formAddDevice::refuse() {
    unload();
}

bool formAddDevice::cmdOk_Click(const ScanRequest* scan) {
    setVisible(false);
    try {
        if (scan) {
            iNewRow = FindFirstAvailable(scan->strScanType == strTypeComboOffer);
            txtDeviceName->setText(scan->strScanName);
            setTypeText(scan->strScanType);
            cmbComNum->setEditText(QString::number(scan->iScanPort));
        }
        Plan plan;
        plan.finderSpoke = scan && scan->strScanType == strTypeComboOffer && iNewRow == 10;
        if (!checkRequest(plan)) return false;
        if (plan.camera())
            registerCamera(plan);
        else
            registerSensor(plan);
        finishRegistration(plan);
        return true;
    } catch (const std::exception& e) {
        rt::MsgBox(QStringLiteral("Error in cmdOk_Click: ") + QString::fromStdString(e.what()));
        refuse();
        return false;
    }
}

// Every check that can refuse the device, in the order the user meets them. Nothing is written
// here except, for a camera in the several-camera setup, the driver's friendly name, which is the
// last check and only succeeds for a camera whose installation is finished.
bool formAddDevice::checkRequest(Plan& plan) {
    plan.type = m_typeText;
    plan.name = txtDeviceName->text();
    plan.port = cmbComNum->currentText();
    if (!checkTypeAndName(plan)) return false;
    plan.code = plan.type == strTypeComboOffer ? int(typeCombo) : TypeCodeOfName(plan.type);
    if (!plan.camera() && !checkPort(plan)) return false;
    plan.row = iNewRow;
    if (!RowsAvailable(plan.row, plan.combined())) {
        if (!plan.finderSpoke)
            rt::MsgBox(plan.combined() && plan.row <= 10 ? kTwoRows : kRowsFull, rt::vbInformation);
        refuse();
        return false;
    }
    if (plan.camera() && !checkCameraDriver(plan)) return false;
    plan.slot = FindFirstTabSlotAvailable(plan.code);
    if (!plan.slot.usable()) {
        if (plan.code == typeProximity)
            rt::MsgBox(
                QStringLiteral("There are no more available slots on the Proximity tab for this sensor."),
                rt::vbInformation);
        else
            rt::MsgBox(kNoSlot, rt::vbInformation);
        refuse();
        return false;
    }
    if (plan.camera() && rt::value(formSensorSetup::instance().chkMultiCamEnabled) == 1 &&
        SetCamFriendlyName(plan.slot.slot, plan.name, plan.driverText) != 1) {
        refuse(); // the installation is not finished; the user has been told
        return false;
    }
    return true;
}

// A type is chosen and known, and the device has a name.
bool formAddDevice::checkTypeAndName(const Plan& plan) {
    if (plan.type == kPlaceholder) {
        rt::MsgBox(QStringLiteral("Please choose the type of the device."), rt::vbInformation);
        refuse();
        return false;
    }
    if (plan.name.isEmpty()) {
        rt::MsgBox(QStringLiteral("Device name cannot be blank"), rt::vbInformation);
        show();
        txtDeviceName->setFocus();
        return false;
    }
    if (plan.type.isEmpty()) {
        rt::MsgBox(kNoDrivers, rt::vbCritical);
        refuse();
        return false;
    }
    if (!typeList().contains(plan.type)) {
        rt::MsgBox(QStringLiteral("Unknown device type: ") + plan.type, rt::vbInformation);
        refuse();
        return false;
    }
    return true;
}

// The port is stored as a plain number, which connecting the sensor relies on; a port a registered
// row uses is refused with nothing written.
bool formAddDevice::checkPort(Plan& plan) {
    bool whole = false;
    const int port = plan.port.trimmed().toInt(&whole);
    QString refusal;
    if (!whole || port < 1 || port > 256) {
        refusal = QStringLiteral("The Com port must be a whole number from 1 to 256.");
    } else if (const int row = RowUsingPort(port)) {
        // One sensor per port: the row that has it is named.
        refusal = QStringLiteral("COM%1 is already configured for the %2 device \"%3\". "
                                 "Please choose another port.")
                      .arg(port)
                      .arg(formSensorSetup::instance().lblDeviceType[row]->text(),
                           CorvisentMain::instance().lblSensor1[row]->text());
    }
    if (!refusal.isEmpty()) {
        rt::MsgBox(refusal, rt::vbInformation);
        show();
        cmbComNum->setFocus();
        return false;
    }
    plan.port = QString::number(port);
    cmbComNum->setEditText(plan.port); // the INI mirror takes the same text
    return true;
}

// A camera needs a driver that is installed and not already in use; a second camera of the
// single-camera kind is refused.
bool formAddDevice::checkCameraDriver(Plan& plan) {
    if (plan.code == typeVideo2 && singleCameraPresent()) {
        rt::MsgBox(QStringLiteral("Only one Corvisent/V2 camera can be used at this time."));
        refuse();
        return false;
    }
    plan.driverIndex = cbDriver->currentIndex();
    plan.driverText = cbDriver->currentText();
    bool driverTaken = false;
    for (int pos = 1; pos <= 4; ++pos)
        driverTaken = driverTaken || iCamSlot[pos] == plan.driverIndex;
    if (plan.driverIndex < 0 || plan.driverText.isEmpty() || plan.driverText == QLatin1String("<none>") ||
        plan.driverText.contains(QLatin1String("Unavail")) || driverTaken) {
        rt::MsgBox(kNoDrivers, rt::vbCritical);
        refuse();
        return false;
    }
    return true;
}

// A combined sensor: the humidity half in the row, the temperature half in the row below.
void formAddDevice::registerCombined(const Plan& plan) {
    auto& m = CorvisentMain::instance();
    auto& s = formSensorSetup::instance();
    const int row = plan.row;
    const QString& name = plan.name;
    const QString sub = plan.subIndex();
    const int second = row + 1;
    s.lblDeviceType[row]->setText(strTypeComboHumid);
    s.lblDeviceType[second]->setText(strTypeComboTemp);
    store(row, QStringLiteral("DeviceType"), strTypeComboHumid);
    takeSlot(*CorvisentMain::kindTab(typeHumidity), plan.slot.humidSlot, row, name);
    takeSlot(*CorvisentMain::kindTab(typeTemperature), plan.slot.tempSlot, second, name);
    for (int r : {row, second}) {
        m.lblSensor1[r]->setText(name);
        s.lblSubIndex[r]->setText(sub);
    }
    rt::setTag(m.lblMeasure[row], QStringLiteral("0"));
    rt::setTag(m.lblMeasure[second], QStringLiteral("1"));
    for (int r : {row, second})
        RegisterRow(r, typeCombo, plan.slot.humidSlot, plan.slot.tempSlot);
    rt::setValue(s.chkEmailAlert[typeTemperature], 1);
    rt::setValue(s.chkEmailAlert[typeHumidity], 1);
    CheckIfNoDevices(typeCombo);
    const QString halves[] = {strTypeComboHumid, strTypeComboTemp};
    for (int half = 0; half < 2; ++half) {
        const int r = row + half;
        DeleteDeviceSettings(r);
        store(r, QStringLiteral("DeviceType"), halves[half]);
        // The two halves store name and port in opposite orders.
        store(r, half == 0 ? QStringLiteral("DeviceName") : QStringLiteral("Port"),
              half == 0 ? name : plan.port);
        store(r, half == 0 ? QStringLiteral("Port") : QStringLiteral("DeviceName"),
              half == 0 ? plan.port : name);
        store(r, QStringLiteral("SubIndex"), sub);
        store(r, QStringLiteral("TabLogging"), QStringLiteral("0"));
        store(r, QStringLiteral("FileLogging"), QStringLiteral("0"));
        SaveDeviceINI(typeCombo, r, sub, half == 0 ? 2 : 1);
    }
    m.lblSensor1[second]->show();
}

void formAddDevice::registerSensor(const Plan& plan) {
    if (plan.combined()) {
        registerCombined(plan);
        return;
    }
    auto& m = CorvisentMain::instance();
    auto& s = formSensorSetup::instance();
    const int row = plan.row;
    const QString& name = plan.name;
    const QString sub = plan.subIndex();
    const int code = plan.code;
    const int slot = plan.slot.slot;
    const CorvisentMain::KindTab& tab = *CorvisentMain::kindTab(code);
    RegisterRow(row, code, slot);
    if (code == typeAccel) {
        const bool bump = rt::value(chkSetToBinaryMode) == 1;
        rt::setValue(s.chkBinaryMode[row], bump ? 1 : 0);
        SetStartMode(row, bump ? QStringLiteral("1") : QStringLiteral("0"));
        iBumpMode[row] = bump ? 1 : 0;
        m.cmdSetToBump[slot]->setText(bump ? QStringLiteral("Stop monitoring")
                                           : QStringLiteral("Set to Monitor 'bump'"));
        SetCalibrateOnConnect(row, rt::value(chkCalibrateOnConnect) == 1 ? QStringLiteral("1") : QStringLiteral("0"));
    } else if (code == typeDistance) {
        const bool prox = rt::value(chkSetToProxMode) == 1;
        rt::setValue(s.chkBinaryMode[row], prox ? 1 : 0);
        SetStartMode(row, prox ? QStringLiteral("1") : QStringLiteral("0"));
        iProxMode[row] = prox ? 1 : 0;
        m.cmdSetToProximityMode[slot]->setText(prox ? QStringLiteral("Set to Distance Mode")
                                                    : QStringLiteral("Set to Proximity mode"));
    }
    int eventIndex = 0;
    if (code == typeProximity || code == typeDistance) {
        eventIndex = FindFirstProxAvailable();
        if (eventIndex > 0) {
            iProxSlot[row] = eventIndex;
            rt::setCaption(s.frameProxBehavior[eventIndex], name);
            s.frameProxBehavior[eventIndex]->show();
            s.frameProxBehaviorEx[eventIndex]->show();
            AnyProxBehaviorFrameShown(1);
        } else {
            rt::MsgBox(QStringLiteral("This proximity device will not be allowed to trigger events"));
        }
    }
    m.lblSensor1[row]->setText(name);
    s.lblSubIndex[row]->setText(sub);
    takeSlot(tab, slot, row, name);
    rt::setValue(s.chkEmailAlert[code], 1);
    CheckIfNoDevices(code);
    s.lblDeviceType[row]->setText(plan.type);

    // The record, key by key in the order the stored list has always had.
    const bool modeKinds = code == typeAccel || code == typeDistance;
    if (!modeKinds) store(row, QStringLiteral("DeviceType"), plan.type);
    DeleteDeviceSettings(row);
    if (code == typeWater) {
        store(row, QStringLiteral("DeviceType"), plan.type);
        store(row, QStringLiteral("DeviceName"), name);
    }
    store(row, QStringLiteral("Port"), plan.port);
    store(row, QStringLiteral("SubIndex"), sub);
    store(row, QStringLiteral("TabLogging"), QStringLiteral("0"));
    store(row, QStringLiteral("FileLogging"), QStringLiteral("0"));
    if (code == typeAccel) {
        store(row, QStringLiteral("CalibrateOnConnect"), checkText(chkCalibrateOnConnect));
        store(row, QStringLiteral("StartInBump"), checkText(chkSetToBinaryMode));
        store(row, QStringLiteral("StartInProx"), checkText(chkSetToProxMode));
    } else if (code == typeDistance) {
        store(row, QStringLiteral("StartInProx"), checkText(chkSetToProxMode));
        store(row, QStringLiteral("StartInBump"), checkText(chkSetToBinaryMode));
    }
    if (code == typeDistance || code == typeProximity)
        store(row, QStringLiteral("ProxEventIndex"), QString::number(eventIndex));
    SaveDeviceINI(code, row, sub, 0);
    if (modeKinds) store(row, QStringLiteral("DeviceType"), plan.type);
}

void formAddDevice::registerCamera(const Plan& plan) {
    auto& m = CorvisentMain::instance();
    auto& s = formSensorSetup::instance();
    const int row = plan.row;
    const int pos = plan.slot.slot;
    s.lblDeviceType[row]->setText(plan.type);
    store(row, QStringLiteral("DeviceType"), plan.type);
    RegisterRow(row, plan.code, pos);
    if (plan.code == typeVideo2) {
        m.setTabEnabled(CorvisentMain::tabVideo, false);
        rt::setValue(s.chkSendToSummary[row], 1);
    } else {
        m.setTabEnabled(CorvisentMain::tabVideo, true);
    }
    ++iTotalCameras;
    m.lblCamDeviceName[pos]->setText(plan.name);
    m.lblSensor1[row]->setText(plan.name);
    s.lblSubIndex[row]->setText(plan.subIndex());
    DeleteDeviceSettings(row);
    store(row, QStringLiteral("DeviceName"), plan.name);
    store(row, QStringLiteral("SubIndex"), plan.subIndex());
    settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalCameras", QString::number(iTotalCameras));
    s.chkSendToSummary[row]->show();
    s.chkSendToSummary[row]->setEnabled(false);
    s.chkFileLogging[row]->hide();
    s.chkTabLogging[row]->hide();
    iCamSlot[pos] = plan.driverIndex;
    rt::setTag(m.Label1[pos], plan.driverText);
    if (rt::value(s.chkMultiCamEnabled) == 1) {
        // The driver's friendly name was written when the camera was checked.
        m.setTabEnabled(CorvisentMain::tabVideo, true);
        const QString serial = FindCamSerial(plan.driverText);
        SetUsedByDriver(row, plan.driverText);
        rt::setTag(m.frameSurvTabCoverUp[pos], serial);
        SetCamResolution(row, QStringLiteral("2"));
    }
}

void formAddDevice::finishRegistration(const Plan& plan) {
    auto& m = CorvisentMain::instance();
    auto& s = formSensorSetup::instance();
    const int row = plan.row;
    store(row, QStringLiteral("DeviceType"), s.lblDeviceType[row]->text());
    store(row, QStringLiteral("DeviceName"), plan.name);
    if (plan.camera()) {
        store(row, QStringLiteral("DriverName"), plan.driverText);
        store(row, QStringLiteral("CamDriverIndex"), QString::number(plan.driverIndex));
        for (QWidget* w :
             {static_cast<QWidget*>(s.chkFileLogging[row]), static_cast<QWidget*>(s.chkTabLogging[row]),
              static_cast<QWidget*>(s.chkBinaryMode[row])})
            w->setEnabled(false);
        s.lblNoCamDevicePresent->hide();
        m.lblNoCamDevicePresent->hide();
        s.cambehavioral->show();
        s.txtPrefaceFiles->show();
        const int pos = plan.slot.slot;
        rt::setCaption(s.frameCamSetupCover[pos], plan.name);
        s.frameCamSetupCover[pos]->show();
        rt::setTag(s.frameCamSetupCover[pos], QString::number(pos));
        s.chkCamMonitorOnly[pos]->show();
    } else {
        s.txtDeviceComNumber[row]->setText(plan.port);
        s.cmdConnectSensor[row]->setText(QStringLiteral("Connect"));
        s.chkFileLogging[row]->setEnabled(true);
        s.chkTabLogging[row]->setEnabled(true);
        s.cmdConnectSensor[row]->setEnabled(true);
    }
    s.cmdConnectAll->setEnabled(true);
    MakeInvisible(1, row, iDeviceType(row));
    // The row looks like one loaded at start-up: slot shown, port box hidden until asked for,
    // camera rows without logging boxes.
    s.lblSubIndex[row]->show();
    s.txtDeviceComNumber[row]->hide();
    if (plan.camera()) {
        s.chkFileLogging[row]->hide();
        s.chkTabLogging[row]->hide();
    }
    const int last = plan.combined() ? row + 1 : row;
    for (int r = row; r <= last; ++r) {
        m.lblSensorReading[r]->setText(QStringLiteral("OFF"));
        m.lblSensorReading[r]->show();
        m.lblSensor1[r]->show();
        m.lblSensorStatus[r]->show();
    }
    if (plan.combined()) {
        s.lblDeviceType[row + 1]->show();
        s.imgStatus[row + 1]->show();
        s.lblSubIndex[row + 1]->show();
        s.txtDeviceComNumber[row + 1]->setText(plan.port);
        s.txtDeviceComNumber[row + 1]->hide();
    }
    const int total = int(rt::Val(settingsvalues::readKey(settingsvalues::Store::Tree, "TotalDevices", 0, QString()))) +
                      (plan.combined() ? 2 : 1);
    settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalDevices", QString::number(total));
    settingsvalues::saveKey(settingsvalues::Store::Ini, "TotalDevices", QString::number(total));
    rt::setValue(s.chkTabLogging[row], 1);
    rt::setValue(s.chkFileLogging[row], 1);
    if (plan.camera())
        settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalCameras", QString::number(iTotalCameras));
    txtDeviceName->clear();
    m.lblSensorStatus[row]->setText(QString());
    unload();
}

void formAddDevice::SaveDeviceINI(int kind, int row, const QString& subIndex, int half) {
    auto& s = formSensorSetup::instance();
    QString type = m_typeText;
    if (kind == typeCombo) {
        if (half == 1)
            type = strTypeComboTemp;
        else if (half == 2)
            type = strTypeComboHumid;
        else
            return;
    }
    const QString section = modIni::kDeviceSetup + QStringLiteral("\\%1").arg(row);
    auto write = [&](const QString& key, const QString& value) {
        if (!modIni::WriteIni(section, key, value))
            throw rt::VbError(75, QStringLiteral("Path/File access error"));
    };
    try {
        // A section left by an earlier device of this row must not lend it its keys.
        write(QString(), QString());
        write(QStringLiteral("DeviceType"), type);
        write(QStringLiteral("DeviceName"), txtDeviceName->text());
        write(QStringLiteral("Port"), cmbComNum->currentText());
        write(QStringLiteral("SubIndex"), subIndex);
        if (kind == typeCombo) return;
        write(QStringLiteral("TabLogging"), checkText(Ctl(s.chkTabLogging, row)));
        write(QStringLiteral("FileLogging"), checkText(Ctl(s.chkFileLogging, row)));
        if (kind == typeAccel || kind == typeDistance) {
            write(QStringLiteral("CalibrateOnConnect"), checkText(chkCalibrateOnConnect));
            write(QStringLiteral("StartInBump"), checkText(chkSetToBinaryMode));
            write(QStringLiteral("StartInProx"), checkText(chkSetToProxMode));
        }
    } catch (const rt::VbError& e) {
        rt::MsgBox(QStringLiteral("SaveDeviceINI error: ") + e.description());
    }
}
