#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>
#include <tuple>

#include "platform/mscomm.h"
#include "runtime/appdir.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/camerarow.h"
#include "sensors/events.h"
#include "sensors/modCorvisent.h"
#include "sensors/readingalerts.h"
#include "sensors/readinglogs.h"
#include "sensors/sensorkinds.h"
#include "sensors/sensorops.h"
#include "settings/maincontrols.h"
#include "settings/modIni.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using platform::MSCommControl;
using rt::Ctl;

namespace modSupport {

namespace {

constexpr int kIdentityQueries = 3;
constexpr int kReplyPauseMs = 2000;
const QString kComboOrderMessage =
    QStringLiteral("This combined sensor cannot be connected: the row below it does not hold its "
                   "temperature half. Delete the sensor and add it again.");

// Kind of the type name shown in a setup row; 0 for a name that is not connected from its row.
int kindOfName(const QString& type) {
    return type == strTypeVideoMotion ? int(typeCameraUnnamed) : TypeCodeOfName(type);
}

// The identity query, up to three times; "" when the sensor never answered, the row changed or
// the program is asked to end (then nothing more is sent).
rt::Task<QString> identityReply(MSCommControl* port, const SensorKind& kind, const RowExchange& exchange) {
    MSCommControl::EventHold hold(port);
    for (int query = 0; query < kIdentityQueries && !rt::QuitRequested(); ++query) {
        const bool sent = co_await SendCommand(port, kind.identityQuery, &exchange);
        if (!sent) co_return QString();
        co_await modCorvisent::AwaitReply(port, kReplyPauseMs, &exchange);
        if (!port->portOpen() || !exchange.same()) co_return QString();
        const QString reply = rt::fromBytes(port->input());
        if (!reply.isEmpty()) co_return reply;
    }
    co_return QString();
}

void setPortOpenMark(int row, int kind) {
    iPortOpen[row] = kind;
    RecountPortOpen();
}

bool fileLoggingOn(int row) {
    return rt::value(Ctl(SensorSetupControls::instance().chkFileLogging, row)) == 1;
}
// Opens the row's log file (when file logging is on) with the name as its first line.
void openLogFile(int row, const QString& name) {
    if (!fileLoggingOn(row)) return;
    SensorSetupControls& setup = SensorSetupControls::instance();
    const QString path =
        NewLogFilePaths(rt::caption(setup.lblLogDirectory), GetDateTimeStamp(), {QStringLiteral(".txt")})
            .first();
    SetLogPath(row, path);
    CloseLogFile(row);
    StartLogFile(row, path, name);
    if (CloseAfterWrite()) CloseLogFile(row);
}

// The two log files of a combined sensor: humidity under row, temperature under row + 1, one stamp.
void openComboLogFiles(int row, int tempSlot, int humidSlot) {
    if (!fileLoggingOn(row)) return;
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    const QStringList paths = NewLogFilePaths(rt::caption(setup.lblLogDirectory), GetDateTimeStamp(),
                                              {QStringLiteral("_Humid.txt"), QStringLiteral("_Temp.txt")});
    const QString names[2] = {
        rt::caption(Ctl(w.lblHumidDeviceName, humidSlot)) + QStringLiteral(" - Humidity"),
        rt::caption(Ctl(w.lblTempDeviceName, tempSlot)) + QStringLiteral(" - Temperature")};
    for (int half = 0; half < 2; ++half) {
        SetLogPath(row + half, paths[half]);
        CloseLogFile(row + half);
        StartLogFile(row + half, paths[half], names[half]);
        if (CloseAfterWrite()) CloseLogFile(row + half);
    }
}

QString withoutQuestionMarks(const QString& reply) {
    return rt::Replace(reply, QStringLiteral("?"), QString());
}

// The messages for a reply from another kind of device.
void reportOtherDevice(const SensorKind& kind, const QString& reply) {
    if (!kind.notThisKind) {
        rt::MsgBox(QStringLiteral("Device appears to be a ") + reply, kind.appearsStyle);
        return;
    }
    rt::MsgBox(QLatin1String(kind.notThisKind));
    rt::MsgBox(QStringLiteral("Device string returned: ") + withoutQuestionMarks(reply));
}

QString temperatureUnit() {
    return rt::optionValue(SensorSetupControls::instance().optCorF) ? QStringLiteral("C")
                                                                    : QStringLiteral("F");
}

void showUnit(int row, const QString& unit) {
    QLabel* label = Ctl(CorvisentMainControls::instance().lblMeasure, row);
    rt::setCaption(label, unit);
    label->show();
}

// Temperature or humidity setup of slot k: the highest and lowest labels wait for the first reading.
void polledSetup(int row, int kind, int k) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    const bool temperature = kind == typeTemperature;
    QLabel* highest = Ctl(temperature ? w.lblTHighest : w.lblHHighest, k);
    QLabel* lowest = Ctl(temperature ? w.lblTLowest : w.lblHLowest, k);
    rt::setForeColor(highest, rt::vbRed);
    rt::setForeColor(lowest, rt::vbBlue);
    highest->show();
    lowest->show();
    (temperature ? w.bTHighLowEmpty : w.bHHighLowEmpty).at(k) = true;
    openLogFile(row, rt::caption(Ctl(temperature ? w.lblTempDeviceName : w.lblHumidDeviceName, k)));
    setPortOpenMark(row, kind);
}

void comboSetup(int row, int t, int h) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    iPortOpen[row] = typeCombo;
    iPortOpen[row + 1] = typeCombo;
    RecountPortOpen();
    for (auto [highest, lowest, empty] :
         {std::tuple{Ctl(w.lblTHighest, t), Ctl(w.lblTLowest, t), &w.bTHighLowEmpty.at(t)},
          std::tuple{Ctl(w.lblHHighest, h), Ctl(w.lblHLowest, h), &w.bHHighLowEmpty.at(h)}}) {
        rt::setForeColor(highest, rt::vbRed);
        rt::setForeColor(lowest, rt::vbBlue);
        highest->show();
        lowest->show();
        *empty = true;
    }
    rt::setForeColor(Ctl(w.lblSensorStatus, row), rt::vbBlue);
    rt::setForeColor(Ctl(w.lblSensorStatus, row + 1), rt::vbBlue);
    rt::setCaption(Ctl(w.lblSensorStatus, row + 1), QStringLiteral("OK"));
    openComboLogFiles(row, t, h);
}

