#pragma once
#include <QDialog>

#include "app/loadedwindow.h"
#include "runtime/task.h"

class QLineEdit;
class QPushButton;

namespace modSupport {
// The camera position whose name was double-clicked on the camera tab; read by the rename window.
extern int iCamRenameIndex;
}

// The camera rename window: one instance, loaded on first use and unloaded by OK and Cancel. It
// renames the camera at position iCamRenameIndex: its name on the camera tab, in the setup
// window and in its device record, and the friendly name in the camera driver's keys; then it
// connects the camera again so that the new name is used.
class formChangeCamDriverName : public QDialog, public LoadedWindow<formChangeCamDriverName> {
    Q_OBJECT
public:
    QLineEdit* txtChangeCamName = nullptr;
    QPushButton* cmdChangeNameOk = nullptr;
    QPushButton* cmdChangeNameCancel = nullptr;

    // Shows the window in front.
    void Form_Show();
    // Renames and connects the camera again, a moment after its disconnect.
    rt::Task<> cmdChangeNameOk_Click();
    void cmdChangeNameCancel_Click();

private:
    friend class LoadedWindow<formChangeCamDriverName>;
    formChangeCamDriverName();
};
