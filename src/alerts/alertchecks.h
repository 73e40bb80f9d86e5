#pragma once
#include <QString>
#include <QStringList>
#include <array>

// The alert decisions of each sensor kind, the proximity actions and the alert latches they keep.
// The latches are kept per device row, so that two sensors of one kind never share an alert.
//
// Every decision notes its call in the call record below while a test has switched it on.

// ---- Alert latches, per device row (places 0..10; place 0 unused).
extern std::array<bool, 11> bTempMailSent;    // temperature alert mail sent for this excursion
extern std::array<bool, 11> bTempScreenShown; // temperature on-screen alarm given
extern std::array<bool, 11> bHumidMailSent;
extern std::array<bool, 11> bHumidScreenShown;
extern std::array<bool, 11> bDistAlertSent;  // distance alarm given
extern std::array<bool, 11> bWaterAlertOn;   // "Water Detected" given
extern std::array<bool, 11> bWaterClearSent; // "Water is no longer detected" given
// Accelerometer limit latches per row, places 1..8: one pair per limit, the alert latch then the
// back-to-normal latch: X minimum 1 and 2, X maximum 3 and 4, Y minimum 5 and 6, Y maximum 7 and 8.
extern std::array<std::array<bool, 9>, 11> bAccelAlert;

// 1 while the e-mail window sends its test mail.
extern int iTestMail;

// Sets all eight accelerometer latches of the row (rows outside 1..10 are ignored).
void SetAccelAlertFlags(bool value, int row);
// Clears every latch of every row.
void ClearAllAlertLatches();

// ---- Alert decisions. Arguments as the sensor handlers pass them.
// Temperature (kind 1) and humidity (kind 2) checks of one reading; with combined 1 the reading
// belongs to a combined sensor whose temperature half shows on row + 1. The temperature check
// gives 1 after a reading out of range, else 0.
int CheckTThresh(const QString& reading, int kind, int row, int slot, int combined);
void CheckHThresh(const QString& reading, int kind, int row, int slot, int combined);
// Accelerometer tilt check of one X/Y pair: each text counts by the number it starts with.
void CheckAThresh(const QString& x, const QString& y, int row, int slot);
// The alert (backToNormal false) or back-to-normal notices of one tilt limit, named "XMin",
// "XMax", "YMin" or "YMax".
void CheckAccelEvents(int row, int slot, bool backToNormal, const QString& limit);
// A bump of an accelerometer in bump mode: alerts every time.
void CheckBumpEvents(int row, int slot);
// Water found (waterGone false) or gone (true).
void CheckWaterEvents(int row, int slot, bool waterGone);
// Distance threshold check of one distance reading (the number before "cm", or "No Object").
void CheckDThresh(const QString& line, int row, int slot);
// The distance alarm (backToNormal false) with its state text, or the back-to-normal notices.
void CheckDistanceEvents(int row, int slot, bool backToNormal, const QString& state);
// "Object has gone out of range" alert of a distance sensor.
void CheckOutOfRangeEvents(int row, int slot);
// Proximity actions: cameraRef 0 = log-off request, 99 = alert request, otherwise the linked
// camera; typeCode 3 (proximity) or 9 (distance); index = the proximity event index.
void ProcessProximityEvent(int cameraRef, int typeCode, int index);
// The proximity alert of the sensor of that kind at the row: alarm window with one sound, mail
// (SMTP at most once per few seconds), tray icon.
void CheckProximityEvents(int typeCode, int row);
// Saves the start-up state, puts the program into the session start-up and logs the user off.
void ForceLogOff();

// ---- Call record for tests: while switched on, one line per call of the checks above, as
// "CheckTThresh(72.5, 1, 3, 1, 0)". Off in the running program, so it never grows there.
QStringList& alertCallLog();
void setAlertCallRecording(bool on);
// Adds a line to the record while it is on.
void recordAlertCall(const char* name, const QStringList& args);
