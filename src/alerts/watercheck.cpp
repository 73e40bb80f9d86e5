// The water alert decision: "Water Detected" once per excursion on every chosen channel, and the
// notices when the water is gone.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "alerts/alertchannels.h"
#include "alerts/alertchecks.h"
#include "app/CorvisentMain.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "setup/formSensorSetup.h"

namespace {

constexpr int kWater = 6;
const QString kDetected = QStringLiteral("Water Detected");
const QString kGone = QStringLiteral("Water is no longer detected");

void waterDetected(int row, int slot, QPlainTextEdit* marker) {
    formSensorSetup& s = formSensorSetup::instance();
    if (bWaterAlertOn[row]) return;
    // Latched before any channel runs; the water-gone notices clear it first in their turn.
    bWaterAlertOn[row] = !rt::ticked(s.chkAlwaysSendAlert);
    bWaterClearSent[row] = false;
    rt::setTag(marker, QStringLiteral("1"));
    if (SwitchOn(s.chkOnScreenAlert[kWater])) {
        ShowAlarmText(row, kDetected, true);
        StartAlarmSound();
    }
    if (SwitchOn(s.chkEmailAlert[kWater])) SendAlertMail(kDetected, kWater, row, slot, 0);
    if (SwitchOn(s.chkPageAlert[kWater])) SendAlertPage(row, kWater);
    ShowTrayAlertIcon();
}

void waterGone(int row, int slot, QPlainTextEdit* marker) {
    formSensorSetup& s = formSensorSetup::instance();
    if (rt::tag(marker) != QLatin1String("1")) {
        rt::setTag(marker, QStringLiteral("0"));
        return;
    }
    // Cleared before the notices go out: water found again meanwhile alerts anew.
    const bool clearSent = bWaterClearSent[row];
    bWaterClearSent[row] = !rt::ticked(s.chkAlwaysSendAlert);
    bWaterAlertOn[row] = false;
    rt::setTag(marker, QStringLiteral("0"));
    if (SwitchOn(s.chkOnScreenAlert[kWater])) {
        ShowBackToNormalText(row, QStringLiteral("Water no longer detected"));
        // The audible setting gives a box here.
        if (SwitchOn(s.chkUseAlerts)) rt::MsgBox(kGone);
    }
    if (SwitchOn(s.chkEmailAlert[kWater]) && !clearSent) SendAlertMail(kGone, kWater, row, slot, 1);
    if (SwitchOn(s.chkPageAlert[kWater])) SendAlertPage(row, kWater);
    ShowTrayAlertIcon();
}

} // namespace

void CheckWaterEvents(int row, int slot, bool waterGoneFlag) {
    recordAlertCall("CheckWaterEvents", {QString::number(row), QString::number(slot),
                                         waterGoneFlag ? QStringLiteral("True") : QStringLiteral("False")});
    try {
        rt::Ctl(CorvisentMain::instance().lblSensorStatus, row); // rows outside 1..10 end here
        QPlainTextEdit* marker = rt::Ctl(CorvisentMain::instance().txtWaterData, slot);
        if (waterGoneFlag)
            waterGone(row, slot, marker);
        else
            waterDetected(row, slot, marker);
    } catch (const std::exception&) {
        // ends without a message; latches and marker keep what they reached
    }
}
