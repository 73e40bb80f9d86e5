#include "platform/serialport_qt.h"

#include <QSerialPort>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {
bool hungUp(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
} // namespace

QtSerialBackend::QtSerialBackend() = default;

QtSerialBackend::~QtSerialBackend() {
    close();
}

int QtSerialBackend::open(const QString& devicePath, const LineSettings& settings) {
    close();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(devicePath);
    if (!port->open(QIODevice::ReadWrite)) {
        switch (port->error()) {
        case QSerialPort::DeviceNotFoundError:
            return MSCommControl::errPortInvalid;
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
            return MSCommControl::errPortAlreadyOpen;
        default:
            return MSCommControl::errNoOpen;
        }
    }
    m_port = std::move(port);
    m_gone = false;
    m_linesReadable = true;
    if (!configure(settings)) {
        close();
        return MSCommControl::errSetCommState;
    }
    // A device that goes away (an adapter pulled out) keeps reporting errors while it stays
    // open: close it underneath; the control still counts as open, as the program expects.
    QObject::connect(m_port.get(), &QSerialPort::errorOccurred, m_port.get(),
                     [this](QSerialPort::SerialPortError e) {
                         if (e == QSerialPort::NoError) return;
                         // A hang-up shows as a failed read: the control's next look tells.
                         if (m_notify) m_notify();
                         if (e != QSerialPort::ResourceError || m_gone) return;
                         // The port object also reports a read that found nothing (the bytes it
                         // was told of were taken by an earlier look): the line is still there.
                         if (!hungUp(m_port->handle())) {
                             m_port->clearError();
                             return;
                         }
                         m_gone = true;
                         QTimer::singleShot(0, m_port.get(), [this] { m_port->close(); });
                     });
    QObject::connect(m_port.get(), &QSerialPort::readyRead, m_port.get(), [this] {
        if (m_notify) m_notify();
    });
    m_lastLines = lines();
    return 0;
}

void QtSerialBackend::setNotify(std::function<void()> notify) {
    m_notify = std::move(notify);
}

void QtSerialBackend::close() {
    m_notify = nullptr;
    if (m_port) {
        m_port->close();
        m_port.reset();
    }
    m_gone = false;
}

bool QtSerialBackend::isOpen() const {
    return m_port != nullptr;
}

bool QtSerialBackend::configure(const LineSettings& s) {
    if (!m_port) return false;
    if (m_gone) return true;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (s.parity) {
    case 'o':
        parity = QSerialPort::OddParity;
        break;
    case 'e':
        parity = QSerialPort::EvenParity;
        break;
    case 'm':
        parity = QSerialPort::MarkParity;
        break;
    case 's':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    QSerialPort::StopBits stop = s.stopBits == 2     ? QSerialPort::TwoStop
                                 : s.stopBits == 1.5 ? QSerialPort::OneAndHalfStop
                                                     : QSerialPort::OneStop;
    QSerialPort::FlowControl flow = s.handshaking == 1   ? QSerialPort::SoftwareControl
                                    : s.handshaking >= 2 ? QSerialPort::HardwareControl
                                                         : QSerialPort::NoFlowControl;
    const bool ok = m_port->setBaudRate(s.baud) &&
                    m_port->setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
                    m_port->setParity(parity) && m_port->setStopBits(stop) && m_port->setFlowControl(flow);
    m_port->clearError();
    return ok;
}

void QtSerialBackend::write(const QByteArray& bytes) {
    if (!m_port || m_gone) return;
    m_port->write(bytes);
    m_port->flush();
}

qint64 QtSerialBackend::bytesToWrite() {
    if (!m_port || m_gone) return 0;
    int queued = 0;
    if (::ioctl(m_port->handle(), TIOCOUTQ, &queued) != 0) queued = 0;
    return m_port->bytesToWrite() + queued;
}

void QtSerialBackend::collect(QByteArray* into) {
    if (!m_port || m_gone) return;
    // What the port object has read in the event loop is older than what still waits in the
    // device.
    into->append(m_port->readAll());
    const int fd = m_port->handle();
    char buf[4096];
    for (;;) {
        // A look first: a raw line with nothing waiting reads 0 bytes, as it does after a hang-up,
        // and the look tells the two apart in one call.
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 0);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const bool hangUp = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (p.revents & POLLIN) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                into->append(buf, static_cast<int>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (!(n < 0 && errno == EIO) && !hangUp) break;
        } else if (!hangUp) {
            break;
        }
        m_gone = true;
        QTimer::singleShot(0, m_port.get(), [this] { m_port->close(); });
        break;
    }
}

int QtSerialBackend::lines() {
    if (!m_port || m_gone || !m_linesReadable) return 0;
    const QSerialPort::PinoutSignals s = m_port->pinoutSignals();
    if (m_port->error() != QSerialPort::NoError) {
        // A pseudo-terminal has no modem lines: stop asking.
        m_linesReadable = false;
        m_port->clearError();
        return 0;
    }
    return static_cast<int>(s);
}

bool QtSerialBackend::dsr() {
    return lines() & QSerialPort::DataSetReadySignal;
}
bool QtSerialBackend::cts() {
    return lines() & QSerialPort::ClearToSendSignal;
}
bool QtSerialBackend::cd() {
    return lines() & QSerialPort::DataCarrierDetectSignal;
}
bool QtSerialBackend::ri() {
    return lines() & QSerialPort::RingIndicatorSignal;
}

void QtSerialBackend::setRts(bool on) {
    if (!m_port || m_gone) return;
    if (m_port->flowControl() != QSerialPort::HardwareControl && !m_port->setRequestToSend(on))
        m_port->clearError();
}

void QtSerialBackend::setDtr(bool on) {
    if (!m_port || m_gone) return;
    if (!m_port->setDataTerminalReady(on)) m_port->clearError();
}

void QtSerialBackend::takeEvents(QList<int>* into) {
    const int now = lines();
    const int changed = now ^ m_lastLines;
    if (changed & QSerialPort::ClearToSendSignal) into->append(MSCommControl::comEvCTS);
    if (changed & QSerialPort::DataSetReadySignal) into->append(MSCommControl::comEvDSR);
    if (changed & QSerialPort::DataCarrierDetectSignal) into->append(MSCommControl::comEvCD);
    if ((changed & now) & QSerialPort::RingIndicatorSignal) into->append(MSCommControl::comEvRing);
    m_lastLines = now;
}

bool QtSerialBackend::probe(const QString& devicePath) {
    const int fd = ::open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool tty = ::isatty(fd);
    ::close(fd);
    return tty;
}

} // namespace platform
