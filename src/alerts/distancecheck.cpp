// The distance alert decisions: a reading against the minimum and maximum distance, the distance
// alarm once per excursion with its back-to-normal notices, and the object leaving the range.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "alerts/alertchannels.h"
#include "alerts/alertchecks.h"
#include "alerts/paging.h"
#include "app/CorvisentMain.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "setup/formSensorSetup.h"

namespace {

constexpr int kDistance = 9;
const QString kBackToNormal = QStringLiteral("Distance back to normal");
const QString kOutOfRange = QStringLiteral("Object has gone out of range");

QPlainTextEdit* markerBox(int slot) {
    return rt::Ctl(CorvisentMain::instance().txtDistanceData, slot);
}
bool armed(int slot) {
    return rt::tag(markerBox(slot)) == QLatin1String("1");
}

void showStatus(int row, const QString& text, bool alarm) {
    QLabel* status = rt::Ctl(CorvisentMain::instance().lblSensorStatus, row);
    rt::setCaption(status, text);
    rt::setFontSize(status, alarm ? 12 : 14);
    rt::setForeColor(status, alarm ? rt::vbRed : rt::vbBlue);
}

void distanceAlarm(int row, int slot, const QString& state) {
    formSensorSetup& s = formSensorSetup::instance();
    if (bDistAlertSent[row]) return;
    // Latched, and the marker spent, before any channel runs: lines handled while the mail or
    // page goes out belong to this excursion.
    const bool mailArmed = armed(slot);
    rt::setTag(markerBox(slot), QStringLiteral("0"));
    bDistAlertSent[row] = !rt::ticked(s.chkAlwaysSendAlert);
    if (SwitchOn(s.chkOnScreenAlert[kDistance])) {
        ShowAlarmText(row, state, true);
        StartAlarmSound();
    }
    // The mail carries the state the alarm window shows.
    if (rt::ticked(s.chkEmailAlert[kDistance]) && mailArmed) SendAlertMail(state, kDistance, row, slot, 0);
    if (SwitchOn(s.chkPageAlert[kDistance])) SendAlertPage(row, kDistance);
    ShowTrayAlertIcon();
}

void distanceBackToNormal(int row, int slot) {
    formSensorSetup& s = formSensorSetup::instance();
    // Cleared before the notices go out, so that a new excursion meanwhile alerts anew.
    const bool wasArmed = armed(slot);
    rt::setTag(markerBox(slot), QStringLiteral("0"));
    bDistAlertSent[row] = false;
    if (wasArmed && SwitchOn(s.chkOnScreenAlert[kDistance])) ShowBackToNormalText(row, kBackToNormal);
    // The SMTP path spends the marker before its mail: no page follows an SMTP notice.
    bool pageArmed = wasArmed;
    if (wasArmed && rt::ticked(s.chkEmailAlert[kDistance])) {
        if (!MapiMailChosen() && SmtpMailChosen()) pageArmed = false;
        SendAlertMail(kBackToNormal, kDistance, row, slot, 1);
    }
    if (pageArmed && SwitchOn(s.chkPageAlert[kDistance])) SendAlertPage(row, kDistance);
    ShowTrayAlertIcon();
}

} // namespace

void CheckDistanceEvents(int row, int slot, bool backToNormal, const QString& state) {
    try {
        rt::Ctl(CorvisentMain::instance().lblSensorStatus, row); // rows outside 1..10 end here
        if (backToNormal)
            distanceBackToNormal(row, slot);
        else
            distanceAlarm(row, slot, state);
    } catch (const std::exception&) {
        // the first failing step ends the evaluation
    }
}

void CheckDThresh(const QString& reading, int row, int slot) {
    recordAlertCall("CheckDThresh", {reading, QString::number(row), QString::number(slot)});
    if (reading == QLatin1String("No Object")) {
        rt::passOver([&] { showStatus(row, QStringLiteral("OK"), false); });
        return;
    }
    formSensorSetup& s = formSensorSetup::instance();
    const double value = rt::Val(reading);
    const double minimum = rt::Val(s.txtMinDistanceThresh->text());
    const double maximum = rt::Val(s.txtMaxDistanceThresh->text());
    rt::passOver(
        [&] { rt::setForeColor(rt::Ctl(CorvisentMain::instance().lblSensorReading, row), rt::vbBlue); });
    rt::passOver([&] { showStatus(row, QStringLiteral("OK"), false); });
    if (value < minimum) {
        rt::passOver([&] { showStatus(row, QStringLiteral("Too Close"), true); });
        CheckDistanceEvents(row, slot, false, reading + QStringLiteral(": Too Close"));
    } else if (value > maximum) {
        rt::passOver([&] { showStatus(row, QStringLiteral("Over Max"), true); });
        CheckDistanceEvents(row, slot, false, QStringLiteral("Over Max"));
    } else if (value > minimum && value < maximum) {
        // A reading equal to a limit is "OK" but does not count as back in range.
        SensorBackInRange(row);
        rt::passOver([&] {
            if (armed(slot)) CheckDistanceEvents(row, slot, true, QStringLiteral("Distance Ok"));
        });
    }
}

void CheckOutOfRangeEvents(int row, int slot) {
    recordAlertCall("CheckOutOfRangeEvents", {QString::number(row), QString::number(slot)});
    formSensorSetup& s = formSensorSetup::instance();
    rt::passOver([&] {
        if (!SwitchOn(s.chkOnScreenAlert[kDistance])) return;
        ShowAlarmText(row, kOutOfRange, true);
        StartAlarmSound();
    });
    rt::passOver([&] {
        if (SwitchOn(s.chkEmailAlert[kDistance]) && armed(slot)) SendAlertMail(kOutOfRange, kDistance, row, slot, 0);
    });
    rt::passOver([&] {
        if (!SwitchOn(s.chkPageAlert[kDistance])) return;
        SendAlertPage(row, kDistance, [phone = PhonePagerChosen()](int result) {
            if (result == 1 && phone)
                rt::MsgBox(QStringLiteral("The telephone alert for the distance sensor did not go through."),
                           rt::vbCritical);
        });
    });
    rt::passOver([] { ShowTrayAlertIcon(); });
}
