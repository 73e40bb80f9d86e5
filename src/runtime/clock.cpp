#include "runtime/clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <sys/eventfd.h>
#include <sys/time.h>
#include <unistd.h>

namespace rt {
namespace {

struct ClockState {
    QElapsedTimer real;          // real time since the last re-base
    qint64 virtualBase = 0;      // program ms at the last re-base
    double speed = 1.0;
    qint64 wallOffsetMs = 0;     // set date-time minus the running date-time, in ms
    bool wallSet = false;
    QDateTime wallAtStart = QDateTime::currentDateTime();
    ClockState() { real.start(); }
};

ClockState& state() {
    static ClockState s;
    return s;
}

void rebase() {
    ClockState& s = state();
    s.virtualBase = Clock::elapsedMs();
    s.real.restart();
}

} // namespace

qint64 Clock::elapsedMs() {
    const ClockState& s = state();
    return s.virtualBase + static_cast<qint64>(std::llround(s.real.nsecsElapsed() / 1e6 * s.speed));
}

static QDateTime runningNow() {
    const ClockState& s = state();
    return s.wallAtStart.addMSecs(Clock::elapsedMs());
}

QDateTime Clock::now() {
    // Untouched, the clock is the system's; once sped up or set, the date-time advances at
    // the rate of the program clock.
    const ClockState& s = state();
    if (s.speed == 1.0 && !s.wallSet)
        return QDateTime::currentDateTime();
    return runningNow().addMSecs(s.wallOffsetMs);
}

QDateTime Clock::stampNow() {
    const ClockState& s = state();
    if (s.speed != 1.0 || s.wallSet)
        return now();
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    // A full local conversion has the C library look at the zone file each time; the rules it
    // holds are kept for the rest of the second.
    static std::atomic<qint64> zoneLooked{-1};
    const qint64 second = ms / 1000;
    if (zoneLooked.exchange(second) != second)
        tzset();
    const time_t t = static_cast<time_t>(second);
    tm local{};
    if (ms < 0 || !localtime_r(&t, &local))
        return now();
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, static_cast<int>(local.tm_gmtoff));
}

void Clock::setNow(const QDateTime& t) {
    ClockState& s = state();
    s.wallSet = true;
    s.wallOffsetMs = runningNow().msecsTo(t);
}

double Clock::speed() { return state().speed; }

void Clock::setSpeed(double factor) {
    rebase();
    // The date-time continues from where it stands.
    const QDateTime current = now();
    state().speed = factor < 1.0 ? 1.0 : factor;
    setNow(current);
}

int Clock::realMs(qint64 ms) {
    if (ms <= 0)
        return 0;
    const double r = static_cast<double>(ms) / state().speed;
    if (r >= 2e9)
        return 2000000000;
    return std::max(1, static_cast<int>(std::llround(r)));
}

void Clock::reset() {
    rebase();
    state().speed = 1.0;
    state().wallOffsetMs = 0;
    state().wallSet = false;
}

namespace {
std::atomic_bool g_quit{false};
// Readable once the program has been asked to end: it wakes a wait that sleeps in the event loop
// also when the request comes from a signal handler, where no event can be posted.
const int g_quitWake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
} // namespace

void RequestQuit() {
    // Only calls that are safe inside a signal handler.
    if (g_quit.exchange(true) || g_quitWake < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_quitWake, &one, sizeof one);
}

bool QuitRequested() {
    return g_quit;
}

namespace {
void endNow(int) {
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kForcedEndLine, sizeof kForcedEndLine - 1);
    ::_exit(0);
}
} // namespace

void EndProcessWithin(int realMs) {
    // Only calls that are safe inside a signal handler: a signal's own handler may call this.
    // An end already due stays where it is.
    itimerval due = {};
    ::getitimer(ITIMER_REAL, &due);
    if (due.it_value.tv_sec != 0 || due.it_value.tv_usec != 0) return;
    struct sigaction sa = {};
    sa.sa_handler = endNow;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGALRM, &sa, nullptr);
    itimerval when = {};
    when.it_value.tv_sec = realMs / 1000;
    when.it_value.tv_usec = (realMs % 1000) * 1000;
    ::setitimer(ITIMER_REAL, &when, nullptr);
}

// Watches the end request's wake-up from the event loop of the application, once for all waits.
void WatchEndRequest() {
    static QPointer<QSocketNotifier> watch;
    if (watch || g_quitWake < 0) return;
    watch = new QSocketNotifier(g_quitWake, QSocketNotifier::Read, QCoreApplication::instance());
    // Its event has woken the sleeping wait; the request itself stays in g_quit, and from then
    // on no wait sleeps.
    QObject::connect(watch, &QSocketNotifier::activated, watch, [] { watch->setEnabled(false); });
}

} // namespace rt
