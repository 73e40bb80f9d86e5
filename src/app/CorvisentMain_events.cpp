// Port events, timer ticks and the disconnect display of the main window. The bodies come with
// the polling and event handling of each sensor kind; until then the events are ignored.
#include "app/CorvisentMain.h"

void CorvisentMain::MSCommP_OnComm(int) {}
void CorvisentMain::MSCommW_OnComm(int) {}
void CorvisentMain::MSCommA_OnComm(int) {}
void CorvisentMain::MSCommD_OnComm(int) {}
void CorvisentMain::Timer1_Timer(int) {}
void CorvisentMain::WaterTimer_Timer(int) {}
void CorvisentMain::cmdDisconnectSensor_Click(int) {}
