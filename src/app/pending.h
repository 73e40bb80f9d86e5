#pragma once
#include <QString>
#include <QStringList>

// Calls into windows and procedures of the program whose work is not built yet. Their bodies
// record each call here as one line ("CheckCamDrivers()") and do nothing else, so that callers
// can already be followed; the owners replace the bodies. The record keeps only the latest
// kPendingCallsKept calls, so a long run never grows it.
constexpr int kPendingCallsKept = 100;
QStringList& pendingCallLog();
void recordPendingCall(const QString& call);
