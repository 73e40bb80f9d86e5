#pragma once
#include <QString>

#include "runtime/task.h"

// The record of each device row (1..10): what the row holds and how it starts, and the row's
// generation, which changes whenever the row may hold something else than before: a device
// registered or loaded into it, Delete, Disconnect, an unplug. It is the one place the program
// reads a row's kind, display slot, start mode, calibrate mark and log file from.
namespace modSupport {

struct DeviceRow {
    int kind = 0;             // type code; 0 for an empty row; 7 on both rows of a combined sensor
    bool disabled = false;    // the sensor failed its identity check; the row matches no kind
    int slot = 0;             // display slot (camera slot); a combined sensor's humidity slot
    int tempSlot = 0;         // a combined sensor's temperature slot
    QString startMode;        // "1" event mode, "0" streaming, "" none stored
    bool calibrateOnConnect = false;
    QString logPath;          // the row's current log file; "" when none
    unsigned long long generation = 0;
    int busy = 0;             // connects, disconnects and readings of this generation still running
};

// The record of a row; a row outside 1..10 gives an empty record that never changes.
const DeviceRow& RowOf(int row);
// The row's type code as the device tables match it, a read-only view of the record: its kind,
// 0 for an empty row or a row outside 1..10, and 99 while the row is disabled.
int iDeviceType(int row);
// A device takes the row: the record's fields, and a new generation.
void RegisterRow(int row, int kind, int slot, int tempSlot = 0);
// The row is empty again, with a new generation.
void ForgetRow(int row);
// Every row's device is let go of before the device list is loaded again: a new generation and
// no slot, start mode, calibrate mark or log file. The kinds stay until the setup rows give
// them again (CreateSetupArray).
void ForgetAllRows();
// The row's device is taken back (Disconnect, unplug): a new generation, the rest kept.
void AdvanceRow(int row);
// The row's kind as its setup row names it (the rebuild from the setup rows, a connect that
// accepted the sensor); the row is no longer disabled. The generation stays.
void SetRowKind(int row, int kind);
// The row's sensor failed its identity check: the row matches no kind until it connects or is
// given its kind again. The generation stays.
void DisableRow(int row);

void SetStartMode(int row, const QString& mode);          // "1", "0" or ""
void SetCalibrateOnConnect(int row, const QString& mark); // "1" on
void SetLogPath(int row, const QString& path);

// Taken at the start of a row's exchange with its sensor (a connect, a reading, a mode switch, a
// calibration, a probe): tells whether the row still holds what it held then. An exchange whose
// row changed during one of its waits ends quietly: it closes what it opened, shows no box and
// touches no control of the row.
class RowExchange {
public:
    explicit RowExchange(int row);
    int row() const { return m_row; }
    bool same() const;
    // Suspends the exchange for ms of program time, ending early when the row changes or the
    // program is asked to end; then same().
    rt::Task<bool> pause(int ms) const;

private:
    int m_row;
    unsigned long long m_generation;
};

// The same for a helper that may run outside any row's exchange (nullptr: no row to follow).
inline bool StillSame(const RowExchange* exchange) {
    return !exchange || exchange->same();
}
rt::Task<bool> PauseIn(const RowExchange* exchange, int ms);

// Held by a row's connect, disconnect and reading while they run: meanwhile a second Connect or
// Disconnect of the row does nothing, so that it never runs while the first one waits. Delete
// still ends them. A mark taken before the row changed no longer counts.
class RowBusy {
public:
    explicit RowBusy(int row);
    ~RowBusy();
    RowBusy(const RowBusy&) = delete;
    RowBusy& operator=(const RowBusy&) = delete;

private:
    int m_row;
    unsigned long long m_generation;
};
bool RowIsBusy(int row);

} // namespace modSupport
