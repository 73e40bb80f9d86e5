// A camera's options on the setup window: monitor only or linked to a proximity or distance
// sensor, the sensor choice and its links, snapshot or recording, and what the boxes store.
#include "cameras/ezVidCap.h"
#include "sensors/sensorrig.h"
#include "support/fakecapture.h"
#include "support/finish.h"

using namespace modSupport;

namespace {

const char* const kMissing = "(missing)";

QString cameraPref(int k, const char* key) {
    return modPrefs::GetPref(QStringLiteral("Camera Setup\\%1").arg(k), key, kMissing);
}

// The entries of camera k's sensor choice, the chosen one in brackets: "[1] 2".
QString choice(int k) {
    QComboBox* list = S().cmbProximNumber[k];
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << (i == list->currentIndex() ? "[" + list->itemText(i) + "]" : list->itemText(i));
    return out.join(' ');
}

// The links as "P1:2 D2:1" (sensor kind and slot : camera).
QString links() {
    QStringList out;
    for (int kind : {int(typeProximity), int(typeDistance)})
        for (int slot = 0; slot <= 4; ++slot)
            if (iProxToCam(kind, slot) != noCamera)
                out << QStringLiteral("%1%2:%3")
                           .arg(kind == typeProximity ? "P" : "D")
                           .arg(slot)
                           .arg(iProxToCam(kind, slot));
    return out.join(' ');
}

// Which of camera k's option controls show: M(onitor only), L(ink box), C(hoice), N (choice
// caption), S(nap), A(VI), D (auto disconnect), F(rames per second).
QString shownOptions(int k) {
    auto& s = S();
    const std::pair<QWidget*, char> all[] = {{s.chkCamMonitorOnly[k], 'M'}, {s.chkCamUseProxim[k], 'L'},
                                             {s.cmbProximNumber[k], 'C'},   {s.lblProxDevice[k], 'N'},
                                             {s.chkProximSnapCam[k], 'S'},  {s.chkCaptureToAVI[k], 'A'},
                                             {s.chkCamAutoDisc[k], 'D'},    {s.cmbFramesPerSecond[k], 'F'}};
    QString out;
    for (const auto& [w, c] : all)
        if (rt::visible(w)) out += QLatin1Char(c);
    return out;
}

// Camera options back to their start: nothing ticked, nothing listed, every control hidden.
void resetCameraOptions() {
    LoadGuard quiet;
    auto& s = S();
    for (int k = 1; k <= 4; ++k) {
        for (QCheckBox* box : {s.chkCamUseProxim[k], s.chkCamMonitorOnly[k], s.chkProximSnapCam[k],
                               s.chkCaptureToAVI[k], s.chkCamAutoDisc[k]}) {
            const QSignalBlocker still(box); // each box as it is, whatever the others are
            rt::setValue(box, 0);
            box->setEnabled(true);
        }
        const QSignalBlocker quietList(s.cmbProximNumber[k]);
        s.cmbProximNumber[k]->clear();
        s.FlipProximLabels(k, false, 1);
        s.lblProxDevice[k]->hide();
    }
    iProxToCam.fill(noCamera);
}

struct OptionsRig : SensorRig {
    FakeCaptureSystem cams;
    OptionsRig() {
        cams.add("Cam A");
        resetCameraOptions();
    }
    ~OptionsRig() {
        for (ezVidCap* v : M().ezVidCap1)
            v->driverDisconnect();
        resetCameraOptions();
    }
    void proximity(int row, const QString& slot) { record(row, strTypeProximity, "Door", slot, 3); }
    void distance(int row, const QString& slot) { record(row, strTypeDistance, "Hall", slot, 4); }
    void camera(int row, int pos) {
        const QString section = QStringLiteral("PortConfig\\Devices\\%1").arg(row);
        modPrefs::SavePref(section, "DeviceType", strTypeVideo);
        modPrefs::SavePref(section, "DeviceName", "Gate");
        modPrefs::SavePref(section, "SubIndex", QString::number(pos));
        modPrefs::SavePref(section, "CamDriverIndex", "0");
        modPrefs::SavePref(section, "DriverName", "Cam A");
    }
    void pick(int k, const QString& label) {
        QComboBox* list = S().cmbProximNumber[k];
        const int i = list->findText(label);
        QVERIFY2(i >= 0, qPrintable(label + " not listed: " + choice(k)));
        list->setCurrentIndex(i);
    }
};

} // namespace

class TestCamOptions : public QObject {
    Q_OBJECT
private slots:
    void init() { rt::Clock::setSpeed(100); }
    void cleanup() { rt::Clock::reset(); }

