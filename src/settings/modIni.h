#pragma once
#include <QString>

// The INI settings mirror (the file named by modSupport::strINIPath): saving and loading the
// preferences of the four setup windows, and the "Logging" section used as an error log.
namespace modIni {

inline const QString kSensorSetup = QStringLiteral("Sensor Setup");
inline const QString kEmailAlertSetup = QStringLiteral("Email Alert Setup");
inline const QString kPageAlertSetup = QStringLiteral("Page Alert Setup");
inline const QString kInternetUpdateSetup = QStringLiteral("Internet Update Setup");
inline const QString kDeviceSetup = QStringLiteral("Device Setup");
inline const QString kLogging = QStringLiteral("Logging");
inline const QString kDefaultIniName = QStringLiteral("corvisent.ini");

// The settings file named by the machine value "INIPath", or "corvisent.ini" when it is empty or
// missing.
QString IniPathFromMachine();

// Reads a key of the settings file whole (no stored value is cut), or the default.
QString ReadIni(const QString& section, const QString& key, const QString& defaultValue);
// Writes a key of the settings file; false when the file cannot be written.
bool WriteIni(const QString& section, const QString& key, const QString& value);

// Writes the preferences of the setup windows into the settings file. Every key is attempted;
// when the file refused any write, one message says so at the end.
void SaveSettingsINI();

// Sets the settings file by the machine value's rule and loads the preferences from it. A value
// that does not convert gives that key's default; the first such error is reported once the
// load is done.
void LoadSettingsINI();

// Adds one error log entry: key = the time of day followed by the handler's marker.
void IniErrorLog(const QString& marker, const QString& value);

} // namespace modIni
