#include "cameras/ezVidCap.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <optional>

#include "cameras/camdrivers.h"
#include "cameras/camviews.h"
#include "platform/capture.h"
#include "runtime/appdir.h"
#include "runtime/msgbox.h"

namespace {

// Which control holds each capture driver (by the system's device id).
QHash<QString, ezVidCap*>& holders() {
    static QHash<QString, ezVidCap*> h;
    return h;
}

int g_recordingSerial = 0;

// The picture size chosen for each camera (by its name) in this run: a camera that comes back
// after an unplug is started with it again.
QHash<QString, QString>& chosenFormats() {
    static QHash<QString, QString> f;
    return f;
}

// Streams of each capture driver that still run or are being started: attached to a control,
// completing a recording after their control let them go, or a start a later one overtook. A
// camera is started again only once its stream of before is gone. Kept to the program's end.
QHash<QString, int>& runningStreams() {
    static auto* running = new QHash<QString, int>;
    return *running;
}

// One use of a capture driver while it lives.
class DriverUse {
public:
    explicit DriverUse(QString id) : m_id(std::move(id)) { ++runningStreams()[m_id]; }
    ~DriverUse() {
        if (--runningStreams()[m_id] <= 0) runningStreams().remove(m_id);
    }
    DriverUse(const DriverUse&) = delete;
    DriverUse& operator=(const DriverUse&) = delete;

private:
    QString m_id;
};

// A started stream, counted as a use of its driver until its last holder lets it go.
std::shared_ptr<platform::CaptureStream> counted(std::unique_ptr<platform::CaptureStream> stream, const QString& id) {
    auto use = std::make_shared<DriverUse>(id);
    return std::shared_ptr<platform::CaptureStream>(stream.release(), [use](platform::CaptureStream* s) { delete s; });
}

// Waits until no stream of the driver runs any more, at most as long as a recording takes to
// complete (then the start is tried all the same).
rt::Task<> driverLetGo(QString id) {
    const QString* driver = &id; // see rt::Until on captures
    while (runningStreams().contains(id)) {
        const bool gone = co_await rt::UntilReal([driver] { return !runningStreams().contains(*driver); },
                                                 platform::kRecordingFinishMs);
        if (!gone) co_return;
    }
}

// The files of the recordings being completed now, for the program's end.
QStringList& completing() {
    static auto* files = new QStringList;
    return *files;
}

// Ends a recording and completes its file; a recording that did not complete leaves no file.
rt::Task<bool> completeRecording(std::shared_ptr<platform::CaptureStream> stream, QString file, int withinMs) {
    completing().append(file);
    const bool complete = co_await stream->stopRecording(withinMs);
    completing().removeOne(file);
    if (!complete) QFile::remove(file);
    co_return complete;
}

// A recording whose control let its camera go (or is gone) is completed apart from the control:
// kept under a capture file name of its own, or left out.
rt::Task<> completeApart(std::shared_ptr<platform::CaptureStream> stream, QString file, bool keep) {
    const bool complete = co_await completeRecording(std::move(stream), file, platform::kRecordingFinishMs);
    if (!complete) co_return;
    if (!keep || !QFile::rename(file, modSupport::NewCaptureFile(QStringLiteral(".avi")))) QFile::remove(file);
}

} // namespace

ezVidCap::ezVidCap(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
}

ezVidCap::~ezVidCap() {
    // The program's end has kept its recordings already; a control destroyed otherwise while it
    // records leaves nothing behind.
    if (m_stream && !m_recordingFile.isEmpty()) completeApart(m_stream, std::exchange(m_recordingFile, QString()), false);
    release();
    if (!m_recordedFile.isEmpty()) QFile::remove(m_recordedFile);
}

int ezVidCap::driverCount() { return int(platform::captureBackend().drivers().size()); }

QString ezVidCap::driverDescription(int index) {
    const QList<platform::CaptureDriver> drivers = platform::captureBackend().drivers();
    return (index >= 0 && index < drivers.size()) ? drivers[index].description : QString();
}

