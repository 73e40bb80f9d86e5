#include "settings/rowrecord.h"

#include <array>

#include "settings/modSupport.h"

namespace modSupport {

namespace {

std::array<DeviceRow, 11>& rows() {
    static std::array<DeviceRow, 11> table{};
    return table;
}

bool inRange(int row) {
    return row >= 1 && row <= 10;
}

// Generations are never given twice, so a row emptied and taken again is never mistaken for the
// row it was.
unsigned long long nextGeneration() {
    static unsigned long long last = 0;
    return ++last;
}

DeviceRow* edit(int row) {
    return inRange(row) ? &rows()[row] : nullptr;
}

} // namespace

const DeviceRow& RowOf(int row) {
    static const DeviceRow none;
    return inRange(row) ? rows()[row] : none;
}

void RegisterRow(int row, int kind, int slot, int tempSlot) {
    if (DeviceRow* r = edit(row)) {
        *r = DeviceRow();
        r->kind = kind;
        r->slot = slot;
        r->tempSlot = tempSlot;
        r->generation = nextGeneration();
    }
}

void ForgetRow(int row) {
    if (DeviceRow* r = edit(row)) {
        *r = DeviceRow();
        r->generation = nextGeneration();
    }
}

int iDeviceType(int row) {
    const DeviceRow& r = RowOf(row);
    return r.disabled ? int(typeDisabled) : r.kind;
}

void ForgetAllRows() {
    for (int row = 1; row <= 10; ++row) {
        DeviceRow& r = rows()[row];
        const DeviceRow kept = r;
        r = DeviceRow();
        r.kind = kept.kind;
        r.disabled = kept.disabled;
        r.generation = nextGeneration();
    }
}

void AdvanceRow(int row) {
    if (DeviceRow* r = edit(row)) {
        r->generation = nextGeneration();
        r->busy = 0;
    }
}

void SetRowKind(int row, int kind) {
    if (DeviceRow* r = edit(row)) {
        r->kind = kind;
        r->disabled = false;
    }
}

void DisableRow(int row) {
    if (DeviceRow* r = edit(row)) r->disabled = true;
}

void SetStartMode(int row, const QString& mode) {
    if (DeviceRow* r = edit(row)) r->startMode = mode;
}

void SetCalibrateOnConnect(int row, const QString& mark) {
    if (DeviceRow* r = edit(row)) r->calibrateOnConnect = mark == QLatin1String("1");
}

void SetLogPath(int row, const QString& path) {
    if (DeviceRow* r = edit(row)) r->logPath = path;
}

RowExchange::RowExchange(int row) : m_row(row), m_generation(RowOf(row).generation) {}

bool RowExchange::same() const {
    return RowOf(m_row).generation == m_generation;
}

rt::Task<bool> RowExchange::pause(int ms) const {
    co_await rt::Until([this] { return !same(); }, ms);
    co_return same();
}

rt::Task<bool> PauseIn(const RowExchange* exchange, int ms) {
    if (exchange) co_return co_await exchange->pause(ms);
    co_await rt::Pause(ms);
    co_return true;
}

RowBusy::RowBusy(int row) : m_row(row), m_generation(RowOf(row).generation) {
    if (DeviceRow* r = edit(row)) ++r->busy;
}

RowBusy::~RowBusy() {
    DeviceRow* r = edit(m_row);
    if (r && r->generation == m_generation) --r->busy;
}

bool RowIsBusy(int row) {
    return RowOf(row).busy > 0;
}

} // namespace modSupport
