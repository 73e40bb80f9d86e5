#include "support/fakeserial.h"

#include <QTimer>
#include <algorithm>

#include "platform/comports.h"
#include "platform/registry.h"
#include "runtime/clock.h"

FakeSerialPort::FakeSerialPort(const QString& path) : m_path(path) {}

void FakeSerialPort::schedule(int afterMs, std::function<void()> apply) {
    const qint64 at = rt::Clock::elapsedMs() + std::max(0, afterMs);
    auto pos =
        std::upper_bound(m_due.begin(), m_due.end(), at, [](qint64 t, const Due& d) { return t < d.atMs; });
    m_due.insert(pos, Due{at, std::move(apply)});
    if (afterMs <= 0) advance();
}

void FakeSerialPort::advance() {
    const qint64 now = rt::Clock::elapsedMs();
    while (!m_due.empty() && m_due.front().atMs <= now) {
        std::function<void()> apply = std::move(m_due.front().apply);
        m_due.erase(m_due.begin());
        apply();
    }
}

void FakeSerialPort::inject(const QByteArray& bytes, int afterMs) {
    schedule(afterMs, [this, bytes] {
        if (m_open) m_incoming.append(bytes);
    });
}

void FakeSerialPort::reply(const QByteArray& command, const QByteArray& answer, int afterMs) {
    m_script.insert(command, {answer, afterMs});
}

void FakeSerialPort::setLine(bool* line, int event, bool on) {
    if (*line == on) return;
    *line = on;
    if (m_open) m_events.append(event);
}

void FakeSerialPort::setDsr(bool on, int afterMs) {
    schedule(afterMs, [this, on] { setLine(&m_dsr, platform::MSCommControl::comEvDSR, on); });
}
void FakeSerialPort::setCts(bool on, int afterMs) {
    schedule(afterMs, [this, on] { setLine(&m_cts, platform::MSCommControl::comEvCTS, on); });
}
void FakeSerialPort::setCd(bool on, int afterMs) {
    schedule(afterMs, [this, on] { setLine(&m_cd, platform::MSCommControl::comEvCD, on); });
}
void FakeSerialPort::setRi(bool on, int afterMs) {
    schedule(afterMs, [this, on] {
        const bool rising = on && !m_ri;
        m_ri = on;
        if (rising && m_open) m_events.append(platform::MSCommControl::comEvRing);
    });
}

bool FakeSerialPort::dsr() {
    advance();
    return m_dsr;
}
bool FakeSerialPort::cts() {
    advance();
    return m_cts;
}
bool FakeSerialPort::cd() {
    advance();
    return m_cd;
}

void FakeSerialPort::raiseError(int commEvent, int afterMs) {
    schedule(afterMs, [this, commEvent] {
        if (m_open) m_events.append(commEvent);
    });
}

QByteArray FakeSerialPort::written() const {
    QByteArray all;
    for (const Write& w : m_writes)
        all.append(w.bytes);
    return all;
}

QList<QByteArray> FakeSerialPort::commands() const {
    QList<QByteArray> out = written().split('\r');
    out.removeLast(); // what follows the last CR is not complete
    return out;
}

void FakeSerialPort::clearWrites() {
    m_writes.clear();
}

int FakeSerialPort::open(const platform::LineSettings& s) {
    advance();
    if (!m_present) return platform::MSCommControl::errPortInvalid;
    if (m_open) return platform::MSCommControl::errPortAlreadyOpen;
    m_open = true;
    ++m_openCount;
    m_settings = s;
    m_incoming.clear();
    m_events.clear();
    m_partial.clear();
    return 0;
}

void FakeSerialPort::close() {
    advance();
    m_open = false;
    m_incoming.clear();
    m_events.clear();
}

