// The capture layer on a real GStreamer pipeline: test cameras that the machine lists like USB
// cameras, run headless.
#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <optional>

#include "cameras/camdrivers.h"
#include "cameras/ezVidCap.h"
#include "platform/capture.h"
#include "runtime/clock.h"
#include "support/fakecapture.h"
#include "support/finish.h"
#include "support/testenv.h"
#include "support/wait.h"

namespace {

quint32 le32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
           quint32(quint8(b[at + 3])) << 24;
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void machineListsTheTestCameras() {
        QCOMPARE(ezVidCap::driverCount(), 2);
        QCOMPARE(ezVidCap::driverDescription(0), QStringLiteral("Test Camera 1"));
        QCOMPARE(ezVidCap::driverDescription(1), QStringLiteral("Test Camera 2"));
        QCOMPARE(ezVidCap::driverDescription(2), QString());
    }

    // A live camera paints, gives a still picture as a BMP of its size, and is released.
    void liveCameraGivesABitmapSnapshot() {
        modSupport::SetCamResolution(1, "2");
        ezVidCap view;
        view.resize(320, 240);
        view.show();
        view.setDriverName("Test Camera 2");
        QVERIFY2(finish(view.setDriverindex(1)), qPrintable(view.lastError()));
        QTRY_VERIFY_WITH_TIMEOUT(view.framesShown() > 2, 20000);
        QVERIFY(finish(view.captureStill()));
        const QString bmp = QDir(env->appDir()).filePath("still.bmp");
        QVERIFY(view.savePicture(bmp));
        QFile f(bmp);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(2), QByteArray("BM"));
        QImage image(bmp);
        QCOMPARE(image.size(), QSize(640, 480));
        // Not a blank picture: the test pattern has many colours.
        QSet<QRgb> colours;
        for (int x = 0; x < image.width(); x += 16) colours.insert(image.pixel(x, image.height() / 3));
        QVERIFY(colours.size() > 4);
        // The picture on screen has the colours of the still, bar by bar.
        const QImage shown = view.grab().toImage();
        for (int bar = 0; bar < 7; ++bar) {
            const QColor a = shown.pixelColor((2 * bar + 1) * shown.width() / 14, shown.height() / 3);
            const QColor b = image.pixelColor((2 * bar + 1) * image.width() / 14, image.height() / 3);
            QVERIFY2(qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 40,
                     qPrintable(a.name() + " " + b.name()));
        }
        // One control at a time holds a camera.
        ezVidCap other;
        QVERIFY(!finish(other.setDriverindex(1)));
        QCOMPARE(other.lastError(), QStringLiteral("the camera is in use by another view"));
        QCOMPARE(view.driverDisconnect(), 1);
        QCOMPARE(view.driverDisconnect(), 0);
        QVERIFY2(finish(other.setDriverindex(1)), qPrintable(other.lastError()));
    }

    // The summary profile starts the camera small; a recording of a few seconds is an AVI with
    // its frames.
    void recordingIsAnAviWithFrames() {
        modSupport::SetCamResolution(1, "1");
        ezVidCap view;
        view.show();
        view.setDriverName("Test Camera 1");
        QVERIFY2(finish(view.setDriverindex(0)), qPrintable(view.lastError()));
        QVERIFY(finish(view.captureStill()));
        const QString small = QDir(env->appDir()).filePath("small.bmp");
        QVERIFY(view.savePicture(small));
        QCOMPARE(QImage(small).size(), QSize(320, 240));

        QVERIFY(view.startRecording());
        QTest::qWait(3000);
        QVERIFY(finish(view.stopRecording()));
        const QString avi = QDir(env->appDir()).filePath("clip.avi");
        QVERIFY(view.saveRecording(avi));
        QVERIFY(!view.saveRecording(avi)); // saved once
        QFile f(avi);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.left(4), QByteArray("RIFF"));
        QCOMPARE(bytes.mid(8, 4), QByteArray("AVI "));
        QCOMPARE(bytes.mid(24, 4), QByteArray("avih"));
        const quint32 frames = le32(bytes, 48);
        QVERIFY2(frames >= 10, qPrintable(QString::number(frames)));
        // One video chunk per frame in the movie list.
        const int movi = bytes.indexOf("movi");
        QVERIFY(movi > 0);
        const QByteArray movie = bytes.mid(movi, bytes.indexOf("idx1", movi) - movi);
        QCOMPARE(quint32(movie.count("00db") + movie.count("00dc")), frames);
        // Nothing of the recording is left beside the saved file.
        QCOMPARE(QDir(env->appDir() + "/capturefiles").entryList(QDir::Files), QStringList());
        view.driverDisconnect();
    }

    // A window that takes longer over a frame than the camera's streaming thread waits for it
    // misses frames but keeps its camera.
    void slowWindowKeepsTheCamera() {
        const platform::CaptureStart started = finish(platform::captureBackend().open(
            platform::captureBackend().drivers().value(0), platform::CaptureProfile::Default));
        const std::unique_ptr<platform::CaptureStream>& stream = started.stream;
        QVERIFY2(stream, qPrintable(started.why));
        int frames = 0;
        connect(stream.get(), &platform::CaptureStream::frameArrived, this, [&frames] {
            if (++frames == 1) QThread::msleep(500);
        });
        QTRY_VERIFY_WITH_TIMEOUT(frames > 10, 10000);
    }

    // A camera unplugged while it runs: the view lets it go and says so; once the camera is
    // back it starts again.
    void unpluggedCameraIsLetGo() {
        modSupport::SetCamResolution(1, "2");
        ezVidCap view;
        view.show();
        view.setDriverName("Test Camera 2");
        QVERIFY2(finish(view.setDriverindex(1)), qPrintable(view.lastError()));
        QSignalSpy lost(&view, &ezVidCap::cameraLost);
        unplugTestCameras({2});
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 10000);
        QVERIFY(!view.attached());
        QCOMPARE(ezVidCap::driverCount(), 1);
        unplugTestCameras({});
        QTRY_COMPARE_WITH_TIMEOUT(ezVidCap::driverCount(), 2, 10000);
        QVERIFY2(finish(view.setDriverindex(1)), qPrintable(view.lastError()));
        view.driverDisconnect();
    }

    // Runs last: the request to end cannot be taken back in this process. Asked to end, a camera
    // is not waited for to start, while a recording that runs then is still completed and kept.
    void endRequestEndsTheStartWaitButNotTheRecording() {
        ezVidCap view;
        view.show();
        view.setDriverName("Test Camera 1");
        QVERIFY2(finish(view.setDriverindex(0)), qPrintable(view.lastError()));
        QVERIFY(view.startRecording());
        QTest::qWait(1500);
        rt::RequestQuit();
        ezVidCap other;
        other.setDriverName("Test Camera 2");
        QVERIFY(!finish(other.setDriverindex(1)));
        QCOMPARE(other.lastError(), QStringLiteral("the camera sent no picture"));
        // The program's end waits for it as the end does: on to its bound.
        auto ended = std::make_shared<std::optional<bool>>();
        auto then = view.keepRecording(platform::kRecordingFinishMs).then([ended](bool ok) { *ended = ok; });
        rt::WaitUntilReal([ended] { return ended->has_value(); }, 2 * platform::kRecordingFinishMs, rt::AtEnd::GoOn);
        QVERIFY(ended->value_or(false));
        const QStringList kept = QDir(env->appDir() + "/capturefiles").entryList({"*.avi"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QVERIFY(QFileInfo(env->appDir() + "/capturefiles/" + kept[0]).size() > 0);
    }
};

int main(int argc, char** argv) {
    useTestCameras(2);
    QApplication app(argc, argv);
    TestCapture t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_capture.moc"
