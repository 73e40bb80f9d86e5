#pragma once
#include <QIcon>
#include <QObject>
#include <QString>

namespace platform {

// The program's icon in the desktop's notification area. The real backend uses the desktop's
// status notifier through QSystemTrayIcon; tests install a fake, since headless displays have no
// notification area.
class Tray : public QObject {
    Q_OBJECT
public:
    // Mouse events on the icon, numbered as the window mouse messages.
    enum MouseMessage : int {
        WM_MOUSEMOVE = 512,
        WM_LBUTTONDOWN = 513,
        WM_LBUTTONUP = 514,
        WM_LBUTTONDBLCLK = 515,
        WM_RBUTTONDOWN = 516,
        WM_RBUTTONUP = 517,
        WM_MBUTTONDOWN = 519,
    };

    // Whether the desktop has a notification area now.
    virtual bool available() const = 0;
    // Shows the icon with its tip text (replacing what it showed); false when there is no
    // notification area to show it in.
    virtual bool add(const QIcon& icon, const QString& tip) = 0;
    // Changes the picture of the icon shown; false when no icon is shown.
    virtual bool modify(const QIcon& icon) = 0;
    // Removes the icon; false when none was shown.
    virtual bool remove() = 0;
    virtual bool shown() const = 0;
    // The picture of the icon shown (or last shown).
    virtual QIcon icon() const = 0;

signals:
    // A mouse event on the icon, as one of the MouseMessage numbers.
    void mouseMessage(int message);
};

// The tray in use: the desktop's unless a test installed another (nullptr restores it).
Tray& tray();
void setTray(Tray* t);

} // namespace platform
