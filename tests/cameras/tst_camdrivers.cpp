// The camera driver's keys and the driver list of the add-device window.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "cameras/camdrivers.h"
#include "platform/capture.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/fakecapture.h"
#include "support/testenv.h"

using namespace modSupport;
using modRegistry::HKEY_LOCAL_MACHINE;

namespace {

const QString kAvi = QStringLiteral("Software\\Zovir Izovezo\\AVI\\");
const QString kInfo = QStringLiteral("Software\\Zovir Izovezo\\Camera Info\\");

QString hklm(const QString& key, const QString& value) {
    return modRegistry::GetStringFromRegKey(HKEY_LOCAL_MACHINE, key, value, QStringLiteral("-"));
}
void setHklm(const QString& key, const QString& value, const QString& text) {
    modRegistry::SaveStringToReg(HKEY_LOCAL_MACHINE, key, value, text);
}
// A camera known to the driver's tree under info key k.
void driverCamera(const QString& k, const QString& friendly, const QString& instance, const QString& serial) {
    setHklm(kInfo + k, "FriendlyName", friendly);
    setHklm(kInfo + k, "UsedByDrvr", instance);
    setHklm(kInfo + k, "SerialNumber", serial);
    modRegistry::strCamInfoKeys.append(k);
}
QCheckBox* multi() { return formSensorSetup::instance().chkMultiCamEnabled; }

} // namespace

