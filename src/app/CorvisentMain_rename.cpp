// Renaming a sensor from the main window. The bodies come with the rename dialog; until then the
// popup entry and the name double-clicks do nothing.
#include "app/CorvisentMain.h"

void CorvisentMain::mnuPopupRename_Click() {}
void CorvisentMain::lblTempDeviceName_DblClick(int) {}
void CorvisentMain::lblHumidDeviceName_DblClick(int) {}
