// Start-up and shutdown: the main window's load is the start-up of the whole program, closing it
// or File > Exit ends it.
#include "app/startup.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>
#include <utility>

#include "alerts/alertchecks.h"
#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "app/systray.h"
#include "cameras/camdrivers.h"
#include "cameras/ezVidCap.h"
#include "platform/ini.h"
#include "platform/mscomm.h"
#include "platform/registry.h"
#include "publish/statusfiles.h"
#include "publish/updateengine.h"
#include "runtime/appdir.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/events.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "devices/formAddDevice.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

bool bStartInTray = false;
bool bInStartup = false;
bool bAutoDetect = false;
int iOfferDetect = 0;
QString strAlertSound;
QString strCommandLine;

namespace {

const QString kProgramSetup = modPrefs::kProgramSetup;

ProcessEnd g_processEnd;

// Real milliseconds of the end that alert mail still waiting gets to go out, and that recordings
// still running get to complete their files.
constexpr int kMailGraceMs = 500;
constexpr int kRecordingGraceMs = 1000;

// The end: the caller returns at once, and the process ends once the recordings still running are
// complete (within their grace) and the mail still waiting has had its own.
rt::Task<> endProcess(bool atOnce) {
    const ProcessEnd stand = g_processEnd; // taken now: the end goes on after the caller
    const bool real = !stand;
    if (real) {
        // An end already under way (a close while the recordings complete) is that end.
        static bool ending = false;
        if (std::exchange(ending, true)) co_return;
        // Every suspended wait that ends at the end ends now, and the rest of the end is bounded.
        rt::RequestQuit();
        rt::EndProcessWithin(kEndBoundMs);
    }
    CorvisentMain& m = CorvisentMain::instance();
    co_await m.FinishRecordings(kRecordingGraceMs);
    if (!real) {
        stand(atOnce);
        co_return;
    }
    m.FinishMail(kMailGraceMs);
    if (atOnce) std::exit(0);
    // Not quit(): Qt's quit closes every window first and is dropped while one stays open. The
    // alarm window refuses its close (it acknowledges the alarm instead), which stops the closing
    // of the windows after it, so an open e-mail window would keep the program running.
    QCoreApplication::exit(0);
}

// A folder beside the program, created when missing.
QString programFolder(const QString& name) {
    const QString path = rt::appFile(name);
    if (!QFileInfo(path).isDir() && !QDir().mkdir(path)) throw rt::VbError(75, QStringLiteral("Path/File access error"));
    return path;
}

// Milliseconds of a delay box in seconds; a box that is not a number, or a negative delay,
// gives 0 (the timer never fires).
int delayMs(const QLineEdit* box) {
    const QString text = box->text();
    if (!rt::IsNumeric(text)) return 0;
    const double ms = rt::CDbl(text) * 1000.0;
    return ms > 0 && ms < 2147483647.0 ? int(ms + 0.5) : 0;
}

} // namespace

// ---------------------------------------------------------------- switches and plan

CommandLineSwitches CommandLineSwitches::parse(const QString& commandLine) {
    CommandLineSwitches s;
    auto has = [&commandLine](const char* sw) { return commandLine.contains(QLatin1String(sw), Qt::CaseSensitive); };
    s.minimize = has("/minimize");
    s.service = has("/service");
    s.cvservice = has("/cvservice");
    s.autodetect = has("/autodetect");
    s.autologoff = has("/autologoff");
    s.regclean = has("/regclean") || has("/RegClean") || has("/Regclean") || has("/REGCLEAN");
    s.nocams = commandLine == QLatin1String("/nocams");
    return s;
}

