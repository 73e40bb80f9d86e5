#include "platform/mscomm.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include "platform/comports.h"
#include "platform/serialport_qt.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"

namespace platform {

std::optional<LineSettings> parseLineSettings(const QString& text) {
    const QStringList parts = text.split(',');
    if (parts.size() != 4) return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0) return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("noems").contains(parity)) return std::nullopt;
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 4 || s.dataBits > 8) return std::nullopt;
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = 1;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = 1.5;
    else if (stop == QLatin1String("2"))
        s.stopBits = 2;
    else
        return std::nullopt;
    return s;
}

namespace {
CommBackendFactory& factorySlot() {
    static CommBackendFactory f;
    return f;
}

[[noreturn]] void raise(int number) {
    switch (number) {
    case MSCommControl::errInvalidPropertyValue:
        throw rt::VbError(number, QStringLiteral("Invalid property value"));
    case MSCommControl::errPortOpen:
        throw rt::VbError(number, QStringLiteral("Operation not valid while the port is opened"));
    case MSCommControl::errPortInvalid:
        throw rt::VbError(number, QStringLiteral("Invalid port number"));
    case MSCommControl::errPortAlreadyOpen:
        throw rt::VbError(number, QStringLiteral("Port already open"));
    case MSCommControl::errSetCommState:
        throw rt::VbError(number, QStringLiteral("Could not set comm state, there may be one or more "
                                                 "invalid communication parameters"));
    case MSCommControl::errPortNotOpen:
        throw rt::VbError(number, QStringLiteral("Operation valid only when the port is open"));
    default:
        throw rt::VbError(MSCommControl::errNoOpen, QStringLiteral("The device is not open"));
    }
}

QSet<QString>& heldPaths() {
    static QSet<QString> paths;
    return paths;
}

// Real milliseconds between two looks at a port whose sent bytes are awaited for comEvSend.
constexpr int kSendCheckMs = 5;
} // namespace

// One clock for every open port that listens for modem-line changes, so that idle ports cost one
// wake-up per kLineCheckMs in all, and none at all when no port needs it.
class LineWatch : public QObject {
public:
    static LineWatch& instance() {
        static QPointer<LineWatch> watch;
        if (!watch) watch = new LineWatch(QCoreApplication::instance());
        return *watch;
    }
    void add(MSCommControl* c) {
        if (!m_controls.contains(c)) m_controls.append(c);
        if (!m_timer.isActive()) m_timer.start();
    }
    void remove(MSCommControl* c) {
        m_controls.removeAll(c);
        if (m_controls.isEmpty()) m_timer.stop();
    }

private:
    explicit LineWatch(QObject* parent) : QObject(parent) {
        m_timer.setInterval(MSCommControl::kLineCheckMs);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            // A handler may close ports (taking them off the list) or delete controls.
            const QList<QPointer<MSCommControl>> now(m_controls.begin(), m_controls.end());
            for (const QPointer<MSCommControl>& c : now)
                if (c && m_controls.contains(c.data())) lookAtLines(c);
        });
    }
    static void lookAtLines(MSCommControl* c);
    QTimer m_timer;
    QList<MSCommControl*> m_controls;
};

void setCommBackendFactory(CommBackendFactory factory) {
    factorySlot() = std::move(factory);
}
CommBackendFactory commBackendFactory() {
    return factorySlot();
}

bool commPathInUse(const QString& devicePath) {
    return heldPaths().contains(devicePath);
}

std::unique_ptr<CommBackend> createCommBackend(const QString& devicePath) {
    if (factorySlot()) return factorySlot()(devicePath);
    return std::make_unique<QtSerialBackend>();
}

struct MSCommControl::Impl {
    int commPort = 1;
    QString settingsText = QStringLiteral("9600,n,8,1");
    LineSettings settings;
    int rThreshold = 0;
    int sThreshold = 0;
    bool rts = false;
    bool dtr = true;
    int inputMode = 0;
    int inputLen = 0;
    int commEvent = 0;
    QString tag;

    std::unique_ptr<CommBackend> backend;
    QString path; // device held open
    QByteArray buffer;
    bool receivePending = false; // characters arrived while RThreshold was reached
    bool sendPending = false;    // an Output waits for its comEvSend
    QList<int> queued;           // events found and not yet raised
    bool wakeQueued = false;     // a look at the port is due from the event loop
    bool lost = false;           // the device's loss has been raised
    int holds = 0;               // exchanges under way that take their replies themselves
    bool heldWake = false;       // a look at the port was put off by a hold
    // Counts opens, so that a wake-up queued for an earlier opening is not taken for this one.
    quint64 opening = 0;
};

