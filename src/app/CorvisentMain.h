#pragma once
#include <QMainWindow>
#include <array>

#include "runtime/controls.h"

class QAction;
class QIcon;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class ezVidCap;
namespace platform {
class MSCommControl;
class SmtpControl;
}
namespace rt {
class Timer;
}
namespace modSupport {
template <int N> class Table;
}

// The main window: one instance, created on first use. Controls are public and named as the
// program's code refers to them. Arrays are indexed by device row (1..10, element 0 unused) or by
// display slot (1..4, element 0 unused) unless noted.
class CorvisentMain : public QMainWindow {
    Q_OBJECT
public:
    static CorvisentMain& instance();

    template <typename T> using Rows = rt::Rows<T>;
    template <typename T> using Slots = rt::Slots<T>;

    // Tab indexes of sstabCorvisentMan.
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

    // Everything that belongs to a sensor kind with a tab of its own (type codes 1, 2, 3, 6, 8,
    // 9): its tab and slot table, the controls of its four display positions, its "no device"
    // label and the per-row port and timer of its devices. The window lays the kind tabs out from
    // these records; every other place that needs a kind's controls reads them here.
    struct KindTab {
        int kind; // type code
        TabIndex tab;
        modSupport::Table<6>* slotTable;
        Slots<QLabel> CorvisentMain::*names;
        Slots<QPlainTextEdit> CorvisentMain::*logs;
        Slots<QPushButton> CorvisentMain::*clears;
        Slots<rt::CaptionFrame> CorvisentMain::*covers;
        QLabel* CorvisentMain::*noDevice;
        Rows<platform::MSCommControl> CorvisentMain::*ports;
        Rows<rt::Timer> CorvisentMain::*timers;
        // The kind in the "no more available slots on the %1 tab" message; nullptr: no message.
        const char* fullName;
        // Layout: the slot titles start at Label3[firstTitle]; object names of the name label,
        // log box, clear button, cover frame and no-device label.
        int firstTitle;
        const char* title;
        const char* nameCaption;
        const char* objectNames[5];
        const char* noDeviceText;
        void (CorvisentMain::*clearHandler)(int);
        QPushButton* CorvisentMain::*tabButton;
        const char* tabButtonName;
        const char* tabButtonCaption;
        void (CorvisentMain::*tabButtonHandler)();
    };
    // The record of a kind; nullptr for a kind without a tab of its own (cameras, combined, empty).
    static const KindTab* kindTab(int kind);

    // ---- Tab strip.
    QTabWidget* sstabCorvisentMan = nullptr;
    // Current tab by index.
    int tab() const;
    void setTab(int index);
    // A tab switched off is removed from the tab bar until switched on again.
    bool tabEnabled(int index) const;
    void setTabEnabled(int index, bool on);

    // ---- Summary rows, by device row.
    Rows<QLabel> lblSensor1{};       // device name; right-click opens the popup menu
    Rows<QLabel> lblSensorReading{}; // reading or "OFF" / "NA"
    Rows<QLabel> lblSensorStatus{};  // status text ("OK", "Sensor Error", ...)
    Rows<QLabel> lblMeasure{};       // unit; Tag "1" on a combined sensor's temperature half

    // ---- Summary camera view.
    rt::CaptionFrame* frameSummaryVidContainer = nullptr; // "Video Surveillance"
    QLabel* lblCurrentCamView = nullptr;                   // name of the camera shown; Tag = summary view state
    QLabel* lblPrevCamSetupIndex = nullptr;                // hidden; "99"
    QLabel* lblPrevCamSubIndex = nullptr;                  // hidden; "99"
    QPushButton* cmdSnapPicture = nullptr;                 // "Save Picture"
    QPushButton* cmdNoVideo = nullptr;                     // "NV" with the video column, "VN" without
    std::array<ezVidCap*, 5> ezVidCap1{};                  // 0 = summary preview, 1..4 camera slots

    // ---- Slot titles of the kind tabs: 0..3 distance, 4..7 temperature, 8..11 humidity,
    // 12..15 proximity, 16..19 water, 20..23 accelerometer.
    std::array<QLabel*, 24> Label3{};

