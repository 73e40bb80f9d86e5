#include "publish/updateengine.h"

#include "app/pending.h"

void StartInternetUpdateEngine() { recordPendingCall(QStringLiteral("StartInternetUpdateEngine()")); }
