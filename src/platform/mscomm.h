#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

// What the serial control needs of a port; the real backend wraps QSerialPort, tests install a
// fake. All calls come from the one program thread.
class CommBackend {
public:
    virtual ~CommBackend() = default;
    // settings as "9600,n,8,1"; false with *error set when the port cannot be opened
    virtual bool open(const QString& devicePath, const QString& settings, QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(const QByteArray& bytes) = 0;
    // Moves every byte that has arrived into *into (even while no events run).
    virtual void collect(QByteArray* into) = 0;
    virtual bool dsr() = 0;
    virtual bool cts() = 0;
    virtual bool cd() = 0;
    virtual void setRts(bool on) = 0;
    virtual void setDtr(bool on) = 0;
};

// Creates the backend for a device path; tests replace it.
using CommBackendFactory = std::function<std::unique_ptr<CommBackend>(const QString& devicePath)>;
void setCommBackendFactory(CommBackendFactory factory); // empty = the real ports
CommBackendFactory commBackendFactory();

// The serial port control: properties as the program uses them, the OnComm event for received
// characters, modem line changes and errors. CommEvent tells which.
class MSCommControl : public QObject {
    Q_OBJECT
public:
    // CommEvent values
    enum : int {
        comEvSend = 1, comEvReceive = 2, comEvCTS = 3, comEvDSR = 4, comEvCD = 5, comEvRing = 6,
        comEvEOF = 7,
        comEventBreak = 1001, comEventFrame = 1004, comEventOverrun = 1006, comEventRxOver = 1008,
        comEventRxParity = 1009, comEventTxFull = 1010, comEventDCB = 1011,
    };
    explicit MSCommControl(QObject* parent = nullptr);
    ~MSCommControl() override;

    int commPort() const;
    void setCommPort(int n);                 // rt::VbError 8005 while open
    QString settings() const;
    void setSettings(const QString& s);      // rt::VbError 380 for a malformed text
    bool portOpen() const;
    void setPortOpen(bool open);             // rt::VbError 8002 / 8005 / 8012 ... on failure
    int rThreshold() const;
    void setRThreshold(int n);
    int sThreshold() const;
    void setSThreshold(int n);
    bool rtsEnable() const;
    void setRTSEnable(bool on);
    bool dtrEnable() const;
    void setDTREnable(bool on);
    int handshaking() const;
    void setHandshaking(int h);
    int inputMode() const;                   // 0 text, 1 binary
    void setInputMode(int m);
    int inputLen() const;                    // 0 = everything
    void setInputLen(int n);

    void setOutput(const QByteArray& bytes); // rt::VbError 8018 when the port is closed
    QByteArray input();                      // takes up to InputLen bytes from the buffer
    int inBufferCount();                     // bytes received and not yet taken
    void setInBufferCount(int n);            // 0 empties the buffer
    int commEvent() const;
    bool dsrHolding();
    bool ctsHolding();
    bool cdHolding();

    // Any tag text the program keeps on the control.
    QString tag() const;
    void setTag(const QString& t);

signals:
    void OnComm();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
