#pragma once
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// COM numbers and device paths. The map lives in the machine hive under
// "HARDWARE\DEVICEMAP\SERIALCOMM": each value is named by a device path ("/dev/ttyUSB0") and holds
// its COM name ("COM3"). Entries written by hand (a pseudo-terminal, say) are used as they stand.
// Serial devices the system lists get the lowest free number the first time they are seen and keep
// it, also while they are unplugged.
extern const QString kSerialCommKey;

// The device path of "COM" n; empty when none is mapped. A number not yet mapped first makes the
// newly found devices take their numbers.
QString comPortPath(int n);
// The COM number of a device path, 0 when it has none.
int comPortNumber(const QString& devicePath);
// Whether "COM" n can be opened: it is mapped and its device opens (it is closed again at once).
// A device another program or control holds open does not.
bool comPortExists(int n);
// The same for a COM device name as Windows spells it: "COM3", or "//./COM12" (also "\\.\COM12").
bool comDeviceExists(const QString& deviceName);
// Gives every listed device without an entry the lowest free number, then records the COM
// number of each USB serial adapter listed by serial number (see recordHubPorts).
void refreshComPorts();
// For each link in folder byIdDir ("/dev/serial/by-id": names such as
// "usb-Vendor_Product_A1B2C3-if00-port0") whose device has a COM number, writes that number as
// the hub driver's port key of the serial number, so the adapter can be found by it.
void recordHubPorts(const QString& byIdDir);
extern const QString kHubEnumKey; // "SYSTEM\CurrentControlSet\Enum\KestSer"
// While one lives, looking a COM number up never lists the system's devices again: a pass over
// many numbers takes in new devices once, when it starts, and not again for each missing number.
class DiscoveryHold {
public:
    DiscoveryHold();
    ~DiscoveryHold();
    DiscoveryHold(const DiscoveryHold&) = delete;
    DiscoveryHold& operator=(const DiscoveryHold&) = delete;
};

// The source of the device list: by default the serial ports the system reports. An empty
// function turns discovery off (tests do, so that only ports they create are ever touched).
using ComPortDiscovery = std::function<QStringList()>;
void setComPortDiscovery(ComPortDiscovery discovery);
ComPortDiscovery comPortDiscovery();
QStringList systemSerialPorts();

} // namespace platform
