#pragma once
#include <QByteArray>
#include <QString>

#include "runtime/task.h"

namespace platform {
class MSCommControl;
}
namespace modSupport {
class RowExchange;
}

// Request-and-reply exchanges with a single sensor: readings of the polled kinds, calibration of
// the accelerometer and the stream commands. The exchanges pause on the program clock between
// their pieces while other ports, rows and windows are served; the port's own events are held
// meanwhile so that the exchange takes its replies itself. Results cross as text ("" no reading,
// "999" after a run-time error).
namespace modCorvisent {

// Command pieces and reply markers of the sensors' line protocol.
inline const QByteArray kCR = QByteArrayLiteral("\r");
inline const QString kSensorError = QStringLiteral("Sensor Error");

// One reading of a temperature (kind 1), humidity (2), accelerometer (8) or distance (9) sensor:
// up to ten queries, the sensor taken back (disconnected) when all stay silent. A temperature
// reading follows the unit chosen on the setup dialog.
rt::Task<QString> newTakeCVReading(platform::MSCommControl* port, int row, int kind);
// One reading of a combined sensor, whose first row (humidity half) is row: the temperature, "/",
// the humidity; a half without a reading is empty.
rt::Task<QString> THRead(platform::MSCommControl* port, int row);
// Zeroes an accelerometer and puts it back into the output mode the row records; logs
// " Calibrated" on the Acceleration tab's log of slot.
rt::Task<> CalibrateAccel(platform::MSCommControl* port, int row, int kind, int slot);
// Puts an accelerometer (kind 8) or distance sensor (9) into continuous output. Inside a row's
// exchange, it ends at the first pause after which the row has changed. The exchange, when one is
// given, is the caller's and lasts until this ends.
rt::Task<> SetStreamMode(platform::MSCommControl* port, int kind,
                         const modSupport::RowExchange* exchange = nullptr);

// Suspends the exchange until the reply's carriage return has arrived on port, or boundMs have
// passed, or the port has closed, or the exchange's row has changed; true when the carriage return
// is in and the row is the same. The event loop goes on meanwhile.
rt::Task<bool> AwaitReply(platform::MSCommControl* port, int boundMs, const modSupport::RowExchange* exchange = nullptr);

// A one-letter command: the letter, 200 ms, CR, then afterMs (none when 0); false when the row
// changed in a pause.
rt::Task<bool> SendInTwo(platform::MSCommControl* port, const char* letter, const modSupport::RowExchange& exchange,
                         int afterMs);
// Sends "S", pauses 200 ms, sends CR, then drains (not when the exchange's row changed meanwhile).
rt::Task<> StopAndDrain(platform::MSCommControl* port, const modSupport::RowExchange* exchange = nullptr);
// Reads and discards while two or more characters wait (a single one stays).
void Drain(platform::MSCommControl* port);

// The reading of a reply by kind: 1 and 9 the number of the first 6 characters, 2 the first 5,
// 8 X (characters 1-6), " / ", Y (characters 8-13); "" for any other kind and for a reply without
// a digit. The combined sensor's halves use ComboHalf.
QString ReadingOfReply(int kind, const QString& reply);
// The number of the first 5 characters, as text; "" for a reply without a digit.
QString ComboHalf(const QString& reply);

} // namespace modCorvisent
