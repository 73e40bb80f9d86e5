// Setup dialog handlers that tie the dialog to the stores and to the sensors: loading the device
// list, saving preferences, Connect All, and the two start-up options.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/CorvisentMain.h"
#include "platform/registry.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "sensors/sensorops.h"
#include "settings/deviceRecords.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"

namespace {

// The control's own Enabled flag, whatever its window's state.
bool ownEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }

struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

} // namespace

void formSensorSetup::LoadConfig(bool fromIni, const QString& totalDevices) {
    Q_UNUSED(totalDevices);
    modSupport::LoadGuard guard;
    try {
        if (!fromIni) {
            const QString total = modPrefs::GetPref(modPrefs::kProgramSetup + QStringLiteral("\\"),
                                                    QStringLiteral("TotalDevices"));
            if (total == QLatin1String("0")) {
                rt::MsgBox(QStringLiteral("No devices to load into setup"));
                return;
            }
            modSupport::LoadDevicePrefs();
        } else {
            modSupport::LoadDeviceINI();
        }
        modSupport::CreateSetupArray();
    } catch (const std::exception&) {
        // The loaders report their own problems; a failure here leaves the rows loaded so far.
    }
}

void formSensorSetup::SavePrefs() { modPrefs::SavePrefs(); }

void formSensorSetup::cmdOk_Click() {
    modPrefs::SavePrefs();
    hide();
}

void formSensorSetup::cmdConnectAll_Click() {
    Hourglass hourglass;
    cmdConnectAll->setEnabled(false);
    try {
        // Marks are taken from the rows as they stand before any connection starts.
        for (int row = 1; row <= 10; ++row) {
            QPushButton* button = cmdConnectSensor[row];
            const QString caption = rt::caption(button);
            if (caption == QLatin1String("Disconnect") || !rt::visible(button) || !ownEnabled(button)) {
                modSupport::iConnectPort[row] = 0;
            } else if (!rt::caption(lblDeviceType[row]).isEmpty() && caption == QLatin1String("Connect")) {
                // Only a nonzero mark counts: the port box text is not parsed.
                modSupport::iConnectPort[row] = txtDeviceComNumber[row]->text().isEmpty() ? 4 : 1;
                modSupport::iConnectPort[0] = modSupport::iConnectPort[0] + 1;
            }
        }
        cmdConnectAll->setEnabled(false);
        for (int row = 1; row <= 10; ++row) {
            if (modSupport::iConnectPort[row] > 0 && rt::caption(cmdConnectSensor[row]) == QLatin1String("Connect")) {
                modSupport::ConnectSensor(row);
                rt::Sleep(1500);
            }
        }
    } catch (const std::exception&) {
        modIni::IniErrorLog(QStringLiteral(":234"), QStringLiteral("cmdConnectAll Error"));
    }
    cmdConnectAll->setEnabled(true);
}

void formSensorSetup::chkAutoConnectPrefs_Click() {
    if (modSupport::loading()) return;
    const bool on = rt::value(chkAutoConnectPrefs) == 1;
    modPrefs::SavePref(modPrefs::kProgramSetup + QStringLiteral("\\"), QStringLiteral("AutoConnectPrefs"),
                       on ? QStringLiteral("1") : QStringLiteral("0"));
    if (on) {
        QAction* entry = CorvisentMain::instance().mnuRemoveFromStartup;
        entry->setVisible(true);
        entry->setEnabled(true);
    }
    modIni::WriteIni(modIni::kSensorSetup, QStringLiteral("AutoConnect"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

void formSensorSetup::chkPlaceInStartup_Click() {
    if (modSupport::loading()) return;
    const int v = rt::value(chkPlaceInStartup);
    if (v == 0) {
        modRegistry::DeleteRegValue(modRegistry::kRunKey, modRegistry::kRunValue);
        modPrefs::SavePref(modPrefs::kProgramSetup, QStringLiteral("SavedState"), QStringLiteral("0"));
    } else if (v == 1) {
        modRegistry::SaveStringToReg(platform::Hive::LocalMachine, modRegistry::kRunKey, modRegistry::kRunValue,
                                     modRegistry::RunValueText());
        modPrefs::SavePref(modPrefs::kProgramSetup, QStringLiteral("SavedState"), QStringLiteral("1"));
    }
    modPrefs::SavePref(modPrefs::kProgramSetup + QStringLiteral("\\"), QStringLiteral("chkPlaceInStartup"),
                       QString::number(v));
}
