#pragma once
#include <QString>
#include <functional>

class QObject;

// The alert channels that wait for a program or a modem (the mail hand-off, the page dialogue).
// A check asks for them here; they run after the handler that asked has returned, one at a time,
// in the order asked. A channel never waits on the stack: it starts its work and returns, and its
// steps come back from the event loop (a program's signals, timers) until it reports that it is
// over; then the next one starts. So nothing below or above a running channel is held by it.
// Boxes its steps show do not hold up the rest of the program, as in a tick.
namespace alertqueue {

// Channels waiting to run, at most. When one more is asked for, the oldest waiting one is dropped.
constexpr int kLimit = 20;

// AlreadyAsked: a channel with the same key waits or runs already, so this one is not asked again
// (told at once, from Ask; see Channel::key).
enum class DropReason { QueueFull, ProgramEnded, AlreadyAsked };

struct Channel {
    // Begins the work and returns; the work calls over() once, when it has ended (at once or from
    // a later step).
    std::function<void(std::function<void()> over)> start;
    // Ends the running work at once at the program's end; over() is not awaited then.
    std::function<void()> stop;
    // Told when the channel does not run to its end: dropped by the bound while waiting, at the
    // program's end (waiting, or stopped while running), or not asked because of its key.
    std::function<void(DropReason)> dropped;
    // While a channel runs, a channel whose non-empty key is the key of one waiting or running is
    // not asked for again (what one handler asks for before any of it runs all goes).
    QString key;
};

// True when the queue took the channel; one it did not take has been told why (dropped).
bool Ask(Channel channel);
// Channels waiting or running.
int Pending();
// Channels dropped by the bound so far.
int DroppedSoFar();
// At the program's end: stops the running channel and drops every waiting one, telling each.
void Abandon();

// Runs a channel's next step after ms of program time, from the event loop, as long as context
// lives.
void After(int ms, QObject* context, std::function<void()> step);

} // namespace alertqueue
