#pragma once
#include <QString>

// The preference store: the per-user settings tree of the application, its sections and keys,
// loading the stored preferences into the setup windows, saving the setup dialog's preferences,
// and erasing the tree.
namespace modPrefs {

inline const QString kApp = QStringLiteral("Corvisent Manager");
inline const QString kProgramSetup = QStringLiteral("Program Setup");
inline const QString kInternetSetup = QStringLiteral("Program Setup\\Internet Setup");
// Key of the settings tree under HKEY_CURRENT_USER.
inline const QString kTreeKey = QStringLiteral("Software\\VB and VBA Program Settings\\Corvisent Manager");

// Reads a setting of the application, or the default when it is missing.
QString GetPref(const QString& section, const QString& key, const QString& defaultValue = QString());
// Stores a setting of the application, creating its section.
void SavePref(const QString& section, const QString& key, const QString& value);

// Copies the stored preferences into the setup dialog and the e-mail, pager and remote
// monitoring windows. A stored value that does not convert, or that its control refuses, gives
// that key's default; the load always finishes by applying the reading interval.
void LoadPrefs();

// Writes the setup dialog's preferences into "Program Setup" and the camera sections
// "Program Setup\Prox1".."Prox4".
void SavePrefs();

// Erases the device records and the "Program Setup" tree, then tells the user to restart.
void CleanOutRegistry();

// Default log folder: "logfiles" in the program's folder.
QString DefaultLogDir();

} // namespace modPrefs
