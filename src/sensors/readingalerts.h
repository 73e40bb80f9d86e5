#pragma once
#include <QString>
#include <array>

#include "runtime/task.h"

// The alert decisions that a reading or a line event of a device row asks for, and the alert
// latches that connecting and disconnecting a row clear. The decisions are made by the alert code
// (src/alerts/, which declares the rest of it in alerts/alertchecks.h). The latches are kept per
// device row, so that two sensors of one kind never share an alert.

// ---- Alert latches, per device row (places 0..10; place 0 unused).
extern std::array<bool, 11> bTempMailSent;    // temperature alert mail sent for this excursion
extern std::array<bool, 11> bTempScreenShown; // temperature on-screen alarm given
extern std::array<bool, 11> bHumidMailSent;
extern std::array<bool, 11> bHumidScreenShown;
extern std::array<bool, 11> bDistAlertSent;  // distance alarm given
extern std::array<bool, 11> bWaterAlertOn;   // "Water Detected" given
extern std::array<bool, 11> bWaterClearSent; // "Water is no longer detected" given

// Sets all eight accelerometer latches of the row (rows outside 1..10 are ignored).
void SetAccelAlertFlags(bool value, int row);

// ---- Alert decisions. Arguments as the sensor handlers pass them.
// Temperature (kind 1) and humidity (kind 2) checks of one reading; with combined 1 the reading
// belongs to a combined sensor whose temperature half shows on row + 1. The temperature check
// gives 1 after a reading out of range, else 0.
int CheckTThresh(const QString& reading, int kind, int row, int slot, int combined);
void CheckHThresh(const QString& reading, int kind, int row, int slot, int combined);
// Accelerometer tilt check of one X/Y pair: each text counts by the number it starts with.
void CheckAThresh(const QString& x, const QString& y, int row, int slot);
// A bump of an accelerometer in bump mode: alerts every time.
void CheckBumpEvents(int row, int slot);
// Water found (waterGone false) or gone (true).
void CheckWaterEvents(int row, int slot, bool waterGone);
// The row's reading is back in range (for a water sensor: dry): the alarm window no longer names
// its sensor, whether or not a back-to-normal notice goes out.
void SensorBackInRange(int row);
// Distance threshold check of one distance reading (the number before "cm", or "No Object").
void CheckDThresh(const QString& line, int row, int slot);
// "Object has gone out of range" alert of a distance sensor.
void CheckOutOfRangeEvents(int row, int slot);
// Proximity actions: cameraRef 0 = log-off request, 99 = alert request, otherwise the linked
// camera; typeCode 3 (proximity) or 9 (distance); index = the proximity event index. The log-off
// and the camera's picture are waited for apart from the caller.
rt::Task<> ProcessProximityEvent(int cameraRef, int typeCode, int index);
// Saves the start-up state, puts the program into the session start-up and logs the user off.
rt::Task<> ForceLogOff();
