// The setup dialog's alert thresholds and alert switches: each edit is stored at once, and some
// clicks clear the alert latches so that the alert can fire again.
#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>

#include "alerts/alertchecks.h"
#include "alerts/formPagingTextMessage.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/controlvalues.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using settingsvalues::checkText;
using settingsvalues::tickedText;

namespace {


// Key, section and reset value of a threshold box (empty reset: no numeric reset).
struct Threshold {
    QLineEdit* box;
    const char* key;
    QString reset;
};

QList<Threshold> thresholds(const formSensorSetup& s) {
    return {{s.txtTempMax, "TempMax", QStringLiteral("80")},
            {s.txtTempMin, "TempMin", QStringLiteral("30")},
            {s.txtHumidMax, "HumidMax", QStringLiteral("70")},
            {s.txtHumidMin, "HumidMin", QStringLiteral("20")},
            {s.txtMaxDistanceThresh, "MaxDistanceThresh", QString()},
            {s.txtMinDistanceThresh, "MinDistanceThresh", QString()},
            {s.txtXMaxThresh, "XMaxThresh", QString()},
            {s.txtXMinThresh, "XMinThresh", QString()},
            {s.txtYMaxThresh, "YMaxThresh", QString()},
            {s.txtYMinThresh, "YMinThresh", QString()}};
}

// Leaving a limit box or moving the mouse over it runs its numeric reset.
class LimitWatcher : public QObject {
public:
    explicit LimitWatcher(formSensorSetup* setup) : QObject(setup), m_setup(setup) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut || event->type() == QEvent::MouseMove)
            m_setup->txtThreshold_LostFocus(static_cast<QLineEdit*>(watched));
        return false;
    }

private:
    formSensorSetup* m_setup;
};

} // namespace

void formSensorSetup::wireAlertHandlers() {
    auto* watcher = new LimitWatcher(this);
    for (const Threshold& t : thresholds(*this)) {
        QLineEdit* box = t.box;
        connect(box, &QLineEdit::textChanged, this, [this, box] { txtThreshold_Change(box); });
        if (!t.reset.isEmpty()) {
            box->setMouseTracking(true);
            box->installEventFilter(watcher);
        }
    }
    for (int k : {1, 2, 6, 8, 9, 0, 3}) {
        connect(chkPageAlert[k], &QCheckBox::stateChanged, this, [this, k] { chkPageAlert_Click(k); });
        connect(chkOnScreenAlert[k], &QCheckBox::stateChanged, this, [this, k] { chkOnScreenAlert_Click(k); });
        connect(chkEmailAlert[k], &QCheckBox::stateChanged, this, [this, k] { chkEmailAlert_Click(k); });
    }
    connect(chkLocalMonitoring, &QCheckBox::stateChanged, this, &formSensorSetup::chkLocalMonitoring_Click);
    connect(chkUseAlerts, &QCheckBox::stateChanged, this, &formSensorSetup::chkUseAlerts_Click);
    connect(chkAlwaysSendAlert, &QCheckBox::stateChanged, this, &formSensorSetup::chkAlwaysSendAlert_Click);
    connect(chkOutOfRangeAlert, &QCheckBox::stateChanged, this, &formSensorSetup::chkOutOfRangeAlert_Click);
    // No on-screen alarm is ticked in a new window, so there is nothing to sound yet.
    chkUseAlerts->setEnabled(false);
}

void formSensorSetup::txtThreshold_Change(QLineEdit* box) {
    if (modSupport::loading()) return;
    for (const Threshold& t : thresholds(*this))
        if (t.box == box) settingsvalues::storeFromHandler(t.key, 0, box->text());
}

void formSensorSetup::txtThreshold_LostFocus(QLineEdit* box) {
    for (const Threshold& t : thresholds(*this))
        if (t.box == box && !t.reset.isEmpty() && !rt::IsNumeric(box->text())) box->setText(t.reset);
}

void formSensorSetup::chkPageAlert_Click(int index) {
    if (modSupport::loading()) return;
    const bool on = rt::ticked(chkPageAlert[index]);
    if (on) {
        formPagingTextMessage& pager = formPagingTextMessage::instance();
        // A stored blank counts as no number.
        if (pager.txtNumToCall->text().trimmed().isEmpty()) {
            rt::MsgBox(QStringLiteral("Please enter the number to be paged."));
            rt::showInFront(&pager);
            pager.txtNumToCall->setFocus();
        }
    }
    settingsvalues::storeFromHandler("chkPageAlert", index, on ? QStringLiteral("1") : QStringLiteral("0"));
}

void formSensorSetup::chkOnScreenAlert_Click(int index) {
    if (!modSupport::loading()) {
        settingsvalues::storeFromHandler("chkOnScreenAlert", index, checkText(chkOnScreenAlert[index]));
        if (index == 1) {
            if (txtTempMax->text().isEmpty() || txtTempMin->text().isEmpty())
                rt::MsgBox(QStringLiteral("Please input a Max and Min temperature value first"));
            bTempScreenShown.fill(false);
        } else if (index == 2) {
            if (txtHumidMax->text().isEmpty() || txtHumidMin->text().isEmpty())
                rt::MsgBox(QStringLiteral("Please input a Max and Min humidity value first"));
            bHumidScreenShown.fill(false);
        }
    }
    ApplyAudibleAlertRule();
}

void formSensorSetup::ApplyAudibleAlertRule() {
    bool any = false;
    for (int k : settingsvalues::kAlertKinds)
        any = any || rt::ticked(chkOnScreenAlert[k]);
    for (int n = 1; n <= 4; ++n)
        any = any || rt::ticked(chkOnScreenOnProx[n]);
    chkUseAlerts->setEnabled(any);
    // A load keeps the stored value; only the user's clicks clear it.
    if (!any && !modSupport::loading()) rt::setValue(chkUseAlerts, 0);
}

void formSensorSetup::chkEmailAlert_Click(int index) {
    if (modSupport::loading()) return;
    const bool on = rt::ticked(chkEmailAlert[index]);
    settingsvalues::storeFromHandler("chkEmailAlert", index, on ? QStringLiteral("1") : QStringLiteral("0"));
    if (on) return;
    if (!rt::ticked(chkEmailAlert[1]))
        bTempMailSent.fill(false);
    else if (!rt::ticked(chkEmailAlert[2]))
        bHumidMailSent.fill(false);
}

void formSensorSetup::chkLocalMonitoring_Click() {
    const bool enable = !rt::ticked(chkLocalMonitoring);
    for (int k : settingsvalues::kAlertKinds)
        for (QCheckBox* box : {chkPageAlert[k], chkEmailAlert[k], chkOnScreenAlert[k]})
            box->setEnabled(enable);
    if (modSupport::loading()) return;
    settingsvalues::storeFromHandler("chkLocalMonitoring", 0, checkText(chkLocalMonitoring));
}

void formSensorSetup::chkUseAlerts_Click() {
    if (modSupport::loading()) return;
    settingsvalues::storeFromHandler("chkUseAlerts", 0, tickedText(chkUseAlerts));
}

void formSensorSetup::chkAlwaysSendAlert_Click() {
    if (modSupport::loading()) return;
    settingsvalues::storeFromHandler("chkAlwaysSendAlert", 0, checkText(chkAlwaysSendAlert));
    if (rt::ticked(chkAlwaysSendAlert)) ClearAllAlertLatches();
}

void formSensorSetup::chkOutOfRangeAlert_Click() {
    if (modSupport::loading()) return;
    settingsvalues::storeFromHandler("CheckRange", 0, checkText(chkOutOfRangeAlert));
}
