#include "app/formChangeDeviceName.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/CorvisentMain.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"

formChangeDeviceName::formChangeDeviceName() {
    setObjectName(QStringLiteral("formChangeDeviceName"));
    setWindowTitle(QStringLiteral("Change Device Name"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Current Label:"), this), 0, 0);
    lblCurrent = new QLabel(this);
    lblCurrent->setObjectName(QStringLiteral("lblCurrent"));
    grid->addWidget(lblCurrent, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Sensor Type:"), this), 1, 0);
    lblCurrentType = new QLabel(this);
    lblCurrentType->setObjectName(QStringLiteral("lblCurrentType"));
    grid->addWidget(lblCurrentType, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Change to:"), this), 2, 0);
    txtChangeDevName = new QLineEdit(this);
    txtChangeDevName->setObjectName(QStringLiteral("txtChangeDevName"));
    grid->addWidget(txtChangeDevName, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdChangeDevNameOk = new QPushButton(QStringLiteral("OK"), this);
    cmdChangeDevNameOk->setObjectName(QStringLiteral("cmdChangeDevNameOk"));
    cmdChangeDevNameOk->setDefault(true);
    cmdChangeDevNameCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdChangeDevNameCancel->setObjectName(QStringLiteral("cmdChangeDevNameCancel"));
    buttons->addWidget(cmdChangeDevNameOk);
    buttons->addWidget(cmdChangeDevNameCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 260);
    connect(cmdChangeDevNameOk, &QPushButton::clicked, this, &formChangeDeviceName::cmdChangeDevNameOk_Click);
    connect(cmdChangeDevNameCancel, &QPushButton::clicked, this,
            &formChangeDeviceName::cmdChangeDevNameCancel_Click);
}

void formChangeDeviceName::cmdChangeDevNameOk_Click() {
    const QString name = txtChangeDevName->text();
    if (name.isEmpty()) {
        rt::MsgBox(QStringLiteral("Please enter a new device name"), rt::vbOKOnly | rt::vbSystemModal);
        return;
    }
    try {
        auto& m = CorvisentMain::instance();
        const int kind = modSupport::iRenameType;
        const int slot = modSupport::iRenameIndex;
        const int row = int(rt::Val(rt::tag(m.SlotCover(kind, slot))));
        // The slot no longer shows a device (it was removed meanwhile): nothing to rename.
        if (row < 1 || row > 10) return;
        m.SlotNameLabel(kind, slot)->setText(name);
        m.lblSensor1[row]->setText(name);
        // A proximity or distance sensor's event panel in the setup window carries its name.
        const int eventIndex = modSupport::iProxSlot.value(row);
        if ((kind == modSupport::typeProximity || kind == modSupport::typeDistance) && eventIndex >= 1 && eventIndex <= 4)
            rt::setCaption(formSensorSetup::instance().frameProxBehavior[eventIndex], name);
        platform::SaveSetting(modPrefs::kApp, QStringLiteral("PortConfig\\Devices\\%1\\").arg(row),
                              QStringLiteral("DeviceName"), name);
        // The settings file's copy of the device list keeps the same name, so that a start from
        // that file does not bring the old one back.
        const QString iniSection = modIni::kDeviceSetup + QStringLiteral("\\%1").arg(row);
        if (!modIni::ReadIni(iniSection, QStringLiteral("DeviceType"), QString()).isEmpty())
            modIni::WriteIni(iniSection, QStringLiteral("DeviceName"), name);
    } catch (const std::exception&) {
        return;
    }
    unload();
}

void formChangeDeviceName::cmdChangeDevNameCancel_Click() { unload(); }

void formChangeDeviceName::reject() { cmdChangeDevNameCancel_Click(); }
