#include "settings/modIni.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "platform/ini.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "settings/controlvalues.h"
#include "settings/maincontrols.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "settings/setupcontrols.h"
#include "settings/setupkeys.h"
#include "settings/setupwindows.h"

using namespace settingsvalues;

namespace modIni {

namespace {

// Read width large enough that no value the program writes is ever cut.
constexpr int kWholeValue = 65536;

// A writer of the file's keys: a write the file refuses does not stop the others; it is counted
// so that the save reports it once at the end.
SetupWriter fileWriter(int* refused) {
    return SetupWriter(Store::Ini, [refused](const QString& section, const QString& key, const QString& value) {
        if (!WriteIni(section, key, value)) ++*refused;
    });
}

// A reader of the file's keys: a value that does not convert or that the control refuses gives
// the key's default, and the first such error is kept for the report.
SetupReader fileReader(QString* firstError) {
    return SetupReader(Store::Ini, &ReadIni, [firstError](const rt::VbError& e) {
        if (firstError->isEmpty()) *firstError = e.description();
    });
}

void saveSensorSetup(int* refused) {
    const SetupWriter out = fileWriter(refused);
    out.putRange("XMaxThresh", "MaxFileSize");
    out.put({"optUseSMTP", "TempMax", "TempMin", "HumidMax", "HumidMin", "logdir", "AutoConnect", "chkAlwaysSendAlert",
             "AutoConnectPrefs", "chkLocalMonitoring", "chkPlaceInStartup", "chkUseAlerts"});
    for (int n = 1; n <= 4; ++n)
        out.put({"chkEmailOnProx", "chkOnScreenOnProx", "PrefaceFiles"}, n);
    out.put({"MinOrSecs", "ForC"});
    for (int n = 1; n <= 4; ++n) {
        out.put({"ProximityRunCommand", "ProximityRunCommandApproach", "DelayEventUp", "DelayEventAway"}, n);
        out.actionChain(n);
    }
}

void saveWindows(int* refused) {
    const SetupWriter out = fileWriter(refused);
    out.put({"chkAuthenticationReq"});
    out.putRange("EmailAddress", "SMTPFromEmailAddress");
    out.put({"NumToCall", "NumToSend"});
    out.putRange("RemoteDirectory", "txtTitleForUpdatePage");
    out.put({"UseDirectory", "txtXMLDirectory", "InternetInterval"});
}

void loadSensorSetup(SensorSetupControls& s, QString* firstError) {
    const SetupReader in = fileReader(firstError);
    in.load({"XMaxThresh", "XMinThresh", "YMaxThresh", "YMinThresh", "MinDistanceThresh", "MaxDistanceThresh"});
    // An interval that is not a positive number would leave connected sensors unread.
    in.assign("ReadingInterval", 0, [&s](const QString& t) { setReadingInterval(s.txtReadingInterval, t); });
    in.load({"BinaryInterval", "CheckRange", "chkPageAlert", "chkEmailAlert", "chkOnScreenAlert", "HDDTotalAmount",
             "MaxFileSize"});
    // The file holds the SMTP option as a boolean; false chooses MAPI.
    in.assign("optUseSMTP", 0,
              [&s](const QString& t) { rt::setOptionValue(toBool(t) ? s.optUseSMTP : s.optUseMAPI, true); });
    in.load({"TempMax", "TempMin", "HumidMax", "HumidMin", "logdir", "AutoConnect", "chkAlwaysSendAlert",
             "AutoConnectPrefs", "chkLocalMonitoring", "chkUseAlerts"});
    for (int n = 1; n <= 4; ++n)
        in.load({"chkEmailOnProx", "chkOnScreenOnProx"}, n);
    in.load({"PrefaceFiles", "MinOrSecs", "ForC"});

    const QString one = QStringLiteral("1"), zero = QStringLiteral("0");
    for (int n = 1; n <= 4; ++n) {
        in.load({"DelayEventAway", "DelayEventUp"}, n);
        // First pass: each of the first three options is chosen by "1" and cleared by "0".
        for (const char* key : {"optSysCommandDisabled", "optLogoutOnProximity", "optSystemLock"}) {
            auto* opt = qobject_cast<QRadioButton*>(controlOf(setupKey(key), n));
            const QString v = in.get(key, n);
            if (v == one)
                rt::setOptionValue(opt, true);
            else if (v == zero)
                rt::setOptionValue(opt, false);
        }
        // Second pass: the first option not stored as "0" decides.
        if (in.get("optSysCommandDisabled", n, zero) != zero) {
            rt::setOptionValue(s.optSysCommandDisabled[n], true);
        } else if (in.get("optLogoutOnProximity", n, zero) != zero) {
            rt::setOptionValue(s.optLogoutOnProximity[n], true);
            rt::setTag(s.optLogoutOnProximity[n], one);
        } else if (in.get("optSystemLock", n, zero) != zero) {
            rt::setOptionValue(s.optSystemLock[n], true);
        } else if (in.get("optRunCommand", n, zero) != zero) {
            rt::setTag(s.optRunCommand[n], zero);
            rt::setOptionValue(s.optRunCommand[n], true);
            rt::setTag(s.optRunCommand[n], one);
            in.load({"ProximityRunCommand", "ProximityRunCommandApproach"}, n);
            if (isScreenSaverCommand(s.lblCommandOnProx[n]->text()) ||
                isScreenSaverCommand(s.lblCommandOnProxApproach[n]->text()))
                modSupport::iScreenSaverCmd = 1;
        }
    }
}

void loadWindows(QString* firstError) {
    const SetupReader in = fileReader(firstError);
    in.load({"chkAuthenticationReq"});
    in.loadRange("EmailAddress", "SMTPFromEmailAddress");
    in.load({"NumToCall", "NumToSend", "RemoteDirectory", "ServerName", "UserName"});

    auto& inet = InternetSetupControls::instance();
    in.assign("InternetInterval", 0,
              [&inet](const QString& t) { setTextAndSlider(inet.txtInterval, inet.sliderInternetUpdateInterval, t); });
    inet.ShowStoredPassword(in.get("PW"));
    in.load({"SeeMessages", "optStayConnected", "optConnectBeforeSend", "txtTitleForUpdatePage", "txtXMLDirectory",
             "UseDirectory"});
}

} // namespace

QString IniPathFromMachine() {
    const QString path = modRegistry::GetStringFromReg(modRegistry::kMachineKey, modRegistry::kIniPathValue);
    return path.isEmpty() ? kDefaultIniName : path;
}

QString ReadIni(const QString& section, const QString& key, const QString& defaultValue) {
    return platform::GetPrivateProfileString(section, key, defaultValue, kWholeValue, modSupport::strINIPath);
}

bool WriteIni(const QString& section, const QString& key, const QString& value) {
    return platform::WritePrivateProfileString(section, key, value, modSupport::strINIPath);
}

void SaveSettingsINI() {
    QString error;
    int refused = 0;
    {
        rt::Hourglass busy;
        try {
            saveSensorSetup(&refused);
            saveWindows(&refused);
        } catch (const rt::VbError& e) {
            error = e.description();
        }
    }
    if (error.isNull() && refused > 0) error = QStringLiteral("Path/File access error");
    if (!error.isNull()) rt::MsgBox(error, rt::vbOKOnly);
}

void LoadSettingsINI() {
    QString firstError;
    {
        rt::Hourglass busy;
        modSupport::strINIPath = IniPathFromMachine();
        auto& s = SensorSetupControls::instance();
        {
            modSupport::LoadGuard guard;
            loadSensorSetup(s, &firstError);
            loadWindows(&firstError);
            s.ReplaceRefusedIntervals();
            s.cmdSetInterval_Click();
        }
        rt::setTag(&CorvisentMainControls::instance().form(), QStringLiteral("0"));
    }
    if (!firstError.isEmpty()) rt::MsgBox(firstError, rt::vbOKOnly);
}

void IniErrorLog(const QString& marker, const QString& value) {
    WriteIni(kLogging, rt::TimeText() + marker, value);
}

} // namespace modIni
