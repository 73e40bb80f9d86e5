#pragma once
#include <memory>

#include "platform/mscomm.h"

class QSerialPort;

namespace platform {

// A real serial device through QSerialPort. Bytes go out and come in through the device's file
// descriptor at once, so an exchange works even while no events run; the control
// is woken when bytes arrive or the port reports an error. Modem lines are watched by comparing
// them at every look; on a device that cannot report them (a pseudo-terminal) they read low and
// never change, no look is asked for, and RTS/DTR requests are ignored.
class QtSerialBackend : public CommBackend {
public:
    QtSerialBackend();
    ~QtSerialBackend() override;

    int open(const QString& devicePath, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override;
    bool configure(const LineSettings& settings) override;
    void write(const QByteArray& bytes) override;
    qint64 bytesToWrite() override;
    void collect(QByteArray* into) override;
    bool dsr() override;
    bool cts() override;
    bool cd() override;
    bool ri() override;
    void setRts(bool on) override;
    void setDtr(bool on) override;
    void takeEvents(QList<int>* into) override;
    bool probe(const QString& devicePath) override;
    bool gone() override { return m_gone; }
    void setNotify(std::function<void()> notify) override;
    bool needsLineChecks() override { return m_port && !m_gone && m_linesReadable; }

private:
    int lines();
    std::unique_ptr<QSerialPort> m_port;
    bool m_linesReadable = true;
    bool m_gone = false; // the device went away while open
    int m_lastLines = 0;
    std::function<void()> m_notify;
};

} // namespace platform
