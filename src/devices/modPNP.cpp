#include "devices/modPNP.h"

#include <QComboBox>
#include <QStandardPaths>
#include <optional>

#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "devices/formAddDevice.h"
#include "platform/comports.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "platform/mscomm.h"
#include "runtime/error.h"
#include "sensors/modCorvisent.h"
#include "settings/rowrecord.h"

using namespace modSupport;

namespace modPNP {

rt::Task<QString> GetDeviceIDString(int row, int port) {
    platform::MSCommControl* comm = nullptr;
    bool opened = false; // a port some other part holds open is never touched
    QString reply;
    const RowExchange exchange(row);
    try {
        comm = rt::Ctl(CorvisentMain::instance().MSComm, row);
        comm->setCommPort(port);
        comm->setHandshaking(0);
        comm->setRThreshold(0);
        comm->setRTSEnable(true);
        comm->setSettings(QStringLiteral("9600,n,8,1"));
        comm->setSThreshold(0);
        comm->setInputMode(1);
        comm->setPortOpen(true);
        opened = true;
        for (int attempt = 0; attempt < 4 && reply.isEmpty() && comm->portOpen(); ++attempt) {
            comm->setOutput(QStringLiteral("i\r"));
            co_await modCorvisent::AwaitReply(comm, 3000, &exchange);
            if (!exchange.same()) break;
            reply = platform::ansiText(comm->input());
        }
    } catch (const rt::VbError&) {
        reply.clear();
    }
    if (!opened || !comm->portOpen()) co_return QString();
    // The row was taken meanwhile: its port is left to the device now connected there, if any.
    if (!exchange.same()) {
        if (iPortOpen[row] == 0) comm->setPortOpen(false);
        co_return QString();
    }
    comm->setPortOpen(false);
    co_return reply;
}

const QString kHubEnumKey9x = QStringLiteral("Enum\\QUILLONDEV\\KESTLINK_4");

int GetOSType() {
    return 1;
}

QString FindComFromSerial(const QString& serial, int os) {
    try {
        const QString base = os == 2 ? kHubEnumKey9x : platform::kHubEnumKey;
        // A key without subkeys must not leave an earlier lookup's names in the list.
        modRegistry::strEnumKeys.clear();
        modRegistry::EnumRegSubKeys(platform::Hive::LocalMachine, base, 2);
        const QString target = serial + QStringLiteral("-0");
        const QStringList keys = modRegistry::strEnumKeys;
        for (const QString& key : keys) {
            if (os == 2) {
                if (key.mid(7) != target) continue;
                const QString port = modRegistry::GetStringFromReg(base + QStringLiteral("\\") + key + QStringLiteral("\\"),
                                                                   QStringLiteral("ComSetup"));
                return port.left(port.size() - 1);
            }
            if (key != target) continue;
            return modRegistry::GetStringFromReg(base + QStringLiteral("\\") + key + QStringLiteral("\\PORT_0\\Device Parameters"),
                                                 QStringLiteral("PortName"))
                .mid(3);
        }
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in FindComFromSerial"));
    }
    return QString();
}

namespace {
// The type a serial-number sensor is added as, by the first model text its reply holds.
QString typeOfReply(const QString& reply) {
    const std::pair<const char*, const QString*> kinds[] = {{"Corvisent/T", &strTypeTemperature},
                                                            {"Corvisent/H", &strTypeHumidity},
                                                            {"Corvisent/W", &strTypeWater},
                                                            {"Corvisent/P", &strTypeProximity}};
    for (const auto& [model, type] : kinds)
        if (reply.contains(QLatin1String(model))) return *type;
    return QString();
}
} // namespace

rt::Task<> GetBySerial() {
    try {
        const int os = GetOSType();
        for (;;) {
            const std::optional<QString> answer =
                rt::InputBox(QStringLiteral("Please enter the Serial Number or S/N. Enter 'done' to quit:"));
            if (!answer) co_return;
            QString portText;
            if (answer->isEmpty() || *answer == QLatin1String(" ")) {
                rt::MsgBox(QStringLiteral("Serial number not valid."));
            } else if (*answer == QLatin1String("Done") || *answer == QLatin1String("done") ||
                       *answer == QLatin1String("DONE")) {
                CorvisentMain::instance().show();
                co_return;
            } else {
                portText = FindComFromSerial(*answer, os);
            }
            bool added = false;
            const int port = int(rt::Val(portText));
            if (!portText.isEmpty()) {
                const int row = formAddDevice::FindFirstAvailable(false);
                if (row > 10) {
                    // No row is free: no sensor can be added by any further entry.
                    rt::MsgBox(QStringLiteral("All ten device rows are in use. Please delete a device before "
                                              "adding another."),
                               rt::vbInformation);
                    co_return;
                }
                if (formAddDevice::RowUsingPort(port) != 0) {
                    // The hub's port is already a registered row's: its sensor is not added twice.
                    rt::MsgBox(QStringLiteral("COM%1 is already configured. Sensor not added.").arg(port));
                    continue;
                }
                const QString reply = co_await GetDeviceIDString(row, port);
                const QString type = typeOfReply(reply);
                // A reply of no known kind is not added under any other entry's type.
                if (!type.isEmpty()) {
                    // The window is loaded without its detection question and never shown.
                    const int offer = iOfferDetect;
                    iOfferDetect = 0;
                    formAddDevice& d = formAddDevice::instance();
                    iOfferDetect = offer;
                    d.setTypeText(type);
                    d.cmbSensorTypeSelection_Click();
                    d.cmbComNum->setEditText(portText);
                    added = d.cmdOk_Click();
                }
            }
            rt::MsgBox(added ? QStringLiteral("Sensor successfully added.") : QStringLiteral("Sensor not added."));
        }
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("GetBySerial error"));
    }
}

void RunKestlinkConfig() {
    QString program = QStandardPaths::findExecutable(QStringLiteral("kestlink"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("kestlink"), {rt::appPath()});
    if (program.isEmpty() || platform::shell().startProgram(QLatin1Char('"') + program + QLatin1Char('"'), 1) == 0)
        rt::MsgBox(QStringLiteral("Cannot find Kestlink Configuration Utility"));
}

} // namespace modPNP
