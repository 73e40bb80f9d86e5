// The humidity alert decision of one reading: the temperature decision's pattern with the
// humidity limits, switches, latches and markers, and its own differences (the alarm text is
// replaced, not appended; the mail latch follows the mail's hand-over; telephone pages are noted
// in the humidity tab's log).
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "alerts/alertchannels.h"
#include "alerts/alertchecks.h"
#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/vb.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

namespace {

constexpr int kHumidity = 2;
const QString kHumidityText = QStringLiteral("Humidity");

void alarm(const QString& reading, int row, int slot, QPlainTextEdit* marker) {
    formSensorSetup& s = formSensorSetup::instance();
    strAlertSound = rt::appFile(QStringLiteral("alert.wav"));
    ShowTrayAlertIcon();
    // Latches and marker are set before any channel runs; keep-sending leaves them clear.
    const bool keepSending = rt::ticked(s.chkAlwaysSendAlert);
    const bool showWindow = SwitchOn(s.chkOnScreenAlert[kHumidity]) && !bHumidScreenShown[row];
    const bool mail = SwitchOn(s.chkEmailAlert[kHumidity]) && !bHumidMailSent[row];
    bHumidScreenShown[row] = !keepSending && (bHumidScreenShown[row] || showWindow);
    bHumidMailSent[row] = !keepSending && (bHumidMailSent[row] || mail);
    if (rt::ticked(s.chkEmailAlert[kHumidity])) rt::setTag(marker, QStringLiteral("1"));
    if (showWindow) {
        ShowAlarmText(row, kHumidityText);
        StartAlarmSound();
    }
    // What a channel reports later is about the sensor the row holds now: a row that has been
    // disconnected, deleted or taken by another device since is left alone.
    const modSupport::RowExchange asked(row);
    // A mail that did not go is tried again at the next reading out of range.
    auto retry = [asked] {
        if (asked.same()) bHumidMailSent[asked.row()] = false;
    };
    if (mail && !SendAlertMail(reading, kHumidity, row, slot, 0, retry)) bHumidMailSent[row] = false;
    if (SwitchOn(s.chkPageAlert[kHumidity])) {
        QPlainTextEdit* notes = rt::Ctl(CorvisentMain::instance().txtHumidInData, slot);
        const bool phone = PhonePagerChosen();
        SendAlertPage(row, kHumidity, [notes, phone, asked](int result) {
            if (phone && asked.same())
                notes->insertPlainText(result == 1 ? QStringLiteral("\nAlert Not sent") : QStringLiteral("\nAlert sent"));
        });
    }
}

void inRange(const QString& reading, int row, int slot, QPlainTextEdit* marker) {
    formSensorSetup& s = formSensorSetup::instance();
    ShowTrayNormalIcon();
    SensorBackInRange(row);
    // Cleared before the notices go out.
    const bool armed = rt::tag(marker) == QLatin1String("1");
    bHumidMailSent[row] = false;
    bHumidScreenShown[row] = false;
    rt::setTag(marker, QStringLiteral("0"));
    if (armed) {
        SendAlertMail(reading, kHumidity, row, slot, 1);
        if (SwitchOn(s.chkOnScreenAlert[kHumidity]))
            RaiseBackToNormalWindow(row, kHumidityText, QStringLiteral("Humidity is back to normal"));
        if (SwitchOn(s.chkPageAlert[kHumidity])) SendAlertPage(row, kHumidity);
    }
}

} // namespace

void CheckHThresh(const QString& reading, int kind, int row, int slot, int combined) {
    recordAlertCall("CheckHThresh", {reading, QString::number(kind), QString::number(row), QString::number(slot),
                                     QString::number(combined)});
    if (reading.isEmpty() || reading == QLatin1String(" ")) return;
    // A combined sensor shows its humidity on its own row, so the row is used as passed.
    try {
        formSensorSetup& s = formSensorSetup::instance();
        QLabel* status = rt::Ctl(CorvisentMain::instance().lblSensorStatus, row);
        QPlainTextEdit* marker = rt::Ctl(CorvisentMain::instance().txtHumidInData, slot);
        rt::setCaption(status, QStringLiteral("OK"));
        rt::setForeColor(status, rt::vbBlue);
        const double value = rt::CDbl(reading);
        // Limits compare strictly: a reading equal to a limit is in range.
        if (value > rt::Val(s.txtHumidMax->text()) || value < rt::Val(s.txtHumidMin->text())) {
            rt::setCaption(status, QStringLiteral("NOT OK"));
            rt::setForeColor(status, rt::vbRed);
            alarm(reading, row, slot, marker);
        } else {
            inRange(reading, row, slot, marker);
        }
    } catch (const std::exception&) {
        // A reading that is not a number (or a row or slot outside the tables) ends the check.
    }
}
