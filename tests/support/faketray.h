#pragma once
#include <QList>

#include "platform/tray.h"

// A notification area for tests: keeps the icon it is given, counts the calls, and lets the test
// press the mouse on the icon. Installs itself while it exists.
class FakeTray : public platform::Tray {
    Q_OBJECT
public:
    FakeTray();
    ~FakeTray() override;

    // Whether the desktop has a notification area (true unless the test says otherwise).
    bool trayAvailable = true;
    int adds = 0, modifies = 0, removes = 0;
    QString tip;

    bool available() const override { return trayAvailable; }
    bool add(const QIcon& icon, const QString& tipText) override;
    bool modify(const QIcon& icon) override;
    bool remove() override;
    bool shown() const override { return m_shown; }
    QIcon icon() const override { return m_icon; }

    // A mouse event on the icon (one of the MouseMessage numbers), as the desktop reports it.
    void press(int message) { emit mouseMessage(message); }

private:
    bool m_shown = false;
    QIcon m_icon;
};
