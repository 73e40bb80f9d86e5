// The accelerometer alert decisions: tilt past each of the four limits alerts once and gives one
// back-to-normal notice when the reading is inside that limit again; every bump alerts.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <optional>
#include <utility>

#include "alerts/alertchannels.h"
#include "alerts/alertchecks.h"
#include "app/CorvisentMain.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/vb.h"
#include "setup/formSensorSetup.h"

namespace {

constexpr int kAccel = 8;     // sensor kind and alert switch row of the tilt alerts
constexpr int kBumpSwitch = 0; // alert switch row of the bump alerts

// One tilt limit: its name, its alert latch (the back-to-normal latch follows it), the status
// text while it is crossed and the text of its alert.
struct Limit {
    const char* name;
    int latch;
    const char* status;
    const char* text;
};
constexpr Limit kXMin{"XMin", 1, "X TILT -", "Below X Min Threshold"};
constexpr Limit kXMax{"XMax", 3, "X TILT +", "X Max Threshold Reached"};
constexpr Limit kYMin{"YMin", 5, "Y TILT -", "Below Y Min Threshold"};
constexpr Limit kYMax{"YMax", 7, "Y TILT +", "Y Max Threshold Reached"};

const Limit* limitNamed(const QString& name) {
    for (const Limit* l : {&kXMin, &kXMax, &kYMin, &kYMax})
        if (name == QLatin1String(l->name)) return l;
    return nullptr;
}

// The number a reading text starts with ("+12.50 ", "-05.00", "12 g"); none when it starts with
// something else.
std::optional<double> leadingNumber(const QString& text) {
    const qsizetype n = text.size();
    auto digitsFrom = [&](qsizetype i) {
        while (i < n && text[i] >= u'0' && text[i] <= u'9') ++i;
        return i;
    };
    qsizetype start = 0;
    while (start < n && text[start].isSpace()) ++start;
    qsizetype i = start;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    const qsizetype whole = digitsFrom(i);
    qsizetype end = whole;
    if (end < n && text[end] == u'.') end = digitsFrom(end + 1);
    // Digits before the point, or after it.
    if (whole == i && end <= whole + 1) return std::nullopt;
    if (end < n && (text[end] == u'e' || text[end] == u'E')) {
        qsizetype e = end + 1;
        if (e < n && (text[e] == u'+' || text[e] == u'-')) ++e;
        const qsizetype expEnd = digitsFrom(e);
        if (expEnd > e) end = expEnd;
    }
    return QStringView(text).mid(start, end - start).toDouble();
}

QPlainTextEdit* markerBox(int slot) {
    return rt::Ctl(CorvisentMain::instance().txtAccelData, slot);
}

void tiltAlert(int row, int slot, const Limit& limit) {
    formSensorSetup& s = formSensorSetup::instance();
    auto& latches = bAccelAlert[row];
    if (latches[limit.latch]) return;
    // Latched before any channel runs: readings handled while the mail or page goes out belong
    // to this excursion. With keep-sending every crossing reading alerts again.
    latches[limit.latch] = !rt::ticked(s.chkAlwaysSendAlert);
    latches[limit.latch + 1] = false;
    rt::setTag(markerBox(slot), QStringLiteral("1"));
    const QString text = QLatin1String(limit.text);
    if (SwitchOn(s.chkOnScreenAlert[kAccel])) {
        ShowAlarmText(row, QStringLiteral("Accelerometer Alert\n(") + text + u')', true);
        StartAlarmSound();
    }
    // The mail switch counts by its value alone.
    if (rt::ticked(s.chkEmailAlert[kAccel]))
        SendAlertMail(QStringLiteral("Accelerometer Alert (") + text + u')', kAccel, row, slot, 0);
    if (SwitchOn(s.chkPageAlert[kAccel])) SendAlertPage(row, kAccel);
    ShowTrayAlertIcon();
}

// The notices go out only while the slot's marker is armed; the first limit back of a slot spends
// it for the others.
void tiltBackToNormal(int row, int slot, const Limit& limit) {
    formSensorSetup& s = formSensorSetup::instance();
    QPlainTextEdit* marker = markerBox(slot);
    const bool armed = rt::tag(marker) == QLatin1String("1");
    // Cleared before the notices go out, so that a new excursion meanwhile alerts anew.
    bAccelAlert[row][limit.latch + 1] = true;
    bAccelAlert[row][limit.latch] = false;
    rt::setTag(marker, QStringLiteral("0"));
    if (armed) {
        if (SwitchOn(s.chkOnScreenAlert[kAccel]))
            ShowBackToNormalText(row, QStringLiteral("Accelerometer reading \nis now OK"));
        if (SwitchOn(s.chkEmailAlert[kAccel]))
            SendAlertMail(QStringLiteral("Accelerometer values are now OK"), kAccel, row, slot, 1);
        if (SwitchOn(s.chkPageAlert[kAccel])) SendAlertPage(row, kAccel);
    }
    ShowTrayAlertIcon();
}

} // namespace

