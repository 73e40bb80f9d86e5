#include "cameras/camdrivers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <optional>

#include "cameras/ezVidCap.h"
#include "platform/capture.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"

namespace modSupport {

namespace {

using modRegistry::HKEY_LOCAL_MACHINE;

const QString kCamInfo = QStringLiteral("Software\\Zovir Izovezo\\Camera Info\\");
const QString kSingleProfile = QStringLiteral("Software\\Zovir Izovezo\\AVI\\UserProfile1\\");
const QString kResolution = QStringLiteral("Resolution");

QString deviceSection(int row) { return QStringLiteral("PortConfig\\Devices\\%1").arg(row); }

QString camInfo(const QString& key, const QString& value) {
    return modRegistry::GetStringFromRegKey(HKEY_LOCAL_MACHINE, kCamInfo + key, value);
}

// The camera-info key of the camera whose friendly name is name (exact, case-sensitive).
std::optional<QString> lookUpCamera(const QString& name) {
    for (const QString& k : modRegistry::strCamInfoKeys)
        if (camInfo(k, QStringLiteral("FriendlyName")) == name) return k;
    return std::nullopt;
}

bool multiCam() { return rt::value(formSensorSetup::instance().chkMultiCamEnabled) == 1; }

// The instance key of driver d: the resolution writers spell it "Vicam", the name writer "vicam";
// key names compare without case.
QString instanceProfileKey(const QString& d) {
    return QStringLiteral("Software\\Zovir Izovezo\\AVI\\Vicam%1.drv\\UserProfile1\\").arg(d);
}

} // namespace

int CheckCamDrivers() {
    try {
        QCheckBox* box = formSensorSetup::instance().chkMultiCamEnabled;
        auto& reg = platform::Registry::instance();
        int flags = 0;
        if (reg.keyExists(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Zovir Izovezo\\AVI\\vicam001.drv\\"))) {
            flags |= 4;
            rt::setValue(box, 1);
        } else {
            flags |= 1;
            rt::setValue(box, 0);
        }
        if (reg.keyExists(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Quillon Devices\\CorvisentV2"))) flags |= 8;
        rt::setTag(box, QString::number(flags));
        return flags;
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("A problem occured in CheckCamDrivers"));
        return 0;
    }
}

void SetCamResolution(int row, const QString& value) {
    try {
        const QString res = value.isEmpty() ? QStringLiteral("2") : value;
        if (rt::value(formSensorSetup::instance().chkMultiCamEnabled) == 0) {
            modRegistry::SaveStringToReg(HKEY_LOCAL_MACHINE, kSingleProfile, kResolution, res);
            return;
        }
        const QString d = modPrefs::GetPref(deviceSection(row), QStringLiteral("UsedByDriver"));
        if (!d.isEmpty()) modRegistry::SaveStringToReg(HKEY_LOCAL_MACHINE, instanceProfileKey(d), kResolution, res);
    } catch (const std::exception&) {
    }
}

void SetUsedByDriver(int row, const QString& name) {
    try {
        if (const auto k = lookUpCamera(name))
            modPrefs::SavePref(deviceSection(row), QStringLiteral("UsedByDriver"), camInfo(*k, QStringLiteral("UsedByDrvr")));
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in SetUsedByDriver"));
    }
}

int SetCamFriendlyName(int, const QString& newName, const QString& name) {
    try {
        if (!multiCam()) return 0;
        const auto k = lookUpCamera(name);
        const QString d = k ? camInfo(*k, QStringLiteral("UsedByDrvr")) : QString();
        // A camera without a driver instance number is not installed either.
        if (d.isEmpty()) {
            rt::MsgBox(QStringLiteral("Error: You must finish the camera installation first by rebooting."));
            return 0;
        }
        modRegistry::SaveStringToReg(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Zovir Izovezo\\AVI\\vicam%1.drv\\").arg(d),
                                     QStringLiteral("FriendlyName"), newName);
        modRegistry::SaveStringToReg(HKEY_LOCAL_MACHINE,
                                     QStringLiteral("Software\\Zovir Izovezo\\AVI\\vicam%1.drv\\UserProfile1\\").arg(d),
                                     kResolution, QStringLiteral("2"));
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

QString FindCamSerial(const QString& name) {
    try {
        if (const auto k = lookUpCamera(name)) return camInfo(*k, QStringLiteral("SerialNumber"));
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in FindCamSerial"));
    }
    return QString();
}

platform::CaptureProfile CamCaptureProfile(const QString& description) {
    QString res;
    if (!multiCam()) {
        res = modRegistry::GetStringFromRegKey(HKEY_LOCAL_MACHINE, kSingleProfile, kResolution);
    } else if (const auto k = lookUpCamera(description)) {
        const QString d = camInfo(*k, QStringLiteral("UsedByDrvr"));
        if (!d.isEmpty()) res = modRegistry::GetStringFromRegKey(HKEY_LOCAL_MACHINE, instanceProfileKey(d), kResolution);
    }
    return res == QLatin1String("1") ? platform::CaptureProfile::Small : platform::CaptureProfile::Default;
}

namespace {

void refuseCamera(const CamListControls& form, const QString& why) {
    rt::MsgBox(why);
    rt::MsgBox(QStringLiteral("Please be sure all cameras are attached"), rt::vbInformation);
    if (QComboBox* type = form.cmbSensorTypeSelection) {
        // Emptying the choice is not a choice: the type handler does not run.
        const QSignalBlocker quiet(type);
        type->setCurrentIndex(-1);
        if (type->isEditable()) type->setEditText(QString());
    }
    if (form.txtDeviceName) form.txtDeviceName->setEnabled(false);
    if (form.lblDeviceName) form.lblDeviceName->setEnabled(false);
}

} // namespace

void BuildCamList(int mode, const CamListControls& form) {
    try {
        QComboBox* list = form.cbDriver;
        if (!list) return;
        {
            const QSignalBlocker quiet(list);
            list->clear();
        }
        const int n = ezVidCap::driverCount();
        if (n < 1) {
            {
                const QSignalBlocker quiet(list);
                list->addItem(QStringLiteral("<none>"));
            }
            list->setCurrentIndex(0);
            refuseCamera(form, QStringLiteral("No video capture devices found"));
            return;
        }
        const QString unavail = QStringLiteral("<Unavail>");
        {
            const QSignalBlocker quiet(list);
            for (int i = 0; i < n; ++i) {
                QString desc = ezVidCap::driverDescription(i);
                if (mode == 0 && desc.startsWith(QLatin1String("Microsoft WDM"))) desc += unavail;
                for (int pos = 1; pos <= 4; ++pos) {
                    if (iCamSlot[pos] == i) {
                        desc += unavail;
                        break;
                    }
                }
                list->addItem(desc);
            }
            list->setCurrentIndex(-1);
        }
        for (int i = 0; i < list->count(); ++i) {
            if (!list->itemText(i).contains(QLatin1String("Unavail"))) {
                list->setCurrentIndex(i);
                return;
            }
        }
        refuseCamera(form, QStringLiteral("No more capture drivers available"));
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in BuildCamList"));
    }
}

} // namespace modSupport
