#pragma once
#include <QDialog>

#include "runtime/task.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
namespace platform {
class MSCommControl;
}

// The available-sensors window: one line per COM port whose sensor answered the port scan. The
// user selects lines and adds them; each is registered through the add-device window with the
// type and default name its identity reply gives. Created on first use and only ever hidden, so
// its lines and selection stay until the next scan.
class formAvailSensors : public QDialog {
    Q_OBJECT
public:
    static formAvailSensors& instance();

    QListWidget* listAvailSensors = nullptr; // multi-select
    QCheckBox* chkScanAllPorts = nullptr;
    QLabel* lblRangeScanned = nullptr;
    platform::MSCommControl* MSCommAS = nullptr; // the scan's port
    QPushButton* cmdScanPorts = nullptr;
    QPushButton* cmdAddToSetup = nullptr;
    QPushButton* cmdSelectAll = nullptr;
    QPushButton* cmdCloseWindow = nullptr;

    // The line that COM port n's reply gives: "COM5: reply", "(COM17): reply".
    static QString ScanLine(int port, const QString& reply);
    // The COM number a scan line names, 0 when it names none.
    static int ScanLinePort(const QString& line);
    // Type text and default name of the sensor a scan line at list index `index` reports; false
    // when its reply names no known kind.
    static bool ScanLineKind(const QString& line, int index, QString* type, QString* name);

    rt::Task<> cmdScanPorts_Click();
    void chkScanAllPorts_Click();
    void cmdSelectAll_Click();
    void cmdAddToSetup_Click();
    void cmdCloseWindow_Click();
    void MSCommAS_OnComm();

private:
    formAvailSensors();
};
