// Port services of the add-device window: whether a COM port exists, the port list, and the
// identity probe of the sensor on the chosen port.
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QStandardItemModel>
#include <QStyle>

#include "devices/formAddDevice.h"
#include "platform/comports.h"
#include "platform/mscomm.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "sensors/modCorvisent.h"
#include "sensors/sensorkinds.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"

QString formAddDevice::ComDeviceName(int port) {
    return (port <= 9 ? QStringLiteral("COM") : QStringLiteral("//./COM")) + QString::number(port);
}

bool formAddDevice::COMAvailable(int port) {
    // The port is opened and closed again at once; it is never kept.
    return platform::comDeviceExists(ComDeviceName(port));
}

void formAddDevice::MakeComPortList(int) {
    cmbComNum->clear();
    auto* lines = qobject_cast<QStandardItemModel*>(cmbComNum->model());
    int firstFree = -1;
    for (int port = 1; port <= 19; ++port) {
        if (!COMAvailable(port)) continue;
        if (RowUsingPort(port) == 0) {
            if (firstFree < 0) firstFree = cmbComNum->count();
            cmbComNum->addItem(QString::number(port));
            continue;
        }
        cmbComNum->addItem(QString::number(port) + kConfiguredMark);
        lines->item(cmbComNum->count() - 1)->setEnabled(false);
    }
    // The drop-down opens as wide as its longest line, so that the mark is read whole; the box
    // itself keeps its size.
    QAbstractItemView* list = cmbComNum->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    cmbComNum->setCurrentIndex(firstFree);
}

// While an Identify runs: a second one does nothing, so that it never closes the port under the
// first, and the window unloaded meanwhile is destroyed only once the probe has ended, as the
// probe's port is the window's.
struct formAddDevice::IdentifyRun {
    explicit IdentifyRun(formAddDevice& window) : w(window) { w.m_identifying = true; }
    ~IdentifyRun() {
        w.m_identifying = false;
        if (w.m_destroyAfterIdentify) w.deleteLater();
    }
    IdentifyRun(const IdentifyRun&) = delete;
    IdentifyRun& operator=(const IdentifyRun&) = delete;
    formAddDevice& w;
};

bool formAddDevice::event(QEvent* event) {
    if (event->type() == QEvent::DeferredDelete && m_identifying) {
        m_destroyAfterIdentify = true;
        return true;
    }
    return QDialog::event(event);
}

rt::Task<> formAddDevice::cmdIdentify_Click() {
    if (m_identifying) co_return;
    const IdentifyRun run(*this);
    rt::Hourglass hourglass;
    platform::MSCommControl* port = MSCommIdentify;
    const QString portText = cmbComNum->currentText();
    // The row a device identified here would be added into: once another device takes it, the
    // answer is no longer wanted.
    const modSupport::RowExchange exchange(FindFirstAvailable(false));
    try {
        port->setCommPort(int(rt::Val(portText)));
        // The accelerometer's line settings.
        modSupport::SetLine(port, modSupport::SensorKindOf(modSupport::typeAccel)->line);
        port->setPortOpen(true);
        QString reply;
        platform::MSCommControl::EventHold hold(port);
        for (int attempt = 0; attempt < 4 && reply.isEmpty() && port->portOpen(); ++attempt) {
            port->setOutput(QStringLiteral("i\r"));
            co_await modCorvisent::AwaitReply(port, 2000, &exchange);
            if (!exchange.same()) break;
            reply = platform::ansiText(port->input());
        }
        if (!exchange.same()) {
            // ends quietly; the port is closed below
        } else if (reply.isEmpty())
            rt::MsgBox(QStringLiteral("< No Corvisent sensor detected on COM") + portText +
                       QStringLiteral(" >"));
        else
            rt::MsgBox(QStringLiteral("Device on COM ") + portText + QStringLiteral(" is a ") + reply);
    } catch (const rt::VbError& e) {
        // A port that does not exist or is in use: the user is told instead of seeing nothing.
        rt::MsgBox(QStringLiteral("Error in cmdIdentify_Click: ") + e.description());
    }
    if (port->portOpen()) port->setPortOpen(false);
}
