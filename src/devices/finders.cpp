// Searches of the add-device window over the device tables: a free device row, a free proximity
// event index, and whether a camera position holds capture driver 0.
#include <QLineEdit>

#include "devices/formAddDevice.h"
#include "runtime/msgbox.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

int formAddDevice::FindFirstAvailable(bool combined) {
    for (int row = 1; row <= 10; ++row) {
        if (iDeviceType(row) != typeEmpty) continue;
        if (!combined) return row;
        if (row == 10) {
            rt::MsgBox(QStringLiteral("There must be two consecutive slots open to add this sensor."));
            return 10;
        }
        if (iDeviceType(row + 1) == typeEmpty) return row;
    }
    return 11;
}

bool formAddDevice::RowsAvailable(int row, bool combined) {
    const int last = combined ? row + 1 : row;
    if (row < 1 || last > 10) return false;
    for (int r = row; r <= last; ++r)
        if (iDeviceType(r) != typeEmpty) return false;
    return true;
}

const QString formAddDevice::kConfiguredMark = QStringLiteral(" (already configured)");

int formAddDevice::RowUsingPort(int port) {
    auto& setup = formSensorSetup::instance();
    for (int row = 1; row <= 10; ++row) {
        const int kind = iDeviceType(row);
        if (kind == typeEmpty || kind == typeVideo || kind == typeVideo2) continue;
        // An older record may hold the port as "COM3".
        QString text = setup.txtDeviceComNumber[row]->text().trimmed();
        if (text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) text = text.mid(3);
        if (port > 0 && text.toInt() == port) return row;
    }
    return 0;
}

int formAddDevice::FindFirstProxAvailable() {
    bool used[5] = {};
    for (int row = 1; row <= 10; ++row) {
        const int n = iProxSlot[row];
        if (n >= 1 && n <= 4) used[n] = true;
    }
    for (int n = 1; n <= 4; ++n)
        if (!used[n]) return n;
    return 0;
}

int formAddDevice::FindFirstCamAvailable() {
    for (int pos = 1; pos <= 4; ++pos)
        if (iCamSlot[pos] == 0) return pos;
    return 0;
}
