// Distance sensor events. In distance mode the sensor streams lines naming the distance to the
// nearest object ("45cm"), "No Object", "OK" or "Error"; in proximity mode it signals presence on
// DSR like a proximity sensor.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <algorithm>

#include "platform/mscomm.h"
#include "runtime/controls.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "sensors/readingalerts.h"
#include "sensors/readinglogs.h"
#include "sensors/streamlines.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using platform::MSCommControl;
using rt::Ctl;
using namespace modSupport;
using namespace sensorevents;

namespace {

constexpr long kTabLogLimit = 2000;
const QString kNoObj = QStringLiteral("No Obj");
const QString kNoObject = QStringLiteral("No Object");

void showOk(QLabel* status) {
    rt::setFontSize(status, 14);
    rt::setCaption(status, QStringLiteral("OK"));
}

// One line of the distance stream.
void distanceLine(CorvisentMainControls& w, MSCommControl* port, int row, int slot, int type, QString line) {
    SensorSetupControls& f = SensorSetupControls::instance();
    QLabel* reading = Ctl(w.lblSensorReading, row);
    QLabel* status = Ctl(w.lblSensorStatus, row);
    QString& lastState = strLastDistState[row];
    if (iProxMode[row] == 1) {
        // In proximity mode the stream only tells that the sensor is there.
        showOk(status);
        ShowReading(reading, QStringLiteral(" "));
        return;
    }

    QString logged = line; // the value of the tab log line
    QString checked;       // what the threshold check gets; none for other lines
    bool changeLogged = false;
    bool sensorError = false;
    auto markChange = [&](bool changed) {
        rt::setTag(Ctl(w.txtDistanceData, slot), changed ? QStringLiteral("1") : QStringLiteral("0"));
    };

    if (line.contains(QLatin1String("OK"))) {
        rt::setForeColor(reading, rt::vbBlue);
        showOk(status);
    }
    if (line.contains(QLatin1String("Object"))) {
        rt::setForeColor(reading, rt::vbBlue);
        ShowReading(reading, kNoObj);
        showOk(status);
        rt::setForeColor(status, rt::vbBlue);
        logged = kNoObject;
        checked = kNoObject;
        changeLogged = lastState != kNoObj;
        if (changeLogged && rt::ticked(f.chkOutOfRangeAlert)) CheckOutOfRangeEvents(row, slot);
        markChange(changeLogged);
    } else if (const int cm = line.indexOf(QLatin1String("cm")); cm >= 0) {
        rt::setForeColor(reading, rt::vbBlue);
        ShowReading(reading, line);
        logged = line.left(cm + 2);
        checked = NumberAtEnd(line.left(cm));
        markChange(lastState == kNoObj); // the object came back
        lastState = line;
        changeLogged = true;
    } else if (line.contains(QLatin1String("Error"))) {
        sensorError = true;
        ShowReading(reading, QStringLiteral("Error"));
        line = QStringLiteral("Sensor Error");
        lastState = QString();
    }
    rt::setForeColor(reading, rt::vbBlue);

    if (line == kNoObject) {
        bDistAlertSent[row] = false;
        markChange(lastState != kNoObj);
        lastState = kNoObj;
    }
    if (sensorError) return;

    // Logged as it arrives, before the check: lines handled while an alert goes out come after
    // it, each with its own time.
    if (rt::ticked(Ctl(f.chkTabLogging, row))) {
        QPlainTextEdit* box = Ctl(w.txtDistanceData, slot);
        // This log is emptied only past its limit, and the line that found it full is kept.
        if (GetLineCount(box) > kTabLogLimit) ClearTabLog(box);
        if (changeLogged) AddTabLogLine(box, LogTime() + QStringLiteral(": ") + logged);
    }
    // Every line of distance mode goes to the file, repeated ones too.
    if (port->portOpen() && rt::ticked(Ctl(f.chkFileLogging, row)))
        FileLogLine(row, type, LogDate() + u',' + LogTime() + QStringLiteral(": ") + line);
    if (modSupport::RowOf(row).startMode == QLatin1String("0") && rt::value(f.chkLocalMonitoring) == 0 &&
        !checked.isEmpty())
        CheckDThresh(checked, row, slot);
}

} // namespace

void CorvisentMainControls::MSCommD_OnComm(int row) {
    try {
        MSCommControl* port = Ctl(MSCommD, row);
        const int event = port->commEvent();
        const bool presence = port->dsrHolding();
        if (SwallowModeReply(port, row, event)) return;
        const int slot = RowOf(row).slot;
        const int type = iDeviceType(row);
        const int p = iProxSlot[row];
        if (ReportLineError(port, event)) return;
        if (event == MSCommControl::comEvDSR) {
            if (!ProximityLineChange(port, presence, typeDistance, row, slot, slot, p, txtDistanceData)) return;
            QLabel* reading = Ctl(lblSensorReading, row);
            rt::setBackColor(reading, ButtonFaceColor());
            rt::setCaption(reading, port->dsrHolding() ? QStringLiteral("Event") : QStringLiteral(" "));
        } else if (event == MSCommControl::comEvReceive) {
            EachLine(port, [&](const QString& line) { distanceLine(*this, port, row, slot, type, line); });
        }
    } catch (const std::exception&) {
        // Failures end the event silently; what was done stays.
    }
}
