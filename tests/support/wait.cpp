#include "support/wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace rt {

namespace {

// Sleeps until an event has been handled, the program is asked to end, or realMs have passed.
void sleepForEvent(int realMs) {
    WatchEndRequest();
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    bound.start(realMs);
    // Without a time limit this blocks until there is an event to handle (the limited overload
    // returns at once when none is pending).
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// The loop of every wait: runs the events, then sleeps until the next one, until pred() holds,
// leftRealUs() (real microseconds left) comes to nothing or, unless the wait goes on at the end,
// the program is asked to end.
bool waitLoop(const std::function<bool()>& pred, const std::function<double()>& leftRealUs, AtEnd atEnd) {
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (pred())
            return true;
        // Looked at after every wake-up: an event may have changed the clock's speed.
        const double realUs = leftRealUs();
        if (realUs <= 0.0 || (atEnd == AtEnd::Return && QuitRequested()))
            return false;
        // On a fast clock less than a real millisecond may be left: a timer could not end the
        // wait before a millisecond, when events due later than its bound would run inside it.
        if (realUs < 1000.0)
            ::usleep(static_cast<useconds_t>(std::max(1.0, realUs)));
        else
            sleepForEvent(static_cast<int>(std::min(2e9, std::round(realUs / 1000.0))));
    }
}

} // namespace

void Wait(int ms) {
    WaitUntil([] { return false; }, ms);
}

bool WaitUntil(const std::function<bool()>& pred, int ms) {
    const qint64 end = Clock::elapsedMs() + std::max(0, ms);
    return waitLoop(pred, [end] { return 1000.0 * static_cast<double>(end - Clock::elapsedMs()) / Clock::speed(); },
                    AtEnd::Return);
}

bool WaitUntilReal(const std::function<bool()>& pred, int realMs, AtEnd atEnd) {
    QElapsedTimer since;
    since.start();
    const qint64 boundNs = static_cast<qint64>(std::max(0, realMs)) * 1000000;
    return waitLoop(pred, [&] { return static_cast<double>(boundNs - since.nsecsElapsed()) / 1000.0; }, atEnd);
}

} // namespace rt
