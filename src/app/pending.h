#pragma once
#include <QString>
#include <QStringList>

// Calls into windows and procedures of the program whose work is not built yet. Their bodies
// record each call here as one line ("CheckCamDrivers()") and do nothing else, so that callers
// can already be followed; the owners replace the bodies.
QStringList& pendingCallLog();
void recordPendingCall(const QString& call);
