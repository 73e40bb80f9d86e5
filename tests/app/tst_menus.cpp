#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include "alerts/alertchecks.h"
#include "app/CorvisentMain.h"
#include "app/formHelp.h"
#include "platform/registry.h"
#include "publish/formInternetSetup.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"
#include "support/fakeshell.h"
#include "support/testenv.h"

namespace {

CorvisentMain& M() { return CorvisentMain::instance(); }
formSensorSetup& S() { return formSensorSetup::instance(); }

QString pref(const QString& key) { return modPrefs::GetPref(modPrefs::kProgramSetup, key, QStringLiteral("-")); }

// "caption" for a shown entry, "(caption)" for a hidden one.
QString shownAs(const QAction* a) {
    return rt::visible(a) ? a->text() : u'(' + a->text() + u')';
}

} // namespace

// The menu bar: its tree, the file and setup entries, the log-folder dialogue, help and about.
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
        QCOMPARE(M().Command1->text(), QStringLiteral("Update ComDB"));
    }

    void removeFromStartup() {
        rt::DialogScript boxes;
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kRunKey, modRegistry::kRunValue,
                                     modRegistry::RunValueText());
        modPrefs::SavePref(modPrefs::kProgramSetup, QStringLiteral("SavedState"), QStringLiteral("1"));
        rt::setValue(S().chkAutoConnectPrefs, 1);
        rt::setValue(S().chkPlaceInStartup, 1);
        rt::setVisible(M().mnuRemoveFromStartup, true);

        M().mnuRemoveFromStartup->trigger();
        QVERIFY(modRegistry::GetStringFromRegKey(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kRunKey,
                                                 modRegistry::kRunValue)
                    .isEmpty());
        QVERIFY(!QFileInfo::exists(modRegistry::AutostartEntryPath()));
        QCOMPARE(rt::value(S().chkAutoConnectPrefs), 0);
        QCOMPARE(rt::value(S().chkPlaceInStartup), 0);
        QCOMPARE(pref(QStringLiteral("SavedState")), QStringLiteral("0"));
        QVERIFY(!rt::visible(M().mnuRemoveFromStartup));
        QVERIFY(boxes.prompts().isEmpty());
    }

    void logFolderDialogue() {
        const QString defaultDir = env->appDir() + QStringLiteral("/logfiles");
        const QString stored = env->appDir() + QStringLiteral("/stored");
        modPrefs::SavePref(modPrefs::kProgramSetup, QStringLiteral("logdir"), stored);
        rt::setCaption(S().lblLogDirectory, QStringLiteral("/in/use"));
        rt::DialogScript boxes;

        // Cancel leaves the folder in use and the stored one as they are.
        boxes.queue(QVariant());
        M().mnuSetLogDirectory->trigger();
        QCOMPARE(boxes.shown().size(), 1);
        const rt::ShownBox box = boxes.shown().first();
        QCOMPARE(box.kind, rt::ShownBox::Input);
        QCOMPARE(box.prompt, QStringLiteral("Please enter the full path name including drive letter:"));
        QCOMPARE(box.title, QStringLiteral("Log file directory"));
        QCOMPARE(box.defaultText, stored);
        QCOMPARE(rt::caption(S().lblLogDirectory), QStringLiteral("/in/use"));
        QCOMPARE(pref(QStringLiteral("logdir")), stored);

        // An empty answer or a blank chooses the default folder.
        for (const char* answer : {"", " "}) {
            boxes.queue(QString::fromLatin1(answer));
            M().mnuSetLogDirectory_Click();
            QCOMPARE(rt::caption(S().lblLogDirectory), defaultDir);
            QCOMPARE(pref(QStringLiteral("logdir")), defaultDir);
            QVERIFY(QFileInfo(defaultDir).isDir());
        }

        // A new folder one level below an existing one is created.
        const QString fresh = env->appDir() + QStringLiteral("/readings");
        boxes.queue(fresh);
        M().mnuSetLogDirectory_Click();
        QCOMPARE(rt::caption(S().lblLogDirectory), fresh);
        QCOMPARE(pref(QStringLiteral("logdir")), fresh);
        QVERIFY(QFileInfo(fresh).isDir());
        QCOMPARE(boxes.shown().size(), 4);

        // Two levels below a missing folder: the default is taken and saved.
        boxes.queue(env->appDir() + QStringLiteral("/missing/deeper"));
        M().mnuSetLogDirectory_Click();
        QCOMPARE(boxes.prompts().last(), QStringLiteral("Error setting directory. Path not found"));
        QCOMPARE(rt::caption(S().lblLogDirectory), defaultDir);
        QCOMPARE(pref(QStringLiteral("logdir")), defaultDir);
        QVERIFY(!QFileInfo::exists(env->appDir() + QStringLiteral("/missing")));
    }

    void help() {
        rt::DialogScript boxes;
        M().mnuCorvisentManagerHelp->trigger();
        QCOMPARE(boxes.prompts(),
                 QStringList{QStringLiteral("Couldn't find or run help file. Path/File access error")});
        QVERIFY(!formHelp::loaded());

        const QByteArray readme = "Corvisent Manager\r\n=================\r\nGetting started\r\n";
        writeWholeFile(env->appDir() + QStringLiteral("/README.TXT"), readme);
        M().mnuCorvisentManagerHelp_Click();
        QVERIFY(formHelp::loaded());
        formHelp& h = formHelp::instance();
        QVERIFY(h.isVisible());
        QCOMPARE(h.lblHelpType->text(), QStringLiteral("General Help"));
        QVERIFY(h.txtHelpBox->isReadOnly());
        QCOMPARE(h.txtHelpBox->toPlainText(), QStringLiteral("Corvisent Manager\n=================\nGetting started\n"));

        // A rich text help file shows as its text.
        h.LoadFile(QStringLiteral(CORVISENT_ASSETS_DIR "/iue.rtf"));
        QVERIFY(h.txtHelpBox->toPlainText().startsWith(QStringLiteral("Corvisent Manager Remote Monitoring\n")));
        h.cmdCloseHelp->click();
        QVERIFY(!formHelp::loaded());
        QCOMPARE(boxes.prompts().size(), 1);
    }

    void foldersOpenInTheFileManager() {
        FakeShell shell;
        rt::setCaption(S().lblLogDirectory, QStringLiteral("/data/logs"));
        M().mnuOpenLogFiles->trigger();
        M().mnuOpenCaptureFiles->trigger();
        QCOMPARE(shell.calls, (QStringList{QStringLiteral("openFolder(/data/logs)"),
                                           QStringLiteral("openFolder(%1/capturefiles)").arg(env->appDir())}));
    }

    void messages() {
        rt::DialogScript boxes;
        M().mnuRenameSensor->trigger();
        M().mnuStartDataCollector_Click();
        M().mnuCheckForUpdates_Click();
        M().About->trigger();
        QCOMPARE(boxes.prompts().mid(0, 3),
                 (QStringList{QStringLiteral("To rename a sensor, please Right Click on the sensor you wish to rename "
                                             "under Sensor Description in the Summary Tab."),
                              QStringLiteral("To be released in future version of the Corvisent Manager software."),
                              QStringLiteral("Internet update not yet available.")}));
        QCOMPARE(boxes.shown().at(1).title,
                 QStringLiteral("Un-attended Sensor Data Collecting and Internet Reporting Capability"));
        QCOMPARE(boxes.shown().at(1).style, int(rt::vbInformation));
        const rt::ShownBox about = boxes.shown().at(3);
        QCOMPARE(about.title, QStringLiteral("About Corvisent Manager"));
        QCOMPARE(about.style, int(rt::vbOKOnly));
        QVERIFY(about.prompt.startsWith(QStringLiteral("Corvisent Manager Version ")));
        QVERIFY(!about.prompt.contains(u'\n'));

        boxes.clear();
        M().Command1->click();
        QCOMPARE(boxes.prompts().first(), QStringLiteral("What's the tag?"));
    }

    void savePreferencesToTheMachinesFile() {
        rt::DialogScript boxes;
        const QString file = env->appDir() + QStringLiteral("/site.ini");
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                     modRegistry::kIniPathValue, file);
        M().mnuSavePrefs->trigger();
        QCOMPARE(modSupport::strINIPath, file);
        QVERIFY(readWholeFile(file).contains("[Sensor Setup]"));
        modRegistry::SaveStringToReg(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                     modRegistry::kIniPathValue, QString());
        M().mnuSavePrefs_Click();
        QCOMPARE(modSupport::strINIPath, QStringLiteral("corvisent.ini"));
        QVERIFY(boxes.prompts().isEmpty());
    }

    void setupWindows() {
        rt::DialogScript boxes;
        S().hide();
        M().menuProximityEvents->trigger();
        QVERIFY(S().isVisible());
        QCOMPARE(S().tab(), 3);
        M().menuThresholds->trigger();
        QCOMPARE(S().tab(), 1);
        M().menuSetup->trigger();
        QCOMPARE(S().tab(), 1);
        S().hide();

        M().mnuInternetUpdate->trigger();
        QVERIFY(formInternetSetup::instance().isVisible());
        formInternetSetup::instance().hide();

        alertCallLog().clear();
        M().mnuPageAlerts->trigger();
        QCOMPARE(alertCallLog(), QStringList{QStringLiteral("MakeAvailComPortList()")});
    }

    void cleanOutErasesTheStoredSettings() {
        rt::DialogScript boxes;
        platform::SaveSetting(modPrefs::kApp, QStringLiteral("PortConfig\\Devices\\1"), QStringLiteral("DeviceType"),
                              modSupport::strTypeTemperature);
        modPrefs::SavePref(modPrefs::kProgramSetup, QStringLiteral("TotalDevices"), QStringLiteral("1"));
        M().mnuCleanOut->trigger();
        QCOMPARE(pref(QStringLiteral("TotalDevices")), QStringLiteral("-"));
        QVERIFY(platform::GetSetting(modPrefs::kApp, QStringLiteral("PortConfig\\Devices\\1"),
                                     QStringLiteral("DeviceType"))
                    .isEmpty());
        QCOMPARE(boxes.prompts().size(), 1);
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
