#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "app/CorvisentMain.h"
#include "app/formChangeDeviceName.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/deviceRecords.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

CorvisentMain& M() { return CorvisentMain::instance(); }
const QString kApp = QStringLiteral("Corvisent Manager");

QString storedName(int row) {
    return platform::GetSetting(kApp, QStringLiteral("PortConfig\\Devices\\%1").arg(row), QStringLiteral("DeviceName"));
}

void store(int row, const QString& type, const QString& name, const QString& slot) {
    const QString section = QStringLiteral("PortConfig\\Devices\\%1").arg(row);
    platform::SaveSetting(kApp, section, QStringLiteral("DeviceType"), type);
    platform::SaveSetting(kApp, section, QStringLiteral("DeviceName"), name);
    platform::SaveSetting(kApp, section, QStringLiteral("SubIndex"), slot);
    platform::SaveSetting(kApp, section, QStringLiteral("Port"), QString::number(row));
}

bool renameWindowShown() { return formChangeDeviceName::loaded() && formChangeDeviceName::instance().isVisible(); }

void closeRenameWindow() {
    if (formChangeDeviceName::loaded()) formChangeDeviceName::instance().cmdChangeDevNameCancel_Click();
}

// Types the name into the open rename window and confirms it.
void confirm(const QString& name) {
    auto& w = formChangeDeviceName::instance();
    w.txtChangeDevName->setText(name);
    w.cmdChangeDevNameOk_Click();
}

} // namespace

// Renaming from the summary popup and the Temperature and Humidity slot names, over a device
// list loaded from the settings tree.
class TestRename : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

