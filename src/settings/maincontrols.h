#pragma once
#include <array>

#include "runtime/controls.h"
#include "runtime/task.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;
namespace platform {
class MSCommControl;
}
namespace rt {
class Timer;
}
namespace modSupport {
template <int N> class Table;
}

// The main window's controls that the device model, the device loaders and the sensor code work
// with, and the sensor handlers of the window. The window (CorvisentMain, src/app/) derives from
// this, makes the controls and lays them out; the code below the windows reaches them here.
// Arrays are indexed by device row (1..10, element 0 unused) or by display slot (1..4, element 0
// unused) unless noted.
class CorvisentMainControls {
public:
    // The main window, made on first use.
    static CorvisentMainControls& instance();
    // The window itself, as a control.
    virtual QWidget& form() = 0;

    template <typename T> using Rows = rt::Rows<T>;
    template <typename T> using Slots = rt::Slots<T>;

    // Tab indexes of the window's tab strip.
    enum TabIndex : int {
        tabSummary = 0,
        tabTemperature = 1,
        tabHumidity = 2,
        tabProximity = 3,
        tabVideo = 4,
        tabWater = 5,
        tabAcceleration = 6,
        tabDistance = 7,
    };
    // A tab switched off is removed from the tab bar until switched on again.
    virtual void setTabEnabled(int index, bool on) = 0;

    // Everything that belongs to a sensor kind with a tab of its own (type codes 1, 2, 3, 6, 8,
    // 9): its tab and slot table, the controls of its four display positions, its "no device"
    // label and the per-row port and timer of its devices. Every place that needs a kind's
    // controls reads them here; the window lays the kind tabs out by these records.
    struct KindTab {
        int kind; // type code
        TabIndex tab;
        modSupport::Table<6>* slotTable;
        Slots<QLabel> CorvisentMainControls::*names;
        Slots<QPlainTextEdit> CorvisentMainControls::*logs;
        Slots<QPushButton> CorvisentMainControls::*clears;
        Slots<rt::CaptionFrame> CorvisentMainControls::*covers;
        QLabel* CorvisentMainControls::*noDevice;
        Rows<platform::MSCommControl> CorvisentMainControls::*ports;
        Rows<rt::Timer> CorvisentMainControls::*timers;
        // The kind in the "no more available slots on the %1 tab" message; nullptr: no message.
        const char* fullName;
    };
    // The record of a kind; nullptr for a kind without a tab of its own (cameras, combined, empty).
    static const KindTab* kindTab(int kind);
    // Cover frame (Tag = device row shown) and name label of display slot 1..4 on the tab of kind
    // 1, 2, 3, 6, 8 or 9; rt::VbError 9 for any other kind or slot.
    rt::CaptionFrame* SlotCover(int kind, int slot) const;
    QLabel* SlotNameLabel(int kind, int slot) const;
    // The "no device" label of the tab of kind 1, 2, 3, 6, 8 or 9; nullptr for any other kind.
    QLabel* NoDeviceLabel(int kind) const;

    // ---- Summary rows, by device row.
    Rows<QLabel> lblSensor1{};       // device name; right-click opens the popup menu
    Rows<QLabel> lblSensorReading{}; // reading or "OFF" / "NA"
    Rows<QLabel> lblSensorStatus{};  // status text ("OK", "Sensor Error", ...)
    Rows<QLabel> lblMeasure{};       // unit; Tag "1" on a combined sensor's temperature half

    // ---- Temperature tab, by display slot.
    Slots<QLabel> lblTempDeviceName{};
    Slots<QPlainTextEdit> txtTempInData{};
    Slots<QPushButton> cmdClearTempLog{};
    Slots<rt::CaptionFrame> frameTCover{}; // shown while the slot is empty; Tag = device row
    Slots<QLabel> lblTHighest{};           // tool tip = date and time of the value
    Slots<QLabel> lblTLowest{};
    QLabel* lblNoTDevicePresent = nullptr;

    // ---- Humidity tab.
    Slots<QLabel> lblHumidDeviceName{};
    Slots<QPlainTextEdit> txtHumidInData{};
    Slots<QPushButton> cmdClearHumidLog{};
    Slots<rt::CaptionFrame> frameHCover{};
    Slots<QLabel> lblHHighest{};
    Slots<QLabel> lblHLowest{};
    QLabel* lblNoHDevicePresent = nullptr;

    // Per slot: true while the highest and lowest labels hold no reading yet (at start and after
    // a reset), so that the next reading sets both.
    std::array<bool, 5> bTHighLowEmpty{{true, true, true, true, true}};
    std::array<bool, 5> bHHighLowEmpty{{true, true, true, true, true}};

