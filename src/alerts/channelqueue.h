#pragma once
#include <QString>
#include <functional>

// The alert channels that wait for a program or a modem (the mail hand-off, the page dialogue).
// A check asks for them here; they run after the handler that asked has returned, from the event
// loop and never inside the waits of a tick or a serial event, one at a time, in the order asked.
// Boxes they show do not hold up the rest of the program, as in a tick.
namespace alertqueue {

// Channels waiting to run, at most. When one more is asked for, the oldest waiting one is dropped.
constexpr int kLimit = 20;

enum class DropReason { QueueFull, ProgramEnded };

struct Channel {
    std::function<void()> run;
    // Told when the channel is dropped without running: by the bound, or at the program's end.
    std::function<void(DropReason)> dropped;
    // A channel with the same non-empty key already waiting is not asked for again.
    QString key;
};

void Ask(Channel channel);
// Channels waiting or running.
int Pending();
// Channels dropped by the bound so far.
int DroppedSoFar();
// At the program's end: drops every waiting channel, telling each.
void Abandon();

} // namespace alertqueue
