#include "cameras/camdrivers.h"

#include "app/pending.h"

void CheckCamDrivers() { recordPendingCall(QStringLiteral("CheckCamDrivers()")); }
