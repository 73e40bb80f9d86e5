// Accelerometer port events: in tilt mode the sensor streams lines of an X and a Y value, in
// bump mode it raises DSR when it is bumped.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/format.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "sensors/readingalerts.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using platform::MSCommControl;
using rt::Ctl;
using namespace modSupport;
using namespace sensorevents;

namespace {

void bump(CorvisentMainControls& w, MSCommControl* port, int row, int slot, int kind) {
    SensorSetupControls& f = SensorSetupControls::instance();
    QLabel* reading = Ctl(w.lblSensorReading, row);
    rt::setFontSize(reading, 14);
    rt::setCaption(reading, QStringLiteral("BUMP"));
    if (!port->dsrHolding()) {
        rt::setCaption(reading, QStringLiteral(" "));
        return;
    }
    if (rt::ticked(Ctl(f.chkTabLogging, row)))
        TabLogLine(Ctl(w.txtAccelData, slot), LogTime() + QStringLiteral("- BUMP"));
    if (rt::ticked(Ctl(f.chkFileLogging, row)) && port->portOpen())
        FileLogLine(row, kind, LogDate() + u',' + LogTime() + QStringLiteral("- BUMP"));
    if (sensorevents::AlertsOn()) CheckBumpEvents(row, slot);
}

// One streamed reading: "X Y". X keeps the blank that ends it.
void tilt(CorvisentMainControls& w, MSCommControl* port, int row, int slot, int kind, const QString& line) {
    SensorSetupControls& f = SensorSetupControls::instance();
    if (line.contains(QLatin1String("Invalid"))) return;
    ShowReading(Ctl(w.lblSensorReading, row), line);
    const int blank = line.indexOf(u' ');
    const QString x = blank < 0 ? QString() : line.left(blank + 1);
    const QString y = blank < 0 ? line : line.mid(blank + 1);
    // Logged as it arrives, before the checks: lines handled while an alert goes out come after
    // it, each with its own time.
    // The clock is read once for both lines.
    const QDateTime now = rt::Clock::stampNow();
    const QString time = rt::formatTime12(now);
    if (rt::ticked(Ctl(f.chkTabLogging, row)))
        TabLogLine(Ctl(w.txtAccelData, slot), time + QStringLiteral(": ") + line);
    if (rt::ticked(Ctl(f.chkFileLogging, row)) && port->portOpen())
        FileLogLine(row, kind, rt::shortDate(now) + u',' + time + QStringLiteral(": ") + line);
    if (sensorevents::AlertsOn()) CheckAThresh(x, y, row, slot);
}

} // namespace

void CorvisentMainControls::MSCommA_OnComm(int row) {
    try {
        MSCommControl* port = Ctl(MSCommA, row);
        const int event = port->commEvent();
        if (SwallowModeReply(port, row, event)) return;
        const int slot = RowOf(row).slot;
        const int kind = iDeviceType(row);
        if (ReportLineError(port, event)) return;
        if (event == MSCommControl::comEvDSR) {
            bump(*this, port, row, slot, kind);
        } else if (event == MSCommControl::comEvReceive) {
            if (iBumpMode[row] == 1) {
                // Bump mode sends no readings: whatever came is not kept.
                DrainAll(port);
                rt::setCaption(Ctl(lblSensorStatus, row), QStringLiteral("OK"));
                rt::setCaption(Ctl(lblSensorReading, row), QStringLiteral(" "));
                return;
            }
            EachLine(port, [&](const QString& line) { tilt(*this, port, row, slot, kind, line); });
        }
    } catch (const std::exception&) {
        // The event ends at the failing step; what was done stays.
    }
}
