// Setup dialog handlers that tie the dialog to the stores and to the sensors: loading the device
// list, saving preferences, OK, Connect All, the add-device window, the hub's configuration
// utility and the two start-up options.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "devices/formAddDevice.h"
#include "devices/modPNP.h"
#include "platform/registry.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/task.h"
#include "runtime/vb.h"
#include "sensors/sensorops.h"
#include "settings/deviceRecords.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

namespace {

// A loaded row on the main window: its summary labels shown, its slot uncovered on its kind's tab
// and the reading in the look of a sensor not connected. Camera rows show their stored name.
void showLoadedRow(int row) {
    using namespace modSupport;
    auto& m = CorvisentMain::instance();
    const int code = iDeviceType(row);
    if (code != typeEmpty) {
        m.lblSensor1[row]->show();
        m.lblSensorReading[row]->show();
    }
    if (code == typeVideo || code == typeVideo2) {
        m.lblSensor1[row]->setText(modPrefs::GetPref(QStringLiteral("PortConfig\\Devices\\%1").arg(row),
                                                     QStringLiteral("DeviceName"), QString()));
        if (code == typeVideo2) m.setTabEnabled(CorvisentMain::tabVideo, false);
    } else if (TabSlotTable(code)) {
        const int slot = RowOf(row).slot;
        if (slot >= 1 && slot <= 4) m.SlotCover(code, slot)->hide();
        if (QLabel* none = m.NoDeviceLabel(code)) none->hide();
    }
    QLabel* reading = m.lblSensorReading[row];
    reading->setText(QStringLiteral("OFF"));
    rt::setFontSize(reading, 14);
    rt::setForeColor(reading, rt::vbBlack);
}

} // namespace

void formSensorSetup::LoadConfig(bool fromIni, const QString& totalDevices) {
    modSupport::LoadGuard guard;
    try {
        QString count = totalDevices;
        if (!fromIni)
            count = settingsvalues::readKey(settingsvalues::Store::Tree, "TotalDevices", 0, QString());
        if (count == QLatin1String("0")) {
            rt::MsgBox(QStringLiteral("No devices to load into setup"), rt::vbInformation);
            raise(); // no devices: the window still comes to the front
            return;
        }
        if (fromIni)
            modSupport::LoadDeviceINI();
        else
            modSupport::LoadDevicePrefs();
        modSupport::CreateSetupArray();
        for (int row = 1; row <= 10; ++row)
            showLoadedRow(row);
        cmdConnectAll->setEnabled(true);
        raise(); // in front of the other windows, without showing it
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("There was an error in cmdLoadConfig"), rt::vbInformation);
    }
}

void formSensorSetup::SavePrefs() {
    modPrefs::SavePrefs();
}

void formSensorSetup::cmdOk_Click() {
    try {
        hide();
        SSTab1->setCurrentIndex(0);
        CorvisentMain& main = CorvisentMain::instance();
        if (!main.isVisible()) main.show();
        // Most settings were stored as they changed; this makes the stored set match the window.
        modPrefs::SavePrefs();
        // Closing the window that start-up opened on a first run brings the main window up.
        if (rt::tag(this) == QLatin1String("1")) {
            rt::setTag(this, QString());
            main.show();
        }
        // The size limit was stored as typed; a text that is no number falls back to 1000, which
        // the box's own handler stores.
        if (!rt::IsNumeric(txtMaxFileSize->text())) {
            rt::MsgBox(QStringLiteral("This value must be an integer"));
            txtMaxFileSize->setText(QStringLiteral("1000"));
        }
    } catch (const std::exception&) {
        // ends quietly; keys not yet written keep what the store held
    }
}

rt::Task<> formSensorSetup::cmdConnectAll_Click() {
    // Asked for again during one of its own waits (the main window's popup, start-up's): the
    // running one goes on alone.
    if (m_connectingAll) co_return;
    m_connectingAll = true;
    rt::Hourglass hourglass;
    cmdConnectAll->setEnabled(false);
    try {
        // Marks are taken from the rows as they stand before any connection starts; a row is
        // connected only while it holds the device it held then.
        std::array<unsigned long long, 11> held{};
        for (int row = 1; row <= 10; ++row) {
            held[row] = modSupport::RowOf(row).generation;
            QPushButton* button = cmdConnectSensor[row];
            const QString caption = rt::caption(button);
            if (caption == QLatin1String("Disconnect") || !rt::visible(button) || !rt::ownEnabled(button)) {
                modSupport::iConnectPort[row] = 0;
            } else if (!rt::caption(lblDeviceType[row]).isEmpty() && caption == QLatin1String("Connect")) {
                // Only a nonzero mark counts: the port box text is not parsed.
                modSupport::iConnectPort[row] = txtDeviceComNumber[row]->text().isEmpty() ? 4 : 1;
                modSupport::iConnectPort[0] = modSupport::iConnectPort[0] + 1;
            }
        }
        cmdConnectAll->setEnabled(false);
        // The program asked to end opens and queries no further row.
        for (int row = 1; row <= 10 && !rt::QuitRequested(); ++row) {
            if (modSupport::iConnectPort[row] > 0 && modSupport::RowOf(row).generation == held[row] &&
                !modSupport::RowIsBusy(row) && rt::caption(cmdConnectSensor[row]) == QLatin1String("Connect")) {
                co_await modSupport::ConnectSensor(row);
                co_await rt::Pause(1500);
            }
        }
    } catch (const std::exception&) {
        modIni::IniErrorLog(QStringLiteral(":234"), QStringLiteral("cmdConnectAll Error"));
    }
    cmdConnectAll->setEnabled(true);
    m_connectingAll = false;
}

void formSensorSetup::cmdAddDevice_Click() {
    // A window that cannot be shown is passed over.
    rt::passOver([] { rt::showInFront(&formAddDevice::instance()); });
}


void formSensorSetup::chkAutoConnectPrefs_Click() {
    if (modSupport::loading()) return;
    const bool on = rt::value(chkAutoConnectPrefs) == 1;
    settingsvalues::storeFromHandler("AutoConnectPrefs", 0, on ? QStringLiteral("1") : QStringLiteral("0"));
    if (on) {
        QAction* entry = CorvisentMain::instance().mnuRemoveFromStartup;
        entry->setVisible(true);
        entry->setEnabled(true);
    }
    settingsvalues::saveKey(settingsvalues::Store::Ini, "AutoConnect", on ? QStringLiteral("1") : QStringLiteral("0"));
}

void formSensorSetup::cmdKestlink_exe_Click() {
    modPNP::RunKestlinkConfig();
}

void formSensorSetup::chkPlaceInStartup_Click() {
    if (modSupport::loading()) return;
    const int v = rt::value(chkPlaceInStartup);
    if (v == 0) {
        modRegistry::DeleteRegValue(modRegistry::kRunKey, modRegistry::kRunValue);
        settingsvalues::saveKey(settingsvalues::Store::Tree, "SavedState", QStringLiteral("0"));
    } else if (v == 1) {
        modRegistry::SaveStringToReg(platform::Hive::LocalMachine, modRegistry::kRunKey,
                                     modRegistry::kRunValue, modRegistry::RunValueText());
        settingsvalues::saveKey(settingsvalues::Store::Tree, "SavedState", QStringLiteral("1"));
    }
    settingsvalues::storeFromHandler("chkPlaceInStartup");
}
