// A proximity event that makes a live camera (the test cameras plugin, through GStreamer) take
// its picture: the file lands in "capturefiles" as a real bitmap of the camera's size.
#include <QApplication>
#include <QDir>

#include "cameras/camdrivers.h"
#include "cameras/ezVidCap.h"
#include "sensors/eventrig.h"
#include "support/fakecapture.h"

class TestProximitySnap : public QObject {
    Q_OBJECT

private slots:
    void presenceTakesAPictureWithTheLiveCamera() {
        EventRig rig;
        S().txtPrefaceFiles->setText("porch");
        FakeSerialPort& porch = rig.connect(3, typeProximity, 1, 1);
        {
            LoadGuard quiet;
            iDeviceType[8] = typeVideo; // camera 1 on device row 8
            rt::setCaption(S().lblSubIndex[8], "1");
        }
        modSupport::SetCamResolution(8, "2");
        ezVidCap* view = M().ezVidCap1[1];
        M().show();
        M().setTab(CorvisentMain::tabVideo);
        view->setDriverName("Test Camera 2"); // the one with the colour bars
        QVERIFY2(view->setDriverindex(1), qPrintable(view->lastError()));
        QTRY_VERIFY_WITH_TIMEOUT(view->framesShown() > 2, 20000);

        {
            LoadGuard quiet; // linked as the camera options leave it
            rt::setValue(S().chkCamUseProxim[1], 1);
            rt::setValue(S().chkProximSnapCam[1], 1);
        }
        iProxToCam(typeProximity, 1) = 1;
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

        view->driverDisconnect();
        LoadGuard quiet;
        rt::setValue(S().chkProximSnapCam[1], 0);
        rt::setValue(S().chkCamUseProxim[1], 0);
    }
};

int main(int argc, char** argv) {
    useTestCameras(2);
    QApplication app(argc, argv);
    TestProximitySnap t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_proximitysnap.moc"
