// Proximity events on fake ports that make the linked (fake) camera take its picture, from its
// own view or from the summary view, or record until its timer ends the recording.
#include <QDir>

#include "cameras/ezVidCap.h"
#include "sensors/eventrig.h"
#include "support/fakecapture.h"
#include "support/finish.h"

namespace {

// A device row as the device list holds it, without a port.
void sensorRow(int row, int kind, int slot) {
    RegisterRow(row, kind, slot);
    LoadGuard quiet;
    rt::setCaption(S().lblSubIndex[row], QString::number(slot));
}
// Camera options back to unlinked, nothing on events.
void resetCameraOptions() {
    LoadGuard quiet;
    for (int c = 1; c <= 4; ++c) {
        for (QCheckBox* box :
             {S().chkCamUseProxim[c], S().chkCaptureToAVI[c], S().chkProximSnapCam[c], S().chkCamAutoDisc[c]})
            rt::setValue(box, 0);
        S().timerCamEvent[c]->setEnabled(false);
        S().timerCamEvent[c]->setInterval(7000);
    }
    iProxToCam.fill(noCamera);
}

struct LinkRig : EventRig {
    LinkRig() { resetCameraOptions(); }
    ~LinkRig() {
        resetCameraOptions();
        for (ezVidCap* v : M().ezVidCap1)
            v->driverDisconnect();
        rt::setCaption(M().lblPrevCamSubIndex, "99");
        M().frameSummaryVidContainer->show();
    }
};

} // namespace

class TestProximityCamera : public QObject {
    Q_OBJECT

private slots:
    // A presence at the linked sensor: the camera's picture is saved from its own view, or from
    // the summary view while the camera is shown there; a second picture in the same second gets
    // its own name. With recording chosen the camera records until its timer ends it.
    void eventsDriveTheLinkedCamera() {
        LinkRig rig;
        FakeCaptureSystem cams;
        cams.add("Cam A");
        cams.add("Cam B");
        // Both pictures are taken in the same second.
        auto sameSecond = [] { rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(16, 8, 2))); };
        S().txtPrefaceFiles->setText("gate");
        FakeSerialPort& gate = rig.connect(4, typeProximity, 1, 2);
        sensorRow(7, typeVideo, 2); // camera 2 on device row 7
        M().ezVidCap1[2]->setDriverName("Cam B");
        QVERIFY(finish(M().ezVidCap1[2]->setDriverindex(1)));
        {
            LoadGuard quiet; // linked as the camera options leave it
            rt::setValue(S().chkCamUseProxim[2], 1);
            rt::setValue(S().chkProximSnapCam[2], 1);
        }
        iProxToCam(typeProximity, 1) = 2;

        sameSecond();
        gate.setDsr(true);
        EventRig::settle();
        sameSecond();
        gate.setDsr(false);
        EventRig::settle();
        const QString folder = rig.env.appDir() + "/capturefiles";
        const QStringList pictures = QDir(folder).entryList({"*.bmp"}, QDir::Files, QDir::Name);
        QCOMPARE(pictures.size(), 2);
        QVERIFY2(pictures[0].startsWith("gate") && pictures[1].endsWith("_1.bmp"),
                 qPrintable(pictures.join(' ')));
        QCOMPARE(QImage(folder + "/" + pictures[0]).size(), QSize(640, 480));
        QVERIFY(M().ezVidCap1[2]->display());

        // Shown in the summary view: the picture is the summary view's.
        M().ezVidCap1[0]->setDriverName("Cam A");
        QVERIFY(finish(M().ezVidCap1[0]->setDriverindex(0)));
        rt::setCaption(M().lblPrevCamSubIndex, "2");
        M().frameSummaryVidContainer->hide();
        gate.setDsr(true);
        EventRig::settle();
        QCOMPARE(QDir(folder).entryList({"*.bmp"}, QDir::Files).size(), 3);
        QVERIFY(M().ezVidCap1[0]->display());

        // Back at its own position for the recordings.
        rt::setCaption(M().lblPrevCamSubIndex, "99");
        M().frameSummaryVidContainer->show();
        {
            LoadGuard quiet;
            rt::setValue(S().chkProximSnapCam[2], 0);
            rt::setValue(S().chkCaptureToAVI[2], 1);
            rt::setValue(S().chkCamAutoDisc[2], 1);
        }
        rt::Clock::setSpeed(100);
        gate.setDsr(false);
        EventRig::settle();
        QVERIFY(M().ezVidCap1[2]->recording());
        QCOMPARE(S().timerCamEvent[2]->interval(), 7000); // auto-disconnect keeps the timer's length
        QTRY_VERIFY(!M().ezVidCap1[2]->recording());
        QCOMPARE(QDir(folder).entryList({"gate*.avi"}, QDir::Files).size(), 1);
        {
            LoadGuard quiet;
            rt::setValue(S().chkCamAutoDisc[2], 0);
        }
        gate.setDsr(true);
        EventRig::settle();
        QCOMPARE(S().timerCamEvent[2]->interval(), 4000);
        QTRY_COMPARE(QDir(folder).entryList({"gate*.avi"}, QDir::Files).size(), 2);
        QCOMPARE(QDir(folder).entryList({"*.bmp"}, QDir::Files).size(), 3); // recording, no picture
        for (ezVidCap* v : M().ezVidCap1)
            v->driverDisconnect();
    }

    // A linked camera that is shown in the summary view (its own view then has no camera) records
    // an event there, and its timer saves that recording. Given back to its own view (the summary's
    // position label stays), it takes its pictures there.
    void summaryCameraRecordsTheEvent() {
        LinkRig rig;
        FakeCaptureSystem cams;
        cams.add("Cam A");
        FakeSerialPort& gate = rig.connect(4, typeProximity, 1, 2);
        sensorRow(7, typeVideo, 3); // camera 3 on device row 7, sent to the summary view
        M().ezVidCap1[0]->setDriverName("Cam A");
        QVERIFY(finish(M().ezVidCap1[0]->setDriverindex(0)));
        rt::setCaption(M().lblPrevCamSubIndex, "3");
        M().frameSummaryVidContainer->hide();
        {
            LoadGuard quiet;
            rt::setValue(S().chkCamUseProxim[3], 1);
            rt::setValue(S().chkCaptureToAVI[3], 1);
        }
        iProxToCam(typeProximity, 1) = 3;
        rt::Clock::setSpeed(100);
        gate.setDsr(true);
        EventRig::settle();
        QVERIFY(M().ezVidCap1[0]->recording());
        const QString folder = rig.env.appDir() + "/capturefiles";
        QTRY_VERIFY(!M().ezVidCap1[0]->recording());
        QCOMPARE(QDir(folder).entryList({"*.avi"}, QDir::Files).size(), 1);
        QVERIFY(!S().timerCamEvent[3]->enabled());

        M().ezVidCap1[0]->driverDisconnect();
        M().frameSummaryVidContainer->show();
        M().ezVidCap1[3]->setDriverName("Cam A");
        QVERIFY(finish(M().ezVidCap1[3]->setDriverindex(0)));
        {
            LoadGuard quiet;
            rt::setValue(S().chkCaptureToAVI[3], 0);
            rt::setValue(S().chkProximSnapCam[3], 1);
        }
        gate.setDsr(false);
        EventRig::settle();
        QCOMPARE(QDir(folder).entryList({"*.bmp"}, QDir::Files).size(), 1);
    }
};

QTEST_MAIN(TestProximityCamera)
#include "tst_proximitycamera.moc"
