#include "settings/modPrefs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "platform/registry.h"
#include "publish/formInternetSetup.h"
#include "publish/statusfiles.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/controlvalues.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"

using namespace settingsvalues;

namespace modPrefs {

namespace {

// Reads "Program Setup" keys and places them into controls.
struct Loader {
    QString section = kProgramSetup;

    QString get(const QString& key, const QString& def) const { return GetPref(section, key, def); }

    void text(QLineEdit* box, const QString& key, const QString& def) const { box->setText(get(key, def)); }
    void check(QCheckBox* box, const QString& key, const QString& def) const {
        assignOr(get(key, def), def, [box](const QString& t) { setCheck(box, t); });
    }
    // A text box and the slider that shows the same number.
    void textAndSlider(QLineEdit* box, QSlider* slider, const QString& key, const QString& def) const {
        assignOr(get(key, def), def, [box, slider](const QString& t) {
            box->setText(t);
            setSlider(slider, box->text());
        });
    }
    // A number whose values 0 and 1 set the box; other numbers leave it.
    void checkIf01(QCheckBox* box, const QString& key, const QString& def) const {
        double v = 0;
        assignOr(get(key, def), def, [&v](const QString& t) { v = toNumber(t); });
        if (v == 0.0 || v == 1.0) rt::setValue(box, int(v));
    }
    double number(const QString& key, const QString& def) const {
        double v = 0;
        assignOr(get(key, def), def, [&v](const QString& t) { v = toNumber(t); });
        return v;
    }
};

void loadProximityAction(formSensorSetup& s, const Loader& in, int n) {
    in.text(s.txtDelayEventAway[n], numbered("DelayEventAway", n), QStringLiteral("0"));
    in.text(s.txtDelayEventUp[n], numbered("DelayEventUp", n), QStringLiteral("0"));
    in.text(s.lblCommandOnProx[n], numbered("ProximityRunCommand", n), QStringLiteral("Path not set"));
    in.text(s.lblCommandOnProxApproach[n], numbered("ProximityRunCommandApproach", n),
            QStringLiteral("Path not set"));
    in.text(s.lblAwayParams[n], numbered("lblAwayParams", n), QString());
    in.text(s.lblUpParams[n], numbered("lblUpParams", n), QString());

    // The first option stored as nonzero is the panel's action; with none the panel keeps its state.
    const QString zero = QStringLiteral("0");
    if (in.number(numbered("optSysCommandDisabled", n), zero) != 0) {
        rt::setOptionValue(s.optSysCommandDisabled[n], true);
    } else if (in.number(numbered("optLogoutOnProximity", n), zero) != 0) {
        rt::setOptionValue(s.optLogoutOnProximity[n], true);
        rt::setTag(s.optLogoutOnProximity[n], QStringLiteral("1"));
    } else if (in.number(numbered("optSystemLock", n), zero) != 0) {
        rt::setOptionValue(s.optSystemLock[n], true);
    } else if (in.number(numbered("optRunCommand", n), zero) != 0) {
        rt::setTag(s.optRunCommand[n], QStringLiteral("0"));
        rt::setOptionValue(s.optRunCommand[n], true);
        rt::setTag(s.optRunCommand[n], QStringLiteral("1"));
        in.text(s.lblCommandOnProx[n], numbered("ProximityRunCommand", n), QStringLiteral("Path not set"));
        in.text(s.lblCommandOnProxApproach[n], numbered("ProximityRunCommandApproach", n),
                QStringLiteral("Path not set"));
        // Only the walk-up command decides here.
        if (isScreenSaverCommand(s.lblCommandOnProxApproach[n]->text())) modSupport::iScreenSaverCmd = 1;
    }
}

void loadInternetSetup(formInternetSetup& w, formSensorSetup& s) {
    Loader in;
    in.section = kInternetSetup;
    const QString empty;
    rt::setCaption(w.lblIndexRefreshRate, in.get(QStringLiteral("HtmlRefresh"), QStringLiteral("20")));
    in.text(w.txtRemoteStorageLocation, QStringLiteral("RemoteDirectory"), empty);
    in.text(w.txtFTPURL, QStringLiteral("ServerName"), empty);
    in.text(w.txtUserName, QStringLiteral("UserName"), empty);
    rt::setTag(s.cambehavioral, QString());

    const QString pw = in.get(QStringLiteral("PW"), empty);
    if (pw != QLatin1String("") && pw != QLatin1String(" ")) {
        w.txtPassword->setText(pw);
        rt::setCaption(w.lblPasswordSetStatus, QStringLiteral("(Password is set)"));
    } else {
        rt::setCaption(w.lblPasswordSetStatus, QStringLiteral("(Password is not set)"));
    }

    // The leading number of the text counts; a text without one is 0.
    assignOr(in.get(QStringLiteral("SeeMessages"), QStringLiteral("0")), QStringLiteral("0"),
             [&w](const QString& t) { rt::setValue(w.chkSeeMessages, rt::CInt(rt::Val(t))); });
    in.textAndSlider(w.txtInterval, w.sliderInternetUpdateInterval, QStringLiteral("InternetInterval"),
                     QStringLiteral("10"));
    in.check(w.chkXMLUseDirectory, QStringLiteral("UseDirectory"), QStringLiteral("0"));
    assignOr(in.get(QStringLiteral("optStayConnected"), QStringLiteral("0")), QStringLiteral("0"),
             [&w](const QString& t) { setOption(w.optStayConnected, t); });
    in.text(w.txtTitleforUpdatePage, QStringLiteral("txtTitleForUpdatePage"), QStringLiteral("Location#1"));
    in.text(w.txtXMLDirectory, QStringLiteral("txtXMLDirectory"), DefaultXmlDirectory());
    SavePref(kInternetSetup, QStringLiteral("chkXMLUseDirectory"), checkText(w.chkXMLUseDirectory));
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
    auto& s = formSensorSetup::instance();
    auto& mail = formEmailAlertSetup::instance();
    auto& pager = formPagingTextMessage::instance();
    auto& inet = formInternetSetup::instance();
    {
        modSupport::LoadGuard guard;
        const Loader in;
        rt::setTag(s.cambehavioral, QStringLiteral("InLoad"));

        in.text(s.txtPrefaceFiles, QStringLiteral("PrefaceFiles"), QStringLiteral("_"));
        in.text(s.txtXMaxThresh, QStringLiteral("XMaxThresh"), QStringLiteral("1"));
        in.text(s.txtXMinThresh, QStringLiteral("XMinThresh"), QStringLiteral("-1"));
        in.text(s.txtYMaxThresh, QStringLiteral("YMaxThresh"), QStringLiteral("1"));
        in.text(s.txtYMinThresh, QStringLiteral("YMinThresh"), QStringLiteral("-1"));
        in.check(s.chkOutOfRangeAlert, QStringLiteral("CheckRange"), QStringLiteral("1"));
        in.text(s.txtMaxDistanceThresh, QStringLiteral("MaxDistanceThresh"), QStringLiteral("100"));
        in.text(s.txtMinDistanceThresh, QStringLiteral("MinDistanceThresh"), QStringLiteral("30"));

        // "1" and the default "9" choose SMTP, "0" MAPI; any other text leaves both.
        const QString transport = in.get(QStringLiteral("optUseSMTP"), QStringLiteral("9"));
        if (transport == QLatin1String("1") || transport == QLatin1String("9"))
            rt::setOptionValue(s.optUseSMTP, true);
        else if (transport == QLatin1String("0"))
            rt::setOptionValue(s.optUseMAPI, true);

        const QString empty;
        in.text(mail.txtEmailAddr, QStringLiteral("EmailAddress"), empty);
        in.text(mail.txtCCEmailAddr, QStringLiteral("CCEmailAddress"), empty);
        for (int i = 0; i < 4; ++i)
            in.check(mail.chkInclude[i], QLatin1String(kIncludeKeys[i]), QStringLiteral("1"));
        in.text(mail.txtSMTPHostServer, QStringLiteral("SMTPHostServer"), empty);
        in.text(mail.txtSMTPUserName, QStringLiteral("SMTPUserName"), empty);
        in.text(mail.txtSMTPUserPassword, QStringLiteral("SMTPUserPassword"), empty);
        in.text(mail.txtMailFrom, QStringLiteral("SMTPFromEmailAddress"), empty);

        setMinOrSecs(s.cmbMinOrSecs, in.get(QStringLiteral("MinOrSecs"), QStringLiteral("Min")));

        const QString blank = QStringLiteral(" ");
        in.text(pager.txtNumToCall, QStringLiteral("NumToCall"), blank);
        in.text(pager.txtNumToSend, QStringLiteral("NumToSend"), blank);
        in.text(pager.txtPhoneNumber, QStringLiteral("NumToSendPhone"), blank);
        const QString numeric = in.get(QStringLiteral("optionNumeric"), QStringLiteral("1"));
        if (numeric == QLatin1String("1"))
            rt::setOptionValue(s.optionNumericalPager, true);
        else if (numeric == QLatin1String("0"))
            rt::setOptionValue(s.optionNumericalPager, false);
        assignOr(in.get(QStringLiteral("optionPhone"), QStringLiteral("0")), QStringLiteral("0"),
                 [&s](const QString& t) { setOption(s.optionPhonePager, t); });
        pager.comboAvailCom->setCurrentText(in.get(QStringLiteral("IndexForModem"), QStringLiteral("1")));

        in.textAndSlider(s.txtReadingInterval, s.sliderInterval, QStringLiteral("ReadingInterval"),
                         QStringLiteral("30"));
        in.text(s.txtBinaryInterval, QStringLiteral("BinaryInterval"), QStringLiteral("500"));
        in.check(mail.chkAuthenticationReq, QStringLiteral("chkAuthenticationReq"), QStringLiteral("0"));

        for (int n = 1; n <= 4; ++n)
            loadProximityAction(s, in, n);
        for (int n = 1; n <= 4; ++n) {
            in.check(s.chkEmailOnProx[n], numbered("chkEmailOnProx", n), QStringLiteral("0"));
            in.checkIf01(s.chkOnScreenOnProx[n], numbered("chkOnScreenProx", n), QStringLiteral("0"));
        }
        in.checkIf01(s.chkUseAlerts, QStringLiteral("chkUseAlerts"), QStringLiteral("0"));

        rt::setCaption(s.lblLogDirectory, in.get(QStringLiteral("logdir"), DefaultLogDir()));
        in.check(s.chkPlaceInStartup, QStringLiteral("chkPlaceInStartup"), QStringLiteral("0"));
        in.text(s.txtMaxFileSize, QStringLiteral("MaxFileSize"), QStringLiteral("1000"));
        in.text(s.txtHDDTotalAmount, QStringLiteral("HDDTotalAmount"), QStringLiteral("10000"));
        in.check(s.chkCloseFileAfterWrite, QStringLiteral("CloseFileAfterWrite"), QStringLiteral("0"));
        in.check(s.chkAlwaysSendAlert, QStringLiteral("chkAlwaysSendAlert"), QStringLiteral("0"));

        for (int k : kAlertKinds)
            in.check(s.chkOnScreenAlert[k], numbered("chkOnScreenAlert", k), QStringLiteral("0"));
        for (int k : kAlertKinds)
            in.check(s.chkPageAlert[k], numbered("chkPageAlert", k), QStringLiteral("0"));
        for (int k : kAlertKinds)
            in.check(s.chkEmailAlert[k], numbered("chkEmailAlert", k), QStringLiteral("0"));
        in.check(s.chkLocalMonitoring, QStringLiteral("chkLocalMonitoring"), QStringLiteral("0"));

        loadInternetSetup(inet, s);

        s.cmdSetInterval_Click();
    }
    rt::setTag(&CorvisentMain::instance(), QStringLiteral("0"));
}

void SavePrefs() {
    auto& s = formSensorSetup::instance();
    const KeyWriter save = [](const QString& key, const QString& value) {
        SavePref(kProgramSetup, key, value);
    };

    writeThresholdKeys(s, save);
    save(QStringLiteral("optUseSMTP"), optionText(s.optUseSMTP));
    save(QStringLiteral("optUseMAPI"), optionBoolText(s.optUseMAPI));
    writeLimitKeys(s, save);
    writeUnitKey(s, save);
    for (int k = 1; k <= 4; ++k) {
        save(numbered("chkEmailOnProx", k), checkText(s.chkEmailOnProx[k]));
        save(numbered("chkOnScreenProx", k), checkText(s.chkOnScreenOnProx[k]));
        save(QStringLiteral("PrefaceFiles"), s.txtPrefaceFiles->text());
    }
    for (int k = 1; k <= 4; ++k) {
        const QString prox = QStringLiteral("Program Setup\\Prox%1").arg(k);
        SavePref(prox, QStringLiteral("chkCamMon"), checkText(s.chkCamMonitorOnly[k]));
        SavePref(prox, QStringLiteral("chkCamUseProx"), checkText(s.chkCamUseProxim[k]));
        SavePref(prox, QStringLiteral("chkProxSnapCam"), checkText(s.chkProximSnapCam[k]));
    }
    for (int k = 1; k <= 4; ++k) {
        save(numbered("DelayEventAway", k), s.txtDelayEventAway[k]->text());
        save(numbered("DelayEventUp", k), s.txtDelayEventUp[k]->text());
        save(numbered("lblUpParams", k), s.lblUpParams[k]->text());
        save(numbered("lblAwayParams", k), s.lblAwayParams[k]->text());
    }
    for (int k = 1; k <= 4; ++k) {
        writeActionChain(s, k, save);
        save(numbered("DelayEventUp", k), s.txtDelayEventUp[k]->text());
        save(numbered("DelayEventAway", k), s.txtDelayEventAway[k]->text());
    }
    save(QStringLiteral("AutoConnect"), checkText(s.chkAutoConnectPrefs));
    // The dialog's other preferences, which their own handlers store as they change.
    save(QStringLiteral("MinOrSecs"), minOrSecsText(s.cmbMinOrSecs));
    save(QStringLiteral("chkAlwaysSendAlert"), checkText(s.chkAlwaysSendAlert));
    save(QStringLiteral("chkUseAlerts"), checkText(s.chkUseAlerts));
    save(QStringLiteral("chkLocalMonitoring"), checkText(s.chkLocalMonitoring));
    save(QStringLiteral("CloseFileAfterWrite"), checkText(s.chkCloseFileAfterWrite));
    save(QStringLiteral("logdir"), rt::caption(s.lblLogDirectory));
    save(QStringLiteral("chkPlaceInStartup"), checkText(s.chkPlaceInStartup));
    save(QStringLiteral("optionNumeric"), optionText(s.optionNumericalPager));
    save(QStringLiteral("optionPhone"), optionText(s.optionPhonePager));
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