// A failed connect: ports closed, the row marked disabled, "Sensor Error" and "OFF".
void failureDisplay(int row, int kind, int k) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    Ctl(setup.cmdConnectSensor, row)->setEnabled(true);
    CloseRowPorts(row);
    iPortOpen[row] = 0;
    RecountPortOpen();
    DisableRow(row);
    if (CorvisentMainControls::kindTab(kind) && k >= 1 && k <= 4) {
        rt::setCaption(Ctl(w.lblSensor1, row), rt::caption(w.SlotNameLabel(kind, k)));
        w.lblSensor1[row]->show();
    }
    QLabel* status = Ctl(w.lblSensorStatus, row);
    rt::setForeColor(status, rt::vbBlack);
    status->show();
    rt::setFontSize(status, 10);
    rt::setCaption(status, QStringLiteral("Sensor Error"));
    QLabel* reading = Ctl(w.lblSensorReading, row);
    rt::setForeColor(reading, rt::vbBlack);
    reading->show();
    rt::setFontSize(reading, 14);
    rt::setCaption(reading, QStringLiteral("OFF"));
}

void endStep(int row) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    const bool off = rt::caption(Ctl(w.lblSensorReading, row)) == QLatin1String("OFF");
    rt::setCaption(Ctl(SensorSetupControls::instance().cmdConnectSensor, row),
                   off ? QStringLiteral("Connect") : QStringLiteral("Disconnect"));
}

void setConnectCaption(int row, const char* caption) {
    rt::setCaption(Ctl(SensorSetupControls::instance().cmdConnectSensor, row), QLatin1String(caption));
}

// The green dot on the setup row (both rows of a combined sensor) and "OK" on the summary row.
QLabel* showConnectedStatus(int row, int kind) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    const QString green = rt::appFile(QStringLiteral("greendot.gif"));
    SensorSetupControls::setPicture(Ctl(setup.imgStatus, row), green);
    if (kind == typeCombo) SensorSetupControls::setPicture(Ctl(setup.imgStatus, row + 1), green);
    Ctl(setup.chkFileLogging, row)->setEnabled(false);
    QLabel* status = Ctl(w.lblSensorStatus, row);
    rt::setForeColor(status, rt::vbBlue);
    rt::setCaption(status, QStringLiteral("OK"));
    status->show();
    rt::setFontSize(status, 14);
    return status;
}

