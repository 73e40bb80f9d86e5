#include "settings/modSupport.h"
#include "settings/setupkeys.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <algorithm>

#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "settings/maincontrols.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

namespace modSupport {

void raiseSubscriptOutOfRange() { throw rt::VbError(9, QStringLiteral("Subscript out of range")); }

const QString strTypeTemperature = QStringLiteral("Corvisent/T (Temperature)");
const QString strTypeHumidity = QStringLiteral("Corvisent/H (Humidity)");
const QString strTypeProximity = QStringLiteral("Corvisent/P (Proximity)");
const QString strTypeVideo = QStringLiteral("Corvisent/V (Video)");
const QString strTypeWater = QStringLiteral("Corvisent/W (Water)");
const QString strTypeComboHumid = QStringLiteral("Combo Sensor (Humidity)");
const QString strTypeComboTemp = QStringLiteral("Combo Sensor (Temperature)");
const QString strTypeComboOffer = QStringLiteral("Corvisent Combo Sensor (Temp. & Humidity)");
const QString strTypeAccel = QStringLiteral("Corvisent/A (2-Axis Accelerometer)");
const QString strTypeDistance = QStringLiteral("Corvisent/D (Distance)");
const QString strTypeVideo2 = QStringLiteral("Corvisent/V2 (Single camera only)");
const QString strTypeVideoMotion = QStringLiteral("Corvisent/V with Motion Det");

namespace {

// Each code with a stored type name, and that name; the combined sensor goes by its humidity half.
struct TypeName {
    int code;
    const QString* name;
};
const TypeName kTypeNames[] = {
    {typeTemperature, &strTypeTemperature},
    {typeHumidity, &strTypeHumidity},
    {typeProximity, &strTypeProximity},
    {typeVideo, &strTypeVideo},
    {typeWater, &strTypeWater},
    {typeCombo, &strTypeComboHumid},
    {typeAccel, &strTypeAccel},
    {typeDistance, &strTypeDistance},
    {typeVideo2, &strTypeVideo2},
};

} // namespace

int TypeCodeOfName(const QString& name) {
    for (const TypeName& t : kTypeNames)
        if (name == *t.name) return t.code;
    return typeEmpty;
}

QString TypeNameOfCode(int code) {
    for (const TypeName& t : kTypeNames)
        if (code == t.code) return *t.name;
    return QString();
}

bool IsCameraName(const QString& name) {
    return name == strTypeVideo || name == strTypeVideo2 || name == strTypeVideoMotion;
}

Table<11> iPortOpen;
Table<11> iProxMode;
Table<11> iBumpMode;
Table<11> iProxSlot;
Table<11> iReadMinutes;
Table<11> iMinuteCount;
Table<12> iConnectPort;
Table<6> iTempTabSlot;
Table<6> iHumidTabSlot;
Table<6> iProxTabSlot;
Table<6> iWaterTabSlot;
Table<6> iAccelTabSlot;
Table<6> iDistTabSlot;
Table<6> iCamSlot;
ProxToCamTable iProxToCam;

int iSelectedRow = 0;
int iRenameType = 0;
int iRenameIndex = 0;
bool bSettingMode = false;
QString strINIPath = QStringLiteral("corvisent.ini");
long lMaxFileSize = 1024000;
int iScreenSaverCmd = 0;

Table<6>* TabSlotTable(int typeCode) {
    const CorvisentMainControls::KindTab* k = CorvisentMainControls::kindTab(typeCode);
    return k ? k->slotTable : nullptr;
}

void TakeTabSlot(Table<6>& table, int slot) {
    table[0] = std::max(table[0], 0) + 1;
    table[slot] = 1;
}

int TabIndexOfKind(int typeCode) {
    const CorvisentMainControls::KindTab* k = CorvisentMainControls::kindTab(typeCode);
    return k ? k->tab : -1;
}

int& ProxToCamTable::operator()(int kind, int slot) {
    if (kind == typeProximity) return m_prox[slot];
    if (kind == typeDistance) return m_dist[slot];
    raiseSubscriptOutOfRange();
}

int ProxToCamTable::operator()(int kind, int slot) const {
    if (kind == typeProximity) return m_prox[slot];
    if (kind == typeDistance) return m_dist[slot];
    raiseSubscriptOutOfRange();
}

void ProxToCamTable::fill(int v) {
    m_prox.fill(v);
    m_dist.fill(v);
}

// ---- Load guard.
namespace {
int g_loadDepth = 0;
}

LoadGuard::LoadGuard() { ++g_loadDepth; }
LoadGuard::~LoadGuard() { --g_loadDepth; }
bool loading() { return g_loadDepth > 0; }

// ---- Slot finder.
bool SlotResult::usable() const {
    if (kind == Slot) return slot >= 1 && slot <= 4;
    if (kind == Pair) return tempSlot >= 1 && tempSlot <= 4 && humidSlot >= 1 && humidSlot <= 4;
    return false;
}

QString SlotResult::text() const {
    if (kind == Slot) return QString::number(slot);
    if (kind == Pair) return QString::number(tempSlot) + QString::number(humidSlot);
    return QString();
}

namespace {

constexpr int kSlotsPerTab = 4;

// First place 1..4 of a table holding `freeMark`, 0 when none.
template <int N> int firstFree(const Table<N>& t, int freeMark) {
    for (int k = 1; k <= kSlotsPerTab; ++k)
        if (t[k] == freeMark) return k;
    return 0;
}

} // namespace

SlotResult FindFirstTabSlotAvailable(int typeCode) {
    SlotResult r;
    if (typeCode == typeCombo) {
        if (iTempTabSlot[0] >= kSlotsPerTab || iHumidTabSlot[0] >= kSlotsPerTab) {
            rt::MsgBox(QStringLiteral("There are no more available slots on the tab for this sensor."));
            r.kind = SlotResult::Full;
            return r;
        }
        r.kind = SlotResult::Pair;
        r.tempSlot = firstFree(iTempTabSlot, 0);
        r.humidSlot = firstFree(iHumidTabSlot, 0);
        return r;
    }
    if (typeCode == typeCameraUnnamed || typeCode == typeVideo || typeCode == typeVideo2) {
        if (const int k = firstFree(iCamSlot, camSlotFree)) {
            r.kind = SlotResult::Slot;
            r.slot = k;
        }
        return r;
    }
    Table<6>* t = TabSlotTable(typeCode);
    if (!t) return r;
    if ((*t)[0] >= kSlotsPerTab) {
        if (const char* fullName = CorvisentMainControls::kindTab(typeCode)->fullName)
            rt::MsgBox(QStringLiteral("There are no more available slots on the %1 tab for this sensor.")
                           .arg(QLatin1String(fullName)));
        r.kind = SlotResult::Full;
        return r;
    }
    if (const int k = firstFree(*t, 0)) {
        r.kind = SlotResult::Slot;
        r.slot = k;
    }
    return r;
}

// ---- Row controls.
namespace {

// Runs one procedure body; a run-time error ends it with the procedure's message.
template <typename F> void reported(const QString& message, F body) {
    try {
        body();
    } catch (const std::exception&) {
        rt::MsgBox(message);
    }
}

bool validRow(int row) { return row >= 1 && row <= 10; }

} // namespace

void MakeInvisible(int mode, int row, int typeCode) {
    reported(QStringLiteral("MakeInvisible Error"), [&] {
        if (!validRow(row)) raiseSubscriptOutOfRange();
        auto& m = CorvisentMainControls::instance();
        auto& s = SensorSetupControls::instance();
        rt::setWidthTwips(m.lblSensor1[row], 3375);
        if (mode != 1) {
            s.txtDeviceComNumber[row]->hide();
            s.lblSubIndex[row]->hide();
            rt::setValue(s.chkFileLogging[row], 0);
            rt::setValue(s.chkTabLogging[row], 0);
            SensorSetupControls::setPicture(s.imgStatus[row], rt::appFile(QStringLiteral("reddot.gif")));
            s.imgStatus[row]->hide();
            s.lblDeviceType[row]->hide();
            m.lblSensorStatus[row]->hide();
            rt::setFontSize(m.lblSensorStatus[row], 14);
            m.lblSensorStatus[row]->setText(QStringLiteral("OK"));
            m.lblSensor1[row]->hide();
            m.lblSensorReading[row]->hide();
            if (typeCode == typeCombo) {
                if (!validRow(row + 1)) raiseSubscriptOutOfRange();
                m.lblSensor1[row + 1]->hide();
                m.lblSensorReading[row + 1]->hide();
                m.lblMeasure[row + 1]->hide();
                m.lblSensorStatus[row + 1]->hide();
            }
            s.cmdConnectSensor[row]->hide();
            s.cmdDeleteMe[row]->hide();
            s.chkTabLogging[row]->hide();
            s.chkFileLogging[row]->hide();
            if (typeCode == typeVideo || typeCode == typeVideo2) s.chkSendToSummary[row]->hide();
            if (typeCode == typeAccel || typeCode == typeDistance) s.chkBinaryMode[row]->hide();
            return;
        }
        s.imgStatus[row]->show();
        s.lblDeviceType[row]->show();
        s.cmdConnectSensor[row]->show();
        s.cmdDeleteMe[row]->show();
        s.chkTabLogging[row]->show();
        s.chkFileLogging[row]->show();
        if (typeCode == typeVideo || typeCode == typeVideo2) s.chkSendToSummary[row]->show();
        if (typeCode == typeAccel || typeCode == typeDistance) s.chkBinaryMode[row]->show();
        m.lblSensor1[row]->show();
        m.lblSensorReading[row]->show();
    });
}

void CreateSetupArray() {
    reported(QStringLiteral("Error in CreateSetupArray"), [] {
        for (int row = 1; row <= 10; ++row)
            SetRowKind(row, typeEmpty);
        auto& s = SensorSetupControls::instance();
        for (int row = 1; row <= 10; ++row) {
            if (!rt::visible(s.lblDeviceType[row])) {
                SetRowKind(row, typeEmpty);
                continue;
            }
            const int code = TypeCodeOfName(s.lblDeviceType[row]->text());
            if (code == typeEmpty) continue; // keeps a combined pair's second row
            SetRowKind(row, code);
            if (code == typeCombo) {
                if (row == 10) raiseSubscriptOutOfRange(); // no partner row
                SetRowKind(row + 1, typeCombo);
            }
            if (code == typeVideo || code == typeVideo2) {
                const int k = RowOf(row).slot;
                if (k < 1 || k > 4) raiseSubscriptOutOfRange();
                s.chkCamMonitorOnly[k]->show();
            }
        }
    });
}

void ClearArrays() {
    reported(QStringLiteral("There was an error while clearing the arrays"), [] {
        iPortOpen.fill(0);
        iMinuteCount.fill(0);
        iProxMode.fill(0);
        iBumpMode.fill(0);
        iProxSlot.fill(0);
        for (Table<6>* t : {&iTempTabSlot, &iHumidTabSlot, &iProxTabSlot, &iWaterTabSlot, &iAccelTabSlot,
                            &iDistTabSlot})
            t->fill(0);
        for (int k = 0; k <= 4; ++k) iCamSlot[k] = camSlotFree;
        iProxToCam.fill(noCamera);
        ForgetAllRows();
    });
}

QString GetSubIndexList(int typeCode) {
    QString list;
    for (int row = 1; row <= 10; ++row) {
        const int code = iDeviceType(row);
        if (code != typeCode && code != typeDistance) continue;
        const DeviceRow& r = RowOf(row);
        // A combined sensor's slot reads as its two figures, temperature first.
        if (code == typeCombo) list += QString::number(r.tempSlot);
        list += QString::number(r.slot);
    }
    return list;
}

bool AnyDeviceInSlots2to10() {
    for (int row = 2; row <= 10; ++row)
        if (iDeviceType(row) != typeEmpty) return true;
    return false;
}

namespace {

// Puts the proximity actions of event index k back to "no action", in the window and the store.
void resetProximityActions(int k) {
    auto& s = SensorSetupControls::instance();
    rt::setOptionValue(s.optSysCommandDisabled[k], true);
    s.txtDelayEventAway[k]->setText(QStringLiteral("0"));
    s.txtDelayEventUp[k]->setText(QStringLiteral("0"));
    s.lblCommandOnProx[k]->setText(QStringLiteral("Path not set"));
    s.lblCommandOnProxApproach[k]->setText(QStringLiteral("Path not set"));
    if (loading()) return;
    using settingsvalues::Store;
    settingsvalues::saveKey(Store::Tree, "optRunCommand", QStringLiteral("0"), k);
    settingsvalues::saveKey(Store::Tree, "ProximityRunCommand", QStringLiteral("Path not set"), k);
    settingsvalues::saveKey(Store::Tree, "ProximityRunCommandApproach", QStringLiteral("Path not set"), k);
    settingsvalues::saveKey(Store::Tree, "DelayEventAway", QStringLiteral("0"), k);
    settingsvalues::saveKey(Store::Tree, "DelayEventUp", QStringLiteral("0"), k);
}

// Whether any configured row other than a deleted one still holds proximity event index k.
bool eventIndexInUse(int k) {
    for (int row = 1; row <= 10; ++row) {
        const int code = iDeviceType(row);
        if ((code == typeProximity || code == typeDistance) && iProxSlot[row] == k) return true;
    }
    return false;
}

void noDeviceState(int typeCode, QLabel* label, int tabIndex) {
    auto& m = CorvisentMainControls::instance();
    auto& s = SensorSetupControls::instance();
    const Table<6>* t = TabSlotTable(typeCode);
    const bool none = (*t)[0] < 1;
    if (none) {
        if (label) {
            label->show();
            label->raise();
        }
        m.setTabEnabled(tabIndex, false);
        if (typeCode == typeProximity)
            for (int k = 1; k <= 4; ++k)
                if (!eventIndexInUse(k)) resetProximityActions(k);
        rt::setValue(s.chkEmailAlert[typeCode], 0);
    } else {
        if (label) label->hide();
        m.setTabEnabled(tabIndex, true);
    }
}

} // namespace

void CheckIfNoDevices(int typeCode) {
    reported(QStringLiteral("CheckIfNoDevices Error"), [&] {
        auto& m = CorvisentMainControls::instance();
        switch (typeCode) {
        case typeTemperature:
        case typeHumidity:
        case typeProximity:
        case typeWater:
        case typeAccel:
        case typeDistance: noDeviceState(typeCode, m.NoDeviceLabel(typeCode), TabIndexOfKind(typeCode)); break;
        case typeCombo:
            noDeviceState(typeTemperature, m.lblNoTDevicePresent, CorvisentMainControls::tabTemperature);
            noDeviceState(typeHumidity, m.lblNoHDevicePresent, CorvisentMainControls::tabHumidity);
            break;
        default: break;
        }
    });
}

int AnyProxBehaviorFrameShown(int mode) {
    auto& s = SensorSetupControls::instance();
    for (int k = 1; k <= 4; ++k) {
        if (rt::visible(s.frameProxBehavior[k])) {
            if (mode == 1) s.lblNoProximitySensorsPresent->hide();
            return 1;
        }
    }
    if (mode == 1) s.lblNoProximitySensorsPresent->show();
    return 0;
}

} // namespace modSupport
