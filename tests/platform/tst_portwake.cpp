#include <QMap>
#include <QTest>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <atomic>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "platform/comports.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "runtime/clock.h"
#include "support/testenv.h"

using platform::MSCommControl;

namespace {

// A pseudo-terminal whose device end is mapped to "COM" 9; the test holds the other end.
struct Pty {
    int master = -1;
    char name[256] = {};
    Pty() {
        int slave = -1;
        ::openpty(&master, &slave, name, nullptr, nullptr);
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        ::close(slave);
        platform::Registry::instance().setString(platform::Hive::LocalMachine, platform::kSerialCommKey,
                                                 QString::fromLocal8Bit(name), QStringLiteral("COM9"));
    }
    ~Pty() {
        hangUp();
        platform::Registry::instance().deleteValue(platform::Hive::LocalMachine, platform::kSerialCommKey,
                                                   QString::fromLocal8Bit(name));
    }
    void send(const char* text) const { QVERIFY(::write(master, text, std::strlen(text)) > 0); }
    void hangUp() {
        if (master >= 0) ::close(master);
        master = -1;
    }
};

// A device whose modem lines can only be learnt by looking: counts the looks.
class CountingBackend : public platform::CommBackend {
public:
    explicit CountingBackend(int* looks) : m_looks(looks) {}
    int open(const QString&, const platform::LineSettings&) override { return m_open = true, 0; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool configure(const platform::LineSettings&) override { return true; }
    void write(const QByteArray&) override {}
    void collect(QByteArray*) override {}
    bool dsr() override { return false; }
    bool cts() override { return false; }
    bool cd() override { return false; }
    void setRts(bool) override {}
    void setDtr(bool) override {}
    void takeEvents(QList<int>*) override { ++*m_looks; }
    bool probe(const QString&) override { return true; }
    void setNotify(std::function<void()>) override {}

private:
    int* m_looks;
    bool m_open = false;
};

} // namespace

// How an open port wakes the program: on arrival and on loss for a real device, on a shared clock
// for the modem lines of ports that listen for line events only.
class TestPortWake : public QObject {
    Q_OBJECT

private slots:
    // Through a pseudo-terminal: bytes raise receive events, a handler may close the port in its
    // event, and a hang-up is raised once with the control still open until the program closes it.
    void realDeviceWakesOnArrivalAndLoss() {
        TestEnv env;
        auto pty = std::make_unique<Pty>();
        MSCommControl port;
        QList<int> events;
        int lost = 0;
        bool closeOnNext = false;
        connect(&port, &MSCommControl::OnComm, &port, [&] {
            events << port.commEvent();
            if (closeOnNext) port.setPortOpen(false);
        });
        connect(&port, &MSCommControl::DeviceLost, &port, [&] { ++lost; });
        port.setCommPort(9);
        port.setRThreshold(1);
        port.setPortOpen(true);

        pty->send("12cm\r");
        QTRY_COMPARE(events, QList<int>{MSCommControl::comEvReceive});
        QCOMPARE(port.input(), QByteArray("12cm\r"));
        closeOnNext = true; // the port's own device object must outlive the event that closes it
        pty->send("x");
        QTRY_VERIFY(!port.portOpen());
        QCOMPARE(events.size(), 2);

        closeOnNext = false;
        port.setPortOpen(true);
        pty->send("a");
        QTRY_COMPARE(events.size(), 3);
        pty->hangUp();
        QTRY_COMPARE(lost, 1);
        QTest::qWait(200);
        QVERIFY(lost == 1 && port.portOpen());
        port.setPortOpen(false);

        pty.reset();
        pty = std::make_unique<Pty>(); // a new device under the same number
        port.setPortOpen(true);
        pty->send("b");
        QTRY_COMPARE(events.size(), 4);
        QCOMPARE(port.input(), QByteArray("b"));
    }

    // Bytes announced to the port object can be gone when it reads them (another reader of the
    // line took them first). That is no loss of the device: the port stays and keeps reading.
    void emptiedLineIsNotALostDevice() {
        TestEnv env;
        Pty pty;
        MSCommControl port;
        int lost = 0;
        QByteArray got;
        connect(&port, &MSCommControl::OnComm, &port, [&] { got += port.input(); });
        connect(&port, &MSCommControl::DeviceLost, &port, [&] { ++lost; });
        port.setCommPort(9);
        port.setRThreshold(1);
        port.setPortOpen(true);

        std::atomic<bool> stealing{true};
        std::thread thief([&pty, &stealing] {
            const int fd = ::open(pty.name, O_RDWR | O_NOCTTY | O_NONBLOCK);
            char buf[64];
            while (stealing) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 50) == 1) (void)::read(fd, buf, 1);
            }
            ::close(fd);
        });
        for (int i = 0; i < 1000 && lost == 0; ++i) {
            pty.send("0.12 -0.34\r");
            QTest::qWait(1);
        }
        stealing = false;
        thief.join();
        QCOMPARE(lost, 0);
        QVERIFY(port.portOpen());
        got.clear();
        pty.send("end\r");
        QTRY_VERIFY(got.endsWith("end\r"));
    }

    // Modem lines are looked at only on open ports with an OnComm handler, and not once closed.
    void linesLookedAtOnlyWhereListenedFor() {
        TestEnv env;
        QMap<QString, int> looks;
        for (const char* path : {"/dev/listened", "/dev/silent"})
            platform::Registry::instance().setString(platform::Hive::LocalMachine, platform::kSerialCommKey, path,
                                                     path[5] == 'l' ? "COM7" : "COM8");
        platform::setCommBackendFactory(
            [&](const QString& path) { return std::make_unique<CountingBackend>(&looks[path]); });
        MSCommControl listened, silent;
        connect(&listened, &MSCommControl::OnComm, &listened, [] {});
        listened.setCommPort(7);
        silent.setCommPort(8);
        listened.setPortOpen(true);
        silent.setPortOpen(true);
        QTRY_VERIFY(looks["/dev/listened"] > 5);
        // The silent port was looked at when it opened and when it first woke, never on the clock.
        QVERIFY(looks["/dev/silent"] <= 2);
        listened.setPortOpen(false);
        const int closedAt = looks["/dev/listened"];
        QTest::qWait(5 * MSCommControl::kLineCheckMs);
        QCOMPARE(looks["/dev/listened"], closedAt);
        silent.setPortOpen(false);
        platform::setCommBackendFactory({});
    }
};

QTEST_MAIN(TestPortWake)
#include "tst_portwake.moc"
