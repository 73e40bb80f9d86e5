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

enum class DropReason { QueueFull, ProgramEnded };

struct Channel {
    // Begins the work and returns; the work calls over() once, when it has ended (at once or from
    // a later step).
    std::function<void(std::function<void()> over)> start;
    // Ends the running work at once at the program's end; over() is not awaited then.
    std::function<void()> stop;
    // Told when the channel does not run to its end: dropped by the bound while waiting, or at the
    // program's end (waiting, or stopped while running).
    std::function<void(DropReason)> dropped;
    // A channel with the same non-empty key already waiting is not asked for again.
    QString key;
};

void Ask(Channel channel);
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
