#include "settings/maincontrols.h"

#include "settings/modSupport.h"

using namespace modSupport;

namespace {

using W = CorvisentMainControls;
// The kinds in the order their tabs are laid out.
// clang-format off
const W::KindTab kKindTabs[] = {
    {.kind = typeTemperature, .tab = W::tabTemperature, .slotTable = &iTempTabSlot,
     .names = &W::lblTempDeviceName, .logs = &W::txtTempInData, .clears = &W::cmdClearTempLog,
     .covers = &W::frameTCover, .noDevice = &W::lblNoTDevicePresent, .ports = &W::MSComm, .timers = &W::Timer1,
     .fullName = "Temperature"},
    {.kind = typeHumidity, .tab = W::tabHumidity, .slotTable = &iHumidTabSlot,
     .names = &W::lblHumidDeviceName, .logs = &W::txtHumidInData, .clears = &W::cmdClearHumidLog,
     .covers = &W::frameHCover, .noDevice = &W::lblNoHDevicePresent, .ports = &W::MSComm, .timers = &W::Timer1,
     .fullName = "Humidity"},
    {.kind = typeProximity, .tab = W::tabProximity, .slotTable = &iProxTabSlot,
     .names = &W::lblProximDeviceName, .logs = &W::txtProximData, .clears = &W::cmdClearProximityLog,
     .covers = &W::framePCover, .noDevice = &W::lblNoPDevicePresent, .ports = &W::MSCommP,
     .timers = &W::ProximityTimer, .fullName = nullptr},
    {.kind = typeWater, .tab = W::tabWater, .slotTable = &iWaterTabSlot,
     .names = &W::lblWaterDeviceName, .logs = &W::txtWaterData, .clears = &W::cmdClearWaterLog,
     .covers = &W::frameWCover, .noDevice = &W::Label2, .ports = &W::MSCommW, .timers = &W::WaterTimer,
     .fullName = "Water"},
    {.kind = typeAccel, .tab = W::tabAcceleration, .slotTable = &iAccelTabSlot,
     .names = &W::lblAccelDeviceName, .logs = &W::txtAccelData, .clears = &W::cmdClearAccelLog,
     .covers = &W::frameACover, .noDevice = &W::lblNoAccelDevices, .ports = &W::MSCommA, .timers = &W::Timer1,
     .fullName = "Accelerometer"},
    {.kind = typeDistance, .tab = W::tabDistance, .slotTable = &iDistTabSlot,
     .names = &W::lblDistanceDeviceName, .logs = &W::txtDistanceData, .clears = &W::cmdClearDistanceLog,
     .covers = &W::frameDCover, .noDevice = &W::lblNoDistanceDevices, .ports = &W::MSCommD, .timers = &W::Timer1,
     .fullName = "Distance"},
};
// clang-format on

// The record of a kind with a tab, for display slot 1..4; rt::VbError 9 for any other kind or slot.
const W::KindTab& slotKind(int kind, int slot) {
    const W::KindTab* k = W::kindTab(kind);
    if (slot < 1 || slot > 4 || !k) raiseSubscriptOutOfRange();
    return *k;
}

} // namespace

const CorvisentMainControls::KindTab* CorvisentMainControls::kindTab(int kind) {
    for (const KindTab& k : kKindTabs)
        if (k.kind == kind) return &k;
    return nullptr;
}

rt::CaptionFrame* CorvisentMainControls::SlotCover(int kind, int slot) const {
    return (this->*slotKind(kind, slot).covers)[slot];
}

QLabel* CorvisentMainControls::SlotNameLabel(int kind, int slot) const {
    return (this->*slotKind(kind, slot).names)[slot];
}

QLabel* CorvisentMainControls::NoDeviceLabel(int kind) const {
    const KindTab* k = kindTab(kind);
    return k ? this->*k->noDevice : nullptr;
}
