#include "app/CorvisentMain.h"

void CorvisentMain::MSCommA_OnComm(int) {}
