#include "sensors/sensorkinds.h"

#include "platform/mscomm.h"
#include "runtime/msgbox.h"
#include "sensors/modCorvisent.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"

namespace modSupport {

namespace {

using W = CorvisentMainControls;

rt::Task<QString> readPair(platform::MSCommControl* port, int row, int) {
    return modCorvisent::THRead(port, row);
}

constexpr LineSettings kEventLine{.settings = "19200,o,8,1"};
constexpr SensorCommand kStreamIdentityQuery{.first = "i", .then = "\r", .pauseMs = 200};

const SensorKind kSensorKinds[] = {
    {.code = typeTemperature,
     .identities = {"Corvisent/T", "Corvisent/H"}, // also takes a combined sensor
     .queryNamesUnit = true,
     .units = {Unit::Temperature},
     .read = modCorvisent::newTakeCVReading},
    {.code = typeHumidity,
     .identities = {"Corvisent/H"},
     .removedOn = "Corvisent/T",
     .readingQuery = {.first = "h\r"},
     .units = {Unit::Percent},
     .read = modCorvisent::newTakeCVReading},
    {.code = typeCombo,
     .identities = {"Corvisent/H"},
     .removedOn = "Corvisent/T",
     .units = {Unit::Percent, Unit::Temperature},
     .read = readPair},
    {.code = typeProximity,
     .reporting = Reporting::Events,
     .line = kEventLine,
     .identities = {"Corvisent/P"},
     .notThisKind = "Device is not a Corvisent/P (Proximity Sensor)",
     .noReply = "Proximity sensor not responding to ID query."},
    {.code = typeWater,
     .reporting = Reporting::Events,
     .line = kEventLine,
     .identities = {"Corvisent/W"},
     .appearsStyle = rt::vbInformation,
     .noReply = "Water sensor not responding to ID query.",
     .alsoHidden = &W::lblNoPDevicePresent},
    {.code = typeAccel,
     .reporting = Reporting::Stream,
     .line = {.settings = "19200,o,8,1", .rThreshold = 1, .sThreshold = 1},
     .identityQuery = kStreamIdentityQuery,
     .identities = {"Corvisent/A"},
     .notThisKind = "Device is not a Corvisent/A (Accelerometer Sensor)",
     .noReply = "Proximity sensor not responding to ID query.",
     .readingQuery = {.first = "a", .then = "\r"},
     .streamCommand = "a",
     .readingFontSize = 8,
     .dropsInputOnOpen = true,
     .modeMenus = {&W::mnuPopupCalibrate, &W::mnuPopUpSetToBinaryMode, &W::mnuPopupSetSensitivity},
     .read = modCorvisent::newTakeCVReading,
     .start = StartAccel},
    {.code = typeDistance,
     .reporting = Reporting::Stream,
     .line = {.settings = "9600,o,8,1", .rThreshold = 1, .sThreshold = 1},
     .identityQuery = kStreamIdentityQuery,
     .identities = {"Corvisent/D", "Corvisent/P"}, // also takes a proximity sensor
     .notThisKind = "Device is not a Corvisent/D (Distance Sensor)",
     .noReply = "Sensor not responding to ID query.",
     .readingQuery = {.first = "d", .then = "\r"},
     .streamCommand = "D",
     .modeMenus = {&W::mnuPopupSetProximityMode, &W::mnuPopUpSetProxNotifications,
                   &W::mnuPopupSetSensitivity},
     .read = modCorvisent::newTakeCVReading,
     .start = StartDistance},
};

} // namespace

const SensorKind* SensorKindOf(int code) {
    for (const SensorKind& k : kSensorKinds)
        if (k.code == code) return &k;
    return nullptr;
}

void SetLine(platform::MSCommControl* port, const LineSettings& line) {
    port->setRThreshold(line.rThreshold);
    port->setRTSEnable(true);
    port->setHandshaking(0);
    port->setInputMode(1);
    port->setInputLen(0);
    port->setSettings(QLatin1String(line.settings));
    port->setSThreshold(line.sThreshold);
}

rt::Task<bool> SendCommand(platform::MSCommControl* port, SensorCommand command, const RowExchange* exchange) {
    if (!command.first) co_return true;
    port->setOutput(QByteArray(command.first));
    if (!command.then) co_return true;
    if (command.pauseMs > 0) {
        const bool same = co_await PauseIn(exchange, command.pauseMs);
        if (!same) co_return false;
    }
    port->setOutput(QByteArray(command.then));
    co_return true;
}

bool Identifies(const SensorKind& kind, const QString& reply) {
    for (const char* mark : kind.identities)
        if (mark && reply.contains(QLatin1String(mark))) return true;
    return false;
}

} // namespace modSupport
