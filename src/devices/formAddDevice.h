#pragma once
#include <QDialog>

#include "app/loadedwindow.h"
#include "runtime/task.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
namespace platform {
class MSCommControl;
}

// The add-device window: one instance, loaded on first use and unloaded at the end of a
// registration or by Cancel, so that every showing starts from a freshly loaded window. The user
// picks a kind, a name and a COM port (sensors) or a capture driver (cameras); OK registers the
// device in a free row of the setup window.
class formAddDevice : public QDialog, public LoadedWindow<formAddDevice> {
    Q_OBJECT
public:
    // The texts of the type list, in list order, and the text shown before a kind is chosen.
    static const QStringList& typeList();
    static const QString kPlaceholder; // "<drop down to select>"

    QComboBox* cmbSensorTypeSelection = nullptr;
    QLabel* lblDeviceName = nullptr;
    QLineEdit* txtDeviceName = nullptr;
    QGroupBox* frameComStuff = nullptr; // port group
    QLabel* lblComPort = nullptr;
    QComboBox* cmbComNum = nullptr; // editable; its text is the chosen COM number
    QComboBox* cbDriver = nullptr;  // capture drivers of a camera
    QCheckBox* chkCalibrateOnConnect = nullptr;
    QCheckBox* chkSetToBinaryMode = nullptr; // accelerometer starts in bump mode
    QCheckBox* chkSetToProxMode = nullptr;   // distance sensor starts in proximity mode
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancelAddDevice = nullptr;
    QPushButton* cmdRefreshComPorts = nullptr;
    QPushButton* cmdBuildCVList = nullptr;
    QPushButton* cmdIdentify = nullptr;
    QPushButton* cmdKestlink = nullptr; // the hub's configuration utility
    platform::MSCommControl* MSCommIdentify = nullptr;

    int iNewRow = 0;       // device row the next device takes (set by the type choice)
    int iTotalCameras = 1; // camera counter, read when the window loads

    // The type text: one of kTypeList, the placeholder, or empty (a refused camera choice).
    QString typeText() const { return m_typeText; }
    // Puts a text into the type box without running the type choice.
    void setTypeText(const QString& text);

    // ---- Loading and the type choice.
    void Form_Load();
    // Reacts to the chosen kind: picks the row, the default name and the kind's controls.
    void cmbSensorTypeSelection_Click();
    void cbDriver_Click();
    // Enables OK for a sensor kind once its port is given.
    void cmbComNum_Change();
    void txtDeviceName_DblClick();
    void cmdRefreshComPorts_Click();
    void cmdCancelAddDevice_Click();
    void cmdKestlink_Click();

    // ---- Free rows, event indexes and cameras.
    // First free device row (a combined sensor: the first of two consecutive free rows); 11 when
    // every row is taken. A combined sensor with only row 10 free is told so and answered 10.
    static int FindFirstAvailable(bool combined);
    // Lowest proximity event index 1..4 no row holds, 0 when all four are held.
    static int FindFirstProxAvailable();
    // First camera position 1..4 that holds capture driver 0, or 0.
    static int FindFirstCamAvailable();
    // Whether the row the type choice picked can take the device (a combined sensor: two rows).
    static bool RowsAvailable(int row, bool combined);
    // The first sensor row whose port box names COM port n, 0 when no registered row uses it.
    static int RowUsingPort(int port);
    // What a port list or scan line carries when a registered row uses its port.
    static const QString kConfiguredMark; // " (already configured)"

    // ---- Ports.
    // Whether COM port n exists on this machine (it is opened and closed again at once).
    static bool COMAvailable(int port);
    // The name a COM number is opened under: "COM9", "//./COM10".
    static QString ComDeviceName(int port);
    // Fills the port list with the existing ports among COM1..COM19 and selects the first free
    // one; a port a registered row uses is marked configured and cannot be picked.
    void MakeComPortList(int row);
    // Asks the sensor on the chosen port for its identity and shows the answer. A click while
    // an Identify runs does nothing.
    rt::Task<> cmdIdentify_Click();

    // ---- Registration.
    // A sensor handed over by the port scan; it applies to the one registration it accompanies.
    struct ScanRequest {
        QString strScanType;
        QString strScanName;
        int iScanPort = 0;
    };
    // Turns the window's fields (or the scan request) into a configured device. Every check runs
    // before anything is written, so a refused device leaves the stored records, counters and
    // tables as they were. True when the device was registered.
    bool cmdOk_Click(const ScanRequest* scan = nullptr);
    // Writes the INI mirror section of a registered row (half: 2 humidity, 1 temperature half of
    // a combined sensor, 0 otherwise).
    void SaveDeviceINI(int kind, int row, const QString& subIndex, int half);

    // Clears the available-sensor list, scans the COM ports for sensors and shows the
    // available-sensors window. Needs no loaded add-device window. A scan asked for while one
    // runs does nothing.
    static rt::Task<> cmdBuildCVList_Click();
    // The scan: every existing port of COM1..COM16 (COM1..COM256 when asked) is asked for its
    // sensor's identity; each answer becomes a line of the available-sensors window.
    static rt::Task<> MakeComPortList2();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    friend class LoadedWindow<formAddDevice>;
    formAddDevice();
    struct Plan;
    struct IdentifyRun;
    bool m_identifying = false;          // an Identify is under way
    bool m_destroyAfterIdentify = false; // unloaded meanwhile: destroyed when it ends
    bool checkRequest(Plan& plan);
    bool checkTypeAndName(const Plan& plan);
    bool checkPort(Plan& plan);
    bool checkCameraDriver(Plan& plan);
    void registerSensor(const Plan& plan);
    void registerCombined(const Plan& plan);
    void registerCamera(const Plan& plan);
    void finishRegistration(const Plan& plan);
    void refuse();
    QString m_typeText;
    QLabel* m_driverLabel = nullptr;
};
