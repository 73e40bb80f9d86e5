#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/mscomm.h"

// A serial device for tests. What the program writes is recorded with the program-clock time;
// bytes and modem-line changes arrive at set program-clock times (so they can come in while no
// events run), either injected by the test or answered from a script: a
// command is what was written up to a CR (without it), however many writes it took.
class FakeSerialPort {
public:
    // Program-clock milliseconds a scripted reply takes to arrive unless told otherwise.
    static constexpr int kReplyMs = 50;

    struct Write {
        qint64 atMs;
        QByteArray bytes;
    };
    using Responder = std::function<void(FakeSerialPort& port, const QByteArray& command)>;
    using WriteHook = std::function<void(FakeSerialPort& port, const QByteArray& bytes)>;

    explicit FakeSerialPort(const QString& path);
    QString path() const { return m_path; }

    // A port that is not present cannot be opened ("Invalid port number") and does not exist.
    void setPresent(bool on) { m_present = on; }
    bool isOpen() const { return m_open; }
    int openCount() const { return m_openCount; }
    platform::LineSettings settings() const { return m_settings; }
    bool rts() const { return m_rts; }
    bool dtr() const { return m_dtr; }

    // Bytes that arrive afterMs of program time from now (dropped if the port is closed then).
    void inject(const QByteArray& bytes, int afterMs = 0);
    // Answers every later sending of command with answer, afterMs after its CR.
    void reply(const QByteArray& command, const QByteArray& answer, int afterMs = kReplyMs);
    void clearReplies() { m_script.clear(); }
    // Called for each command that has no scripted answer.
    void setResponder(Responder r) { m_responder = std::move(r); }
    // Called for every write as it comes, before the command script.
    void setWriteHook(WriteHook h) { m_writeHook = std::move(h); }

    // Modem lines; each change while the port is open raises the line's event.
    void setDsr(bool on, int afterMs = 0);
    void setCts(bool on, int afterMs = 0);
    void setCd(bool on, int afterMs = 0);
    void setRi(bool on, int afterMs = 0);
    bool dsr();
    bool cts();
    bool cd();
    // A line error (a comEvent... code) reported by the device.
    void raiseError(int commEvent, int afterMs = 0);

    const QList<Write>& writes() const { return m_writes; }
    QByteArray written() const;         // every byte written, in order
    QList<QByteArray> commands() const; // the completed commands, in order
    void clearWrites();

    // Used by the backend.
    int open(const platform::LineSettings& s);
    void close();
    void configure(const platform::LineSettings& s) { m_settings = s; }
    void write(const QByteArray& bytes);
    void collect(QByteArray* into);
    void takeEvents(QList<int>* into);
    void setRtsLine(bool on) { m_rts = on; }
    void setDtrLine(bool on) { m_dtr = on; }
    bool probe() const { return m_present && !m_open; }

private:
    struct Due {
        qint64 atMs;
        std::function<void()> apply;
    };
    void schedule(int afterMs, std::function<void()> apply);
    void advance();
    void setLine(bool* line, int event, bool on);

    QString m_path;
    bool m_present = true;
    bool m_open = false;
    int m_openCount = 0;
    platform::LineSettings m_settings;
    bool m_rts = false, m_dtr = false;
    bool m_dsr = false, m_cts = false, m_cd = false, m_ri = false;
    QByteArray m_incoming;  // arrived, not yet collected
    QList<int> m_events;    // line changes and errors not yet taken
    std::vector<Due> m_due; // in order of arrival time
    QList<Write> m_writes;
    QByteArray m_partial; // command being written
    QMap<QByteArray, QPair<QByteArray, int>> m_script;
    Responder m_responder;
    WriteHook m_writeHook;
};

// Installs fake devices in place of the real ones for its lifetime: every port a control opens is
// one of its fakes (any other path is "Invalid port number"), and discovery of the machine's
// devices is off. Needs a private registry (TestEnv) for the COM numbers. A device stays usable
// by a control that still holds it after the hub has gone, but new opens reach real devices again.
class FakeSerialHub {
public:
    FakeSerialHub();
    ~FakeSerialHub();
    FakeSerialHub(const FakeSerialHub&) = delete;
    FakeSerialHub& operator=(const FakeSerialHub&) = delete;

    // A fake device mapped to "COM" n.
    FakeSerialPort& add(int comNumber);
    // A fake device at a path, not mapped.
    FakeSerialPort& addPath(const QString& path);
    FakeSerialPort* find(const QString& path) const;

private:
    // Shared with the controls' backends, so a control still open when the hub goes is safe.
    std::vector<std::shared_ptr<FakeSerialPort>> m_ports;
    platform::CommBackendFactory m_oldFactory;
    std::function<QStringList()> m_oldDiscovery;
};