class TestCamDrivers : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        modRegistry::strCamInfoKeys.clear();
        iCamSlot.fill(camSlotFree);
    }
    void cleanup() { env.reset(); }

    void presenceFlagsFollowTheModelKeys() {
        QCOMPARE(CheckCamDrivers(), 1);
        QCOMPARE(rt::value(multi()), 0);
        QCOMPARE(rt::tag(multi()), QStringLiteral("1"));
        platform::Registry::instance().createKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillon Devices\\CorvisentV2");
        QCOMPARE(CheckCamDrivers(), 9);
        platform::Registry::instance().createKey(HKEY_LOCAL_MACHINE, "software\\zovir izovezo\\avi\\VICAM001.DRV");
        QCOMPARE(CheckCamDrivers(), 12);
        QCOMPARE(rt::value(multi()), 1);
        QCOMPARE(rt::tag(multi()), QStringLiteral("12"));
    }

    // Single setup: one value for every camera, and it decides the size of the next start.
    void resolutionProfileSingleAndPerInstance() {
        rt::setValue(multi(), 0);
        SetCamResolution(3, "");
        QCOMPARE(hklm(kAvi + "UserProfile1", "Resolution"), QStringLiteral("2"));
        QCOMPARE(CamCaptureProfile("Any cam"), platform::CaptureProfile::Default);
        SetCamResolution(3, "1");
        QCOMPARE(CamCaptureProfile("Any cam"), platform::CaptureProfile::Small);

        // Several cameras: the row's driver instance, nothing without one.
        rt::setValue(multi(), 1);
        driverCamera("0001", "Door", "003", "SN-1");
        SetCamResolution(4, "1");
        QCOMPARE(hklm(kAvi + "Vicam.drv\\UserProfile1", "Resolution"), QStringLiteral("-"));
        SetUsedByDriver(4, "Door");
        QCOMPARE(modPrefs::GetPref("PortConfig\\Devices\\4", "UsedByDriver"), QStringLiteral("003"));
        SetCamResolution(4, "1");
        QCOMPARE(hklm(kAvi + "vicam003.drv\\UserProfile1", "Resolution"), QStringLiteral("1"));
        QCOMPARE(CamCaptureProfile("Door"), platform::CaptureProfile::Small);
        QCOMPARE(CamCaptureProfile("Yard"), platform::CaptureProfile::Default);
        rt::setValue(multi(), 0);
    }

    void cameraLookupIsExactAndNamesOnlyInstalledCameras() {
        driverCamera("0001", "Door", "003", "SN-1");
        driverCamera("0002", "Yard", "", "SN-2");
        QCOMPARE(FindCamSerial("Door"), QStringLiteral("SN-1"));
        QCOMPARE(FindCamSerial("door"), QString());
        SetUsedByDriver(5, "DOOR");
        QCOMPARE(modPrefs::GetPref("PortConfig\\Devices\\5", "UsedByDriver", "-"), QStringLiteral("-"));

        ScriptedBoxes boxes;
        rt::setValue(multi(), 0); // several-camera setup off: nothing, silently
        QCOMPARE(SetCamFriendlyName(1, "Front", "Door"), 0);
        QCOMPARE(hklm(kAvi + "vicam003.drv", "FriendlyName"), QStringLiteral("-"));

        rt::setValue(multi(), 1);
        QCOMPARE(SetCamFriendlyName(1, "Front", "Door"), 1);
        QCOMPARE(hklm(kAvi + "vicam003.drv", "FriendlyName"), QStringLiteral("Front"));
        QCOMPARE(hklm(kAvi + "vicam003.drv\\UserProfile1", "Resolution"), QStringLiteral("2"));
        // A camera without its instance number, or not in the tree at all, is not installed.
        QCOMPARE(SetCamFriendlyName(1, "Back", "Yard"), 0);
        QCOMPARE(SetCamFriendlyName(1, "Back", "Garage"), 0);
        QCOMPARE(hklm(kAvi + "vicam.drv", "FriendlyName"), QStringLiteral("-"));
        const QString notInstalled = "Error: You must finish the camera installation first by rebooting.";
        QCOMPARE(boxes.prompts(), (QStringList{notInstalled, notInstalled}));
        rt::setValue(multi(), 0);
    }

    // The list offers every driver, marks those in use and the first model's unfit ones, and
    // preselects the first free one; the entry's index is the driver's index.
    void driverListMarksDriversThatCannotBeChosen() {
        FakeCaptureSystem cams;
        cams.add("Microsoft WDM Image Capture");
        cams.add("USB Camera A");
        cams.add("USB Camera B");
        QComboBox list, type;
        type.addItems({"Corvisent/V (Video)", "Corvisent/V2 (Single camera only)"});
        QLineEdit name;
        QLabel label;
        const CamListControls form{&list, &type, &name, &label};
        iCamSlot[2] = 1;
        ScriptedBoxes boxes;
        BuildCamList(0, form);
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.itemText(0), QStringLiteral("Microsoft WDM Image Capture<Unavail>"));
        QCOMPARE(list.itemText(1), QStringLiteral("USB Camera A<Unavail>"));
        QCOMPARE(list.currentIndex(), 2);
        BuildCamList(1, form); // the second model takes any driver
        QCOMPARE(list.itemText(0), QStringLiteral("Microsoft WDM Image Capture"));
        QCOMPARE(list.currentIndex(), 0);
        QVERIFY(name.isEnabled());

        // Every driver taken: the user is told and the camera cannot be added.
        iCamSlot[1] = 0;
        iCamSlot[3] = 2;
        type.setCurrentIndex(0);
        BuildCamList(1, form);
        QCOMPARE(boxes.prompts(), (QStringList{"No more capture drivers available", "Please be sure all cameras are attached"}));
        QCOMPARE(type.currentIndex(), -1);
        QVERIFY(!name.isEnabled() && !label.isEnabled());
    }

    void noCameraAtAll() {
        FakeCaptureSystem cams;
        cams.add("USB Camera A").setPresent(false);
        QComboBox list, type;
        type.addItem("Corvisent/V (Video)");
        QLineEdit name;
        QLabel label;
        ScriptedBoxes boxes;
        BuildCamList(0, {&list, &type, &name, &label});
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.currentText(), QStringLiteral("<none>"));
        QCOMPARE(boxes.prompts(), (QStringList{"No video capture devices found", "Please be sure all cameras are attached"}));
        QVERIFY(!name.isEnabled() && type.currentIndex() == -1);
    }
};

QTEST_MAIN(TestCamDrivers)
#include "tst_camdrivers.moc"
