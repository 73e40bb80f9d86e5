#include "runtime/task.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <exception>
#include <unistd.h>
#include <vector>

#include "runtime/msgbox.h"

namespace rt {

namespace {

qint64 realNowNs() {
    static const QElapsedTimer since = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return since.nsecsElapsed();
}

} // namespace

namespace detail {

// One suspended wait: what it waits for, its bound and the coroutine to resume. The bound's
// timer wakes it when nothing else comes; pred() is looked at each time the event loop is
// about to sleep, so an event that makes it hold resumes the wait at once.
struct Waiter {
    Until* awaiter;
    std::coroutine_handle<> handle;
    int unattended; // the exchange's own: kept across its pauses
    QTimer* bound = nullptr;

    // Real microseconds left before the bound.
    double leftRealUs() const {
        const Until::Bound& b = awaiter->m_bound;
        if (b.real) return static_cast<double>(b.realEndNs - realNowNs()) / 1000.0;
        return 1000.0 * static_cast<double>(b.endMs - Clock::elapsedMs()) / Clock::speed();
    }
    // True once the wait is over, with the awaiter's result set.
    bool over() { return awaiter->settled() || leftRealUs() <= 0.0; }
};

} // namespace detail

namespace {

using detail::Waiter;

// Every suspended wait, looked at when the event loop is about to sleep.
class Board : public QObject {
public:
    static Board* instance() {
        static QPointer<Board> board;
        if (!board && QCoreApplication::instance()) board = new Board(QCoreApplication::instance());
        return board;
    }
    void add(Waiter* w) {
        m_waiters.push_back(w);
        arm(w);
    }
    int count() const { return int(m_waiters.size()); }

private:
    explicit Board(QObject* parent) : QObject(parent) {
        if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
            connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &Board::lookAtAll);
        // The end request's wake-up ends the waits that end at the end.
        WatchEndRequest();
    }

    void lookAtAll() {
        // A wait found over is taken off the board first and resumed from the event loop, never
        // from inside the dispatcher.
        for (std::size_t i = 0; i < m_waiters.size();) {
            Waiter* w = m_waiters[i];
            if (w->over()) {
                m_waiters.erase(m_waiters.begin() + std::ptrdiff_t(i));
                finish(w);
            } else {
                ++i;
            }
        }
    }

    // (Re)starts the bound's timer for what is left of it. Less than a real millisecond left
    // (a fast clock) is looked at again from the event loop, so that an event due later than the
    // bound never comes before it.
    void arm(Waiter* w) {
        const double us = w->leftRealUs();
        const int ms = us < 1000.0 ? 0 : int(std::min(2e9, std::floor(us / 1000.0)));
        w->bound->start(ms);
    }

    void onBound(Waiter* w) {
        if (!w->over()) {
            arm(w);
            return;
        }
        m_waiters.erase(std::remove(m_waiters.begin(), m_waiters.end(), w), m_waiters.end());
        finish(w);
    }

    void finish(Waiter* w) {
        w->bound->stop();
        QMetaObject::invokeMethod(
            this,
            [w] {
                const std::coroutine_handle<> handle = w->handle;
                const int unattended = w->unattended;
                w->bound->deleteLater();
                delete w;
                // The exchange goes on as it was when it paused: a box it shows now holds up
                // nobody, for nobody waits for it on the stack.
                const UnattendedScope::Resume resumed(unattended);
                handle.resume();
            },
            Qt::QueuedConnection);
    }

    std::vector<Waiter*> m_waiters;

public:
    QTimer* newBound(Waiter* w) {
        auto* t = new QTimer(this);
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        connect(t, &QTimer::timeout, this, [this, w] { onBound(w); });
        return t;
    }
};

} // namespace

Until::Until(std::function<bool()> pred, int ms) : m_pred(std::move(pred)) {
    m_bound.endMs = Clock::elapsedMs() + std::max(0, ms);
}

Until::Until(std::function<bool()> pred, Bound bound) : m_pred(std::move(pred)), m_bound(bound) {}

bool Until::settled() {
    if (m_pred && m_pred()) {
        m_result = true;
        return true;
    }
    return m_bound.atEnd == AtEnd::Return && QuitRequested();
}

bool Until::await_ready() {
    if (settled()) return true;
    if (!Board::instance()) {
        // Without an event loop nothing but time and the end request can end the wait: it sleeps.
        detail::Waiter alone{this, {}, 0};
        while (!alone.over()) ::usleep(static_cast<useconds_t>(std::clamp(alone.leftRealUs(), 1.0, 1000.0)));
        return true;
    }
    return false;
}

void Until::await_suspend(std::coroutine_handle<> handle) {
    Board* board = Board::instance();
    auto* w = new Waiter{this, handle, UnattendedScope::depth()};
    w->bound = board->newBound(w);
    board->add(w);
}

UntilReal::UntilReal(std::function<bool()> pred, int realMs, AtEnd atEnd)
    : Until(std::move(pred), Bound{true, 0, realNowNs() + qint64(std::max(0, realMs)) * 1000000, atEnd}) {}

Pause::Pause(int ms) : Until(nullptr, ms) {}

Task<> PassOver(Task<> step) {
    try {
        co_await std::move(step);
    } catch (const std::exception&) {
    }
}

Task<bool> PassOver(Task<bool> step) {
    try {
        co_return co_await std::move(step);
    } catch (const std::exception&) {
        co_return false;
    }
}

int SuspendedWaits() {
    Board* board = Board::instance();
    return board ? board->count() : 0;
}

} // namespace rt
