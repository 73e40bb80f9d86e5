#include "publish/updateengine.h"

#include "app/pending.h"
#include "publish/formInternetSetup.h"

void StartInternetUpdateEngine() { recordPendingCall(QStringLiteral("StartInternetUpdateEngine()")); }

void formInternetSetup::cmdStartUpdate_Click() {
    recordPendingCall(QStringLiteral("formInternetSetup.cmdStartUpdate_Click()"));
}

void formInternetSetup::timerInternetUpdate_Timer() {
    recordPendingCall(QStringLiteral("formInternetSetup.timerInternetUpdate_Timer()"));
}
