#pragma once
#include <QString>
#include <array>

// The shared device model: per-row tables, display-slot tables of each sensor kind's tab, camera
// slots, the process-wide values read across the program, and the procedures that allocate and
// query slots and show or hide a device row on the setup dialog and the main window.
namespace modSupport {

// A fixed table of whole numbers with places 0..N-1. Every access is checked: an index outside
// the table raises rt::VbError 9 "Subscript out of range" and never touches memory outside it.
template <int N> class Table {
public:
    static constexpr int size() { return N; }
    int& operator[](int i) { return m_v[check(i)]; }
    int operator[](int i) const { return m_v[check(i)]; }
    // Reads place i, or def when i is outside the table (for callers that tolerate bad indexes).
    int value(int i, int def = 0) const { return (i >= 0 && i < N) ? m_v[i] : def; }
    void fill(int v) { m_v.fill(v); }

private:
    static int check(int i);
    std::array<int, N> m_v{};
};

[[noreturn]] void raiseSubscriptOutOfRange();
template <int N> int Table<N>::check(int i) {
    if (i < 0 || i >= N) raiseSubscriptOutOfRange();
    return i;
}

// ---- Type codes of a device row and their stored type names.
enum TypeCode : int {
    typeEmpty = 0,
    typeTemperature = 1,
    typeHumidity = 2,
    typeProximity = 3,
    typeCameraUnnamed = 4,
    typeVideo = 5,
    typeWater = 6,
    typeCombo = 7,
    typeAccel = 8,
    typeDistance = 9,
    typeVideo2 = 10,
    typeDisabled = 99,
};
extern const QString strTypeTemperature; // "Corvisent/T (Temperature)"
extern const QString strTypeHumidity;    // "Corvisent/H (Humidity)"
extern const QString strTypeProximity;   // "Corvisent/P (Proximity)"
extern const QString strTypeVideo;       // "Corvisent/V (Video)"
extern const QString strTypeWater;       // "Corvisent/W (Water)"
extern const QString strTypeComboHumid;  // "Combo Sensor (Humidity)"  (row n of a combined pair)
extern const QString strTypeComboTemp;   // "Combo Sensor (Temperature)" (row n + 1)
extern const QString strTypeComboOffer;  // "Corvisent Combo Sensor (Temp. & Humidity)"
extern const QString strTypeAccel;       // "Corvisent/A (2-Axis Accelerometer)"
extern const QString strTypeDistance;    // "Corvisent/D (Distance)"
extern const QString strTypeVideo2;      // "Corvisent/V2 (Single camera only)"
extern const QString strTypeVideoMotion; // "Corvisent/V with Motion Det" (older camera name)

// Code of a type name as the setup rows give it: exact match; "Combo Sensor (Humidity)" is 7;
// "Combo Sensor (Temperature)", "Corvisent/V with Motion Det" and any other text give 0.
int TypeCodeOfName(const QString& name);
// Stored type name of a code ("" for codes without a name; 7 gives the humidity half's name).
QString TypeNameOfCode(int code);
// One of the three camera names.
bool IsCameraName(const QString& name);

// ---- Per-row tables, places 0..10 (row 1..10; place 0 carries no device unless noted). The
// row's type code is in its record (iDeviceType, settings/rowrecord.h).
extern Table<11> iPortOpen;    // type code of the connected device, 0 = not connected; [0] = count
extern Table<11> iProxMode;    // distance: 1 proximity mode, 0 distance mode
extern Table<11> iBumpMode;    // accelerometer: 1 bump mode, 0 tilt mode
extern Table<11> iProxSlot;    // proximity event index of a proximity-capable row, 0 = none
extern Table<11> iReadMinutes; // reading interval in minutes
extern Table<11> iMinuteCount; // minute counter of the polling tick
extern Table<12> iConnectPort; // COM port taken by Connect All, places 0..11; [0] = count

// ---- Display-slot tables of each kind's tab, places 0..5: [0] = slots in use (full at 4),
// [1..4] = 1 when taken.
extern Table<6> iTempTabSlot;
extern Table<6> iHumidTabSlot;
extern Table<6> iProxTabSlot;
extern Table<6> iWaterTabSlot;
extern Table<6> iAccelTabSlot;
extern Table<6> iDistTabSlot;
// The slot table of a kind with a tab (1, 2, 3, 6, 8, 9); nullptr for any other code.
Table<6>* TabSlotTable(int typeCode);
// Marks display slot 1..4 of a kind's table taken and counts it in place 0 (which never counts
// below 0). Loading a record and registering a new device both take slots through it.
void TakeTabSlot(Table<6>& table, int slot);

// ---- Camera slots, places 0..5: [1..4] = 99 when free, else the camera's capture-driver index.
extern Table<6> iCamSlot;
constexpr int camSlotFree = 99;
constexpr int noCamera = 99;

// Camera linked to a proximity-capable sensor, keyed by the sensor's kind and display slot, so a
// Proximity-tab slot and the Distance-tab slot of the same number keep separate links.
// Values: camera number 1..4, or 99 for none.
class ProxToCamTable {
public:
    // kind 3 (proximity) or 9 (distance), slot 0..4; anything else raises rt::VbError 9.
    int& operator()(int kind, int slot);
    int operator()(int kind, int slot) const;
    void fill(int v);

private:
    Table<5> m_prox;
    Table<5> m_dist;
};
extern ProxToCamTable iProxToCam;

// ---- Process-wide values.
extern int iSelectedRow;   // summary row last right-clicked
extern int iRenameType;    // kind whose tab shows the name being changed
extern int iRenameIndex;   // display slot of that name
extern bool bSettingMode;  // a popup mode command is talking to its sensor
extern QString strINIPath; // the INI settings file; "corvisent.ini" until set
extern long lMaxFileSize;  // log file size limit in bytes (1024000 until set)
extern int iScreenSaverCmd; // 1 once a screen saver is the chosen proximity command

// ---- Load guard: while settings or devices are loaded into the windows, the handlers that the
// assignments set off update only their own window's derived state; they store nothing, show no
// message or window and start nothing. Nestable; released when the guard object goes away,
// whatever way the loader leaves.
class LoadGuard {
public:
    LoadGuard();
    ~LoadGuard();
    LoadGuard(const LoadGuard&) = delete;
    LoadGuard& operator=(const LoadGuard&) = delete;
};
bool loading();
// 1 while a load runs, else 0.
inline int iInLoad() { return loading() ? 1 : 0; }

// ---- Slot finder. The result of looking for a free display slot of a kind.
struct SlotResult {
    enum Kind { Slot, Pair, Full, None };
    Kind kind = None;
    int slot = 0;      // Slot: 1..4
    int tempSlot = 0;  // Pair: first free temperature slot, 0 where none
    int humidSlot = 0; // Pair: first free humidity slot, 0 where none
    // A usable result: a slot 1..4, or a pair of two slots 1..4.
    bool usable() const;
    // The slot as stored: "3", "32" for a pair (temperature first), "" for full or none.
    QString text() const;
};

// Finds the first free display slot of the kind (cameras: the first free camera slot). A full
// tab shows the kind's message (none for proximity) and gives Full. Only reads the tables.
SlotResult FindFirstTabSlotAvailable(int typeCode);

// Mode 1 shows a device row's controls on the setup dialog and its summary labels; any other mode
// hides and resets them.
void MakeInvisible(int mode, int row, int typeCode);
// Gives every row's record its kind from the setup dialog's row type labels.
void CreateSetupArray();
// Resets the connection, mode and slot tables (not iReadMinutes, iConnectPort) and lets go of
// every row's device; the rows' kinds stay.
void ClearArrays();
// The slot numbers of every row of the kind, or of a distance sensor, joined ("13").
QString GetSubIndexList(int typeCode);
// True when any of rows 2..10 holds a device.
bool AnyDeviceInSlots2to10();
// Updates the main window's "no device" label and tab of a kind (both kinds for 7).
void CheckIfNoDevices(int typeCode);
// 1 when any proximity behaviour frame of the setup dialog is shown, else 0; mode 1 also shows
// or hides the "no proximity sensors" label.
int AnyProxBehaviorFrameShown(int mode);

// Main-window tab index of a kind with a tab (codes 1, 2, 3, 6, 8, 9), -1 for any other code.
int TabIndexOfKind(int typeCode);

// The date and time of the program clock as a file-name stamp ("03072009_040802"); the second
// form builds it from given short-date and time texts.
QString GetDateTimeStamp();
QString DateTimeStampOf(const QString& dateText, const QString& timeText);

} // namespace modSupport
