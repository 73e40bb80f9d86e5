#include "app/CorvisentMain.h"

void CorvisentMain::MSCommD_OnComm(int) {}