    // ---- Proximity tab.
    Slots<QLabel> lblProximDeviceName{};
    Slots<QPlainTextEdit> txtProximData{};
    Slots<QPushButton> cmdClearProximityLog{};
    Slots<rt::CaptionFrame> framePCover{};
    QLabel* lblNoPDevicePresent = nullptr;

    // ---- Water tab.
    Slots<QLabel> lblWaterDeviceName{};
    Slots<QPlainTextEdit> txtWaterData{};
    Slots<QPushButton> cmdClearWaterLog{};
    Slots<rt::CaptionFrame> frameWCover{};
    QLabel* Label2 = nullptr; // "No water sensing devices present."

    // ---- Acceleration tab.
    Slots<QLabel> lblAccelDeviceName{};
    Slots<QPlainTextEdit> txtAccelData{};
    Slots<QPushButton> cmdClearAccelLog{};
    Slots<rt::CaptionFrame> frameACover{};
    Slots<QPushButton> cmdCalibrate{};
    Slots<QPushButton> cmdSetToBump{};
    Slots<QPushButton> cmdSetBumpSens{};
    QLabel* lblNoAccelDevices = nullptr;

    // ---- Distance tab.
    Slots<QLabel> lblDistanceDeviceName{};
    Slots<QPlainTextEdit> txtDistanceData{}; // Tag "1" when the last line changed the object state
    Slots<QPushButton> cmdClearDistanceLog{};
    Slots<rt::CaptionFrame> frameDCover{};
    Slots<QPushButton> cmdSetToProximityMode{};
    Slots<QPushButton> cmdSensD{};
    QLabel* lblNoDistanceDevices = nullptr;

    // ---- Cameras as the device list places them, by camera position.
    Slots<QLabel> lblCamDeviceName{};
    Slots<QLabel> Label1{}; // Tag = capture driver name of the slot's camera
    QLabel* lblNoCamDevicePresent = nullptr;
    QLabel* lblCurrentCamView = nullptr; // name of the camera in the summary view; Tag = summary view state

    // ---- Invisible per-row controls.
    Rows<platform::MSCommControl> MSComm{};  // temperature, humidity, combined
    Rows<platform::MSCommControl> MSCommP{}; // proximity
    Rows<platform::MSCommControl> MSCommW{}; // water
    Rows<platform::MSCommControl> MSCommA{}; // accelerometer
    Rows<platform::MSCommControl> MSCommD{}; // distance
    Rows<rt::Timer> Timer1{};
    Rows<rt::Timer> ProximityTimer{};
    Rows<rt::Timer> WaterTimer{};

    // ---- Entries of a summary row's right-click menu that the sensor code switches.
    QAction* mnuPopUpConnectThisSensor = nullptr;
    QAction* mnuPopupConnectAll = nullptr;
    QAction* mnuPopUpSetProxNotifications = nullptr;
    QAction* mnuPopupSetProximityMode = nullptr;
    QAction* mnuPopupCalibrate = nullptr;
    QAction* mnuPopUpSetToBinaryMode = nullptr;
    QAction* mnuPopupSetSensitivity = nullptr;

    // ---- Sensor mode, sensitivity and calibration commands (src/sensors/modes.cpp).
    rt::Task<> cmdCalibrate_Click(int slot);
    rt::Task<> mnuPopupCalibrate_Click();
    rt::Task<> CalibrateOnConnection(int row, int slot);
    rt::Task<> cmdSetBumpSens_Click(int slot);
    rt::Task<> cmdSensD_Click(int slot);
    rt::Task<> mnuPopupSetSensitivity_Click();
    rt::Task<> cmdSetToBump_Click(int slot);
    rt::Task<> cmdSetToProximityMode_Click(int slot);
    rt::Task<> mnuPopUpSetToBinaryMode_Click();
    rt::Task<> mnuPopupSetProximityMode_Click();
    rt::Task<> StartInBumpMode(int row);
    rt::Task<> StartInProximityMode(int row);

    // ---- Port events, timer ticks and disconnect display (src/sensors: events_*.cpp, polling.cpp,
    // disconnect.cpp).
    void MSCommP_OnComm(int row);
    void MSCommW_OnComm(int row);
    void MSCommA_OnComm(int row);
    void MSCommD_OnComm(int row);
    // The device of the row's line-event or streaming port went away: the row is disconnected
    // and the user told once.
    void SensorPortLost(int row, platform::MSCommControl* port);
    rt::Task<> Timer1_Timer(int row);
    void WaterTimer_Timer(int row);
    void cmdDisconnectSensor_Click(int row);

    // ---- Handlers of the window that the sensor code runs.
    // The menu entry that asks the user for the log folder.
    virtual void mnuSetLogDirectory_Click() = 0;

protected:
    CorvisentMainControls() = default;
    ~CorvisentMainControls() = default;
    CorvisentMainControls(const CorvisentMainControls&) = delete;
    CorvisentMainControls& operator=(const CorvisentMainControls&) = delete;
};
