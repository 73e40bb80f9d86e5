// A proximity event that makes a live camera (the test cameras plugin, through GStreamer) take
// its picture: the file lands in "capturefiles" as a real bitmap of the camera's size. An event's
// recording that the program's end cuts short is kept.
#include <QApplication>
#include <QDir>

#include "app/startup.h"
#include "cameras/camdrivers.h"
#include "cameras/ezVidCap.h"
#include "sensors/eventrig.h"
#include "support/fakecapture.h"
#include "support/finish.h"
#include "support/wait.h"

namespace {

// A proximity sensor on row 3 (files named "porch") that events camera 1 on device row 8, linked
// as the camera options leave it with the option box ticked; the camera tab is shown.
FakeSerialPort& porchLinkedToCamera1(EventRig& rig, QCheckBox* option) {
    S().txtPrefaceFiles->setText("porch");
    FakeSerialPort& porch = rig.connect(3, typeProximity, 1, 1);
    LoadGuard quiet;
    RegisterRow(8, typeVideo, 1);
    rt::setCaption(S().lblSubIndex[8], "1");
    rt::setValue(S().chkCamUseProxim[1], 1);
    rt::setValue(option, 1);
    iProxToCam(typeProximity, 1) = 1;
    M().show();
    M().setTab(CorvisentMain::tabVideo);
    return porch;
}

void unlinkCamera1() {
    M().ezVidCap1[1]->driverDisconnect();
    S().timerCamEvent[1]->setEnabled(false);
    LoadGuard quiet;
    for (QCheckBox* box : {S().chkProximSnapCam[1], S().chkCaptureToAVI[1], S().chkCamUseProxim[1]})
        rt::setValue(box, 0);
}

} // namespace

class TestProximitySnap : public QObject {
    Q_OBJECT

private slots:
    void presenceTakesAPictureWithTheLiveCamera() {
        EventRig rig;
        FakeSerialPort& porch = porchLinkedToCamera1(rig, S().chkProximSnapCam[1]);
        modSupport::SetCamResolution(8, "2");
        ezVidCap* view = M().ezVidCap1[1];
        view->setDriverName("Test Camera 2"); // the one with the colour bars
        QVERIFY2(finish(view->setDriverindex(1)), qPrintable(view->lastError()));
        QTRY_VERIFY_WITH_TIMEOUT(view->framesShown() > 2, 20000);

        porch.setDsr(true);
        const QString folder = rig.env.appDir() + "/capturefiles";
        QTRY_COMPARE_WITH_TIMEOUT(QDir(folder).entryList({"porch*.bmp"}, QDir::Files).size(), 1, 20000);
        const QString file = folder + "/" + QDir(folder).entryList({"porch*.bmp"}, QDir::Files).first();
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(2), QByteArray("BM"));
        const QImage picture(file);
        QCOMPARE(picture.size(), QSize(640, 480));
        QSet<QRgb> colours; // the test pattern, not a blank picture
        for (int x = 0; x < picture.width(); x += 16)
            colours.insert(picture.pixel(x, picture.height() / 3));
        QVERIFY(colours.size() > 4);
        unlinkCamera1();
    }

    // The program's end while an event records (its timer would save the file seconds later):
    // the recording is completed and kept under a name of its own, as when the camera goes.
    void endKeepsTheRecordingOfAnEvent() {
        EventRig rig;
        FakeSerialPort& porch = porchLinkedToCamera1(rig, S().chkCaptureToAVI[1]);
        ezVidCap* view = M().ezVidCap1[1];
        view->setDriverName("Test Camera 1");
        QVERIFY2(finish(view->setDriverindex(0)), qPrintable(view->lastError()));
        porch.setDsr(true);
        QTRY_VERIFY_WITH_TIMEOUT(view->recording(), 20000);
        const int before = view->framesShown();
        QTRY_VERIFY_WITH_TIMEOUT(view->framesShown() > before + 10, 20000);

        QList<bool> ends;
        setProcessEnd([&ends](bool atOnce) { ends << atOnce; });
        M().close(); // the session ends; the end goes on once the recording is complete
        QVERIFY(rt::WaitUntilReal([&ends] { return !ends.isEmpty(); }, 2 * platform::kRecordingFinishMs));
        setProcessEnd({});
        QCOMPARE(ends, QList<bool>{false});
        const QDir folder(rig.env.appDir() + "/capturefiles");
        const QStringList files = folder.entryList(QDir::Files);
        QVERIFY2(files.size() == 1 && files.first().startsWith("porch") && files.first().endsWith(".avi"),
                 qPrintable(files.join(' ')));
        QFile f(folder.filePath(files.first()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray avi = f.readAll();
        QVERIFY(avi.startsWith("RIFF") && avi.mid(8, 4) == "AVI " && avi.contains("idx1")); // completed
        unlinkCamera1();
    }
};

int main(int argc, char** argv) {
    useTestCameras(2);
    QApplication app(argc, argv);
    TestProximitySnap t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_proximitysnap.moc"
