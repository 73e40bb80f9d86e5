// The reading interval and the line-poll interval applied to every row's timers.
#include <QSlider>

#include "platform/ini.h"
#include "sensors/sensorrig.h"
#include "settings/modIni.h"
#include "support/finish.h"
#include "support/wait.h"

using namespace modSupport;

namespace {

// Timer1 intervals of all rows when they are all the same, else -1.
int readingMs() {
    const int first = M().Timer1[1]->interval();
    for (int row = 2; row <= 10; ++row)
        if (M().Timer1[row]->interval() != first) return -1;
    return first;
}
int lineMs() {
    const int first = M().ProximityTimer[1]->interval();
    for (int row = 1; row <= 10; ++row)
        if (M().ProximityTimer[row]->interval() != first || M().WaterTimer[row]->interval() != first) return -1;
    return first;
}
// Selects a unit as a loader does: no apply.
void unit(int index) {
    LoadGuard quiet;
    S().cmbMinOrSecs->setCurrentIndex(index);
}
// Puts both texts in as loaded, then presses Set.
void apply(const QString& reading, const QString& line) {
    {
        LoadGuard quiet;
        S().txtReadingInterval->setText(reading);
        S().txtBinaryInterval->setText(line);
    }
    S().cmdSetInterval_Click();
}
QString stored(const QString& key) { return modPrefs::GetPref(modPrefs::kProgramSetup, key, "-"); }

} // namespace

