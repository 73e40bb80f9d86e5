#pragma once
#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>

#include "platform/capture.h"
#include "runtime/task.h"

// The video capture control of a camera position (1..4) or of the summary view (0). Writing its
// driver index attaches it to that capture driver (a camera of the machine) and shows the live
// picture at the size of the resolution profile written for the camera; a driver is held by one
// control at a time. Stills and recordings are taken from the
// attached camera. Until a camera is attached it shows "No camera". Its waits for the camera (a
// start, a still, a recording's end) suspend their caller and hold nothing else.
class ezVidCap : public QWidget {
    Q_OBJECT
public:
    explicit ezVidCap(QWidget* parent = nullptr);
    ~ezVidCap() override;

    // ---- Capture drivers of the machine.
    static int driverCount();
    static QString driverDescription(int index);

    // ---- Attaching. The driver name is looked for first (so a replugged camera keeps its
    // place), the index second.
    int driverindex() const { return m_driverIndex; }
    // Attaches the control and waits for the camera's first picture; false when the camera is
    // missing, held by another control or does not start (lastError() tells which, the control is
    // then detached), or when a later attach or detach of the control came first.
    rt::Task<bool> setDriverindex(int index);
    void setDriverName(const QString& name) { m_driverName = name; }
    QString driverName() const { return m_driverName; }
    QString lastError() const { return m_lastError; }
    bool attached() const { return m_stream != nullptr; }
    // Detaches the control from its capture driver; 1 when a driver was attached, else 0.
    int driverDisconnect();

    // The property start-up sets to 1 on every capture control.
    int startupState() const { return m_startupState; }
    void setStartupState(int v) { m_startupState = v; }
    // Whether the control shows the picture after a capture.
    bool display() const { return m_display; }
    void setDisplay(bool on) { m_display = on; }

    // ---- Captures. The six capture options are numbered 1..6; a still capture sets them first.
    bool captureOption(int n) const;
    void setCaptureOption(int n, bool on);
    // Takes a still picture from the camera; false when none could be taken.
    rt::Task<bool> captureStill();
    // Writes the last still as a BMP file; false when there is none or it cannot be written.
    bool savePicture(const QString& path);
    // Recording into a file of the control's own, then moved to its name by saveRecording.
    bool startRecording();
    // Ends the recording, waiting at most withinMs of real time for its file to complete.
    rt::Task<bool> stopRecording(int withinMs = platform::kRecordingFinishMs);
    bool saveRecording(const QString& path);
    bool recording() const;
    // Ends a running recording within withinMs and keeps it under a capture file name of its own,
    // as when the camera goes; false when none ran or it recorded nothing.
    rt::Task<bool> keepRecording(int withinMs);
    // At the program's end, after every control has been asked to keep its recording: waits at
    // most withinMs of real time for the recordings still being completed; those not complete by
    // then leave no file.
    static rt::Task<> AwaitRecordingsAtEnd(int withinMs);

    // ---- The camera's dialogs.
    void showDriverDialog();
    rt::Task<> showFormatDialog();
    void showCompressorDialog();

    // Frames converted for the screen since the control was made (each shown frame once).
    int framesShown() const { return m_framesShown; }

    QSize sizeHint() const override { return QSize(320, 240); }

signals:
    // The attached camera stopped on its own (unplugged); the control is detached already.
    void cameraLost(const QString& why);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void onFrame();
    void onLost(const QString& why);
    void release();

    int m_driverIndex = -1;
    QString m_driverName;
    QString m_driverId;
    QString m_lastError;
    // Shared with the waits on the camera and with a recording still being completed after the
    // control let the camera go: the camera runs until the last of them has ended.
    std::shared_ptr<platform::CaptureStream> m_stream;
    int m_attach = 0; // counts attaches and detaches: a start overtaken by a later one is dropped
    QImage m_image; // the newest shown frame, already at the control's size
    QImage m_still;
    QString m_recordingFile;
    QString m_recordedFile; // complete, waiting for its name
    int m_startupState = 0;
    bool m_display = false;
    std::array<bool, 6> m_options{};
    int m_framesShown = 0;
};
