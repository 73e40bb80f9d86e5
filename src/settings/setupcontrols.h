#pragma once
#include <QString>
#include <array>

#include "runtime/controls.h"
#include "runtime/task.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;
namespace rt {
class Timer;
}

// The sensor setup dialog's controls that hold the live configuration the rest of the program
// reads and writes (the device rows, intervals, thresholds and alert switches, proximity actions
// and camera options), and the dialog's procedures that the code below the windows runs. The
// dialog (formSensorSetup, src/setup/) derives from this, makes the controls and handles their
// events. Arrays are indexed by device row (1..10), proximity event index (1..4), camera number
// (1..4) or sensor type code (alert switches: elements 0, 1, 2, 3, 6, 8, 9); unused elements are
// nullptr.
class SensorSetupControls {
public:
    // The dialog, made on first use.
    static SensorSetupControls& instance();
    // The dialog itself, as a control.
    virtual QWidget& form() = 0;

    template <typename T> using Rows = rt::Rows<T>;
    template <typename T> using Events = rt::Slots<T>;
    template <typename T> using Kinds = std::array<T*, 10>;

    // ---- Device rows.
    Rows<QLabel> lblDeviceType{};         // type name; hidden = empty row
    Rows<QLineEdit> txtDeviceComNumber{}; // COM port number
    Rows<QLabel> lblSubIndex{};           // display slot as shown (the row's record holds it)
    Rows<QLabel> imgStatus{};             // green or red dot
    Rows<QPushButton> cmdConnectSensor{}; // "Connect" / "Disconnect"; Tag = first-reading flag
    Rows<QPushButton> cmdDeleteMe{};
    Rows<QCheckBox> chkTabLogging{};
    Rows<QCheckBox> chkFileLogging{};
    Rows<QCheckBox> chkBinaryMode{}; // 1 = the sensor starts in event mode
    Rows<QCheckBox> chkSendToSummary{};
    QPushButton* cmdConnectAll = nullptr;
    // Picture file shown by a row's status image.
    static QString picture(const QLabel* image);
    static void setPicture(QLabel* image, const QString& file);

    // ---- Intervals, logging and start-up options.
    QLineEdit* txtReadingInterval = nullptr;
    QSlider* sliderInterval = nullptr;
    QComboBox* cmbMinOrSecs = nullptr; // filled by start-up: "Minute(s)", "Seconds"
    QLineEdit* txtBinaryInterval = nullptr;
    QLineEdit* txtPrefaceFiles = nullptr;
    QLabel* lblLogDirectory = nullptr;      // caption = the log folder
    QLineEdit* txtMaxFileSize = nullptr;    // KB
    QLineEdit* txtHDDTotalAmount = nullptr; // KB
    QCheckBox* chkCloseFileAfterWrite = nullptr;
    QCheckBox* chkPlaceInStartup = nullptr;
    QCheckBox* chkAutoConnectPrefs = nullptr;
    QCheckBox* chkRunningXp = nullptr;
    QCheckBox* chkMultiCamEnabled = nullptr;
    QRadioButton* optSysTray = nullptr;
    QRadioButton* optCorF = nullptr;  // Celsius
    QRadioButton* optCorF2 = nullptr; // Fahrenheit

    // ---- Thresholds and alerts.
    QLineEdit* txtTempMax = nullptr;
    QLineEdit* txtTempMin = nullptr;
    QLineEdit* txtHumidMax = nullptr;
    QLineEdit* txtHumidMin = nullptr;
    QLineEdit* txtXMaxThresh = nullptr;
    QLineEdit* txtXMinThresh = nullptr;
    QLineEdit* txtYMaxThresh = nullptr;
    QLineEdit* txtYMinThresh = nullptr;
    QLineEdit* txtMaxDistanceThresh = nullptr;
    QLineEdit* txtMinDistanceThresh = nullptr;
    QCheckBox* chkOutOfRangeAlert = nullptr;
    Kinds<QGroupBox> frmEnableAlerts{};
    Kinds<QCheckBox> chkOnScreenAlert{};
    Kinds<QCheckBox> chkPageAlert{};
    Kinds<QCheckBox> chkEmailAlert{};
    QCheckBox* chkAlwaysSendAlert = nullptr;
    QCheckBox* chkUseAlerts = nullptr;       // "Local Audible Alert"
    QCheckBox* chkLocalMonitoring = nullptr; // "Disable All Alerts"
    QRadioButton* optUseSMTP = nullptr;
    QRadioButton* optUseMAPI = nullptr;
    QRadioButton* optionNumericalPager = nullptr;
    QRadioButton* optionPhonePager = nullptr;

    // ---- Proximity actions, by proximity event index.
    Events<QGroupBox> frameProxBehavior{}; // caption = the sensor's name
    Events<QGroupBox> frameProxBehaviorEx{};
    Events<QRadioButton> optSysCommandDisabled{};
    Events<QRadioButton> optLogoutOnProximity{};
    Events<QRadioButton> optSystemLock{};
    Events<QRadioButton> optRunCommand{};         // Tag "0" while a loader selects it, "1" after
    Events<QLineEdit> lblCommandOnProx{};         // walk-away command, "Path not set" = none
    Events<QLineEdit> lblCommandOnProxApproach{}; // walk-up command
    Events<QLineEdit> lblAwayParams{};
    Events<QLineEdit> lblUpParams{};
    Events<QLineEdit> txtDelayEventAway{}; // seconds
    Events<QLineEdit> txtDelayEventUp{};
    Events<QCheckBox> chkOnScreenOnProx{};
    Events<QCheckBox> chkEmailOnProx{};
    Events<rt::Timer> timerDelayEvent{};
    Events<rt::Timer> timerDelayEventUp{};
    QLabel* lblNoProximitySensorsPresent = nullptr;

    // ---- Cameras as the device list places them, by camera number.
    QGroupBox* cambehavioral = nullptr; // Tag "InLoad" during the first part of a load
    Events<rt::CaptionFrame> frameCamSetupCover{};
    Events<QCheckBox> chkCamMonitorOnly{};
    Events<QCheckBox> chkCamUseProxim{}; // the camera acts on events of its linked sensor
    QLabel* lblNoCamDevicePresent = nullptr;

    // ---- Procedures of the dialog that the code below the windows runs.
    // A row's Delete button: takes the row's device away with its display slot, its stored
    // record and its place in the device count.
    virtual void cmdDeleteMe_Click(int row) = 0;
    // The interval settings: a loader's stored interval that the apply would refuse gives way to
    // its default; the Set button applies both intervals to the main window's row timers.
    virtual void ReplaceRefusedIntervals() = 0;
    virtual void cmdSetInterval_Click() = 0;
    // Cameras (src/cameras/): pos = camera position 1..4, row = device row, k = camera number.
    // The connect waits for the camera's first picture.
    virtual rt::Task<> ConnectCam(int pos, int row) = 0;
    virtual void DisconnectCam(int row) = 0;
    // Shows (on) or hides the option controls of camera k; level 1 takes in the monitor-only box.
    virtual void FlipProximLabels(int k, bool on, int level) = 0;
    // Refills the sensor choice of camera k with the proximity-capable positions no other camera
    // is linked to; filling links nothing.
    virtual void MakeAvailProxComboBox(int k) = 0;

protected:
    SensorSetupControls() = default;
    ~SensorSetupControls() = default;
    SensorSetupControls(const SensorSetupControls&) = delete;
    SensorSetupControls& operator=(const SensorSetupControls&) = delete;
};
