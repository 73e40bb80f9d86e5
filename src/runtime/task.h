#pragma once
#include <QCoro/QCoroTask>
#include <coroutine>
#include <functional>

#include "runtime/clock.h"

// Exchanges that wait are coroutines: a pause or a wait for a reply suspends the exchange and
// returns to the one event loop, which goes on serving every port, timer and window; the
// exchange resumes from there once what it waits for has come. Nothing ever waits beneath
// anything else.
//
// A Task starts at once when called and runs to its first suspension. Awaited, it gives its
// result; called without co_await, it goes on by itself and ends on its own. Write exchanges as
// functions or member functions (never as lambdas that capture: the lambda is gone when the
// exchange resumes), and pass what must outlive the caller by value.
//
// Never co_await inside the condition of an if, while or for: the compiler in use (GCC 12)
// resumes such a coroutine into a broken frame. Take the result into a local first:
//     const bool same = co_await exchange.pause(200);
//     if (!same) co_return;
// It also destroys a lambda or a braced aggregate written inside a co_await statement twice: such a
// lambda captures only this, pointers, plain numbers or references (keep a string or a shared
// object in a local and capture a pointer to it), and no aggregate is built there.
namespace rt {

template <typename T = void>
using Task = QCoro::Task<T>;

namespace detail {
struct Waiter;
}

// co_await Until(pred, ms): suspends until pred() holds, ms of program time have passed, or the
// program is asked to end; gives pred()'s value then. pred() is looked at again each time the
// event loop has handled what was pending, so it must be cheap and change nothing.
class Until {
public:
    Until(std::function<bool()> pred, int ms);
    bool await_ready();
    void await_suspend(std::coroutine_handle<> handle);
    bool await_resume() const { return m_result; }

protected:
    struct Bound {
        bool real = false;    // realMs of real time rather than program time
        qint64 endMs = 0;     // program time at which the wait ends
        qint64 realEndNs = 0; // real time (nsecs since the process's clock started) it ends
        AtEnd atEnd = AtEnd::Return;
    };
    Until(std::function<bool()> pred, Bound bound);

private:
    friend struct detail::Waiter;
    // True when the wait is over whatever its bound: pred() held (the result is set) or the end
    // request ends it.
    bool settled();
    std::function<bool()> m_pred;
    Bound m_bound;
    bool m_result = false;
};

// co_await UntilReal(pred, realMs): the same for realMs of real time whatever the speed of the
// program clock, for devices that keep their own pace (cameras). With AtEnd::GoOn it goes on to
// its bound after the end request (the end's own finishing work).
class UntilReal : public Until {
public:
    UntilReal(std::function<bool()> pred, int realMs, AtEnd atEnd = AtEnd::Return);
};

// co_await Pause(ms): suspends for ms of program time; false when the end request ended it
// early. Pause(0) lets every event pending now run first.
class Pause : public Until {
public:
    explicit Pause(int ms);
    bool await_resume() const { return !QuitRequested(); }
};

// Raises flag for as long as it lives: the mark of a step that is under way across its waits.
class FlagWhile {
public:
    explicit FlagWhile(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagWhile() { m_flag = false; }
    FlagWhile(const FlagWhile&) = delete;
    FlagWhile& operator=(const FlagWhile&) = delete;

private:
    bool& m_flag;
};

// Suspended waits right now (for tests).
int SuspendedWaits();

// A step that waits, in a handler that passes over failing statements (as rt::passOver does for
// one that does not wait): a run-time error ends the step, false for one that gives a result.
Task<> PassOver(Task<> step);
Task<bool> PassOver(Task<bool> step);

} // namespace rt
