#include "sensors/modCorvisent.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <optional>

#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "sensors/readinglogs.h"
#include "sensors/sensorkinds.h"
#include "sensors/sensorops.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using modSupport::RowExchange;
using platform::MSCommControl;
using rt::Ctl;

namespace modCorvisent {
namespace {

constexpr int kQueries = 10;       // reading queries before the sensor is given up
constexpr int kReplyWaitMs = 2000; // longest wait for a reading's reply
constexpr int kLineWaitMs = 2000;  // longest wait for a combined sensor's humidity line
constexpr int kLineFeedWaitMs = 20; // for the line feed behind a reply's carriage return
constexpr int kCalibrateTries = 4;
constexpr int kStreamTries = 4;

MSCommControl* need(MSCommControl* port) {
    if (!port) throw rt::VbError(91, QStringLiteral("Object variable or With block variable not set"));
    return port;
}

void enableIfStopped(rt::Timer* timer) {
    if (!timer->enabled()) timer->setEnabled(true);
}

// The temperature query in the unit chosen on the setup dialog; the unit goes to unitLabel.
// Nothing is sent when neither unit is chosen.
void sendTemperatureQuery(MSCommControl* port, QLabel* unitLabel) {
    SensorSetupControls& setup = SensorSetupControls::instance();
    if (rt::optionValue(setup.optCorF2)) {
        port->setOutput(QByteArray("tf\r"));
        rt::setCaption(unitLabel, QStringLiteral("F"));
    } else if (rt::optionValue(setup.optCorF)) {
        port->setOutput(QByteArray("tc\r"));
        rt::setCaption(unitLabel, QStringLiteral("C"));
    }
}

void sendReadingQuery(MSCommControl* port, int row, int kind) {
    const modSupport::SensorKind* sensor = modSupport::SensorKindOf(kind);
    if (!sensor) return;
    if (sensor->queryNamesUnit)
        sendTemperatureQuery(port, Ctl(CorvisentMainControls::instance().lblMeasure, row));
    else
        modSupport::SendCommandNested(port, sensor->readingQuery, nullptr);
}

// A query's reply: what has arrived once its carriage return is in, or when the reply pause is
// over. Input left over from an earlier, late reply is dropped before each query so it is never
// taken for this one.
QByteArray query(MSCommControl* port, const std::function<void()>& send, const RowExchange& exchange) {
    port->setInBufferCount(0);
    send();
    AwaitReplyNested(port, kReplyWaitMs, &exchange);
    return port->portOpen() && exchange.same() ? port->input() : QByteArray();
}

// The humidity line of a combined sensor: what arrives until its CR, for up to 2 s.
QByteArray readLine(MSCommControl* port, const RowExchange& exchange) {
    AwaitReplyNested(port, kLineWaitMs, &exchange);
    return port->portOpen() && exchange.same() ? port->input() : QByteArray();
}

void showSensorError(int row) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    QLabel* status = Ctl(w.lblSensorStatus, row);
    rt::setFontSize(status, 10);
    rt::setCaption(status, kSensorError);
    rt::setCaption(Ctl(w.lblSensorReading, row), QStringLiteral("NA"));
}

} // namespace

bool AwaitReplyNested(MSCommControl* port, int boundMs, const RowExchange* exchange) {
    auto over = [port, exchange] { return !port->portOpen() || !modSupport::StillSame(exchange); };
    const bool in = rt::WaitUntil([&] { return over() || port->peekInput().contains('\r'); }, boundMs) && !over();
    // The line feed that follows the carriage return belongs to the same reply: a few character
    // times for it, so that it is not left over for the next exchange.
    if (in && port->peekInput().endsWith('\r'))
        rt::WaitUntil([&] { return over() || !port->peekInput().endsWith('\r'); }, kLineFeedWaitMs);
    return in && !over();
}

rt::Task<bool> AwaitReply(MSCommControl* port, int boundMs, const RowExchange* exchange) {
    auto over = [port, exchange] { return !port->portOpen() || !modSupport::StillSame(exchange); };
    const bool in = co_await rt::Until([=] { return over() || port->peekInput().contains('\r'); }, boundMs) && !over();
    // The line feed that follows the carriage return belongs to the same reply: a few character
    // times for it, so that it is not left over for the next exchange.
    if (in && port->peekInput().endsWith('\r'))
        co_await rt::Until([=] { return over() || !port->peekInput().endsWith('\r'); }, kLineFeedWaitMs);
    co_return in && !over();
}

