#include "app/CorvisentMain.h"

void CorvisentMain::MSCommP_OnComm(int) {}
