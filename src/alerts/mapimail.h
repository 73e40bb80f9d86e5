#pragma once
#include <QString>

// Alert mail through the system's mail hand-off: the notice text, the sensor kind, the device
// row, the display slot and 1 for a back-to-normal notice. False when the mail was not sent.
bool SendMail(const QString& text, int kind, int row, int slot, int backToNormal);
