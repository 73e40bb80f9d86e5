#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include "app/CorvisentMain.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/savereload.h"
#include "support/testenv.h"

// The setup window's OK: it stores every setting of the window, and each store's loader reads
// back what was stored, for every row of the settings table.
namespace {

using namespace settingsvalues;

formSensorSetup& S() {
    return formSensorSetup::instance();
}

const char* const kMissing = "(missing)";

QString stored(const SetupKey& row, int n, Store store) {
    const QString section = sectionOf(row, n, store), key = keyName(row, n);
    return store == Store::Tree ? modPrefs::GetPref(section, key, kMissing) : modIni::ReadIni(section, key, kMissing);
}

// What a control shows: a box's text, a check box's state, whether an option is chosen.
QString shown(const SetupKey& row, int n) {
    QWidget* w = controlOf(row, n);
    if (auto* box = qobject_cast<QCheckBox*>(w)) return QString::number(rt::value(box));
    if (auto* option = qobject_cast<QRadioButton*>(w)) return rt::optionValue(option) ? "chosen" : "not chosen";
    if (auto* list = qobject_cast<QComboBox*>(w)) return list->currentText();
    return rt::caption(w);
}

QString label(const SetupKey& row, int n, Store store) {
    return QString("%1 %2 (%3)").arg(store == Store::Tree ? "tree" : "file", keyName(row, n), row.control);
}

// Every control of the table set to a value its store's loader would not give by default:
// boxes hold numbers of their own, check boxes the state that is not the default; MAPI, Celsius,
// the telephone pager and the "Seconds" unit are chosen; proximity event 1 logs off, 2 locks,
// 3 and 4 run commands.
void setScene(Store store) {
    modSupport::LoadGuard quiet;
    auto& s = S();
    int i = 0;
    for (const SetupKey& row : setupKeys()) {
        for (int n : numbersOf(row.repeat)) {
            QWidget* w = controlOf(row, n);
            ++i;
            if (auto* box = qobject_cast<QCheckBox*>(w))
                rt::setValue(box, defaultOf(row, store) == "1" ? 0 : 1);
            else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QLabel*>(w))
                rt::setCaption(w, QString::number(40 + i));
        }
    }
    // The intervals within what the interval apply at the end of a load accepts.
    s.txtReadingInterval->setText("45");
    s.txtBinaryInterval->setText("750");
    rt::setOptionValue(s.optUseMAPI, true);
    rt::setOptionValue(s.optCorF, true);
    rt::setOptionValue(s.optionPhonePager, true);
    rt::setOptionValue(s.optionNumericalPager, false);
    s.cmbMinOrSecs->setCurrentIndex(1);
    QRadioButton* const actions[] = {nullptr, s.optLogoutOnProximity[1], s.optSystemLock[2], s.optRunCommand[3],
                                     s.optRunCommand[4]};
    for (int n = 1; n <= 4; ++n)
        rt::setOptionValue(actions[n], true);
}

// Every control to a state no load gives.
void scramble() {
    modSupport::LoadGuard quiet;
    auto& s = S();
    for (const SetupKey& row : setupKeys()) {
        for (int n : numbersOf(row.repeat)) {
            QWidget* w = controlOf(row, n);
            if (auto* box = qobject_cast<QCheckBox*>(w))
                rt::setValue(box, 2);
            else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QLabel*>(w))
                rt::setCaption(w, "scrambled");
        }
    }
    rt::setOptionValue(s.optUseSMTP, true);
    rt::setOptionValue(s.optCorF2, true);
    rt::setOptionValue(s.optionPhonePager, false);
    rt::setOptionValue(s.optionNumericalPager, true);
    s.cmbMinOrSecs->setCurrentIndex(-1);
    for (int n = 1; n <= 4; ++n)
        rt::setOptionValue(n == 4 ? s.optLogoutOnProximity[n] : s.optSysCommandDisabled[n], true);
}

// The keys the save leaves unwritten in the scene of setScene: the action options after the
// chosen one, and in the tree the commands of events that run none (the file holds them all, but
// reads them only for an event that runs commands).
bool leftUnwritten(const SetupKey& row, int n, Store store, bool reading = false) {
    const QString key = row.key;
    if (key == "optSystemLock") return n == 1;
    if (key == "optRunCommand") return n <= 2;
    if (key.startsWith("ProximityRunCommand")) return (store == Store::Tree || reading) && n <= 2;
    return false;
}

