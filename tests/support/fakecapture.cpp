#include "support/fakecapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPointer>

#include "runtime/task.h"

namespace {

QImage testPicture(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QPainter p(&image);
    p.fillRect(QRect(QPoint(0, 0), size / 2), Qt::yellow);
    return image;
}

class FakeStream : public platform::CaptureStream {
public:
    FakeStream(std::shared_ptr<FakeCamera> cam, platform::CaptureProfile profile)
        : m_cam(std::move(cam)), m_size(profile == platform::CaptureProfile::Small ? QSize(320, 240) : QSize(640, 480)) {
        ++m_cam->running;
        m_cam->startedAt << rt::Clock::elapsedMs();
    }
    ~FakeStream() override {
        --m_cam->running;
        m_cam->stoppedAt << rt::Clock::elapsedMs();
    }

    void frame() {
        m_hasFrame = true;
        emit frameArrived();
    }
    bool hasFrame() const { return m_hasFrame; }
    void lose() { emit lost(QStringLiteral("the camera was unplugged")); }
    FakeCamera* camera() const { return m_cam.get(); }

    QImage frameImage(const QSize& fit) override {
        if (!m_hasFrame) return QImage();
        ++m_cam->conversions;
        return testPicture(m_size).scaled(fit, Qt::KeepAspectRatio);
    }
    rt::Task<QImage> captureStill() override {
        if (m_cam->stillFails()) co_return QImage();
        co_return testPicture(m_size);
    }
    bool startRecording(const QString& path) override {
        if (!m_path.isEmpty()) return false;
        m_path = path;
        return true;
    }
    rt::Task<bool> stopRecording(int) override {
        if (m_path.isEmpty()) co_return false;
        QFile f(m_path);
        const bool ok = f.open(QIODevice::WriteOnly) && f.write("RIFF\0\0\0\0AVI LIST", 16) == 16;
        m_cam->recordings << m_path;
        m_path.clear();
        co_return ok;
    }
    bool recording() const override { return !m_path.isEmpty(); }
    QStringList formats() const override { return {QStringLiteral("640x480"), QStringLiteral("320x240")}; }
    QString currentFormat() const override { return QStringLiteral("%1x%2").arg(m_size.width()).arg(m_size.height()); }
    rt::Task<bool> setFormat(QString format) override {
        if (!formats().contains(format)) co_return false;
        m_size = format == QLatin1String("320x240") ? QSize(320, 240) : QSize(640, 480);
        co_return true;
    }
    QString recordingFormat() const override { return QStringLiteral("VP8 video in AVI"); }

private:
    std::shared_ptr<FakeCamera> m_cam;
    QSize m_size;
    bool m_hasFrame = false;
    QString m_path;
};

} // namespace

struct FakeCaptureSystem::Impl : platform::CaptureBackend {
    // Program time a silent camera's start waits for its first frame (a real camera's bound).
    static constexpr int kStartMs = 8000;
    std::vector<std::shared_ptr<FakeCamera>>* cameras = nullptr;
    QList<QPointer<FakeStream>> streams;

    QList<platform::CaptureDriver> drivers() override {
        QList<platform::CaptureDriver> out;
        for (const auto& c : *cameras)
            if (c->present()) out.append({c->id(), c->description()});
        return out;
    }
    rt::Task<platform::CaptureStart> open(platform::CaptureDriver driver, platform::CaptureProfile profile) override {
        std::shared_ptr<FakeCamera> cam;
        for (const auto& c : *cameras)
            if (!cam && c->id() == driver.id && c->present()) cam = c;
        if (!cam) co_return platform::CaptureStart{nullptr, QStringLiteral("the camera is not attached")};
        if (cam->busy()) co_return platform::CaptureStart{nullptr, QStringLiteral("the camera is in use by another program")};
        cam->starts << (profile == platform::CaptureProfile::Small ? QStringLiteral("Small") : QStringLiteral("Default"));
        auto s = std::make_unique<FakeStream>(cam, profile);
        streams.removeAll(nullptr);
        streams.append(s.get());
        if (cam->silent()) {
            FakeStream* starting = s.get();
            const bool framed = co_await rt::Until([starting] { return starting->hasFrame(); }, kStartMs);
            if (!framed) co_return platform::CaptureStart{nullptr, QStringLiteral("the camera sent no picture")};
        }
        co_return platform::CaptureStart{std::move(s), QString()};
    }
};

FakeCaptureSystem::FakeCaptureSystem() : m_old(platform::captureBackendOverride()), d(std::make_shared<Impl>()) {
    d->cameras = &m_cameras;
    platform::setCaptureBackend(d);
}

FakeCaptureSystem::~FakeCaptureSystem() { platform::setCaptureBackend(m_old); }

FakeCamera& FakeCaptureSystem::add(const QString& description) {
    m_cameras.push_back(std::make_shared<FakeCamera>(description));
    return *m_cameras.back();
}

void FakeCaptureSystem::sendFrame(const QString& description) {
    for (const QPointer<FakeStream>& s : QList<QPointer<FakeStream>>(d->streams))
        if (s && (description.isEmpty() || s->camera()->description() == description)) s->frame();
}

void FakeCaptureSystem::unplug(const QString& description) {
    for (const auto& c : m_cameras)
        if (c->description() == description) c->setPresent(false);
    for (const QPointer<FakeStream>& s : QList<QPointer<FakeStream>>(d->streams))
        if (s && s->camera()->description() == description) s->lose();
}

namespace {
QByteArray plugFile() {
    return QDir::temp().filePath(QStringLiteral("corvisent-testcams-%1").arg(QCoreApplication::applicationPid())).toLocal8Bit();
}
} // namespace

void unplugTestCameras(const QList<int>& numbers) {
    QFile f(QString::fromLocal8Bit(plugFile()));
    if (numbers.isEmpty()) {
        f.remove();
        return;
    }
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    for (int n : numbers) f.write(QByteArray::number(n) + ' ');
}

void useTestCameras(int count) {
    QFile::remove(QString::fromLocal8Bit(plugFile()));
    qputenv("CORVISENT_TEST_CAMERAS_UNPLUGGED", plugFile());
    qputenv("GST_PLUGIN_PATH", CORVISENT_TEST_GST_PLUGINS);
    qputenv("GST_REGISTRY", CORVISENT_TEST_GST_PLUGINS "/registry.bin");
    qputenv("QT_MEDIA_BACKEND", "gstreamer");
    qputenv("CORVISENT_TEST_CAMERAS", QByteArray::number(count));
}