class TestIntervals : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { rt::Clock::reset(); }

    void secondsAndMinutesSetEveryRow() {
        SensorRig rig;
        unit(1);
        M().Timer1[3]->setEnabled(true);
        apply("8", "250");
        QCOMPARE(readingMs(), 8 * 850);
        QCOMPARE(lineMs(), 250);
        apply("77", "250"); // the longest tick a row timer takes
        QCOMPARE(readingMs(), 77 * 850);
        QVERIFY(M().Timer1[3]->isRunning() && !M().Timer1[4]->enabled()); // a stopped timer stays stopped
        QVERIFY(!S().cmdSetInterval->isEnabled() && !S().txtReadingInterval->isEnabled());
        QCOMPARE(stored("MinOrSecs") + stored("BinaryInterval"), QStringLiteral("Sec250"));

        unit(0);
        iMinuteCount.fill(7);
        apply("5", "250");
        QCOMPARE(readingMs(), 60000);
        for (int row = 1; row <= 10; ++row) QVERIFY(iReadMinutes[row] == 5 && iMinuteCount[row] == 1);
        QCOMPARE(stored("MinOrSecs"), QStringLiteral("Min"));
        M().Timer1[3]->setEnabled(false);
    }

    // A refused interval touches no timer: the setting of the last apply comes back into the
    // window and the store, the other interval stays as typed.
    void refusedIntervalChangesNoTimer() {
        SensorRig rig;
        unit(1);
        apply("10", "300");
        apply("78", "400");
        QCOMPARE(readingMs(), 8500);
        QCOMPARE(lineMs(), 300);
        QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("10"));
        QCOMPARE(S().txtBinaryInterval->text(), QStringLiteral("400"));
        QCOMPARE(stored("ReadingInterval"), QStringLiteral("10"));
        QCOMPARE(stored("BinaryInterval"), QStringLiteral("300"));

        apply("12", "40000");
        QCOMPARE(readingMs(), 8500);
        QCOMPARE(lineMs(), 300);
        QCOMPARE(S().txtBinaryInterval->text(), QStringLiteral("300"));
        QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("12"));
        apply("-3", "300");
        QCOMPARE(readingMs(), 8500);
        QCOMPARE(rig.boxes->prompts(),
                 (QStringList{"The reading interval must be more than 0 and at most 77 seconds.",
                              "The line interval must be from 0 to 32767 milliseconds.",
                              "The reading interval must be more than 0 and at most 77 seconds."}));

        apply("12", "fast");
        QCOMPARE(rig.boxes->prompts().last(), QStringLiteral("This interval must be an integer"));
        QCOMPARE(readingMs(), 8500);

        // Choosing seconds for 90 minutes is refused as a whole: the unit goes back to minutes
        // and the rows keep counting their 90 minutes.
        rig.boxes->clear();
        unit(0);
        apply("90", "300");
        S().cmbMinOrSecs->setCurrentIndex(1);
        QCOMPARE(rig.boxes->prompts(), QStringList{"The reading interval must be more than 0 and at most 77 seconds."});
        QCOMPARE(S().cmbMinOrSecs->currentText(), QStringLiteral("Minute(s)"));
        QCOMPARE(S().sliderInterval->minimum(), 1);
        QCOMPARE(readingMs(), 60000);
        QCOMPARE(iReadMinutes[7], 90);
        QCOMPARE(stored("MinOrSecs") + stored("ReadingInterval"), QStringLiteral("Min90"));
    }

    // An empty, blank, "0" or non-numeric interval becomes 30 minutes: choosing minutes applies
    // at once inside the apply, and every row ends at the same setting.
    void emptyIntervalBecomesThirtyMinutes() {
        SensorRig rig;
        for (const QString& typed : {QString(), QStringLiteral(" "), QStringLiteral("0"), QStringLiteral("abc")}) {
            unit(1);
            apply("9", "500");
            QCOMPARE(readingMs(), 9 * 850);
            apply(typed, "500");
            QCOMPARE(S().cmbMinOrSecs->currentText(), QStringLiteral("Minute(s)"));
            QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("30"));
            QCOMPARE(readingMs(), 60000);
            for (int row = 1; row <= 10; ++row) QCOMPARE(iReadMinutes[row], 30);
            QCOMPARE(stored("MinOrSecs"), QStringLiteral("Min"));
        }
        // A number with trailing letters keeps its number.
        apply("12 min", "500");
        QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("12"));
        QCOMPARE(iReadMinutes[10], 12);
    }

    // Choosing seconds raises a stored interval below 8 to 8 and applies at once; the slider's
    // lowest value follows the unit. An unknown unit sets only the line interval. Filling the
    // list applies nothing.
    void unitChoiceApplies() {
        SensorRig rig;
        unit(0);
        modPrefs::SavePref(modPrefs::kProgramSetup, "ReadingInterval", "5");
        apply("5", "500");
        S().cmbMinOrSecs->setCurrentIndex(1);
        QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("8"));
        QCOMPARE(readingMs(), 8 * 850);
        QCOMPARE(S().sliderInterval->minimum(), 8);
        S().cmbMinOrSecs->setCurrentIndex(0);
        QCOMPARE(S().sliderInterval->minimum(), 1);
        QCOMPARE(readingMs(), 60000);

        modPrefs::SavePref(modPrefs::kProgramSetup, "ReadingInterval", "15");
        {
            LoadGuard quiet;
            S().txtReadingInterval->setText("15");
        }
        S().cmbMinOrSecs->setCurrentIndex(1);
        QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("15"));
        QCOMPARE(readingMs(), 15 * 850);

        S().cmbMinOrSecs->addItem("Hours");
        unit(2);
        apply("3", "700");
        QCOMPARE(readingMs(), 15 * 850);
        QCOMPARE(lineMs(), 700);
        S().cmbMinOrSecs->removeItem(2);

        // Filled again as start-up fills it, with a line text that would be refused.
        {
            LoadGuard quiet;
            S().txtBinaryInterval->setText("fast");
        }
        S().cmbMinOrSecs->clear();
        S().cmbMinOrSecs->addItems({"Minute(s)", "Seconds"});
        QCOMPARE(S().cmbMinOrSecs->currentIndex(), 0);
        QCOMPARE(readingMs(), 15 * 850);
    }

    // Stored intervals that the apply would refuse load as their defaults: the start shows no
    // message and the rows run on "30" and "500". The same from the settings file, which reads
    // the interval before its unit.
    void refusedStoredIntervalsLoadAsDefaults() {
        SensorRig rig;
        for (auto [key, value] : {std::pair{"MinOrSecs", "Sec"}, {"ReadingInterval", "100"}, {"BinaryInterval", "40000"}})
            modPrefs::SavePref(modPrefs::kProgramSetup, key, value);
        modPrefs::LoadPrefs();
        QCOMPARE(S().txtReadingInterval->text() + "|" + S().txtBinaryInterval->text(), QStringLiteral("30|500"));
        QCOMPARE(readingMs(), 30 * 850);
        QCOMPARE(lineMs(), 500);

        unit(0);
        apply("5", "250");
        for (auto [key, value] : {std::pair{"MinOrSecs", "Sec"}, {"ReadingInterval", "78"}, {"BinaryInterval", "fast"}})
            platform::WritePrivateProfileString(modIni::kSensorSetup, key, value, modIni::IniPathFromMachine());
        modIni::LoadSettingsINI();
        QCOMPARE(S().cmbMinOrSecs->currentText(), QStringLiteral("Seconds"));
        QCOMPARE(readingMs(), 30 * 850);
        QCOMPARE(lineMs(), 500);
    }

    // The slider's lowest value follows the unit also when the list is filled or loaded; a
    // stored minute count below 8 that the switch to seconds raises is stored as 8, so the next
    // start finds what was shown.
    void sliderFloorFollowsTheUnit() {
        SensorRig rig;
        unit(1);
        QCOMPARE(S().sliderInterval->minimum(), 8);
        S().cmbMinOrSecs->clear();
        S().cmbMinOrSecs->addItems({"Minute(s)", "Seconds"});
        QCOMPARE(S().sliderInterval->minimum(), 1);
        modPrefs::SavePref(modPrefs::kProgramSetup, "MinOrSecs", "Min");
        modPrefs::SavePref(modPrefs::kProgramSetup, "ReadingInterval", "5");
        modPrefs::LoadPrefs();
        QCOMPARE(S().sliderInterval->value(), 5); // five minutes are no refused slider value
        QCOMPARE(iReadMinutes[1], 5);

        S().cmbMinOrSecs->setCurrentIndex(1);
        QCOMPARE(stored("ReadingInterval"), QStringLiteral("8"));
        modPrefs::LoadPrefs();
        QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("8"));
        QCOMPARE(readingMs(), 8 * 850);
    }

    // The slider: dragging fills the box and enables Set; a finished change stores and applies.
    // The line box stores and applies at each change.
    void sliderAndLineBox() {
        SensorRig rig;
        unit(1);
        apply("10", "500");
        S().sliderInterval->setSliderDown(true);
        S().sliderInterval->setSliderPosition(20); // dragged: shown, not yet applied
        QVERIFY(S().txtReadingInterval->isEnabled() && S().cmdSetInterval->isEnabled());
        QCOMPARE(S().txtReadingInterval->text(), QStringLiteral("20"));
        QCOMPARE(readingMs(), 10 * 850);
        S().sliderInterval->setSliderDown(false); // released
        QCOMPARE(stored("ReadingInterval"), QStringLiteral("20"));
        QCOMPARE(readingMs(), 20 * 850);
        QVERIFY(!S().txtReadingInterval->isEnabled());

        S().sliderInterval->setValue(30); // a key press: stored and applied at once
        QCOMPARE(stored("ReadingInterval"), QStringLiteral("30"));
        QCOMPARE(readingMs(), 30 * 850);

        S().txtBinaryInterval->setText("750");
        QCOMPARE(lineMs(), 750);
        QCOMPARE(stored("BinaryInterval"), QStringLiteral("750"));
        QVERIFY(!S().cmdSetInterval->isEnabled());

        // Released at 100 seconds: stored, refused once, and the store goes back to the last
        // interval applied, so the next start does not meet it again.
        S().sliderInterval->setSliderDown(true);
        S().sliderInterval->setSliderPosition(100);
        S().sliderInterval->setSliderDown(false);
        QCOMPARE(rig.boxes->prompts(), QStringList{"The reading interval must be more than 0 and at most 77 seconds."});
        QCOMPARE(readingMs(), 30 * 850);
        QCOMPARE(stored("ReadingInterval") + "|" + S().txtReadingInterval->text(), QStringLiteral("30|30"));
        QCOMPARE(S().sliderInterval->value(), 30); // the thumb shows the interval that applies
        // A key press past the limit: refused, and the thumb comes back with the text.
        S().sliderInterval->setValue(S().sliderInterval->maximum());
        QCOMPARE(S().txtReadingInterval->text() + "|" + QString::number(S().sliderInterval->value()),
                 QStringLiteral("30|30"));
        QCOMPARE(rig.boxes->prompts(), QStringList(2, "The reading interval must be more than 0 and at most 77 seconds."));
    }

    // Two connected sensors on the program clock: the seconds interval sets their pace, switching
    // to minutes sets the pace of both at once, and a refused change leaves it. The pace is the
    // timers' interval and the ticks that read.
    void unitSwitchDrivesTheRunningSensors() {
        SensorRig rig;
        rt::Clock::setNow(QDateTime(QDate(2009, 3, 6), QTime(8, 0, 0)));
        rt::Clock::setSpeed(25);
        unit(1);
        {
            LoadGuard quiet;
            S().txtReadingInterval->setText("10");
        }
        rig.record(1, strTypeTemperature, "Freezer", "1", 3);
        rig.record(2, strTypeTemperature, "Attic", "2", 4);
        rig.load();
        int freezer = 0, attic = 0;
        for (auto [com, reads] : {std::pair{3, &freezer}, {4, &attic}})
            serve(rig.hub->add(com), "Corvisent/T", [reads](const QByteArray&) {
                ++*reads;
                return QByteArray("070.00F");
            });
        finish(S().cmdConnectSensor_Click(1));
        finish(S().cmdConnectSensor_Click(2));
        // Both timers' intervals, and for each row the ticks between its readings over n ticks.
        const auto pace = [&](int n) {
            ReadingTicks freezerTicks(1, n, [&] { return freezer; }), atticTicks(2, n, [&] { return attic; });
            if (!rt::WaitUntil([&] { return freezerTicks.done() && atticTicks.done(); }, 100 * n * 60000))
                return QString("ticks missing");
            return QString("%1 %2|%3|%4").arg(M().Timer1[1]->interval()).arg(M().Timer1[2]->interval())
                .arg(freezerTicks.readingEvery(), atticTicks.readingEvery());
        };
        QCOMPARE(pace(6), QString("8500 8500|1 1 1 1 1|1 1 1 1 1"));

        // Two minutes, chosen while both run.
        {
            LoadGuard quiet;
            S().txtReadingInterval->setText("2");
        }
        rt::Clock::setSpeed(250);
        S().cmbMinOrSecs->setCurrentIndex(0);
        QCOMPARE(pace(8), QString("60000 60000|2 2 2|2 2 2"));

        // Seconds for an interval of 90 is refused: still every two minutes.
        {
            LoadGuard quiet;
            S().txtReadingInterval->setText("90");
        }
        S().cmbMinOrSecs->setCurrentIndex(1);
        QCOMPARE(pace(8), QString("60000 60000|2 2 2|2 2 2"));
        QCOMPARE(rig.boxes->prompts(), QStringList{"The reading interval must be more than 0 and at most 77 seconds."});
        for (int row : {1, 2})
            finish(S().cmdConnectSensor_Click(row));
    }
};

QTEST_MAIN(TestIntervals)
#include "tst_intervals.moc"