// The controls of every row the store's loader reads back, by label.
QMap<QString, QString> readBack(Store store) {
    QMap<QString, QString> out;
    for (const SetupKey& row : setupKeys()) {
        if (!(store == Store::Tree ? row.tree : row.ini).read) continue;
        for (int n : numbersOf(row.repeat))
            if (!leftUnwritten(row, n, store, true)) out.insert(label(row, n, store), shown(row, n));
    }
    return out;
}

// Every key the store keeps was written with the control's value.
void checkWritten(Store store) {
    QStringList wrong;
    for (const SetupKey& row : setupKeys()) {
        const Use& use = store == Store::Tree ? row.tree : row.ini;
        for (int n : numbersOf(row.repeat)) {
            const QString got = stored(row, n, store);
            const QString expected = !use.written || leftUnwritten(row, n, store) ? QString(kMissing)
                                                                          : storedText(row, n, store).value_or(kMissing);
            if (got != expected) wrong << label(row, n, store) + " stored " + got + ", not " + expected;
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("\n")));
}

// Saves the scene, checks what was written, then loads into scrambled controls and checks that
// every key read back shows what was saved.
void roundTrip(Store store, const std::function<void()>& save, const std::function<void()>& load) {
    runSaveReload({[store] { setScene(store); }, scramble, [store] { return readBack(store); }, save, load,
                   [store] { checkWritten(store); }});
}

} // namespace

class TestSettingsSave : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedBoxes> m_boxes;

