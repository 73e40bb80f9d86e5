#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/modCorvisent.h"
#include "sensors/readingalerts.h"
#include "sensors/readinglogs.h"
#include "sensors/sensorkinds.h"
#include "sensors/sensorops.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using rt::Ctl;
using namespace modSupport;

namespace {

constexpr int kReadTries = 10;
constexpr int kMinuteMs = 60000;

bool minuteMode() {
    return SensorSetupControls::instance().cmbMinOrSecs->currentText() == QLatin1String("Minute(s)");
}

// One reading of the row by its kind; "" for a kind that is not read here.
rt::Task<QString> readRow(int row, int kind) {
    const SensorKind* sensor = SensorKindOf(kind);
    if (!sensor || !sensor->read) co_return QString();
    co_return co_await sensor->read(PortOf(row, kind), row, kind);
}

// A highest/lowest pair of a tab slot: the first reading after a connect or reset sets both,
// later ones only what they pass. The tool tip tells when the value was read.
void rankReading(QLabel* highest, QLabel* lowest, bool& empty, double v, const QString& caption) {
    const QDateTime now = rt::Clock::now();
    const QString when = rt::shortDate(now) + QStringLiteral(" @ ") + rt::formatTime12(now);
    auto set = [&](QLabel* label) {
        rt::setCaption(label, caption);
        label->setToolTip(when);
    };
    if (empty) {
        set(highest);
        set(lowest);
        empty = false;
        return;
    }
    if (rt::Val(rt::caption(highest)) < v) set(highest);
    const QString low = rt::caption(lowest);
    if (low.isEmpty() || rt::Val(low) > v) set(lowest);
}

// Rows whose tick is running: a later tick of the same row does nothing while the reading it
// started is still under way.
std::array<bool, 11> inTick{};

// Reads the row, trying again up to ten times while the sensor gives no reading. Nothing when the
// row was given up (disconnected here or by the read procedure) or changed meanwhile.
rt::Task<std::optional<QString>> readWithRetries(const RowExchange& exchange, int kind) {
    const int row = exchange.row();
    QString reading = co_await readRow(row, kind);
    if (!exchange.same()) co_return std::nullopt;
    if (reading.isEmpty() || reading == QLatin1String(" ") || reading == QLatin1String("999")) {
        for (int attempt = 1;; ++attempt) {
            // The read procedure gave the sensor up itself: nothing more to try.
            if (iPortOpen[row] == 0) co_return std::nullopt;
            const bool failed =
                reading.isEmpty() || reading == QLatin1String("999") || reading == QLatin1String("0");
            if (!failed) break;
            if (attempt == kReadTries) {
                rt::MsgBox(QStringLiteral("Sensor not responding after 10 tries.  Disconnecting sensor."),
                           rt::vbInformation);
                DisconnectSensor(row, 1);
                co_return std::nullopt;
            }
            // A port that closed under the sensor cannot answer again.
            if (!PortOf(row, kind)->portOpen()) {
                DisconnectSensor(row, 1);
                co_return std::nullopt;
            }
            reading = co_await readRow(row, kind);
            if (!exchange.same()) co_return std::nullopt;
        }
    }
    if (iPortOpen[row] == 0) co_return std::nullopt;
    co_return reading;
}

bool loggingOn(int row) {
    SensorSetupControls& setup = SensorSetupControls::instance();
    return rt::value(Ctl(setup.chkTabLogging, row)) == 1 || rt::value(Ctl(setup.chkFileLogging, row)) == 1;
}

bool localMonitoringOnly() {
    return rt::value(SensorSetupControls::instance().chkLocalMonitoring) == 1;
}

void showLocalOk(int row) {
    QLabel* status = Ctl(CorvisentMainControls::instance().lblSensorStatus, row);
    rt::setForeColor(status, rt::vbBlue);
    rt::setCaption(status, QStringLiteral("OK"));
}

// A reading of a single sensor: shown, logged and ranked before the alert checks, whose channels
// may take a while.
void takeSingleReading(int row, int kind, int slot, const QString& reading) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    rt::setCaption(Ctl(w.lblSensorReading, row), reading);
    if (loggingOn(row)) FileTabLogging(reading, row, kind, QString());
    if (kind == typeTemperature || kind == typeHumidity) {
        const bool t = kind == typeTemperature;
        const double v = rt::Val(reading);
        rankReading(Ctl(t ? w.lblTHighest : w.lblHHighest, slot), Ctl(t ? w.lblTLowest : w.lblHLowest, slot),
                    (t ? w.bTHighLowEmpty : w.bHHighLowEmpty).at(slot), v, rt::CStr(v));
    }
    if (localMonitoringOnly()) {
        showLocalOk(row);
    } else if (kind == typeTemperature) {
        CheckTThresh(reading, typeTemperature, row, slot, 0);
    } else if (kind == typeHumidity) {
        CheckHThresh(reading, typeHumidity, row, slot, 0);
    }
}

