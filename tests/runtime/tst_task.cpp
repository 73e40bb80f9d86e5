#include <QtTest>

#include "runtime/clock.h"
#include "runtime/msgbox.h"
#include "runtime/task.h"
#include "support/finish.h"
#include "support/wait.h"

using namespace rt;

namespace {

Task<int> pausesThenCounts(int ms, int* counter) {
    const bool notEnded = co_await Pause(ms);
    if (!notEnded) co_return -1;
    co_return ++*counter;
}

Task<bool> untilSet(const bool* flag, int ms) {
    co_return co_await Until([flag] { return *flag; }, ms);
}

// A person's box raised by an exchange after its pause: a loop of its own until it is answered,
// here once both other exchanges have ended (or an hour has passed); gives their count then.
Task<int> pausesThenAsks(const int* counter) {
    co_await Pause(10);
    WaitUntil([counter] { return *counter == 2; }, 60 * 60000);
    co_return *counter;
}

Task<bool> unattendedAfterPause() {
    co_await Pause(10);
    co_return UnattendedScope::active();
}

} // namespace

class TestTask : public QObject {
    Q_OBJECT
private slots:
    void init() { Clock::setSpeed(100); }
    void cleanup() { Clock::reset(); }

    // Two exchanges pausing at once go on side by side; one whose box stays open holds nobody
    // that paused before it or after it.
    void pausesRunSideBySide() {
        int counter = 0;
        Task<int> before = pausesThenCounts(50, &counter);
        Task<int> asking = pausesThenAsks(&counter);
        Task<int> after = pausesThenCounts(500, &counter);
        QVERIFY(!before.isReady() && !after.isReady());
        QCOMPARE(finish(std::move(asking)), 2);
        QCOMPARE(finish(std::move(before)), 1);
        QCOMPARE(finish(std::move(after)), 2);
    }

    // A wait for a condition ends on the event that makes it hold, long before its bound; and
    // at its bound when it never holds.
    void untilEndsOnItsEventOrItsBound() {
        bool flag = false;
        QTimer::singleShot(Clock::realMs(100), [&] { flag = true; });
        QVERIFY(finish(untilSet(&flag, 60 * 60000))); // finish's own bound is half the wait's
        bool never = false;
        QVERIFY(!finish(untilSet(&never, 300)));
        QCOMPARE(SuspendedWaits(), 0);
    }

    // What a tick started carries the tick's mark across its pauses, and so does what a person
    // started: after a pause nobody waits for it on the stack.
    void theMarkGoesWithTheExchange() {
        QVERIFY(!UnattendedScope::active());
        QVERIFY(finish(unattendedAfterPause()));
        Task<bool> fromTick = [] {
            UnattendedScope tick;
            return unattendedAfterPause();
        }();
        QVERIFY(!UnattendedScope::active());
        QVERIFY(finish(std::move(fromTick)));
    }
};

// The end request resumes every suspended pause at once, with false. It cannot be taken back,
// so it is tried last.
static bool endRequestResumesPauses() {
    int counter = 0;
    int result = 0;
    QEventLoop loop;
    Task<int> paused = pausesThenCounts(60 * 60000, &counter);
    Task<> then = paused.then([&](int r) {
        result = r;
        loop.quit();
    });
    QTimer::singleShot(10, [] { RequestQuit(); });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return result == -1 && counter == 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestTask t;
    if (const int failed = QTest::qExec(&t, argc, argv)) return failed;
    if (!endRequestResumesPauses()) {
        qCritical("a pause was not ended by the end request");
        return 1;
    }
    return 0;
}

#include "tst_task.moc"
