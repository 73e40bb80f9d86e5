#pragma once
#include <QString>
#include <array>

#include "runtime/task.h"
#include "settings/maincontrols.h"

namespace platform {
class MSCommControl;
}

// What each kind of serial sensor does on its line: how its port is set up, how it is asked who it
// is and for a reading, how it reports, and what the user is told when it does not answer. One
// record per type code, beside the layout record of the kind's tab (CorvisentMainControls::kindTab), which
// the combined sensor does not have. Cameras are not serial sensors and have no record.
namespace modSupport {

class RowExchange;

// Written before the port is opened; RTS on, no handshaking, binary input, the whole buffer read.
struct LineSettings {
    const char* settings = "9600,n,8,1";
    int rThreshold = 0; // 1: a port event for every character received
    int sThreshold = 0;
};

// A command: its first piece, then after pauseMs (0: at once) its second piece, if any.
struct SensorCommand {
    const char* first = nullptr;
    const char* then = nullptr;
    int pauseMs = 0;
};

enum class Reporting {
    Polled, // read by the row's timer
    Events, // reports on port events (proximity, water)
    Stream, // starts in its stored mode: streaming lines or reporting events
};

enum class Unit { None, Percent, Temperature }; // Temperature: "C" or "F" as the setup window says

struct SensorKind {
    int code = 0; // type code
    Reporting reporting = Reporting::Polled;
    LineSettings line{};
    SensorCommand identityQuery{.first = "i\r"};
    // Marks of the identity reply that accept the device (any one).
    std::array<const char*, 2> identities{};
    // A reply with this mark is a related device the row cannot take: the row is deleted.
    const char* removedOn = nullptr;
    // A reply from another device: this box, then "Device string returned: " and the reply;
    // nullptr: "Device appears to be a " and the reply, in a box of appearsStyle.
    const char* notThisKind = nullptr;
    int appearsStyle = 0;
    const char* noReply = "Device not responding to ID query.";
    // The reading query; one that names the unit is "tf" or "tc" as the setup window says.
    SensorCommand readingQuery{};
    bool queryNamesUnit = false;
    const char* streamCommand = nullptr; // sent with "+" to start continuous output
    std::array<Unit, 2> units{};         // lblMeasure of the row and of the row below
    // Hidden on connect beside the kind's no-device label.
    QLabel* CorvisentMainControls::*alsoHidden = nullptr;
    int readingFontSize = 0;   // the summary reading's font size on connect; 0: unchanged
    bool dropsInputOnOpen = false; // what waits in the buffer when the port opens is read away
    // Popup commands enabled once the device is accepted.
    std::array<QAction* CorvisentMainControls::*, 3> modeMenus{};
    // One reading; nullptr for a kind that is not read by queries.
    rt::Task<QString> (*read)(platform::MSCommControl* port, int row, int kind) = nullptr;
    // Starts a streaming kind in the row's stored mode.
    rt::Task<> (*start)(RowExchange exchange, int slot, QString startMode) = nullptr;
};

// The record of a type code; nullptr for cameras, empty and disabled rows.
const SensorKind* SensorKindOf(int code);

// The kind's line settings on a closed port.
void SetLine(platform::MSCommControl* port, const LineSettings& line);
// Sends the command; false (the second piece unsent) when the exchange's row changed in the pause.
rt::Task<bool> SendCommand(platform::MSCommControl* port, SensorCommand command, const RowExchange* exchange);
// True when the reply names the kind.
bool Identifies(const SensorKind& kind, const QString& reply);

// The streaming kinds' starts (the connect's last step).
rt::Task<> StartAccel(RowExchange exchange, int slot, QString startMode);
rt::Task<> StartDistance(RowExchange exchange, int slot, QString startMode);

} // namespace modSupport
