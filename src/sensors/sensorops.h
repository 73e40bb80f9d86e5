#pragma once
#include <QString>
#include <array>

#include "runtime/task.h"

namespace platform {
class MSCommControl;
}

// Bringing a configured device row on line and taking it back, and the polling of the
// temperature, humidity and combined sensors.
namespace modSupport {

// Opens the row's port with its kind's line settings, checks the sensor's identity, opens its
// log file, fills its summary row and tab slot and starts its work. A failed connect leaves the
// row marked disabled (type 99) with "Sensor Error" and "OFF".
rt::Task<> ConnectSensor(int row);
// Stops the connected row's timer, closes its port and log file, clears its alert latches and
// shows "OFF". flag 1 when the polling tick gives up on a silent sensor (the reading keeps its
// colour), 0 from the Disconnect button.
void DisconnectSensor(int row, int flag);
// Starts the polling of a freshly connected temperature, humidity or combined row and takes its
// first reading at once; ends when that reading has.
rt::Task<> SetReadingInterval(int row);
// The setup row's Connect/Disconnect button: connects a row reading "Connect", disconnects one
// reading "Disconnect". The button's handler does nothing while the row is busy; a connect or
// reading that gives its own row up calls this directly.
rt::Task<> ToggleSensorConnection(int row);

// Per row: a popup mode command has talked to the row's accelerometer or distance sensor, so the
// next data event of that port only drains it (and clears the mark).
extern std::array<bool, 11> bSettingModeRow;

// ---- Helpers of the device-row procedures.
// True when the row holds the humidity half of a combined sensor and the next row its
// temperature half with the same two slots: the pair that connects, logs and is deleted as one.
bool ComboPairAt(int row);
// Place 0 of iPortOpen set to the number of connected rows.
void RecountPortOpen();
// The serial port control that serves a device of the kind at the row (MSComm for the polled
// kinds).
platform::MSCommControl* PortOf(int row, int kind);
// The display slot when it is 1..4; rt::VbError 9 otherwise.
int CheckedSlot(int slot);
// Closes every serial port control of the row that is open.
void CloseRowPorts(int row);
// Ends whatever the row is doing, before the row is deleted: its timers stop, its ports and log
// file close. The caller gives the row its new generation first, so that an exchange waiting on
// the row ends quietly.
void StopRow(int row);

} // namespace modSupport