void showCameraConnected(int row, int k, QLabel* status) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    if (k >= 1 && k <= 4) rt::setCaption(Ctl(w.lblSensor1, row), rt::caption(Ctl(w.lblCamDeviceName, k)));
    rt::setCaption(status, QStringLiteral("OK"));
    Ctl(SensorSetupControls::instance().cmdDeleteMe, row)->setEnabled(false);
}

QString unitText(Unit unit) {
    return unit == Unit::Percent ? QStringLiteral("%") : temperatureUnit();
}

// The summary row takes the slot's name and the kind's unit; the kind's "no device" label goes.
void showOnSummary(int row, const SensorKind& kind, int k) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    if (CorvisentMainControls::kindTab(kind.code))
        rt::setCaption(Ctl(w.lblSensor1, row), rt::caption(w.SlotNameLabel(kind.code, k)));
    if (kind.alsoHidden) (w.*kind.alsoHidden)->hide();
    if (QLabel* none = w.NoDeviceLabel(kind.code)) none->hide();
    for (int half = 0; half < 2; ++half)
        if (kind.units[half] != Unit::None) showUnit(row + half, unitText(kind.units[half]));
    if (kind.reporting == Reporting::Polled) return;
    for (QLabel* l : {w.lblSensorReading[row], w.lblSensor1[row], w.lblSensorStatus[row]})
        l->show();
    if (kind.readingFontSize > 0) rt::setFontSize(w.lblSensorReading[row], kind.readingFontSize);
}

} // namespace

// The flags always name the mode the sensor is started in.
rt::Task<> StartDistance(RowExchange exchange, int, QString startTag) {
    const int row = exchange.row();
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    if (startTag == QLatin1String("1")) {
        w.mnuPopupSetProximityMode->setText(QStringLiteral("Set to Proximity mode"));
        rt::setValue(Ctl(setup.chkBinaryMode, row), 1);
        co_await w.StartInProximityMode(row);
    } else {
        iProxMode[row] = 0;
        rt::setValue(Ctl(setup.chkBinaryMode, row), 0);
        co_await modCorvisent::SetStreamMode(Ctl(w.MSCommD, row), typeDistance, &exchange);
    }
}

rt::Task<> StartAccel(RowExchange exchange, int k, QString startTag) {
    const int row = exchange.row();
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    const bool calibrate = RowOf(row).calibrateOnConnect;
    if (startTag.isEmpty()) co_return;
    if (startTag == QLatin1String("1")) {
        co_await w.StartInBumpMode(row);
        if (calibrate && exchange.same())
            co_await modCorvisent::CalibrateAccel(Ctl(w.MSCommA, row), row, typeAccel, k);
        co_return;
    }
    iBumpMode[row] = 0;
    rt::setValue(Ctl(setup.chkBinaryMode, row), 0);
    if (calibrate)
        co_await w.CalibrateOnConnection(row, k);
    else
        co_await modCorvisent::SetStreamMode(Ctl(w.MSCommA, row), typeAccel, &exchange);
}

