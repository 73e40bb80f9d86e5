// Pieces shared by the serial event handlers: line error messages, complete lines of a streaming
// port, the drains after a mode change, the summary reading at the screen's pace, and the tab and file
// log lines.
#include <QCheckBox>
#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "sensors/readinglogs.h"
#include "sensors/sensorops.h"
#include "sensors/streamlines.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/setupcontrols.h"

using platform::MSCommControl;

namespace modSupport {

std::array<QString, 11> strLastDistState = [] {
    std::array<QString, 11> states;
    states.fill(QStringLiteral("No Obj"));
    return states;
}();

} // namespace modSupport

namespace sensorevents {

bool AlertsOn() {
    return !rt::ticked(SensorSetupControls::instance().chkLocalMonitoring);
}

namespace {

constexpr long kTabLogLimit = 2000;
QHash<const MSCommControl*, StreamInput>& streams() {
    static QHash<const MSCommControl*, StreamInput> kept;
    return kept;
}

// Ports whose message box is open now.
QSet<const MSCommControl*>& portsWithBox() {
    static QSet<const MSCommControl*> open;
    return open;
}

QString lineErrorText(int commEvent) {
    switch (commEvent) {
    case MSCommControl::comEventFrame:
        return QStringLiteral("Framing error detected");
    case MSCommControl::comEventOverrun:
        return QStringLiteral("Error detected. Possible data loss");
    case MSCommControl::comEventRxOver:
        return QStringLiteral("RX Overflow detected");
    case MSCommControl::comEventRxParity:
        return QStringLiteral("Rx Parity Error detected");
    case MSCommControl::comEventTxFull:
        return QStringLiteral("Tx Overflow detected");
    default:
        return QString();
    }
}

// After a drain: the next input starts a fresh line only when the drained text ended a line and
// nothing was left behind. The replies owed that the drained text did not hold are still to come.
void afterDrain(const MSCommControl* port, const QByteArray& drained, int left) {
    StreamInput& kept = streams()[port];
    const bool lineEnded =
        drained.isEmpty() ? kept.partial.isEmpty() : (drained.endsWith('\r') || drained.endsWith('\n'));
    kept.partial.clear();
    kept.resync = !(left == 0 && lineEnded);
    kept.repliesOwed = std::max(0, kept.repliesOwed - int(drained.count("OK")));
}

// One frame of the label's screen in program milliseconds: its refresh rate, at most 60 a second.
int frameMs(const QWidget* label) {
    const QScreen* screen = label->screen();
    const qreal rate = screen && screen->refreshRate() > 0 ? std::min<qreal>(screen->refreshRate(), 60) : 60;
    return int(std::ceil(1000 / rate));
}

} // namespace

// Clears the row's mark of a pending mode reply; the program-wide mark stays while any row has one.
void clearModeMark(int row) {
    using modSupport::bSettingModeRow;
    bSettingModeRow[row] = false;
    modSupport::bSettingMode =
        std::any_of(bSettingModeRow.begin() + 1, bSettingModeRow.end(), [](bool marked) { return marked; });
}

void PortMessage(const MSCommControl* port, const QString& text, int style) {
    if (portsWithBox().contains(port)) return;
    portsWithBox().insert(port);
    struct Close {
        const MSCommControl* port;
        ~Close() { portsWithBox().remove(port); }
    } close{port};
    rt::MsgBox(text, style);
}

bool ReportLineError(MSCommControl* port, int commEvent) {
    const QString text = lineErrorText(commEvent);
    if (text.isEmpty()) return false;
    PortMessage(port, text, rt::vbOKOnly | rt::vbSystemModal);
    return true;
}

QStringList TakeLines(MSCommControl* port) {
    return SplitStreamLines(streams()[port], rt::fromBytes(port->input()));
}

void EachLine(MSCommControl* port, const std::function<void(const QString&)>& handle) {
    // The port's own next events wait until the whole batch is handled: a handler that waits
    // meanwhile cannot have its later lines raised before this one's.
    MSCommControl::EventHold hold(port);
    for (const QString& line : TakeLines(port)) {
        try {
            handle(line);
        } catch (const std::exception&) {
            // The line ends at its failing step.
        }
    }
}

bool SwallowModeReply(MSCommControl* port, int row, int commEvent) {
    using modSupport::bSettingModeRow;
    if (commEvent != MSCommControl::comEvReceive || row < 1 || row > 10 || !bSettingModeRow[row])
        return false;
    DrainMode(port);
    clearModeMark(row);
    return true;
}

void ExpectStartReplies(const MSCommControl* port, int count) {
    streams()[port].repliesOwed = count;
}

void DrainMode(MSCommControl* port) {
    QByteArray drained;
    while (port->inBufferCount() >= 2)
        drained += port->input();
    afterDrain(port, drained, port->inBufferCount());
}

void DrainAll(MSCommControl* port) {
    afterDrain(port, port->input(), 0);
}

bool NoDelay(const QString& text) {
    return rt::IsNumeric(text) && rt::Val(text) == 0;
}

void ShowReading(QLabel* label, const QString& text) {
    if (!label || label->text() == text) return;
    // Held before the text is set, so that the text's own repaint waits for the frame's end too.
    // A label whose updates are already off is held (by an earlier reading or with its window)
    // and is drawn with the newest text when they come back on.
    if (label->isVisible() && label->updatesEnabled()) {
        label->setUpdatesEnabled(false);
        QTimer::singleShot(rt::Clock::realMs(frameMs(label)), label,
                           [label] { label->setUpdatesEnabled(true); });
    }
    label->setText(text);
}

void TabLogLine(QPlainTextEdit* box, const QString& line) {
    if (modSupport::GetLineCount(box) >= kTabLogLimit) {
        modSupport::ClearTabLog(box);
        return;
    }
    modSupport::AddTabLogLine(box, line);
}

void FileLogLine(int row, int type, const QString& line) {
    modSupport::LogLineWriter out;
    if (!out.line(row, line)) return;
    modSupport::CheckFileSize(type, row);
    modSupport::CheckLogDirSize();
}

QString LogDate() {
    return rt::shortDate(rt::Clock::stampNow());
}
QString LogTime() {
    return rt::formatTime12(rt::Clock::stampNow());
}

} // namespace sensorevents

void CorvisentMainControls::SensorPortLost(int row, MSCommControl* port) {
    using namespace modSupport;
    if (row < 1 || row > 10) return;
    const int kind = iPortOpen[row];
    const bool eventKind = kind == typeProximity || kind == typeWater || kind == typeAccel || kind == typeDistance;
    // A port still being set up by a connect finds its device silent there.
    if (!eventKind || PortOf(row, kind) != port) return;
    // Taken back first, so that the row reads "OFF" while the box waits and no second loss of the
    // same port can be reported.
    DisconnectSensor(row, 1);
    rt::MsgBox(QStringLiteral("Sensor not responding: its device was removed.  Disconnecting sensor."),
               rt::vbInformation);
}

namespace modSupport {

void ResetStreamInput(int row) {
    if (row < 1 || row > 10) return;
    CorvisentMainControls& w = CorvisentMainControls::instance();
    sensorevents::streams().remove(w.MSCommA[row]);
    sensorevents::streams().remove(w.MSCommD[row]);
    // A mode reply still to be swallowed belongs to the connection that has ended.
    sensorevents::clearModeMark(row);
}

} // namespace modSupport