    // ---- Temperature tab, by display slot.
    Slots<QLabel> lblTempDeviceName{};
    Slots<QPlainTextEdit> txtTempInData{};
    Slots<QPushButton> cmdClearTempLog{};
    Slots<rt::CaptionFrame> frameTCover{}; // shown while the slot is empty; Tag = device row
    Slots<QLabel> lblTHighest{};           // tool tip = date and time of the value
    Slots<QLabel> lblTLowest{};
    Slots<QPushButton> cmdClearTempHighLow{};
    QPushButton* cmdSetThresh = nullptr;
    QLabel* lblNoTDevicePresent = nullptr;

    // ---- Humidity tab.
    Slots<QLabel> lblHumidDeviceName{};
    Slots<QPlainTextEdit> txtHumidInData{};
    Slots<QPushButton> cmdClearHumidLog{};
    Slots<rt::CaptionFrame> frameHCover{};
    Slots<QLabel> lblHHighest{};
    Slots<QLabel> lblHLowest{};
    Slots<QPushButton> cmdClearHumidHighLow{};
    QPushButton* cmdSetThreshold = nullptr;
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
    QPushButton* cmdSetProxBehaviors = nullptr;
    QLabel* lblNoPDevicePresent = nullptr;

    // ---- Water tab.
    Slots<QLabel> lblWaterDeviceName{};
    Slots<QPlainTextEdit> txtWaterData{};
    Slots<QPushButton> cmdClearWaterLog{};
    Slots<rt::CaptionFrame> frameWCover{};
    QPushButton* cmdSetThresh1 = nullptr;
    QLabel* Label2 = nullptr; // "No water sensing devices present."

    // ---- Acceleration tab.
    Slots<QLabel> lblAccelDeviceName{};
    Slots<QPlainTextEdit> txtAccelData{};
    Slots<QPushButton> cmdClearAccelLog{};
    Slots<rt::CaptionFrame> frameACover{};
    Slots<QPushButton> cmdCalibrate{};
    Slots<QPushButton> cmdSetToBump{};
    Slots<QPushButton> cmdSetBumpSens{};
    std::array<QPushButton*, 2> cmdSendDPlus{}; // element 1 only; never shown
    QPushButton* cmdSetThresh2 = nullptr;
    QLabel* lblNoAccelDevices = nullptr;

    // ---- Distance tab.
    Slots<QLabel> lblDistanceDeviceName{};
    Slots<QPlainTextEdit> txtDistanceData{}; // Tag "1" when the last line changed the object state
    Slots<QPushButton> cmdClearDistanceLog{};
    Slots<rt::CaptionFrame> frameDCover{};
    Slots<QPushButton> cmdSetToProximityMode{};
    Slots<QPushButton> cmdSensD{};
    QPushButton* cmdSetThresh3 = nullptr;
    QLabel* lblNoDistanceDevices = nullptr;

    // ---- Video tab.
    Slots<QLabel> lblCamDeviceName{};
    Slots<rt::CaptionFrame> frameSurvTabCoverUp{}; // caption = device row shown once attached
    Slots<QLabel> Label1{};                        // Tag = capture driver name of the slot's camera
    Slots<QPushButton> cmdCameraProp{};            // "Properties" of each position
    QPushButton* cmdResChange = nullptr;           // "Resolution Change"
    QLabel* lblNoCamDevicePresent = nullptr;

    // ---- Invisible per-row controls.
    Rows<platform::MSCommControl> MSComm{};  // temperature, humidity, combined
    Rows<platform::MSCommControl> MSCommP{}; // proximity
    Rows<platform::MSCommControl> MSCommW{}; // water
    Rows<platform::MSCommControl> MSCommA{}; // accelerometer
    Rows<platform::MSCommControl> MSCommD{}; // distance
    Rows<rt::Timer> Timer1{};
    Rows<rt::Timer> ProximityTimer{};
    Rows<rt::Timer> WaterTimer{};

    // ---- Right-click menu of a summary row.
    QMenu* mnuPopUp = nullptr; // "mnuPopupHidden"
    QAction* mnuPopUpConnectThisSensor = nullptr;
    QAction* mnuPopupConnectAll = nullptr;
    QAction* mnuPopupRename = nullptr;
    QAction* mnuPopUpSetThresh = nullptr;
    QAction* mnuPopUpEvents = nullptr;
    QAction* mnuPopUpSetProxNotifications = nullptr;
    QAction* mnuPopupSetProximityMode = nullptr;
    QAction* mnuPopupCalibrate = nullptr;
    QAction* mnuPopUpSetToBinaryMode = nullptr;
    QAction* mnuPopupSetSensitivity = nullptr;

