#pragma once
#include <QString>
#include <QStringList>
#include <array>

#include "sensors/readingalerts.h"

// The alert decisions of each sensor kind, the proximity actions and the alert latches they keep:
// those the sensor code asks for are declared in sensors/readingalerts.h, the others here.
//
// Every decision notes its call in the call record below while a test has switched it on.

// ---- Accelerometer limit latches per row (places 0..10), places 1..8: one pair per limit, the
// alert latch then the back-to-normal latch: X minimum 1 and 2, X maximum 3 and 4, Y minimum 5 and
// 6, Y maximum 7 and 8.
extern std::array<std::array<bool, 9>, 11> bAccelAlert;

// 1 while the e-mail window sends its test mail.
extern int iTestMail;

// Clears every latch of every row.
void ClearAllAlertLatches();

// ---- Alert decisions.
// The alert (backToNormal false) or back-to-normal notices of one tilt limit, named "XMin",
// "XMax", "YMin" or "YMax".
void CheckAccelEvents(int row, int slot, bool backToNormal, const QString& limit);
// The distance alarm (backToNormal false) with its state text, or the back-to-normal notices.
void CheckDistanceEvents(int row, int slot, bool backToNormal, const QString& state);
// The proximity alert of the sensor of that kind at the row: alarm window with one sound, mail
// (SMTP at most once per few seconds), tray icon.
void CheckProximityEvents(int typeCode, int row);

// ---- Call record for tests: while switched on, one line per call of the checks (those of
// sensors/readingalerts.h too), as "CheckTThresh(72.5, 1, 3, 1, 0)". Off in the running program,
// so it never grows there.
QStringList& alertCallLog();
void setAlertCallRecording(bool on);
// Adds a line to the record while it is on.
void recordAlertCall(const char* name, const QStringList& args);
