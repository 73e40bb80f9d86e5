#pragma once
#include <QMainWindow>
#include <array>

#include "runtime/task.h"
#include "settings/maincontrols.h"

class QIcon;
class QHBoxLayout;
class QVBoxLayout;
class QMenu;
class QTabWidget;
class ezVidCap;
namespace platform {
class SmtpControl;
}

// The main window: one instance, created on first use. Controls are public and named as the
// program's code refers to them; those the code below the windows works with are declared in
// CorvisentMainControls (settings/maincontrols.h). Arrays are indexed by device row (1..10,
// element 0 unused) or by display slot (1..4, element 0 unused) unless noted.
class CorvisentMain : public QMainWindow, public CorvisentMainControls {
    Q_OBJECT
public:
    static CorvisentMain& instance();
    QWidget& form() override { return *this; }

    // ---- Tab strip.
    QTabWidget* sstabCorvisentMan = nullptr;
    // Current tab by index.
    int tab() const;
    void setTab(int index);
    bool tabEnabled(int index) const;
    void setTabEnabled(int index, bool on) override;

    // ---- Summary camera view.
    rt::CaptionFrame* frameSummaryVidContainer = nullptr; // "Video Surveillance"
    QLabel* lblPrevCamSetupIndex = nullptr;                // hidden; "99"
    QLabel* lblPrevCamSubIndex = nullptr;                  // hidden; "99"
    QPushButton* cmdSnapPicture = nullptr;                 // "Save Picture"
    QPushButton* cmdNoVideo = nullptr;                     // "NV" with the video column, "VN" without
    std::array<ezVidCap*, 5> ezVidCap1{};                  // 0 = summary preview, 1..4 camera slots

    // ---- Slot titles of the kind tabs: 0..3 distance, 4..7 temperature, 8..11 humidity,
    // 12..15 proximity, 16..19 water, 20..23 accelerometer.
    std::array<QLabel*, 24> Label3{};

    // ---- Buttons of the kind tabs that only the window uses.
    Slots<QPushButton> cmdClearTempHighLow{};
    Slots<QPushButton> cmdClearHumidHighLow{};
    std::array<QPushButton*, 2> cmdSendDPlus{}; // element 1 only; never shown
    QPushButton* cmdSetThresh = nullptr;        // Temperature
    QPushButton* cmdSetThreshold = nullptr;     // Humidity
    QPushButton* cmdSetProxBehaviors = nullptr; // Proximity
    QPushButton* cmdSetThresh1 = nullptr;       // Water
    QPushButton* cmdSetThresh2 = nullptr;       // Acceleration
    QPushButton* cmdSetThresh3 = nullptr;       // Distance

    // ---- Video tab.
    Slots<rt::CaptionFrame> frameSurvTabCoverUp{}; // caption = device row shown once attached
    Slots<QPushButton> cmdCameraProp{};            // "Properties" of each position
    QPushButton* cmdResChange = nullptr;           // "Resolution Change"

    // ---- Right-click menu of a summary row (the entries the sensor code switches are in
    // CorvisentMainControls).
    QMenu* mnuPopUp = nullptr; // "mnuPopupHidden"
    QAction* mnuPopupRename = nullptr;
    QAction* mnuPopUpSetThresh = nullptr;
    QAction* mnuPopUpEvents = nullptr;

    // ---- Handlers of this window.
    // Mouse buttons as the handlers number them: 1 left, 2 right, 4 middle.
    void lblSensor1_MouseDown(int row, int button, int shift, int x, int y);
    rt::Task<> lblSensor1_DblClick(int row);
    void lblSensorStatus_DblClick(int row);
    rt::Task<> mnuPopUpConnectThisSensor_Click();
    rt::Task<> mnuPopupConnectAll_Click();
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

    // ---- Cameras (CorvisentMain_cameras.cpp). SwitchToVideo0 mode 1 moves the camera of the
    // device row into the summary view; any other mode gives the summary camera back to its
    // position and closes that view. Moves run one at a time, each to its end, in the order asked.
    rt::Task<> SwitchToVideo0(int row, int mode);
    rt::Task<> cmdSnapPicture_Click();
    void cmdCameraProp_Click(int pos);
    void cmdNoVideo_Click();
    rt::Task<> cmdResChange_Click();
    void lblCamDeviceName_DblClick(int pos);
    rt::Task<> lblCurrentCamView_DblClick();
    // At the program's end: recordings still running are ended and kept as when their camera goes,
    // within withinMs of real time for all of them; it ends once they are complete or the time is
    // up.
    rt::Task<> FinishRecordings(int withinMs);

    // ---- Renaming a sensor (CorvisentMain_rename.cpp).
    void mnuPopupRename_Click();
    void lblTempDeviceName_DblClick(int slot);
    void lblHumidDeviceName_DblClick(int slot);

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
    void mnuSetLogDirectory_Click() override;
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
    // The start-up of the program with its command line; ends when start-up has (after its
    // Connect All and its questions).
    rt::Task<> Form_Load(QString commandLine);
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
