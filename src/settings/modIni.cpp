#include "settings/modIni.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "alerts/formEmailAlertSetup.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "platform/ini.h"
#include "publish/formInternetSetup.h"
#include "publish/statusfiles.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "settings/controlvalues.h"
#include "settings/modPrefs.h"
#include "settings/modRegistry.h"
#include "settings/modSupport.h"
#include "setup/formSensorSetup.h"

using namespace settingsvalues;

namespace modIni {

namespace {

// Read width large enough that no value the program writes is ever cut.
constexpr int kWholeValue = 65536;

// The hourglass pointer while the file is read or written.
class BusyCursor {
public:
    BusyCursor() {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::restoreOverrideCursor();
    }
};

// Writes keys of one section. A write the file refuses does not stop the others; it is counted
// so that the save reports it once at the end.
struct Writer {
    QString section;
    int* refused;
    void operator()(const QString& key, const QString& value) const {
        if (!WriteIni(section, key, value)) ++*refused;
    }
};

// Reads keys of one section into controls; a value that does not convert or that the control
// refuses gives the key's default, and the first such error is kept for the report.
struct Reader {
    QString section;
    QString* firstError;

    QString get(const QString& key, const QString& def) const { return ReadIni(section, key, def); }
    void assign(const QString& key, const QString& def,
                const std::function<void(const QString&)>& set) const {
        try {
            set(get(key, def));
        } catch (const rt::VbError& e) {
            if (firstError->isEmpty()) *firstError = e.description();
            assignOr(def, def, set);
        }
    }
    void text(QLineEdit* box, const QString& key, const QString& def) const { box->setText(get(key, def)); }
    void check(QCheckBox* box, const QString& key, const QString& def) const {
        assign(key, def, [box](const QString& t) { setCheck(box, t); });
    }
    void option(QRadioButton* opt, const QString& key, const QString& def) const {
        assign(key, def, [opt](const QString& t) { setOption(opt, t); });
    }
};

void saveSensorSetup(formSensorSetup& s, int* refused) {
    const Writer w{kSensorSetup, refused};
    writeThresholdKeys(s, w);
    w(QStringLiteral("optUseSMTP"), optionBoolText(s.optUseSMTP));
    writeLimitKeys(s, w);
    w(QStringLiteral("logdir"), rt::caption(s.lblLogDirectory));
    w(QStringLiteral("AutoConnect"), checkText(s.chkAutoConnectPrefs));
    w(QStringLiteral("chkAlwaysSendAlert"), checkText(s.chkAlwaysSendAlert));
    w(QStringLiteral("AutoConnectPrefs"), checkText(s.chkAutoConnectPrefs));
    w(QStringLiteral("chkLocalMonitoring"), checkText(s.chkLocalMonitoring));
    w(QStringLiteral("chkPlaceInStartup"), checkText(s.chkPlaceInStartup));
    w(QStringLiteral("chkUseAlerts"), checkText(s.chkUseAlerts));
    for (int n = 1; n <= 4; ++n) {
        w(numbered("chkEmailOnProx", n), checkText(s.chkEmailOnProx[n]));
        w(numbered("chkOnScreenOnProx", n), checkText(s.chkOnScreenOnProx[n]));
        w(QStringLiteral("PrefaceFiles"), s.txtPrefaceFiles->text());
    }
    w(QStringLiteral("MinOrSecs"), minOrSecsText(s.cmbMinOrSecs));
    writeUnitKey(s, w);
    for (int n = 1; n <= 4; ++n) {
        w(numbered("ProximityRunCommand", n), s.lblCommandOnProx[n]->text());
        w(numbered("ProximityRunCommandApproach", n), s.lblCommandOnProxApproach[n]->text());
        w(numbered("DelayEventUp", n), s.txtDelayEventUp[n]->text());
        w(numbered("DelayEventAway", n), s.txtDelayEventAway[n]->text());
        writeActionChain(s, n, w);
    }
}

void saveWindows(int* refused) {
    auto& mail = formEmailAlertSetup::instance();
    const Writer m{kEmailAlertSetup, refused};
    m(QStringLiteral("chkAuthenticationReq"), checkText(mail.chkAuthenticationReq));
    m(QStringLiteral("EmailAddress"), mail.txtEmailAddr->text());
    m(QStringLiteral("CCEmailAddress"), mail.txtCCEmailAddr->text());
    for (int i = 0; i < 4; ++i)
        m(QLatin1String(kIncludeKeys[i]), checkText(mail.chkInclude[i]));
    m(QStringLiteral("SMTPHostServer"), mail.txtSMTPHostServer->text());
    m(QStringLiteral("SMTPUserName"), mail.txtSMTPUserName->text());
    m(QStringLiteral("SMTPUserPassword"), mail.txtSMTPUserPassword->text());
    m(QStringLiteral("SMTPFromEmailAddress"), mail.txtMailFrom->text());

    auto& pager = formPagingTextMessage::instance();
    const Writer p{kPageAlertSetup, refused};
    p(QStringLiteral("NumToCall"), pager.txtNumToCall->text());
    p(QStringLiteral("NumToSend"), pager.txtNumToSend->text());

    auto& inet = formInternetSetup::instance();
    const Writer i{kInternetUpdateSetup, refused};
    i(QStringLiteral("RemoteDirectory"), inet.txtRemoteStorageLocation->text());
    i(QStringLiteral("ServerName"), inet.txtFTPURL->text());
    i(QStringLiteral("UserName"), inet.txtUserName->text());
    i(QStringLiteral("PW"), inet.txtPassword->text());
    i(QStringLiteral("SeeMessages"), checkText(inet.chkSeeMessages));
    i(QStringLiteral("optStayConnected"), optionBoolText(inet.optStayConnected));
    i(QStringLiteral("optConnectBeforeSend"), optionBoolText(inet.optConnectBeforeSend));
    i(QStringLiteral("txtTitleForUpdatePage"), inet.txtTitleforUpdatePage->text());
    i(QStringLiteral("UseDirectory"), checkText(inet.chkXMLUseDirectory));
    i(QStringLiteral("txtXMLDirectory"), inet.txtXMLDirectory->text());
    i(QStringLiteral("InternetInterval"), inet.txtInterval->text());
}

void loadSensorSetup(formSensorSetup& s, QString* firstError) {
    const Reader in{kSensorSetup, firstError};
    in.text(s.txtXMaxThresh, QStringLiteral("XMaxThresh"), QStringLiteral("1"));
    in.text(s.txtXMinThresh, QStringLiteral("XMinThresh"), QStringLiteral("0"));
    in.text(s.txtYMaxThresh, QStringLiteral("YMaxThresh"), QStringLiteral("1"));
    in.text(s.txtYMinThresh, QStringLiteral("YMinThresh"), QStringLiteral("0"));
    in.text(s.txtMinDistanceThresh, QStringLiteral("MinDistanceThresh"), QStringLiteral("30"));
    in.text(s.txtMaxDistanceThresh, QStringLiteral("MaxDistanceThresh"), QStringLiteral("100"));
    // An interval that is not a positive number would leave connected sensors unread.
    in.assign(QStringLiteral("ReadingInterval"), QStringLiteral("30"),
              [&s](const QString& t) { setReadingInterval(s.txtReadingInterval, t); });
    in.text(s.txtBinaryInterval, QStringLiteral("BinaryInterval"), QStringLiteral("500"));
    in.check(s.chkOutOfRangeAlert, QStringLiteral("CheckRange"), QStringLiteral("0"));
    for (int k : kAlertKinds)
        in.check(s.chkPageAlert[k], numbered("chkPageAlert", k), QStringLiteral("0"));
    for (int k : kAlertKinds)
        in.check(s.chkEmailAlert[k], numbered("chkEmailAlert", k), QStringLiteral("0"));
    for (int k : kAlertKinds)
        in.check(s.chkOnScreenAlert[k], numbered("chkOnScreenAlert", k), QStringLiteral("0"));
    in.text(s.txtHDDTotalAmount, QStringLiteral("HDDTotalAmount"), QStringLiteral("1000"));
    in.text(s.txtMaxFileSize, QStringLiteral("MaxFileSize"), QStringLiteral("1000"));
    // The file holds the SMTP option as a boolean; false chooses MAPI.
    in.assign(QStringLiteral("optUseSMTP"), QStringLiteral("1"),
              [&s](const QString& t) { rt::setOptionValue(toBool(t) ? s.optUseSMTP : s.optUseMAPI, true); });
    in.text(s.txtTempMax, QStringLiteral("TempMax"), QStringLiteral("80"));
    in.text(s.txtTempMin, QStringLiteral("TempMin"), QStringLiteral("40"));
    in.text(s.txtHumidMax, QStringLiteral("HumidMax"), QStringLiteral("60"));
    in.text(s.txtHumidMin, QStringLiteral("HumidMin"), QStringLiteral("20"));
    rt::setCaption(s.lblLogDirectory, in.get(QStringLiteral("logdir"), modPrefs::DefaultLogDir()));
    in.check(s.chkAutoConnectPrefs, QStringLiteral("AutoConnect"), QStringLiteral("0"));
    in.check(s.chkAlwaysSendAlert, QStringLiteral("chkAlwaysSendAlert"), QStringLiteral("0"));
    in.check(s.chkAutoConnectPrefs, QStringLiteral("AutoConnectPrefs"), QStringLiteral("0"));
    in.check(s.chkLocalMonitoring, QStringLiteral("chkLocalMonitoring"), QStringLiteral("0"));
    in.check(s.chkUseAlerts, QStringLiteral("chkUseAlerts"), QStringLiteral("0"));
    for (int n = 1; n <= 4; ++n) {
        in.check(s.chkEmailOnProx[n], numbered("chkEmailOnProx", n), QStringLiteral("0"));
        in.check(s.chkOnScreenOnProx[n], numbered("chkOnScreenOnProx", n), QStringLiteral("0"));
    }
    in.text(s.txtPrefaceFiles, QStringLiteral("PrefaceFiles"), QStringLiteral("_"));
    setMinOrSecs(s.cmbMinOrSecs, in.get(QStringLiteral("MinOrSecs"), QStringLiteral("Min")));
    const QString unit = in.get(QStringLiteral("ForC"), QStringLiteral("F"));
    if (unit == QLatin1String("F"))
        rt::setOptionValue(s.optCorF2, true);
    else if (unit == QLatin1String("C"))
        rt::setOptionValue(s.optCorF, true);

    const QString one = QStringLiteral("1"), zero = QStringLiteral("0");
    for (int n = 1; n <= 4; ++n) {
        in.text(s.txtDelayEventAway[n], numbered("DelayEventAway", n), QStringLiteral("10"));
        in.text(s.txtDelayEventUp[n], numbered("DelayEventUp", n), QStringLiteral("5"));
        // First pass: each of the first three options is chosen by "1" and cleared by "0".
        const std::pair<const char*, QRadioButton*> firstPass[3] = {
            {"optSysCommandDisabled", s.optSysCommandDisabled[n]},
            {"optLogoutOnProximity", s.optLogoutOnProximity[n]},
            {"optSystemLock", s.optSystemLock[n]},
        };
        for (const auto& [key, opt] : firstPass) {
            const QString v = in.get(numbered(key, n), opt == s.optSysCommandDisabled[n] ? one : zero);
            if (v == one)
                rt::setOptionValue(opt, true);
            else if (v == zero)
                rt::setOptionValue(opt, false);
        }
        // Second pass: the first option not stored as "0" decides.
        if (in.get(numbered("optSysCommandDisabled", n), zero) != zero) {
            rt::setOptionValue(s.optSysCommandDisabled[n], true);
        } else if (in.get(numbered("optLogoutOnProximity", n), zero) != zero) {
            rt::setOptionValue(s.optLogoutOnProximity[n], true);
            rt::setTag(s.optLogoutOnProximity[n], one);
        } else if (in.get(numbered("optSystemLock", n), zero) != zero) {
            rt::setOptionValue(s.optSystemLock[n], true);
        } else if (in.get(numbered("optRunCommand", n), zero) != zero) {
            rt::setTag(s.optRunCommand[n], zero);
            rt::setOptionValue(s.optRunCommand[n], true);
            rt::setTag(s.optRunCommand[n], one);
            const QString notSet = QStringLiteral("Path not set");
            in.text(s.lblCommandOnProx[n], numbered("ProximityRunCommand", n), notSet);
            in.text(s.lblCommandOnProxApproach[n], numbered("ProximityRunCommandApproach", n), notSet);
            if (isScreenSaverCommand(s.lblCommandOnProx[n]->text()) ||
                isScreenSaverCommand(s.lblCommandOnProxApproach[n]->text()))
                modSupport::iScreenSaverCmd = 1;
        }
    }
}

void loadWindows(QString* firstError) {
    const QString blank = QStringLiteral(" "), zero = QStringLiteral("0"), empty;

    auto& mail = formEmailAlertSetup::instance();
    const Reader m{kEmailAlertSetup, firstError};
    m.check(mail.chkAuthenticationReq, QStringLiteral("chkAuthenticationReq"), zero);
    m.text(mail.txtEmailAddr, QStringLiteral("EmailAddress"), blank);
    m.text(mail.txtCCEmailAddr, QStringLiteral("CCEmailAddress"), blank);
    for (int i = 0; i < 4; ++i)
        m.check(mail.chkInclude[i], QLatin1String(kIncludeKeys[i]), zero);
    m.text(mail.txtSMTPHostServer, QStringLiteral("SMTPHostServer"), blank);
    m.text(mail.txtSMTPUserName, QStringLiteral("SMTPUserName"), blank);
    m.text(mail.txtSMTPUserPassword, QStringLiteral("SMTPUserPassword"), empty);
    m.text(mail.txtMailFrom, QStringLiteral("SMTPFromEmailAddress"), empty);

    auto& pager = formPagingTextMessage::instance();
    const Reader p{kPageAlertSetup, firstError};
    p.text(pager.txtNumToCall, QStringLiteral("NumToCall"), blank);
    p.text(pager.txtNumToSend, QStringLiteral("NumToSend"), blank);

    auto& inet = formInternetSetup::instance();
    const Reader i{kInternetUpdateSetup, firstError};
    i.text(inet.txtRemoteStorageLocation, QStringLiteral("RemoteDirectory"), blank);
    i.text(inet.txtFTPURL, QStringLiteral("ServerName"), blank);
    i.text(inet.txtUserName, QStringLiteral("UserName"), blank);
    i.assign(QStringLiteral("InternetInterval"), QStringLiteral("10"), [&inet](const QString& t) {
        inet.txtInterval->setText(t);
        setSlider(inet.sliderInternetUpdateInterval, inet.txtInterval->text());
    });
    const QString pw = i.get(QStringLiteral("PW"), blank);
    if (pw != empty && pw != blank) {
        inet.txtPassword->setText(pw);
        rt::setCaption(inet.lblPasswordSetStatus, QStringLiteral("(Password is set)"));
    } else {
        rt::setCaption(inet.lblPasswordSetStatus, QStringLiteral("(Password is not set)"));
    }
    i.check(inet.chkSeeMessages, QStringLiteral("SeeMessages"), zero);
    i.option(inet.optStayConnected, QStringLiteral("optStayConnected"), zero);
    i.option(inet.optConnectBeforeSend, QStringLiteral("optConnectBeforeSend"), zero);
    i.text(inet.txtTitleforUpdatePage, QStringLiteral("txtTitleForUpdatePage"), blank);
    i.text(inet.txtXMLDirectory, QStringLiteral("txtXMLDirectory"), DefaultXmlDirectory());
    i.check(inet.chkXMLUseDirectory, QStringLiteral("UseDirectory"), zero);
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
        BusyCursor busy;
        try {
            saveSensorSetup(formSensorSetup::instance(), &refused);
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
        BusyCursor busy;
        modSupport::strINIPath = IniPathFromMachine();
        auto& s = formSensorSetup::instance();
        {
            modSupport::LoadGuard guard;
            loadSensorSetup(s, &firstError);
            loadWindows(&firstError);
            s.cmdSetInterval_Click();
        }
        rt::setTag(&CorvisentMain::instance(), QStringLiteral("0"));
    }
    if (!firstError.isEmpty()) rt::MsgBox(firstError, rt::vbOKOnly);
}

void IniErrorLog(const QString& marker, const QString& value) {
    WriteIni(kLogging, rt::TimeText() + marker, value);
}

} // namespace modIni
