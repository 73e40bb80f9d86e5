#include "cameras/formChangeCamDriverName.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "app/CorvisentMain.h"
#include "cameras/camdrivers.h"
#include "cameras/camviews.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/task.h"
#include "runtime/vb.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

namespace modSupport {
int iCamRenameIndex = 0;
}

using namespace modSupport;

namespace {

// The device row of the camera at a position, 0 when no camera row has it.
int cameraRowAt(int pos) {
    auto& setup = formSensorSetup::instance();
    for (int row = 1; row <= 10; ++row)
        if (IsCameraName(rt::caption(setup.lblDeviceType[row])) && RowOf(row).slot == pos) return row;
    return 0;
}

} // namespace

formChangeCamDriverName::formChangeCamDriverName() {
    setObjectName(QStringLiteral("formChangeCamDriverName"));
    setWindowTitle(QStringLiteral("Change Camera Name"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("New camera name:"), this), 0, 0);
    txtChangeCamName = new QLineEdit(this);
    txtChangeCamName->setObjectName(QStringLiteral("txtChangeCamName"));
    grid->addWidget(txtChangeCamName, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdChangeNameOk = new QPushButton(QStringLiteral("OK"), this);
    cmdChangeNameOk->setObjectName(QStringLiteral("cmdChangeNameOk"));
    cmdChangeNameOk->setDefault(true);
    cmdChangeNameCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdChangeNameCancel->setObjectName(QStringLiteral("cmdChangeNameCancel"));
    buttons->addWidget(cmdChangeNameOk);
    buttons->addWidget(cmdChangeNameCancel);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 260);
    connect(cmdChangeNameOk, &QPushButton::clicked, this, &formChangeCamDriverName::cmdChangeNameOk_Click);
    connect(cmdChangeNameCancel, &QPushButton::clicked, this, &formChangeCamDriverName::cmdChangeNameCancel_Click);
}

void formChangeCamDriverName::Form_Show() {
    rt::showInFront(this);
}

rt::Task<> formChangeCamDriverName::cmdChangeNameOk_Click() {
    const QString name = txtChangeCamName->text();
    if (name.isEmpty()) {
        rt::MsgBox(QStringLiteral("Please enter a new camera name"), rt::vbOKOnly | rt::vbSystemModal);
        co_return;
    }
    // The window may be unloaded while the camera is connected again; it is unloaded once.
    const QPointer<formChangeCamDriverName> self(this);
    try {
        const int pos = iCamRenameIndex;
        // The row comes from the device rows: the cover's caption names it only while the camera
        // is live at its own position.
        const int row = cameraRowAt(pos);
        if (row == 0) {
            rt::MsgBox(QStringLiteral("There is no camera at position %1 to rename.").arg(pos), rt::vbInformation);
            unload();
            co_return;
        }
        const QString section = QStringLiteral("PortConfig\\Devices\\%1").arg(row);
        const QString old = modPrefs::GetPref(section, QStringLiteral("DriverName"));
        SetCamFriendlyName(pos, name, old);
        auto& m = CorvisentMain::instance();
        auto& setup = formSensorSetup::instance();
        rt::setCaption(m.lblCamDeviceName[pos], name);
        rt::setCaption(setup.frameCamSetupCover[pos], name);
        // The summary row, and the summary view's caption while it shows this camera.
        rt::setCaption(m.lblSensor1[row], name);
        if (SummaryShowsCamera() && int(rt::Val(rt::caption(m.lblPrevCamSetupIndex))) == row)
            rt::setCaption(m.lblCurrentCamView, name);
        modPrefs::SavePref(section, QStringLiteral("DeviceName"), name);
        // The settings file's copy of the device list keeps the same name.
        const QString iniSection = modIni::kDeviceSetup + QStringLiteral("\\%1").arg(row);
        if (!modIni::ReadIni(iniSection, QStringLiteral("DeviceType"), QString()).isEmpty())
            modIni::WriteIni(iniSection, QStringLiteral("DeviceName"), name);
        co_await setup.cmdConnectSensor_Click(row);
        co_await rt::Pause(300);
        co_await setup.cmdConnectSensor_Click(row);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in cmdChangeNameOkError, ChangeCamDriverName"));
    }
    if (self) unload();
}

void formChangeCamDriverName::cmdChangeNameCancel_Click() { unload(); }
