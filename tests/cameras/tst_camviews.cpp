// Connecting cameras from their setup rows, the summary view and its hand-over, snapshots and
// event recordings, and the camera rename, on fake cameras.
#include <QTimer>

#include "cameras/camdrivers.h"
#include "cameras/ezVidCap.h"
#include "cameras/formChangeCamDriverName.h"
#include "platform/registry.h"
#include "sensors/sensorrig.h"
#include "support/fakecapture.h"
#include "support/finish.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

const QString kSection = QStringLiteral("PortConfig\\Devices\\%1");

// Back to no camera anywhere: every view detached and covered, the summary view closed.
void resetCameraViews() {
    auto& m = M();
    for (ezVidCap* v : m.ezVidCap1) v->driverDisconnect();
    m.frameSummaryVidContainer->show();
    for (int pos = 1; pos <= 4; ++pos) {
        m.frameSurvTabCoverUp[pos]->show();
        rt::setCaption(m.frameSurvTabCoverUp[pos], QString());
        rt::setCaption(m.Label1[pos], QString());
        S().timerCamEvent[pos]->setEnabled(false);
    }
    rt::setCaption(m.lblCurrentCamView, QString());
    rt::setTag(m.lblCurrentCamView, "98");
    rt::setCaption(m.lblPrevCamSetupIndex, "99");
    rt::setCaption(m.lblPrevCamSubIndex, "99");
    rt::setValue(S().chkMultiCamEnabled, 0);
    rt::setTag(S().chkMultiCamEnabled, "1");
    LoadGuard quiet;
    for (int row = 1; row <= 10; ++row) rt::setValue(S().chkSendToSummary[row], 0);
}

struct CamRig : SensorRig {
    FakeCaptureSystem cams;
    CamRig() {
        cams.add("Cam A");
        cams.add("Cam B");
        cams.add("Cam C");
        resetCameraViews();
        M().show();
        M().setTab(CorvisentMain::tabVideo);
    }
    ~CamRig() { resetCameraViews(); }
    // A camera record: position pos, capture driver index and name.
    void camera(int row, const QString& name, int pos, int driver, const QString& driverName) {
        const QString section = kSection.arg(row);
        modPrefs::SavePref(section, "DeviceType", strTypeVideo);
        modPrefs::SavePref(section, "DeviceName", name);
        modPrefs::SavePref(section, "SubIndex", QString::number(pos));
        modPrefs::SavePref(section, "CamDriverIndex", QString::number(driver));
        modPrefs::SavePref(section, "DriverName", driverName);
    }
    void toSummary(bool on) { modPrefs::SavePref(modPrefs::kProgramSetup, "chkSendToSummary", on ? "1" : "0"); }
    // Loads the stored rows as start-up does.
    void load() {
        S().LoadConfig(false, QString());
        S().cmdSetInterval_Click();
    }
    void press(int row) { S().cmdConnectSensor_Click(row); }
    // Which camera each view shows: "0:Cam B 2:-" style, only views with a camera.
    QString views() {
        QStringList out;
        for (int i = 0; i <= 4; ++i)
            if (M().ezVidCap1[i]->attached()) out << QStringLiteral("%1:%2").arg(i).arg(M().ezVidCap1[i]->driverName());
        return out.join(' ');
    }
};

} // namespace

class TestCamViews : public QObject {
    Q_OBJECT
private slots:
    void init() { rt::Clock::setSpeed(100); }
    void cleanup() { rt::Clock::reset(); }

