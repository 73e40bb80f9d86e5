#pragma once
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/capture.h"

// Cameras for tests. Each fake camera can be unplugged, busy (held by another program), silent or
// fail its stills; frames arrive when the test sends them. What the program asked of the cameras is
// recorded: every start with its picture size, stills, recordings.
class FakeCamera {
public:
    explicit FakeCamera(const QString& description) : m_description(description) {}
    QString description() const { return m_description; }
    QString id() const { return QStringLiteral("fake:") + m_description; }

    // A camera not present is not listed and cannot be started.
    void setPresent(bool on) { m_present = on; }
    bool present() const { return m_present; }
    // A busy camera is listed but refuses to start.
    void setBusy(bool on) { m_busy = on; }
    bool busy() const { return m_busy; }
    // A camera whose stills fail.
    void setStillFails(bool on) { m_stillFails = on; }
    bool stillFails() const { return m_stillFails; }
    // A silent camera starts but its start waits for a first frame, as a real one does, until the
    // start's bound (program time): the start fails then unless the test sent a frame.
    void setSilent(bool on) { m_silent = on; }
    bool silent() const { return m_silent; }

    // Starts, each as "Default" or "Small", and the program-clock times of starts and stops.
    QStringList starts;
    QList<qint64> startedAt, stoppedAt;
    // Running streams of this camera (0 or 1 as the program uses it).
    int running = 0;
    // Frames converted for the screen.
    int conversions = 0;
    QStringList recordings; // files recorded, in order

private:
    QString m_description;
    bool m_present = true;
    bool m_busy = false;
    bool m_stillFails = false;
    bool m_silent = false;
};

// Installs the fake cameras in place of the real ones for its lifetime.
class FakeCaptureSystem {
public:
    FakeCaptureSystem();
    ~FakeCaptureSystem();
    FakeCaptureSystem(const FakeCaptureSystem&) = delete;
    FakeCaptureSystem& operator=(const FakeCaptureSystem&) = delete;

    FakeCamera& add(const QString& description);
    FakeCamera& camera(int i) { return *m_cameras[size_t(i)]; }
    // Sends one frame to every running camera (or to the one named).
    void sendFrame(const QString& description = QString());
    // Unplugs a running camera: it disappears and its stream reports the loss.
    void unplug(const QString& description);

    struct Impl;

private:
    std::vector<std::shared_ptr<FakeCamera>> m_cameras;
    std::shared_ptr<platform::CaptureBackend> m_old;
    std::shared_ptr<Impl> d;
};

// Makes the test cameras plugin (tests/gstcam) the machine's cameras, count of them, through the
// GStreamer backend. Call before the application object is made.
void useTestCameras(int count);
// Unplugs the test cameras of these numbers (1 = "Test Camera 1"), plugs the others back in.
void unplugTestCameras(const QList<int>& numbers);
