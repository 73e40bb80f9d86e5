#pragma once
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "runtime/task.h"

namespace platform {

// A capture driver: one camera the system offers, in the order the system lists them.
struct CaptureDriver {
    QString id;          // the system's identifier of the device
    QString description; // its name as shown to the user
};

// Real milliseconds a recording's file may take to complete (the program's end allows less).
constexpr int kRecordingFinishMs = 15000;

// The picture size a camera is started with: Small is its smallest format of at least 320x240
// (the summary view), Default the size the camera starts with on its own.
enum class CaptureProfile { Default, Small };

// A camera that is running: frames arrive while it lives; it stops when destroyed. Its waits
// (a still, a recording's end, a new picture size) suspend their caller, who keeps the stream
// alive until the task has ended.
class CaptureStream : public QObject {
    Q_OBJECT
public:
    ~CaptureStream() override = default;

    // The newest frame as an image that fits size (aspect kept); a null image before the first
    // frame. The frame is converted only here, so frames nobody asks for cost nothing.
    virtual QImage frameImage(const QSize& fit) = 0;
    // A still picture at the camera's size; a null image when none could be taken.
    virtual rt::Task<QImage> captureStill() = 0;
    // Starts recording into path (an AVI file); false when the recording cannot start.
    virtual bool startRecording(const QString& path) = 0;
    // Ends the recording and completes its file, waiting at most withinMs of real time for it (also
    // once the program is asked to end); false when there was none, it failed or it did not
    // complete in time.
    virtual rt::Task<bool> stopRecording(int withinMs) = 0;
    virtual bool recording() const = 0;
    // Picture sizes the camera offers ("640x480") and the one in use.
    virtual QStringList formats() const = 0;
    virtual QString currentFormat() const = 0;
    // Restarts the camera with one of formats() and waits for its first picture; false when it
    // cannot.
    virtual rt::Task<bool> setFormat(QString format) = 0;
    // The codec and container recordings are written with.
    virtual QString recordingFormat() const = 0;

signals:
    void frameArrived();
    // The camera stopped on its own (unplugged, taken by another program).
    void lost(const QString& why);
};

// A camera's start: the running stream, or none and why (missing, busy, no picture).
struct CaptureStart {
    std::unique_ptr<CaptureStream> stream;
    QString why;
};

// The cameras of the machine. All calls come from the one program thread.
class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;
    virtual QList<CaptureDriver> drivers() = 0;
    // Starts the camera and waits for its first picture (real time; the wait ends at the end
    // request).
    virtual rt::Task<CaptureStart> open(CaptureDriver driver, CaptureProfile profile) = 0;
};

// The backend in use; tests install a fake (nullptr = the real cameras).
void setCaptureBackend(std::shared_ptr<CaptureBackend> backend);
std::shared_ptr<CaptureBackend> captureBackendOverride();
CaptureBackend& captureBackend();

// The driver a control attaches to: the one whose description is name (the one at index when
// several share it); without a name the one at index; -1 when there is none.
int resolveCaptureDriver(const QList<CaptureDriver>& drivers, int index, const QString& name);

} // namespace platform
