#include "app/systray.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>

#include "app/CorvisentMain.h"
#include "platform/tray.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "setup/formSensorSetup.h"

bool bHooked = false;

namespace {

QWidget* g_hookedHwnd = nullptr;
QMetaObject::Connection g_hook;
bool g_addFailureReported = false;

// A round sensor picture: blue for the normal state, red with a mark for an alert.
QIcon drawIcon(bool alert) {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor fill = alert ? QColor(200, 20, 20) : QColor(20, 70, 190);
        p.setPen(QPen(fill.darker(150), qMax(1, size / 16)));
        p.setBrush(fill);
        const qreal m = size / 16.0;
        p.drawEllipse(QRectF(m, m, size - 2 * m, size - 2 * m));
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(int(size * 0.62));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, alert ? QStringLiteral("!") : QStringLiteral("C"));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// The window goes to the notification area: hidden while its icon is shown there, otherwise
// minimised, so that it can always be reached.
void leaveDesktop(QWidget* w) {
    if (platform::tray().shown()) w->hide();
    else w->showMinimized();
}

} // namespace

bool AddIconToTray(QWidget* /*hWnd*/, int /*iconId*/, const QIcon& icon, const QString& tip) {
    if (platform::tray().add(icon, tip)) return true;
    if (!g_addFailureReported) {
        g_addFailureReported = true;
        rt::MsgBox(QStringLiteral("Error in AddIconToTray"));
    }
    return false;
}

void RemoveIconFromTray() { platform::tray().remove(); }

void ChangeIconInTray(QWidget* /*hWnd*/, int /*unused*/, const QIcon& icon) { platform::tray().modify(icon); }

void Hook(QWidget* hWnd) {
    if (bHooked) return;
    g_hookedHwnd = hWnd;
    g_hook = QObject::connect(&platform::tray(), &platform::Tray::mouseMessage, hWnd,
                              [](int message) { WindowProc(g_hookedHwnd, kTrayCallbackMessage, 0, message); });
    bHooked = true;
}

void Unhook() {
    if (!bHooked) return;
    QObject::disconnect(g_hook);
    bHooked = false;
}

long WindowProc(QWidget* /*hWnd*/, int uMsg, long /*wParam*/, long lParam) {
    if (!bHooked) return 0;
    if (uMsg == kTrayCallbackMessage && lParam == platform::Tray::WM_RBUTTONDOWN) {
        CorvisentMain::instance().SysTrayMouseEventHandler();
        return -1;
    }
    return 0; // no other message of the icon is handled
}

QIcon CorvisentMain::ImageList1(int index) const {
    static const QIcon normal = drawIcon(false);
    static const QIcon alert = drawIcon(true);
    return index == 2 ? alert : normal;
}

void CorvisentMain::mnuPlaceInSysTray_Click() {
    try {
        rt::setOptionValue(formSensorSetup::instance().optSysTray, true);
        Hook(this);
        AddIconToTray(this, 0, windowIcon(), QString());
        leaveDesktop(this);
        mnuRemoveFromStartup->setEnabled(true);
        rt::setVisible(mnuRemoveFromStartup, true);
    } catch (const std::exception& e) {
        rt::MsgBox(QStringLiteral("PlaceInSysTray Error: ") + QString::fromStdString(e.what()));
    }
}

void CorvisentMain::mnuTakeOut_Click() {
    Unhook();
    showNormal();
    raise();
    activateWindow();
    RemoveIconFromTray();
}

void CorvisentMain::SysTrayMouseEventHandler() {
    activateWindow();
    SystemTray->popup(QCursor::pos());
}
