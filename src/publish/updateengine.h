#pragma once
#include <QString>

#include "runtime/task.h"

// Logs in to the FTP server of the remote monitoring settings and starts the scheduled updates.
rt::Task<> StartInternetUpdateEngine();

// Copies a file; with failIfExists false an older copy at the destination is replaced.
bool CopyFileBool(const QString& source, const QString& destination, bool failIfExists);
