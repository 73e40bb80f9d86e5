// Water sensor events: the sensor raises CD while it is wet and drops it when dry. The port
// event shows and logs the change; the row's water timer can poll the line as well.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "platform/mscomm.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "sensors/readingalerts.h"
#include "sensors/readinglogs.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using platform::MSCommControl;
using rt::Ctl;
using namespace modSupport;

namespace {

constexpr long kTabLogLimit = 2000;

void showState(CorvisentMainControls& w, int row, bool wet, const QString& wetStatus) {
    QLabel* status = Ctl(w.lblSensorStatus, row);
    QLabel* reading = Ctl(w.lblSensorReading, row);
    rt::setForeColor(status, wet ? rt::vbRed : rt::vbBlue);
    rt::setCaption(status, wet ? wetStatus : QStringLiteral("OK"));
    rt::setCaption(reading, wet ? QStringLiteral("Water") : QStringLiteral(" "));
}

// The water tab's lines go in at the box's insertion point.
void waterTabLine(QPlainTextEdit* box, const QString& line) {
    if (GetLineCount(box) >= kTabLogLimit) {
        box->clear();
        return;
    }
    box->insertPlainText(line + u'\n');
}

} // namespace

void CorvisentMainControls::MSCommW_OnComm(int row) {
    const QString failure = QStringLiteral("Error in MSCommW event handler");
    MSCommControl* port = nullptr;
    try {
        port = Ctl(MSCommW, row);
        // The event and the line are read before anything can open a box.
        const int event = port->commEvent();
        const bool wet = port->cdHolding();
        const int slot = RowOf(row).slot;
        if (slot == 0) {
            sensorevents::PortMessage(port, failure, rt::vbOKOnly);
            return;
        }
        if (sensorevents::ReportLineError(port, event) || event != MSCommControl::comEvCD) return;

        SensorSetupControls& f = SensorSetupControls::instance();
        showState(*this, row, wet, QStringLiteral("Not Ok"));
        // Logged as it comes, before the alert decision, whose channels may take a while.
        if (iDeviceType(row) == typeWater) {
            const QString T = sensorevents::LogTime();
            if (rt::ticked(Ctl(f.chkTabLogging, row)))
                waterTabLine(Ctl(txtWaterData, slot),
                             T + QStringLiteral("- ") + (wet ? QStringLiteral("* WET *") : QStringLiteral("<Dry>")));
            if (rt::ticked(Ctl(f.chkFileLogging, row)))
                sensorevents::FileLogLine(row, typeWater,
                                          sensorevents::LogDate() + u',' + T + QStringLiteral(", ") +
                                              (wet ? QStringLiteral("* WET * ") : QStringLiteral("DRY")));
        }
        // One alert per wet period: the alert decision sets the latch and clears it when dry.
        if (wet && sensorevents::AlertsOn() && !bWaterAlertOn[row]) CheckWaterEvents(row, slot, false);
        if (!wet && bWaterAlertOn[row]) CheckWaterEvents(row, slot, true);
        if (!wet) SensorBackInRange(row);
    } catch (const std::exception&) {
        sensorevents::PortMessage(port, failure, rt::vbOKOnly);
    }
}

void CorvisentMainControls::WaterTimer_Timer(int row) {
    // One box at a time per row while ticks keep coming behind an open box.
    static std::array<bool, 11> reporting{};
    try {
        MSCommControl* port = Ctl(MSCommW, row);
        const int slot = RowOf(row).slot;
        // A row without a slot is refused by the port event too; the tick leaves it alone.
        if (slot == 0) return;
        const bool wet = port->cdHolding();
        QLabel* reading = Ctl(lblSensorReading, row);
        if (wet) {
            showState(*this, row, true, QStringLiteral("Not OK"));
            rt::setFontSize(reading, 14);
            rt::setForeColor(reading, rt::vbRed);
            if (!bWaterAlertOn[row] && sensorevents::AlertsOn()) CheckWaterEvents(row, slot, false);
        } else {
            if (!bWaterAlertOn[row]) {
                showState(*this, row, false, QString());
                rt::setFontSize(reading, 12);
                rt::setCaption(reading, QString());
            } else {
                CheckWaterEvents(row, slot, true);
            }
            SensorBackInRange(row);
        }
    } catch (const std::exception&) {
        if (row < 1 || row > 10 || reporting[row]) return;
        reporting[row] = true;
        rt::MsgBox(QStringLiteral("Error in WaterTimer"), rt::vbOKOnly, QStringLiteral("Corvisent Manager"));
        reporting[row] = false;
    }
}
