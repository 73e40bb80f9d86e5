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
QString section(int row) { return QStringLiteral("PortConfig\\Devices\\%1").arg(row); }
QString storedName(int row) { return platform::GetSetting(kApp, section(row), QStringLiteral("DeviceName")); }

void store(int row, const QString& type, const QString& name, const QString& slot) {
    for (const auto& [key, value] : {std::pair{"DeviceType", type}, {"DeviceName", name}, {"SubIndex", slot},
                                     {"Port", QString::number(row)}, {"CamDriverIndex", QStringLiteral("0")}})
        platform::SaveSetting(kApp, section(row), QLatin1String(key), value);
}

bool renameWindowShown() { return formChangeDeviceName::loaded() && formChangeDeviceName::instance().isVisible(); }

// Opens the window from the popup of a row (when it opens) and confirms a name.
void renameRow(int row, const QString& name) {
    iSelectedRow = row;
    M().mnuPopupRename_Click();
    if (!formChangeDeviceName::loaded()) return;
    formChangeDeviceName::instance().txtChangeDevName->setText(name);
    formChangeDeviceName::instance().cmdChangeDevNameOk_Click();
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
        // A combined sensor, humidity half first: temperature slot 2, humidity slot 1.
        store(2, strTypeComboHumid, QStringLiteral("Greenhouse RH"), QStringLiteral("21"));
        store(3, strTypeComboTemp, QStringLiteral("Greenhouse T"), QStringLiteral("21"));
        store(4, strTypeWater, QStringLiteral("Basement"), QStringLiteral("1"));
        store(5, strTypeProximity, QStringLiteral("Door"), QStringLiteral("1"));
        store(6, strTypeAccel, QStringLiteral("Shelf"), QStringLiteral("1"));
        store(7, strTypeDistance, QStringLiteral("Hall"), QStringLiteral("1"));
        store(8, strTypeHumidity, QStringLiteral("Attic"), QStringLiteral("2"));
        store(9, strTypeVideo, QStringLiteral("Front cam"), QStringLiteral("1"));
        QCOMPARE(LoadDevicePrefs(), short(1));
        CreateSetupArray();
    }
    void cleanup() {
        if (formChangeDeviceName::loaded()) formChangeDeviceName::instance().cmdChangeDevNameCancel_Click();
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
        const QString oldName = storedName(row);
        iSelectedRow = row;
        M().mnuPopupRename_Click();
        QVERIFY(renameWindowShown());
        QCOMPARE(formChangeDeviceName::instance().lblCurrent->text(), oldName);
        QCOMPARE(formChangeDeviceName::instance().lblCurrentType->text(),
                 formSensorSetup::instance().lblDeviceType[row]->text());
        formChangeDeviceName::instance().cmdChangeDevNameCancel_Click();

        renameRow(row, QStringLiteral("Renamed"));
        QVERIFY(!formChangeDeviceName::loaded());
        QCOMPARE(std::pair(iRenameType, iRenameIndex), std::pair(kind, slot));
        QCOMPARE(M().SlotNameLabel(kind, slot)->text(), QStringLiteral("Renamed"));
        QCOMPARE(M().lblSensor1[row]->text(), QStringLiteral("Renamed"));
        QCOMPARE(storedName(row), QStringLiteral("Renamed"));
        // The other half of the combined sensor keeps its name.
        if (row == 2) QCOMPARE(storedName(3), QStringLiteral("Greenhouse T"));
        if (row == 3) QCOMPARE(storedName(2), QStringLiteral("Greenhouse RH"));
    }

    void nothingToRename() {
        iRenameType = 6;
        iRenameIndex = 3;
        iDeviceType[4] = typeDisabled; // failed its identity check
        formSensorSetup::instance().lblSubIndex[1]->setText(QStringLiteral("x"));
        for (int row : {9, 10, 4, 1}) renameRow(row, QStringLiteral("Never")); // camera, empty, disabled, bad slot
        QCOMPARE(std::pair(iRenameType, iRenameIndex), std::pair(6, 3));
        M().lblTempDeviceName_DblClick(3); // an empty slot
        QTest::mouseDClick(M().lblWaterDeviceName[1], Qt::LeftButton); // only two tabs react
        QVERIFY(!formChangeDeviceName::loaded());
    }

    void doubleClickOnTemperatureAndHumidityNames() {
        QTest::mouseDClick(M().lblTempDeviceName[2], Qt::LeftButton);
        QVERIFY(renameWindowShown());
        QCOMPARE(formChangeDeviceName::instance().lblCurrent->text(), QStringLiteral("Greenhouse T"));
        formChangeDeviceName::instance().cmdChangeDevNameCancel_Click();
        QTest::mouseDClick(M().lblHumidDeviceName[1], Qt::LeftButton);
        formChangeDeviceName::instance().txtChangeDevName->setText(QStringLiteral("Seedlings"));
        formChangeDeviceName::instance().cmdChangeDevNameOk_Click();
        QCOMPARE(M().lblHumidDeviceName[1]->text(), QStringLiteral("Seedlings"));
        QCOMPARE(storedName(2), QStringLiteral("Seedlings"));
        QCOMPARE(storedName(3), QStringLiteral("Greenhouse T"));
    }

    void confirming() {
        rt::DialogScript boxes;
        // An empty name is refused and the window stays; one blank is a name.
        renameRow(1, QString());
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Please enter a new device name")});
        QVERIFY(boxes.shown().first().style & rt::vbSystemModal);
        QVERIFY(renameWindowShown());
        formChangeDeviceName::instance().cmdChangeDevNameCancel_Click();
        QCOMPARE(storedName(1), QStringLiteral("Lab"));
        renameRow(1, QStringLiteral(" "));
        QCOMPARE(storedName(1), QStringLiteral(" "));

        // The settings file's copy of a device follows; a device it does not hold is not added.
        platform::WritePrivateProfileString(QStringLiteral("Device Setup\\1"), QStringLiteral("DeviceType"),
                                            strTypeTemperature, strINIPath);
        auto iniName = [](int row) {
            return platform::GetPrivateProfileString(QStringLiteral("Device Setup\\%1").arg(row),
                                                     QStringLiteral("DeviceName"), QStringLiteral("-"), 255, strINIPath);
        };
        renameRow(1, QStringLiteral("Server room"));
        renameRow(4, QStringLiteral("Cellar"));
        QCOMPARE(iniName(1), QStringLiteral("Server room"));
        QCOMPARE(iniName(4), QStringLiteral("-"));

        // The slot was emptied while the window was open: nothing is renamed, the window stays.
        iSelectedRow = 4;
        M().mnuPopupRename_Click();
        rt::setTag(M().frameWCover[1], QStringLiteral("0"));
        formChangeDeviceName::instance().txtChangeDevName->setText(QStringLiteral("Ghost"));
        formChangeDeviceName::instance().cmdChangeDevNameOk_Click();
        QVERIFY(renameWindowShown());
        QCOMPARE(M().lblWaterDeviceName[1]->text(), QStringLiteral("Cellar"));
        QVERIFY(platform::GetSetting(kApp, section(0), QStringLiteral("DeviceName")).isEmpty());
        QCOMPARE(boxes.prompts().size(), 1);
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"