void CheckAccelEvents(int row, int slot, bool backToNormal, const QString& limitName) {
    try {
        const Limit* limit = limitNamed(limitName);
        rt::Ctl(CorvisentMain::instance().lblSensorStatus, row); // rows outside 1..10 end here
        if (!limit) return;
        if (backToNormal)
            tiltBackToNormal(row, slot, *limit);
        else
            tiltAlert(row, slot, *limit);
    } catch (const std::exception&) {
        // ends without a message; latches and marker keep what they reached
    }
}

void CheckAThresh(const QString& x, const QString& y, int row, int slot) {
    recordAlertCall("CheckAThresh", {x, y, QString::number(row), QString::number(slot)});
    try {
        formSensorSetup& s = formSensorSetup::instance();
        const double xMin = rt::CDbl(s.txtXMinThresh->text());
        const double xMax = rt::CDbl(s.txtXMaxThresh->text());
        const double yMin = rt::CDbl(s.txtYMinThresh->text());
        const double yMax = rt::CDbl(s.txtYMaxThresh->text());
        const std::optional<double> xValue = leadingNumber(x);
        const std::optional<double> yValue = leadingNumber(y);
        if (!xValue || !yValue) return;
        QLabel* status = rt::Ctl(CorvisentMain::instance().lblSensorStatus, row);
        // Limits compare strictly: a value equal to a limit is in range. With several limits
        // crossed the label shows the last of them. The label is set once for the line, before
        // the alerts, so a reading that keeps its state changes nothing on screen.
        const std::pair<const Limit*, bool> limits[] = {
            {&kXMin, *xValue < xMin}, {&kXMax, *xValue > xMax}, {&kYMin, *yValue < yMin}, {&kYMax, *yValue > yMax}};
        const Limit* shown = nullptr;
        for (const auto& [limit, crossed] : limits)
            if (crossed) shown = limit;
        rt::setFontSize(status, shown ? 12 : 14);
        rt::setCaption(status, shown ? QLatin1String(shown->status) : QStringLiteral("OK"));
        if (!shown) SensorBackInRange(row);
        const auto& latches = bAccelAlert[row];
        for (const auto& [limit, crossed] : limits) {
            if (crossed) {
                if (!latches[limit->latch]) CheckAccelEvents(row, slot, false, QLatin1String(limit->name));
            } else if (latches[limit->latch] && !latches[limit->latch + 1]) {
                CheckAccelEvents(row, slot, true, QLatin1String(limit->name));
            }
        }
    } catch (const std::exception&) {
        // ends the check at once without a message; the label keeps what it reached
    }
}

void CheckBumpEvents(int row, int slot) {
    recordAlertCall("CheckBumpEvents", {QString::number(row), QString::number(slot)});
    try {
        rt::Ctl(CorvisentMain::instance().lblSensorStatus, row); // rows outside 1..10 end here
        formSensorSetup& s = formSensorSetup::instance();
        if (SwitchOn(s.chkOnScreenAlert[kBumpSwitch])) {
            ShowAlarmText(row, QStringLiteral("Bump "), true);
            StartAlarmSound();
        }
        if (rt::ticked(s.chkEmailAlert[kBumpSwitch])) SendAlertMail(QStringLiteral("Bump Alert"), kAccel, row, slot, 0);
        if (SwitchOn(s.chkPageAlert[kBumpSwitch])) SendAlertPage(row, kAccel);
        ShowTrayAlertIcon();
    } catch (const std::exception&) {
        // ends without a message
    }
}
