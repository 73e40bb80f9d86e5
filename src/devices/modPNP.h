#pragma once
#include <QString>

// Sensors behind the USB-serial hub: finding and asking them by serial number.
namespace modPNP {

// Asks the sensor on COM port `port` for its identity through the main window's sensor port of
// device row `row` ("9600,n,8,1", four tries 3 s apart); "" when the port cannot be opened or
// the sensor stays silent. The port is closed again in every case.
QString GetDeviceIDString(int row, int port);

} // namespace modPNP
