#pragma once
#include <QString>

#include "runtime/task.h"

// Sensors behind the USB-serial hub: finding and asking them by serial number.
namespace modPNP {

// Asks the sensor on COM port `port` for its identity through the main window's sensor port of
// device row `row` ("9600,n,8,1", four tries 3 s apart); "" when the port cannot be opened or
// the sensor stays silent. The port is closed again in every case.
rt::Task<QString> GetDeviceIDString(int row, int port);

// 1 for the NT family of systems, 2 for the older family (this system always answers 1).
int GetOSType();

// The machine-hive key of the hub driver's ports on the older family: subkeys whose name holds
// "<serial>-0" from the 8th character (the NT family's is platform::kHubEnumKey).
extern const QString kHubEnumKey9x;

// The COM number (as text) of the hub port with this serial number; "" when none has it.
QString FindComFromSerial(const QString& serial, int os);

// Asks for serial numbers one after another and adds the sensor found on each one's port,
// until the user enters "done" or cancels.
rt::Task<> GetBySerial();

// Starts the hub's configuration utility ("kestlink" on the search path or in the program
// folder); tells the user when it cannot be found.
void RunKestlinkConfig();

} // namespace modPNP
