#pragma once
#include <QString>
#include <QStringList>

#include "platform/registry.h"

// Access to the registry values that live outside the per-user settings tree: the program's
// machine values, the session start-up (Run) value, the serial port arbiter's database, the hub
// driver's enumerator keys and the camera driver's keys. Each call opens, does one thing, closes.
namespace modRegistry {

inline constexpr platform::Hive HKEY_CURRENT_USER = platform::Hive::CurrentUser;
inline constexpr platform::Hive HKEY_LOCAL_MACHINE = platform::Hive::LocalMachine;

// Machine key of the program and its values.
inline const QString kMachineKey = QStringLiteral("SOFTWARE\\Corvisent Manager");
inline const QString kIniPathValue = QStringLiteral("INIPath");
inline const QString kAutologoutValue = QStringLiteral("Autologout");
// The start-with-the-session value.
inline const QString kRunKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
inline const QString kRunValue = QStringLiteral("CorvisentMan");

// Subkey names found by EnumRegSubKeys: selector 1 fills the camera list, selector 2 the hub's.
extern QStringList strCamInfoKeys;
extern QStringList strEnumKeys;

// 1 when the Windows XP updates key exists, 2 when opening it reports an invalid handle, else 0.
short CheckForXP();

// Text of a REG_SZ value up to its first NUL; the default for a missing key or value or any other
// value type.
QString GetStringFromRegKey(platform::Hive root, const QString& subkey, const QString& valueName,
                            const QString& defaultText = QString());
QString GetStringFromReg(const QString& subkey, const QString& valueName,
                         const QString& defaultText = QString());

// Writes a REG_SZ value, creating the key. Writing the Run value also writes the session
// autostart entry that makes the program start with the desktop session.
void SaveStringToReg(platform::Hive root, const QString& subkey, const QString& valueName,
                     const QString& value);

// Deletes a value under HKEY_LOCAL_MACHINE; true only when it existed and was deleted. Deleting
// the Run value also removes the session autostart entry.
bool DeleteRegValue(const QString& subkey, const QString& valueName);

// Appends the subkey names of the key to the list chosen by the selector (1 camera keys, 2 hub
// enumerator keys), replacing the list when at least one is found. 1 when the key was opened.
short EnumRegSubKeys(platform::Hive root, const QString& subkey, int selector);

// Reads a value of at most four bytes as a signed 32-bit number, as decimal text; empty text when
// the key cannot be opened, and after the message "Error in GetBinaryFromReg" when the read fails.
QString GetBinaryFromReg(const QString& subkey, const QString& valueName);

// Shows the serial port arbiter's database value.
void UpdateComDB();

// The stored capture-driver name of a camera row, only while multi-camera support is ticked.
QString GetCurrentCameraDriverName(short row);

// The text the Run value holds: the program's folder, the separator and "CorvisentMan".
QString RunValueText();

// Path of the session autostart entry kept in step with the Run value
// ($XDG_CONFIG_HOME/autostart/CorvisentMan.desktop).
QString AutostartEntryPath();

} // namespace modRegistry