private slots:
    void initTestCase() {
        if (S().cmbMinOrSecs->count() == 0) S().cmbMinOrSecs->addItems({"Minute(s)", "Seconds"});
    }
    void init() { m_boxes = std::make_unique<ScriptedBoxes>(); }
    void cleanup() {
        m_boxes.reset();
    }

    // The spot checks the stored forms rest on, beside the generic pass below.
    void storedFormsOfTheOkPass() {
        TestEnv env;
        setScene(Store::Tree);
        S().cmdOk_Click();
        auto pref = [](const char* key) { return modPrefs::GetPref(modPrefs::kProgramSetup, key, kMissing); };
        QCOMPARE(pref("optUseSMTP"), QString("0"));
        QCOMPARE(pref("optUseMAPI"), QString("True"));
        QCOMPARE(pref("ForC"), QString("C"));
        QCOMPARE(pref("MinOrSecs"), QString("Sec"));
        QCOMPARE(pref("chkOnScreenProx1"), QString("1"));
        QCOMPARE(pref("chkOnScreenOnProx1"), QString(kMissing));
        QCOMPARE(modPrefs::GetPref("Program Setup\\Prox3", "chkCamUseProx", kMissing), QString("1"));
        QCOMPARE(pref("optRunCommand3"), QString("1"));
    }

    void everyRowRoundTripsThroughTheTree() {
        TestEnv env;
        roundTrip(Store::Tree, [] { S().cmdOk_Click(); }, [] { modPrefs::LoadPrefs(); });
    }

    void everyRowRoundTripsThroughTheIniFile() {
        TestEnv env;
        modSupport::strINIPath = env.appDir() + "/corvisent.ini";
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey, "INIPath",
                                     modSupport::strINIPath);
        roundTrip(Store::Ini, [] { modIni::SaveSettingsINI(); }, [] { modIni::LoadSettingsINI(); });
    }

    // The keys the boxes' own handlers keep: changing a row's control outside a load stores what
    // it then shows under the row's section and key (with no sensor to link, the camera stays
    // monitor-only); the OK pass leaves them as stored.
    void handlerRowsAreStoredByTheirControls() {
        TestEnv env;
        QList<std::pair<const SetupKey*, int>> rows;
        for (const SetupKey& row : setupKeys())
            if (row.tree.byHandler && qobject_cast<QCheckBox*>(controlOf(row, numbersOf(row.repeat).first())))
                for (int n : numbersOf(row.repeat))
                    rows.append({&row, n});
        QVERIFY(rows.size() >= 12);
        {
            modSupport::LoadGuard quiet;
            for (const auto& [row, n] : rows)
                rt::setValue(qobject_cast<QCheckBox*>(controlOf(*row, n)), 0);
        }
        QStringList wrong;
        auto check = [&](const char* when) {
            for (const auto& [row, n] : rows) {
                const QString got = stored(*row, n, Store::Tree),
                              shows = storedText(*row, n, Store::Tree).value();
                if (got != shows)
                    wrong << QString("%1 %2: stored %3, shows %4")
                                 .arg(when, label(*row, n, Store::Tree), got, shows);
            }
        };
        for (const auto& [row, n] : rows) {
            auto* box = qobject_cast<QCheckBox*>(controlOf(*row, n));
            box->setChecked(true);
            box->setChecked(false);
        }
        check("after the clicks");
        S().cmdOk_Click();
        check("after OK");
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("\n")));
        QCOMPARE(stored(setupKey("MonitorOnly"), 3, Store::Tree), QString("1"));
        QCOMPARE(sectionOf(setupKey("MonitorOnly"), 3, Store::Tree), QString("Camera Setup\\3\\"));
        CorvisentMain::instance().hide();
    }

    // The chosen action writes the options before it as "0" and leaves those after it as stored;
    // no unit chosen writes no unit; the delays are written as typed.
    void actionChainAndUnitAsTheWindowHoldsThem() {
        TestEnv env;
        auto& s = S();
        for (const char* key : {"optSystemLock2", "optRunCommand2", "ForC"})
            modPrefs::SavePref(modPrefs::kProgramSetup, key, "kept");
        {
            modSupport::LoadGuard quiet;
            rt::setOptionValue(s.optLogoutOnProximity[2], true);
            rt::setOptionValue(s.optRunCommand[1], true);
            s.lblCommandOnProx[1]->setText("Path not set");
            s.lblCommandOnProxApproach[1]->setText("Path not set");
            s.txtDelayEventAway[2]->setText("2.5");
            rt::setOptionValue(s.optCorF, false);
            rt::setOptionValue(s.optCorF2, false);
        }
        s.cmdOk_Click();
        auto pref = [](const char* key) { return modPrefs::GetPref(modPrefs::kProgramSetup, key, kMissing); };
        QCOMPARE(pref("optSysCommandDisabled2"), QString("0"));
        QCOMPARE(pref("optLogoutOnProximity2"), QString("1"));
        QCOMPARE(pref("optSystemLock2"), QString("kept"));
        QCOMPARE(pref("optRunCommand2"), QString("kept"));
        QCOMPARE(pref("optRunCommand1"), QString("1"));
        QCOMPARE(pref("ProximityRunCommand1"), QString("Path not set"));
        QCOMPARE(pref("ProximityRunCommandApproach1"), QString("Path not set"));
        QCOMPARE(pref("DelayEventAway2"), QString("2.5"));
        QCOMPARE(pref("ForC"), QString("kept"));
    }

    // OK hides the window on its first page and brings back a main window hidden in the
    // notification area; after a first run it clears the mark start-up left.
    void okClosesTheWindowAndShowsTheMainWindow() {
        TestEnv env;
        auto& s = S();
        CorvisentMain& main = CorvisentMain::instance();
        main.hide();
        s.show();
        s.SSTab1->setCurrentIndex(3);
        rt::setTag(&s, "1");
        s.cmdOk_Click();
        QVERIFY(!s.isVisible());
        QCOMPARE(s.SSTab1->currentIndex(), 0);
        QVERIFY(main.isVisible());
        QCOMPARE(rt::tag(&s), QString());
        main.hide();
    }

    // A size limit that is no number is stored as typed, then reported and set back to 1000,
    // which is stored too.
    void okResetsAFileSizeLimitThatIsNoNumber() {
        TestEnv env;
        auto& s = S();
        {
            modSupport::LoadGuard quiet;
            s.txtMaxFileSize->setText("12a");
        }
        QStringList storedOnMessage;
        m_boxes.reset();
        {
            ScriptedBoxes script([&](const rt::ShownBox&) -> std::optional<QVariant> {
                storedOnMessage << modPrefs::GetPref(modPrefs::kProgramSetup, "MaxFileSize", kMissing);
                return std::nullopt;
            });
            s.cmdOk_Click();
            QCOMPARE(script.prompts(), QStringList{"This value must be an integer"});
        }
        m_boxes = std::make_unique<ScriptedBoxes>();
        QCOMPARE(storedOnMessage, QStringList{"12a"});
        QCOMPARE(s.txtMaxFileSize->text(), QString("1000"));
        QCOMPARE(modPrefs::GetPref(modPrefs::kProgramSetup, "MaxFileSize", kMissing), QString("1000"));
        CorvisentMain::instance().hide();
    }
};

QTEST_MAIN(TestSettingsSave)
#include "tst_settingssave.moc"