namespace {

// Polled kinds start their timer and take the first reading; the streaming kinds start in their
// stored mode.
rt::Task<> startReading(const RowExchange& exchange, const SensorKind& kind, int k, QString startTag) {
    const int row = exchange.row();
    if (kind.reporting == Reporting::Polled) {
        co_await SetReadingInterval(row);
    } else if (kind.start) {
        co_await kind.start(exchange, k, startTag);
    }
}

// What a connected row shows and starts. Returns after the work of its kind is started.
rt::Task<> successDisplay(const RowExchange& exchange, int kind, int k) {
    const int row = exchange.row();
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    const QString startTag = RowOf(row).startMode;
    QLabel* status = showConnectedStatus(row, kind);
    const SensorKind* sensor = SensorKindOf(kind);
    if (!sensor) {
        showCameraConnected(row, k, status);
        co_return;
    }
    showOnSummary(row, *sensor, k);
    // Proximity and water sensors report on port events: nothing more to start.
    if (sensor->reporting == Reporting::Events) co_return;
    Ctl(w.lblSensor1, row)->show();
    rt::setFontSize(status, 14);
    status->show();
    Ctl(setup.cmdDeleteMe, row)->setEnabled(false);
    co_await startReading(exchange, *sensor, k, startTag);
}

// Gone: the row changed while the connect waited (deleted, disconnected, taken again).
enum class Outcome { Success, Failure, End, Removed, Gone };

// A camera row: its capture starts at its camera position.
rt::Task<Outcome> connectCamera(int row, int kind, int& k) {
    SensorSetupControls& setup = SensorSetupControls::instance();
    k = RowOf(row).slot;
    SetCamResolution(row, QStringLiteral("2"));
    Ctl(setup.cmdDeleteMe, row)->setEnabled(false);
    co_await setup.ConnectCam(k, row);
    // A camera that did not start has its row back in the "Connect" state already.
    if (rt::caption(Ctl(setup.cmdConnectSensor, row)) != QLatin1String("Disconnect")) co_return Outcome::End;
    setPortOpenMark(row, kind);
    SetRowKind(row, kind);
    // The connected camera's options: monitor only, or linked to one of the listed sensors.
    setup.FlipProximLabels(k, true, 1);
    setup.MakeAvailProxComboBox(k);
    co_return Outcome::Success;
}

// A sensor's display slot is uncovered and its cover remembers the row (both slots of a combined
// sensor: humidity for the row, temperature for the row below). Gives an outcome when the connect
// ends here.
std::optional<Outcome> uncoverSlots(int row, int kind, int& k, int& t, int& h) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    if (const CorvisentMainControls::KindTab* tab = CorvisentMainControls::kindTab(kind)) {
        k = CheckedSlot(RowOf(row).slot);
        (*tab->slotTable)[k] = 1;
        rt::CaptionFrame* cover = w.SlotCover(kind, k);
        cover->hide();
        rt::setTag(cover, QString::number(row));
        if (SensorKindOf(kind)->reporting == Reporting::Events) Ctl(w.lblSensorReading, row)->hide();
        if (kind == typeWater) {
            bWaterAlertOn[row] = false;
            bWaterClearSent[row] = false;
        }
        return std::nullopt;
    }
    if (kind == typeCombo) {
        // The temperature half is logged and read under the next row: any other row there
        // would share its log file and readings with this sensor.
        if (!ComboPairAt(row)) {
            rt::MsgBox(kComboOrderMessage, rt::vbExclamation);
            return Outcome::Failure;
        }
        Ctl(w.lblSensorReading, row)->show();
        Ctl(w.lblSensorReading, row + 1)->show();
        t = CheckedSlot(RowOf(row).tempSlot);
        h = CheckedSlot(RowOf(row).slot);
        Ctl(w.frameHCover, h)->hide();
        rt::setTag(w.frameHCover[h], QString::number(row));
        Ctl(w.frameTCover, t)->hide();
        rt::setTag(w.frameTCover[t], QString::number(row + 1));
        return std::nullopt;
    }
    if (kind == typeCameraUnnamed) return Outcome::Failure;
    rt::MsgBox(QStringLiteral("Device not found."), rt::vbInformation);
    return Outcome::End;
}

// Opens the row's port with its kind's line settings; nullptr when it cannot be opened.
MSCommControl* openRowPort(int row, const SensorKind& kind) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    MSCommControl* port = PortOf(row, kind.code);
    const bool polled = kind.reporting == Reporting::Polled;
    const int comNumber = rt::CInt(Ctl(SensorSetupControls::instance().txtDeviceComNumber, row)->text());
    if (polled) rt::setFontSize(Ctl(w.lblMeasure, row), 14);
    if (port->portOpen()) {
        rt::MsgBox(QStringLiteral("Port already open"));
        return nullptr;
    }
    port->setCommPort(comNumber);
    SetLine(port, kind.line);
    port->setPortOpen(true);
    if (kind.reporting == Reporting::Stream) ResetStreamInput(row);
    if (!polled) setPortOpenMark(row, kind.code);
    if (!port->portOpen()) {
        if (polled) rt::MsgBox(QStringLiteral("Port open wasn't true"));
        return nullptr;
    }
    if (kind.dropsInputOnOpen && port->inBufferCount() >= 1) port->input();
    return port;
}

// The row goes back to "Connect" after the sensor gave no answer or the wrong one.
void backToConnect(int row) {
    iPortOpen[row] = 0;
    RecountPortOpen();
    setConnectCaption(row, "Connect");
}