    // Connecting a camera shows its options and lists the sensors without linking any; the
    // monitor-only box and the link box turn each other off, storing each change, and the link
    // follows the sensor chosen last until the link box is cleared.
    void monitorOnlyAndLinkTurnEachOtherOff() {
        OptionsRig rig;
        rig.proximity(1, "1");
        rig.proximity(2, "2");
        rig.camera(3, 2);
        rig.load();
        QCOMPARE(shownOptions(2), QString("M")); // loaded, not connected
        finish(S().cmdConnectSensor_Click(3));
        QCOMPARE(rowState(3).section('|', 0, 0), QString("Disconnect"));
        QCOMPARE(shownOptions(2), QString("MLCSAD"));
        QCOMPARE(choice(2), QString("1 2"));
        QCOMPARE(links(), QString());

        S().chkCamMonitorOnly[2]->setChecked(true);
        QCOMPARE(cameraPref(2, "MonitorOnly"), QString("1"));
        QVERIFY(!rt::visible(S().chkCamUseProxim[2]));

        S().chkCamMonitorOnly[2]->setChecked(false);
        QVERIFY(rt::ticked(S().chkCamUseProxim[2]));
        QCOMPARE(cameraPref(2, "MonitorOnly"), QString("0"));
        QCOMPARE(shownOptions(2), QString("MLCNSAD"));
        QCOMPARE(choice(2), QString("1 2"));
        QCOMPARE(links(), QString());

        rig.pick(2, "2");
        QCOMPARE(links(), QString("P2:2"));
        rig.pick(2, "1");
        QCOMPARE(links(), QString("P1:2"));
        // A refill keeps the camera's own sensor listed and chosen.
        S().MakeAvailProxComboBox(2);
        QCOMPARE(choice(2), QString("[1] 2"));
        QCOMPARE(links(), QString("P1:2"));

        S().chkCaptureToAVI[2]->setChecked(true);
        S().chkCamUseProxim[2]->setChecked(false);
        QVERIFY(rt::ticked(S().chkCamMonitorOnly[2]));
        QVERIFY(!rt::ticked(S().chkCaptureToAVI[2]) && !rt::ticked(S().chkProximSnapCam[2]));
        QCOMPARE(cameraPref(2, "CamUseProxim"), QString("0"));
        QCOMPARE(cameraPref(2, "MonitorOnly"), QString("1"));
        QCOMPARE(shownOptions(2), QString("M"));
        QCOMPARE(links(), QString());
    }

    // A proximity and a distance sensor on the same slot number are told apart as "P1" and "D1"
    // and linked separately; a sensor linked to one camera is not offered to another, and
    // unlinking a camera leaves the other cameras' links alone.
    void sameSlotOfBothKindsLinksSeparately() {
        OptionsRig rig;
        rig.proximity(1, "1");
        rig.distance(2, "1");
        rig.distance(4, "2");
        rig.load();
        S().MakeAvailProxComboBox(1);
        QCOMPARE(choice(1), QString("P1 D1 2"));
        rig.pick(1, "D1");
        QCOMPARE(links(), QString("D1:1"));
        S().MakeAvailProxComboBox(2);
        QCOMPARE(choice(2), QString("P1 2"));
        rig.pick(2, "P1");
        QCOMPARE(links(), QString("P1:2 D1:1"));

        {
            LoadGuard quiet; // as a load sets it: ticked without refilling or messages
            rt::setValue(S().chkCamUseProxim[1], 1);
        }
        S().chkCamUseProxim[1]->setChecked(false);
        QCOMPARE(links(), QString("P1:2"));
        // Clearing a link box whose choice is empty unlinks nothing of another camera.
        S().MakeAvailProxComboBox(3);
        QCOMPARE(choice(3), QString("D1 2"));
        {
            LoadGuard quiet;
            rt::setValue(S().chkCamUseProxim[3], 1);
        }
        S().chkCamUseProxim[3]->setChecked(false);
        QCOMPARE(links(), QString("P1:2"));
    }

    // Without a proximity-capable sensor, ticking the link box unticks it again and the camera
    // stays monitor-only, as shown and as stored; with every sensor linked elsewhere the user is
    // told once. A load fills the list silently.
    void nothingToLink() {
        OptionsRig rig;
        rig.load();
        {
            LoadGuard quiet;
            rt::setValue(S().chkCamMonitorOnly[1], 1);
        }
        S().chkCamMonitorOnly[1]->setChecked(false);
        QVERIFY(!rt::ticked(S().chkCamUseProxim[1]));
        QVERIFY(rt::ticked(S().chkCamMonitorOnly[1]));
        QCOMPARE(cameraPref(1, "MonitorOnly"), QString("1"));
        QCOMPARE(cameraPref(1, "CamUseProxim"), QString("0"));
        QVERIFY(!rt::visible(S().cmbProximNumber[1]) && !rt::visible(S().chkCamUseProxim[1]));
    }

    void everySensorLinkedElsewhere() {
        OptionsRig rig;
        rig.proximity(1, "1");
        rig.load();
        iProxToCam(typeProximity, 1) = 4;
        {
            LoadGuard quiet;
            S().MakeAvailProxComboBox(1);
        }
        S().chkCamUseProxim[1]->setChecked(true);
        QCOMPARE(rig.boxes->prompts(), QStringList{"No more available proximity sensors to link."});
        QCOMPARE(choice(1), QString());
        QCOMPARE(links(), QString("P1:4"));
    }

    // A camera records or snaps on an event, not both; the snapshot box stores its state.
    void snapshotOrRecording() {
        OptionsRig rig;
        auto& s = S();
        s.chkCaptureToAVI[3]->setChecked(true);
        QVERIFY(!s.chkProximSnapCam[3]->isEnabled());
        s.chkCaptureToAVI[3]->setChecked(false);
        QVERIFY(s.chkProximSnapCam[3]->isEnabled());

        s.chkProximSnapCam[3]->setChecked(true);
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "chkProximSnapCam", kMissing), QString("1"));
        QVERIFY(!s.chkCaptureToAVI[3]->isEnabled() && !rt::ticked(s.chkCaptureToAVI[3]));
        s.chkProximSnapCam[3]->setChecked(false);
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "chkProximSnapCam", kMissing), QString("0"));
        QVERIFY(s.chkCaptureToAVI[3]->isEnabled());
        QVERIFY(s.chkProximSnapCam[4]->isEnabled() && s.chkCaptureToAVI[4]->isEnabled());
    }
};

QTEST_MAIN(TestCamOptions)
#include "tst_camoptions.moc"