StartupPlan PlanStartup(const QString& commandLine) {
    StartupPlan p;
    p.switches = CommandLineSwitches::parse(commandLine);
    const CommandLineSwitches& sw = p.switches;
    p.autoLogout = modRegistry::GetStringFromRegKey(modRegistry::HKEY_LOCAL_MACHINE, modRegistry::kMachineKey,
                                                    modRegistry::kAutologoutValue) == QLatin1String("1");
    if (p.autoLogout) return p;

    p.startInTray = settingsvalues::readKey(settingsvalues::Store::Tree, "SavedState") == QLatin1String("1");
    p.resetCameras = !sw.nocams;
    p.prefsFromIni = sw.cvservice;
    if (sw.cvservice) {
        p.iniPath = modIni::IniPathFromMachine();
        const settingsvalues::SetupKey& count = settingsvalues::setupKey("TotalDevices");
        p.deviceCount = platform::GetPrivateProfileString(
            sectionOf(count, 0, settingsvalues::Store::Ini), count.key,
            settingsvalues::defaultOf(count, settingsvalues::Store::Ini), 5, p.iniPath);
    } else {
        p.iniPath = modIni::kDefaultIniName;
        p.deviceCount = settingsvalues::readKey(settingsvalues::Store::Tree, "TotalDevices");
    }
    p.firstRun = p.deviceCount == QLatin1String("0");
    if (p.firstRun) return p;

    p.devicesFromIni = sw.service;
    if (sw.service) {
        p.autoConnectBox = 1;
        p.trayBeforeConnect = true;
        p.connectAll = true;
    } else {
        // A forced log-off's start stored "AutoConnect" = "1" itself.
        const QString autoConnect =
            p.startInTray ? QStringLiteral("1")
                          : settingsvalues::SetupReader(settingsvalues::Store::Tree, &modPrefs::GetPref).get("AutoConnect");
        p.autoConnectBox = int(rt::Val(autoConnect));
        p.connectAll = p.autoConnectBox == 1;
        p.trayAfterConnect = p.connectAll && p.startInTray;
    }
    p.askRemoteMonitoring =
        settingsvalues::readKey(settingsvalues::Store::Tree, "AutoStartIUE") == QLatin1String("1");
    return p;
}

// ---------------------------------------------------------------- start-up

