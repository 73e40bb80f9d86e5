#pragma once
#include <QString>

#include "sensors/camerarow.h"

class QComboBox;
class QWidget;
namespace platform {
enum class CaptureProfile;
}

// The camera driver's registry keys (HKEY_LOCAL_MACHINE "Software\Zovir Izovezo") and the list of
// capture drivers a new camera is chosen from.
//
// Capture drivers are the cameras the machine lists, numbered from 0 in its order. The driver's
// tree is optional: without the first camera model's key (its "vicam001.drv" key) the
// several-camera setup (chkMultiCamEnabled) is off and every camera uses the single "Resolution"
// value. Resolution profile "1" starts a camera at its smallest size of at
// least 320x240 (the summary view), "2" at its own size (a camera position).
namespace modSupport {

// Presence flags of the camera drivers: 1 the first model's key is missing, 4 it is present,
// 8 the second model's key ("SOFTWARE\Quillon Devices\CorvisentV2") is present. Sets
// chkMultiCamEnabled to 1 when the first model's key is there (0 otherwise) and keeps the flags
// as text in its tag.
int CheckCamDrivers();
// Stores in the row's device record ("UsedByDriver") the driver instance that serves the camera
// whose friendly name is name; nothing when the driver's tree does not know it.
void SetUsedByDriver(int row, const QString& name);
// Writes newName as the friendly name of the driver instance serving the camera known as name
// (and resolution profile "2"). 1 when written; 0 when the several-camera setup is off (silently)
// or the camera is not in the driver's tree (after telling the user). pos is not used.
int SetCamFriendlyName(int pos, const QString& newName, const QString& name);
// The serial number of the camera known as name; "" when not found.
QString FindCamSerial(const QString& name);
// The picture size the capture driver with this description starts with, from the profile last
// written for it.
platform::CaptureProfile CamCaptureProfile(const QString& description);

// The add-device window's controls the driver list fills or switches off.
struct CamListControls {
    QComboBox* cbDriver = nullptr;               // the capture-driver list
    QComboBox* cmbSensorTypeSelection = nullptr; // emptied when no driver can be chosen
    QWidget* txtDeviceName = nullptr;            // disabled then
    QWidget* lblDeviceName = nullptr;            // disabled then
};
// Fills the driver list: one entry per capture driver, its description, followed by "<Unavail>"
// when it cannot be chosen: it is held by a camera position, or (mode 0, the first camera model)
// its description begins with "Microsoft WDM". Any mode other than 0 offers those like any other.
// Selects the first entry that can be chosen; with none (or no driver at all) it tells the user,
// empties the type choice and disables the name box and its label. The list's index of an entry
// is its driver index.
void BuildCamList(int mode, const CamListControls& form);

} // namespace modSupport
