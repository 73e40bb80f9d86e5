#include "cameras/ezVidCap.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QCoreApplication>
#include <QPainter>
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

} // namespace

ezVidCap::ezVidCap(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
}

ezVidCap::~ezVidCap() {
    // The program's end has kept its recordings already; a control destroyed otherwise while it
    // records leaves nothing behind.
    if (m_stream && !m_recordingFile.isEmpty()) m_stream->stopRecording(platform::kRecordingFinishMs);
    if (!m_recordingFile.isEmpty()) QFile::remove(m_recordingFile);
    m_recordingFile.clear();
    release();
    if (!m_recordedFile.isEmpty()) QFile::remove(m_recordedFile);
}

int ezVidCap::driverCount() { return int(platform::captureBackend().drivers().size()); }

QString ezVidCap::driverDescription(int index) {
    const QList<platform::CaptureDriver> drivers = platform::captureBackend().drivers();
    return (index >= 0 && index < drivers.size()) ? drivers[index].description : QString();
}

bool ezVidCap::setDriverindex(int index) {
    release();
    m_driverIndex = index;
    m_lastError.clear();
    const QList<platform::CaptureDriver> drivers = platform::captureBackend().drivers();
    const int found = platform::resolveCaptureDriver(drivers, index, m_driverName);
    if (found < 0) {
        m_lastError = QStringLiteral("the camera is not attached");
    } else if (ezVidCap* other = holders().value(drivers[found].id); other && other != this) {
        m_lastError = QStringLiteral("the camera is in use by another view");
    } else {
        const platform::CaptureDriver& d = drivers[found];
        if (m_driverName.isEmpty()) m_driverName = d.description;
        m_stream = platform::captureBackend().open(d, modSupport::CamCaptureProfile(d.description), &m_lastError);
        if (m_stream) {
            m_driverId = d.id;
            holders().insert(d.id, this);
            connect(m_stream.get(), &platform::CaptureStream::frameArrived, this, &ezVidCap::onFrame);
            connect(m_stream.get(), &platform::CaptureStream::lost, this, &ezVidCap::onLost);
            const QString chosen = chosenFormats().value(m_driverName);
            if (!chosen.isEmpty() && chosen != m_stream->currentFormat()) m_stream->setFormat(chosen);
        } else if (m_lastError.isEmpty()) {
            m_lastError = QStringLiteral("the camera did not start");
        }
    }
    if (!m_stream) m_driverIndex = -1;
    update();
    return m_stream != nullptr;
}

void ezVidCap::release() {
    // A recording that runs when the camera goes (disconnected, unplugged or moved to another
    // view) is ended and kept under a name of its own; one that recorded nothing leaves no file.
    keepRecording(platform::kRecordingFinishMs);
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

bool ezVidCap::captureStill() {
    m_still = m_stream ? m_stream->captureStill() : QImage();
    return !m_still.isNull();
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

bool ezVidCap::stopRecording(int withinMs) {
    if (!m_stream || m_recordingFile.isEmpty()) return false;
    const bool ok = m_stream->stopRecording(withinMs);
    if (ok)
        m_recordedFile = m_recordingFile;
    else
        QFile::remove(m_recordingFile);
    m_recordingFile.clear();
    return ok;
}

bool ezVidCap::saveRecording(const QString& path) {
    if (m_recordedFile.isEmpty() || QFile::exists(path)) return false;
    if (!QFile::rename(m_recordedFile, path)) return false;
    m_recordedFile.clear();
    return true;
}

bool ezVidCap::keepRecording(int withinMs) {
    return !m_recordingFile.isEmpty() && stopRecording(withinMs) &&
           saveRecording(modSupport::NewCaptureFile(QStringLiteral(".avi")));
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

void ezVidCap::showFormatDialog() {
    if (!m_stream) {
        rt::MsgBox(QStringLiteral("No camera is attached to this view."), rt::vbInformation, QStringLiteral("Video Format"));
        return;
    }
    const QStringList sizes = m_stream->formats();
    const std::optional<QString> answer =
        rt::InputBox(QStringLiteral("Picture size (%1):").arg(sizes.join(QStringLiteral(", "))),
                     QStringLiteral("Video Format"), m_stream->currentFormat());
    if (!answer || answer->trimmed() == m_stream->currentFormat()) return;
    if (!sizes.contains(answer->trimmed()) || !m_stream->setFormat(answer->trimmed()))
        rt::MsgBox(QStringLiteral("The camera does not offer the picture size %1.").arg(answer->trimmed()),
                   rt::vbInformation, QStringLiteral("Video Format"));
    else
        chosenFormats().insert(m_driverName, answer->trimmed());
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
