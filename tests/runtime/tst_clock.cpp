#include <QProcess>
#include <QSignalSpy>
#include <QTimeZone>
#include <QtTest>
#include <csignal>
#include <pthread.h>
#include <thread>

#include "runtime/clock.h"
#include "runtime/timer.h"
#include "support/wait.h"

namespace {

const char* const kAskedBySignal = "CLOCK_TEST_ASKED_BY_SIGNAL";

// A wait with nothing else to wake it, asked to end by a signal another thread sends; exits 0
// once it has ended.
[[noreturn]] void waitAskedBySignal() {
    std::signal(SIGUSR1, [](int) { rt::RequestQuit(); });
    std::thread asker([waiting = ::pthread_self()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::pthread_kill(waiting, SIGUSR1);
    });
    const bool held = rt::WaitUntil([] { return false; }, 3600000);
    asker.join();
    std::_Exit(held ? 1 : 0);
}

} // namespace

class TestClock : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsSet(kAskedBySignal)) waitAskedBySignal();
    }
    void cleanup() { rt::Clock::reset(); }

    void fastClockShortensPausesAndAdvancesDateTime() {
        rt::Clock::setNow(QDateTime(QDate(2009, 1, 17), QTime(9, 5, 3)));
        rt::Clock::setSpeed(1000);
        QCOMPARE(rt::Clock::realMs(15000), 15);
        QCOMPARE(rt::Clock::realMs(200), 1);
        const qint64 before = rt::Clock::elapsedMs();
        rt::Wait(15000);
        QVERIFY(rt::Clock::elapsedMs() - before >= 15000);
        const QDateTime t = rt::Clock::now();
        QVERIFY(t >= QDateTime(QDate(2009, 1, 17), QTime(9, 5, 18)));
        QVERIFY(t < QDateTime(QDate(2009, 1, 17), QTime(9, 10, 0)));
    }

    void setNowHoldsAtRealSpeed() {
        rt::Clock::setNow(QDateTime(QDate(2010, 12, 31), QTime(23, 59, 59)));
        QCOMPARE(rt::Clock::now().date(), QDate(2010, 12, 31));
        rt::Clock::reset();
        QVERIFY(rt::Clock::now().date().year() > 2010);
    }

    // A reading's stamp shows the local time of the system's zone, in a zone with summer time and
    // in one half an hour off the hour, taking up a change of zone by itself; it follows a set clock.
    void stampsShowTheLocalTimeOfTheZone() {
        const QByteArray zone = qgetenv("TZ");
        for (const char* tz : {"America/New_York", "Asia/Kolkata"}) {
            qputenv("TZ", tz);
            const auto inZone = [tz] {
                const QDateTime stamp = rt::Clock::stampNow();
                const QDateTime there = stamp.toTimeZone(QTimeZone(tz));
                return stamp.date() == there.date() && stamp.time() == there.time();
            };
            QTRY_VERIFY(inZone());
        }
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 8), QTime(1, 59, 59)));
        QCOMPARE(rt::Clock::stampNow().date(), QDate(2009, 3, 8));
    }

    void waitRunsEvents() {
        rt::Clock::setSpeed(100);
        bool fired = false;
        QTimer::singleShot(0, this, [&] { fired = true; });
        rt::Wait(500);
        QVERIFY(fired);
    }

    void timerTicksOnProgramTimeAndZeroNeverTicks() {
        rt::Clock::setSpeed(1000);
        rt::Timer t;
        QSignalSpy spy(&t, &rt::Timer::tick);
        t.setInterval(60000);
        t.setEnabled(true);
        QVERIFY(t.isRunning());
        rt::Wait(190000);
        QVERIFY(spy.count() >= 2);
        t.setInterval(0);
        QVERIFY(!t.isRunning());
        spy.clear();
        rt::Wait(100000);
        QCOMPARE(spy.count(), 0);
    }

    void waitUntilStopsEarly() {
        rt::Clock::setSpeed(10);
        int n = 0;
        QTimer::singleShot(1, this, [&] { n = 1; });
        QVERIFY(rt::WaitUntil([&] { return n == 1; }, 60000));
        QVERIFY(!rt::WaitUntil([] { return false; }, 200));
    }

    // A wait sleeps until an event or its bound: with nothing happening it looks again only a few
    // times, also while a nested wait runs inside it and when its clock is sped up during it.
    void waitSleepsUntilAnEventOrItsBound() {
        rt::Clock::setSpeed(100);
        int looks = 0, innerLooks = 0;
        const auto look = [&] { return ++looks, false; };
        QTimer::singleShot(20, this, [&] { rt::WaitUntil([&] { return ++innerLooks, false; }, 5000); });
        const qint64 start = rt::Clock::elapsedMs();
        QVERIFY(!rt::WaitUntil(look, 20000));
        QVERIFY(rt::Clock::elapsedMs() - start >= 20000);
        QVERIFY2(looks <= 8 && innerLooks >= 1 && innerLooks <= 6, qPrintable(QString::number(looks)));

        rt::Clock::setSpeed(1);
        looks = 0;
        QTimer::singleShot(20, this, [] { rt::Clock::setSpeed(1e6); });
        QVERIFY(!rt::WaitUntil(look, 3600000));
        QVERIFY2(looks <= 8, qPrintable(QString::number(looks)));
    }

    // Asked to end from a signal handler, where no event can be posted, a sleeping wait ends. In a
    // child process, as the request cannot be taken back.
    void endRequestFromASignalWakesASleepingWait() {
        QProcess child;
        qputenv(kAskedBySignal, "1");
        child.start(QCoreApplication::applicationFilePath(), {});
        qunsetenv(kAskedBySignal);
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
    }

    // Runs last: the request to end cannot be taken back in this process.
    void askedToEndWaitsReturnAndTimersStop() {
        rt::Timer t;
        QSignalSpy spy(&t, &rt::Timer::tick);
        t.setInterval(10);
        t.setEnabled(true);
        QTimer::singleShot(50, [] { rt::RequestQuit(); });
        QVERIFY(!rt::WaitUntil([] { return false; }, 3600000));
        spy.clear();
        rt::Wait(3600000);
        QCOMPARE(spy.count(), 0);
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
