#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "publish/formInternetSetup.h"
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

// The e-mail, pager and remote monitoring windows' rows of the settings table: each store's saves
// keep every row the store writes with what its control shows, and the store's loader shows it
// again.
namespace {

using namespace settingsvalues;

QString stored(const SetupKey& row, Store store) {
    const QString section = sectionOf(row, 0, store), missing = "(missing)";
    return store == Store::Tree ? modPrefs::GetPref(section, row.key, missing) : modIni::ReadIni(section, row.key, missing);
}

QString shown(const SetupKey& row) {
    return storedText(row, 0, Store::Ini).value();
}

// Every row's control to a value the store's loader does not give by default (scene), or to one
// no load leaves.
void setControls(Store store, bool scene) {
    modSupport::LoadGuard quiet;
    int i = 0;
    for (const SetupKey& row : windowKeys()) {
        QWidget* w = controlOf(row, 0);
        ++i;
        if (auto* box = qobject_cast<QCheckBox*>(w))
            rt::setValue(box, !scene ? 2 : defaultOf(row, store) == "1" ? 0 : 1);
        else if (auto* list = qobject_cast<QComboBox*>(w))
            row.form == Form::ListIndex ? list->setCurrentIndex(scene ? 2 : 1) : list->setCurrentText(scene ? "7" : "x");
        else if (!qobject_cast<QRadioButton*>(w))
            rt::setCaption(w, scene ? QString::number(40 + i) : "scrambled");
    }
    auto& inet = formInternetSetup::instance();
    rt::setOptionValue(scene ? inet.optStayConnected : inet.optConnectBeforeSend, true);
    inet.sliderInternetUpdateInterval->setValue(2);
}

// Each row the store writes (or its control's handler stores) holds what the control showed at
// the save.
void checkStored(Store store, const QMap<const SetupKey*, QString>& saved) {
    QStringList wrong;
    for (const SetupKey& row : windowKeys()) {
        const Use& use = store == Store::Tree ? row.tree : row.ini;
        if ((use.written || use.byHandler) && stored(row, store) != saved[&row])
            wrong << QString("%1 stored %2, not %3").arg(row.key, stored(row, store), saved[&row]);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("\n")));
}

// What the controls of the rows the store's loader reads show, by key.
QMap<QString, QString> readBack(Store store) {
    QMap<QString, QString> out;
    for (const SetupKey& row : windowKeys())
        if ((store == Store::Tree ? row.tree : row.ini).read) out.insert(sectionOf(row, 0, store) + "\\" + row.key, shown(row));
    return out;
}

// The stored rows are checked after the load, which stores the rows kept by handlers.
void roundTrip(Store store, const std::function<void()>& save, const std::function<void()>& load) {
    QMap<const SetupKey*, QString> saved;
    runSaveReload({[store] {
                       setControls(store, true);
                       formInternetSetup::instance().sliderInternetUpdateInterval->setValue(17); // its handler stores it
                   },
                   [store] { setControls(store, false); }, [store] { return readBack(store); },
                   [&] {
                       for (const SetupKey& row : windowKeys())
                           saved.insert(&row, shown(row));
                       save();
                   },
                   [&] {
                       load();
                       checkStored(store, saved);
                   },
                   {}});
}

} // namespace

class TestWindowKeys : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedBoxes> m_boxes;

private slots:
    void initTestCase() {
        auto& s = formSensorSetup::instance();
        if (s.cmbMinOrSecs->count() == 0) s.cmbMinOrSecs->addItems({"Minute(s)", "Seconds"});
    }
    void init() { m_boxes = std::make_unique<ScriptedBoxes>(); }
    void cleanup() { m_boxes.reset(); }

    void windowsSavesRoundTripThroughTheTree() {
        TestEnv env;
        roundTrip(
            Store::Tree,
            [] {
                formEmailAlertSetup::instance().cmdSaveEmailAlertInfo_Click();
                formPagingTextMessage::instance().cmdOkTextPageSetup_Click();
                formInternetSetup::instance().cmdSaveInternetSettingsNow_Click();
            },
            [] { modPrefs::LoadPrefs(); });
    }

    void windowsRoundTripThroughTheIniFile() {
        TestEnv env;
        modSupport::strINIPath = env.appDir() + "/corvisent.ini";
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey, "INIPath",
                                     modSupport::strINIPath);
        roundTrip(Store::Ini, [] { modIni::SaveSettingsINI(); }, [] { modIni::LoadSettingsINI(); });
    }
};

QTEST_MAIN(TestWindowKeys)
#include "tst_windowkeys.moc"