rt::Task<bool> ezVidCap::setDriverindex(int index) {
    release();
    const int attach = m_attach;
    const QPointer<ezVidCap> self(this);
    // Overtaken while it waited (detached, attached anew, or the control is gone): the camera goes.
    const auto overtaken = [&] { return !self || m_attach != attach; };
    m_driverIndex = index;
    m_lastError.clear();
    const QList<platform::CaptureDriver> drivers = platform::captureBackend().drivers();
    const int found = platform::resolveCaptureDriver(drivers, index, m_driverName);
    if (found < 0) {
        m_lastError = QStringLiteral("the camera is not attached");
    } else if (ezVidCap* other = holders().value(drivers[found].id); other && other != this) {
        m_lastError = QStringLiteral("the camera is in use by another view");
    } else {
        const platform::CaptureDriver d = drivers[found];
        if (m_driverName.isEmpty()) m_driverName = d.description;
        // Held from here on: no other control starts the camera while this one waits for it.
        m_driverId = d.id;
        holders().insert(d.id, this);
        // A recording of before may still be completing on the camera.
        co_await driverLetGo(d.id);
        if (overtaken()) co_return false;
        const DriverUse starting(d.id);
        platform::CaptureStart started =
            co_await platform::captureBackend().open(d, modSupport::CamCaptureProfile(d.description));
        if (overtaken()) co_return false;
        if (started.stream) {
            m_stream = counted(std::move(started.stream), d.id);
            connect(m_stream.get(), &platform::CaptureStream::frameArrived, this, &ezVidCap::onFrame);
            connect(m_stream.get(), &platform::CaptureStream::lost, this, &ezVidCap::onLost);
            const QString chosen = chosenFormats().value(m_driverName);
            if (!chosen.isEmpty() && chosen != m_stream->currentFormat()) {
                const std::shared_ptr<platform::CaptureStream> stream = m_stream;
                co_await stream->setFormat(chosen);
                if (overtaken()) co_return false;
            }
        } else {
            m_lastError = started.why.isEmpty() ? QStringLiteral("the camera did not start") : started.why;
        }
    }
    if (!m_stream) {
        if (!m_driverId.isEmpty() && holders().value(m_driverId) == this) holders().remove(m_driverId);
        m_driverId.clear();
        m_driverIndex = -1;
    }
    update();
    co_return m_stream != nullptr;
}

void ezVidCap::release() {
    // A start still waiting for its camera is overtaken.
    ++m_attach;
    if (m_stream) {
        disconnect(m_stream.get(), nullptr, this, nullptr);
        // A recording that runs when the camera goes (disconnected, unplugged or moved to another
        // view) is completed and kept under a name of its own; one that recorded nothing leaves no
        // file. The camera runs on until its file is complete.
        if (!m_recordingFile.isEmpty()) completeApart(m_stream, std::exchange(m_recordingFile, QString()), true);
    }
    m_stream.reset();
    if (!m_driverId.isEmpty() && holders().value(m_driverId) == this) holders().remove(m_driverId);
    m_driverId.clear();
    m_image = QImage();
}

int ezVidCap::driverDisconnect() {
    const bool wasAttached = attached();
    release();
    m_driverIndex = -1;
    update();
    return wasAttached ? 1 : 0;
}

void ezVidCap::onFrame() {
    // Frames of a control that is not on screen are not converted.
    if (!isVisible() || (window() && window()->isMinimized())) return;
    m_image = m_stream->frameImage(size());
    ++m_framesShown;
    update();
}

void ezVidCap::onLost(const QString& why) {
    m_lastError = why;
    release();
    update();
    emit cameraLost(why);
}

bool ezVidCap::captureOption(int n) const { return n >= 1 && n <= 6 && m_options[size_t(n - 1)]; }

void ezVidCap::setCaptureOption(int n, bool on) {
    if (n >= 1 && n <= 6) m_options[size_t(n - 1)] = on;
}

rt::Task<bool> ezVidCap::captureStill() {
    const std::shared_ptr<platform::CaptureStream> stream = m_stream;
    const QPointer<ezVidCap> self(this);
    QImage still;
    if (stream) still = co_await stream->captureStill();
    if (!self) co_return false;
    m_still = still;
    co_return !m_still.isNull();
}

