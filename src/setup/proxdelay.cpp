// The proximity action panels of the setup window: the action options with their immediate saves,
// the command boxes and their browse buttons, the delay boxes that set the delay timers, the
// timers' ticks, and the panel's alert switches.
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using modSupport::loading;

namespace {

const QString kPathNotSet = QStringLiteral("Path not set");
const QString kBrowseFilter =
    QStringLiteral("All files (*.*)|*.*|Shortcut (*.lnk)|*.lnk|Screen Savers (*.scr)|*.scr|Executable Files "
                   "(*.exe)|*.exe|Batch Files (*.bat)|*.bat");
// Default delays in seconds, put back when a delay box holds no usable number.
const QString kAwayDefault = QStringLiteral("10");
const QString kUpDefault = QStringLiteral("5");

QString bit(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

void save(const char* key, int n, const QString& value) {
    settingsvalues::storeFromHandler(key, n, value);
}

bool valid(int n) {
    return n >= 1 && n <= 4;
}

// Runs a handler when its box loses the focus.
class FocusLeave : public QObject {
public:
    FocusLeave(QWidget* box, std::function<void()> handler) : QObject(box), m_handler(std::move(handler)) {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) m_handler();
        return false;
    }

private:
    std::function<void()> m_handler;
};

// Checks a delay box and sets its timer: 0 to 60 seconds (fractions allowed) are taken as typed;
// other numbers are refused with a message, and they and texts that are not numbers give the
// default. A direction without a command has no delay.
void checkDelay(QLineEdit* delay, const QLineEdit* command, rt::Timer* timer, const QString& fallback) {
    if (command->text() == kPathNotSet) {
        delay->setText(QStringLiteral("0"));
        return;
    }
    const QString text = delay->text();
    if (rt::IsNumeric(text)) {
        const double seconds = rt::CDbl(text);
        // Whole-number rounding (half to even) takes 60.5 to 60 and 60.6 to 61; below zero is refused.
        if (seconds >= 0 && seconds <= 60.5) {
            timer->setInterval(qRound(seconds * 1000));
            return;
        }
        rt::MsgBox(QStringLiteral("Delay has to be between 1 and 60 seconds."));
    }
    delay->setText(fallback);
    timer->setInterval(int(rt::Val(fallback)) * 1000);
}

void runDelayed(rt::Timer* timer, int n, bool walkUp) {
    // Stopped first, so that a command that cannot be started is reported once, not every interval.
    timer->setEnabled(false);
    try {
        modSupport::RunProximityCommand(n, walkUp);
    } catch (const rt::VbError& e) {
        rt::MsgBox(e.description());
    } catch (const std::exception& e) {
        rt::MsgBox(QString::fromLocal8Bit(e.what()));
    }
}

// A screen saver file: its name ends in ".scr" (a folder name holding ".scr" does not count).
bool isScreenSaverFile(const QString& file) {
    return file.endsWith(QLatin1String(".scr"), Qt::CaseInsensitive);
}

} // namespace

void formSensorSetup::wireProximityPanels() {
    for (int n = 1; n <= 4; ++n) {
        const std::pair<QRadioButton*, void (formSensorSetup::*)(int)> options[] = {
            {optSysCommandDisabled[n], &formSensorSetup::optSysCommandDisabled_Click},
            {optLogoutOnProximity[n], &formSensorSetup::optLogoutOnProximity_Click},
            {optSystemLock[n], &formSensorSetup::optSystemLock_Click},
            {optRunCommand[n], &formSensorSetup::optRunCommand_Click}};
        for (const auto& [option, handler] : options)
            connect(option, &QRadioButton::toggled, this, [this, n, handler = handler](bool on) {
                if (on) (this->*handler)(n);
            });
        connect(chkOnScreenOnProx[n], &QCheckBox::stateChanged, this,
                [this, n] { chkOnScreenOnProx_Click(n); });
        connect(chkEmailOnProx[n], &QCheckBox::stateChanged, this, [this, n] { chkEmailOnProx_Click(n); });
        new FocusLeave(lblCommandOnProx[n], [this, n] { lblCommandOnProx_LostFocus(n); });
        new FocusLeave(lblCommandOnProxApproach[n], [this, n] { lblCommandOnProxApproach_LostFocus(n); });
        new FocusLeave(txtDelayEventAway[n], [this, n] { txtDelayEventAway_LostFocus(n); });
        new FocusLeave(txtDelayEventUp[n], [this, n] { txtDelayEventUp_LostFocus(n); });
        auto* grid = qobject_cast<QGridLayout*>(frameProxBehavior[n]->layout());
        for (int i : {2 * n - 1, 2 * n}) {
            cmdBrowse[i] = new QPushButton(QStringLiteral("Browse..."), frameProxBehavior[n]);
            cmdBrowse[i]->setObjectName(QStringLiteral("cmdBrowse(%1)").arg(i));
            cmdBrowse[i]->setAutoDefault(false);
            if (grid) grid->addWidget(cmdBrowse[i], i % 2 ? 4 : 5, 4);
            connect(cmdBrowse[i], &QPushButton::clicked, this, [this, i] { cmdBrowse_Click(i); });
        }
    }
}

// ---- Action options: each stores its choice and clears the other three.

void formSensorSetup::optLogoutOnProximity_Click(int n) {
    if (!valid(n) || loading()) return;
    try {
        const bool on = rt::optionValue(optLogoutOnProximity[n]);
        save("optLogoutOnProximity", n, bit(on));
        if (!on) return;
        for (const char* other : {"optRunCommand", "optSystemLock", "optSysCommandDisabled"})
            save(other, n, bit(false));
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Logout on prox error"));
    }
}

