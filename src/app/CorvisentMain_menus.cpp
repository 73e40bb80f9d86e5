// The main window's menu bar: file-level operations, the setup windows, the log folder, help and
// the about box.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

#include "alerts/alertchecks.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "app/formHelp.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "publish/formInternetSetup.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

namespace {

QString defaultLogDir() { return rt::appFile(QStringLiteral("logfiles")); }

// The version line of the about box.
QString versionLine() {
    return QStringLiteral("Corvisent Manager Version 1.0 (Build of %1)").arg(QStringLiteral(__DATE__).simplified());
}

} // namespace

void CorvisentMain::buildMenus() {
    // The menu tree: top-level menus, then their entries with caption, handler and whether the
    // entry is hidden at design time.
    struct Top {
        QMenu* CorvisentMain::*menu;
        const char* name;
        const char* caption;
        bool hidden;
    };
    const Top tops[] = {{&CorvisentMain::SystemTray, "SystemTray", "SystemTray", true},
                        {&CorvisentMain::File, "File", "&File", false},
                        {&CorvisentMain::mnuInternetUpdate_, "mnuInternetUpdate_", "&Internet", true},
                        {&CorvisentMain::menuSetup2, "menuSetup2", "&Setup", false},
                        {&CorvisentMain::Help, "Help", "&Help", false}};
    struct Entry {
        QMenu* CorvisentMain::*menu;
        QAction* CorvisentMain::*entry;
        const char* name;
        const char* caption;
        void (CorvisentMain::*handler)();
        bool hidden;
    };
    using M = CorvisentMain;
    const Entry entries[] = {
        {&M::SystemTray, &M::mnuTakeOut, "mnuTakeOut", "Take out of system tray", &M::mnuTakeOut_Click, false},
        {&M::File, &M::mnuRemoveFromStartup, "mnuRemoveFromStartup", "&Remove from Startup",
         &M::mnuRemoveFromStartup_Click, true},
        {&M::File, &M::mnuPlaceInSysTray, "mnuPlaceInSysTray", "&Place in system tray", &M::mnuPlaceInSysTray_Click,
         false},
        {&M::File, &M::mnuOpenLogFiles, "mnuOpenLogFiles", "&Open Log Files", &M::mnuOpenLogFiles_Click, false},
        {&M::File, &M::mnuOpenCaptureFiles, "mnuOpenCaptureFiles", "&Open Camera Capture Files",
         &M::mnuOpenCaptureFiles_Click, false},
        {&M::File, &M::mnuSavePrefs, "mnuSavePrefs", "&Save Preferences to file", &M::mnuSavePrefs_Click, false},
        {&M::File, &M::mnuStartDataCollector, "mnuStartDataCollector", "&Start Data Collector",
         &M::mnuStartDataCollector_Click, true},
        {&M::File, &M::Exit, "Exit", "&Exit", &M::Exit_Click, false},
        {&M::menuSetup2, &M::mnuEmailAlerts, "mnuEmailAlerts", "&Email Alerts", &M::mnuEmailAlerts_Click, false},
        {&M::menuSetup2, &M::mnuPageAlerts, "mnuPageAlerts", "&Paging Alerts", &M::mnuPageAlerts_Click, false},
        {&M::menuSetup2, &M::mnuInternetUpdate, "mnuInternetUpdate", "&Remote Monitoring",
         &M::mnuInternetUpdate_Click, false},
        {&M::menuSetup2, &M::mnuRenameSensor, "mnuRenameSensor", "&Rename Sensor", &M::mnuRenameSensor_Click, false},
        {&M::menuSetup2, &M::mnuSetLogDirectory, "mnuSetLogDirectory", "&Set Log File Directory",
         &M::mnuSetLogDirectory_Click, false},
        {&M::menuSetup2, &M::menuProximityEvents, "menuProximityEvents", "&Proximity Events",
         &M::menuProximityEvents_Click, false},
        {&M::menuSetup2, &M::menuSetup, "menuSetup", "&Sensor Setup", &M::menuSetup_Click, false},
        {&M::menuSetup2, &M::menuThresholds, "menuThresholds", "&Thresholds", &M::menuThresholds_Click, false},
        {&M::Help, &M::mnuCleanOut, "mnuCleanOut", "Clean Out Prefs", &M::mnuCleanOut_Click, true},
        {&M::Help, &M::mnuCheckForUpdates, "mnuCheckForUpdates", "&Check for updates", &M::mnuCheckForUpdates_Click,
         true},
        {&M::Help, &M::mnuCorvisentManagerHelp, "mnuCorvisentManagerHelp", "&Corvisent Manager Help",
         &M::mnuCorvisentManagerHelp_Click, false},
        {&M::Help, &M::About, "About", "&About Corvisent Manager", &M::About_Click, false},
    };

    for (const Top& t : tops) {
        QMenu* m = menuBar()->addMenu(QString::fromLatin1(t.caption));
        m->setObjectName(QLatin1String(t.name));
        m->menuAction()->setObjectName(QLatin1String(t.name));
        m->menuAction()->setVisible(!t.hidden);
        this->*t.menu = m;
    }
    for (const Entry& e : entries) {
        QAction* a = (this->*e.menu)->addAction(QString::fromLatin1(e.caption));
        a->setObjectName(QLatin1String(e.name));
        a->setVisible(!e.hidden);
        connect(a, &QAction::triggered, this, [this, h = e.handler] { (this->*h)(); });
        this->*e.entry = a;
    }

    Command1 = new QPushButton(QStringLiteral("Update ComDB"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    sstabCorvisentMan->setCornerWidget(Command1, Qt::TopRightCorner);
    connect(Command1, &QPushButton::clicked, this, &CorvisentMain::Command1_Click);

    setWindowIcon(ImageList1(1));
}

// ---------------------------------------------------------------- File

void CorvisentMain::mnuRemoveFromStartup_Click() {
    auto& s = formSensorSetup::instance();
    try {
        modRegistry::DeleteRegValue(modRegistry::kRunKey, modRegistry::kRunValue);
        rt::setValue(s.chkAutoConnectPrefs, 0);
        settingsvalues::saveKey(settingsvalues::Store::Tree, "SavedState", QStringLiteral("0"));
        rt::setValue(s.chkPlaceInStartup, 0);
        rt::setVisible(mnuRemoveFromStartup, false);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error removing from registry."), rt::vbOKOnly);
    }
}

void CorvisentMain::mnuOpenLogFiles_Click() {
    rt::passOver([] { platform::shell().openFolder(rt::caption(formSensorSetup::instance().lblLogDirectory)); });
}

void CorvisentMain::mnuOpenCaptureFiles_Click() {
    rt::passOver([] { platform::shell().openFolder(rt::appFile(QStringLiteral("capturefiles"))); });
}

void CorvisentMain::mnuSavePrefs_Click() {
    try {
        modSupport::strINIPath = modIni::IniPathFromMachine();
        modIni::SaveSettingsINI();
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error when saving preferences to file"), rt::vbOKOnly);
    }
}

void CorvisentMain::mnuStartDataCollector_Click() {
    rt::MsgBox(QStringLiteral("To be released in future version of the Corvisent Manager software."),
               rt::vbInformation,
               QStringLiteral("Un-attended Sensor Data Collecting and Internet Reporting Capability"));
}

// ---------------------------------------------------------------- Setup

void CorvisentMain::mnuEmailAlerts_Click() {
    rt::passOver([] { formSensorSetup::instance().cmdEmailSetup_Click(); });
}

void CorvisentMain::mnuPageAlerts_Click() {
    rt::passOver([] {
        formPagingTextMessage::instance().MakeAvailComPortList();
        formSensorSetup::instance().cmdSetPagerMessage_Click();
    });
}

void CorvisentMain::mnuInternetUpdate_Click() {
    rt::passOver([] {
        auto& w = formInternetSetup::instance();
        rt::showInFront(&w);
    });
}

void CorvisentMain::mnuRenameSensor_Click() {
    rt::MsgBox(QStringLiteral("To rename a sensor, please Right Click on the sensor you wish to rename under "
                              "Sensor Description ") +
               QStringLiteral("in the Summary Tab."));
}

void CorvisentMain::mnuSetLogDirectory_Click() {
    auto& s = formSensorSetup::instance();
    const QString current = settingsvalues::readKey(settingsvalues::Store::Tree, "logdir");
    const std::optional<QString> answer =
        rt::InputBox(QStringLiteral("Please enter the full path name including drive letter:"),
                     QStringLiteral("Log file directory"), current);
    if (!answer) return; // Cancel keeps the folder in use
    try {
        const QString folder =
            (answer->isEmpty() || *answer == QLatin1String(" ")) ? defaultLogDir() : *answer;
        rt::setCaption(s.lblLogDirectory, folder);
        settingsvalues::saveKey(settingsvalues::Store::Tree, "logdir", folder);
        // The folder is made by the rule the log writer reads it with ("\" separates folders).
        const QString local = rt::localPath(folder);
        if (!QFileInfo(local).isDir() && !QDir().mkdir(local))
            throw rt::VbError(76, QStringLiteral("Path not found"));
    } catch (const rt::VbError& e) {
        rt::MsgBox(QStringLiteral("Error setting directory. ") + e.description());
        rt::setCaption(s.lblLogDirectory, defaultLogDir());
        settingsvalues::saveKey(settingsvalues::Store::Tree, "logdir", defaultLogDir());
    }
}

void CorvisentMain::menuProximityEvents_Click() {
    auto& s = formSensorSetup::instance();
    s.setTab(3);
    s.bringToFront();
}

void CorvisentMain::menuSetup_Click() { formSensorSetup::instance().bringToFront(); }

void CorvisentMain::menuThresholds_Click() {
    auto& s = formSensorSetup::instance();
    s.setTab(1);
    s.show();
}

// ---------------------------------------------------------------- Help

void CorvisentMain::mnuCleanOut_Click() { modPrefs::CleanOutRegistry(); }

void CorvisentMain::mnuCheckForUpdates_Click() { rt::MsgBox(QStringLiteral("Internet update not yet available.")); }

void CorvisentMain::mnuCorvisentManagerHelp_Click() {
    try {
        formHelp& help = formHelp::instance();
        help.LoadFile(rt::appFile(QStringLiteral("README.TXT")));
        help.ShowTitled(QStringLiteral("General Help"));
    } catch (const rt::VbError& e) {
        formHelp::unload();
        rt::MsgBox(QStringLiteral("Couldn't find or run help file. ") + e.description());
    }
}

void CorvisentMain::About_Click() {
    rt::passOver([] { rt::MsgBox(versionLine(), rt::vbOKOnly, QStringLiteral("About Corvisent Manager")); });
}

void CorvisentMain::Command1_Click() {
    rt::MsgBox(QStringLiteral("What's the tag?"), rt::vbOKOnly);
    modRegistry::UpdateComDB();
}
