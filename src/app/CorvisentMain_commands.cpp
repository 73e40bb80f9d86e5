// Sensor mode, sensitivity and calibration commands of the main window. The bodies come with the
// command family of the accelerometer and distance sensors; until then the buttons and popup
// entries that call them do nothing.
#include "app/CorvisentMain.h"

void CorvisentMain::cmdCalibrate_Click(int) {}
void CorvisentMain::mnuPopupCalibrate_Click() {}
void CorvisentMain::CalibrateOnConnection(int, int) {}
void CorvisentMain::cmdSetBumpSens_Click(int) {}
void CorvisentMain::cmdSensD_Click(int) {}
void CorvisentMain::mnuPopupSetSensitivity_Click() {}
void CorvisentMain::cmdSetToBump_Click(int) {}
void CorvisentMain::cmdSetToProximityMode_Click(int) {}
void CorvisentMain::mnuPopUpSetToBinaryMode_Click() {}
void CorvisentMain::mnuPopupSetProximityMode_Click() {}
void CorvisentMain::StartInBumpMode(int) {}
void CorvisentMain::StartInProximityMode(int) {}