    // A camera row connects at its position, by its driver's name even after a replug changed
    // the order, and its row and the main window show it; Disconnect takes it all back.
    void cameraRowConnectsAtItsPosition() {
        CamRig rig;
        rig.camera(3, "Door", 2, 0, "Cam B"); // index 0 is another camera now
        rig.load();
        QVERIFY(!rt::visible(M().lblNoCamDevicePresent)); // a camera is registered
        rig.press(3);
        QCOMPARE(rig.views(), QStringLiteral("2:Cam B"));
        QCOMPARE(rowState(3), QStringLiteral("Disconnect|OK|On|greendot.gif"));
        QCOMPARE(M().lblSensor1[3]->text(), QStringLiteral("Door"));
        QVERIFY(!rt::visible(M().frameSurvTabCoverUp[2]));
        QCOMPARE(rt::caption(M().frameSurvTabCoverUp[2]), QStringLiteral("3"));
        QVERIFY(!S().cmdDeleteMe[3]->isEnabled());
        QCOMPARE(iPortOpen[3], int(typeVideo));
        QCOMPARE(rig.cams.camera(1).starts, QStringList{"Default"});

        rig.press(3);
        QCOMPARE(rig.views(), QString());
        QCOMPARE(rowState(3), QStringLiteral("Connect|OK|OFF|reddot.gif"));
        QVERIFY(rt::visible(M().frameSurvTabCoverUp[2]) && S().cmdDeleteMe[3]->isEnabled());
        QCOMPARE(iPortOpen[3], 0);
        QCOMPARE(rig.cams.camera(1).running, 0);
    }

    // A camera that sends no picture: its start waits for one and then gives up, and holds
    // nothing meanwhile: another camera whose Connect came in during that wait is on as soon as
    // its own first picture comes.
    void silentCameraHoldsNoOtherStart() {
        CamRig rig;
        rt::Clock::setSpeed(10);
        rig.camera(1, "Door", 1, 0, "Cam A");
        rig.camera(2, "Yard", 2, 1, "Cam B");
        rig.load();
        rig.cams.camera(0).setSilent(true);
        rig.cams.camera(1).setSilent(true);
        // Both come in while Yard waits for its picture: Door's Connect, then Yard's picture.
        QTimer::singleShot(0, [&rig] { rig.press(1); });
        QTimer::singleShot(0, [&rig] { rig.cams.sendFrame("Cam B"); });
        rig.press(2);
        QVERIFY(rt::WaitUntil([] { return rowState(2) == "Disconnect|OK|On|greendot.gif"; }, 20000));
        QCOMPARE(rig.boxes->prompts(), QStringList()); // Door is still waiting
        QCOMPARE(rig.views(), QStringLiteral("2:Cam B"));
        QVERIFY(rt::WaitUntil([&rig] { return !rig.boxes->prompts().isEmpty(); }, 20000));
        QVERIFY2(rig.boxes->prompts()[0].contains("(Cam A) could not be connected: the camera sent no picture."),
                 qPrintable(rig.boxes->prompts()[0]));
        QCOMPARE(rowState(1), QStringLiteral("Connect|Sensor Error|OFF|reddot.gif"));
        QCOMPARE(rig.cams.camera(0).running, 0);
    }

    // A camera that is unplugged or busy is named to the user; its row stays ready to connect
    // and nothing stored changes. Once it is back, the same button connects it.
    void missingOrBusyCameraLeavesTheRowConnectable() {
        CamRig rig;
        rig.camera(1, "Door", 1, 1, "Cam B");
        rig.camera(2, "Yard", 2, 2, "Cam C");
        rig.load();
        rig.cams.camera(1).setPresent(false);
        rig.cams.camera(2).setBusy(true);
        const QByteArray settings = readWholeFile(platform::Registry::instance().filePath(platform::Hive::CurrentUser));
        finish(S().cmdConnectAll_Click());
        const QStringList shown = rig.boxes->prompts();
        QVERIFY2(shown.size() == 2, qPrintable(shown.join(" // ")));
        QVERIFY2(shown[0].startsWith("The camera \"Door\" (Cam B) could not be connected: the camera is not attached."), qPrintable(shown[0]));
        QVERIFY(shown[1].contains("\"Yard\" (Cam C)") && shown[1].contains("in use by another program"));
        for (int row : {1, 2}) {
            QCOMPARE(rowState(row), QStringLiteral("Connect|Sensor Error|OFF|reddot.gif"));
            QVERIFY(S().cmdConnectSensor[row]->isEnabled() && S().cmdDeleteMe[row]->isEnabled());
            QCOMPARE(iPortOpen[row], 0);
            QCOMPARE(iDeviceType(row), int(typeVideo));
        }
        QCOMPARE(rig.views(), QString());
        QCOMPARE(readWholeFile(platform::Registry::instance().filePath(platform::Hive::CurrentUser)), settings);

        rig.cams.camera(1).setPresent(true);
        rig.press(1);
        QCOMPARE(rowState(1), QStringLiteral("Disconnect|OK|On|greendot.gif"));
        QCOMPARE(rig.views(), QStringLiteral("1:Cam B"));
    }

