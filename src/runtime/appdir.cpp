#include "runtime/appdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace rt {

QString appPath() {
    QString dir = qEnvironmentVariable("CORVISENT_APP_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    QString native = QDir::toNativeSeparators(QDir::cleanPath(dir));
    while (native.size() > 1 && native.endsWith(QDir::separator()))
        native.chop(1);
    return native;
}

QString appFile(const QString& name) { return appPath() + QDir::separator() + name; }

QString DefaultXmlDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/corvisent-manager/status");
}

} // namespace rt