QString newTakeCVReading(MSCommControl* port, int row, int kind) {
    QString firstField;
    MSCommControl::EventHold hold(port);
    // A row deleted, disconnected or taken by another device meanwhile ends the reading quietly.
    const RowExchange exchange(row);
    try {
        CorvisentMainControls& w = CorvisentMainControls::instance();
        if (!need(port)->portOpen()) {
            rt::MsgBox(QStringLiteral("Port is no longer open. In newTakeCVReading"), rt::vbOKOnly);
            Ctl(w.Timer1, row)->setEnabled(false);
            return QString();
        }
        int failed = 0;
        rt::DoEvents();
        QByteArray reply;
        for (;;) {
            if (!exchange.same()) return QString();
            reply = query(port, [&] { sendReadingQuery(port, row, kind); }, exchange);
            if (!exchange.same()) return QString();
            if (!reply.isEmpty()) {
                enableIfStopped(Ctl(w.Timer1, row));
                break;
            }
            // A port closed meanwhile (the row disconnected, the program ending) ends the reading.
            if (!port->portOpen() || rt::QuitRequested()) return QString();
            ++failed;
            Ctl(w.Timer1, row)->setEnabled(false);
            if (failed >= kQueries) break;
        }
        rt::DoEvents();
        if (!exchange.same()) return QString();
        if (reply.isEmpty()) {
            rt::MsgBox(QStringLiteral("StandardRead: Sensor not responding after 10 queries.  "
                                      "Disconnecting sensor."),
                       rt::vbOKOnly);
            modSupport::ToggleSensorConnection(row);
            return QString();
        }
        const QString text = rt::fromBytes(reply);
        if (text.contains(kSensorError)) {
            showSensorError(row);
            Ctl(w.Timer1, row)->setEnabled(false);
            return QString();
        }
        firstField = kind == modSupport::typeHumidity ? rt::Left(text, 5) : rt::Left(text, 6);
        return ReadingOfReply(kind, text);
    } catch (const std::exception&) {
        if (!exchange.same()) return QString();
        rt::MsgBox(QStringLiteral("Error in newTakeCVReading. TmpHoldString1 = ") + firstField);
        return QStringLiteral("999");
    }
}

QString THRead(MSCommControl* port, int row) {
    MSCommControl::EventHold hold(port);
    const RowExchange exchange(row);
    try {
        CorvisentMainControls& w = CorvisentMainControls::instance();
        need(port);
        bool gotTemperature = false;
        int failed = 0;
        rt::DoEvents();
        QByteArray temperatureReply;
        while (!gotTemperature && failed < kQueries) {
            if (!exchange.same()) return QString();
            QLabel* unit = Ctl(w.lblMeasure, row + 1); // the temperature half's row shows the unit
            temperatureReply = query(port, [&] { sendTemperatureQuery(port, unit); }, exchange);
            if (!exchange.same()) return QString();
            if (!temperatureReply.isEmpty()) {
                enableIfStopped(Ctl(w.Timer1, row));
                gotTemperature = true;
            } else {
                if (!port->portOpen() || rt::QuitRequested()) return QString();
                ++failed;
                Ctl(w.Timer1, row)->setEnabled(false);
            }
        }
        if (!gotTemperature) {
            rt::MsgBox(QStringLiteral("THRead: Sensor not responding after 10 queries.  "
                                      "Disconnecting sensor."),
                       rt::vbOKOnly);
            modSupport::ToggleSensorConnection(row);
            return QString();
        }

        QString temperature;
        const QString temperatureText = rt::fromBytes(temperatureReply);
        if (temperatureText.contains(kSensorError))
            rt::MsgBox(QStringLiteral("Sensor Error: Received from sensor"), rt::vbOKOnly);
        else
            temperature = ComboHalf(temperatureText);

        rt::DoEvents();
        if (!port->portOpen() || !exchange.same()) return QString();
        port->setInBufferCount(0);
        port->setOutput(QByteArray("h\r"));
        const QString humidityText = rt::fromBytes(readLine(port, exchange));
        if (!exchange.same()) return QString();

        // A humidity error is shown but does not stop the polling: the next tick asks again.
        QString humidity;
        if (humidityText.contains(kSensorError))
            showSensorError(row);
        else if (!humidityText.isEmpty())
            humidity = ComboHalf(humidityText);
        return temperature + QLatin1Char('/') + humidity;
    } catch (const std::exception&) {
        if (!exchange.same()) return QString();
        return QStringLiteral("999");
    }
}