void FakeSerialPort::write(const QByteArray& bytes) {
    advance();
    m_writes.append({rt::Clock::elapsedMs(), bytes});
    if (m_writeHook) m_writeHook(*this, bytes);
    for (char c : bytes) {
        if (c != '\r') {
            m_partial.append(c);
            continue;
        }
        const QByteArray command = m_partial;
        m_partial.clear();
        auto it = m_script.constFind(command);
        if (it != m_script.constEnd())
            inject(it->first, it->second);
        else if (m_responder)
            m_responder(*this, command);
    }
}

void FakeSerialPort::collect(QByteArray* into) {
    advance();
    into->append(m_incoming);
    m_incoming.clear();
}

void FakeSerialPort::takeEvents(QList<int>* into) {
    advance();
    into->append(m_events);
    m_events.clear();
}

namespace {

// What a control opens: forwards to the shared fake device, or fails for any other path.
class FakeBackend : public platform::CommBackend {
public:
    explicit FakeBackend(std::shared_ptr<FakeSerialPort> port) : m_port(std::move(port)) {}
    ~FakeBackend() override { close(); }
    int open(const QString&, const platform::LineSettings& s) override {
        if (!m_port) return platform::MSCommControl::errPortInvalid;
        const int error = m_port->open(s);
        m_open = error == 0;
        return error;
    }
    void close() override {
        if (m_open) m_port->close();
        m_open = false;
        m_clock.stop();
    }
    bool isOpen() const override { return m_open; }
    bool configure(const platform::LineSettings& s) override {
        m_port->configure(s);
        return true;
    }
    void write(const QByteArray& bytes) override { m_port->write(bytes); }
    void collect(QByteArray* into) override { m_port->collect(into); }
    bool dsr() override { return m_port->dsr(); }
    bool cts() override { return m_port->cts(); }
    bool cd() override { return m_port->cd(); }
    void setRts(bool on) override { m_port->setRtsLine(on); }
    void setDtr(bool on) override { m_port->setDtrLine(on); }
    void takeEvents(QList<int>* into) override { m_port->takeEvents(into); }
    bool probe(const QString&) override { return m_port && m_port->probe(); }
    // What a fake device sends is due at program-clock times: the control is woken every few real
    // milliseconds while the port is open, and line changes come with those wake-ups.
    void setNotify(std::function<void()> notify) override {
        m_notify = std::move(notify);
        m_clock.disconnect();
        QObject::connect(&m_clock, &QTimer::timeout, [this] {
            if (m_open && m_notify) m_notify();
        });
        m_clock.start(kWakeMs);
    }
    bool needsLineChecks() override { return false; }

private:
    static constexpr int kWakeMs = 5;
    std::shared_ptr<FakeSerialPort> m_port;
    bool m_open = false;
    std::function<void()> m_notify;
    QTimer m_clock;
};

} // namespace

FakeSerialHub::FakeSerialHub()
    : m_oldFactory(platform::commBackendFactory()), m_oldDiscovery(platform::comPortDiscovery()) {
    platform::setComPortDiscovery({});
    platform::setCommBackendFactory([this](const QString& path) -> std::unique_ptr<platform::CommBackend> {
        for (const auto& p : m_ports)
            if (p->path() == path) return std::make_unique<FakeBackend>(p);
        return std::make_unique<FakeBackend>(nullptr);
    });
}

FakeSerialHub::~FakeSerialHub() {
    platform::setCommBackendFactory(m_oldFactory);
    platform::setComPortDiscovery(m_oldDiscovery);
}

FakeSerialPort& FakeSerialHub::add(int comNumber) {
    FakeSerialPort& port = addPath(QStringLiteral("/dev/fakecom%1").arg(comNumber));
    platform::Registry::instance().setString(platform::Hive::LocalMachine, platform::kSerialCommKey,
                                             port.path(), QStringLiteral("COM%1").arg(comNumber));
    return port;
}

FakeSerialPort& FakeSerialHub::addPath(const QString& path) {
    m_ports.push_back(std::make_shared<FakeSerialPort>(path));
    return *m_ports.back();
}

FakeSerialPort* FakeSerialHub::find(const QString& path) const {
    for (const auto& p : m_ports)
        if (p->path() == path) return p.get();
    return nullptr;
}
