#include <QLabel>

#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/vb.h"
#include "sensors/sensorops.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"

using rt::Ctl;

namespace modSupport {

int CheckedSlot(int slot) {
    if (slot < 1 || slot > 4) throw rt::VbError(9, QStringLiteral("Subscript out of range"));
    return slot;
}

std::array<bool, 11> bSettingModeRow{};

namespace {
QString slotCaption(int row) {
    return rt::caption(Ctl(formSensorSetup::instance().lblSubIndex, row));
}
int wholeNumber(const QString& text) {
    return static_cast<int>(rt::Val(text));
}
} // namespace

int DisplaySlot(int row) {
    return wholeNumber(slotCaption(row));
}
int TempSlotOf(int row) {
    return wholeNumber(rt::Mid(slotCaption(row), 1, 1));
}
int HumidSlotOf(int row) {
    return wholeNumber(rt::Mid(slotCaption(row), 2, 1));
}

bool ComboPairAt(int row) {
    if (row < 1 || row >= 10) return false;
    const formSensorSetup& setup = formSensorSetup::instance();
    const QString slot = slotCaption(row).trimmed();
    return rt::caption(Ctl(setup.lblDeviceType, row)) == strTypeComboHumid &&
           rt::caption(Ctl(setup.lblDeviceType, row + 1)) == strTypeComboTemp && slot.size() == 2 &&
           slot[0].isDigit() && slot[1].isDigit() && slotCaption(row + 1).trimmed() == slot;
}

void RecountPortOpen() {
    int connected = 0;
    for (int row = 1; row <= 10; ++row)
        if (iPortOpen[row] != 0) ++connected;
    iPortOpen[0] = connected;
}

platform::MSCommControl* PortOf(int row, int kind) {
    CorvisentMain& w = CorvisentMain::instance();
    const CorvisentMain::KindTab* tab = CorvisentMain::kindTab(kind);
    return Ctl(tab ? w.*tab->ports : w.MSComm, row);
}

void CloseRowPorts(int row) {
    CorvisentMain& w = CorvisentMain::instance();
    for (const auto* ports : {&w.MSComm, &w.MSCommW, &w.MSCommP, &w.MSCommA, &w.MSCommD}) {
        platform::MSCommControl* port = Ctl(*ports, row);
        if (port->portOpen()) port->setPortOpen(false);
    }
}

} // namespace modSupport
