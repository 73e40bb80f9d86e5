#include "devices/modPNP.h"

#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/error.h"
#include "sensors/sensorops.h"

namespace modPNP {

QString GetDeviceIDString(int row, int port) {
    platform::MSCommControl* comm = nullptr;
    bool opened = false; // a port some other part holds open is never touched
    QString reply;
    try {
        comm = modSupport::Ctl(CorvisentMain::instance().MSComm, row);
        comm->setCommPort(port);
        comm->setHandshaking(0);
        comm->setRThreshold(0);
        comm->setRTSEnable(true);
        comm->setSettings(QStringLiteral("9600,n,8,1"));
        comm->setSThreshold(0);
        comm->setInputMode(1);
        comm->setPortOpen(true);
        opened = true;
        for (int attempt = 0; attempt < 4 && reply.isEmpty() && comm->portOpen(); ++attempt) {
            comm->setOutput(QStringLiteral("i\r"));
            rt::Sleep(3000);
            reply = platform::ansiText(comm->input());
        }
    } catch (const rt::VbError&) {
        reply.clear();
    }
    if (!opened || !comm->portOpen()) return QString();
    comm->setPortOpen(false);
    return reply;
}

} // namespace modPNP
