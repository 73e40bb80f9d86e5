#pragma once
#include <QString>

namespace platform {

// Settings files in the Windows profile (INI) format: "[section]" lines and "key=value" lines,
// written as UTF-8 text; a file that is not valid UTF-8 (written before, or by a single-byte editor)
// is read one character per byte. Section and key names compare case-insensitively; the first match wins.

// Where a settings file lives: a bare file name ("corvisent.ini") is taken from the registry's
// settings folder, a name with a folder is used as given.
QString iniFilePath(const QString& file);

// What the profile reader returns into a buffer of `width` characters: at most width - 1
// characters of the value. A missing file, section or key gives the default with its trailing
// blanks removed (cut the same way).
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int width, const QString& file);

// Replaces the key's line or adds it to its section, creating the section and the file when
// needed; the rest of the file, its comments and line ends stay as they were. A null value
// deletes the key, a null key the whole section. False when the file cannot be written.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

} // namespace platform
