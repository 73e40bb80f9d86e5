// Ticks of the walk-away and walk-up delay timers: each runs its command once per start.
#include <QLineEdit>

#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "sensors/events.h"
#include "sensors/sensorops.h"
#include "setup/formSensorSetup.h"

namespace {

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

} // namespace

void formSensorSetup::timerDelayEvent_Timer(int n) {
    if (n >= 1 && n <= 4) runDelayed(timerDelayEvent[n], n, false);
}

void formSensorSetup::timerDelayEventUp_Timer(int n) {
    if (n >= 1 && n <= 4) runDelayed(timerDelayEventUp[n], n, true);
}
