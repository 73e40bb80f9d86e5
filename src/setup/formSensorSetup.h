#pragma once
#include <QDialog>
#include <array>

#include "runtime/task.h"
#include "settings/setupcontrols.h"

class QTabWidget;
namespace modSupport {
struct DeviceRow;
}

// The sensor setup dialog: one instance, created on first use and hidden while loaded. Its
// controls hold the live configuration that the rest of the program reads and writes; they are
// declared in SensorSetupControls (settings/setupcontrols.h), and here those that only the
// dialog itself uses.
class formSensorSetup : public QDialog, public SensorSetupControls {
    Q_OBJECT
public:
    static formSensorSetup& instance();
    QWidget& form() override { return *this; }

    // ---- Tab strip: 0 "Device Connect", 1 "&Alerts && Threshold", 2 "Camera Events",
    // 3 "Proximity Events".
    QTabWidget* SSTab1 = nullptr;
    int tab() const;
    void setTab(int index);
    // Shows the dialog modeless and brings it to the front.
    void bringToFront();

    // ---- Buttons and controls that only the dialog uses.
    QPushButton* cmdAddDevice = nullptr; // opens the add-device window
    QPushButton* cmdSetInterval = nullptr;
    QGroupBox* Frame3 = nullptr;            // "Global Interval Settings"
    QPushButton* cmdKestlink_exe = nullptr; // the hub's configuration utility
    QPushButton* cmdEmailSetup = nullptr;
    QPushButton* cmdSetPagerMessage = nullptr;
    std::array<QPushButton*, 9> cmdBrowse{}; // 2k-1 picks the walk-away, 2k the walk-up command of k
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancelSetup = nullptr; // "Cancel" (element 0 of its array)
    // Hidden copies of the temperature limits as the window loaded them.
    QLabel* lblHighStore = nullptr;
    QLabel* lblLowStore = nullptr;

    // ---- Camera options, by camera number.
    Events<QLabel> lblProxDevice{};       // caption of the sensor choice
    Events<QComboBox> cmbProximNumber{};  // free proximity-capable positions; item data = kind * 10 + slot
    Events<QCheckBox> chkProximSnapCam{}; // "Snap picture" on an event
    Events<QCheckBox> chkCaptureToAVI{};  // "Capture to AVI" on an event
    Events<QCheckBox> chkCamAutoDisc{};   // "Auto Disconnect"
    Events<QComboBox> cmbFramesPerSecond{};
    Events<QLabel> lblFPS{};
    Events<rt::Timer> timerCamEvent{}; // by camera position: ends an event recording (7000 ms)
    QPushButton* cmdShowCamCompressors = nullptr;

    // ---- Handlers of this window (formSensorSetup.cpp): the device rows' buttons and boxes.
    // Connect hands over to the sensor code; Delete takes the row's device away with its display
    // slot, its stored record and its place in the device count.
    rt::Task<> cmdConnectSensor_Click(int row);
    void cmdDeleteMe_Click(int row) override;
    void chkTabLogging_Click(int row);
    void chkFileLogging_Click(int row);
    void txtDeviceComNumber_LostFocus(int row);

    // ---- The window's own life (dialoglife.cpp). Form_Load runs once, when the window is
    // first used; Cancel hides the window and undoes nothing.
    void Form_Load();
    void cmdCancelSetup_Click(int index);

    // ---- The device list, the stores and the sensors (setupservices.cpp).
    void LoadConfig(bool fromIni, const QString& totalDevices);
    // Connects the rows marked for it one after the other, 1500 ms apart.
    rt::Task<> cmdConnectAll_Click();
    bool ConnectingAll() const { return m_connectingAll; } // Connect All is under way
    void cmdAddDevice_Click();
    void SavePrefs();
    void cmdOk_Click();
    void chkAutoConnectPrefs_Click();
    void chkPlaceInStartup_Click();
    void cmdKestlink_exe_Click();

    // ---- A row's port box and the log-file options (rowoptions.cpp).
    void lblDeviceType_DblClick(int row); // shows or hides the row's port box
    void chkCloseFileAfterWrite_Click();
    void txtMaxFileSize_Change();
    void txtMaxFileSize_Click();

    // ---- E-mail and paging transport (transport.cpp).
    void cmdEmailSetup_Click();
    void cmdSetPagerMessage_Click();
    void optUseMAPI_Click();
    void optUseSMTP_Click();
    void optionNumericalPager_Click();
    void optionPhonePager_Click();

    // ---- Temperature units (units.cpp).
    void optCorF_Click();  // to Celsius
    void optCorF2_Click(); // to Fahrenheit

    // ---- Proximity action panels (proxdelay.cpp), by proximity event index n.
    void optSysCommandDisabled_Click(int n);
    void optLogoutOnProximity_Click(int n);
    void optSystemLock_Click(int n);
    void optRunCommand_Click(int n);
    void cmdBrowse_Click(int i);
    void lblCommandOnProx_LostFocus(int n);
    void lblCommandOnProxApproach_LostFocus(int n);
    void txtDelayEventAway_LostFocus(int n);
    void txtDelayEventUp_LostFocus(int n);
    void chkEmailOnProx_Click(int n);
    void chkOnScreenOnProx_Click(int n);
    void timerDelayEvent_Timer(int n);
    void timerDelayEventUp_Timer(int n);

