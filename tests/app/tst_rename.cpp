#include <QGroupBox>
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
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

CorvisentMain& M() { return CorvisentMain::instance(); }
formChangeDeviceName& W() { return formChangeDeviceName::instance(); }
const QString kApp = QStringLiteral("Corvisent Manager");
QString section(int row) { return QStringLiteral("PortConfig\\Devices\\%1").arg(row); }
QString storedName(int row) { return platform::GetSetting(kApp, section(row), QStringLiteral("DeviceName")); }
bool renameWindowShown() { return formChangeDeviceName::loaded() && W().isVisible(); }

// Opens the window from the popup of a row (when it opens) and confirms a name.
void renameRow(int row, const QString& name) {
    iSelectedRow = row;
    M().mnuPopupRename_Click();
    if (!formChangeDeviceName::loaded()) return;
    W().txtChangeDevName->setText(name);
    W().cmdChangeDevNameOk_Click();
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
        // Rows 2 and 3: a combined sensor, humidity half first (temperature slot 2, humidity slot 1).
        const std::pair<QString, QString> rows[] = {
            {strTypeTemperature, "1"}, {strTypeComboHumid, "21"}, {strTypeComboTemp, "21"},
            {strTypeWater, "1"},       {strTypeProximity, "1"},   {strTypeAccel, "1"},
            {strTypeDistance, "1"},    {strTypeHumidity, "2"},    {strTypeVideo, "1"}};
        for (int row = 1; row <= 9; ++row)
            for (const auto& [key, value] :
                 {std::pair{"DeviceType", rows[row - 1].first}, {"DeviceName", QStringLiteral("Dev %1").arg(row)},
                  {"SubIndex", rows[row - 1].second}, {"Port", QString::number(row)}, {"CamDriverIndex", "0"},
                  {"ProxEventIndex", QString::number(row % 4 + 1)}})
                platform::SaveSetting(kApp, section(row), QLatin1String(key), value);
        QCOMPARE(LoadDevicePrefs(), short(1));
        CreateSetupArray();
    }
    void cleanup() {
        if (formChangeDeviceName::loaded()) W().cmdChangeDevNameCancel_Click();
        for (int row = 1; row <= 10; ++row)
            MakeInvisible(0, row, iDeviceType(row));
        env.reset();
    }

    void popupRenamesTheSlotOfEveryKind() {
        // Row, kind and slot; rows 2 and 3 are the two halves of the combined sensor.
        for (auto [row, kind, slot] : {std::tuple{1, 1, 1}, {2, 2, 1}, {3, 1, 2}, {4, 6, 1}, {5, 3, 1}, {6, 8, 1},
                                       {7, 9, 1}, {8, 2, 2}}) {
            const QString name = QStringLiteral("Renamed %1").arg(row);
            renameRow(row, name);
            QVERIFY(!formChangeDeviceName::loaded());
            QCOMPARE(M().SlotNameLabel(kind, slot)->text(), name);
            QCOMPARE(M().lblSensor1[row]->text(), name);
            QCOMPARE(storedName(row), name);
            if (row == 2) QCOMPARE(storedName(3), QStringLiteral("Dev 3")); // the other half keeps its name
            if (kind == typeProximity || kind == typeDistance) // and the event panel its caption
                QCOMPARE(formSensorSetup::instance().frameProxBehavior[iProxSlot[row]]->title(), name);
        }
        QCOMPARE(M().lblHumidDeviceName[1]->text(), QStringLiteral("Renamed 2"));
    }

    void nothingToRename() {
        iRenameType = 6;
        iRenameIndex = 3;
        DisableRow(4); // failed its identity check
        RegisterRow(1, typeTemperature, 0);
        for (int row : {9, 10, 4, 1}) renameRow(row, QStringLiteral("Never")); // camera, empty, disabled, bad slot
        QCOMPARE(std::pair(iRenameType, iRenameIndex), std::pair(6, 3));
        M().lblTempDeviceName_DblClick(3); // an empty slot
        QTest::mouseDClick(M().lblWaterDeviceName[1], Qt::LeftButton); // only two tabs react
        QVERIFY(!formChangeDeviceName::loaded());
    }

    void doubleClickOnTemperatureAndHumidityNames() {
        for (auto [label, row] : {std::pair{M().lblTempDeviceName[2], 3}, {M().lblHumidDeviceName[1], 2}}) {
            QTest::mouseDClick(label, Qt::LeftButton);
            QCOMPARE(W().lblCurrent->text(), QStringLiteral("Dev %1").arg(row));
            W().txtChangeDevName->setText(QStringLiteral("Seedlings"));
            W().cmdChangeDevNameOk_Click();
            QCOMPARE(label->text(), QStringLiteral("Seedlings"));
            QCOMPARE(storedName(row), QStringLiteral("Seedlings"));
        }
    }

    void emptyNameIsRefusedAndTheSettingsFileFollows() {
        ScriptedBoxes boxes;
        // An empty name is refused and the window stays; one blank is a name.
        renameRow(1, QString());
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("Please enter a new device name")});
        QVERIFY(renameWindowShown());
        W().cmdChangeDevNameCancel_Click();
        QCOMPARE(storedName(1), QStringLiteral("Dev 1"));
        renameRow(1, QStringLiteral(" "));
        QCOMPARE(storedName(1), QStringLiteral(" "));

        // The settings file's copy of a device follows; a device it does not hold is not added.
        platform::WritePrivateProfileString(QStringLiteral("Device Setup\\1"), QStringLiteral("DeviceType"),
                                            strTypeTemperature, strINIPath);
        renameRow(1, QStringLiteral("Server room"));
        renameRow(4, QStringLiteral("Cellar"));
        for (auto [row, name] : {std::pair{1, "Server room"}, {4, "-"}})
            QCOMPARE(platform::GetPrivateProfileString(QStringLiteral("Device Setup\\%1").arg(row),
                                                       QStringLiteral("DeviceName"), "-", 255, strINIPath),
                     QString::fromLatin1(name));

        // The slot was emptied while the window was open: nothing is renamed, the window stays.
        iSelectedRow = 4;
        M().mnuPopupRename_Click();
        rt::setTag(M().frameWCover[1], QStringLiteral("0"));
        W().txtChangeDevName->setText(QStringLiteral("Ghost"));
        W().cmdChangeDevNameOk_Click();
        QVERIFY(renameWindowShown());
        QCOMPARE(M().lblWaterDeviceName[1]->text(), QStringLiteral("Cellar"));
        QVERIFY(platform::GetSetting(kApp, section(0), QStringLiteral("DeviceName")).isEmpty());
        QCOMPARE(boxes.prompts().size(), 1);
    }

    // Escape and the close button leave nothing behind: the next request fills a fresh window.
    void escapeAndCloseUnload() {
        for (bool escape : {true, false}) {
            iSelectedRow = 1;
            M().mnuPopupRename_Click();
            W().txtChangeDevName->setText(QStringLiteral("Half typed"));
            if (escape)
                QTest::keyClick(&W(), Qt::Key_Escape);
            else
                W().close();
            QVERIFY(!formChangeDeviceName::loaded());
            M().mnuPopupRename_Click();
            QVERIFY(W().txtChangeDevName->text().isEmpty());
            W().cmdChangeDevNameCancel_Click();
        }
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"
