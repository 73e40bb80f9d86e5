#pragma once
#include <QString>

namespace rt {

// The application folder: the executable's folder, or $CORVISENT_APP_DIR when set.
// Returned in native form without a trailing separator.
QString appPath();
// Joins the application folder and a file or folder name with the native separator.
QString appFile(const QString& name);
// The folder offered for the status files when none is set: a folder of the program's own under
// the user's data folder (made by the status-file writer on first use).
QString DefaultXmlDirectory();

} // namespace rt
