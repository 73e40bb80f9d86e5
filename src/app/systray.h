#pragma once
#include <QIcon>
#include <QString>

class QWidget;

// The program's icon in the notification area and the hook through which the icon's mouse
// messages reach the main window.

// Callback message of the icon; the mouse event comes as its lParam.
constexpr int kTrayCallbackMessage = 517;

// True while the main window receives the icon's messages through WindowProc.
extern bool bHooked;

// Shows the icon (again) with the given picture and tip text. False when the desktop has no
// notification area; that is reported once per run ("Error in AddIconToTray").
bool AddIconToTray(QWidget* hWnd, int iconId, const QIcon& icon, const QString& tip);
// Removes the icon.
void RemoveIconFromTray();
// Changes the icon's picture (the second argument is not used); nothing happens while no icon is
// shown.
void ChangeIconInTray(QWidget* hWnd, int unused, const QIcon& icon);
// Routes the icon's messages to WindowProc; a second Hook while hooked does nothing.
void Hook(QWidget* hWnd);
void Unhook();
// The main window's handling of the icon's messages: a right-button press on the icon opens the
// notification-area menu and gives -1; every other message is passed on (0).
long WindowProc(QWidget* hWnd, int uMsg, long wParam, long lParam);
