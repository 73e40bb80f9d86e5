#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

// Line settings of a port, written as "9600,n,8,1": baud rate, parity (n none, o odd, e even,
// m mark, s space), data bits (4..8), stop bits (1, 1.5, 2).
struct LineSettings {
    int baud = 9600;
    char parity = 'n';
    int dataBits = 8;
    double stopBits = 1;
    int handshaking = 0; // 0 none, 1 XOn/XOff, 2 RTS/CTS, 3 both
};
// std::nullopt for a malformed text.
std::optional<LineSettings> parseLineSettings(const QString& text);

// Bytes received from a port turned into text, one character per byte.
inline QString ansiText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

// What the serial control needs of a port; the real backend wraps QSerialPort, tests install a
// fake. All calls come from the one program thread.
class CommBackend {
public:
    virtual ~CommBackend() = default;
    // 0 when the port is open, otherwise the run-time error number: 8002 no such device, 8005 the
    // device is in use, 8015 the line settings were refused, 8012 any other failure.
    virtual int open(const QString& devicePath, const LineSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // New line settings for an open port; false when the device refuses them.
    virtual bool configure(const LineSettings& settings) = 0;
    // Hands the bytes to the device at once (no event loop needed to send them).
    virtual void write(const QByteArray& bytes) = 0;
    // Bytes written and not yet sent.
    virtual qint64 bytesToWrite() { return 0; }
    // Moves every byte that has arrived into *into, reading the device directly, so that it works
    // while no events run.
    virtual void collect(QByteArray* into) = 0;
    // Modem lines as they stand now; false when they cannot be read.
    virtual bool dsr() = 0;
    virtual bool cts() = 0;
    virtual bool cd() = 0;
    virtual bool ri() { return false; }
    virtual void setRts(bool on) = 0;
    virtual void setDtr(bool on) = 0;
    // Modem-line changes (comEvCTS, comEvDSR, comEvCD, comEvRing) and line errors (comEvent...)
    // seen since the last call, oldest first.
    virtual void takeEvents(QList<int>* into) = 0;
    // Whether the device can be opened at all: opens it and closes it again at once.
    virtual bool probe(const QString& devicePath) = 0;
    // True once the device has gone away while open (an adapter pulled out, the far end of a
    // pseudo-terminal closed); nothing more comes from it.
    virtual bool gone() { return false; }
    // The control's wake-up: the backend calls it (from the event loop) whenever bytes, a line
    // change, an error or the device's loss may be waiting. Set after a successful open.
    virtual void setNotify(std::function<void()> notify) = 0;
    // True while modem-line changes can only be learnt by looking at the lines; false when the
    // device cannot report its lines or reports their changes through the wake-up itself.
    virtual bool needsLineChecks() { return true; }
};

// Creates the backend for a device path; tests replace it.
using CommBackendFactory = std::function<std::unique_ptr<CommBackend>(const QString& devicePath)>;
void setCommBackendFactory(CommBackendFactory factory); // empty = the real ports
CommBackendFactory commBackendFactory();
std::unique_ptr<CommBackend> createCommBackend(const QString& devicePath);
// Whether a control of this program holds the device open.
bool commPathInUse(const QString& devicePath);

// The serial port control: properties as the program uses them, the OnComm event for received
// characters, modem line changes and errors. CommEvent tells which.
//
// Received bytes are kept in the control's input buffer. InBufferCount and Input first take in
// whatever the device has received, so they see every byte even while no events have run (an
// exchange holding the port's events, a handler still running). While the port is open the control wakes when the device has something
// (and, on a port with an OnComm handler, looks at the modem lines every kLineCheckMs) and raises
// OnComm:
// comEvReceive when new characters arrive while RThreshold > 0 and at least RThreshold wait,
// comEvCTS / comEvDSR / comEvCD on every change of those lines, comEvRing on a rising ring line,
// comEvSend when, after an Output, fewer than SThreshold bytes remain to be sent (SThreshold > 0),
// and the error codes when the device reports a line error. A device that goes away while open
// raises DeviceLost once; the control counts as open until the program closes it.
class MSCommControl : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString tag READ tag WRITE setTag)
public:
    // CommEvent values
    enum : int {
        comEvSend = 1,
        comEvReceive = 2,
        comEvCTS = 3,
        comEvDSR = 4,
        comEvCD = 5,
        comEvRing = 6,
        comEvEOF = 7,
        comEventBreak = 1001,
        comEventCTSTO = 1002,
        comEventDSRTO = 1003,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventCDTO = 1007,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        comEventTxFull = 1010,
        comEventDCB = 1011,
    };
    // Run-time error numbers the control raises (rt::VbError).
    enum : int {
        errInvalidPropertyValue = 380, // "Invalid property value"
        errPortOpen = 8000,            // "Operation not valid while the port is opened"
        errPortInvalid = 8002,         // "Invalid port number"
        errPortAlreadyOpen = 8005,     // "Port already open"
        errNoOpen = 8012,              // "The device is not open"
        errSetCommState = 8015,        // "Could not set comm state, ..."
        errPortNotOpen = 8018,         // "Operation valid only when the port is open"
    };
    // Received bytes kept at most; beyond that the oldest are dropped and comEventRxOver raised.
    static constexpr int kInputBufferLimit = 65536;
    // Real milliseconds between two looks at the modem lines of a port that listens for their
    // changes: a change reaches the handler within this time.
    static constexpr int kLineCheckMs = 40;

    explicit MSCommControl(QObject* parent = nullptr);
    ~MSCommControl() override;

    int commPort() const;
    void setCommPort(int n); // rt::VbError 8002 outside 1..255, 8000 while open
    QString settings() const;
    void setSettings(const QString& s); // rt::VbError 380 for a malformed text
    bool portOpen() const;
    // Opening: rt::VbError 8005 when already open or the device is in use, 8002 when the COM
    // number has no device, 8015 when the line settings are refused, 8012 otherwise.
    void setPortOpen(bool open);
    int rThreshold() const;
    void setRThreshold(int n); // rt::VbError 380 below 0
    int sThreshold() const;
    void setSThreshold(int n); // rt::VbError 380 below 0
    bool rtsEnable() const;
    void setRTSEnable(bool on);
    bool dtrEnable() const;
    void setDTREnable(bool on);
    int handshaking() const;
    void setHandshaking(int h); // rt::VbError 380 outside 0..3
    int inputMode() const;      // 0 text, 1 binary
    void setInputMode(int m);   // rt::VbError 380 outside 0..1
    int inputLen() const;       // 0 = everything
    void setInputLen(int n);    // rt::VbError 380 below 0

    // The following raise rt::VbError 8018 while the port is closed.
    void setOutput(const QByteArray& bytes);
    void setOutput(const QString& text); // one byte per character
    QByteArray input();                  // takes up to InputLen bytes from the buffer
    int inBufferCount();                 // bytes received and not yet taken
    void setInBufferCount(int n);        // 0 empties the buffer
    int outBufferCount();                // bytes written and not yet sent
    bool dsrHolding();
    bool ctsHolding();
    bool cdHolding();

    int commEvent() const;

    // The bytes received and not yet taken, left in the buffer.
    QByteArray peekInput();

    // While a hold is on, OnComm is not raised: an exchange waiting for its reply (other events go
    // on meanwhile) takes that reply itself. What was found meanwhile is raised after the last
    // hold ends. Holds nest; a null control is not held.
    class EventHold {
    public:
        explicit EventHold(MSCommControl* port);
        ~EventHold();
        EventHold(const EventHold&) = delete;
        EventHold& operator=(const EventHold&) = delete;

    private:
        QPointer<MSCommControl> m_port;
    };
    bool eventsHeld() const;

    // Any tag text the program keeps on the control.
    QString tag() const;
    void setTag(const QString& t);

signals:
    void OnComm();
    void DeviceLost();

private:
    friend class LineWatch;
    void poll();
    void wake();
    bool listensForLines();
    // Moves what the device holds into the input buffer. wakeForIt: an arrival that raises an
    // event asks for a look from the event loop (poll() raises what its own intake found).
    void takeIn(bool wakeForIt = true);
    void fireQueued();
    void requireOpen() const;
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
