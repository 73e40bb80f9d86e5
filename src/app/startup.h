#pragma once
#include <QString>
#include <functional>

// Start-up and shutdown of the program: the command-line switches, what start-up will do with
// the stored settings, the process-wide values start-up sets, and the ways the program ends.

// ---- Process-wide values set by start-up.
extern bool bStartInTray;        // the last run ended in a forced log-off ("SavedState" "1")
extern bool bInStartup;          // start-up is loading (handlers skip start-up-time side effects)
extern bool bAutoDetect;         // started with "/autodetect"
extern int iOfferDetect;         // 1: the add-device window offers automatic detection
extern QString strAlertSound;    // the alarm sound file
extern QString strCommandLine;   // the command line the program was started with

// The switches of a command line. A switch counts wherever it occurs (case-sensitive), except
// "/nocams", which counts only as the whole command line.
struct CommandLineSwitches {
    bool minimize = false;
    bool service = false;
    bool cvservice = false;
    bool autodetect = false;
    bool autologoff = false;
    bool regclean = false; // "/regclean", "/RegClean", "/Regclean" or "/REGCLEAN"
    bool nocams = false;

    static CommandLineSwitches parse(const QString& commandLine);
};

// What start-up does, decided from the command line, the machine values and the stored
// settings before anything is loaded.
struct StartupPlan {
    CommandLineSwitches switches;
    bool autoLogout = false;      // machine value "Autologout" "1": notification area only
    bool startInTray = false;     // "SavedState" "1"
    bool resetCameras = false;    // camera drivers reset and camera keys enumerated
    bool prefsFromIni = false;    // preferences from the INI file
    QString iniPath;              // the INI file after the preferences are loaded
    QString deviceCount;          // the stored device count, as text
    bool firstRun = false;        // the count is the text "0": offer the scan
    bool devicesFromIni = false;  // device list from the INI file
    int autoConnectBox = 0;       // value the auto-connect box takes once the devices are loaded
    bool trayBeforeConnect = false;
    bool connectAll = false;
    bool trayAfterConnect = false;
    bool askRemoteMonitoring = false; // "Do you wish to start Remote Monitoring?"
};
StartupPlan PlanStartup(const QString& commandLine);

// Ends the program at once: reading logs are closed; no window is unloaded, no port closed, the
// notification icon stays.
void EndProgram();

// Real milliseconds the program's end may take at most, however it was asked for and whatever is
// still waiting then.
constexpr int kEndBoundMs = 1900;

// How the process ends: atOnce for EndProgram, otherwise after the main window was unloaded.
// Tests install their own to see the end without ending (running recordings are kept before it);
// an empty function restores the real one.
using ProcessEnd = std::function<void(bool atOnce)>;
void setProcessEnd(ProcessEnd end);
