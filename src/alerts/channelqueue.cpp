#include "alerts/channelqueue.h"

#include <QTimer>
#include <deque>
#include <memory>

#include "runtime/clock.h"
#include "runtime/msgbox.h"

namespace alertqueue {

namespace {

struct Queue {
    std::deque<Channel> waiting;
    std::shared_ptr<Channel> running;
    // Counts the turns; an over() from a turn that is no longer the running one is ignored.
    quint64 turn = 0;
    bool asked = false; // a start is asked for from the event loop
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

void startNext();

// Whether a channel with this key waits or runs.
bool keyUnderWay(const QString& key) {
    const Queue& q = queue();
    if (q.running && q.running->key == key) return true;
    for (const Channel& waiting : q.waiting)
        if (waiting.key == key) return true;
    return false;
}

// The next channel starts from the event loop, once the handler that asked for it has returned.
void askStart() {
    Queue& q = queue();
    if (q.running || q.asked || q.waiting.empty()) return;
    q.asked = true;
    QTimer::singleShot(0, startNext);
}

void over(quint64 turn) {
    Queue& q = queue();
    if (!q.running || turn != q.turn) return;
    q.running.reset();
    askStart();
}

void startNext() {
    Queue& q = queue();
    q.asked = false;
    if (q.running || q.waiting.empty()) return;
    if (rt::QuitRequested()) {
        dropAll();
        return;
    }
    // Kept here as well: the channel may end inside its own start.
    const std::shared_ptr<Channel> channel = std::make_shared<Channel>(std::move(q.waiting.front()));
    q.waiting.pop_front();
    q.running = channel;
    const quint64 turn = ++q.turn;
    rt::UnattendedScope scope;
    try {
        channel->start([turn] { over(turn); });
    } catch (const std::exception&) {
        // A channel's failure is its own; the next one still runs.
        over(turn);
    }
}

} // namespace

bool Ask(Channel channel) {
    Queue& q = queue();
    if (rt::QuitRequested()) {
        if (channel.dropped) channel.dropped(DropReason::ProgramEnded);
        return false;
    }
    // Keys count while a channel runs: the channels one handler asks for at once all go.
    if (q.running && !channel.key.isEmpty() && keyUnderWay(channel.key)) {
        if (channel.dropped) channel.dropped(DropReason::AlreadyAsked);
        return false;
    }
    if (int(q.waiting.size()) >= kLimit) {
        const Channel oldest = std::move(q.waiting.front());
        q.waiting.pop_front();
        ++q.dropped;
        if (oldest.dropped) oldest.dropped(DropReason::QueueFull);
    }
    q.waiting.push_back(std::move(channel));
    askStart();
    return true;
}

int Pending() {
    const Queue& q = queue();
    return int(q.waiting.size()) + (q.running ? 1 : 0);
}

int DroppedSoFar() {
    return queue().dropped;
}

void Abandon() {
    Queue& q = queue();
    if (const std::shared_ptr<Channel> channel = std::exchange(q.running, nullptr)) {
        ++q.turn;
        if (channel->stop) channel->stop();
        if (channel->dropped) channel->dropped(DropReason::ProgramEnded);
    }
    dropAll();
}

void After(int ms, QObject* context, std::function<void()> step) {
    QTimer::singleShot(rt::Clock::realMs(ms), Qt::PreciseTimer, context, [step = std::move(step)] {
        rt::UnattendedScope scope;
        step();
    });
}

} // namespace alertqueue
