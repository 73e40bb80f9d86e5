#include <QLabel>

#include "platform/mscomm.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "sensors/sensorops.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using rt::Ctl;

namespace modSupport {

int CheckedSlot(int slot) {
    if (slot < 1 || slot > 4) throw rt::VbError(9, QStringLiteral("Subscript out of range"));
    return slot;
}

std::array<bool, 11> bSettingModeRow{};

bool ComboPairAt(int row) {
    if (row < 1 || row >= 10) return false;
    const SensorSetupControls& setup = SensorSetupControls::instance();
    const DeviceRow& humid = RowOf(row);
    const DeviceRow& temp = RowOf(row + 1);
    return rt::caption(Ctl(setup.lblDeviceType, row)) == strTypeComboHumid &&
           rt::caption(Ctl(setup.lblDeviceType, row + 1)) == strTypeComboTemp && humid.slot == temp.slot &&
           humid.tempSlot == temp.tempSlot;
}

void RecountPortOpen() {
    int connected = 0;
    for (int row = 1; row <= 10; ++row)
        if (iPortOpen[row] != 0) ++connected;
    iPortOpen[0] = connected;
}

platform::MSCommControl* PortOf(int row, int kind) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    const CorvisentMainControls::KindTab* tab = CorvisentMainControls::kindTab(kind);
    return Ctl(tab ? w.*tab->ports : w.MSComm, row);
}

void CloseRowPorts(int row) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    for (const auto* ports : {&w.MSComm, &w.MSCommW, &w.MSCommP, &w.MSCommA, &w.MSCommD}) {
        platform::MSCommControl* port = Ctl(*ports, row);
        if (port->portOpen()) port->setPortOpen(false);
    }
}

} // namespace modSupport
