#include "cameras/ezVidCap.h"

#include <QPainter>

ezVidCap::ezVidCap(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
}

void ezVidCap::setDriverindex(int index) {
    m_driverIndex = index;
    update();
}

int ezVidCap::driverDisconnect() {
    const bool attached = m_driverIndex >= 0;
    m_driverIndex = -1;
    update();
    return attached ? 1 : 0;
}

void ezVidCap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(24, 24, 24));
    p.setPen(QColor(170, 170, 170));
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No camera"));
}
