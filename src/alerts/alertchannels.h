#pragma once
#include <QString>
#include <functional>

class QCheckBox;

// The notification channels an alert decision raises, shared by the checks of every kind.

// A switch of an alert row counts as on only when it is ticked and enabled ("Disable All
// Alerts" silences a channel by disabling its box).
bool SwitchOn(const QCheckBox* box);

// Tray: while the notification-area option is selected, shows the alert picture (image 2) and
// marks the tray as alerted.
void ShowTrayAlertIcon();
// Tray: while the option is selected and the tray was not alerted, shows the normal picture.
// Once alerted, the tray keeps the alert picture.
void ShowTrayNormalIcon();

// Starts the alarm sound looping when "Local Audible Alert" is on.
void StartAlarmSound();
// Each alarm window call below shows the window with the name of the device row's sensor and the
// time; an alarm lists the row among the sensors the window names, a back-to-normal notice takes
// it off.

// Alarm window: writes text into the alarm label (appending ", " + text when it holds other kinds
// already), shows it and the window, and starts the sound.
void RaiseAlarmWindow(int row, const QString& text);
// Alarm window for a back-to-normal notice: an empty alarm label gets backText and the "ALERT!"
// banner is hidden; otherwise the label is replaced by text. Shows the window and the sound.
void RaiseBackToNormalWindow(int row, const QString& text, const QString& backText);

// Alarm window with its label replaced by text; showBanner shows the "ALERT!" banner, otherwise
// it stays as it is. Starts no sound.
void ShowAlarmText(int row, const QString& text, bool showBanner = false);
// Alarm window for a back-to-normal notice: the label replaced by text, the banner hidden. Starts
// no sound.
void ShowBackToNormalText(int row, const QString& text);

// The mail and pager options chosen on the setup window.
bool MapiMailChosen();
bool SmtpMailChosen();
// The telephone option decides the page (the numeric option is not chosen).
bool PhonePagerChosen();

// Alert mail by the chosen path (MAPI first, then SMTP); nothing when neither is chosen. True
// when the mail was handed over: queued for the mail program, or given to the SMTP control. The
// mail program's hand-off runs after the caller's handler has returned; onFailed runs when the
// mail program did not take it.
bool SendAlertMail(const QString& text, int kind, int row, int slot, int backToNormal,
                   std::function<void()> onFailed = {});
// Page or telephone call by the chosen pager option (numeric first), run after the caller's
// handler has returned; done gets the page's result (0 done, 1 failed) and is not called without a
// pager option.
void SendAlertPage(int row, int kind, std::function<void(int)> done = {});
