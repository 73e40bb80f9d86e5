#include "alerts/alertchannels.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/frmAlarm.h"
#include "alerts/mapimail.h"
#include "alerts/paging.h"
#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "app/systray.h"
#include "platform/sound.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "setup/formSensorSetup.h"

bool SwitchOn(const QCheckBox* box) {
    return box && rt::ticked(box) && rt::ownEnabled(box);
}

void ShowTrayAlertIcon() {
    QRadioButton* sysTray = formSensorSetup::instance().optSysTray;
    if (!rt::optionValue(sysTray)) return;
    CorvisentMain& m = CorvisentMain::instance();
    ChangeIconInTray(&m, 0, m.ImageList1(2));
    rt::setTag(sysTray, QStringLiteral("1"));
}

void ShowTrayNormalIcon() {
    QRadioButton* sysTray = formSensorSetup::instance().optSysTray;
    if (!rt::optionValue(sysTray) || rt::tag(sysTray) == QLatin1String("1")) return;
    CorvisentMain& m = CorvisentMain::instance();
    ChangeIconInTray(&m, 0, m.ImageList1(1));
    rt::setTag(sysTray, QStringLiteral("0"));
}

void StartAlarmSound() {
    if (SwitchOn(formSensorSetup::instance().chkUseAlerts))
        platform::sndPlaySound(strAlertSound, platform::SND_ASYNC | platform::SND_LOOP);
}

namespace {

// Shows the window, naming the device row whose check raised it, whether its alarm goes on
// (inAlarm) or ends, and when.
void showWindow(frmAlarm& alarm, int row, bool inAlarm) {
    const auto& names = CorvisentMain::instance().lblSensor1;
    const bool named = row >= 1 && row < int(names.size()) && names[size_t(row)];
    alarm.showTriggered(row, named ? rt::caption(names[size_t(row)]) : QString(), inAlarm, rt::Clock::now());
    rt::setVisible(alarm.lblSensor[0], true);
    alarm.bringToFront();
}

void showAlarm(frmAlarm& alarm, int row, bool inAlarm) {
    showWindow(alarm, row, inAlarm);
    StartAlarmSound();
}

} // namespace

void SensorBackInRange(int row) {
    if (frmAlarm::loaded()) frmAlarm::instance().sensorBackInRange(row);
}

void RaiseAlarmWindow(int row, const QString& text) {
    frmAlarm& alarm = frmAlarm::instance();
    QLabel* label = alarm.lblSensor[0];
    // With "Keep sending" every reading comes here; a kind already listed is not listed again.
    if (label->text().isEmpty())
        label->setText(text);
    else if (!label->text().split(QStringLiteral(", ")).contains(text))
        label->setText(label->text() + QStringLiteral(", ") + text);
    showAlarm(alarm, row, true);
}

void RaiseBackToNormalWindow(int row, const QString& text, const QString& backText) {
    frmAlarm& alarm = frmAlarm::instance();
    QLabel* label = alarm.lblSensor[0];
    if (label->text().isEmpty()) {
        label->setText(backText);
        rt::setVisible(alarm.lblSensor[1], false);
    } else {
        label->setText(text);
    }
    showAlarm(alarm, row, false);
}

void ShowAlarmText(int row, const QString& text, bool showBanner) {
    frmAlarm& alarm = frmAlarm::instance();
    if (showBanner) rt::setVisible(alarm.lblSensor[1], true);
    alarm.lblSensor[0]->setText(text);
    showWindow(alarm, row, true);
}

void ShowBackToNormalText(int row, const QString& text) {
    frmAlarm& alarm = frmAlarm::instance();
    rt::setVisible(alarm.lblSensor[1], false);
    alarm.lblSensor[0]->setText(text);
    showWindow(alarm, row, false);
}

bool MapiMailChosen() {
    return rt::optionValue(formSensorSetup::instance().optUseMAPI);
}
bool SmtpMailChosen() {
    return rt::optionValue(formSensorSetup::instance().optUseSMTP);
}
bool PhonePagerChosen() {
    formSensorSetup& setup = formSensorSetup::instance();
    return !rt::optionValue(setup.optionNumericalPager) && rt::optionValue(setup.optionPhonePager);
}

bool SendAlertMail(const QString& text, int kind, int row, int slot, int backToNormal,
                   std::function<void()> onFailed) {
    if (MapiMailChosen()) {
        QueueMail(text, kind, row, slot, backToNormal, std::move(onFailed));
        return true;
    }
    if (!SmtpMailChosen()) return false;
    formEmailAlertSetup::instance().SendMailOstro(text, kind, row, slot, backToNormal, 0);
    return true;
}

void SendAlertPage(int row, int kind, std::function<void(int)> done) {
    if (rt::optionValue(formSensorSetup::instance().optionNumericalPager))
        QueueNumericPage(row, kind, 0, std::move(done));
    else if (PhonePagerChosen())
        QueueNumericPage(row, kind, 1, std::move(done));
}