    // ---- Alert thresholds and switches (alertswitches.cpp). Thresholds store their text as
    // typed; the temperature and humidity limits fall back to their reset value when left
    // holding no number. Switch handlers take the alert row.
    void txtThreshold_Change(QLineEdit* box);
    void txtThreshold_LostFocus(QLineEdit* box);
    void chkPageAlert_Click(int index);
    void chkOnScreenAlert_Click(int index);
    void chkEmailAlert_Click(int index);
    void chkLocalMonitoring_Click();
    void chkUseAlerts_Click();
    void chkAlwaysSendAlert_Click();
    void chkOutOfRangeAlert_Click();
    // "Local Audible Alert" is enabled while any on-screen alarm box is ticked (the proximity
    // ones included), otherwise disabled and cleared.
    void ApplyAudibleAlertRule();

    // ---- Reading interval and line-poll interval (intervals.cpp). The list, slider and box
    // handlers run for changes made by code as for the user's; during a load they apply nothing.
    void cmdSetInterval_Click() override;
    void cmbMinOrSecs_Change();
    void cmbMinOrSecs_Click();
    void sliderInterval_Scroll(int position);
    void sliderInterval_Change();
    void sliderInterval_MouseUp();
    void txtReadingInterval_Click();
    void txtBinaryInterval_Change();
    void txtBinaryInterval_Click();
    void Frame3_Click();
    // A loader's stored interval that the apply would refuse gives way to its default ("30",
    // "500"), as any stored value a control refuses does.
    void ReplaceRefusedIntervals() override;

    // ---- Cameras (cameras/camsetup.cpp): pos = camera position 1..4, row = device row.
    rt::Task<> ConnectCam(int pos, int row) override;
    void DisconnectCam(int row) override;
    // The camera shown in capture view `view` (0 = summary) was unplugged: its row goes back to
    // connectable and the user is told once.
    void CameraLost(int view, const QString& why);
    rt::Task<> timerCamEvent_Timer(int pos);
    void cmdShowCamCompressors_Click();
    // A deleted camera takes its send-to-summary option with it.
    void ForgetSummaryOption(int row);
    void chkSendToSummary_Click(int row);

    // ---- Camera options and the proximity link (cameras/camoptions.cpp), by camera number k.
    void chkCamMonitorOnly_Click(int k);
    void chkCamUseProxim_Click(int k);
    void chkCaptureToAVI_Click(int k);
    void chkProximSnapCam_Click(int k);
    void cmbProximNumber_Click(int camera);
    // Refills the sensor choice of camera k with the proximity-capable positions no other camera
    // is linked to; filling links nothing.
    void MakeAvailProxComboBox(int k) override;
    // Shows (on) or hides the option controls of camera k; level 1 takes in the monitor-only box.
    void FlipProximLabels(int k, bool on, int level) override;
    // Connects the camera option boxes to their handlers (once, from the constructor).
    void addCameraOptionHandlers();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override; // formSensorSetup.cpp
    void showEvent(QShowEvent* event) override;                 // dialoglife.cpp
    void closeEvent(QCloseEvent* event) override;               // dialoglife.cpp

private:
    // formSensorSetup.cpp: the layout of the four tabs and the row handlers' wiring.
    formSensorSetup();
    QWidget* buildDeviceTab();
    QWidget* buildAlertsTab();
    QWidget* buildCameraTab();
    QWidget* buildProximityTab();
    void wireHandlers();
    // formSensorSetup.cpp: the steps of Delete, in the order cmdDeleteMe_Click takes them.
    void releaseRowSlot(int row, const QString& type, bool pair, const modSupport::DeviceRow& device);
    void releaseCameraSlot(int row, int slot);
    void releaseComboSlots(int row, int tempSlot, int humidSlot, bool pair);
    void releaseKindSlot(int row, int kind, int slot);
    void releaseProxEventIndex(int n);
    void forgetDeviceCount(int row, bool pair);
    void hideDeletedRow(int row, const QString& type, bool pair);
    void deleteDeviceRecords(int row, bool pair);

    // dialoglife.cpp
    bool m_serialsAsked = false; // the serial-number dialogue was started
    // setupservices.cpp
    bool m_connectingAll = false;
    // units.cpp: converts the temperature limits and the main window's highest and lowest readings.
    void changeTemperatureUnit(bool toCelsius);
    // alertswitches.cpp
    void wireAlertHandlers();
    // intervals.cpp
    void wireIntervalHandlers();
    void followUnit(); // the slider's lowest value: 1 for minutes, 8 otherwise
    // The stored reading interval as the window itself reads it: "15" when none is stored.
    static QString storedReadingInterval();
    // proxdelay.cpp
    void wireProximityPanels();
    // cameras/camsetup.cpp
    void addCameraControls();
};
