#pragma once
#include <QDialog>

#include "app/loadedwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The rename window: one instance, loaded on first use and unloaded by OK, Cancel, Escape and its
// close button, so that each rename request fills a fresh window. It renames the sensor shown at display slot
// iRenameIndex of the tab of kind iRenameType (modSupport).
class formChangeDeviceName : public QDialog, public LoadedWindow<formChangeDeviceName> {
    Q_OBJECT
public:
    QLabel* lblCurrent = nullptr;     // current name, after "Current Label:"
    QLabel* lblCurrentType = nullptr; // type name, after "Sensor Type:"
    QLineEdit* txtChangeDevName = nullptr;
    QPushButton* cmdChangeDevNameOk = nullptr;
    QPushButton* cmdChangeDevNameCancel = nullptr;

    void cmdChangeDevNameOk_Click();
    void cmdChangeDevNameCancel_Click();

protected:
    // Escape and the close button unload the window as Cancel does.
    void reject() override;

private:
    friend class LoadedWindow<formChangeDeviceName>;
    formChangeDeviceName();
};
