#include <QTest>
#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <unistd.h>

#include "platform/comports.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "support/testenv.h"

using platform::Hive;
using platform::kSerialCommKey;
using platform::Registry;

namespace {

// A pseudo-terminal of the test's own.
struct Pty {
    int master = -1, slave = -1;
    char name[256] = {};
    Pty() { ::openpty(&master, &slave, name, nullptr, nullptr); }
    ~Pty() {
        ::close(slave);
        ::close(master);
    }
};

void mapByHand(const QString& path, const QString& com) {
    Registry::instance().setString(Hive::LocalMachine, kSerialCommKey, path, com);
}

} // namespace

class TestComPorts : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;
    QStringList listed; // what discovery reports

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        listed.clear();
        platform::setComPortDiscovery([this] { return listed; });
    }
    void cleanup() {
        platform::setComPortDiscovery({});
        env.reset();
    }

    // Hand-made entries are honoured; found devices get the lowest free numbers once and keep
    // them, also while unplugged.
    void handEntriesAndDiscoveredPorts() {
        mapByHand("/dev/pts/5", "COM2");
        mapByHand("/dev/ttyXY", " com12 ");
        mapByHand("/dev/odd", "LPT1");
        QVERIFY(platform::comPortPath(12) == "/dev/ttyXY" && platform::comPortNumber("/dev/odd") == 0 &&
                platform::comPortPath(0).isEmpty());
        listed = {"/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyACM0"};
        platform::refreshComPorts();
        QCOMPARE(QStringList({platform::comPortPath(1), platform::comPortPath(3), platform::comPortPath(4)}),
                 QStringList({"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1"}));

        listed = {"/dev/ttyUSB1", "/dev/ttyUSB2"}; // ACM0 and USB0 unplugged, USB2 new
        platform::refreshComPorts();
        platform::refreshComPorts();
        QCOMPARE(platform::comPortPath(1), QString("/dev/ttyACM0"));
        QCOMPARE(Registry::instance().valueNames(Hive::LocalMachine, kSerialCommKey).size(), 7);
        // The numbers survive a restart (the hive is read back from its file).
        Registry::instance().reload();
        QCOMPARE(platform::comPortPath(5), QString("/dev/ttyUSB2"));
    }

    // A port exists when its mapped device can be opened; a device held open by a control
    // does not count, as it cannot be opened a second time.
    void portExistsWhenItsDeviceOpens() {
        Pty pty;
        mapByHand(QString::fromLocal8Bit(pty.name), "COM4");
        mapByHand("/dev/no-such-device", "COM5");
        mapByHand("/dev/null", "COM6"); // not a serial device
        QVERIFY(platform::comPortExists(4));
        QVERIFY(!platform::comPortExists(5) && !platform::comPortExists(6));
        QVERIFY(!platform::comPortExists(8)); // not mapped

        platform::MSCommControl c;
        c.setCommPort(4);
        c.setPortOpen(true);
        QVERIFY(!platform::comPortExists(4));
        c.setPortOpen(false);
        QVERIFY(platform::comPortExists(4));
    }
};

QTEST_MAIN(TestComPorts)
#include "tst_comports.moc"
