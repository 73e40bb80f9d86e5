// Mode, sensitivity and calibration commands of the accelerometer and distance sensors: the tab
// buttons of a slot, the popup entries of a summary row, and the start modes after a connect.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <optional>

#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "sensors/modCorvisent.h"
#include "sensors/readinglogs.h"
#include "sensors/sensorops.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using platform::MSCommControl;
using rt::Ctl;
using namespace modSupport;

namespace {

constexpr int kModePasses = 15;
constexpr int kSensitivityTries = 3;
const QString kBumpOn = QStringLiteral("Set to Monitor 'bump'");
const QString kBumpOff = QStringLiteral("Stop monitoring");

void send(MSCommControl* port, const char* bytes) {
    port->setOutput(QByteArray(bytes));
}

QString readText(MSCommControl* port) {
    return rt::fromBytes(port->input());
}

bool sameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The replies of a mode command on a streaming port: the sensor answers each command "OK" (the
// stop too), and none of these replies is a reading. What the command has not read itself when
// it ends is left to the stream's handler, which drops it.
class ModeReplies {
public:
    explicit ModeReplies(MSCommControl* port) : m_port(port) {}
    void sent(int commands = 1) { m_sent += commands; }
    // The port's input, its replies counted.
    QString read() {
        const QString text = readText(m_port);
        m_read += int(text.count(QLatin1String("OK")));
        return text;
    }
    // The command has ended with its row unchanged.
    void leaveToStream() const { sensorevents::ExpectStartReplies(m_port, std::max(0, m_sent - m_read)); }

private:
    MSCommControl* m_port;
    int m_sent = 0;
    int m_read = 0;
};

// "S", 200 ms, CR, then a drain: the stream stops and its reply is one more to come.
rt::Task<> stopStream(const RowExchange& exchange, MSCommControl* port, ModeReplies& replies) {
    replies.sent();
    co_await modCorvisent::StopAndDrain(port, &exchange);
}

// Up to 15 passes of: letter, 200 ms, CR, pause, read; ends early once the sensor answers "OK",
// or once the row has changed.
rt::Task<> eventModeLoop(const RowExchange& exchange, MSCommControl* port, const char* letter, int pauseMs) {
    MSCommControl::EventHold hold(port);
    for (int pass = 0; pass < kModePasses; ++pass) {
        const bool same = co_await modCorvisent::SendInTwo(port, letter, exchange, pauseMs);
        if (!same) co_return;
        if (readText(port).contains(QLatin1String("OK"))) co_return;
    }
}

// Up to 15 passes of the stream command letter, "+", CR with 200 ms between the pieces (and
// after the CR when asked); ends early once the sensor answers "OK", or once the row has changed.
rt::Task<> streamLoop(const RowExchange& exchange, MSCommControl* port, const char* letter, int afterMs,
                      ModeReplies& replies, std::function<void()> eachPass = {}) {
    MSCommControl::EventHold hold(port);
    for (int pass = 0; pass < kModePasses; ++pass) {
        send(port, letter);
        const bool sameAfterLetter = co_await exchange.pause(200);
        if (!sameAfterLetter) co_return;
        send(port, "+");
        const bool sameAfterPlus = co_await exchange.pause(200);
        if (!sameAfterPlus) co_return;
        port->setOutput(modCorvisent::kCR);
        replies.sent();
        if (afterMs > 0) {
            const bool sameAfterCR = co_await exchange.pause(afterMs);
            if (!sameAfterCR) co_return;
        }
        if (eachPass) eachPass();
        if (replies.read().contains(QLatin1String("OK"))) co_return;
    }
}

void tabLog(QPlainTextEdit* box, const QString& words) {
    InsertTabLogLine(box, rt::formatTime12(rt::Clock::now()) + words);
}

void storeDeviceKey(int row, const char* key, const char* value) {
    platform::SaveSetting(QStringLiteral("Corvisent Manager"),
                          QStringLiteral("PortConfig\\Devices\\%1").arg(row), QLatin1String(key),
                          QLatin1String(value));
}

// The row's start-mode mark on its setup row (event mode "1", else "0") and its event-mode box.
void markStartMode(int row, bool eventMode) {
    SetStartMode(row, eventMode ? QStringLiteral("1") : QStringLiteral("0"));
    rt::setValue(Ctl(SensorSetupControls::instance().chkBinaryMode, row), eventMode ? 1 : 0);
}

int rowOfCover(rt::CaptionFrame* cover) {
    return rt::CInt(rt::tag(cover));
}

int slotOfRow(int row) {
    return RowOf(row).slot;
}

void showOk(QLabel* status) {
    rt::setForeColor(status, rt::vbBlue);
    rt::setFontSize(status, 14);
    rt::setCaption(status, QStringLiteral("OK"));
}

// The sensitivity exchange of a tab button; false when the user cancelled or the row changed.
rt::Task<bool> askAndSendSensitivity(const RowExchange& exchange, MSCommControl* port, QPlainTextEdit* log) {
    const std::optional<QString> typed = rt::InputBox(
        QStringLiteral("Please enter a number between 1 (most sensitive) and 9 (least sensitive):"),
        QString());
    if (!typed) co_return false;
    tabLog(log, QStringLiteral(" Setting Sens = ") + *typed);
    const QByteArray command = "M" + rt::toBytes(rt::CStr(rt::CDbl(*typed))) + "\r";
    MSCommControl::EventHold hold(port);
    for (int attempt = 0; attempt < kSensitivityTries; ++attempt) {
        port->setOutput(command);
        co_await modCorvisent::AwaitReply(port, 1500, &exchange);
        if (!exchange.same()) co_return false;
        const QString reply = readText(port);
        if (!reply.contains(QLatin1String("OK"))) continue;
        if (reply.contains(QLatin1String("Error")))
            rt::MsgBox(QStringLiteral("Sensor responded with Sensor Error"), rt::vbOKOnly);
        break;
    }
    co_return true;
}

} // namespace

// ---------------------------------------------------------------- calibration

rt::Task<> CorvisentMainControls::cmdCalibrate_Click(int slot) {
    int row = 0;
    MSCommControl* port = nullptr;
    rt::passOver([&] {
        row = static_cast<int>(rt::Val(rt::tag(Ctl(frameACover, slot))));
        if (row != 0) port = Ctl(MSCommA, row);
    });
    if (!port) co_return;
    co_await rt::PassOver(modCorvisent::CalibrateAccel(port, row, typeAccel, slot));
}

rt::Task<> CorvisentMainControls::mnuPopupCalibrate_Click() {
    const int row = iSelectedRow;
    int slot = 0;
    rt::passOver([&] { slot = slotOfRow(row); });
    MSCommControl* port = nullptr;
    rt::passOver([&] { port = Ctl(MSCommA, row); });
    if (!port || !port->portOpen()) co_return;
    const RowExchange exchange(row);
    co_await rt::PassOver(modCorvisent::CalibrateAccel(port, row, typeAccel, slot));
    if (!exchange.same()) co_return;
    rt::passOver([&] { tabLog(Ctl(txtAccelData, slot), QStringLiteral(" Calibrated")); });
}

rt::Task<> CorvisentMainControls::CalibrateOnConnection(int row, int slot) {
    MSCommControl* port = nullptr;
    rt::passOver([&] { port = Ctl(MSCommA, row); });
    if (!port) co_return;
    co_await rt::PassOver(modCorvisent::CalibrateAccel(port, row, typeAccel, slot));
}

// ---------------------------------------------------------------- sensitivity

namespace {

// A tab sensitivity button: asks, sends the number, then switches the sensor back into the mode
// its flag names by running the slot's mode button with the caption that leads there.
rt::Task<> tabSensitivity(rt::CaptionFrame* cover, const CorvisentMainControls::Rows<MSCommControl>& ports,
                          QPlainTextEdit* log, const Table<11>& modeFlag, QPushButton* modeButton,
                          QString toEventMode, QString toStreaming,
                          std::function<rt::Task<>()> runModeButton) {
    rt::Hourglass hourglass;
    try {
        const int row = rowOfCover(cover);
        const RowExchange exchange(row);
        MSCommControl* port = Ctl(ports, row);
        if (!port->portOpen()) {
            rt::MsgBox(QStringLiteral("Sensor has not been opened"), rt::vbOKOnly);
            co_return;
        }
        const bool sent = co_await askAndSendSensitivity(exchange, port, log);
        if (!sent) co_return;
        if (modeFlag[row] != 0 && modeFlag[row] != 1) co_return;
        rt::setCaption(modeButton, modeFlag[row] == 1 ? toEventMode : toStreaming);
        co_await runModeButton();
    } catch (const std::exception&) {
    }
}

// The popup's sensitivity puts the sensor back into the mode its flag names; no reply is read.
rt::Task<> resumeMode(const RowExchange& exchange, MSCommControl* port, int kind, ModeReplies& replies) {
    const int row = exchange.row();
    const bool eventMode = (kind == typeDistance ? iProxMode[row] : iBumpMode[row]) == 1;
    if (eventMode) {
        co_await modCorvisent::SendInTwo(port, "E", exchange, 0);
    } else if (kind == typeDistance) {
        send(port, "D");
        const bool sameAfterLetter = co_await exchange.pause(200);
        if (!sameAfterLetter) co_return;
        send(port, "+");
        const bool sameAfterPlus = co_await exchange.pause(200);
        if (sameAfterPlus) port->setOutput(modCorvisent::kCR);
    } else {
        send(port, "a+\r");
    }
    replies.sent();
}

} // namespace

rt::Task<> CorvisentMainControls::cmdSetBumpSens_Click(int slot) {
    rt::CaptionFrame* cover = nullptr;
    QPlainTextEdit* log = nullptr;
    QPushButton* modeButton = nullptr;
    rt::passOver([&] {
        cover = Ctl(frameACover, slot);
        log = Ctl(txtAccelData, slot);
        modeButton = Ctl(cmdSetToBump, slot);
    });
    if (!modeButton) co_return;
    co_await rt::PassOver(tabSensitivity(cover, MSCommA, log, iBumpMode, modeButton, kBumpOn, kBumpOff,
                                        [this, slot] { return cmdSetToBump_Click(slot); }));
}

rt::Task<> CorvisentMainControls::cmdSensD_Click(int slot) {
    rt::CaptionFrame* cover = nullptr;
    QPlainTextEdit* log = nullptr;
    QPushButton* modeButton = nullptr;
    rt::passOver([&] {
        cover = Ctl(frameDCover, slot);
        log = Ctl(txtDistanceData, slot);
        modeButton = Ctl(cmdSetToProximityMode, slot);
    });
    if (!modeButton) co_return;
    co_await rt::PassOver(tabSensitivity(
        cover, MSCommD, log, iProxMode, modeButton, QStringLiteral("Set to Proximity mode"),
        QStringLiteral("Set to Distance mode"), [this, slot] { return cmdSetToProximityMode_Click(slot); }));
}

rt::Task<> CorvisentMainControls::mnuPopupSetSensitivity_Click() {
    const int row = iSelectedRow;
    const int kind = iDeviceType(row);
    QString typed;
    for (;;) {
        const std::optional<QString> answer = rt::InputBox(
            QStringLiteral("Please enter a number between 1 (most sensitive) and 9 (least sensitive)"),
            QStringLiteral("Proximity Sensitivity Adjustment"));
        if (!answer) co_return;
        if (rt::IsNumeric(*answer)) {
            const double v = rt::CDbl(*answer);
            if (v >= 1 && v <= 9 && v == static_cast<int>(v)) {
                typed = *answer;
                break;
            }
        }
        rt::MsgBox(QStringLiteral("Number must be an integer between 1 and 9"), rt::vbOKOnly);
    }
    MSCommControl* port = nullptr;
    rt::passOver([&] {
        port = kind == typeDistance ? Ctl(MSCommD, row) : kind == typeAccel ? Ctl(MSCommA, row) : nullptr;
    });
    if (!port || !port->portOpen()) co_return;
    MSCommControl::EventHold hold(port);
    const RowExchange exchange(row);
    ModeReplies replies(port);
    const int number = static_cast<int>(rt::CDbl(typed));
    rt::passOver([&] { port->setOutput("M" + QByteArray::number(number) + "\r"); });
    replies.sent();
    const bool same = co_await exchange.pause(100);
    if (!same) co_return;
    rt::passOver([&] { storeDeviceKey(row, "ProxSens", typed.toLatin1().constData()); });
    rt::passOver([&] {
        QLabel* status = Ctl(lblSensorStatus, row);
        rt::setFontSize(status, 14);
        rt::setCaption(status, QStringLiteral("OK"));
        rt::setCaption(Ctl(lblSensorReading, row), QStringLiteral(" "));
    });
    co_await rt::PassOver(resumeMode(exchange, port, kind, replies));
    if (exchange.same()) replies.leaveToStream();
}

// ---------------------------------------------------------------- tab mode buttons

rt::Task<> CorvisentMainControls::cmdSetToBump_Click(int slot) {
    rt::Hourglass hourglass;
    try {
        const int row = rowOfCover(Ctl(frameACover, slot));
        const RowExchange exchange(row);
        MSCommControl* port = Ctl(MSCommA, row);
        MSCommControl::EventHold hold(port); // the switch takes its replies itself
        if (!port->portOpen()) {
            rt::MsgBox(QStringLiteral("Sensor has not been opened"), rt::vbOKOnly);
            co_return;
        }
        QPushButton* button = Ctl(cmdSetToBump, slot);
        const QString caption = rt::caption(button);
        if (caption == kBumpOn) {
            port->setRThreshold(0);
            co_await modCorvisent::StopAndDrain(port, &exchange);
            if (!exchange.same()) co_return;
            rt::setCaption(button, kBumpOff);
            co_await eventModeLoop(exchange, port, "e", 200);
            if (!exchange.same()) co_return;
            port->setRThreshold(1);
            iBumpMode[row] = 1;
            rt::setForeColor(Ctl(lblSensorStatus, row), rt::vbBlue);
            rt::setCaption(Ctl(lblSensorReading, row), QString());
            markStartMode(row, true);
            storeDeviceKey(row, "StartInBump", "1");
            tabLog(Ctl(txtAccelData, slot), QStringLiteral(" Set To Bump Mode"));
        } else if (caption == kBumpOff) {
            rt::setCaption(button, kBumpOn);
            port->setRThreshold(0);
            ModeReplies replies(port);
            co_await stopStream(exchange, port, replies);
            if (!exchange.same()) co_return;
            send(port, "a+\r");
            replies.sent();
            rt::setFontSize(Ctl(lblSensorReading, row), 10);
            iBumpMode[row] = 0;
            for (int pass = 0; pass < kModePasses; ++pass)
                if (replies.read().contains(QLatin1String("OK"))) break;
            markStartMode(row, false);
            port->setRThreshold(1);
            storeDeviceKey(row, "StartInBump", "0");
            tabLog(Ctl(txtAccelData, slot), QStringLiteral(" Set to Accel Mode"));
            replies.leaveToStream();
        }
    } catch (const std::exception&) {
    }
}

rt::Task<> CorvisentMainControls::cmdSetToProximityMode_Click(int slot) {
    rt::Hourglass hourglass;
    try {
        const int row = rowOfCover(Ctl(frameDCover, slot));
        const RowExchange exchange(row);
        MSCommControl* port = Ctl(MSCommD, row);
        MSCommControl::EventHold hold(port); // the switch takes its replies itself
        QLabel* status = Ctl(lblSensorStatus, row);
        QLabel* reading = Ctl(lblSensorReading, row);
        if (!port->portOpen()) {
            status->hide();
            rt::setCaption(reading, QStringLiteral("OFF"));
            mnuPopUpConnectThisSensor->setText(QStringLiteral("Connect This Sensor"));
            co_return;
        }
        QPushButton* button = Ctl(cmdSetToProximityMode, slot);
        const QString caption = rt::caption(button);
        if (sameText(caption, QStringLiteral("Set to Proximity mode"))) {
            rt::setCaption(button, QStringLiteral("Set to Distance mode"));
            port->setRThreshold(0);
            co_await modCorvisent::StopAndDrain(port, &exchange);
            co_await eventModeLoop(exchange, port, "e", 200);
            if (!exchange.same()) co_return;
            port->setRThreshold(1);
            iProxMode[row] = 1;
            rt::setForeColor(status, rt::vbBlue);
            rt::setCaption(reading, QStringLiteral("Reset"));
            mnuPopUpSetProxNotifications->setEnabled(true);
            mnuPopupSetSensitivity->setEnabled(true);
            mnuPopupSetProximityMode->setText(QStringLiteral("Set to Distance Mode"));
            markStartMode(row, true);
            storeDeviceKey(row, "StartInProx", "1");
            tabLog(Ctl(txtDistanceData, slot), QStringLiteral(" Set to Proximity mode"));
        } else if (sameText(caption, QStringLiteral("Set to Distance mode"))) {
            rt::setCaption(button, QStringLiteral("Set to Proximity mode"));
            iProxMode[row] = 0;
            ModeReplies replies(port);
            co_await stopStream(exchange, port, replies);
            co_await streamLoop(exchange, port, "D", 0, replies, [row] {
                rt::setValue(Ctl(SensorSetupControls::instance().chkBinaryMode, row), 0);
            });
            if (!exchange.same()) co_return;
            mnuPopupSetProximityMode->setText(QStringLiteral("Set to Proximity mode"));
            markStartMode(row, false);
            storeDeviceKey(row, "StartInProx", "0");
            tabLog(Ctl(txtDistanceData, slot), QStringLiteral(" Set to Distance mode"));
            replies.leaveToStream();
        }
        showOk(status);
        rt::setForeColor(reading, rt::vbRed);
        rt::setCaption(reading, QStringLiteral(" "));
    } catch (const std::exception&) {
    }
}

// ---------------------------------------------------------------- popup mode entries

namespace {

// The selected row's port of a popup mode command, its receive events held back and the row
// marked so that its next data event only drains it.
struct PopupSwitch {
    int row = 0;
    int slot = 0;
    MSCommControl* port = nullptr;
};
std::optional<PopupSwitch> beginPopupSwitch(const CorvisentMainControls::Rows<MSCommControl>& ports) {
    PopupSwitch s;
    s.row = iSelectedRow;
    rt::passOver([&] { s.port = Ctl(ports, s.row); });
    if (!s.port) return std::nullopt;
    rt::passOver([&] { s.port->setRThreshold(0); });
    bSettingMode = true;
    if (s.row >= 1 && s.row <= 10) bSettingModeRow[s.row] = true;
    rt::passOver([&] { s.slot = slotOfRow(s.row); });
    return s;
}

} // namespace

rt::Task<> CorvisentMainControls::mnuPopUpSetToBinaryMode_Click() {
    const std::optional<PopupSwitch> target = beginPopupSwitch(MSCommA);
    if (!target) co_return;
    const int row = target->row;
    const int slot = target->slot;
    MSCommControl* port = target->port;
    MSCommControl::EventHold hold(port); // the switch takes its replies itself
    const RowExchange exchange(row);
    const QString caption = mnuPopUpSetToBinaryMode->text();
    if (port->portOpen() && sameText(caption, QStringLiteral("Set to Bump mode"))) {
        co_await rt::PassOver(modCorvisent::StopAndDrain(port, &exchange));
        co_await rt::PassOver(eventModeLoop(exchange, port, "e", 200));
        if (!exchange.same()) co_return;
        rt::passOver([&] {
            QLabel* status = Ctl(lblSensorStatus, row);
            rt::setForeColor(status, rt::vbBlue);
            rt::setCaption(status, QStringLiteral("OK"));
            rt::setCaption(Ctl(lblSensorReading, row), QStringLiteral(" "));
        });
        rt::passOver([&] { iBumpMode[row] = 1; });
        rt::passOver([&] { markStartMode(row, true); });
        rt::passOver([&] { rt::setCaption(Ctl(cmdSetToBump, slot), kBumpOff); });
        rt::passOver([&] { storeDeviceKey(row, "StartInBump", "1"); });
    } else if (port->portOpen() && sameText(caption, QStringLiteral("Take out of Bump mode"))) {
        ModeReplies replies(port);
        co_await rt::PassOver(stopStream(exchange, port, replies));
        co_await rt::PassOver(streamLoop(exchange, port, "A", 200, replies,
                                        [this, row] { rt::setFontSize(Ctl(lblSensorReading, row), 10); }));
        if (!exchange.same()) co_return;
        rt::passOver([&] { iBumpMode[row] = 0; });
        rt::passOver([&] { markStartMode(row, false); });
        rt::passOver([&] { rt::setCaption(Ctl(cmdSetToBump, slot), kBumpOn); });
        rt::passOver([&] { storeDeviceKey(row, "StartInBump", "0"); });
        replies.leaveToStream();
    }
    rt::passOver([&] { port->setRThreshold(1); });
}

rt::Task<> CorvisentMainControls::mnuPopupSetProximityMode_Click() {
    const std::optional<PopupSwitch> target = beginPopupSwitch(MSCommD);
    if (!target) co_return;
    const int row = target->row;
    const int slot = target->slot;
    MSCommControl* port = target->port;
    MSCommControl::EventHold hold(port); // the switch takes its replies itself
    const RowExchange exchange(row);
    const QString caption = mnuPopupSetProximityMode->text();
    if (port->portOpen() && sameText(caption, QStringLiteral("Set to Proximity mode"))) {
        co_await rt::PassOver(modCorvisent::StopAndDrain(port, &exchange));
        co_await rt::PassOver(eventModeLoop(exchange, port, "E", 300));
        if (!exchange.same()) co_return;
        mnuPopUpSetProxNotifications->setEnabled(true);
        mnuPopupSetSensitivity->setEnabled(true);
        rt::passOver([&] {
            showOk(Ctl(lblSensorStatus, row));
            QLabel* reading = Ctl(lblSensorReading, row);
            rt::setCaption(reading, QStringLiteral(" "));
            rt::setForeColor(reading, rt::vbRed);
        });
        rt::passOver([&] { iProxMode[row] = 1; });
        rt::passOver([&] { markStartMode(row, true); });
        rt::passOver([&] {
            rt::setCaption(Ctl(cmdSetToProximityMode, slot), QStringLiteral("Set to Distance Mode"));
        });
        rt::passOver([&] { storeDeviceKey(row, "StartInProx", "1"); });
    } else if (port->portOpen() && sameText(caption, QStringLiteral("Set to Distance mode"))) {
        ModeReplies replies(port);
        co_await rt::PassOver(stopStream(exchange, port, replies));
        co_await rt::PassOver(streamLoop(exchange, port, "D", 0, replies));
        if (!exchange.same()) co_return;
        rt::passOver([&] { iProxMode[row] = 0; });
        mnuPopUpSetProxNotifications->setEnabled(false);
        rt::passOver([&] { markStartMode(row, false); });
        rt::passOver([&] {
            rt::setCaption(Ctl(cmdSetToProximityMode, slot), QStringLiteral("Set to Proximity mode"));
        });
        rt::passOver([&] { storeDeviceKey(row, "StartInProx", "0"); });
        replies.leaveToStream();
    }
    rt::passOver([&] { port->setRThreshold(1); });
}

// ---------------------------------------------------------------- start modes after a connect

namespace {

// The event command, then the row shows "OK" and its flag and captions name event mode.
rt::Task<bool> startEventMode(CorvisentMainControls& w, int row, MSCommControl* port) {
    if (!port || !port->portOpen()) co_return false;
    MSCommControl::EventHold hold(port);
    const RowExchange exchange(row);
    co_await rt::PassOver(modCorvisent::SendInTwo(port, "E", exchange, 300));
    if (!exchange.same()) co_return false;
    rt::passOver([&] { showOk(Ctl(w.lblSensorStatus, row)); });
    rt::passOver([&] { rt::setCaption(Ctl(w.lblSensorReading, row), QStringLiteral(" ")); });
    w.mnuPopupSetProximityMode->setEnabled(true);
    w.mnuPopUpSetProxNotifications->setEnabled(true);
    rt::passOver([&] { markStartMode(row, true); });
    co_return true;
}

} // namespace

rt::Task<> CorvisentMainControls::StartInBumpMode(int row) {
    MSCommControl* port = nullptr;
    rt::passOver([&] { port = Ctl(MSCommA, row); });
    const bool started = co_await startEventMode(*this, row, port);
    if (!started) co_return;
    iBumpMode[row] = 1;
    mnuPopUpSetToBinaryMode->setText(QStringLiteral("Take out of Bump mode"));
    rt::passOver([&] { rt::setCaption(Ctl(cmdSetToBump, slotOfRow(row)), kBumpOff); });
}

rt::Task<> CorvisentMainControls::StartInProximityMode(int row) {
    MSCommControl* port = nullptr;
    rt::passOver([&] { port = Ctl(MSCommD, row); });
    const bool started = co_await startEventMode(*this, row, port);
    if (!started) co_return;
    iProxMode[row] = 1;
    mnuPopupSetProximityMode->setText(QStringLiteral("Set to Distance mode"));
    rt::passOver([&] {
        rt::setCaption(Ctl(cmdSetToProximityMode, slotOfRow(row)), QStringLiteral("Set to Distance Mode"));
    });
}
