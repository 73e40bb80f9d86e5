#pragma once
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A simulator from tests/tools running for one test: a pseudo-terminal that plays a device,
// mapped to a COM number of the test's registry, steered by lines on its standard input.
class PtySimulator {
public:
    PtySimulator(const QString& tool, const QStringList& arguments);
    ~PtySimulator(); // ends the simulator
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // The device path of the pseudo-terminal; empty when the simulator did not start.
    QString path() const { return m_path; }
    // Writes the hand entry that makes the device "COM" n.
    void mapTo(int comNumber) const;
    // A control line for the simulator.
    void tell(const QString& line);

protected:
    // The next line the simulator prints, without its line end; empty after 5 s of silence.
    QByteArray readLine();

private:
    QProcess m_process;
    QString m_path;
};

// The sensor simulator (tests/tools/sensorsim): answers like a sensor of the given kind; kind and
// options as the simulator takes them ("T", "--temp", "68.25", ...), control lines such as
// "temp 70" or "silent on".
class SensorSimulator : public PtySimulator {
public:
    explicit SensorSimulator(const QStringList& arguments)
        : PtySimulator(QStringLiteral("sensorsim"), arguments) {}
};

// The modem simulator (tests/tools/modemsim): answers each command with the next answer queued by
// answer() ("OK", "BUSY", "NO_DIAL_TONE", "-" for silence), nothing once they run out.
class ModemSimulator : public PtySimulator {
public:
    explicit ModemSimulator(const QStringList& arguments = {})
        : PtySimulator(QStringLiteral("modemsim"), arguments) {}
    void answer(const QString& words) { tell(QStringLiteral("answer ") + words); }
    // Every byte the program has written to the modem so far.
    QByteArray received();
};
