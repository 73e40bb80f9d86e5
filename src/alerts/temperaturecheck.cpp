// The temperature alert decision of one reading.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "alerts/alertchannels.h"
#include "alerts/alertchecks.h"
#include "alerts/frmAlarm.h"
#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/vb.h"
#include "settings/modIni.h"
#include "setup/formSensorSetup.h"

namespace {

const QString kTemperature = QStringLiteral("Temperature");

// The temperature tab's log box of the slot carries the back-to-normal marker in its Tag.
QPlainTextEdit* markerBox(int slot) {
    if (slot < 1 || slot > 4) throw rt::VbError(9, QStringLiteral("Subscript out of range"));
    return CorvisentMain::instance().txtTempInData[slot];
}

void alarm(const QString& reading, int row, int slot) {
    formSensorSetup& s = formSensorSetup::instance();
    ShowTrayAlertIcon();
    strAlertSound = rt::appFile(QStringLiteral("alert.wav"));
    // Latches and marker are set before any channel runs; keep-sending leaves them clear.
    const bool keepSending = rt::ticked(s.chkAlwaysSendAlert);
    const bool showWindow = SwitchOn(s.chkOnScreenAlert[1]) && !bTempScreenShown[row];
    const bool mail = SwitchOn(s.chkEmailAlert[1]) && !bTempMailSent[row];
    // Set whatever path runs and whatever it reports, so one excursion mails once.
    bTempScreenShown[row] = !keepSending && (bTempScreenShown[row] || showWindow);
    bTempMailSent[row] = !keepSending && (bTempMailSent[row] || mail);
    if (rt::ticked(s.chkEmailAlert[1])) rt::setTag(markerBox(slot), QStringLiteral("1"));
    if (showWindow) RaiseAlarmWindow(row, kTemperature);
    if (mail) SendAlertMail(reading, 1, row, slot, 0);
    if (SwitchOn(s.chkPageAlert[1])) SendAlertPage(row, 1);
}

void inRange(const QString& reading, int row, int slot) {
    formSensorSetup& s = formSensorSetup::instance();
    ShowTrayNormalIcon();
    SensorBackInRange(row);
    QPlainTextEdit* marker = markerBox(slot);
    // Cleared before the notices go out.
    const bool armed = rt::tag(marker) == QLatin1String("1");
    bTempMailSent[row] = false;
    bTempScreenShown[row] = false;
    rt::setTag(marker, QStringLiteral("0"));
    if (armed) {
        SendAlertMail(reading, 1, row, slot, 1);
        if (SwitchOn(s.chkOnScreenAlert[1]))
            RaiseBackToNormalWindow(row, kTemperature, QStringLiteral("Temperature is back to normal"));
        if (SwitchOn(s.chkPageAlert[1])) SendAlertPage(row, 1);
    }
}

} // namespace

int CheckTThresh(const QString& reading, int kind, int row, int slot, int combined) {
    recordAlertCall("CheckTThresh", {reading, QString::number(kind), QString::number(row), QString::number(slot),
                                     QString::number(combined)});
    if (reading.isEmpty() || reading == QLatin1String(" ")) return 0;
    // A combined sensor shows its temperature on the row after its own.
    const int at = combined == 1 ? row + 1 : row;
    try {
        if (at < 1 || at > 10) throw rt::VbError(9, QStringLiteral("Subscript out of range"));
        formSensorSetup& s = formSensorSetup::instance();
        QLabel* status = CorvisentMain::instance().lblSensorStatus[at];
        rt::setCaption(status, QStringLiteral("OK"));
        rt::setForeColor(status, rt::vbBlue);
        const double value = rt::CDbl(reading);
        // Limits compare strictly: a reading equal to a limit is in range.
        const bool out = value > rt::Val(s.txtTempMax->text()) || value < rt::Val(s.txtTempMin->text());
        if (out) {
            rt::setCaption(status, QStringLiteral("NOT OK"));
            rt::setForeColor(status, rt::vbRed);
            alarm(reading, at, slot);
            return 1;
        }
        inRange(reading, at, slot);
    } catch (const std::exception&) {
        modIni::IniErrorLog(QStringLiteral(":13"), QStringLiteral("CheckTThresh:Error"));
    }
    return 0;
}
