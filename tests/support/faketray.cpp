#include "support/faketray.h"

FakeTray::FakeTray() { platform::setTray(this); }

FakeTray::~FakeTray() { platform::setTray(nullptr); }

bool FakeTray::add(const QIcon& icon, const QString& tipText) {
    ++adds;
    if (!trayAvailable) return false;
    m_icon = icon;
    tip = tipText;
    m_shown = true;
    return true;
}

bool FakeTray::modify(const QIcon& icon) {
    ++modifies;
    if (!m_shown) return false;
    m_icon = icon;
    return true;
}

bool FakeTray::remove() {
    ++removes;
    const bool was = m_shown;
    m_shown = false;
    return was;
}
