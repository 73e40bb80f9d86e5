#pragma once

// Device records: the stored form of each configured device row, in the settings tree
// ("PortConfig\Devices\" and the row) and in the INI mirror ("Device Setup\" and the row), and
// the two loaders that turn them back into the setup dialog's rows, the main window's tabs and
// summary rows, the slot tables and the camera controls.
namespace modSupport {

// Loads rows 1..10 from the settings tree. A record that cannot be placed (a slot that is not a
// number or not 1..4, a slot already taken, a combined sensor's slot of one figure) is reported
// and its row left empty, with the other half of a combined sensor; the other rows load and
// nothing stored is changed. 1 when every
// record loaded, else 0.
short LoadDevicePrefs();

// Loads the device list from the INI mirror: rows 1..10 whose section holds a device type.
// Proximity-capable rows take their event index from the settings tree record, else the lowest
// free one. Bad records are reported and skipped as above.
void LoadDeviceINI();

// Removes the record of row n (n > 0), or every record (any other n). Reports nothing.
void DeleteDeviceSettings(int n);

} // namespace modSupport
