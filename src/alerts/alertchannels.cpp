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
void showAlarm(frmAlarm& alarm) {
    rt::setVisible(alarm.lblSensor[0], true);
    alarm.show();
    StartAlarmSound();
}
} // namespace

void RaiseAlarmWindow(const QString& text) {
    frmAlarm& alarm = frmAlarm::instance();
    QLabel* label = alarm.lblSensor[0];
    label->setText(label->text().isEmpty() ? text : label->text() + QStringLiteral(", ") + text);
    showAlarm(alarm);
}

void RaiseBackToNormalWindow(const QString& text, const QString& backText) {
    frmAlarm& alarm = frmAlarm::instance();
    QLabel* label = alarm.lblSensor[0];
    if (label->text().isEmpty()) {
        label->setText(backText);
        rt::setVisible(alarm.lblSensor[1], false);
    } else {
        label->setText(text);
    }
    showAlarm(alarm);
}

void ShowAlarmText(const QString& text, std::optional<bool> banner) {
    frmAlarm& alarm = frmAlarm::instance();
    if (banner) rt::setVisible(alarm.lblSensor[1], *banner);
    alarm.lblSensor[0]->setText(text);
    rt::setVisible(alarm.lblSensor[0], true);
    alarm.show();
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

bool SendAlertMail(const QString& text, int kind, int row, int slot, int backToNormal) {
    if (MapiMailChosen()) return SendMail(text, kind, row, slot, backToNormal);
    if (!SmtpMailChosen()) return false;
    formEmailAlertSetup::instance().SendMailOstro(text, kind, row, slot, backToNormal, 0);
    return true;
}

int SendAlertPage(int row, int kind) {
    if (rt::optionValue(formSensorSetup::instance().optionNumericalPager)) return SendNumericPage(row, kind, 0);
    if (PhonePagerChosen()) return SendNumericPage(row, kind, 1);
    return 0;
}
