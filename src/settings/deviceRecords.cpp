#include "settings/deviceRecords.h"
#include "settings/setupkeys.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <utility>

#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "settings/maincontrols.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

namespace modSupport {

namespace {

const QString kOneFigureMessage =
    QStringLiteral("SubIndex is only one digit. Should be two digits for a Combo Device.");
const QString kLoadingStopped = QStringLiteral("Device loading has stopped.");

// A record that cannot be placed; nothing of it has been applied.
struct BadRecord {
    QString description;
    bool oneFigureCombo = false;
};

QString treeSection(int row) {
    return QStringLiteral("PortConfig\\Devices\\%1").arg(row);
}

// Reads the keys of one stored record.
struct Record {
    bool fromIni = false;
    int row = 0;
    QString get(const QString& key, const QString& def = QString()) const {
        if (fromIni) return modIni::ReadIni(modIni::kDeviceSetup + QStringLiteral("\\%1").arg(row), key, def);
        return modPrefs::GetPref(treeSection(row), key, def);
    }
    // Keys the INI mirror does not hold come from the settings tree record of the same row.
    QString tree(const QString& key, const QString& def = QString()) const {
        return modPrefs::GetPref(treeSection(row), key, def);
    }
};

// Whole number of a text; a text that is not one gives def.
int wholeOr(const QString& text, int def) {
    try {
        return rt::CInt(text);
    } catch (const rt::VbError&) {
        return def;
    }
}

int wholeOrBad(const QString& text) {
    try {
        return rt::CInt(text);
    } catch (const rt::VbError& e) {
        throw BadRecord{e.description()};
    }
}

// A display or camera slot: 1..4.
int checkedSlot(int slot) {
    if (slot < 1 || slot > 4) throw BadRecord{QStringLiteral("Subscript out of range")};
    return slot;
}

void checkFree(const Table<6>& table, int slot) {
    if (table[slot] != 0) throw BadRecord{QStringLiteral("Slot %1 is already taken").arg(slot)};
}

void setCheckFromText(QCheckBox* box, const QString& text, bool fromIni) {
    if (fromIni) {
        // Only "0" and "1" change the box.
        if (text == QLatin1String("0")) rt::setValue(box, 0);
        if (text == QLatin1String("1")) rt::setValue(box, 1);
        return;
    }
    const int v = wholeOr(text, 0);
    rt::setValue(box, v >= 0 && v <= 2 ? v : 0);
}

// Takes a display slot on a kind's tab and names the device there. The cover stays until the
// device connects.
void takeSlot(const CorvisentMainControls::KindTab& t, int slot, int row, const QString& name) {
    auto& m = CorvisentMainControls::instance();
    TakeTabSlot(*t.slotTable, slot);
    (m.*t.names)[slot]->setText(name);
    rt::setTag((m.*t.covers)[slot], QString::number(row));
}

// Proximity event index of a proximity-capable row loaded from the INI mirror: the tree record's
// index when it is 1..4 and no other row has it, else the lowest free one (0 when none is).
int iniProxEventIndex(const Record& r) {
    auto used = [](int k) {
        for (int row = 1; row <= 10; ++row)
            if (iProxSlot[row] == k) return true;
        return false;
    };
    const int stored = wholeOr(r.tree(QStringLiteral("ProxEventIndex")), 0);
    if (stored >= 1 && stored <= 4 && !used(stored)) return stored;
    for (int k = 1; k <= 4; ++k)
        if (!used(k)) return k;
    return 0;
}

void showProxBehavior(int row, int k, const QString& name) {
    if (k < 1 || k > 4) return;
    auto& s = SensorSetupControls::instance();
    rt::setCaption(s.frameProxBehavior[k], name);
    rt::setVisible(s.frameProxBehavior[k], true);
    rt::setVisible(s.frameProxBehaviorEx[k], true);
    iProxSlot[row] = k;
}

// What a record holds and where it goes, learned before anything changes.
struct RowPlan {
    int n = 0;
    bool ini = false;
    QString type;
    bool camera = false;
    bool comboHumid = false;
    bool comboTemp = false;
    bool combo = false;
    int code = 0;
    int slot = 0, tempSlot = 0, humidSlot = 0, driverIndex = 0;
    QString slotCaption;
};

const QString kZero = QStringLiteral("0");

// Checks everything that can make the record unusable; throws BadRecord.
RowPlan checkedPlan(const Record& r, const QString& type) {
    RowPlan p;
    p.n = r.row;
    p.ini = r.fromIni;
    p.type = type;
    p.camera = IsCameraName(type);
    p.comboHumid = type == strTypeComboHumid;
    p.comboTemp = type == strTypeComboTemp;
    p.combo = p.ini ? type.contains(QLatin1String("Combo")) : (p.comboHumid || p.comboTemp);
    p.code = p.combo ? typeCombo : TypeCodeOfName(type);

    const QString subIndexText = r.get(QStringLiteral("SubIndex"), p.ini ? kZero : QString());
    if (p.combo) {
        p.slotCaption = QString::number(wholeOrBad(subIndexText));
        if (p.slotCaption.size() == 1) throw BadRecord{kOneFigureMessage, true};
        if (p.slotCaption.size() != 2) throw BadRecord{QStringLiteral("Subscript out of range")};
        p.tempSlot = checkedSlot(p.slotCaption.at(0).digitValue());
        p.humidSlot = checkedSlot(p.slotCaption.at(1).digitValue());
        if (p.comboHumid) checkFree(iHumidTabSlot, p.humidSlot);
        if (p.comboTemp) checkFree(iTempTabSlot, p.tempSlot);
        return p;
    }
    if (p.camera) {
        p.slot = checkedSlot(wholeOrBad(subIndexText));
        if (iCamSlot[p.slot] != camSlotFree)
            throw BadRecord{QStringLiteral("Camera slot %1 is already taken").arg(p.slot)};
        p.driverIndex = wholeOrBad(r.tree(QStringLiteral("CamDriverIndex")));
    } else if (Table<6>* table = TabSlotTable(p.code)) {
        p.slot = checkedSlot(wholeOrBad(subIndexText));
        checkFree(*table, p.slot);
    } else {
        p.slot = wholeOr(subIndexText, 0); // a kind without a tab: shown, never placed
    }
    p.slotCaption = QString::number(p.slot);
    return p;
}

// The setup row's logging boxes, mode box, slot and type.
void fillSetupRow(const Record& r, const RowPlan& p) {
    auto& s = SensorSetupControls::instance();
    const int n = p.n;
    if (p.ini) {
        if (p.type != strTypeVideo) {
            rt::setValue(s.chkTabLogging[n], 0);
            rt::setValue(s.chkFileLogging[n], 1);
        }
    } else if (!p.camera) {
        setCheckFromText(s.chkTabLogging[n], r.get(QStringLiteral("TabLogging")), false);
        setCheckFromText(s.chkFileLogging[n], r.get(QStringLiteral("FileLogging")), false);
    }
    MakeInvisible(1, n, p.code == typeAccel || p.code == typeDistance ? typeAccel : typeCombo);
    if (p.code == typeAccel)
        setCheckFromText(s.chkBinaryMode[n], r.get(QStringLiteral("StartInBump"), kZero), p.ini);
    if (p.code == typeDistance)
        setCheckFromText(s.chkBinaryMode[n], r.get(QStringLiteral("StartInProx"), kZero), p.ini);
    s.lblSubIndex[n]->setText(p.slotCaption);
    s.lblDeviceType[n]->setText(p.type);
}

// A camera at its camera position, on both windows.
void placeCamera(const Record& r, const RowPlan& p, const QString& name) {
    auto& s = SensorSetupControls::instance();
    auto& m = CorvisentMainControls::instance();
    const int n = p.n;
    const int slot = p.slot;
    rt::setVisible(s.txtDeviceComNumber[n], false);
    m.lblCamDeviceName[slot]->setText(name);
    iCamSlot[slot] = p.driverIndex;
    rt::setVisible(s.frameCamSetupCover[slot], true);
    rt::setCaption(s.frameCamSetupCover[slot], name);
    rt::setTag(s.frameCamSetupCover[slot], QString::number(slot));
    rt::setVisible(s.lblNoCamDevicePresent, false);
    rt::setVisible(m.lblNoCamDevicePresent, false);
    rt::setVisible(s.cambehavioral, true);
    rt::setVisible(s.chkTabLogging[n], false);
    rt::setVisible(s.chkFileLogging[n], false);
    rt::setVisible(s.chkSendToSummary[n], true);
    rt::setTag(m.Label1[slot], r.tree(QStringLiteral("DriverName")));
    const int toSummary =
        wholeOr(settingsvalues::readKey(settingsvalues::Store::Tree, "chkSendToSummary"), -1);
    if (toSummary == 0) {
        rt::setValue(s.chkSendToSummary[n], 0);
        rt::setTag(m.lblCurrentCamView, QStringLiteral("98"));
    } else if (toSummary == 1) {
        rt::setValue(s.chkSendToSummary[n], 1);
    }
    m.setTabEnabled(CorvisentMainControls::tabVideo, true);
}

// The humidity half of a combined sensor, on row n.
void placeComboHumid(const RowPlan& p, const QString& comboName) {
    auto& m = CorvisentMainControls::instance();
    const int n = p.n;
    takeSlot(*CorvisentMainControls::kindTab(typeHumidity), p.humidSlot, n, comboName);
    m.lblSensor1[n]->setText(comboName);
    rt::setVisible(m.lblSensor1[n], true);
    rt::setTag(m.lblMeasure[n], kZero);
    m.setTabEnabled(CorvisentMainControls::tabHumidity, true);
    m.setTabEnabled(CorvisentMainControls::tabTemperature, true);
    rt::setVisible(m.frameHCover[p.humidSlot], false);
    rt::setVisible(m.lblNoHDevicePresent, false);
}

// The temperature half of a combined sensor, on row n + 1: its setup row shows no buttons.
void placeComboTemp(const RowPlan& p, const QString& comboName) {
    auto& s = SensorSetupControls::instance();
    auto& m = CorvisentMainControls::instance();
    const int n = p.n;
    rt::setVisible(m.frameTCover[p.tempSlot], false);
    takeSlot(*CorvisentMainControls::kindTab(typeTemperature), p.tempSlot, n, comboName);
    m.lblSensor1[n]->setText(comboName);
    rt::setTag(m.lblMeasure[n], QStringLiteral("1"));
    rt::setVisible(m.lblNoTDevicePresent, false);
    rt::setVisible(s.cmdConnectSensor[n], false);
    rt::setVisible(s.cmdDeleteMe[n], false);
    rt::setVisible(s.chkFileLogging[n], false);
    rt::setVisible(s.chkTabLogging[n], false);
}

// A single sensor at its slot of its kind's tab, with its event index and start mode.
void placeOnTab(const Record& r, const RowPlan& p, const CorvisentMainControls::KindTab& t,
                const QString& name, const QString& summaryName) {
    auto& m = CorvisentMainControls::instance();
    const int n = p.n;
    const int code = p.code;
    const bool summaryReread =
        p.ini && (code == typeTemperature || code == typeHumidity || code == typeWater);
    takeSlot(t, p.slot, n, name);
    m.lblSensor1[n]->setText(summaryReread ? summaryName : name);
    if (code == typeWater) rt::setVisible(m.lblSensor1[n], true);
    m.setTabEnabled(t.tab, true);
    if (code == typeProximity || code == typeDistance)
        showProxBehavior(
            n, p.ini ? iniProxEventIndex(r) : wholeOr(r.get(QStringLiteral("ProxEventIndex")), 0), name);
    if (code == typeAccel) {
        const QString bump = r.get(QStringLiteral("StartInBump"), kZero);
        SetStartMode(n, bump);
        iBumpMode[n] = wholeOr(bump, 0);
        SetCalibrateOnConnect(n, r.get(QStringLiteral("CalibrateOnConnect"), p.ini ? kZero : QString()));
    }
    if (code == typeDistance) {
        SetStartMode(n, r.get(QStringLiteral("StartInProx"), p.ini ? kZero : QString()));
        iProxMode[n] = wholeOr(r.get(QStringLiteral("StartInProx"), QStringLiteral("1")), 1);
    }
}

// Loads one record into row n. Everything that can make the record unusable is checked before
// the first control changes, so a bad record leaves no trace; with checkOnly nothing changes.
void loadRow(const Record& r, const QString& type, bool checkOnly = false) {
    const RowPlan p = checkedPlan(r, type);
    if (checkOnly) return;
    auto& s = SensorSetupControls::instance();
    const int n = p.n;
    if (p.combo)
        RegisterRow(n, typeCombo, p.humidSlot, p.tempSlot);
    else
        RegisterRow(n, p.camera ? TypeCodeOfName(p.type) : p.code, p.slot);
    fillSetupRow(r, p);

    // INI names: the mirror's readers differ in their defaults for a missing name.
    const QString name = r.get(QStringLiteral("DeviceName"), p.ini ? kZero : QString());
    const QString summaryName = p.ini ? r.get(QStringLiteral("DeviceName"), QStringLiteral("1")) : name;
    const QString comboName = p.ini ? r.get(QStringLiteral("DeviceName"), QString()) : name;

    if (p.camera) {
        placeCamera(r, p, name);
    } else {
        s.txtDeviceComNumber[n]->setText(
            r.get(QStringLiteral("Port"), p.ini ? QStringLiteral("1") : QString()));
        // The port box shows only when asked for, by a double-click on the row's type.
        rt::setVisible(s.txtDeviceComNumber[n], false);
    }
    s.lblSubIndex[n]->show();

    if (p.comboHumid)
        placeComboHumid(p, comboName);
    else if (p.comboTemp)
        placeComboTemp(p, comboName);
    else if (const CorvisentMainControls::KindTab* t = CorvisentMainControls::kindTab(p.code))
        placeOnTab(r, p, *t, name, summaryName);

    s.cmdConnectSensor[n]->setEnabled(true);
    s.cmdConnectSensor[n]->setText(QStringLiteral("Connect"));
}

// Leaves the row of a bad record empty. The humidity half of a combined sensor also clears the
// summary labels of the row after it.
void hideRow(int row, const QString& type) {
    int code = TypeCodeOfName(type);
    if (type == strTypeComboHumid) code = row < 10 ? typeCombo : typeHumidity;
    if (IsCameraName(type)) code = typeVideo;
    MakeInvisible(0, row, code);
}

// Loads rows 1..10 of one store; returns the reports of the bad records, each text once. The two
// halves of a combined sensor (humidity on row n, temperature on row n + 1) load together or not
// at all.
QStringList loadRows(bool fromIni, const QString& otherPrefix) {
    QStringList reports;
    bool dropTemperatureHalf = false;
    for (int n = 1; n <= 10; ++n) {
        const Record r{fromIni, n};
        const QString type = r.get(QStringLiteral("DeviceType"), QString());
        const bool partnerFailed = std::exchange(dropTemperatureHalf, false);
        if (rt::Trim(type).isEmpty()) continue;
        if (partnerFailed && type == strTypeComboTemp) {
            hideRow(n, type);
            continue;
        }
        try {
            if (type == strTypeComboHumid && n < 10) {
                const Record next{fromIni, n + 1};
                const QString nextType = next.get(QStringLiteral("DeviceType"), QString());
                if (nextType == strTypeComboTemp) loadRow(next, nextType, true);
            }
            loadRow(r, type);
        } catch (const BadRecord& bad) {
            hideRow(n, type);
            if (bad.oneFigureCombo) {
                // The whole pair stays hidden and the rows after it are not loaded; nothing
                // stored changes.
                if (type == strTypeComboHumid && n < 10 &&
                    Record{fromIni, n + 1}.get(QStringLiteral("DeviceType")) == strTypeComboTemp)
                    hideRow(n + 1, strTypeComboTemp);
                reports << kOneFigureMessage << kLoadingStopped;
                break;
            }
            dropTemperatureHalf = type == strTypeComboHumid;
            const QString text = fromIni ? otherPrefix + bad.description : otherPrefix;
            if (!reports.contains(text)) reports << text;
        }
    }
    return reports;
}

} // namespace

short LoadDevicePrefs() {
    ClearArrays();
    QStringList reports;
    {
        LoadGuard guard;
        const QString total = settingsvalues::readKey(settingsvalues::Store::Tree, "TotalDevices", 0, QStringLiteral("99"));
        if (rt::Val(total) < 0)
            settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalDevices", QStringLiteral("0"));
        reports = loadRows(false, QStringLiteral("Could not load saved preferences."));
        AnyProxBehaviorFrameShown(1);
    }
    for (const QString& text : reports)
        rt::MsgBox(text, text == kOneFigureMessage || text == kLoadingStopped ? rt::vbOKOnly : rt::vbInformation);
    return reports.isEmpty() ? 1 : 0;
}

void LoadDeviceINI() {
    ClearArrays();
    QStringList reports;
    {
        LoadGuard guard;
        const QString total =
            settingsvalues::readKey(settingsvalues::Store::Ini, "TotalDevices", 0, QStringLiteral("0"));
        if (total == QLatin1String("0")) {
            reports << QStringLiteral("TotalDevs = 0");
        } else if (rt::Val(total) < 0) {
            reports << QStringLiteral("Error In LoadDeviceINI: ");
        } else {
            reports = loadRows(true, QStringLiteral("Error In LoadDeviceINI: "));
            AnyProxBehaviorFrameShown(1);
        }
    }
    for (const QString& text : reports)
        rt::MsgBox(text);
}

void DeleteDeviceSettings(int n) {
    try {
        platform::DeleteSetting(modPrefs::kApp,
                                n > 0 ? treeSection(n) : QStringLiteral("PortConfig\\Devices"));
    } catch (const std::exception&) {
    }
}

} // namespace modSupport
