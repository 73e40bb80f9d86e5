#pragma once
#include <QDateTime>

namespace rt {

// The program's clock. It runs in real time; tests raise its speed so that the fixed pauses
// (200 ms to 15 s) and timer intervals of the program pass quickly, and set the date and time
// it reports. Every pause, wait, timer and time stamp of the program goes through it.
class Clock {
public:
    // Current local date and time as the program sees it.
    static QDateTime now();
    // now() for the time stamps of readings, taken many times a second: the same local date and
    // time, as a fixed offset from UTC. The system's time zone is looked at again at most once a
    // second rather than on every call.
    static QDateTime stampNow();
    // From here on now() continues from t.
    static void setNow(const QDateTime& t);
    // Milliseconds of program time since the process started; never goes back.
    static qint64 elapsedMs();
    // How many times faster than real time program time runs (1 = real time).
    static double speed();
    static void setSpeed(double factor);
    // Real milliseconds that pass while ms of program time pass (at least 1 for ms > 0).
    static int realMs(qint64 ms);
    // Back to real time and the system's date and time.
    static void reset();
};

// How a wait meets the program's end request: most waits end at once; the end's own finishing
// work (a recording's file being completed) goes on to its bound.
enum class AtEnd { Return, GoOn };
// The program has been asked to end: from then on every wait returns at once (but those of the
// end's own finishing work), timers stop ticking and message boxes are no longer shown.
void RequestQuit();
bool QuitRequested();
// Has the event loop wake up when the program is asked to end, also when a signal handler asks.
void WatchEndRequest();
// Ends the process (exit code 0) once realMs of real time have passed, whatever runs then: the
// bound on the program's end when a handler below is slow to unwind. Such an end says so on
// standard error (kForcedEndLine). Safe to call from a signal handler.
void EndProcessWithin(int realMs);
inline constexpr char kForcedEndLine[] = "Corvisent Manager: forced end, the normal end took too long\n";

} // namespace rt
