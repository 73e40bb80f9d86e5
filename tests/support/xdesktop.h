#pragma once
#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <QWindow>
#include <sys/types.h>

// A desktop of its own for the tests of focus and stacking, which Qt's offscreen platform cannot
// show: an Xvfb display on a free number with the jwm window manager (click to focus, Alt+F6 shades
// the active window). Made before the application, which then runs on it (QT_QPA_PLATFORM and
// DISPLAY are set), and ended after the application is gone.
class XDesktop {
public:
    XDesktop();
    ~XDesktop();
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    // Why there can be no desktop (the application then runs offscreen); empty when Xvfb and jwm
    // are installed.
    QString missing() const { return m_missing; }
    // Waits until the window manager runs on the display; needs the application. False when the
    // desktop did not start.
    bool waitForWindowManager() const;
    // Starts the window manager anew with the keyboard following the pointer (its default), or
    // with click to focus again; the windows stay. False when it did not come back.
    bool setFocusFollowsPointer(bool on);

    // The client window that has the keyboard, 0 for none.
    static WId activeWindow();
    // Whether the window manager stacks window upper above window lower (their frames, as the
    // X server holds them).
    static bool stackedAbove(WId upper, WId lower);
    // The first window titled title, 0 for none.
    static WId windowNamed(const QString& title);
    // Asks the window manager to give window the keyboard, as a task switcher does.
    static void activate(WId window);
    // One click of the left mouse button at a point of the screen.
    static void click(QPoint at);
    // Moves the mouse pointer to a point of the screen.
    static void movePointer(QPoint at);
    // Rolls the active window up to its title bar, as the window manager's key for it does.
    static void shadeActive();
    // Minimises window, as its title bar's button does.
    static void minimize(WId window);
    // Whether window shows whole on the screen: mapped, neither shaded nor minimised.
    static bool shownWhole(WId window);

private:
    // The window manager's configuration: click to focus, or focus following the pointer.
    bool writeConfig(bool focusFollowsPointer) const;
    void startWindowManager();

    QTemporaryDir m_dir;
    pid_t m_xvfb = 0;
    pid_t m_jwm = 0;
    QString m_missing;
};