namespace {

// The start values of the windows and of the process-wide values, before anything is read; a
// start after a forced log-off connects on its own.
void setStartValues(CorvisentMain& m, formSensorSetup& s, const StartupPlan& plan) {
    rt::setTag(&m, QStringLiteral("1"));
    iOfferDetect = 1;
    iXMLIndex = -1;
    s.cmbMinOrSecs->clear();
    s.cmbMinOrSecs->addItems({QStringLiteral("Minute(s)"), QStringLiteral("Seconds")});
    s.txtMaxFileSize->setText(QStringLiteral("1000"));
    lMaxFileSize = 1024000;
    iTestMail = 0;

    bStartInTray = plan.startInTray;
    if (plan.startInTray) {
        rt::setValue(s.chkAutoConnectPrefs, 1);
        settingsvalues::SetupWriter(settingsvalues::Store::Tree, &modPrefs::SavePref).put({"AutoConnect"});
    }

    m.show();
    m.lower();
    bInStartup = true;

    rt::setValue(s.chkRunningXp, modRegistry::CheckForXP() == 1 ? 1 : 0);

    rt::setCaption(s.lblLogDirectory, programFolder(QStringLiteral("logfiles")));
    programFolder(QStringLiteral("capturefiles"));
    strAlertSound = rt::appFile(QStringLiteral("alert.wav"));

    bAutoDetect = plan.switches.autodetect;
    if (plan.switches.regclean) rt::setVisible(m.mnuCleanOut, true);
}

void prepareCameras(CorvisentMain& m, formSensorSetup& s, const StartupPlan& plan) {
    if (plan.resetCameras) {
        for (ezVidCap* cam : m.ezVidCap1) cam->driverDisconnect();
        CheckCamDrivers();
        if (rt::value(s.chkMultiCamEnabled) == 1)
            modRegistry::EnumRegSubKeys(modRegistry::HKEY_LOCAL_MACHINE,
                                        QStringLiteral("Software\\Zovir Izovezo\\Camera Info\\"), 1);
    }
    // A camera's link options show once it is connected.
    for (int k = 1; k <= 4; ++k)
        s.FlipProximLabels(k, false, 0);
}

// The limits' colours, the main window's place on the screen, and the rows with nothing connected.
void arrangeWindows(CorvisentMain& m, formSensorSetup& s, const StartupPlan& plan) {
    rt::setForeColor(s.txtTempMax, rt::vbRed);
    rt::setForeColor(s.txtHumidMax, rt::vbRed);
    rt::setForeColor(s.txtTempMin, rt::vbBlue);
    rt::setForeColor(s.txtHumidMin, rt::vbBlue);

    if (plan.switches.minimize) {
        m.showMinimized();
    } else {
        rt::centreOnScreen(&m);
    }

    ClearArrays();
    AnyProxBehaviorFrameShown(1);
    for (int row = 1; row <= 10; ++row) {
        s.cmdConnectSensor[row]->setEnabled(false);
        m.lblSensor1[row]->hide();
    }
}

// What start-up shows from the tree before the preferences are loaded: with limits stored, the
// mail addresses, the transport and the limits; without, the limits' defaults. Then the pager
// number and the unit. Start-up reads these with no default of its own, but for the transport.
void showStoredBeforeLoad(formSensorSetup& s) {
    using namespace settingsvalues;
    const SetupReader tree(Store::Tree, &modPrefs::GetPref);
    const QString none;
    const bool limitsStored = !tree.get("TempMax", 0, none).isEmpty();
    if (limitsStored) {
        auto& mail = formEmailAlertSetup::instance();
        mail.txtEmailAddr->setText(tree.get("EmailAddress", 0, none));
        mail.txtCCEmailAddr->setText(tree.get("CCEmailAddress", 0, none));
        if (tree.get("optUseSMTP", 0, QStringLiteral("1")) == QLatin1String("1")) rt::setOptionValue(s.optUseSMTP, true);
    }
    for (const char* key : {"TempMax", "TempMin", "HumidMax", "HumidMin"})
        assignText(setupKey(key), 0, limitsStored ? tree.get(key, 0, none) : tree.defaultOf(key));

    formPagingTextMessage::instance().txtNumToCall->setText(tree.get("NumToCall", 0, none));
    const QString unit = tree.get("ForC", 0, none);
    if (unit == QLatin1String("C")) rt::setOptionValue(s.optCorF, true);
    else if (unit == QLatin1String("F")) rt::setOptionValue(s.optCorF2, true);
}

// The preferences from the tree or from the INI file, then the proximity delays' timers.
void loadPreferences(formSensorSetup& s, const StartupPlan& plan) {
    strINIPath = modIni::kDefaultIniName;
    strLastDistState.fill(QStringLiteral("No Obj"));

    if (plan.prefsFromIni) modIni::LoadSettingsINI();
    else modPrefs::LoadPrefs();
    strINIPath = plan.iniPath;

    for (int k = 1; k <= 4; ++k) {
        s.timerDelayEvent[k]->setInterval(delayMs(s.txtDelayEventAway[k]));
        s.timerDelayEventUp[k]->setInterval(delayMs(s.txtDelayEventUp[k]));
    }
}

// Start-up's Connect All: nobody waits for it, so its boxes hold nothing up.
rt::Task<> connectAllUnattended(formSensorSetup& s) {
    const rt::UnattendedScope unattended;
    return s.cmdConnectAll_Click();
}

// With devices stored (their records already loaded): the notification area, connecting, and
// remote monitoring, as the plan says. Each step begins once the one before it has ended.
rt::Task<> startDevices(CorvisentMain& m, formSensorSetup& s, StartupPlan plan) {
    if (plan.trayBeforeConnect) m.mnuPlaceInSysTray_Click();
    if (plan.connectAll) {
        s.show();
        co_await connectAllUnattended(s);
        s.hide();
        m.raise(); // an alarm raised while the sensors connected is kept above it
    }
    if (plan.trayAfterConnect) m.mnuPlaceInSysTray_Click();
    if (plan.askRemoteMonitoring &&
        rt::MsgBox(QStringLiteral("Do you wish to start Remote Monitoring?"), rt::vbYesNo,
                   QStringLiteral("Remote Monitoring")) == rt::vbYes)
        co_await StartInternetUpdateEngine();
    bInStartup = false;
}

// A first run: the setup window is marked for its first showing and the device scan is offered;
// start-up ends once the scan has.
rt::Task<> offerFirstSetup(CorvisentMain& m, formSensorSetup& s) {
    m.lower();
    rt::setTag(&s, QStringLiteral("1"));
    settingsvalues::saveKey(settingsvalues::Store::Tree, "SensSetTag", QStringLiteral("1"));
    s.cmdSetInterval_Click();
    if (rt::MsgBox(QStringLiteral("Would you like to auto detect and set up your devices now?\n"
                                  "     (CorvisentV and CorvisentV2 camera devices cannot be detected.)"),
                   rt::vbYesNo, QStringLiteral("Corvisent Manager")) != rt::vbNo)
        co_await formAddDevice::cmdBuildCVList_Click();
}

void finishStartup() {
    bWaterAlertOn.fill(false);
    bWaterClearSent.fill(false);
    bInStartup = false;
    // A settings file that could not be read whole is told once, with where it was kept.
    if (const QStringList notices = platform::Registry::instance().takeDamageNotices(); !notices.isEmpty())
        rt::MsgBox(notices.join(QStringLiteral("\n\n")), rt::vbOKOnly | rt::vbExclamation);
}

} // namespace