// Proximity, water, accelerometer and distance sensors: the reply must name the kind.
Outcome acceptEventSensor(int row, const SensorKind& kind, int k, const QString& reply) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    if (!Identifies(kind, reply)) {
        reportOtherDevice(kind, reply);
        backToConnect(row);
        return Outcome::Failure;
    }
    for (QAction* CorvisentMainControls::*menu : kind.modeMenus)
        if (menu) (w.*menu)->setEnabled(true);
    QLabel* reading = Ctl(w.lblSensorReading, row);
    rt::setCaption(reading, QString());
    openLogFile(row, rt::caption(w.SlotNameLabel(kind.code, k)));
    QPushButton* button = Ctl(setup.cmdConnectSensor, row);
    rt::setCaption(button, QStringLiteral("Disconnect"));
    button->setEnabled(true);
    if (kind.code != typeWater) rt::setForeColor(reading, rt::vbRed);
    QLabel* status = Ctl(w.lblSensorStatus, row);
    rt::setForeColor(status, rt::vbBlue);
    rt::setCaption(status, QStringLiteral("OK"));
    status->show();
    Ctl(setup.cmdDeleteMe, row)->setEnabled(false);
    SetRowKind(row, kind.code);
    return Outcome::Success;
}

// Temperature, humidity and combined rows; a combined sensor answers "Corvisent/H".
Outcome acceptPolledSensor(int row, const SensorKind& kind, int k, int t, int h, const QString& reply) {
    SensorSetupControls& setup = SensorSetupControls::instance();
    if (kind.removedOn && reply.contains(QLatin1String(kind.removedOn))) {
        rt::MsgBox(QStringLiteral("Warning: Device appears to be a ") + reply, rt::vbInformation);
        setConnectCaption(row, "Connect");
        CloseRowPorts(row);
        setup.cmdDeleteMe_Click(row);
        return Outcome::Removed;
    }
    if (!Identifies(kind, reply)) {
        reportOtherDevice(kind, reply);
        setConnectCaption(row, "Connect");
        return Outcome::Failure;
    }
    if (kind.code == typeCombo) {
        comboSetup(row, t, h);
        SetRowKind(row + 1, typeCombo);
    } else {
        polledSetup(row, kind.code, k);
    }
    SetRowKind(row, kind.code);
    QPushButton* button = Ctl(setup.cmdConnectSensor, row);
    button->setEnabled(true);
    rt::setCaption(button, QStringLiteral("Disconnect"));
    return Outcome::Success;
}

// The connect up to the point where the row is known to be connected or not: the slot, the
// port, the identity query, then the reply checked by the kind's way of reporting. The kind and
// slot found go to kind and k, which the caller keeps until this ends.
rt::Task<Outcome> connectRow(const RowExchange& exchange, int& kind, int& k) {
    const int row = exchange.row();
    kind = kindOfName(rt::caption(Ctl(SensorSetupControls::instance().lblDeviceType, row)));
    if (kind == typeVideo || kind == typeVideo2) co_return co_await connectCamera(row, kind, k);
    int t = 0, h = 0;
    if (const std::optional<Outcome> ended = uncoverSlots(row, kind, k, t, h)) co_return *ended;
    const SensorKind& sensor = *SensorKindOf(kind);
    MSCommControl* port = openRowPort(row, sensor);
    if (!port) co_return Outcome::Failure;
    const QString reply = co_await identityReply(port, sensor, exchange);
    if (!exchange.same()) co_return Outcome::Gone;
    // Asked to end meanwhile: the row goes back to "Connect" and its port is closed, without a word.
    if (rt::QuitRequested()) {
        backToConnect(row);
        co_return Outcome::Gone;
    }
    if (reply.isEmpty()) {
        rt::MsgBox(QLatin1String(sensor.noReply));
        backToConnect(row);
        co_return Outcome::Failure;
    }
    if (sensor.reporting != Reporting::Polled) co_return acceptEventSensor(row, sensor, k, reply);
    co_return acceptPolledSensor(row, sensor, k, t, h, reply);
}

// The Disconnect half of the row's Connect/Disconnect button.
void disconnectRow(int row) {
    SensorSetupControls& setup = SensorSetupControls::instance();
    setup.cmdConnectAll->setEnabled(true);
    // A camera row is taken back by the camera code; every other row by its kind, whatever its
    // port box holds now.
    const int kind = kindOfName(rt::caption(Ctl(setup.lblDeviceType, row)));
    if (kind != typeVideo && kind != typeVideo2 && kind != typeCameraUnnamed)
        DisconnectSensor(row, 0);
    else
        setup.DisconnectCam(row);
}