    // A live camera unplugged: told once by name, its row back to connectable, its running
    // recording kept under a name of its own; once back it connects again.
    void unpluggedLiveCamera() {
        CamRig rig;
        rig.camera(1, "Door", 1, 1, "Cam B");
        rig.load();
        rig.press(1);
        QVERIFY(M().ezVidCap1[1]->startRecording());
        rig.cams.unplug("Cam B");
        QTRY_COMPARE(rig.boxes->prompts(), QStringList{"The camera \"Door\" was disconnected: the camera was unplugged."});
        QCOMPARE(rowState(1), QStringLiteral("Connect|OK|OFF|reddot.gif"));
        QCOMPARE(iPortOpen[1], 0);
        const QStringList files = QDir(rig.env.appDir() + "/capturefiles").entryList(QDir::Files);
        QVERIFY2(files.size() == 1 && files[0].endsWith(".avi") && !files[0].startsWith("~"), qPrintable(files.join(' ')));
        rig.cams.camera(1).setPresent(true);
        rig.press(1);
        QCOMPARE(rig.views(), QStringLiteral("1:Cam B"));
        QCOMPARE(rig.boxes->prompts().size(), 1);
    }

    // The picture size chosen for a camera is kept when it comes back after an unplug.
    void replugKeepsTheChosenSize() {
        CamRig rig;
        rig.camera(1, "Door", 1, 1, "Cam B");
        rig.load();
        rig.press(1);
        rig.boxes->queue(QStringLiteral("320x240"));
        finish(M().ezVidCap1[1]->showFormatDialog());
        rig.cams.unplug("Cam B");
        QTRY_COMPARE(rig.boxes->prompts().size(), 2); // the size asked, then the unplug told
        rig.boxes->clear();
        rig.cams.camera(1).setPresent(true);
        rig.press(1);
        M().ezVidCap1[1]->showDriverDialog();
        QCOMPARE(rig.boxes->prompts(), QStringList{"Camera: Cam B\r\nPicture size: 320x240"});
    }