private slots:
    void init() {
        env = std::make_unique<TestEnv>();
        store(1, strTypeTemperature, QStringLiteral("Lab"), QStringLiteral("1"));
        // A combined sensor: humidity half first, temperature slot 2 and humidity slot 1.
        store(2, strTypeComboHumid, QStringLiteral("Greenhouse RH"), QStringLiteral("21"));
        store(3, strTypeComboTemp, QStringLiteral("Greenhouse T"), QStringLiteral("21"));
        store(4, strTypeWater, QStringLiteral("Basement"), QStringLiteral("1"));
        store(5, strTypeProximity, QStringLiteral("Door"), QStringLiteral("1"));
        store(6, strTypeAccel, QStringLiteral("Shelf"), QStringLiteral("1"));
        store(7, strTypeDistance, QStringLiteral("Hall"), QStringLiteral("1"));
        store(8, strTypeHumidity, QStringLiteral("Attic"), QStringLiteral("2"));
        store(9, strTypeVideo, QStringLiteral("Front cam"), QStringLiteral("1"));
        platform::SaveSetting(kApp, QStringLiteral("PortConfig\\Devices\\9"), QStringLiteral("CamDriverIndex"),
                              QStringLiteral("0"));
        QCOMPARE(LoadDevicePrefs(), short(1));
        CreateSetupArray();
        QCOMPARE(iDeviceType[3], int(typeCombo));
    }
    void cleanup() {
        closeRenameWindow();
        for (int row = 1; row <= 10; ++row) MakeInvisible(0, row, iDeviceType[row]);
        env.reset();
    }

    void popupRenamesTheSlotOfEveryKind_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("slot");
        QTest::newRow("temperature") << 1 << 1 << 1;
        QTest::newRow("combined, humidity half") << 2 << 2 << 1;
        QTest::newRow("combined, temperature half") << 3 << 1 << 2;
        QTest::newRow("water") << 4 << 6 << 1;
        QTest::newRow("proximity") << 5 << 3 << 1;
        QTest::newRow("accelerometer") << 6 << 8 << 1;
        QTest::newRow("distance") << 7 << 9 << 1;
        QTest::newRow("humidity") << 8 << 2 << 2;
    }
    void popupRenamesTheSlotOfEveryKind() {
        QFETCH(int, row);
        QFETCH(int, kind);
        QFETCH(int, slot);
        const QString oldName = M().lblSensor1[row]->text();
        const QString typeName = formSensorSetup::instance().lblDeviceType[row]->text();
        iSelectedRow = row;
        M().mnuPopupRename_Click();
        QVERIFY(renameWindowShown());
        QCOMPARE(iRenameType, kind);
        QCOMPARE(iRenameIndex, slot);
        auto& w = formChangeDeviceName::instance();
        QCOMPARE(w.lblCurrent->text(), oldName);
        QCOMPARE(w.lblCurrentType->text(), typeName);
        QVERIFY(w.txtChangeDevName->text().isEmpty());

        confirm(QStringLiteral("Renamed"));
        QVERIFY(!formChangeDeviceName::loaded());
        QCOMPARE(M().SlotNameLabel(kind, slot)->text(), QStringLiteral("Renamed"));
        QCOMPARE(M().lblSensor1[row]->text(), QStringLiteral("Renamed"));
        QCOMPARE(storedName(row), QStringLiteral("Renamed"));
        // The other half of the combined sensor keeps its name.
        if (row == 2) QCOMPARE(storedName(3), QStringLiteral("Greenhouse T"));
        if (row == 3) QCOMPARE(storedName(2), QStringLiteral("Greenhouse RH"));
    }

    void popupOnRowsWithoutATabSlotOpensNothing() {
        iRenameType = 6;
        iRenameIndex = 3;
        for (int row : {9, 10}) { // a camera, an empty row
            iSelectedRow = row;
            M().mnuPopupRename_Click();
        }
        iDeviceType[4] = typeDisabled; // a sensor that failed its identity check
        iSelectedRow = 4;
        M().mnuPopupRename_Click();
        // A slot caption that is no number, and an empty slot.
        formSensorSetup::instance().lblSubIndex[1]->setText(QStringLiteral("x"));
        iSelectedRow = 1;
        M().mnuPopupRename_Click();
        QVERIFY(!formChangeDeviceName::loaded());
        QCOMPARE(iRenameType, 6);
        QCOMPARE(iRenameIndex, 3);
        M().lblTempDeviceName_DblClick(3);
        QVERIFY(!formChangeDeviceName::loaded());
    }

    void doubleClickOnTemperatureAndHumidityNames() {
        // The combined sensor's temperature half shows at Temperature slot 2.
        QTest::mouseDClick(M().lblTempDeviceName[2], Qt::LeftButton);
        QVERIFY(renameWindowShown());
        QCOMPARE(formChangeDeviceName::instance().lblCurrent->text(), QStringLiteral("Greenhouse T"));
        closeRenameWindow();
        QTest::mouseDClick(M().lblHumidDeviceName[1], Qt::LeftButton);
        QVERIFY(renameWindowShown());
        QCOMPARE(iRenameType, 2);
        QCOMPARE(formChangeDeviceName::instance().lblCurrent->text(), QStringLiteral("Greenhouse RH"));
        confirm(QStringLiteral("Seedlings"));
        QCOMPARE(M().lblHumidDeviceName[1]->text(), QStringLiteral("Seedlings"));
        QCOMPARE(M().lblSensor1[2]->text(), QStringLiteral("Seedlings"));
        QCOMPARE(M().lblSensor1[3]->text(), QStringLiteral("Greenhouse T"));
        // The other tabs' names do not react.
        QTest::mouseDClick(M().lblWaterDeviceName[1], Qt::LeftButton);
        QTest::mouseDClick(M().lblProximDeviceName[1], Qt::LeftButton);
        QVERIFY(!formChangeDeviceName::loaded());
    }

    void confirmingAndCancelling() {
        rt::DialogScript boxes;
        iSelectedRow = 1;
        M().mnuPopupRename_Click();
        confirm(QString());
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Please enter a new device name")});
        QVERIFY(boxes.shown().first().style & rt::vbSystemModal);
        QVERIFY(renameWindowShown());

        // Cancel changes nothing; the next request opens a fresh window.
        formChangeDeviceName::instance().txtChangeDevName->setText(QStringLiteral("Never"));
        formChangeDeviceName::instance().cmdChangeDevNameCancel_Click();
        QVERIFY(!formChangeDeviceName::loaded());
        QCOMPARE(storedName(1), QStringLiteral("Lab"));
        M().mnuPopupRename_Click();
        QVERIFY(formChangeDeviceName::instance().txtChangeDevName->text().isEmpty());

        // A single blank is a name.
        confirm(QStringLiteral(" "));
        QCOMPARE(storedName(1), QStringLiteral(" "));
        QCOMPARE(boxes.prompts().size(), 1);
    }

    void settingsFileKeepsTheNewName() {
        const QString ini = strINIPath;
        platform::WritePrivateProfileString(QStringLiteral("Device Setup\\1"), QStringLiteral("DeviceType"),
                                            strTypeTemperature, ini);
        platform::WritePrivateProfileString(QStringLiteral("Device Setup\\1"), QStringLiteral("DeviceName"),
                                            QStringLiteral("Lab"), ini);
        auto iniName = [&](int row) {
            return platform::GetPrivateProfileString(QStringLiteral("Device Setup\\%1").arg(row),
                                                     QStringLiteral("DeviceName"), QStringLiteral("-"), 255, ini);
        };
        iSelectedRow = 1;
        M().mnuPopupRename_Click();
        confirm(QStringLiteral("Server room"));
        QCOMPARE(iniName(1), QStringLiteral("Server room"));
        // A row the file does not hold gets no section there.
        iSelectedRow = 4;
        M().mnuPopupRename_Click();
        confirm(QStringLiteral("Cellar"));
        QCOMPARE(storedName(4), QStringLiteral("Cellar"));
        QCOMPARE(iniName(4), QStringLiteral("-"));
    }

    void slotEmptiedWhileTheWindowIsOpen() {
        iSelectedRow = 4;
        M().mnuPopupRename_Click();
        QVERIFY(renameWindowShown());
        rt::setTag(M().frameWCover[1], QStringLiteral("0"));
        confirm(QStringLiteral("Ghost"));
        QVERIFY(formChangeDeviceName::loaded());
        QCOMPARE(M().lblWaterDeviceName[1]->text(), QStringLiteral("Basement"));
        QVERIFY(platform::GetSetting(kApp, QStringLiteral("PortConfig\\Devices\\0"), QStringLiteral("DeviceName"))
                    .isEmpty());
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"
