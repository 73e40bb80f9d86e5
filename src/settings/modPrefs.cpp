#include "settings/modPrefs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "platform/registry.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/controlvalues.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/setupcontrols.h"
#include "settings/setupkeys.h"
#include "settings/setupwindows.h"

using namespace settingsvalues;

namespace modPrefs {

namespace {

// Reads the setup windows' keys; a stored text its control refuses gives the key's default.
struct SetupLoader : SetupReader {
    SetupLoader() : SetupReader(Store::Tree, &GetPref) {}

    // A number whose values 0 and 1 set the box; other numbers leave it.
    void checkIf01(const char* key, int n) const {
        const double v = number(key, n);
        if (v == 0.0 || v == 1.0) rt::setValue(qobject_cast<QCheckBox*>(controlOf(setupKey(key), n)), int(v));
    }
    double number(const char* key, int n) const {
        double v = 0;
        assign(key, n, [&v](const QString& t) { v = toNumber(t); });
        return v;
    }
};

void loadProximityAction(SensorSetupControls& s, const SetupLoader& in, int n) {
    in.load({"DelayEventAway", "DelayEventUp", "ProximityRunCommand", "ProximityRunCommandApproach", "lblAwayParams",
             "lblUpParams"},
            n);

    // The first option stored as nonzero is the panel's action; with none the panel keeps its state.
    if (in.number("optSysCommandDisabled", n) != 0) {
        rt::setOptionValue(s.optSysCommandDisabled[n], true);
    } else if (in.number("optLogoutOnProximity", n) != 0) {
        rt::setOptionValue(s.optLogoutOnProximity[n], true);
        rt::setTag(s.optLogoutOnProximity[n], QStringLiteral("1"));
    } else if (in.number("optSystemLock", n) != 0) {
        rt::setOptionValue(s.optSystemLock[n], true);
    } else if (in.number("optRunCommand", n) != 0) {
        rt::setTag(s.optRunCommand[n], QStringLiteral("0"));
        rt::setOptionValue(s.optRunCommand[n], true);
        rt::setTag(s.optRunCommand[n], QStringLiteral("1"));
        in.load({"ProximityRunCommand", "ProximityRunCommandApproach"}, n);
        // Only the walk-up command decides here.
        if (isScreenSaverCommand(s.lblCommandOnProxApproach[n]->text())) modSupport::iScreenSaverCmd = 1;
    }
}

void loadInternetSetup(InternetSetupControls& w, SensorSetupControls& s, const SetupLoader& in) {
    in.load({"HtmlRefresh", "RemoteDirectory", "ServerName", "UserName"});
    rt::setTag(s.cambehavioral, QString());

    w.ShowStoredPassword(in.get("PW"));

    // The leading number of the text counts; a text without one is 0.
    in.assign("SeeMessages", 0, [&w](const QString& t) { rt::setValue(w.chkSeeMessages, rt::CInt(rt::Val(t))); });
    in.assign("InternetInterval", 0,
              [&w](const QString& t) { setTextAndSlider(w.txtInterval, w.sliderInternetUpdateInterval, t); });
    in.load({"UseDirectory", "optStayConnected", "txtTitleForUpdatePage", "txtXMLDirectory"});
    SetupWriter(Store::Tree, &SavePref).put({"chkXMLUseDirectory"});
}

} // namespace

QString GetPref(const QString& section, const QString& key, const QString& defaultValue) {
    return platform::GetSetting(kApp, section, key, defaultValue);
}

void SavePref(const QString& section, const QString& key, const QString& value) {
    platform::SaveSetting(kApp, section, key, value);
}

QString DefaultLogDir() {
    return rt::appFile(QStringLiteral("logfiles"));
}

void LoadPrefs() {
    // The windows are made before the load starts, so that their own start runs outside it.
    auto& s = SensorSetupControls::instance();
    EmailAlertSetupWindow();
    PagingSetupWindow();
    auto& inet = InternetSetupControls::instance();
    {
        modSupport::LoadGuard guard;
        rt::setTag(s.cambehavioral, QStringLiteral("InLoad"));

        const SetupLoader set;
        set.load({"PrefaceFiles", "XMaxThresh", "XMinThresh", "YMaxThresh", "YMinThresh", "CheckRange",
                  "MaxDistanceThresh", "MinDistanceThresh"});

        // "1" and the default "9" choose SMTP, "0" MAPI; any other text leaves both.
        const QString transport = set.get("optUseSMTP");
        if (transport == QLatin1String("1") || transport == QLatin1String("9"))
            rt::setOptionValue(s.optUseSMTP, true);
        else if (transport == QLatin1String("0"))
            rt::setOptionValue(s.optUseMAPI, true);

        set.loadRange("EmailAddress", "SMTPFromEmailAddress");
        set.load({"MinOrSecs", "NumToCall", "NumToSend", "NumToSendPhone"});
        const QString numeric = set.get("optionNumeric");
        if (numeric == QLatin1String("1"))
            rt::setOptionValue(s.optionNumericalPager, true);
        else if (numeric == QLatin1String("0"))
            rt::setOptionValue(s.optionNumericalPager, false);
        set.load({"optionPhone", "IndexForModem"});

        set.assign("ReadingInterval", 0,
                   [&s](const QString& t) { setTextAndSlider(s.txtReadingInterval, s.sliderInterval, t); });
        set.load({"BinaryInterval", "chkAuthenticationReq"});

        for (int n = 1; n <= 4; ++n)
            loadProximityAction(s, set, n);
        for (int n = 1; n <= 4; ++n) {
            set.load({"chkEmailOnProx"}, n);
            set.checkIf01("chkOnScreenProx", n);
        }
        set.checkIf01("chkUseAlerts", 0);

        set.load({"logdir", "chkPlaceInStartup", "MaxFileSize", "HDDTotalAmount", "CloseFileAfterWrite",
                  "chkAlwaysSendAlert", "chkOnScreenAlert", "chkPageAlert", "chkEmailAlert", "chkLocalMonitoring"});

        loadInternetSetup(inet, s, set);

        s.ReplaceRefusedIntervals();
        s.cmdSetInterval_Click();
    }
    rt::setTag(&CorvisentMainControls::instance().form(), QStringLiteral("0"));
}

void SavePrefs() {
    const SetupWriter out(Store::Tree, &SavePref);
    out.putRange("XMaxThresh", "ForC");
    for (int k = 1; k <= 4; ++k)
        out.put({"chkEmailOnProx", "chkOnScreenProx", "PrefaceFiles"}, k);
    for (int k = 1; k <= 4; ++k)
        out.put({"chkCamMon", "chkCamUseProx", "chkProxSnapCam"}, k);
    for (int k = 1; k <= 4; ++k)
        out.put({"DelayEventAway", "DelayEventUp", "lblUpParams", "lblAwayParams"}, k);
    for (int k = 1; k <= 4; ++k) {
        out.actionChain(k);
        out.put({"DelayEventUp", "DelayEventAway"}, k);
    }
    out.put({"AutoConnect"});
    // The settings whose own handlers store them as they change.
    out.putRange("MinOrSecs", "optionPhone");
}

void CleanOutRegistry() {
    auto& reg = platform::Registry::instance();
    const auto hive = platform::Hive::CurrentUser;
    QStringList keys;
    for (int n = 1; n <= 10; ++n)
        keys << kTreeKey + QStringLiteral("\\PortConfig\\Devices\\%1").arg(n);
    keys << kTreeKey + QStringLiteral("\\PortConfig\\Devices") << kTreeKey + QStringLiteral("\\PortConfig");
    for (int n = 1; n <= 4; ++n)
        keys << kTreeKey + QStringLiteral("\\Program Setup\\Prox%1").arg(n);
    keys << kTreeKey + QStringLiteral("\\Program Setup");

    bool remains = false;
    try {
        for (const QString& key : keys)
            reg.deleteKey(hive, key);
        for (const QString& key : keys)
            remains = remains || reg.keyExists(hive, key);
    } catch (const std::exception&) {
        remains = true;
    }
    if (remains) {
        rt::MsgBox(QStringLiteral("There was an error in CleanOutRegistry"), rt::vbOKOnly);
        return;
    }
    rt::MsgBox(QStringLiteral("Success.  You must exit the program and restart.\r\n"
                              "You will be prompted to re-enter your sensor setup information."),
               rt::vbOKOnly, rt::appTitle());
}

} // namespace modPrefs
