#include "app/CorvisentMain.h"

void CorvisentMain::MSCommW_OnComm(int) {}
void CorvisentMain::WaterTimer_Timer(int) {}
