#include "app/pending.h"

QStringList& pendingCallLog() {
    static QStringList calls;
    return calls;
}

void recordPendingCall(const QString& call) { pendingCallLog().append(call); }
