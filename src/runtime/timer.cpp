#include "runtime/timer.h"

#include "runtime/clock.h"
#include "runtime/msgbox.h"

namespace rt {

Timer::Timer(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (QuitRequested()) return;
        // What a tick shows in a box must not hold up the other timers and ports.
        UnattendedScope scope;
        emit tick();
    });
}

void Timer::setInterval(int ms) {
    m_interval = ms < 0 ? 0 : ms;
    restart();
}

void Timer::setEnabled(bool on) {
    m_enabled = on;
    restart();
}

void Timer::restart() {
    m_timer.stop();
    if (m_enabled && m_interval > 0) {
        m_timer.setInterval(Clock::realMs(m_interval));
        m_timer.start();
    }
}

} // namespace rt
