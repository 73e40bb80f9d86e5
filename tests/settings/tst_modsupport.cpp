#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QtTest>

#include "app/CorvisentMain.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/testenv.h"

using namespace modSupport;

namespace {

// Puts a device type name on a setup row, shown or hidden, with its slot in the row's record and
// caption; the kind is left to the test.
void setRow(int row, const QString& type, const QString& slot = QStringLiteral("1"), bool shown = true) {
    auto& s = formSensorSetup::instance();
    s.lblDeviceType[row]->setText(type);
    s.lblDeviceType[row]->setVisible(shown);
    s.lblSubIndex[row]->setText(slot);
    RegisterRow(row, typeEmpty, slot.toInt());
}

void clearRows() {
    for (int row = 1; row <= 10; ++row) setRow(row, QString(), QStringLiteral("0"), false);
}

void takeSlots(Table<6>& t, std::initializer_list<int> taken) {
    t.fill(0);
    for (int k : taken) {
        t[k] = 1;
        ++t[0];
    }
}

} // namespace

class TestModSupport : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ClearArrays();
        clearRows();
    }

    void tablesRefuseIndexesOutsideTheirPlaces() {
        try {
            iPortOpen[11] = 1;
            QFAIL("row 11 accepted");
        } catch (const rt::VbError& e) {
            QCOMPARE(e.number(), 9);
        }
        QVERIFY_THROWS_EXCEPTION(rt::VbError, iTempTabSlot[-1]);
        QVERIFY_THROWS_EXCEPTION(rt::VbError, iProxToCam(typeWater, 1));
        QCOMPARE(iPortOpen.value(11, -7), -7);
    }

    void cameraLinksOfProximityAndDistanceSlotsAreSeparate() {
        iProxToCam(typeProximity, 1) = 2;
        iProxToCam(typeDistance, 1) = 3;
        QCOMPARE(iProxToCam(typeProximity, 1), 2);
        ClearArrays();
        QCOMPARE(iProxToCam(typeDistance, 1), noCamera);
    }

    void slotFinderPerKind() {
        ScriptedBoxes script;
        takeSlots(iTempTabSlot, {1, 3, 4});
        SlotResult r = FindFirstTabSlotAvailable(typeTemperature);
        QCOMPARE(r.kind, SlotResult::Slot);
        QCOMPARE(r.text(), QStringLiteral("2"));
        QVERIFY(script.shown().isEmpty());

        // Full: a message naming the tab, except for proximity (empty word: no message).
        const std::pair<int, const char*> messages[] = {
            {typeTemperature, "Temperature"}, {typeHumidity, "Humidity"}, {typeWater, "Water"},
            {typeAccel, "Accelerometer"},     {typeDistance, "Distance"}, {typeProximity, ""}};
        for (const auto& [code, word] : messages) {
            script.clear();
            takeSlots(*TabSlotTable(code), {1, 2, 3, 4});
            QCOMPARE(FindFirstTabSlotAvailable(code).kind, SlotResult::Full);
            QCOMPARE(script.prompts().value(0),
                     *word ? QStringLiteral("There are no more available slots on the %1 tab for this sensor.").arg(word)
                           : QString());
        }

        // A count below 4 with no free place (tables out of step) gives nothing.
        iWaterTabSlot.fill(1);
        iWaterTabSlot[0] = 2;
        QCOMPARE(FindFirstTabSlotAvailable(typeWater).kind, SlotResult::None);
        QCOMPARE(FindFirstTabSlotAvailable(42).kind, SlotResult::None);
    }

    void slotFinderForCombinedSensorsAndCameras() {
        ScriptedBoxes script;
        takeSlots(iTempTabSlot, {1, 2});
        takeSlots(iHumidTabSlot, {1});
        SlotResult r = FindFirstTabSlotAvailable(typeCombo);
        QCOMPARE(r.kind, SlotResult::Pair);
        QCOMPARE(r.text(), QStringLiteral("32"));

        takeSlots(iHumidTabSlot, {1, 2, 3, 4});
        r = FindFirstTabSlotAvailable(typeCombo);
        QCOMPARE(r.kind, SlotResult::Full);
        QCOMPARE(script.prompts(),
                 QStringList{QStringLiteral("There are no more available slots on the tab for this sensor.")});

        for (int k = 1; k <= 4; ++k) iCamSlot[k] = k; // every camera slot holds a driver
        QCOMPARE(FindFirstTabSlotAvailable(typeVideo).kind, SlotResult::None);
        iCamSlot[3] = camSlotFree;
        r = FindFirstTabSlotAvailable(typeVideo2);
        QCOMPARE(r.kind, SlotResult::Slot);
        QCOMPARE(r.slot, 3);
    }

    void typeCodesFromTheSetupRows() {
        ScriptedBoxes script;
        setRow(1, strTypeTemperature);
        setRow(2, strTypeWater, QStringLiteral("1"), false); // hidden: 0 whatever its caption
        setRow(3, strTypeComboHumid, QStringLiteral("21"));
        setRow(4, strTypeComboTemp, QStringLiteral("21"));
        setRow(5, strTypeVideoMotion);
        setRow(6, strTypeVideo, QStringLiteral("2"));
        setRow(7, strTypeDistance);
        setRow(8, strTypeComboHumid, QStringLiteral("12"));
        setRow(9, strTypeComboTemp, QStringLiteral("12"), false); // hidden: not the pair's second row
        CreateSetupArray();
        const int expected[] = {typeTemperature, 0,         typeCombo, typeCombo, 0, typeVideo,
                                typeDistance,    typeCombo, 0};
        for (int row = 1; row <= 9; ++row)
            QCOMPARE(iDeviceType(row), expected[row - 1]);
        QVERIFY(rt::visible(formSensorSetup::instance().chkCamMonitorOnly[2]));

        // A combined sensor's first half on the last row has no second row: the rebuild stops
        // with its message, keeping what it did.
        setRow(10, strTypeComboHumid, QStringLiteral("11"));
        CreateSetupArray();
        QCOMPARE(script.prompts(), QStringList{QStringLiteral("Error in CreateSetupArray")});
        QCOMPARE(iDeviceType(1), int(typeTemperature));
    }

    void clearingKeepsTypeCodesAndFreesCameraSlots() {
        SetRowKind(2, typeHumidity);
        DisableRow(3); // a row whose sensor failed its identity check stays marked
        iPortOpen[2] = 2;
        iReadMinutes[2] = 15;
        iTempTabSlot[1] = 1;
        iCamSlot[2] = 0;
        ClearArrays();
        QCOMPARE(iDeviceType(2) + iReadMinutes[2], typeHumidity + 15);
        QCOMPARE(iDeviceType(3), int(typeDisabled));
        QCOMPARE(iPortOpen[2] + iTempTabSlot[1], 0);
        QCOMPARE(iCamSlot[2], camSlotFree);
    }

    void slotListsAndDeviceQueries() {
        setRow(2, strTypeProximity, QStringLiteral("1"));
        setRow(5, strTypeDistance, QStringLiteral("3"));
        setRow(6, strTypeWater, QStringLiteral("2"));
        SetRowKind(2, typeProximity);
        SetRowKind(5, typeDistance);
        SetRowKind(6, typeWater);
        QCOMPARE(GetSubIndexList(typeProximity), QStringLiteral("13"));
        QCOMPARE(GetSubIndexList(typeWater), QStringLiteral("32")); // row order
        clearRows();
        QCOMPARE(GetSubIndexList(typeProximity), QString());

        SetRowKind(1, typeTemperature);
        QVERIFY(!AnyDeviceInSlots2to10());
        DisableRow(10);
        QVERIFY(AnyDeviceInSlots2to10());
    }

    void showingAndHidingARow() {
        ScriptedBoxes script;
        auto& m = CorvisentMain::instance();
        auto& s = formSensorSetup::instance();
        MakeInvisible(1, 4, typeAccel);
        QVERIFY(rt::visible(s.chkBinaryMode[4]) && !rt::visible(s.chkSendToSummary[4]));
        QVERIFY(rt::visible(m.lblSensorReading[4]));

        rt::setValue(s.chkFileLogging[4], 1);
        MakeInvisible(0, 4, typeAccel);
        QVERIFY(!rt::visible(s.lblDeviceType[4]) && !rt::visible(m.lblSensorStatus[4]));
        QCOMPARE(m.lblSensorStatus[4]->text(), QStringLiteral("OK"));
        QCOMPARE(rt::value(s.chkFileLogging[4]), 0);

        // Hiding a combined sensor also hides the second summary row.
        m.lblSensorReading[8]->show();
        MakeInvisible(0, 7, typeCombo);
        QVERIFY(!rt::visible(m.lblSensorReading[8]));

        MakeInvisible(0, 11, typeTemperature);
        QCOMPARE(script.prompts(), QStringList{QStringLiteral("MakeInvisible Error")});
    }

    void proximityFramesDecideTheNoSensorLabel() {
        auto& s = formSensorSetup::instance();
        for (int k = 1; k <= 4; ++k) s.frameProxBehavior[k]->hide();
        QCOMPARE(AnyProxBehaviorFrameShown(1), 0);
        s.frameProxBehavior[3]->show();
        QCOMPARE(AnyProxBehaviorFrameShown(0), 1);
        QVERIFY(rt::visible(s.lblNoProximitySensorsPresent)); // mode 0 leaves the label
        QCOMPARE(AnyProxBehaviorFrameShown(1), 1);
        QVERIFY(!rt::visible(s.lblNoProximitySensorsPresent));
        s.frameProxBehavior[3]->hide();
    }

    void loadGuardNestsAndIsReleasedOnErrors() {
        QCOMPARE(iInLoad(), 0);
        {
            LoadGuard outer;
            QVERIFY(loading());
            try {
                LoadGuard inner;
                QCOMPARE(iInLoad(), 1);
                throw rt::VbError(13, QStringLiteral("Type mismatch"));
            } catch (const rt::VbError&) {
            }
            QVERIFY(loading()); // the outer load still runs
        }
        QVERIFY(!loading());
    }

    void typeNamesRoundTrip() {
        for (int code : {1, 2, 3, 5, 6, 7, 8, 9, 10}) QCOMPARE(TypeCodeOfName(TypeNameOfCode(code)), code);
        QCOMPARE(TypeCodeOfName(strTypeComboTemp), 0);
        QVERIFY(IsCameraName(strTypeVideoMotion) && !IsCameraName(strTypeDistance));
    }

private:
    TestEnv m_env;
};

QTEST_MAIN(TestModSupport)
#include "tst_modsupport.moc"
