// The real cameras through Qt Multimedia: the devices it lists are the capture drivers; a running
// camera feeds a video sink (frames are kept as they come and converted only when asked), a still
// capture and a recorder.
#include <QCamera>
#include <QCameraDevice>
#include <QFileInfo>
#include <QImageCapture>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaRecorder>
#include <QUrl>
#include <QVarLengthArray>
#include <QVideoFrame>
#include <QVideoSink>
#include <optional>

#include "platform/capture.h"
#include "runtime/task.h"

namespace platform {

namespace {

// Bounds of the waits for the camera (real time: a camera runs at its own pace).
constexpr int kStartMs = 8000;
constexpr int kStillMs = 4000;

QString sizeText(const QSize& s) { return QStringLiteral("%1x%2").arg(s.width()).arg(s.height()); }

// The format of the profile: the smallest of at least 320x240 for Small (highest frame rate
// among equals); an invalid format (the camera's own choice) for Default or when none fits.
QCameraFormat formatFor(const QCameraDevice& device, CaptureProfile profile) {
    QCameraFormat best;
    if (profile != CaptureProfile::Small) return best;
    for (const QCameraFormat& f : device.videoFormats()) {
        const QSize s = f.resolution();
        if (s.width() < 320 || s.height() < 240) continue;
        const qint64 area = qint64(s.width()) * s.height();
        if (best.isNull()) {
            best = f;
            continue;
        }
        const QSize b = best.resolution();
        const qint64 bestArea = qint64(b.width()) * b.height();
        if (area < bestArea || (area == bestArea && f.maxFrameRate() > best.maxFrameRate())) best = f;
    }
    return best;
}

// One pixel from video-range YUV (BT.601, as cameras send it).
inline QRgb yuvPixel(int y, int u, int v) {
    const int c = 298 * (y - 16) + 128, d = u - 128, e = v - 128;
    const auto clip = [](int x) { return x < 0 ? 0 : x > 255 ? 255 : x; };
    return qRgb(clip((c + 409 * e) >> 8), clip((c - 100 * d - 208 * e) >> 8), clip((c + 516 * d) >> 8));
}

// Whether the frame's YUV is what yuvPixel converts: BT.601 at video range. HD frames and decoded
// JPEG are marked otherwise (or are HD and unmarked) and go through Qt's conversion, which reads
// the marks.
bool bt601VideoRange(const QVideoFrameFormat& format) {
    const QVideoFrameFormat::ColorSpace space = format.colorSpace();
    const bool sd = space == QVideoFrameFormat::ColorSpace_BT601 ||
                    (space == QVideoFrameFormat::ColorSpace_Undefined && format.frameHeight() <= 576);
    return sd && format.colorRange() != QVideoFrameFormat::ColorRange_Full;
}

// The mapped frame drawn into an image of size out (nearest pixel), in one pass for the formats
// cameras send; a null image for other formats and other YUV colour marks. Qt's own conversion
// renders each frame at full size through OpenGL (in software on many machines) and reads it back:
// several times the cost.
QImage convertScaled(const QVideoFrame& f, const QSize& out) {
    const QVideoFrameFormat::PixelFormat format = f.pixelFormat();
    const QImage::Format rgb = QVideoFrameFormat::imageFormatFromPixelFormat(format);
    if (rgb != QImage::Format_Invalid) {
        const QImage whole(f.bits(0), f.width(), f.height(), f.bytesPerLine(0), rgb);
        return out == whole.size() ? whole.copy() : whole.scaled(out, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    using F = QVideoFrameFormat;
    const bool packed = format == F::Format_YUYV || format == F::Format_UYVY;
    const bool planar = format == F::Format_YUV420P || format == F::Format_YV12;
    const bool semi = format == F::Format_NV12 || format == F::Format_NV21;
    if ((!packed && !planar && !semi) || !bt601VideoRange(f.surfaceFormat())) return QImage();
    QImage image(out, QImage::Format_RGB32);
    QVarLengthArray<int, 1024> xs(out.width());
    for (int x = 0; x < out.width(); ++x) xs[x] = x * f.width() / out.width();
    for (int y = 0; y < out.height(); ++y) {
        const int sy = y * f.height() / out.height();
        const uchar* l0 = f.bits(0) + sy * f.bytesPerLine(0);
        const uchar* l1 = planar || semi ? f.bits(1) + sy / 2 * f.bytesPerLine(1) : nullptr;
        const uchar* l2 = planar ? f.bits(2) + sy / 2 * f.bytesPerLine(2) : nullptr;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int sx = xs[x];
            int yy, u, v;
            if (packed) {
                const uchar* pair = l0 + (sx & ~1) * 2;
                const bool yuyv = format == F::Format_YUYV;
                yy = pair[(sx & 1) * 2 + (yuyv ? 0 : 1)];
                u = pair[yuyv ? 1 : 0];
                v = pair[yuyv ? 3 : 2];
            } else if (planar) {
                yy = l0[sx];
                u = (format == F::Format_YUV420P ? l1 : l2)[sx / 2];
                v = (format == F::Format_YUV420P ? l2 : l1)[sx / 2];
            } else {
                yy = l0[sx];
                u = l1[(sx & ~1) + (format == F::Format_NV12 ? 0 : 1)];
                v = l1[(sx & ~1) + (format == F::Format_NV12 ? 1 : 0)];
            }
            line[x] = yuvPixel(yy, u, v);
        }
    }
    return image;
}

class QtCaptureStream : public CaptureStream {
public:
    explicit QtCaptureStream(const QCameraDevice& device) : m_device(device), m_camera(device) {
        // The sink hands each frame over while the camera's streaming thread waits for it, and a
        // wait past its limit (300 ms) ends the stream with an error. So the frame is only kept
        // here; its users hear of it afterwards, once for however many frames came meanwhile.
        QObject::connect(&m_sink, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame& f) {
            m_frame = f;
            ++m_frames;
            if (m_framePending) return;
            m_framePending = true;
            QMetaObject::invokeMethod(this, [this] {
                m_framePending = false;
                emit frameArrived();
            }, Qt::QueuedConnection);
        });
        QObject::connect(&m_camera, &QCamera::errorOccurred, this, [this](QCamera::Error e, const QString& text) {
            if (e == QCamera::NoError) return;
            m_error = text.isEmpty() ? QStringLiteral("the camera reported an error") : text;
            if (m_started) emit lost(m_error);
        });
        QObject::connect(&m_devices, &QMediaDevices::videoInputsChanged, this, [this] {
            if (!m_started) return;
            for (const QCameraDevice& d : QMediaDevices::videoInputs())
                if (d.id() == m_device.id()) return;
            emit lost(QStringLiteral("the camera was unplugged"));
        });
    }

    // The session is taken apart before its parts go: a sink or recorder destroyed while still in
    // a running session brings the pipeline down under it. The camera leaves first, while the
    // sink still takes its frames: a sink taken away under a running camera has the session put
    // a new one in its place, the camera negotiates with that one again, and the camera's removal
    // could then wait for ever on a streaming thread that waits for the new sink.
    ~QtCaptureStream() override {
        disconnect(&m_sink, nullptr, this, nullptr);
        m_camera.stop();
        m_session.setCamera(nullptr);
        m_session.setRecorder(nullptr);
        m_session.setImageCapture(nullptr);
        m_session.setVideoSink(nullptr);
    }

    // Starts the camera and waits for its first frame; why it did not start, empty when it did.
    rt::Task<QString> start(CaptureProfile profile) {
        // The format and every consumer are in place before the camera joins the session, so the
        // source negotiates once: a later change of the pipeline can stall it after its first frame.
        const QCameraFormat f = formatFor(m_device, profile);
        if (!f.isNull()) m_camera.setCameraFormat(f);
        m_session.setVideoSink(&m_sink);
        m_session.setImageCapture(&m_still);
        m_session.setRecorder(&m_recorder);
        m_session.setCamera(&m_camera);
        m_camera.start();
        const bool ok = co_await rt::UntilReal([this] { return m_frames > 0 || !m_error.isEmpty(); }, kStartMs);
        if (!ok || !m_error.isEmpty()) {
            m_camera.stop();
            co_return m_error.isEmpty() ? QStringLiteral("the camera sent no picture") : m_error;
        }
        m_started = true;
        co_return QString();
    }

    QImage frameImage(const QSize& fit) override {
        if (!m_frame.isValid()) return QImage();
        const QSize out = fit.isValid() ? m_frame.size().scaled(fit, Qt::KeepAspectRatio) : m_frame.size();
        if (!out.isEmpty() && !m_frame.mirrored() && m_frame.rotationAngle() == QVideoFrame::Rotation0 &&
            m_frame.map(QVideoFrame::ReadOnly)) {
            QImage image = convertScaled(m_frame, out);
            m_frame.unmap();
            if (!image.isNull()) return image;
        }
        QImage image = m_frame.toImage();
        if (image.isNull() || !fit.isValid() || fit == image.size()) return image;
        return image.scaled(fit, Qt::KeepAspectRatio, Qt::FastTransformation);
    }

    rt::Task<QImage> captureStill() override {
        QImage still;
        if (m_still.isReadyForCapture()) {
            const int id = m_still.capture();
            // Kept apart from the stream's frame: the connections below may outlive this wait.
            auto taken = std::make_shared<std::optional<QImage>>();
            QMetaObject::Connection c1 = QObject::connect(&m_still, &QImageCapture::imageCaptured, this,
                                                          [id, taken](int got, const QImage& image) {
                                                              if (got == id) *taken = image;
                                                          });
            QMetaObject::Connection c2 = QObject::connect(
                &m_still, &QImageCapture::errorOccurred, this, [id, taken](int got, QImageCapture::Error, const QString&) {
                    if (got == id && !taken->has_value()) *taken = QImage();
                });
            const std::optional<QImage>* got = taken.get(); // see rt::Until on captures
            if (id >= 0) co_await rt::UntilReal([got] { return got->has_value(); }, kStillMs);
            QObject::disconnect(c1);
            QObject::disconnect(c2);
            still = taken->value_or(QImage());
        }
        // The still element may be missing or slow: the newest frame is the picture then.
        if (still.isNull() && m_frame.isValid()) still = m_frame.toImage();
        co_return still;
    }

    bool startRecording(const QString& path) override {
        if (recording()) return false;
        QMediaFormat format(QMediaFormat::AVI);
        format.setVideoCodec(QMediaFormat::VideoCodec::VP8);
        m_recorder.setMediaFormat(format);
        m_recorder.setOutputLocation(QUrl::fromLocalFile(path));
        m_recordPath = path;
        m_recordError.clear();
        QMetaObject::Connection c = QObject::connect(&m_recorder, &QMediaRecorder::errorOccurred, this,
                                                     [this](QMediaRecorder::Error, const QString& text) {
                                                         m_recordError = text.isEmpty() ? QStringLiteral("error") : text;
                                                     });
        m_recordErrorConnection = c;
        m_recorder.record();
        return m_recorder.recorderState() == QMediaRecorder::RecordingState && m_recordError.isEmpty();
    }

    rt::Task<bool> stopRecording(int withinMs) override {
        if (m_recorder.recorderState() == QMediaRecorder::StoppedState) co_return false;
        m_recorder.stop();
        // Also at the program's end: the file is completed within the caller's bound, not dropped.
        co_await rt::UntilReal([this] { return m_recorder.recorderState() == QMediaRecorder::StoppedState; }, withinMs,
                               rt::AtEnd::GoOn);
        QObject::disconnect(m_recordErrorConnection);
        // The file is complete once the recorder has stopped; it may keep a name of its own.
        const QString written = m_recorder.actualLocation().toLocalFile();
        if (!written.isEmpty() && written != m_recordPath && QFileInfo::exists(written)) QFile::rename(written, m_recordPath);
        co_return m_recorder.recorderState() == QMediaRecorder::StoppedState && m_recordError.isEmpty() &&
            QFileInfo(m_recordPath).size() > 0;
    }

    bool recording() const override { return m_recorder.recorderState() != QMediaRecorder::StoppedState; }

    QStringList formats() const override {
        QStringList out;
        for (const QCameraFormat& f : m_device.videoFormats()) {
            const QString s = sizeText(f.resolution());
            if (!out.contains(s)) out << s;
        }
        return out;
    }

    QString currentFormat() const override {
        if (m_frame.isValid()) return sizeText(m_frame.size());
        return sizeText(m_camera.cameraFormat().resolution());
    }

    rt::Task<bool> setFormat(QString format) override {
        QCameraFormat pick;
        for (const QCameraFormat& f : m_device.videoFormats())
            if (sizeText(f.resolution()) == format && (pick.isNull() || f.maxFrameRate() > pick.maxFrameRate()))
                pick = f;
        if (pick.isNull() || recording()) co_return false;
        m_camera.stop();
        m_camera.setCameraFormat(pick);
        m_frame = QVideoFrame();
        const int before = m_frames;
        m_camera.start();
        co_return co_await rt::UntilReal([this, before] { return m_frames > before; }, kStartMs);
    }

    QString recordingFormat() const override { return QStringLiteral("VP8 video in AVI"); }

private:
    QCameraDevice m_device;
    QMediaDevices m_devices;
    QCamera m_camera;
    QMediaCaptureSession m_session;
    QVideoSink m_sink;
    QImageCapture m_still;
    QMediaRecorder m_recorder;
    QVideoFrame m_frame;
    int m_frames = 0;
    bool m_framePending = false;
    bool m_started = false;
    QString m_error;
    QString m_recordPath;
    QString m_recordError;
    QMetaObject::Connection m_recordErrorConnection;
};

class QtCaptureBackend : public CaptureBackend {
public:
    QList<CaptureDriver> drivers() override {
        QList<CaptureDriver> out;
        for (const QCameraDevice& d : QMediaDevices::videoInputs())
            out.append({QString::fromUtf8(d.id()), d.description()});
        return out;
    }

