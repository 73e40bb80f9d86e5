#include "alerts/channelqueue.h"

#include <deque>

#include "runtime/clock.h"
#include "runtime/msgbox.h"

namespace alertqueue {

namespace {

struct Queue {
    std::deque<Channel> waiting;
    bool running = false;
    bool asked = false; // a run is asked for from the event loop
    int dropped = 0;
};

Queue& queue() {
    static Queue q;
    return q;
}

void dropAll() {
    Queue& q = queue();
    while (!q.waiting.empty()) {
        const Channel channel = std::move(q.waiting.front());
        q.waiting.pop_front();
        if (channel.dropped) channel.dropped(DropReason::ProgramEnded);
    }
}

void runWaiting() {
    Queue& q = queue();
    q.asked = false;
    if (q.running) return;
    q.running = true;
    rt::UnattendedScope scope;
    while (!q.waiting.empty() && !rt::QuitRequested()) {
        const Channel channel = std::move(q.waiting.front());
        q.waiting.pop_front();
        try {
            channel.run();
        } catch (const std::exception&) {
            // A channel's failure is its own; the next one still runs.
        }
    }
    q.running = false;
    if (rt::QuitRequested()) dropAll();
}

} // namespace

void Ask(Channel channel) {
    Queue& q = queue();
    if (rt::QuitRequested()) {
        if (channel.dropped) channel.dropped(DropReason::ProgramEnded);
        return;
    }
    if (q.running && !channel.key.isEmpty())
        for (const Channel& waiting : q.waiting)
            if (waiting.key == channel.key) return;
    if (int(q.waiting.size()) >= kLimit) {
        const Channel oldest = std::move(q.waiting.front());
        q.waiting.pop_front();
        ++q.dropped;
        if (oldest.dropped) oldest.dropped(DropReason::QueueFull);
    }
    q.waiting.push_back(std::move(channel));
    if (q.running || q.asked) return;
    q.asked = true;
    rt::UnattendedScope::runAfter(runWaiting);
}

int Pending() {
    const Queue& q = queue();
    return int(q.waiting.size()) + (q.running ? 1 : 0);
}

int DroppedSoFar() {
    return queue().dropped;
}

void Abandon() {
    dropAll();
}

} // namespace alertqueue
