#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// The sensor simulator (tests/tools/sensorsim) running for one test: a pseudo-terminal that
// answers like a sensor of the given kind, mapped to a COM number of the test's registry.
class SensorSimulator {
public:
    // kind and options as the simulator takes them ("T", "--temp", "68.25", ...).
    explicit SensorSimulator(const QStringList& arguments);
    ~SensorSimulator(); // ends the simulator
    SensorSimulator(const SensorSimulator&) = delete;
    SensorSimulator& operator=(const SensorSimulator&) = delete;

    // The device path of the pseudo-terminal; empty when the simulator did not start.
    QString path() const { return m_path; }
    // Writes the hand entry that makes the device "COM" n.
    void mapTo(int comNumber) const;
    // A control line for the simulator ("temp 70", "silent on", ...).
    void tell(const QString& line);

private:
    QProcess m_process;
    QString m_path;
};
