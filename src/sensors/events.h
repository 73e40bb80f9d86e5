#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QLabel;
class QPlainTextEdit;
namespace platform {
class MSCommControl;
}

// Shared pieces of the serial event handlers of the accelerometer, water, proximity and distance
// sensors, and the proximity actions that the delay timers of the setup dialog run as well.
namespace modSupport {

// Last object state of each distance sensor row: "No Obj" after a no-object line, the last
// distance line otherwise, "" after an error line.
extern std::array<QString, 11> strLastDistState;

// Forgets the partial line and the stream position kept for the row's accelerometer and distance
// ports and the row's pending mode-reply drain, so that a fresh connection starts with clean input.
void ResetStreamInput(int row);

// Runs the walk-up (walkUp true) or walk-away command of proximity event index n, when the run
// command action is chosen and a command is set: as a program with the focus once a screen saver
// is the chosen command, otherwise opened with its parameters. rt::VbError 53 when the program
// cannot be started.
void RunProximityCommand(int n, bool walkUp);

} // namespace modSupport

namespace sensorevents {

// True while "Disable All Alerts" is not ticked.
bool AlertsOn();

// Shows a message box for an event of the port, unless a box of that port is still open: events
// that arrive while it waits for the user pile up no boxes of their own. Handlers read their
// event and line state before they call this.
void PortMessage(const platform::MSCommControl* port, const QString& text, int style);
// Shows the message of a serial line error of the port (framing, overrun, receive overflow,
// parity, transmit full) through PortMessage and returns true for those five; false for any
// other event.
bool ReportLineError(platform::MSCommControl* port, int commEvent);

// Complete lines received on a streaming port: takes the port's input, returns every non-empty
// line ended by a carriage return (without it and without a leading line feed) and keeps an
// unfinished line for the next event. After a drain that may have stopped in the middle of a
// line, the text up to the next carriage return is dropped.
QStringList TakeLines(platform::MSCommControl* port);
// Hands every complete line (TakeLines) to handle in arrival order; a line that fails does not stop
// the next one. The port's own events are held until the last line is handled.
void EachLine(platform::MSCommControl* port, const std::function<void(const QString&)>& handle);
// The first data event of a port after a popup mode command only drains it: true when this event
// was that one (the row's mark is then cleared).
bool SwallowModeReply(platform::MSCommControl* port, int row, int commEvent);
// Mode commands sent to the port (the stream start command, a stop, a sensitivity) have count
// "OK" replies still to come, those in already included: they are not lines of the stream. A
// drain takes off the replies it holds.
void ExpectStartReplies(const platform::MSCommControl* port, int count);
// Reads and discards while two or more characters wait, and forgets the kept partial line.
void DrainMode(platform::MSCommControl* port);
// Reads and discards everything that waits, and forgets the kept partial line.
void DrainAll(platform::MSCommControl* port);

// True when a delay box asks for no delay: a number equal to 0 ("0", "00", " 0").
bool NoDelay(const QString& text);

// Sets a streamed reading on its summary label. The text is the label's at once (alert mails,
// pages and status files read it), but a label on screen is drawn at the screen's pace: the
// first new text holds its repaint for one frame, and the newest text is drawn when it ends.
void ShowReading(QLabel* label, const QString& text);

// A tab log line at the top of the box; a box of 2000 lines or more is emptied instead and the
// line is lost.
void TabLogLine(QPlainTextEdit* box, const QString& line);
// One line in the row's log file (opened and closed around it when files are closed after every
// write), followed by the file and folder size checks.
void FileLogLine(int row, int type, const QString& line);

// The current date in the system's short form and the time as "hh:mm:ssAM/PM".
QString LogDate();
QString LogTime();

// Steps of a DSR change of a proximity sensor (kind 3) or of a distance sensor in proximity mode
// (kind 9), presence being the line state the event was read with: the summary caption, the
// walk-up and walk-away timers, the alert and log-off requests, the tab log line in
// boxes(logSlot), the file line, the immediate actions and the camera linked to camSlot. p is the
// row's proximity event index; outside 1..4 the actions are skipped. Returns false when the
// workstation was locked or a log-off requested, which ends the event.
bool ProximityLineChange(platform::MSCommControl* port, bool presence, int kind, int row, int logSlot,
                         int camSlot, int p, const std::array<QPlainTextEdit*, 5>& boxes);
// The system colour of button faces, as the summary reading label takes it back after an absence.
long ButtonFaceColor();

} // namespace sensorevents
