#include "settings/modRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "settings/setupcontrols.h"

using platform::Hive;
using platform::Registry;
using platform::RegValue;

namespace modRegistry {

QStringList strCamInfoKeys;
QStringList strEnumKeys;

namespace {

const QString kXpKey = QStringLiteral("SOFTWARE\\Microsoft\\Updates\\Windows XP\\");

QString withoutTrailingSeparators(QString key) {
    while (key.endsWith(QLatin1Char('\\')))
        key.chop(1);
    return key;
}

bool isRunValue(Hive root, const QString& subkey, const QString& valueName) {
    return root == HKEY_LOCAL_MACHINE &&
           withoutTrailingSeparators(subkey).compare(kRunKey, Qt::CaseInsensitive) == 0 &&
           valueName.compare(kRunValue, Qt::CaseInsensitive) == 0;
}

// Quotes one argument of a desktop entry's Exec line and escapes it for the entry's value syntax.
QString execArgument(const QString& arg) {
    QString quoted;
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    QString out = QStringLiteral("\"");
    for (QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('%'))
            out += QStringLiteral("%%");
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            out += QLatin1Char(' ');
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

void writeAutostartEntry(const QString& command) {
    const QString path = AutostartEntryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Corvisent Manager\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(execArgument(command));
    rt::writeFileWhole(path, text.toUtf8()); // a failed write keeps the previous entry
}

void removeAutostartEntry() {
    QFile::remove(AutostartEntryPath());
}

} // namespace

QString RunValueText() {
    return rt::appFile(kRunValue);
}

QString AutostartEntryPath() {
    QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart/CorvisentMan.desktop");
}

short CheckForXP() {
    try {
        return Registry::instance().keyExists(HKEY_LOCAL_MACHINE, kXpKey) ? 1 : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

QString GetStringFromRegKey(Hive root, const QString& subkey, const QString& valueName,
                            const QString& defaultText) {
    RegValue v;
    if (Registry::instance().queryValue(root, subkey, valueName, &v) != platform::ERROR_SUCCESS)
        return defaultText;
    if (v.type != platform::REG_SZ) return defaultText;
    return Registry::stringOf(v).value_or(defaultText);
}

QString GetStringFromReg(const QString& subkey, const QString& valueName, const QString& defaultText) {
    return GetStringFromRegKey(HKEY_LOCAL_MACHINE, subkey, valueName, defaultText);
}

void SaveStringToReg(Hive root, const QString& subkey, const QString& valueName, const QString& value) {
    Registry::instance().setString(root, subkey, valueName, value, platform::REG_SZ);
    if (isRunValue(root, subkey, valueName)) writeAutostartEntry(value);
}

bool DeleteRegValue(const QString& subkey, const QString& valueName) {
    Registry& reg = Registry::instance();
    bool deleted = false;
    if (reg.keyExists(HKEY_LOCAL_MACHINE, subkey))
        deleted = reg.deleteValue(HKEY_LOCAL_MACHINE, subkey, valueName) == platform::ERROR_SUCCESS;
    if (isRunValue(HKEY_LOCAL_MACHINE, subkey, valueName)) removeAutostartEntry();
    return deleted;
}

short EnumRegSubKeys(Hive root, const QString& subkey, int selector) {
    try {
        Registry& reg = Registry::instance();
        if (!reg.keyExists(root, subkey)) return 0;
        const QStringList found = reg.subKeys(root, subkey);
        if (!found.isEmpty()) {
            if (selector == 1)
                strCamInfoKeys = found;
            else if (selector == 2)
                strEnumKeys = found;
        }
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

QString GetBinaryFromReg(const QString& subkey, const QString& valueName) {
    Registry& reg = Registry::instance();
    if (!reg.keyExists(HKEY_LOCAL_MACHINE, subkey)) return QString();
    RegValue v;
    const long rc = reg.queryValue(HKEY_LOCAL_MACHINE, subkey, valueName, &v);
    // The value is read into a four-byte number: anything wider does not fit.
    if (rc != platform::ERROR_SUCCESS || v.data.size() > 4) {
        rt::MsgBox(QStringLiteral("Error in GetBinaryFromReg"));
        return QString();
    }
    uchar bytes[4] = {0, 0, 0, 0};
    for (int i = 0; i < v.data.size(); ++i)
        bytes[i] = static_cast<uchar>(v.data.at(i));
    return QString::number(qFromLittleEndian<qint32>(bytes));
}

void UpdateComDB() {
    try {
        const QString result = GetBinaryFromReg(
            QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter"), QStringLiteral("ComDB"));
        rt::MsgBox(QStringLiteral("Results = ") + result);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("There was an error in UpdateComDB"), rt::vbInformation);
    }
}

QString GetCurrentCameraDriverName(short row) {
    try {
        if (rt::value(SensorSetupControls::instance().chkMultiCamEnabled) != 1) return QString();
        return platform::GetSetting(QStringLiteral("Corvisent Manager"),
                                    QStringLiteral("PortConfig\\Devices\\%1\\").arg(row),
                                    QStringLiteral("DriverName"));
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("There was an error in GetCurrentCameraDriverName, modRegistry"));
        return QString();
    }
}

} // namespace modRegistry
