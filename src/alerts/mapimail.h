#pragma once
#include <QString>
#include <functional>

// Alert mail through the system's mail hand-off: the notice text, the sensor kind, the device
// row, the display slot and 1 for a back-to-normal notice. The text is taken now; the mail is
// handed over after the caller's handler has returned, in turn with the other alert channels.
// done tells whether the mail program took it (a failure's boxes are shown first).
void SendMail(const QString& text, int kind, int row, int slot, int backToNormal,
              std::function<void(bool sent)> done = {});
// The same mail asked for by an alert check: a mail that does not go is recorded in the e-mail
// status list or the mail log, and onFailed runs when the mail program did not take it.
void QueueMail(const QString& text, int kind, int row, int slot, int backToNormal, std::function<void()> onFailed = {});
