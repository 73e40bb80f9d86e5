// Proximity sensor events: a change of the DSR line is presence or absence. It moves the walk-up
// and walk-away delay timers of the sensor's proximity event index, requests the alerts and the
// log-off, logs the change, locks the workstation or runs a command at once, and triggers the
// linked camera. The distance sensor in proximity mode shares these steps.
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "platform/mscomm.h"
#include "platform/shell.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
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

namespace {

const QString kPathNotSet = QStringLiteral("Path not set");
constexpr int kNormalFocus = 1; // window show mode of a started command: normal, with the focus

void start(rt::Timer* timer) {
    // A countdown already under way keeps running. Without a delay the command runs at once, so
    // no countdown is left waiting that a later delay would set off as a second run.
    if (!timer->enabled() && timer->interval() > 0) timer->setEnabled(true);
}

// Presence starts the walk-up countdown unless a walk-away countdown is still pending (with a
// real walk-away delay), and cancels the walk-away countdown; absence the reverse.
void moveDelayTimers(int p, bool presence) {
    SensorSetupControls& f = SensorSetupControls::instance();
    rt::Timer* up = Ctl(f.timerDelayEventUp, p);
    rt::Timer* away = Ctl(f.timerDelayEvent, p);
    rt::Timer* begin = presence ? up : away;
    rt::Timer* cancel = presence ? away : up;
    QLineEdit* cancelDelay = presence ? Ctl(f.txtDelayEventAway, p) : Ctl(f.txtDelayEventUp, p);
    if (sensorevents::NoDelay(cancelDelay->text()) || !cancel->enabled()) start(begin);
    if (cancel->enabled()) cancel->setEnabled(false);
}

// The device row of the camera at camera position c, 0 when no camera row holds it.
int cameraRowOf(int c) {
    for (int row = 1; row <= 10; ++row) {
        const int kind = iDeviceType(row);
        if ((kind == typeVideo || kind == typeVideo2) && RowOf(row).slot == c) return row;
    }
    return 0;
}

} // namespace

namespace modSupport {

void RunProximityCommand(int n, bool walkUp) {
    SensorSetupControls& f = SensorSetupControls::instance();
    if (!rt::optionValue(Ctl(f.optRunCommand, n))) return;
    const QString command =
        (walkUp ? Ctl(f.lblCommandOnProxApproach, n) : Ctl(f.lblCommandOnProx, n))->text();
    const QString parameters = (walkUp ? Ctl(f.lblUpParams, n) : Ctl(f.lblAwayParams, n))->text();
    if (command == kPathNotSet || command.trimmed().isEmpty()) return;
    if (iScreenSaverCmd != 0) {
        // The screen saver's " /s" is part of the command line already.
        if (platform::shell().startProgram(command, kNormalFocus) == 0)
            throw rt::VbError(53, QStringLiteral("File not found"));
        return;
    }
    // Whether the document or program could be opened is not reported.
    platform::shell().shellExecute(command, parameters, QString(), kNormalFocus);
}

} // namespace modSupport

namespace sensorevents {

long ButtonFaceColor() {
    return rt::bgrFromColor(QGuiApplication::palette().color(QPalette::Button));
}

bool ProximityLineChange(MSCommControl* port, bool presence, int kind, int row, int logSlot, int camSlot,
                         int p, const std::array<QPlainTextEdit*, 5>& boxes) {
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& f = SensorSetupControls::instance();
    // An index without action settings still shows, logs and triggers the camera.
    const bool actions = p >= 1 && p <= 4;

    rt::setCaption(Ctl(w.lblSensorReading, row), presence ? QStringLiteral("Event") : QStringLiteral(" "));
    // Each event is logged as it comes, with the state it was read with, before its alert and
    // actions, which may take a while.
    if (rt::ticked(Ctl(f.chkTabLogging, row)))
        TabLogLine(Ctl(boxes, logSlot),
                   LogTime() + QStringLiteral("- ") + (presence ? QStringLiteral("Detect") : QStringLiteral("<Reset>")));
    if (rt::ticked(Ctl(f.chkFileLogging, row)))
        FileLogLine(row, kind,
                    LogDate() + u' ' + LogTime() + QStringLiteral(", ") +
                        (presence ? QStringLiteral("Event - On") : QStringLiteral("Event - Off")));
    if (actions) {
        moveDelayTimers(p, presence);
        if (rt::optionValue(f.optLogoutOnProximity[p]))
            ProcessProximityEvent(0, kind, p);
        else if (rt::ticked(f.chkOnScreenOnProx[p]) || rt::ticked(f.chkEmailOnProx[p]))
            ProcessProximityEvent(99, kind, p);
    }

    if (actions) {
        const bool presentNow = port->dsrHolding();
        if (rt::optionValue(f.optSystemLock[p]) && !presentNow) {
            platform::shell().lockWorkStation();
            return false;
        }
        if (rt::optionValue(f.optLogoutOnProximity[p]) && !presentNow) {
            ForceLogOff();
            return false;
        }
        // Commands without delay go by the state the event started with.
        if (presence && NoDelay(f.txtDelayEventUp[p]->text()))
            RunProximityCommand(p, true);
        else if (!presence && NoDelay(f.txtDelayEventAway[p]->text()))
            RunProximityCommand(p, false);
    }

    const int camera = iProxToCam(kind, camSlot);
    if (camera >= 1 && camera <= 4 && rt::ticked(Ctl(f.chkCamUseProxim, camera))) {
        if (const int cameraRow = cameraRowOf(camera)) ProcessProximityEvent(cameraRow, kind, p);
    }
    return true;
}

} // namespace sensorevents

void CorvisentMainControls::MSCommP_OnComm(int row) {
    const QString failure = QStringLiteral("Error in MSCommP event handler: ");
    MSCommControl* port = nullptr;
    try {
        port = Ctl(MSCommP, row);
        // The event and the line are read before anything can open a box.
        const int event = port->commEvent();
        const bool presence = port->dsrHolding();
        const int slot = RowOf(row).slot;
        if (slot == 0) {
            sensorevents::PortMessage(port, failure, rt::vbOKOnly);
            return;
        }
        if (sensorevents::ReportLineError(port, event) || event != MSCommControl::comEvDSR) return;
        if (!sensorevents::ProximityLineChange(port, presence, typeProximity, row, slot, slot, iProxSlot[row],
                                               txtProximData))
            return;
        if (!port->dsrHolding()) {
            QLabel* reading = Ctl(lblSensorReading, row);
            rt::setBackColor(reading, sensorevents::ButtonFaceColor());
            rt::setCaption(reading, QStringLiteral(" "));
        }
    } catch (const rt::VbError& e) {
        sensorevents::PortMessage(port, failure + e.description(), rt::vbOKOnly);
    } catch (const std::exception& e) {
        sensorevents::PortMessage(port, failure + QString::fromLocal8Bit(e.what()), rt::vbOKOnly);
    }
}