    // ---- Handlers of this window.
    // Mouse buttons as the handlers number them: 1 left, 2 right, 4 middle.
    void lblSensor1_MouseDown(int row, int button, int shift, int x, int y);
    void lblSensor1_DblClick(int row);
    void lblSensorStatus_DblClick(int row);
    void mnuPopUpConnectThisSensor_Click();
    void mnuPopupConnectAll_Click();
    void mnuPopUpEvents_Click();
    void mnuPopUpSetProxNotifications_Click();
    void mnuPopUpSetThresh_Click();
    void cmdSetProxBehaviors_Click();
    void cmdSetThresh_Click();
    void cmdSetThreshold_Click();
    void cmdSetThresh1_Click();
    void cmdSetThresh2_Click();
    void cmdSetThresh3_Click();
    void cmdClearTempLog_Click(int slot);
    void cmdClearHumidLog_Click(int slot);
    void cmdClearProximityLog_Click(int slot);
    void cmdClearWaterLog_Click(int slot);
    void cmdClearAccelLog_Click(int slot);
    void cmdClearDistanceLog_Click(int slot);
    void cmdClearTempHighLow_Click(int slot);
    void cmdClearHumidHighLow_Click(int slot);
    void sstabCorvisentMan_Click(int previousTab);

    // ---- Sensor mode, sensitivity and calibration commands (src/sensors/modes.cpp).
    void cmdCalibrate_Click(int slot);
    void mnuPopupCalibrate_Click();
    void CalibrateOnConnection(int row, int slot);
    void cmdSetBumpSens_Click(int slot);
    void cmdSensD_Click(int slot);
    void mnuPopupSetSensitivity_Click();
    void cmdSetToBump_Click(int slot);
    void cmdSetToProximityMode_Click(int slot);
    void mnuPopUpSetToBinaryMode_Click();
    void mnuPopupSetProximityMode_Click();
    void StartInBumpMode(int row);
    void StartInProximityMode(int row);

    // ---- Port events, timer ticks and disconnect display (src/sensors: events_*.cpp, polling.cpp,
    // disconnect.cpp).
    void MSCommP_OnComm(int row);
    void MSCommW_OnComm(int row);
    void MSCommA_OnComm(int row);
    void MSCommD_OnComm(int row);
    // The device of the row's line-event or streaming port went away: the row is disconnected
    // and the user told once.
    void SensorPortLost(int row, platform::MSCommControl* port);
    void Timer1_Timer(int row);
    void WaterTimer_Timer(int row);
    void cmdDisconnectSensor_Click(int row);

    // ---- Cameras (CorvisentMain_cameras.cpp). SwitchToVideo0 mode 1 moves the camera of the
    // device row into the summary view; any other mode gives the summary camera back to its
    // position and closes that view.
    void SwitchToVideo0(int row, int mode);
    void cmdSnapPicture_Click();
    void cmdCameraProp_Click(int pos);
    void cmdNoVideo_Click();
    void cmdResChange_Click();
    void lblCamDeviceName_DblClick(int pos);
    void lblCurrentCamView_DblClick();
    // At the program's end: recordings still running are ended and kept as when their camera goes,
    // within withinMs of real time for all of them.
    void FinishRecordings(int withinMs);

    // ---- Renaming a sensor (CorvisentMain_rename.cpp).
    void mnuPopupRename_Click();
    void lblTempDeviceName_DblClick(int slot);
    void lblHumidDeviceName_DblClick(int slot);
    // Cover frame (Tag = device row shown) and name label of display slot 1..4 on the tab of kind
    // 1, 2, 3, 6, 8 or 9; rt::VbError 9 for any other kind or slot.
    rt::CaptionFrame* SlotCover(int kind, int slot) const;
    QLabel* SlotNameLabel(int kind, int slot) const;
    // The "no device" label of the tab of kind 1, 2, 3, 6, 8 or 9; nullptr for any other kind.
    QLabel* NoDeviceLabel(int kind) const;

