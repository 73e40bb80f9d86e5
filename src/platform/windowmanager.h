#pragma once

class QWindow;

namespace platform {

// Requests to the desktop's window manager that Qt has no call for. Under X11 they are the
// window manager's standard requests (EWMH); on other platforms, and before the window is shown,
// they do nothing.

// Shows window whole again when the person rolled it up to its title bar (shaded).
void unshade(QWindow* window);
// Stacks window directly below the window that has the keyboard, when that belongs to another
// program, leaving the keyboard where it is and window above the windows it was above. The window
// must not be kept above others. Nothing is done when no window of another program has the
// keyboard.
void stepBehindActive(QWindow* window);

} // namespace platform
