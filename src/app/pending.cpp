#include "app/pending.h"

QStringList& pendingCallLog() {
    static QStringList calls;
    return calls;
}

void recordPendingCall(const QString& call) {
    QStringList& calls = pendingCallLog();
    calls.append(call);
    if (calls.size() > kPendingCallsKept) calls.remove(0, calls.size() - kPendingCallsKept);
}