MSCommControl::MSCommControl(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {}

MSCommControl::~MSCommControl() {
    setPortOpen(false);
}

int MSCommControl::commPort() const {
    return d->commPort;
}

void MSCommControl::setCommPort(int n) {
    if (n < 1 || n > 255) raise(errPortInvalid);
    if (portOpen()) raise(errPortOpen);
    d->commPort = n;
}

QString MSCommControl::settings() const {
    return d->settingsText;
}

void MSCommControl::setSettings(const QString& s) {
    const std::optional<LineSettings> parsed = parseLineSettings(s);
    if (!parsed) raise(errInvalidPropertyValue);
    LineSettings next = *parsed;
    next.handshaking = d->settings.handshaking;
    if (portOpen() && !d->backend->configure(next)) raise(errSetCommState);
    d->settings = next;
    d->settingsText = s;
}

bool MSCommControl::portOpen() const {
    return d->backend && d->backend->isOpen();
}

void MSCommControl::setPortOpen(bool open) {
    if (!open) {
        if (d->backend) {
            LineWatch::instance().remove(this);
            d->backend->close();
            d->backend.reset();
            heldPaths().remove(d->path);
            d->path.clear();
        }
        d->buffer.clear();
        d->queued.clear();
        d->receivePending = d->sendPending = false;
        return;
    }
    if (portOpen()) raise(errPortAlreadyOpen);
    const QString path = comPortPath(d->commPort);
    if (path.isEmpty()) raise(errPortInvalid);
    if (commPathInUse(path)) raise(errPortAlreadyOpen);
    std::unique_ptr<CommBackend> backend = createCommBackend(path);
    const int error = backend->open(path, d->settings);
    if (error != 0) raise(error);
    backend->setDtr(d->dtr);
    backend->setRts(d->rts);
    QList<int> stale; // line states before the open are not changes
    backend->takeEvents(&stale);
    d->backend = std::move(backend);
    d->path = path;
    heldPaths().insert(path);
    d->buffer.clear();
    d->queued.clear();
    d->receivePending = d->sendPending = d->lost = false;
    const quint64 opening = ++d->opening;
    d->backend->setNotify([this, opening] {
        if (d->opening == opening) wake();
    });
    if (listensForLines()) LineWatch::instance().add(this);
    // Whatever came in before the first wake-up is looked at once.
    wake();
}

bool MSCommControl::listensForLines() {
    return d->backend && d->backend->needsLineChecks() &&
           isSignalConnected(QMetaMethod::fromSignal(&MSCommControl::OnComm));
}

void MSCommControl::wake() {
    if (d->wakeQueued) return;
    d->wakeQueued = true;
    // Raised from the event loop, never from inside the backend's own signal, so that a handler
    // may close the port.
    QMetaObject::invokeMethod(
        this,
        [this] {
            d->wakeQueued = false;
            poll();
        },
        Qt::QueuedConnection);
}

int MSCommControl::rThreshold() const {
    return d->rThreshold;
}
void MSCommControl::setRThreshold(int n) {
    if (n < 0) raise(errInvalidPropertyValue);
    d->rThreshold = n;
}

int MSCommControl::sThreshold() const {
    return d->sThreshold;
}
void MSCommControl::setSThreshold(int n) {
    if (n < 0) raise(errInvalidPropertyValue);
    d->sThreshold = n;
}

bool MSCommControl::rtsEnable() const {
    return d->rts;
}
void MSCommControl::setRTSEnable(bool on) {
    d->rts = on;
    if (portOpen()) d->backend->setRts(on);
}

bool MSCommControl::dtrEnable() const {
    return d->dtr;
}
void MSCommControl::setDTREnable(bool on) {
    d->dtr = on;
    if (portOpen()) d->backend->setDtr(on);
}

int MSCommControl::handshaking() const {
    return d->settings.handshaking;
}
void MSCommControl::setHandshaking(int h) {
    if (h < 0 || h > 3) raise(errInvalidPropertyValue);
    LineSettings next = d->settings;
    next.handshaking = h;
    if (portOpen() && !d->backend->configure(next)) raise(errSetCommState);
    d->settings = next;
}

int MSCommControl::inputMode() const {
    return d->inputMode;
}
void MSCommControl::setInputMode(int m) {
    if (m < 0 || m > 1) raise(errInvalidPropertyValue);
    d->inputMode = m;
}

int MSCommControl::inputLen() const {
    return d->inputLen;
}
void MSCommControl::setInputLen(int n) {
    if (n < 0) raise(errInvalidPropertyValue);
    d->inputLen = n;
}

void MSCommControl::requireOpen() const {
    if (!portOpen()) raise(errPortNotOpen);
}

void MSCommControl::setOutput(const QByteArray& bytes) {
    requireOpen();
    d->backend->write(bytes);
    if (d->sThreshold > 0 && !bytes.isEmpty()) {
        d->sendPending = true;
        wake();
    }
}

void MSCommControl::setOutput(const QString& text) {
    setOutput(text.toLatin1());
}

void MSCommControl::takeIn(bool wakeForIt) {
    QByteArray fresh;
    d->backend->collect(&fresh);
    if (fresh.isEmpty()) return;
    d->buffer.append(fresh);
    if (d->buffer.size() > kInputBufferLimit) {
        d->buffer.remove(0, d->buffer.size() - kInputBufferLimit);
        d->queued.append(comEventRxOver);
    }
    // Whether the arrival raises a receive event is decided when the characters come in.
    if (d->rThreshold > 0 && d->buffer.size() >= d->rThreshold) d->receivePending = true;
    if (wakeForIt && (d->receivePending || !d->queued.isEmpty())) wake();
}

QByteArray MSCommControl::input() {
    requireOpen();
    takeIn();
    const int n = d->inputLen > 0 ? std::min<int>(d->inputLen, d->buffer.size()) : d->buffer.size();
    QByteArray out = d->buffer.left(n);
    d->buffer.remove(0, n);
    return out;
}

int MSCommControl::inBufferCount() {
    requireOpen();
    takeIn();
    return d->buffer.size();
}

void MSCommControl::setInBufferCount(int n) {
    requireOpen();
    if (n != 0) raise(errInvalidPropertyValue);
    takeIn();
    d->buffer.clear();
}

int MSCommControl::outBufferCount() {
    requireOpen();
    return static_cast<int>(d->backend->bytesToWrite());
}

bool MSCommControl::dsrHolding() {
    requireOpen();
    return d->backend->dsr();
}

bool MSCommControl::ctsHolding() {
    requireOpen();
    return d->backend->cts();
}

bool MSCommControl::cdHolding() {
    requireOpen();
    return d->backend->cd();
}

int MSCommControl::commEvent() const {
    return d->commEvent;
}

QString MSCommControl::tag() const {
    return d->tag;
}
void MSCommControl::setTag(const QString& t) {
    d->tag = t;
}

QByteArray MSCommControl::peekInput() {
    requireOpen();
    takeIn();
    return d->buffer;
}

MSCommControl::EventHold::EventHold(MSCommControl* port) : m_port(port) {
    if (m_port) ++m_port->d->holds;
}

MSCommControl::EventHold::~EventHold() {
    if (!m_port || --m_port->d->holds > 0) return;
    if (m_port->d->heldWake || !m_port->d->queued.isEmpty()) {
        m_port->d->heldWake = false;
        m_port->wake();
    }
}

bool MSCommControl::eventsHeld() const {
    return d->holds > 0;
}

void MSCommControl::poll() {
    if (!portOpen()) return;
    if (d->holds > 0) {
        d->heldWake = true;
        return;
    }
    takeIn(false);
    d->backend->takeEvents(&d->queued);
    if (d->receivePending) {
        d->receivePending = false;
        if (!d->buffer.isEmpty() && d->rThreshold > 0) d->queued.append(comEvReceive);
    }
    if (d->sendPending) {
        if (d->backend->bytesToWrite() < d->sThreshold) {
            d->sendPending = false;
            d->queued.append(comEvSend);
        } else {
            QTimer::singleShot(kSendCheckMs, this, [this] {
                if (d->sendPending) wake();
            });
        }
    }
    QPointer<MSCommControl> self(this);
    fireQueued();
    // What arrived before the device went has been raised; then the control stops looking.
    if (self && portOpen() && !d->lost && d->backend->gone()) {
        d->lost = true;
        LineWatch::instance().remove(this);
        emit DeviceLost();
    }
}

// Arrivals and a device that goes wake the control themselves; the regular look is for the modem
// lines alone, and only a change makes it a full look.
void LineWatch::lookAtLines(MSCommControl* c) {
    if (!c->portOpen() || c->d->lost) return;
    const qsizetype before = c->d->queued.size();
    c->d->backend->takeEvents(&c->d->queued);
    if (c->d->queued.size() != before) c->poll();
}

void MSCommControl::fireQueued() {
    // A handler may wait (other events then come back here) or close the port; each event is taken
    // off the queue before it is raised.
    QPointer<MSCommControl> self(this);
    // What a serial event shows in a box must not hold up the other ports and timers.
    rt::UnattendedScope scope;
    while (self && !d->queued.isEmpty() && portOpen() && d->holds == 0) {
        d->commEvent = d->queued.takeFirst();
        emit OnComm();
    }
}

} // namespace platform
