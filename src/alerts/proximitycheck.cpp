// What a proximity event does beyond the sensor's own handler: the forced log-off, the proximity
// alert (alarm window, a single sound, mail, tray icon; no latch) and the linked camera's
// snapshot or event recording.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include "alerts/alertchannels.h"
#include "alerts/alertchecks.h"
#include "alerts/formEmailAlertSetup.h"
#include "alerts/mapimail.h"
#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "cameras/camviews.h"
#include "cameras/ezVidCap.h"
#include "platform/mscomm.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/sensorops.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using rt::Ctl;
using namespace modSupport;

namespace {

const QString kProximityMail = QStringLiteral("Proximity Detected");
constexpr int kLogOffRequest = 0;
constexpr int kAlertRequest = 99;

// Set while a log-off asked for here is under way, so that a second request is dropped.
bool g_loggingOff = false;

// The device row of the proximity-capable sensor of that kind holding the event index; 0 when none.
int rowOfEvent(int kind, int index) {
    if (kind != typeProximity && kind != typeDistance) return 0;
    for (int row = 1; row <= 10; ++row)
        if (iDeviceType(row) == kind && iProxSlot[row] == index) return row;
    return 0;
}

// The six capture options as a still picture wants them: only the third on.
void stillOptions(ezVidCap* view) {
    for (int n = 1; n <= 6; ++n)
        view->setCaptureOption(n, n == 3);
}

rt::Task<> takeSnapshot(ezVidCap* view) {
    stillOptions(view);
    co_await view->captureStill();
    view->savePicture(NewCaptureFile(QStringLiteral(".bmp")));
    view->setDisplay(true);
}

// The camera at the device row records for a few seconds or takes a picture, as its options say.
rt::Task<> cameraEvent(int cameraRow) {
    formSensorSetup& s = formSensorSetup::instance();
    CorvisentMain& m = CorvisentMain::instance();
    const int pos = CheckedSlot(RowOf(cameraRow).slot);
    // A camera shown in the summary view gives its pictures from there: its own view has no
    // camera attached meanwhile. The summary's position label outlives the view (the camera tab
    // gives the camera back to its own view), so the view must also be showing.
    const bool inSummary = SummaryShowsCamera() && int(rt::Val(rt::caption(m.lblPrevCamSubIndex))) == pos;
    if (rt::ticked(s.chkCaptureToAVI[pos])) {
        // "Auto Disconnect" keeps the recording length the timer already has.
        if (!rt::ticked(s.chkCamAutoDisc[pos])) s.timerCamEvent[pos]->setInterval(4000);
        ezVidCap* view = m.ezVidCap1[inSummary ? 0 : pos];
        stillOptions(view);
        view->startRecording();
        s.timerCamEvent[pos]->setEnabled(true);
    }
    if (rt::ticked(s.chkProximSnapCam[pos])) {
        // Saved from either view.
        co_await takeSnapshot(m.ezVidCap1[inSummary ? 0 : pos]);
    }
}

} // namespace

rt::Task<> ProcessProximityEvent(int cameraRef, int typeCode, int index) {
    recordAlertCall("ProcessProximityEvent",
                    {QString::number(cameraRef), QString::number(typeCode), QString::number(index)});
    try {
        formSensorSetup& s = formSensorSetup::instance();
        CorvisentMain& m = CorvisentMain::instance();
        const bool actions = index >= 1 && index <= 4;
        if (cameraRef == kLogOffRequest) {
            if (!actions || !rt::optionValue(s.optLogoutOnProximity[index])) co_return;
            const int row = rowOfEvent(typeCode, index);
            platform::MSCommControl* port = Ctl(typeCode == typeProximity ? m.MSCommP : m.MSCommD, row);
            // Only while nobody is present, and one log-off at a time.
            if (!port->dsrHolding() && !g_loggingOff) {
                const rt::FlagWhile loggingOff(g_loggingOff);
                co_await ForceLogOff();
            }
            co_return;
        }
        if (cameraRef == kAlertRequest) {
            if (!actions || !(rt::ticked(s.chkOnScreenOnProx[index]) || rt::ticked(s.chkEmailOnProx[index])))
                co_return;
            if (!rt::ticked(s.chkLocalMonitoring))
                CheckProximityEvents(typeCode, rowOfEvent(typeCode, index));
            co_return;
        }
        co_await cameraEvent(cameraRef);
    } catch (const std::exception&) {
        // ends without a message
    }
}

void CheckProximityEvents(int typeCode, int row) {
    recordAlertCall("CheckProximityEvents", {QString::number(typeCode), QString::number(row)});
    try {
        formSensorSetup& s = formSensorSetup::instance();
        int index = 1;
        if (typeCode == typeProximity || typeCode == typeDistance) {
            if (row < 1 || row > 10) return;
            index = iProxSlot[row];
        }
        QCheckBox* onScreen = Ctl(s.chkOnScreenOnProx, index);
        if (SwitchOn(onScreen)) {
            ShowAlarmText(row, QStringLiteral("Proximity Detect"));
            // Once per event, not looping.
            if (SwitchOn(s.chkUseAlerts)) platform::sndPlaySound(strAlertSound, platform::SND_ASYNC);
        }
        if (SwitchOn(s.chkEmailOnProx[index])) {
            if (MapiMailChosen()) {
                QueueMail(kProximityMail, typeCode, row, index, 0);
            } else if (SmtpMailChosen()) {
                // At most one SMTP mail per few seconds: the timer's tick opens the way again.
                formEmailAlertSetup& e = formEmailAlertSetup::instance();
                if (!e.timerSendOstro->enabled()) {
                    e.timerSendOstro->setEnabled(true);
                    e.SendMailOstro(kProximityMail, typeCode, row, index, 0, 0);
                }
            }
        }
        ShowTrayAlertIcon();
    } catch (const std::exception&) {
        // ends without a message
    }
}

rt::Task<> ForceLogOff() {
    recordAlertCall("ForceLogOff", {});
    try {
        // The program comes back at the next log-on, in the state it was left.
        settingsvalues::saveKey(settingsvalues::Store::Tree, "SavedState", QStringLiteral("1"));
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kRunKey,
                                     modRegistry::kRunValue, modRegistry::RunValueText());
        // A refused log-off leaves the user logged on; it is not reported.
        co_await platform::shell().logOff();
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in ForceLogOff"), rt::vbOKOnly);
    }
}
