// The main window's part in renaming a sensor: the popup entry "Rename Sensor" on a summary row
// and a double-click on a Temperature or Humidity slot's name choose the tab slot whose name
// changes, then open the rename window with the name and type of the device row shown there.
#include <QLabel>

#include "app/CorvisentMain.h"
#include "app/formChangeDeviceName.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/vb.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

namespace {

// Whole number of a one- or more-figure text; 0 when it is not one.
int slotNumber(const QString& text) {
    try {
        return rt::CInt(text);
    } catch (const rt::VbError&) {
        return 0;
    }
}

// Opens the rename window for slot iRenameIndex of kind iRenameType when that slot shows a
// device; an empty slot has nothing to rename.
void showRenameWindow() {
    auto& m = CorvisentMain::instance();
    try {
        const int shown = slotNumber(rt::tag(m.SlotCover(iRenameType, iRenameIndex)));
        if (shown < 1 || shown > 10) return;
        auto& w = formChangeDeviceName::instance();
        w.lblCurrent->setText(m.lblSensor1[shown]->text());
        w.lblCurrentType->setText(formSensorSetup::instance().lblDeviceType[shown]->text());
        rt::showInFront(&w);
    } catch (const rt::VbError&) {
    }
}

// Chooses kind and slot for the rename window; a slot that is not 1..4 chooses nothing.
bool chooseSlot(int kind, int slot) {
    if (slot < 1 || slot > 4) return false;
    iRenameType = kind;
    iRenameIndex = slot;
    return true;
}

} // namespace

void CorvisentMain::mnuPopupRename_Click() {
    const int row = iSelectedRow;
    if (row < 1 || row > 10) return;
    const int kind = iDeviceType(row);
    const DeviceRow& record = RowOf(row);
    bool chosen = false;
    switch (kind) {
    case typeTemperature:
    case typeHumidity:
    case typeProximity:
    case typeWater:
    case typeAccel:
    case typeDistance:
        chosen = chooseSlot(kind, record.slot);
        break;
    case typeCombo: {
        const bool temperatureHalf = rt::tag(lblMeasure[row]) == QLatin1String("1");
        chosen = chooseSlot(temperatureHalf ? typeTemperature : typeHumidity,
                            temperatureHalf ? record.tempSlot : record.slot);
        break;
    }
    default: // empty rows, cameras and rows disabled after a failed connect
        return;
    }
    if (chosen) showRenameWindow();
}

void CorvisentMain::lblTempDeviceName_DblClick(int slot) {
    if (chooseSlot(typeTemperature, slot)) showRenameWindow();
}

void CorvisentMain::lblHumidDeviceName_DblClick(int slot) {
    if (chooseSlot(typeHumidity, slot)) showRenameWindow();
}