rt::Task<> CorvisentMain::Form_Load(QString commandLine) {
    auto& s = formSensorSetup::instance();

    // Camera controls.
    rt::passOver([this] {
        for (ezVidCap* cam : ezVidCap1) cam->setStartupState(1);
    });

    // The values that loading assigns to the windows must not set off their handlers' stores,
    // messages or timers.
    std::optional<LoadGuard> guard;
    guard.emplace();
    StartupPlan plan;

    try {
        setWindowTitle(QStringLiteral("Corvisent Manager"));
        strCommandLine = commandLine;
        plan = PlanStartup(commandLine);

        if (plan.autoLogout) {
            rt::setValue(s.chkAutoConnectPrefs, 1);
            mnuPlaceInSysTray_Click();
            bInStartup = false;
            co_return;
        }
        setStartValues(*this, s, plan);
        prepareCameras(*this, s, plan);
        arrangeWindows(*this, s, plan);
    } catch (const std::exception&) {
        modIni::IniErrorLog(QStringLiteral(":010"), QStringLiteral("FormLoadError"));
        bInStartup = false;
        co_return;
    }

    try {
        for (int t = tabTemperature; t <= tabDistance; ++t) setTabEnabled(t, false);
        showStoredBeforeLoad(s);
        loadPreferences(s, plan);

        // The guard ends once the windows hold what was stored, before anything connects or asks.
        if (!plan.firstRun) {
            s.LoadConfig(plan.devicesFromIni, plan.deviceCount);
            if (!plan.devicesFromIni) rt::setTag(this, QStringLiteral("0"));
            rt::setValue(s.chkAutoConnectPrefs, plan.autoConnectBox);
            guard.reset();
            co_await startDevices(*this, s, plan);
        } else {
            guard.reset();
            co_await offerFirstSetup(*this, s);
        }
        finishStartup();
    } catch (const std::exception&) {
        guard.reset();
        modIni::IniErrorLog(QStringLiteral(":020"), QStringLiteral("AutoOpenPrefError"));
        s.show();
        bInStartup = false;
    }
}

// ---------------------------------------------------------------- shutdown

void CorvisentMain::Exit_Click() {
    if (rt::MsgBox(QStringLiteral("Are you sure you want to exit?"), rt::vbYesNo,
                   QStringLiteral("Corvisent Manager Exit")) == rt::vbYes)
        EndProgram();
}

void EndProgram() {
    rt::Files::closeAll();
    endProcess(true);
}

void setProcessEnd(ProcessEnd end) { g_processEnd = std::move(end); }

void CorvisentMain::Form_Unload() {
    rt::passOver([this] {
        if (!rt::visible(frameSummaryVidContainer)) {
            const int k = int(rt::Val(lblPrevCamSubIndex->text()));
            if (k < 1 || k > 4) raiseSubscriptOutOfRange();
            SwitchToVideo0(int(rt::Val(rt::caption(frameSurvTabCoverUp[k]))), 0);
        }
    });
    for (int row = 1; row <= 10; ++row) {
        if (iPortOpen[row] <= 0) continue;
        for (auto* ports : {&MSComm, &MSCommP, &MSCommW, &MSCommA, &MSCommD}) {
            rt::passOver([ports, row] {
                platform::MSCommControl* port = (*ports)[row];
                if (port->portOpen()) port->setPortOpen(false);
            });
        }
    }
    // Reading logs are complete on disk before the program ends.
    rt::passOver([] { rt::Files::closeAll(); });
    endProcess(false);
}

void CorvisentMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}