void StopAndDrain(MSCommControl* port, const RowExchange* exchange) {
    MSCommControl::EventHold hold(port);
    port->setOutput(QByteArray("S"));
    if (!modSupport::PauseFor(exchange, 200)) return;
    port->setOutput(kCR);
    Drain(port);
}

void Drain(MSCommControl* port) {
    while (port->inBufferCount() >= 2)
        port->input();
}

void CalibrateAccel(MSCommControl* port, int row, int /*kind*/, int slot) {
    MSCommControl::EventHold hold(port);
    const RowExchange exchange(row);
    try {
        CorvisentMainControls& w = CorvisentMainControls::instance();
        {
            std::optional<rt::Hourglass> hourglass;
            if (need(port)->portOpen()) {
                hourglass.emplace();
                for (int attempt = 0; attempt < kCalibrateTries; ++attempt) {
                    port->setOutput(QByteArray("c"));
                    if (!exchange.wait(200)) return;
                    port->setOutput(kCR);
                    if (!exchange.wait(200)) return;
                    if (!port->input().isEmpty()) {
                        QLabel* reading = Ctl(w.lblSensorReading, row);
                        rt::setFontSize(reading, 10);
                        rt::setCaption(reading, QStringLiteral("0.00 / 0.00"));
                        break;
                    }
                }
                const int mode = modSupport::iBumpMode[row];
                if (mode == 0) {
                    SetStreamMode(port, modSupport::typeAccel, &exchange);
                    if (!exchange.same()) return;
                } else if (mode == 1) {
                    StopAndDrain(port, &exchange);
                    if (!exchange.same()) return;
                    rt::setCaption(Ctl(w.cmdSetToBump, slot), QStringLiteral("Stop monitoring"));
                    port->setOutput(QByteArray("E"));
                    if (!exchange.wait(200)) return;
                    port->setOutput(kCR);
                    if (!exchange.wait(200)) return;
                    if (rt::fromBytes(port->input()).contains(QLatin1String("Invalid"))) {
                        rt::MsgBox(QStringLiteral("Invalid request"), rt::vbOKOnly);
                        return;
                    }
                    port->setRThreshold(1);
                    modSupport::iBumpMode[row] = 1;
                    rt::setForeColor(Ctl(w.lblSensorStatus, row), rt::vbBlue);
                    rt::setCaption(Ctl(w.lblSensorReading, row), QString());
                    SensorSetupControls& setup = SensorSetupControls::instance();
                    rt::setValue(Ctl(setup.chkBinaryMode, row), 1);
                    modSupport::SetStartMode(row, QStringLiteral("1"));
                }
            } else {
                rt::MsgBox(QStringLiteral("Port is not opened"), rt::vbOKOnly);
            }
        }
        modSupport::InsertTabLogLine(Ctl(w.txtAccelData, slot),
                                     rt::formatTimeHM(rt::Clock::now()) + QStringLiteral(" Calibrated"));
    } catch (const std::exception&) {
        return;
    }
}

void SetStreamMode(MSCommControl* port, int kind, const RowExchange* exchange) {
    MSCommControl::EventHold hold(port);
    rt::Hourglass hourglass;
    try {
        const modSupport::SensorKind* sensor = modSupport::SensorKindOf(kind);
        if (!sensor || !sensor->streamCommand) return;
        const QByteArray letter(sensor->streamCommand);
        int sent = 0;
        for (int attempt = 0; attempt < kStreamTries; ++attempt) {
            need(port)->setOutput(letter);
            if (!modSupport::PauseFor(exchange, 150)) return;
            port->setOutput(QByteArray("+"));
            if (!modSupport::PauseFor(exchange, 150)) return;
            port->setOutput(kCR);
            ++sent;
            // Anything come is the answer. It stays for the stream's handler, which gets it once
            // this exchange ends: a data line that came behind the first "OK" is a reading.
            if (port->inBufferCount() > 0) break;
        }
        // Every command sent is answered "OK", and none of these replies is a reading.
        sensorevents::ExpectStartReplies(port, sent);
    } catch (const std::exception&) {
        return;
    }
}

} // namespace modCorvisent
