#include "platform/privatefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "runtime/files.h"

namespace platform {

bool makePrivateFolder(const QString& dir) {
    if (QFileInfo(dir).isDir()) return true;
    return QDir().mkpath(dir) &&
           QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool writePrivateFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile f(path);
    // The mode is set on the new file before it takes the old one's place, so no reader ever sees
    // it open.
    const bool ok = f.open(QIODevice::WriteOnly) && f.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
                    f.write(bytes) == bytes.size() && rt::commitWhole(f);
    if (!ok && error) *error = f.errorString();
    return ok;
}

} // namespace platform
