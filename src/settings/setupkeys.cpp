#include "settings/setupkeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <stdexcept>

#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "settings/controlvalues.h"
#include "settings/modIni.h"
#include "settings/modPrefs.h"
#include "settings/modSupport.h"
#include "settings/setupcontrols.h"
#include "settings/setupwindows.h"

namespace settingsvalues {

namespace {

constexpr Repeat Event = Repeat::Event;
constexpr Repeat Kind = Repeat::Kind;
constexpr Repeat Camera = Repeat::Camera;
constexpr Repeat Once = Repeat::Once;

// The tree's loader and the file's loader fall back to different defaults for the accelerometer
// minimums, the range switch, the log folder limit, the humidity maximum and the proximity
// delays; and for a proximity event with no stored action the file's loader chooses "no action",
// where the tree's leaves the panel as it was.
// clang-format off
constexpr SetupKey kRows[] = {
    // control                     key                            tree                   INI
    {"txtXMaxThresh",              "XMaxThresh",                  both("1"),             both("1")},
    {"txtXMinThresh",              "XMinThresh",                  both("-1"),            both("0")},
    {"txtYMaxThresh",              "YMaxThresh",                  both("1"),             both("1")},
    {"txtYMinThresh",              "YMinThresh",                  both("-1"),            both("0")},
    {"chkOutOfRangeAlert",         "CheckRange",                  both("1"),             both("0")},
    {"txtMinDistanceThresh",       "MinDistanceThresh",           both("30"),            both("30")},
    {"txtMaxDistanceThresh",       "MaxDistanceThresh",           both("100"),           both("100")},
    // The interval handlers store these as the controls change; the setup window's own reads of
    // the stored reading interval (its load, the unit list) fall back to "15".
    {"txtReadingInterval",         "ReadingInterval",             alsoByHandler(both("30")), both("30")},
    {"txtBinaryInterval",          "BinaryInterval",              alsoByHandler(both("500")), both("500")},
    {"chkPageAlert",               "chkPageAlert",                both("0"),             both("0"),        Kind},
    {"chkEmailAlert",              "chkEmailAlert",               both("0"),             both("0"),        Kind},
    {"chkOnScreenAlert",           "chkOnScreenAlert",            both("0"),             both("0"),        Kind},
    {"txtHDDTotalAmount",          "HDDTotalAmount",              both("10000"),         both("1000")},
    {"txtMaxFileSize",             "MaxFileSize",                 both("1000"),          both("1000")},
    // The tree's "9" (nothing stored) chooses SMTP like "1".
    {"optUseSMTP",                 "optUseSMTP",                  both("9"),             both("1"),        Once, Form::MailOption},
    {"optUseMAPI",                 "optUseMAPI",                  writeOnly(),           absent(),         Once, Form::TrueFalse},
    // Start-up reads the tree's limits: all four fall back to its defaults when "TempMax" is empty.
    {"txtTempMax",                 "TempMax",                     writeOnly("80"),       both("80")},
    {"txtTempMin",                 "TempMin",                     writeOnly("40"),       both("40")},
    {"txtHumidMax",                "HumidMax",                    writeOnly("70"),       both("60")},
    {"txtHumidMin",                "HumidMin",                    writeOnly("20"),       both("20")},
    // Start-up reads the tree's unit as well; nothing stored chooses neither option.
    {"optCorF2",                   "ForC",                        writeOnly(""),         both("F"),        Once, Form::Unit},
    {"chkEmailOnProx",             "chkEmailOnProx",              both("0"),             both("0"),        Event},
    // One on-screen proximity switch under two names: the tree's and the file's.
    {"chkOnScreenOnProx",          "chkOnScreenProx",             both("0"),             absent(),         Event},
    {"chkOnScreenOnProx",          "chkOnScreenOnProx",           absent(),              both("0"),        Event},
    {"txtPrefaceFiles",            "PrefaceFiles",                both("_"),             both("_")},
    {"chkCamMonitorOnly",          "chkCamMon",                   writeOnly(),           absent(),         Camera},
    {"chkCamUseProxim",            "chkCamUseProx",               writeOnly(),           absent(),         Camera},
    {"chkProximSnapCam",           "chkProxSnapCam",              writeOnly(),           absent(),         Camera},
    // The camera options' own handlers keep these, outside the OK pass.
    {"chkCamMonitorOnly",          "MonitorOnly",                 handlerOnly(),         absent(),         Camera, Form::Plain, "Camera Setup\\%1\\"},
    {"chkCamUseProxim",            "CamUseProxim",                handlerOnly(),         absent(),         Camera, Form::Plain, "Camera Setup\\%1\\"},
    {"chkProximSnapCam",           "chkProximSnapCam",            handlerOnly(),         absent(),         Camera, Form::Plain, "Program Setup"},
    {"txtDelayEventAway",          "DelayEventAway",              both("0"),             both("10"),       Event},
    {"txtDelayEventUp",            "DelayEventUp",                both("0"),             both("5"),        Event},
    {"lblUpParams",                "lblUpParams",                 both(""),              absent(),         Event},
    {"lblAwayParams",              "lblAwayParams",               both(""),              absent(),         Event},
    // The action options; the file's loader reads them twice, first with these defaults, then
    // with "0" to find the first one stored as chosen.
    {"optSysCommandDisabled",      "optSysCommandDisabled",       both("0"),             both("1"),        Event},
    {"optLogoutOnProximity",       "optLogoutOnProximity",        both("0"),             both("0"),        Event},
    {"optSystemLock",              "optSystemLock",               both("0"),             both("0"),        Event},
    {"optRunCommand",              "optRunCommand",               both("0"),             both("0"),        Event},
    {"lblCommandOnProx",           "ProximityRunCommand",         both("Path not set"),  both("Path not set"), Event},
    {"lblCommandOnProxApproach",   "ProximityRunCommandApproach", both("Path not set"),  both("Path not set"), Event},
    // Start-up reads the tree's auto-connect switch.
    {"chkAutoConnectPrefs",        "AutoConnect",                 writeOnly("0"),        both("0")},
    // Settings whose own handlers store them as they change.
    {"cmbMinOrSecs",               "MinOrSecs",                   alsoByHandler(both("Min")), both("Min"), Once, Form::MinOrSecs},
    {"chkAlwaysSendAlert",         "chkAlwaysSendAlert",          both("0"),             both("0")},
    {"chkUseAlerts",               "chkUseAlerts",                alsoByHandler(both("0")), both("0")},
    {"chkLocalMonitoring",         "chkLocalMonitoring",          both("0"),             both("0")},
    {"chkCloseFileAfterWrite",     "CloseFileAfterWrite",         alsoByHandler(both("0")), absent()},
    {"lblLogDirectory",            "logdir",                      both(kLogFolder),      both(kLogFolder)},
    {"chkPlaceInStartup",          "chkPlaceInStartup",           alsoByHandler(both("0")), writeOnly()},
    {"optionNumericalPager",       "optionNumeric",               both("1"),             absent()},
    {"optionPhonePager",           "optionPhone",                 both("0"),             absent()},
    // The file keeps the auto-connect switch twice; in the tree only the switch's handler keeps
    // this second copy.
    {"chkAutoConnectPrefs",        "AutoConnectPrefs",            handlerOnly(),         both("0")},
};

// A key no control holds, stored and read by its own code; def is the reader's default.
constexpr Use kept(const char* def = nullptr) {
    return {true, def != nullptr, def};
}
constexpr SetupKey state(const char* key, Use tree, const char* treeSection = nullptr, Use ini = absent(),
                         const char* iniSection = nullptr) {
    return {nullptr, key, tree, ini, Once, Form::Plain, treeSection, Window::SensorSetup, iniSection};
}

constexpr SetupKey kStateRows[] = {
    //    key                 tree           tree section                      INI         INI section
    // "1": the next start goes to the notification area (a forced log-off, start with the session).
    state("SavedState",       kept("Error")),
    // Written by a first run, read by nothing.
    state("SensSetTag",       kept()),
    // The device counters; a file count that is missing reads "00", which is not "0".
    state("TotalDevices",     kept("0"),     nullptr,                          kept("00"), "Device Setup"),
    state("TotalCameras",     kept("")),
    // One summary switch for every camera.
    state("chkSendToSummary", kept("0")),
    state("ModemInitString",  kept()),
    // Remote monitoring was running when the program last stopped.
    state("AutoStartIUE",     kept("0"),     "Program Setup\\Internet Setup"),
};

constexpr SetupKey mail(const char* control, const char* key, Use tree, Use ini, Form form = Form::Plain) {
    return {control, key, tree, ini, Once, form, nullptr, Window::Mail};
}
constexpr SetupKey pager(const char* control, const char* key, Use tree, Use ini) {
    return {control, key, tree, ini, Once, Form::Plain, nullptr, Window::Pager};
}
constexpr SetupKey inet(const char* control, const char* key, Use tree, Use ini, Form form = Form::Plain) {
    return {control, key, tree, ini, Once, form, nullptr, Window::Internet};
}

// The other setup windows. For a key not stored, the tree's loader leaves most boxes empty and
// titles the update page "Location#1", where the file's puts a blank (" ") in them; the e-mail
// include switches start on from the tree and off from the file.
constexpr SetupKey kWindowRows[] = {
    //   control                     key                       tree                           INI
    mail("txtEmailAddr",             "EmailAddress",           both(""),                      both(" ")),
    mail("txtCCEmailAddr",           "CCEmailAddress",         both(""),                      both(" ")),
    mail("chkInclude(0)",            "IncludeTimeDate",        both("1"),                     both("0"),  Form::MailCheck),
    mail("chkInclude(1)",            "IncludeReading",         both("1"),                     both("0"),  Form::MailCheck),
    mail("chkInclude(2)",            "IncludeName",            both("1"),                     both("0"),  Form::MailCheck),
    mail("chkInclude(3)",            "IncludeInSubject",       both("1"),                     both("0"),  Form::MailCheck),
    mail("txtSMTPHostServer",        "SMTPHostServer",         both(""),                      both(" ")),
    mail("txtSMTPUserName",          "SMTPUserName",           both(""),                      both(" ")),
    mail("txtSMTPUserPassword",      "SMTPUserPassword",       both(""),                      both("")),
    mail("txtMailFrom",              "SMTPFromEmailAddress",   both(""),                      both("")),
    mail("chkAuthenticationReq",     "chkAuthenticationReq",   alsoByHandler(both("0")),      both("0"),  Form::MailCheck),
    // The window reads its login type itself as it is made.
    mail("cmbLoginType",             "cmbLoginType",           writeOnly("0"),                absent(),   Form::ListIndex),
    pager("txtNumToCall",            "NumToCall",              both(" "),                     both(" ")),
    pager("txtNumToSend",            "NumToSend",              both(" "),                     both(" ")),
    pager("txtPhoneNumber",          "NumToSendPhone",         both(" "),                     absent()),
    pager("comboAvailCom",           "IndexForModem",          both("1"),                     absent()),
    inet("txtRemoteStorageLocation", "RemoteDirectory",        both(""),                      both(" ")),
    inet("txtFTPURL",                "ServerName",             both(""),                      both(" ")),
    inet("txtUserName",              "UserName",               both(""),                      both(" ")),
    inet("txtPassword",              "PW",                     both(""),                      both(" ")),
    inet("chkSeeMessages",           "SeeMessages",            both("0"),                     both("0")),
    inet("optStayConnected",         "optStayConnected",       both("0"),                     both("0"),  Form::TrueFalse),
    inet("optConnectBeforeSend",     "optConnectBeforeSend",   writeOnly(),                   both("0"),  Form::TrueFalse),
    inet("txtTitleforUpdatePage",    "txtTitleForUpdatePage",  both("Location#1"),            both(" ")),
    inet("txtXMLDirectory",          "txtXMLDirectory",        both(kStatusFolder),           both(kStatusFolder)),
    inet("chkXMLUseDirectory",       "UseDirectory",           alsoByHandler(both("0")),      both("0")),
    inet("lblIndexRefreshRate",      "HtmlRefresh",            both("20"),                    absent()),
    // The window's save leaves the interval to the slider's handler.
    inet("txtInterval",              "InternetInterval",       alsoByHandler(readOnly("10")), both("10")),
    // The tree's loader stores the local-directory switch under the control's name as well.
    inet("chkXMLUseDirectory",       "chkXMLUseDirectory",     writeOnly(),                   absent()),
};
// clang-format on

QWidget& windowOf(Window window) {
    switch (window) {
    case Window::Mail:
        return EmailAlertSetupWindow();
    case Window::Pager:
        return PagingSetupWindow();
    case Window::Internet:
        return InternetSetupControls::instance().form();
    case Window::SensorSetup:
        break;
    }
    return SensorSetupControls::instance().form();
}

// The store keeps the key: some code writes it or reads it.
bool held(const Use& use) {
    return use.written || use.read || use.byHandler;
}

// The rows from first to last of the table that holds them.
std::span<const SetupKey> rangeOf(const char* first, const char* last) {
    for (const std::span<const SetupKey> rows : {setupKeys(), windowKeys()}) {
        const auto named = [](const char* key) { return [key](const SetupKey& r) { return qstrcmp(r.key, key) == 0; }; };
        const auto from = std::find_if(rows.begin(), rows.end(), named(first));
        if (from == rows.end()) continue;
        const auto to = std::find_if(from, rows.end(), named(last));
        if (to == rows.end()) break;
        return {from, to + 1};
    }
    rt::programmingError(std::string("no range ") + first + ".." + last);
}

} // namespace

std::span<const SetupKey> setupKeys() {
    return kRows;
}

std::span<const SetupKey> windowKeys() {
    return kWindowRows;
}

std::span<const SetupKey> stateKeys() {
    return kStateRows;
}

const SetupKey& setupKey(const char* key) {
    for (const std::span<const SetupKey> rows : {setupKeys(), windowKeys(), stateKeys()})
        for (const SetupKey& row : rows)
            if (qstrcmp(row.key, key) == 0) return row;
    rt::programmingError(std::string("no setting ") + key);
}

QList<int> numbersOf(Repeat repeat) {
    switch (repeat) {
    case Repeat::Once:
        return {0};
    case Repeat::Kind:
        return QList<int>(std::begin(kAlertKinds), std::end(kAlertKinds));
    case Repeat::Event:
    case Repeat::Camera:
        break;
    }
    return {1, 2, 3, 4};
}

QString keyName(const SetupKey& row, int n) {
    // A camera's number is in its section, not in its keys.
    if (row.repeat == Repeat::Once || row.repeat == Repeat::Camera) return QLatin1String(row.key);
    return numbered(row.key, n);
}

QString sectionOf(const SetupKey& row, int n, Store store) {
    const bool tree = store == Store::Tree;
    switch (row.window) {
    case Window::Mail:
        return tree ? modPrefs::kProgramSetup : modIni::kEmailAlertSetup;
    case Window::Pager:
        return tree ? modPrefs::kProgramSetup : modIni::kPageAlertSetup;
    case Window::Internet:
        return tree ? modPrefs::kInternetSetup : modIni::kInternetUpdateSetup;
    case Window::SensorSetup:
        break;
    }
    if (!tree) return row.iniSection ? QString::fromLatin1(row.iniSection) : modIni::kSensorSetup;
    if (row.treeSection) {
        const QString section = QLatin1String(row.treeSection);
        return section.contains(QLatin1String("%1")) ? section.arg(n) : section;
    }
    if (row.repeat == Repeat::Camera) return modPrefs::kProgramSetup + QStringLiteral("\\Prox%1").arg(n);
    return modPrefs::kProgramSetup;
}

QWidget* controlOf(const SetupKey& row, int n) {
    if (!row.control) rt::programmingError(std::string("no control holds ") + row.key);
    const QString name = row.repeat == Repeat::Once
                             ? QString::fromLatin1(row.control)
                             : QStringLiteral("%1(%2)").arg(QLatin1String(row.control)).arg(n);
    auto* w = windowOf(row.window).findChild<QWidget*>(name);
    if (!w) rt::programmingError("no control " + name.toStdString());
    return w;
}

QString defaultOf(const SetupKey& row, Store store) {
    const Use& use = store == Store::Tree ? row.tree : row.ini;
    if (use.def && qstrcmp(use.def, kLogFolder) == 0) return modPrefs::DefaultLogDir();
    if (use.def && qstrcmp(use.def, kStatusFolder) == 0) return rt::DefaultXmlDirectory();
    return QString::fromLatin1(use.def);
}

std::optional<QString> storedText(const SetupKey& row, int n, Store store) {
    QWidget* w = controlOf(row, n);
    switch (row.form) {
    case Form::Unit: {
        const auto& s = SensorSetupControls::instance();
        if (rt::optionValue(s.optCorF2)) return QStringLiteral("F");
        if (rt::optionValue(s.optCorF)) return QStringLiteral("C");
        return std::nullopt;
    }
    case Form::MinOrSecs:
        return minOrSecsText(qobject_cast<QComboBox*>(w));
    case Form::TrueFalse:
        return optionBoolText(qobject_cast<QRadioButton*>(w));
    case Form::MailOption:
        return store == Store::Tree ? optionText(qobject_cast<QRadioButton*>(w))
                                    : optionBoolText(qobject_cast<QRadioButton*>(w));
    case Form::MailCheck:
        if (store == Store::Tree) return tickedText(qobject_cast<QCheckBox*>(w));
        break;
    case Form::ListIndex:
        return QString::number(qMax(0, qobject_cast<QComboBox*>(w)->currentIndex()));
    case Form::Plain:
        break;
    }
    if (auto* box = qobject_cast<QCheckBox*>(w)) return checkText(box);
    if (auto* option = qobject_cast<QRadioButton*>(w)) return optionText(option);
    if (auto* list = qobject_cast<QComboBox*>(w)) return list->currentText();
    return rt::caption(w);
}

void assignText(const SetupKey& row, int n, const QString& text) {
    QWidget* w = controlOf(row, n);
    if (row.form == Form::Unit) {
        auto& s = SensorSetupControls::instance();
        if (text == QLatin1String("F"))
            rt::setOptionValue(s.optCorF2, true);
        else if (text == QLatin1String("C"))
            rt::setOptionValue(s.optCorF, true);
    } else if (row.form == Form::MinOrSecs) {
        setMinOrSecs(qobject_cast<QComboBox*>(w), text);
    } else if (row.form == Form::ListIndex) {
        rt::programmingError(std::string("the window reads back ") + row.key);
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
        setCheck(box, text);
    } else if (auto* option = qobject_cast<QRadioButton*>(w)) {
        setOption(option, text);
    } else if (auto* list = qobject_cast<QComboBox*>(w)) {
        list->setCurrentText(text);
    } else {
        rt::setCaption(w, text);
    }
}

namespace {

const SetupKey& handlerStoredKey(const char* key) {
    const SetupKey& row = setupKey(key);
    if (!row.tree.byHandler) rt::programmingError(std::string("not stored by its handler: ") + key);
    return row;
}

void storeControl(const SetupKey& row, int n) {
    if (const std::optional<QString> text = storedText(row, n, Store::Tree))
        modPrefs::SavePref(sectionOf(row, n, Store::Tree), keyName(row, n), *text);
}

} // namespace

void storeFromHandler(const char* key, int n) {
    const SetupKey& row = handlerStoredKey(key);
    if (modSupport::loading()) return;
    storeControl(row, n);
}

void storeApplied(const char* key) {
    storeControl(handlerStoredKey(key), 0);
}

void storeFromHandler(const char* key, int n, const QString& text) {
    const SetupKey& row = setupKey(key);
    if (!held(row.tree)) rt::programmingError(std::string("not a key of the tree: ") + key);
    if (modSupport::loading()) return;
    modPrefs::SavePref(sectionOf(row, n, Store::Tree), keyName(row, n), text);
}

QString readKey(Store store, const char* key, int n) {
    return readKey(store, key, n, defaultOf(setupKey(key), store));
}

QString readKey(Store store, const char* key, int n, const QString& def) {
    const SetupKey& row = setupKey(key);
    if (!held(store == Store::Tree ? row.tree : row.ini))
        rt::programmingError(std::string("not a key of this store: ") + key);
    const QString section = sectionOf(row, n, store), name = keyName(row, n);
    return store == Store::Tree ? modPrefs::GetPref(section, name, def) : modIni::ReadIni(section, name, def);
}

void saveKey(Store store, const char* key, const QString& value, int n) {
    const SetupKey& row = setupKey(key);
    if (!held(store == Store::Tree ? row.tree : row.ini))
        rt::programmingError(std::string("not a key of this store: ") + key);
    const QString section = sectionOf(row, n, store), name = keyName(row, n);
    if (store == Store::Tree)
        modPrefs::SavePref(section, name, value);
    else
        modIni::WriteIni(section, name, value);
}

QString storedKey(const char* key, int n) {
    return keyName(setupKey(key), n);
}

SetupWriter treeWriterKeepingOn() {
    return SetupWriter(Store::Tree, [](const QString& section, const QString& key, const QString& value) {
        rt::passOver([&] { modPrefs::SavePref(section, key, value); });
    });
}

void SetupWriter::write(const SetupKey& row, int n) const {
    const Use& use = m_store == Store::Tree ? row.tree : row.ini;
    if (!use.written) rt::programmingError(std::string("not a stored setting: ") + row.key);
    if (const std::optional<QString> text = storedText(row, n, m_store))
        m_sink(sectionOf(row, n, m_store), keyName(row, n), *text);
}

void SetupWriter::put(std::initializer_list<const char*> keys) const {
    for (const char* key : keys) {
        const SetupKey& row = setupKey(key);
        for (int n : numbersOf(row.repeat))
            write(row, n);
    }
}

void SetupWriter::put(std::initializer_list<const char*> keys, int n) const {
    for (const char* key : keys) {
        const SetupKey& row = setupKey(key);
        write(row, row.repeat == Repeat::Once ? 0 : n);
    }
}

void SetupWriter::putRange(const char* first, const char* last) const {
    for (const SetupKey& row : rangeOf(first, last)) {
        if (!(m_store == Store::Tree ? row.tree : row.ini).written) continue;
        for (int n : numbersOf(row.repeat))
            write(row, n);
    }
}

void SetupWriter::actionChain(int n) const {
    for (const char* key : {"optSysCommandDisabled", "optLogoutOnProximity", "optSystemLock", "optRunCommand"}) {
        const SetupKey& row = setupKey(key);
        write(row, n);
        if (!rt::optionValue(qobject_cast<QRadioButton*>(controlOf(row, n)))) continue;
        if (qstrcmp(key, "optRunCommand") == 0) put({"ProximityRunCommand", "ProximityRunCommandApproach"}, n);
        break;
    }
}

QString SetupReader::get(const char* key, int n) const {
    const SetupKey& row = setupKey(key);
    return get(key, n, settingsvalues::defaultOf(row, m_store));
}

QString SetupReader::get(const char* key, int n, const QString& def) const {
    const SetupKey& row = setupKey(key);
    const Use& use = m_store == Store::Tree ? row.tree : row.ini;
    if (!use.read && !use.def) rt::programmingError(std::string("not a setting read back: ") + key);
    return m_source(sectionOf(row, n, m_store), keyName(row, n), def);
}

QString SetupReader::defaultOf(const char* key) const {
    return settingsvalues::defaultOf(setupKey(key), m_store);
}

void SetupReader::assign(const char* key, int n, const std::function<void(const QString&)>& set) const {
    try {
        set(get(key, n));
        return;
    } catch (const rt::VbError& e) {
        if (m_refused) m_refused(e);
    }
    try {
        set(defaultOf(key));
    } catch (const rt::VbError&) {
        // a default the control refuses too changes nothing
    }
}

void SetupReader::load(std::initializer_list<const char*> keys) const {
    for (const char* key : keys) {
        const SetupKey& row = setupKey(key);
        for (int n : numbersOf(row.repeat))
            assign(key, n, [&row, n](const QString& t) { assignText(row, n, t); });
    }
}

void SetupReader::load(std::initializer_list<const char*> keys, int n) const {
    for (const char* key : keys) {
        const SetupKey& row = setupKey(key);
        const int k = row.repeat == Repeat::Once ? 0 : n;
        assign(key, k, [&row, k](const QString& t) { assignText(row, k, t); });
    }
}

void SetupReader::loadRange(const char* first, const char* last) const {
    for (const SetupKey& row : rangeOf(first, last)) {
        if (!(m_store == Store::Tree ? row.tree : row.ini).read) continue;
        for (int n : numbersOf(row.repeat))
            assign(row.key, n, [&row, n](const QString& t) { assignText(row, n, t); });
    }
}

} // namespace settingsvalues
