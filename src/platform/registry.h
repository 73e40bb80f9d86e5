#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// The two registry hives the program uses. Each is kept in one text file in the registry export
// format ("HKEY_CURRENT_USER.reg", "HKEY_LOCAL_MACHINE.reg") in the settings folder.
enum class Hive { CurrentUser, LocalMachine };

// Value types, numbered as the registry numbers them.
enum RegType : int {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

// A value as stored: its type and its raw bytes. A string's bytes are UTF-8 text and normally
// end in one NUL; a value written by hand may lack it or hold NULs inside.
struct RegValue {
    int type = REG_NONE;
    QByteArray data;
};

// Error codes the open and query operations report, numbered as the registry numbers them.
enum RegError : long {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259
};

// Access to the hives. Key paths are relative to the hive root, "\"-separated; names of keys and
// values compare case-insensitively and keep the case they were created with; a trailing "\"
// names the same key. Every change is saved at once and atomically.
class Registry {
public:
    static Registry& instance();

    // Folder of the hive files: $XDG_CONFIG_HOME/corvisent-manager (default
    // ~/.config/corvisent-manager). Setting it drops what was loaded; tests point it at a
    // temporary folder.
    QString folder() const;
    void setFolder(const QString& dir);
    // Re-reads both hive files from disk.
    void reload();
    // Full path of a hive's file.
    QString filePath(Hive hive) const;
    // The last problem met with the hive files (a file that could not be read or parsed, a save
    // that failed), empty when there was none. A damaged file is never overwritten: it is renamed
    // to "<name>.bad-<date>-<time>" before the first save replaces it.
    QString errorText() const;
    // One text per damaged hive file kept aside since the last call, naming the file, what was
    // wrong, where it was kept and what was loaded; a damaged file not yet kept aside is copied
    // aside now. Empty when there is nothing to tell.
    QStringList takeDamageNotices();

    bool keyExists(Hive hive, const QString& key);
    // Opens or creates the key and its missing parents.
    long createKey(Hive hive, const QString& key);
    // ERROR_SUCCESS with the value, or ERROR_FILE_NOT_FOUND for a missing key or value.
    long queryValue(Hive hive, const QString& key, const QString& name, RegValue* out);
    std::optional<RegValue> value(Hive hive, const QString& key, const QString& name);
    // Creates the key when missing. setString stores the text followed by one NUL.
    long setValue(Hive hive, const QString& key, const QString& name, const RegValue& v);
    long setString(Hive hive, const QString& key, const QString& name, const QString& text,
                   int type = REG_SZ);
    long deleteValue(Hive hive, const QString& key, const QString& name);
    // Deletes the key with all its subkeys and values.
    long deleteKey(Hive hive, const QString& key);
    // Direct subkeys and value names, in the order they were created.
    QStringList subKeys(Hive hive, const QString& key);
    QStringList valueNames(Hive hive, const QString& key);

    // Text of a REG_SZ value up to its first NUL, the whole data when it has none (UTF-8, or one
    // character per byte for bytes that are not UTF-8); std::nullopt for a value of any other type.
    static std::optional<QString> stringOf(const RegValue& v);

private:
    Registry();
    struct Impl;
    Impl* d;
};

// The text of a hive file (its bytes as on disk) read and written back the way a save writes it;
// *error gets the first problem met while reading, empty when there was none. Lets the reader and
// the writer be checked without touching the hive files.
QByteArray RewriteHiveText(const QByteArray& fileBytes, Hive hive, QString* error);

// The per-user settings functions, kept under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>.
QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value);
// Without a key, deletes the section with everything under it.
void DeleteSetting(const QString& app, const QString& section, const QString& key = QString());

} // namespace platform
