#include "setup/formAddDevice.h"

#include "app/pending.h"

formAddDevice& formAddDevice::instance() {
    static formAddDevice* w = new formAddDevice();
    return *w;
}

formAddDevice::formAddDevice() {
    setObjectName(QStringLiteral("formAddDevice"));
    setWindowTitle(QStringLiteral("Add Device"));
}

void formAddDevice::cmdBuildCVList_Click() { recordPendingCall(QStringLiteral("cmdBuildCVList_Click()")); }
