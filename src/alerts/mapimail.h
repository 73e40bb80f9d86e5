#pragma once
#include <QString>
#include <functional>

// Alert mail through the system's mail hand-off: the notice text, the sensor kind, the device
// row, the display slot and 1 for a back-to-normal notice. False when the mail was not sent.
bool SendMail(const QString& text, int kind, int row, int slot, int backToNormal);
// The same mail asked for by an alert check: its text is taken now and it is handed over after
// the check's handler has returned, in turn with the other waiting channels. onFailed runs when it
// was not sent (its boxes shown as above).
void QueueMail(const QString& text, int kind, int row, int slot, int backToNormal, std::function<void()> onFailed = {});
