// Port events, timer ticks and the disconnect display of the main window. The bodies come with
// the polling and event handling of each sensor kind; until then the events are ignored.
#include "app/CorvisentMain.h"

void CorvisentMain::Timer1_Timer(int) {}
void CorvisentMain::cmdDisconnectSensor_Click(int) {}