    rt::Task<CaptureStart> open(CaptureDriver driver, CaptureProfile profile) override {
        std::unique_ptr<QtCaptureStream> stream;
        for (const QCameraDevice& d : QMediaDevices::videoInputs())
            if (!stream && QString::fromUtf8(d.id()) == driver.id) stream = std::make_unique<QtCaptureStream>(d);
        if (!stream) co_return CaptureStart{nullptr, QStringLiteral("the camera is not attached")};
        const QString why = co_await stream->start(profile);
        if (!why.isEmpty()) co_return CaptureStart{nullptr, why};
        co_return CaptureStart{std::move(stream), QString()};
    }
};

std::shared_ptr<CaptureBackend>& overrideSlot() {
    static std::shared_ptr<CaptureBackend> backend;
    return backend;
}

} // namespace

void setCaptureBackend(std::shared_ptr<CaptureBackend> backend) { overrideSlot() = std::move(backend); }
std::shared_ptr<CaptureBackend> captureBackendOverride() { return overrideSlot(); }

CaptureBackend& captureBackend() {
    if (overrideSlot()) return *overrideSlot();
    static QtCaptureBackend real;
    return real;
}

int resolveCaptureDriver(const QList<CaptureDriver>& drivers, int index, const QString& name) {
    if (!name.isEmpty()) {
        if (index >= 0 && index < drivers.size() && drivers[index].description == name) return index;
        for (int i = 0; i < drivers.size(); ++i)
            if (drivers[i].description == name) return i;
        // A named camera that is gone is missing: the index may now be another camera's.
        return -1;
    }
    return (index >= 0 && index < drivers.size()) ? index : -1;
}

} // namespace platform