// A combined reading is the temperature, "/" and the humidity: the humidity shows on the row,
// the temperature on the row below. A half without a reading shows "NA" and is not checked,
// logged or ranked. Shown, logged and ranked before the alert checks, as a single reading.
void takeComboReading(int row, int tempSlot, int humidSlot, const QString& reading) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    const int cut = reading.indexOf(u'/');
    const QString temperature = cut < 0 ? reading : reading.left(cut);
    const QString humidity = cut < 0 ? QString() : reading.mid(cut + 1);
    rt::setCaption(Ctl(w.lblSensorReading, row), humidity.isEmpty() ? QStringLiteral("NA") : humidity);
    rt::setCaption(Ctl(w.lblSensorReading, row + 1),
                   temperature.isEmpty() ? QStringLiteral("NA") : temperature);
    if (loggingOn(row)) FileTabLogging(humidity, row, typeCombo, temperature);
    if (!temperature.isEmpty())
        rankReading(Ctl(w.lblTHighest, tempSlot), Ctl(w.lblTLowest, tempSlot), w.bTHighLowEmpty.at(tempSlot),
                    rt::Val(temperature), temperature);
    if (!humidity.isEmpty())
        rankReading(Ctl(w.lblHHighest, humidSlot), Ctl(w.lblHLowest, humidSlot),
                    w.bHHighLowEmpty.at(humidSlot), rt::Val(humidity), humidity);
    if (localMonitoringOnly()) {
        showLocalOk(row);
        return;
    }
    if (!humidity.isEmpty()) CheckHThresh(humidity, typeHumidity, row, humidSlot, 1);
    if (!temperature.isEmpty()) CheckTThresh(temperature, typeTemperature, row, tempSlot, 1);
}

} // namespace

rt::Task<> modSupport::SetReadingInterval(int row) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    if (qRound64(rt::Val(setup.txtReadingInterval->text())) == 0) {
        rt::MsgBox(QStringLiteral("Reading Interval cannot be 0!"), rt::vbSystemModal);
        co_return;
    }
    Ctl(w.Timer1, row)->setEnabled(true);
    QLabel* status = Ctl(w.lblSensorStatus, row);
    Ctl(w.lblSensorReading, row)->show();
    status->show();
    rt::setFontSize(status, 14);
    rt::setForeColor(status, rt::vbBlue);
    rt::setTag(Ctl(setup.cmdConnectSensor, row), QStringLiteral("1"));
    if (minuteMode()) w.Timer1[row]->setInterval(kMinuteMs);
    co_await w.Timer1_Timer(row);
}

rt::Task<> CorvisentMainControls::Timer1_Timer(int row) {
    if (row < 1 || row > 10 || inTick[row]) co_return;
    // An exchange of the row's own (a connect, a mode command) is under way on its port.
    if (platform::MSCommControl* port = PortOf(row, iDeviceType(row)); port && port->eventsHeld()) co_return;
    const rt::FlagWhile ticking(inTick[row]);

    SensorSetupControls& setup = SensorSetupControls::instance();
    const RowBusy busy(row);
    const RowExchange exchange(row);
    try {
        QPushButton* connectButton = Ctl(setup.cmdConnectSensor, row);
        // In minute mode a reading is taken every iReadMinutes ticks; the first one at once.
        if (rt::tag(connectButton) != QLatin1String("1") && minuteMode() &&
            iMinuteCount[row] < iReadMinutes[row]) {
            iMinuteCount[row] += 1;
            co_return;
        }
        rt::setTag(connectButton, QStringLiteral("0"));
        const int kind = iDeviceType(row);

        if (!exchange.same()) co_return;
        const std::optional<QString> reading = co_await readWithRetries(exchange, kind);
        if (!reading) co_return;
        const DeviceRow& record = RowOf(row);
        if (kind == typeCombo)
            takeComboReading(row, record.tempSlot, record.slot, *reading);
        else
            takeSingleReading(row, kind, record.slot, *reading);
        iMinuteCount[row] = 1;
    } catch (const std::exception&) {
        // A row that changed under the tick is no longer this tick's to report.
        if (exchange.same()) rt::MsgBox(QStringLiteral("Timer1 Error."));
    }
}
