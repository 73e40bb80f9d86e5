#include "platform/tray.h"

#include <QSystemTrayIcon>

namespace platform {

namespace {

class DesktopTray : public Tray {
public:
    bool available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    bool add(const QIcon& icon, const QString& tip) override {
        if (!available()) return false;
        if (!m_icon) {
            m_icon = new QSystemTrayIcon(this);
            connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Context: emit mouseMessage(WM_RBUTTONDOWN); break;
                case QSystemTrayIcon::Trigger: emit mouseMessage(WM_LBUTTONDOWN); break;
                case QSystemTrayIcon::DoubleClick: emit mouseMessage(WM_LBUTTONDBLCLK); break;
                case QSystemTrayIcon::MiddleClick: emit mouseMessage(WM_MBUTTONDOWN); break;
                default: break;
                }
            });
        }
        m_icon->setIcon(icon);
        m_icon->setToolTip(tip);
        m_icon->show();
        return m_icon->isVisible();
    }

    bool modify(const QIcon& icon) override {
        if (!shown()) return false;
        m_icon->setIcon(icon);
        return true;
    }

    bool remove() override {
        if (!shown()) return false;
        m_icon->hide();
        return true;
    }

    bool shown() const override { return m_icon && m_icon->isVisible(); }
    QIcon icon() const override { return m_icon ? m_icon->icon() : QIcon(); }

private:
    QSystemTrayIcon* m_icon = nullptr;
};

Tray* g_installed = nullptr;

} // namespace

Tray& tray() {
    static DesktopTray* desktop = new DesktopTray;
    return g_installed ? *g_installed : *desktop;
}

void setTray(Tray* t) { g_installed = t; }

} // namespace platform
