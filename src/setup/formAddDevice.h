#pragma once
#include <QDialog>

// The add-device window: one instance, created on first use.
class formAddDevice : public QDialog {
    Q_OBJECT
public:
    static formAddDevice& instance();

    // Clears the available-sensor list, scans the COM ports for sensors and shows the
    // available-sensors window.
    void cmdBuildCVList_Click();

private:
    formAddDevice();
};