bool ezVidCap::savePicture(const QString& path) {
    if (m_still.isNull()) return false;
    return m_still.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

bool ezVidCap::startRecording() {
    if (!m_stream || m_stream->recording()) return false;
    if (!m_recordedFile.isEmpty()) QFile::remove(m_recordedFile);
    m_recordedFile.clear();
    const QString folder = rt::appFile(QStringLiteral("capturefiles"));
    QDir().mkpath(folder);
    m_recordingFile = QDir(folder).filePath(
        QStringLiteral("~recording-%1-%2.avi").arg(QCoreApplication::applicationPid()).arg(++g_recordingSerial));
    if (!m_stream->startRecording(m_recordingFile)) {
        QFile::remove(m_recordingFile);
        m_recordingFile.clear();
        return false;
    }
    return true;
}

rt::Task<bool> ezVidCap::stopRecording(int withinMs) {
    if (!m_stream || m_recordingFile.isEmpty()) co_return false;
    const QString file = std::exchange(m_recordingFile, QString());
    const QPointer<ezVidCap> self(this);
    const bool complete = co_await completeRecording(m_stream, file, withinMs);
    if (!complete) co_return false;
    if (!self) {
        QFile::remove(file);
        co_return false;
    }
    m_recordedFile = file;
    co_return true;
}

bool ezVidCap::saveRecording(const QString& path) {
    if (m_recordedFile.isEmpty() || QFile::exists(path)) return false;
    if (!QFile::rename(m_recordedFile, path)) return false;
    m_recordedFile.clear();
    return true;
}

rt::Task<bool> ezVidCap::keepRecording(int withinMs) {
    if (m_recordingFile.isEmpty()) co_return false;
    const QPointer<ezVidCap> self(this);
    const bool complete = co_await stopRecording(withinMs);
    co_return complete && self && saveRecording(modSupport::NewCaptureFile(QStringLiteral(".avi")));
}

rt::Task<> ezVidCap::AwaitRecordingsAtEnd(int withinMs) {
    co_await rt::UntilReal([] { return completing().isEmpty(); }, withinMs, rt::AtEnd::GoOn);
    for (const QString& file : std::as_const(completing())) QFile::remove(file);
}

bool ezVidCap::recording() const { return m_stream && m_stream->recording(); }

void ezVidCap::showDriverDialog() {
    if (!m_stream) {
        rt::MsgBox(QStringLiteral("No camera is attached to this view."), rt::vbInformation, QStringLiteral("Video Source"));
        return;
    }
    rt::MsgBox(QStringLiteral("Camera: %1\r\nPicture size: %2").arg(m_driverName, m_stream->currentFormat()),
               rt::vbInformation, QStringLiteral("Video Source"));
}

rt::Task<> ezVidCap::showFormatDialog() {
    if (!m_stream) {
        rt::MsgBox(QStringLiteral("No camera is attached to this view."), rt::vbInformation, QStringLiteral("Video Format"));
        co_return;
    }
    const QStringList sizes = m_stream->formats();
    const std::optional<QString> answer =
        rt::InputBox(QStringLiteral("Picture size (%1):").arg(sizes.join(QStringLiteral(", "))),
                     QStringLiteral("Video Format"), m_stream->currentFormat());
    // The camera may have gone while the question was open.
    if (!m_stream || !answer || answer->trimmed() == m_stream->currentFormat()) co_return;
    const QString size = answer->trimmed();
    const std::shared_ptr<platform::CaptureStream> stream = m_stream;
    const QPointer<ezVidCap> self(this);
    bool changed = false;
    if (sizes.contains(size)) changed = co_await stream->setFormat(size);
    if (!self) co_return;
    if (!changed)
        rt::MsgBox(QStringLiteral("The camera does not offer the picture size %1.").arg(size), rt::vbInformation,
                   QStringLiteral("Video Format"));
    else
        chosenFormats().insert(m_driverName, size);
}

void ezVidCap::showCompressorDialog() {
    rt::MsgBox(QStringLiteral("Recordings are written as %1.")
                   .arg(m_stream ? m_stream->recordingFormat() : QStringLiteral("VP8 video in AVI")),
               rt::vbInformation, QStringLiteral("Video Compression"));
}

void ezVidCap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(24, 24, 24));
    if (!m_image.isNull()) {
        // Whatever size the camera delivers, the picture fills the view with its aspect kept.
        const QSize fit = m_image.size().scaled(size(), Qt::KeepAspectRatio);
        p.drawImage(QRect(QPoint((width() - fit.width()) / 2, (height() - fit.height()) / 2), fit), m_image);
        return;
    }
    p.setPen(QColor(170, 170, 170));
    QString text = QStringLiteral("No camera");
    if (m_stream) text = QStringLiteral("Waiting for the picture");
    else if (!m_lastError.isEmpty()) text = QStringLiteral("No camera: %1").arg(m_lastError);
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
}
