// Adding sensors by a hub's serial number: the hub's keys in the machine hive lead to the COM
// port, the sensor there is asked and added; entries that lead nowhere add nothing. Also the
// hub's configuration utility.
#include <QComboBox>
#include <QDir>
#include <QFile>

#include "devices/formAddDevice.h"
#include "devices/modPNP.h"
#include "platform/comports.h"
#include "runtime/appdir.h"
#include "platform/registry.h"
#include "sensors/sensorrig.h"
#include "support/boxes.h"
#include "support/fakeshell.h"
#include "support/finish.h"

using namespace modSupport;

namespace {

void hubPort(const QString& serial, const QString& portName) {
    platform::Registry::instance().setString(
        platform::Hive::LocalMachine, platform::kHubEnumKey + "\\" + serial + "-0\\PORT_0\\Device Parameters",
        "PortName", portName, platform::REG_SZ);
}

// Answers the serial-number questions with the entries in order (a null text cancels), every
// message box with OK.
std::unique_ptr<ScriptedBoxes> typing(QStringList entries) {
    auto left = std::make_shared<QStringList>(std::move(entries));
    return std::make_unique<ScriptedBoxes>([left](const rt::ShownBox& box) -> std::optional<QVariant> {
        if (box.kind != rt::ShownBox::Input || left->isEmpty()) return std::nullopt;
        const QString next = left->takeFirst();
        return next.isNull() ? QVariant() : QVariant(next);
    });
}

QString rows() {
    QStringList out;
    for (int row = 1; row <= 10; ++row) {
        const QString section = QStringLiteral("PortConfig\\Devices\\%1").arg(row);
        const QString type = modPrefs::GetPref(section, "DeviceType");
        if (!type.isEmpty()) out << QStringLiteral("%1:%2@%3").arg(row).arg(type, modPrefs::GetPref(section, "Port"));
    }
    return out.join(' ');
}

const QString kAsk = "Please enter the Serial Number or S/N. Enter 'done' to quit:";

} // namespace

class TestHubSerial : public QObject {
    Q_OBJECT
private slots:
    void init() { rt::Clock::setSpeed(200); }
    void cleanup() {
        formAddDevice::unload();
        rt::Clock::reset();
    }

    // The port of a serial number comes from the hub's key ("-0" added by the program); the
    // sensor there is added as its reply's kind (humidity as one row), then the next serial
    // number is asked. Unknown numbers, blank entries and unknown replies add nothing;
    // "DoNe" is a serial number, "done" ends.
    void addingBySerialNumber() {
        SensorRig rig;
        hubPort("KL0001", "COM6");
        hubPort("KL0002", "COM12");
        hubPort("KL0003", "COM8");
        serve(rig.hub->add(6), "Corvisent/T");
        serve(rig.hub->add(12), "Corvisent/H");
        serve(rig.hub->add(8), "Corvisent/Z");
        {
            auto script = typing({"KL0001", "KL0002", "", "KL0003", "KL0001-0", "DoNe", "done"});
            finish(modPNP::GetBySerial());
            QStringList seen;
            for (const rt::ShownBox& b : script->shown())
                if (b.prompt != kAsk) seen << b.prompt;
            QCOMPARE(seen, QStringList({"Sensor successfully added.", "Sensor successfully added.",
                                        "Serial number not valid.", "Sensor not added.", "Sensor not added.",
                                        "Sensor not added.", "Sensor not added."}));
            QCOMPARE(script->prompts().count(kAsk), 7);
        }
        QCOMPARE(rows(), QString("1:%1@6 2:%2@12").arg(strTypeTemperature, strTypeHumidity));
        QVERIFY(M().isVisible());

        // Cancel ends at once; a sensor already added is not added again, by its serial number or
        // by a blank entry.
        auto script = typing({"KL0001", " ", QString()});
        finish(modPNP::GetBySerial());
        QCOMPARE(rows().count('@'), 2);
        QCOMPARE(script->prompts().count(kAsk), 3);
        QVERIFY(script->prompts().contains("COM6 is already configured. Sensor not added."));
    }

    // With every device row taken the user is told so and the dialogue ends: no sensor is asked
    // and nothing is stored.
    void fullDeviceListEndsTheDialogue() {
        SensorRig rig;
        hubPort("KL0005", "COM6");
        serve(rig.hub->add(6), "Corvisent/T");
        for (int row = 1; row <= 10; ++row)
            SetRowKind(row, typeWater);
        auto script = typing({"KL0005", "KL0005", "done"});
        finish(modPNP::GetBySerial());
        QCOMPARE(
            script->prompts(),
            QStringList(
                {kAsk, "All ten device rows are in use. Please delete a device before adding another."}));
        QCOMPARE(rows(), QString());
        for (int row = 1; row <= 10; ++row)
            SetRowKind(row, typeEmpty);
    }

    void lookupOfBothKeyForms() {
        SensorRig rig;
        QCOMPARE(modPNP::FindComFromSerial("KL9", 1), QString());
        hubPort("KL9", "COM14");
        QCOMPARE(modPNP::FindComFromSerial("KL9", 1), QString("14"));
        QCOMPARE(modPNP::FindComFromSerial("KL", 1), QString());
        platform::Registry::instance().setString(platform::Hive::LocalMachine,
                                                 modPNP::kHubEnumKey9x + "\\ABCDEFGKL7-0", "ComSetup", "5;",
                                                 platform::REG_SZ);
        QCOMPARE(modPNP::FindComFromSerial("KL7", 2), QString("5"));

        // A USB serial adapter listed by its serial number gets the key of that number.
        QTemporaryDir byId;
        QFile device(byId.filePath("ttyUSB7"));
        QVERIFY(device.open(QIODevice::WriteOnly));
        platform::Registry::instance().setString(platform::Hive::LocalMachine, platform::kSerialCommKey,
                                                 device.fileName(), "COM11", platform::REG_SZ);
        QVERIFY(QFile::link(device.fileName(), byId.filePath("usb-Acme_USB_Serial_KL42-if00-port0")));
        QVERIFY(QFile::link(byId.filePath("nowhere"), byId.filePath("usb-Acme_USB_Serial_KL43-if00-port0")));
        platform::recordHubPorts(byId.path());
        QCOMPARE(modPNP::FindComFromSerial("KL42", 1), QString("11"));
        QCOMPARE(modPNP::FindComFromSerial("KL43", 1), QString());
    }

    // The utility is looked for on the search path and in the program folder.
    void configurationUtilityIsFoundOnThePathOrBesideTheProgram() {
        SensorRig rig;
        FakeShell shell;
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        modPNP::RunKestlinkConfig();
        QCOMPARE(rig.boxes->prompts(), QStringList{"Cannot find Kestlink Configuration Utility"});
        QFile tool(QDir(rt::appPath()).filePath("kestlink"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.close();
        tool.setPermissions(QFile::ExeOwner | QFile::ReadOwner);
        modPNP::RunKestlinkConfig();
        qputenv("PATH", oldPath);
        QCOMPARE(rig.boxes->prompts().size(), 1);
        QCOMPARE(shell.calls.size(), 1);
        QVERIFY(shell.calls.first().contains("kestlink"));
    }
};

QTEST_MAIN(TestHubSerial)
#include "tst_hubserial.moc"
