#pragma once
#include <QByteArray>
#include <QString>

namespace platform {

// The settings files hold the mail and FTP passwords: they and their folder are kept for their
// owner alone.

// Creates the folder with its missing parents; a folder made here is open to its owner only.
bool makePrivateFolder(const QString& dir);
// Replaces the file with bytes in one step, readable and writable by its owner only (a file that
// others could read before is closed to them too). A write cut short (a full disk) leaves the old
// file; *error then says why.
bool writePrivateFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace platform