    // ---- Menu bar (CorvisentMain_menus.cpp). Top-level menus and their entries, named as the
    // program's code refers to them.
    QMenu* SystemTray = nullptr; // hidden; popup menu of the notification-area icon
    QAction* mnuTakeOut = nullptr;
    QMenu* File = nullptr;
    QAction* mnuRemoveFromStartup = nullptr; // hidden until placed in the tray or auto-connect is ticked
    QAction* mnuPlaceInSysTray = nullptr;
    QAction* mnuOpenLogFiles = nullptr;
    QAction* mnuOpenCaptureFiles = nullptr;
    QAction* mnuSavePrefs = nullptr;
    QAction* mnuStartDataCollector = nullptr; // hidden
    QAction* Exit = nullptr;
    QMenu* mnuInternetUpdate_ = nullptr; // hidden, no entries
    QMenu* menuSetup2 = nullptr;
    QAction* mnuEmailAlerts = nullptr;
    QAction* mnuPageAlerts = nullptr;
    QAction* mnuInternetUpdate = nullptr;
    QAction* mnuRenameSensor = nullptr;
    QAction* mnuSetLogDirectory = nullptr;
    QAction* menuProximityEvents = nullptr;
    QAction* menuSetup = nullptr;
    QAction* menuThresholds = nullptr;
    QMenu* Help = nullptr;
    QAction* mnuCleanOut = nullptr;        // hidden unless started with the clean-out switch
    QAction* mnuCheckForUpdates = nullptr; // hidden
    QAction* mnuCorvisentManagerHelp = nullptr;
    QAction* About = nullptr;
    QPushButton* Command1 = nullptr; // "Update ComDB"
    void mnuRemoveFromStartup_Click();
    void mnuOpenLogFiles_Click();
    void mnuOpenCaptureFiles_Click();
    void mnuSavePrefs_Click();
    void mnuStartDataCollector_Click();
    void mnuEmailAlerts_Click();
    void mnuPageAlerts_Click();
    void mnuInternetUpdate_Click();
    void mnuRenameSensor_Click();
    void mnuSetLogDirectory_Click();
    void menuProximityEvents_Click();
    void menuSetup_Click();
    void menuThresholds_Click();
    void mnuCleanOut_Click();
    void mnuCheckForUpdates_Click();
    void mnuCorvisentManagerHelp_Click();
    void About_Click();
    void Command1_Click();

    // ---- Notification-area icon (systray.cpp).
    // Pictures of the window's image list: 1 the normal icon, 2 the alert icon.
    QIcon ImageList1(int index) const;
    void mnuPlaceInSysTray_Click();
    void mnuTakeOut_Click();
    void SysTrayMouseEventHandler();

    // ---- Alert mail (CorvisentMain_mail.cpp): the SMTP control and its events.
    platform::SmtpControl* SMTP1 = nullptr;
    void SMTP1_Closed();
    // At the program's end: SMTP mail still waiting gets graceMs of real time to go; what did not
    // go, and mail waiting for the mail program, is listed in the e-mail status list and appended
    // to "smtplog.log".
    void FinishMail(int graceMs);
    void SMTP1_Status(const QString& text);

    // ---- Start-up and shutdown (startup.cpp).
    // The start-up of the program with its command line.
    void Form_Load(const QString& commandLine);
    // Closing the window: releases the summary camera view, closes every open sensor port and
    // log file, and ends the program.
    void Form_Unload();
    // File > Exit: asks, then ends the program at once.
    void Exit_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CorvisentMain();
    void buildSummaryTab();
    void buildKindTabs();
    void addExtremes(bool temperature, int slot, QWidget* host, QHBoxLayout* row);
    void addAccelButtons(int slot, QWidget* host, QVBoxLayout* layout);
    void addDistanceButtons(int slot, QWidget* host, QVBoxLayout* layout);
    void buildVideoTab();
    void wireCameraControls();
    void buildInvisibleControls();
    void buildPopupMenu();
    void buildMenus();
    void buildMailControl();
    QWidget* m_pages[8] = {};
    QWidget* m_summaryVideo = nullptr; // the summary tab's video column
    int m_prevTab = 0;
    QString m_captions[8];
};
