// The summary camera view. The body comes with the camera control; until then no camera is moved.
#include "app/CorvisentMain.h"

void CorvisentMain::SwitchToVideo0(int, int) {}
