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

rt::Task<> sendReadingQuery(MSCommControl* port, int row, int kind, const RowExchange& exchange) {
    const modSupport::SensorKind* sensor = modSupport::SensorKindOf(kind);
    if (!sensor) co_return;
    if (sensor->queryNamesUnit)
        sendTemperatureQuery(port, Ctl(CorvisentMainControls::instance().lblMeasure, row));
    else
        co_await modSupport::SendCommand(port, sensor->readingQuery, &exchange);
}

// What has arrived once the reply's carriage return is in, or when boundMs are over; nothing when
// the port closed or the row changed meanwhile.
rt::Task<QByteArray> replyWithin(MSCommControl* port, int boundMs, const RowExchange& exchange) {
    co_await AwaitReply(port, boundMs, &exchange);
    co_return port->portOpen() && exchange.same() ? port->input() : QByteArray();
}

void showSensorError(int row) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    QLabel* status = Ctl(w.lblSensorStatus, row);
    rt::setFontSize(status, 10);
    rt::setCaption(status, kSensorError);
    rt::setCaption(Ctl(w.lblSensorReading, row), QStringLiteral("NA"));
}

} // namespace

rt::Task<bool> SendInTwo(MSCommControl* port, const char* letter, const RowExchange& exchange, int afterMs) {
    const modSupport::SensorCommand command{letter, "\r", 200};
    const bool sent = co_await modSupport::SendCommand(port, command, &exchange);
    if (!sent || afterMs <= 0) co_return sent;
    co_return co_await exchange.pause(afterMs);
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

rt::Task<QString> newTakeCVReading(MSCommControl* port, int row, int kind) {
    QString firstField;
    MSCommControl::EventHold hold(port);
    // A row deleted, disconnected or taken by another device meanwhile ends the reading quietly.
    const RowExchange exchange(row);
    try {
        CorvisentMainControls& w = CorvisentMainControls::instance();
        if (!need(port)->portOpen()) {
            rt::MsgBox(QStringLiteral("Port is no longer open. In newTakeCVReading"), rt::vbOKOnly);
            Ctl(w.Timer1, row)->setEnabled(false);
            co_return QString();
        }
        int failed = 0;
        QByteArray reply;
        for (;;) {
            if (!exchange.same()) co_return QString();
            // Input left over from an earlier, late reply is dropped so it is never taken for this one.
            port->setInBufferCount(0);
            co_await sendReadingQuery(port, row, kind, exchange);
            reply = co_await replyWithin(port, kReplyWaitMs, exchange);
            if (!exchange.same()) co_return QString();
            if (!reply.isEmpty()) {
                enableIfStopped(Ctl(w.Timer1, row));
                break;
            }
            // A port closed meanwhile (the row disconnected, the program ending) ends the reading.
            if (!port->portOpen() || rt::QuitRequested()) co_return QString();
            ++failed;
            Ctl(w.Timer1, row)->setEnabled(false);
            if (failed >= kQueries) break;
        }
        if (!exchange.same()) co_return QString();
        if (reply.isEmpty()) {
            rt::MsgBox(QStringLiteral("StandardRead: Sensor not responding after 10 queries.  "
                                      "Disconnecting sensor."),
                       rt::vbOKOnly);
            co_await modSupport::ToggleSensorConnection(row);
            co_return QString();
        }
        const QString text = rt::fromBytes(reply);
        if (text.contains(kSensorError)) {
            showSensorError(row);
            Ctl(w.Timer1, row)->setEnabled(false);
            co_return QString();
        }
        firstField = kind == modSupport::typeHumidity ? rt::Left(text, 5) : rt::Left(text, 6);
        co_return ReadingOfReply(kind, text);
    } catch (const std::exception&) {
        if (!exchange.same()) co_return QString();
        rt::MsgBox(QStringLiteral("Error in newTakeCVReading. TmpHoldString1 = ") + firstField);
        co_return QStringLiteral("999");
    }
}

rt::Task<QString> THRead(MSCommControl* port, int row) {
    MSCommControl::EventHold hold(port);
    const RowExchange exchange(row);
    try {
        CorvisentMainControls& w = CorvisentMainControls::instance();
        need(port);
        bool gotTemperature = false;
        int failed = 0;
        QByteArray temperatureReply;
        while (!gotTemperature && failed < kQueries) {
            if (!exchange.same()) co_return QString();
            QLabel* unit = Ctl(w.lblMeasure, row + 1); // the temperature half's row shows the unit
            port->setInBufferCount(0);
            sendTemperatureQuery(port, unit);
            temperatureReply = co_await replyWithin(port, kReplyWaitMs, exchange);
            if (!exchange.same()) co_return QString();
            if (!temperatureReply.isEmpty()) {
                enableIfStopped(Ctl(w.Timer1, row));
                gotTemperature = true;
            } else {
                if (!port->portOpen() || rt::QuitRequested()) co_return QString();
                ++failed;
                Ctl(w.Timer1, row)->setEnabled(false);
            }
        }
        if (!gotTemperature) {
            rt::MsgBox(QStringLiteral("THRead: Sensor not responding after 10 queries.  "
                                      "Disconnecting sensor."),
                       rt::vbOKOnly);
            co_await modSupport::ToggleSensorConnection(row);
            co_return QString();
        }

        QString temperature;
        const QString temperatureText = rt::fromBytes(temperatureReply);
        if (temperatureText.contains(kSensorError))
            rt::MsgBox(QStringLiteral("Sensor Error: Received from sensor"), rt::vbOKOnly);
        else
            temperature = ComboHalf(temperatureText);

        if (!port->portOpen() || !exchange.same()) co_return QString();
        port->setInBufferCount(0);
        port->setOutput(QByteArray("h\r"));
        // The humidity line: what arrives until its CR.
        const QByteArray humidityLine = co_await replyWithin(port, kLineWaitMs, exchange);
        const QString humidityText = rt::fromBytes(humidityLine);
        if (!exchange.same()) co_return QString();

        // A humidity error is shown but does not stop the polling: the next tick asks again.
        QString humidity;
        if (humidityText.contains(kSensorError))
            showSensorError(row);
        else if (!humidityText.isEmpty())
            humidity = ComboHalf(humidityText);
        co_return temperature + QLatin1Char('/') + humidity;
    } catch (const std::exception&) {
        if (!exchange.same()) co_return QString();
        co_return QStringLiteral("999");
    }
}

rt::Task<> StopAndDrain(MSCommControl* port, const RowExchange* exchange) {
    MSCommControl::EventHold hold(port);
    port->setOutput(QByteArray("S"));
    const bool same = co_await modSupport::PauseIn(exchange, 200);
    if (!same) co_return;
    port->setOutput(kCR);
    Drain(port);
}

void Drain(MSCommControl* port) {
    while (port->inBufferCount() >= 2)
        port->input();
}

rt::Task<> CalibrateAccel(MSCommControl* port, int row, int /*kind*/, int slot) {
    MSCommControl::EventHold hold(port);
    const RowExchange exchange(row);
    try {
        CorvisentMainControls& w = CorvisentMainControls::instance();
        {
            std::optional<rt::Hourglass> hourglass;
            if (need(port)->portOpen()) {
                hourglass.emplace();
                for (int attempt = 0; attempt < kCalibrateTries; ++attempt) {
                    const bool same = co_await SendInTwo(port, "c", exchange, 200);
                    if (!same) co_return;
                    if (!port->input().isEmpty()) {
                        QLabel* reading = Ctl(w.lblSensorReading, row);
                        rt::setFontSize(reading, 10);
                        rt::setCaption(reading, QStringLiteral("0.00 / 0.00"));
                        break;
                    }
                }
                const int mode = modSupport::iBumpMode[row];
                if (mode == 0) {
                    co_await SetStreamMode(port, modSupport::typeAccel, &exchange);
                    if (!exchange.same()) co_return;
                } else if (mode == 1) {
                    co_await StopAndDrain(port, &exchange);
                    if (!exchange.same()) co_return;
                    rt::setCaption(Ctl(w.cmdSetToBump, slot), QStringLiteral("Stop monitoring"));
                    const bool same = co_await SendInTwo(port, "E", exchange, 200);
                    if (!same) co_return;
                    if (rt::fromBytes(port->input()).contains(QLatin1String("Invalid"))) {
                        rt::MsgBox(QStringLiteral("Invalid request"), rt::vbOKOnly);
                        co_return;
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
        co_return;
    }
}

rt::Task<> SetStreamMode(MSCommControl* port, int kind, const RowExchange* exchange) {
    MSCommControl::EventHold hold(port);
    rt::Hourglass hourglass;
    try {
        const modSupport::SensorKind* sensor = modSupport::SensorKindOf(kind);
        if (!sensor || !sensor->streamCommand) co_return;
        const QByteArray letter(sensor->streamCommand);
        int sent = 0;
        for (int attempt = 0; attempt < kStreamTries; ++attempt) {
            need(port)->setOutput(letter);
            const bool sameAfterLetter = co_await modSupport::PauseIn(exchange, 150);
            if (!sameAfterLetter) co_return;
            port->setOutput(QByteArray("+"));
            const bool sameAfterPlus = co_await modSupport::PauseIn(exchange, 150);
            if (!sameAfterPlus) co_return;
            port->setOutput(kCR);
            ++sent;
            // Anything come is the answer. It stays for the stream's handler, which gets it once
            // this exchange ends: a data line that came behind the first "OK" is a reading.
            if (port->inBufferCount() > 0) break;
        }
        // Every command sent is answered "OK", and none of these replies is a reading.
        sensorevents::ExpectStartReplies(port, sent);
    } catch (const std::exception&) {
        co_return;
    }
}

} // namespace modCorvisent