    // A position without a driver name ("" or "0") is refused with the driver message.
    void positionWithoutDriverNameIsRefused() {
        CamRig rig;
        rig.camera(4, "Door", 3, 0, "0");
        rig.load();
        rig.press(4);
        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"Error when trying to connect the camera to a driver.\rPlease check your camera's USB "
                             "connection, or reboot your machine and then try to re-connect."});
        QCOMPARE(rowState(4), QStringLiteral("Connect|Sensor Error|OFF|reddot.gif"));
        QCOMPARE(rig.cams.camera(0).running, 0);
    }

    // Cameras sent to the summary view: the first is shown there (small only with the second
    // model's driver), any further one at its own position; disconnecting a camera closes the
    // summary view only when it shows that camera.
    void summaryViewTakesOneCamera() {
        CamRig rig;
        rig.camera(1, "Door", 1, 0, "Cam A");
        rig.camera(2, "Yard", 2, 1, "Cam B");
        rig.toSummary(true);
        rig.load();
        QCOMPARE(rt::value(S().chkSendToSummary[1]) + rt::value(S().chkSendToSummary[2]), 2);
        rt::setTag(S().chkMultiCamEnabled, "9");
        finish(S().cmdConnectAll_Click());
        QCOMPARE(rig.views(), QStringLiteral("0:Cam A 2:Cam B"));
        QCOMPARE(rig.cams.camera(0).starts, QStringList{"Small"});
        QCOMPARE(rig.cams.camera(1).starts, QStringList{"Default"});
        QVERIFY(!rt::visible(M().frameSummaryVidContainer));
        QCOMPARE(M().lblCurrentCamView->text(), QStringLiteral("Door"));
        QCOMPARE(M().Label1[1]->text(), QStringLiteral("Camera in Summary Tab"));
        QCOMPARE(M().lblPrevCamSubIndex->text(), QStringLiteral("1"));
        QCOMPARE(rowState(1) + rowState(2), QStringLiteral("Disconnect|OK|On|greendot.gifDisconnect|OK|On|greendot.gif"));

        rig.press(2); // not the summary camera: the summary view stays
        QCOMPARE(rig.views(), QStringLiteral("0:Cam A"));
        QCOMPARE(M().lblCurrentCamView->text(), QStringLiteral("Door"));
        rig.press(1);
        QCOMPARE(rig.views(), QString());
        QVERIFY(rt::visible(M().frameSummaryVidContainer));
        QCOMPARE(M().lblCurrentCamView->text(), QString());
        QCOMPARE(rt::tag(M().lblCurrentCamView), QStringLiteral("98"));
        QCOMPARE(M().lblPrevCamSetupIndex->text() + M().lblPrevCamSubIndex->text(), QStringLiteral("9999"));
        QCOMPARE(M().Label1[1]->text(), QStringLiteral("Camera 1 Not Attached"));
    }

    // A double-click moves a live camera into the summary view: released first, taken by the
    // summary view 600 ms later at the small size; giving it back restores its own size. A camera
    // that is not live cannot be moved.
    void handOverToTheSummaryViewAndBack() {
        CamRig rig;
        rig.camera(5, "Door", 3, 2, "Cam C");
        rig.camera(6, "Yard", 4, 1, "Cam B");
        rig.load();
        rig.press(5);
        FakeCamera& cam = rig.cams.camera(2);
        QVERIFY(M().ezVidCap1[3]->startRecording()); // a recording running at the move is kept
        finish(M().lblSensor1_DblClick(5));
        QCOMPARE(QDir(rig.env.appDir() + "/capturefiles").entryList({"*.avi"}, QDir::Files).size(), 1);
        QCOMPARE(QDir(rig.env.appDir() + "/capturefiles").entryList({"~*"}, QDir::Files), QStringList());
        QCOMPARE(rig.views(), QStringLiteral("0:Cam C"));
        QCOMPARE(cam.starts, (QStringList{"Default", "Small"}));
        QCOMPARE(cam.stoppedAt.size(), 1);
        QVERIFY(cam.startedAt[1] - cam.stoppedAt[0] >= 600);
        QVERIFY(!rt::visible(M().frameSummaryVidContainer));
        QCOMPARE(M().lblCurrentCamView->text(), QStringLiteral("Door"));
        QCOMPARE(M().lblPrevCamSetupIndex->text() + M().lblPrevCamSubIndex->text(), QStringLiteral("53"));

        finish(M().lblCurrentCamView_DblClick());
        QCOMPARE(rig.views(), QStringLiteral("3:Cam C"));
        QCOMPARE(cam.starts.last(), QStringLiteral("Default"));
        QVERIFY(rt::visible(M().frameSummaryVidContainer));
        QCOMPARE(M().lblPrevCamSetupIndex->text() + M().lblPrevCamSubIndex->text(), QStringLiteral("9999"));
        QCOMPARE(rt::tag(M().lblCurrentCamView), QStringLiteral("98"));

        finish(M().SwitchToVideo0(6, 1)); // row 6 is not connected: its view has nothing to release
        QCOMPARE(rig.boxes->prompts(),
                 QStringList{"Bad camera return on closing. Exiting SwitchToVideo0.  SetupIndex: 4"});
        QCOMPARE(rig.views(), QStringLiteral("3:Cam C"));
        QVERIFY(rt::visible(M().frameSummaryVidContainer));
    }

    // A camera placed in the summary view by its option stays there: the double-click on the
    // view and the tab changes leave it, and a second camera cannot take the option.
    void summaryOptionHoldsTheView() {
        CamRig rig;
        rig.camera(1, "Door", 1, 0, "Cam A");
        rig.camera(2, "Yard", 2, 1, "Cam B");
        rig.toSummary(false);
        rig.load();
        S().chkSendToSummary[1]->setChecked(true);
        QCOMPARE(rt::tag(M().lblCurrentCamView), QStringLiteral("99"));
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "chkSendToSummary"), QStringLiteral("1"));
        rig.press(1);
        rig.press(2);
        QCOMPARE(rig.views(), QStringLiteral("0:Cam A 2:Cam B"));
        finish(M().lblCurrentCamView_DblClick());
        M().setTab(CorvisentMain::tabSummary);
        M().setTab(CorvisentMain::tabVideo);
        QCOMPARE(rig.views(), QStringLiteral("0:Cam A 2:Cam B"));

        S().chkSendToSummary[2]->setEnabled(true);
        S().chkSendToSummary[2]->setChecked(true);
        QCOMPARE(rig.boxes->prompts(), QStringList{"Only one camera can be sent to the Summary tab at one time."});
        QCOMPARE(rt::value(S().chkSendToSummary[2]), 0);
        QCOMPARE(rt::tag(M().lblCurrentCamView), QStringLiteral("99")); // the shown camera keeps it
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "chkSendToSummary"), QStringLiteral("1"));

        // Deleting the camera takes its summary option with it: the next camera in that row
        // starts unticked.
        rig.press(1);
        S().cmdDeleteMe_Click(1);
        QCOMPARE(rt::value(S().chkSendToSummary[1]), 0);
        QCOMPARE(rt::tag(M().lblCurrentCamView), QStringLiteral("98"));
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "chkSendToSummary"), QStringLiteral("0"));
    }

    // Snapshots come from the summary view into "capturefiles", named by prefix and stamp; a
    // second one in the same second gets its own name; no camera, no file and no confirmation.
    void snapshotsFromTheSummaryView() {
        CamRig rig;
        rig.camera(1, "Door", 1, 0, "Cam A");
        rig.toSummary(true);
        rig.load();
        S().txtPrefaceFiles->setText("front_");
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 7), QTime(4, 8, 2)));
        rt::Clock::setSpeed(0.001);
        finish(M().cmdSnapPicture_Click());
        const QString folder = rig.env.appDir() + "/capturefiles";
        QVERIFY(!QDir(folder).exists() || QDir(folder).isEmpty());
        QCOMPARE(rig.boxes->prompts(), QStringList{"No picture was saved: no camera is shown in the summary view."});
        rig.boxes->clear();

        rig.press(1);
        finish(M().cmdSnapPicture_Click());
        finish(M().cmdSnapPicture_Click());
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 (QStringList{"front_03072009_040802.bmp", "front_03072009_040802_1.bmp"}));
        QCOMPARE(QImage(folder + "/front_03072009_040802.bmp").size(), QSize(640, 480));
        QCOMPARE(rig.boxes->prompts().size(), 2);
        QCOMPARE(rig.boxes->prompts()[0], QStringLiteral("File Saved.  Please go to File, Camera Capture Files to view pictures."));
        QVERIFY(M().ezVidCap1[0]->display() && M().ezVidCap1[0]->captureOption(3) && !M().ezVidCap1[0]->captureOption(1));
    }

    // An event recording ends when its position's timer fires, and is saved from that position.
    void eventRecordingEndsWithItsTimer() {
        CamRig rig;
        rig.camera(7, "Door", 4, 1, "Cam B");
        rig.load();
        rig.press(7);
        S().txtPrefaceFiles->setText("");
        const QDateTime start(QDate(2009, 3, 7), QTime(4, 8, 2));
        rt::Clock::setNow(start);
        QVERIFY(M().ezVidCap1[4]->startRecording());
        S().timerCamEvent[4]->setInterval(4000);
        S().timerCamEvent[4]->setEnabled(true);
        // Bounded far beyond the tick: a loaded machine may hold the fast clock's timer a while.
        QVERIFY(rt::WaitUntil([] { return !S().timerCamEvent[4]->enabled(); }, 600000));
        const QStringList files = QDir(rig.env.appDir() + "/capturefiles").entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY2(QRegularExpression("^03072009_\\d{6}\\.avi$").match(files[0]).hasMatch(),
                 qPrintable(files[0]));
        const QDateTime named = QDateTime::fromString(files[0].left(15), "MMddyyyy_hhmmss");
        QVERIFY2(named >= start && named <= rt::Clock::now(), qPrintable(files[0]));
        QCOMPARE(rig.cams.camera(1).recordings.size(), 1);
        QVERIFY(M().ezVidCap1[4]->display() && !M().ezVidCap1[4]->recording());
    }

    // Renaming a camera names it everywhere, stores it and connects the camera again; a position
    // without a camera row is refused.
    void renameConnectsTheCameraAgain() {
        CamRig rig;
        rig.camera(2, "Door", 3, 0, "Cam A");
        rig.load();
        rig.press(2);
        iCamRenameIndex = 3;
        auto& w = formChangeCamDriverName::instance();
        finish(w.cmdChangeNameOk_Click());
        QCOMPARE(rig.boxes->prompts(), QStringList{"Please enter a new camera name"});
        w.txtChangeCamName->setText("Front door");
        finish(w.cmdChangeNameOk_Click());
        QCOMPARE(M().lblCamDeviceName[3]->text(), QStringLiteral("Front door"));
        QCOMPARE(rt::caption(S().frameCamSetupCover[3]), QStringLiteral("Front door"));
        QCOMPARE(rig.stored(2, "DeviceName"), QStringLiteral("Front door"));
        QCOMPARE(M().lblSensor1[2]->text(), QStringLiteral("Front door"));
        QCOMPARE(rowState(2), QStringLiteral("Disconnect|OK|On|greendot.gif"));
        QCOMPARE(rig.cams.camera(0).starts.size(), 2);
        QVERIFY(!formChangeCamDriverName::loaded());

        // A camera that is not connected gets its new name on its summary row all the same.
        rig.press(2);
        rig.cams.camera(0).setBusy(true);
        formChangeCamDriverName::instance().txtChangeCamName->setText("Back door");
        finish(formChangeCamDriverName::instance().cmdChangeNameOk_Click());
        QCOMPARE(M().lblSensor1[2]->text(), QStringLiteral("Back door"));
        rig.boxes->clear();

        iCamRenameIndex = 1;
        const QString before = M().lblCamDeviceName[1]->text();
        formChangeCamDriverName::instance().txtChangeCamName->setText("Nobody");
        finish(formChangeCamDriverName::instance().cmdChangeNameOk_Click());
        QCOMPARE(rig.boxes->prompts().last(), QStringLiteral("There is no camera at position 1 to rename."));
        QCOMPARE(M().lblCamDeviceName[1]->text(), before);
    }

    // The video toggle stays reachable: a second press brings the panel and the width back.
    void videoToggleComesBack() {
        CamRig rig;
        M().setTab(CorvisentMain::tabSummary);
        M().cmdNoVideo->click();
        QCOMPARE(M().cmdNoVideo->text(), QStringLiteral("VN"));
        QVERIFY(M().cmdNoVideo->isVisible() && !M().cmdNoVideo->visibleRegion().isEmpty());
        M().cmdNoVideo->click();
        QCOMPARE(M().cmdNoVideo->text(), QStringLiteral("NV"));
        QVERIFY(M().ezVidCap1[0]->parentWidget()->isVisible());
    }

    // Frames are converted only for a view on screen, once each.
    void framesOfHiddenViewsAreNotConverted() {
        CamRig rig;
        rig.camera(1, "Door", 1, 0, "Cam A");
        rig.load();
        rig.press(1);
        FakeCamera& cam = rig.cams.camera(0);
        rig.cams.sendFrame();
        rig.cams.sendFrame();
        QCOMPARE(cam.conversions, 2);
        M().setTab(CorvisentMain::tabSummary); // the camera tab is not on screen
        rig.cams.sendFrame();
        QCOMPARE(cam.conversions, 2);
        M().setTab(CorvisentMain::tabVideo);
        rig.cams.sendFrame();
        QCOMPARE(cam.conversions, 3);
        QCOMPARE(M().ezVidCap1[1]->framesShown(), 3);
    }
};

QTEST_MAIN(TestCamViews)
#include "tst_camviews.moc"