// A run-time error in the connect: reported, and the row taken back.
void connectError(int row, const QString& description) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    rt::MsgBox(
        QStringLiteral("Error: ") + description + QStringLiteral(".\r\n") +
        QStringLiteral(" Please make sure sensor is connected and that you have the correct COM port."));
    try {
        if (description.contains(QLatin1String("Path not found"))) {
            rt::MsgBox(
                QStringLiteral(" Please check your Log File directory setting, to make sure the directory "
                               "exists on your hard drive."));
            w.mnuSetLogDirectory_Click();
            // The row is left ready to be connected again once the folder is set.
            CloseRowPorts(row);
            if (iPortOpen[row] == typeCombo && row < 10) iPortOpen[row + 1] = 0;
            iPortOpen[row] = 0;
            RecountPortOpen();
            QPushButton* button = Ctl(setup.cmdConnectSensor, row);
            button->setEnabled(true);
            rt::setCaption(button, QStringLiteral("Connect"));
            return;
        }
        CloseRowPorts(row);
        Ctl(setup.cmdConnectSensor, row)->setEnabled(true);
        Ctl(setup.cmdDeleteMe, row)->setEnabled(true);
        QLabel* status = Ctl(w.lblSensorStatus, row);
        rt::setForeColor(status, rt::vbBlack);
        rt::setFontSize(status, 10);
        rt::setCaption(status, QStringLiteral("Sensor Error"));
        status->show();
        QLabel* reading = Ctl(w.lblSensorReading, row);
        rt::setFontSize(reading, 14);
        rt::setForeColor(reading, rt::vbBlack);
        rt::setCaption(reading, QStringLiteral("OFF"));
        reading->show();
        rt::setCaption(Ctl(setup.cmdConnectSensor, row), QStringLiteral("Disconnect"));
        disconnectRow(row);
    } catch (const std::exception&) {
    }
}

QString descriptionOf(const std::exception& e) {
    if (const auto* vb = dynamic_cast<const rt::VbError*>(&e)) return vb->description();
    return QString::fromLocal8Bit(e.what());
}

// A connect whose row changed under it: the port it opened is closed unless the row's device
// holds it now; nothing is shown.
void endQuietly(int row, int kind) {
    if (iPortOpen[row] != 0) return;
    MSCommControl* port = PortOf(row, kind);
    if (port->portOpen()) port->setPortOpen(false);
}

} // namespace

rt::Task<> ConnectSensor(int row) {
    if (row < 1 || row > 10) co_return;
    SensorSetupControls& setup = SensorSetupControls::instance();
    const RowBusy busy(row);
    const RowExchange exchange(row);
    int kind = 0, k = 0;
    QString failed; // the description of a run-time error
    try {
        Ctl(setup.cmdConnectSensor, row)->setEnabled(false);
        const Outcome outcome = co_await connectRow(exchange, kind, k);
        switch (outcome) {
        case Outcome::Removed:
            co_return;
        case Outcome::Gone:
            endQuietly(row, kind);
            co_return;
        case Outcome::Failure:
            failureDisplay(row, kind, k);
            co_return;
        case Outcome::Success:
            co_await successDisplay(exchange, kind, k);
            break;
        case Outcome::End:
            break;
        }
        if (!exchange.same()) {
            endQuietly(row, kind);
            co_return;
        }
        endStep(row);
        co_return;
    } catch (const std::exception& e) {
        failed = descriptionOf(e);
    }
    if (!exchange.same()) {
        endQuietly(row, kind);
        co_return;
    }
    connectError(row, failed);
}

rt::Task<> ToggleSensorConnection(int row) {
    rt::Hourglass hourglass;
    const RowBusy busy(row);
    try {
        SensorSetupControls& setup = SensorSetupControls::instance();
        const QString caption = rt::caption(Ctl(setup.cmdConnectSensor, row));
        if (caption == QLatin1String("Connect"))
            co_await ConnectSensor(row);
        else if (caption == QLatin1String("Disconnect"))
            disconnectRow(row);
    } catch (const std::exception& e) {
        modIni::IniErrorLog(QStringLiteral(":334"),
                            QStringLiteral("cmdConnectSensor Error: ") + descriptionOf(e));
    }
}

} // namespace modSupport
