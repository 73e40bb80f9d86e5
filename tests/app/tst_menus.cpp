#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "app/CorvisentMain.h"
#include "app/formHelp.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/fakeshell.h"
#include "support/testenv.h"

namespace {

CorvisentMain& M() { return CorvisentMain::instance(); }
formSensorSetup& S() { return formSensorSetup::instance(); }
QString pref(const char* key) {
    return modPrefs::GetPref(modPrefs::kProgramSetup, QLatin1String(key), QStringLiteral("-"));
}
// "caption" for a shown entry, "(caption)" for a hidden one.
QString shownAs(const QAction* a) { return rt::visible(a) ? a->text() : u'(' + a->text() + u')'; }

} // namespace

// The menu bar: its tree, the file entries, the log-folder dialogue and help.
class TestMenus : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void menuTreeAsDesigned() {
        QStringList tree;
        for (QAction* top : M().menuBar()->actions()) {
            QStringList entries;
            for (QAction* a : top->menu()->actions()) entries << shownAs(a);
            tree << shownAs(top) + QStringLiteral(": ") + entries.join(QStringLiteral(" | "));
        }
        QCOMPARE(tree, (QStringList{
                           "(SystemTray): Take out of system tray",
                           "&File: (&Remove from Startup) | &Place in system tray | &Open Log Files | "
                           "&Open Camera Capture Files | &Save Preferences to file | (&Start Data Collector) | &Exit",
                           "(&Internet): ",
                           "&Setup: &Email Alerts | &Paging Alerts | &Remote Monitoring | &Rename Sensor | "
                           "&Set Log File Directory | &Proximity Events | &Sensor Setup | &Thresholds",
                           "&Help: (Clean Out Prefs) | (&Check for updates) | &Corvisent Manager Help | "
                           "&About Corvisent Manager",
                       }));
    }

    void removeFromStartup() {
        using namespace modRegistry;
        SaveStringToReg(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, RunValueText());
        rt::setValue(S().chkAutoConnectPrefs, 1);
        rt::setValue(S().chkPlaceInStartup, 1);
        M().mnuRemoveFromStartup->trigger();
        QVERIFY(GetStringFromRegKey(HKEY_LOCAL_MACHINE, kRunKey, kRunValue).isEmpty());
        QVERIFY(!QFileInfo::exists(AutostartEntryPath()));
        QCOMPARE(rt::value(S().chkAutoConnectPrefs) + rt::value(S().chkPlaceInStartup), 0);
        QCOMPARE(pref("SavedState"), QStringLiteral("0"));
    }

    void logFolderDialogue() {
        const QString defaultDir = env->appDir() + QStringLiteral("/logfiles");
        modPrefs::SavePref(modPrefs::kProgramSetup, QStringLiteral("logdir"), QStringLiteral("/stored"));
        rt::setCaption(S().lblLogDirectory, QStringLiteral("/in/use"));
        ScriptedBoxes boxes;

        // Cancel changes nothing; the stored folder is offered.
        boxes.queue(QVariant());
        M().mnuSetLogDirectory->trigger();
        QCOMPARE(boxes.shown().first().defaultText, QStringLiteral("/stored"));
        QCOMPARE(rt::caption(S().lblLogDirectory) + pref("logdir"), QStringLiteral("/in/use/stored"));

        // A blank chooses the default folder; a new folder one level down is created.
        const QString fresh = env->appDir() + QStringLiteral("/readings");
        for (const QString& answer : {QStringLiteral(" "), fresh}) {
            boxes.queue(answer);
            M().mnuSetLogDirectory_Click();
            const QString expected = answer == fresh ? fresh : defaultDir;
            QCOMPARE(rt::caption(S().lblLogDirectory) + u'|' + pref("logdir"), expected + u'|' + expected);
            QVERIFY(QFileInfo(expected).isDir());
        }

        // "\" separates folders here as it does for the log writer.
        const QString typed = QString(env->appDir()).replace(u'/', u'\\') + QStringLiteral("\\week");
        boxes.queue(typed);
        M().mnuSetLogDirectory_Click();
        QCOMPARE(rt::caption(S().lblLogDirectory), typed);
        QVERIFY(QFileInfo(env->appDir() + QStringLiteral("/week")).isDir());

        // Below a missing folder: reported, and the default is taken and saved.
        boxes.queue(env->appDir() + QStringLiteral("/missing/deeper"));
        M().mnuSetLogDirectory_Click();
        QCOMPARE(boxes.prompts().last(), QStringLiteral("Error setting directory. Path not found"));
        QCOMPARE(rt::caption(S().lblLogDirectory) + u'|' + pref("logdir"), defaultDir + u'|' + defaultDir);
    }

    void helpShowsTheHelpFileOrSaysThereIsNone() {
        ScriptedBoxes boxes;
        M().mnuCorvisentManagerHelp->trigger();
        QCOMPARE(boxes.prompts().size(), 1); // no help file
        QVERIFY(!formHelp::loaded());

        writeWholeFile(env->appDir() + QStringLiteral("/README.TXT"), "Corvisent Manager\r\nGetting started\r\n");
        M().mnuCorvisentManagerHelp->trigger();
        formHelp& h = formHelp::instance();
        QCOMPARE(h.txtHelpBox->toPlainText(), QStringLiteral("Corvisent Manager\nGetting started\n"));
        // A rich text help file shows as its text.
        h.LoadFile(QStringLiteral(CORVISENT_ASSETS_DIR "/iue.rtf"));
        QVERIFY(h.txtHelpBox->toPlainText().startsWith(QStringLiteral("Corvisent Manager Remote Monitoring\n")));
        h.cmdCloseHelp->click();
        QVERIFY(!formHelp::loaded());
    }

    void foldersAndSaving() {
        FakeShell shell;
        ScriptedBoxes boxes;
        rt::setCaption(S().lblLogDirectory, QStringLiteral("/data/logs"));
        M().mnuOpenLogFiles->trigger();
        M().mnuOpenCaptureFiles->trigger();
        QCOMPARE(shell.calls, (QStringList{QStringLiteral("openFolder(/data/logs)"),
                                           QStringLiteral("openFolder(%1/capturefiles)").arg(env->appDir())}));

        // Preferences go to the file the machine value names.
        const QString file = env->appDir() + QStringLiteral("/site.ini");
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                     modRegistry::kIniPathValue, file);
        M().mnuSavePrefs->trigger();
        QCOMPARE(modSupport::strINIPath, file);
        QVERIFY(readWholeFile(file).contains("[Sensor Setup]"));
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