void formSensorSetup::optSystemLock_Click(int n) {
    if (!valid(n) || loading()) return;
    const bool on = rt::optionValue(optSystemLock[n]);
    save("optSystemLock", n, bit(on));
    if (!on) return;
    for (const char* other : {"optRunCommand", "optLogoutOnProximity", "optSysCommandDisabled"})
        save(other, n, bit(false));
}

void formSensorSetup::optRunCommand_Click(int n) {
    if (!valid(n) || loading()) return;
    // The loader marks the option it selects with "0".
    if (!rt::optionValue(optRunCommand[n]) || rt::tag(optRunCommand[n]) == QLatin1String("0")) return;
    save("optRunCommand", n, bit(true));
    for (const char* other : {"optSystemLock", "optLogoutOnProximity", "optSysCommandDisabled"})
        save(other, n, bit(false));
}

void formSensorSetup::optSysCommandDisabled_Click(int n) {
    if (!valid(n)) return;
    // The panel is emptied in any case; the delay timers keep their intervals.
    txtDelayEventAway[n]->setText(QStringLiteral("0"));
    txtDelayEventUp[n]->setText(QStringLiteral("0"));
    lblCommandOnProx[n]->setText(kPathNotSet);
    lblCommandOnProxApproach[n]->setText(kPathNotSet);
    if (loading()) return;
    const bool on = rt::optionValue(optSysCommandDisabled[n]);
    save("optSysCommandDisabled", n, bit(on));
    // A log-off wrote the autostart entry so that the program comes back at the next log-on; with
    // no action left it goes again, unless the user asked for the program to start with the session.
    if (on && !rt::ticked(chkPlaceInStartup)) {
        settingsvalues::saveKey(settingsvalues::Store::Tree, "SavedState", QStringLiteral("0"));
        modRegistry::DeleteRegValue(modRegistry::kRunKey, modRegistry::kRunValue);
    }
    for (const char* other : {"optRunCommand", "optSystemLock", "optLogoutOnProximity"})
        save(other, n, bit(false));
    save("ProximityRunCommand", n, kPathNotSet);
    save("ProximityRunCommandApproach", n, kPathNotSet);
    save("DelayEventAway", n, QStringLiteral("0"));
    save("DelayEventUp", n, QStringLiteral("0"));
}

// ---- Commands.

void formSensorSetup::cmdBrowse_Click(int i) {
    if (i < 1 || i > 8) return;
    const int n = (i + 1) / 2;
    const bool walkUp = i % 2 == 0;
    QString file = rt::ShowOpen(walkUp ? QStringLiteral("Walk Up Event") : QStringLiteral("Walk Away Event"),
                                kBrowseFilter);
    if (!file.isEmpty()) {
        if (isScreenSaverFile(file)) {
            file += QStringLiteral(" /s");
            modSupport::iScreenSaverCmd = 1;
        }
        (walkUp ? lblCommandOnProxApproach : lblCommandOnProx)[n]->setText(file);
        if (!loading())
            save(walkUp ? "ProximityRunCommandApproach" : "ProximityRunCommand", n, file);
        rt::setOptionValue(optRunCommand[n], true);
    }
    optRunCommand_Click(n);
}

void formSensorSetup::lblCommandOnProx_LostFocus(int n) {
    if (!valid(n) || !lblCommandOnProx[n]->text().trimmed().isEmpty()) return;
    lblCommandOnProx[n]->setText(kPathNotSet);
    txtDelayEventAway[n]->setText(QStringLiteral("0"));
}

void formSensorSetup::lblCommandOnProxApproach_LostFocus(int n) {
    if (!valid(n) || !lblCommandOnProxApproach[n]->text().trimmed().isEmpty()) return;
    lblCommandOnProxApproach[n]->setText(kPathNotSet);
    txtDelayEventUp[n]->setText(QStringLiteral("0"));
}

void formSensorSetup::txtDelayEventAway_LostFocus(int n) {
    if (valid(n)) checkDelay(txtDelayEventAway[n], lblCommandOnProx[n], timerDelayEvent[n], kAwayDefault);
}

void formSensorSetup::txtDelayEventUp_LostFocus(int n) {
    if (valid(n))
        checkDelay(txtDelayEventUp[n], lblCommandOnProxApproach[n], timerDelayEventUp[n], kUpDefault);
}

void formSensorSetup::timerDelayEvent_Timer(int n) {
    if (valid(n)) runDelayed(timerDelayEvent[n], n, false);
}

void formSensorSetup::timerDelayEventUp_Timer(int n) {
    if (valid(n)) runDelayed(timerDelayEventUp[n], n, true);
}

// ---- Alert switches of a panel, stored under the panel's own number.

void formSensorSetup::chkEmailOnProx_Click(int n) {
    if (!valid(n) || loading()) return;
    save("chkEmailOnProx", n, QString::number(rt::value(chkEmailOnProx[n])));
}

void formSensorSetup::chkOnScreenOnProx_Click(int n) {
    if (!valid(n)) return;
    if (loading()) {
        ApplyAudibleAlertRule();
        return;
    }
    // The alarm of a proximity event sounds by default: ticking turns "Local Audible Alert" on.
    // Unticking leaves it to the rule, so the other on-screen alarms keep their sound.
    const bool on = rt::ticked(chkOnScreenOnProx[n]);
    ApplyAudibleAlertRule();
    if (on) rt::setValue(chkUseAlerts, 1);
    save("chkOnScreenProx", n, bit(on));
}
