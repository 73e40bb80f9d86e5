// A camera's options on the setup window: monitor only or linked to a proximity-capable sensor,
// the sensor choice, and a snapshot or a recording on that sensor's events.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <vector>

#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

namespace {

struct Position {
    int kind; // typeProximity or typeDistance
    int slot; // its tab slot 1..4
};

// The proximity and distance sensors of the setup rows, in row order, by their tab slot.
std::vector<Position> proximityPositions() {
    std::vector<Position> out;
    for (int row = 1; row <= 10; ++row) {
        const int kind = iDeviceType(row);
        if (kind != typeProximity && kind != typeDistance) continue;
        const int slot = RowOf(row).slot;
        if (slot >= 1 && slot <= 4) out.push_back({kind, slot});
    }
    return out;
}

// "3", or "P3" and "D3" when a proximity and a distance sensor both have slot 3.
QString positionLabel(const Position& p, const std::vector<Position>& all) {
    for (const Position& other : all)
        if (other.slot == p.slot && other.kind != p.kind)
            return (p.kind == typeProximity ? QStringLiteral("P%1") : QStringLiteral("D%1")).arg(p.slot);
    return QString::number(p.slot);
}

// Ends every link to camera k: a camera follows one sensor, and another camera's link stays.
void unlinkCamera(int k) {
    for (int kind : {int(typeProximity), int(typeDistance)})
        for (int slot = 0; slot <= 4; ++slot)
            if (iProxToCam(kind, slot) == k) iProxToCam(kind, slot) = noCamera;
}

bool validCamera(int k) {
    return k >= 1 && k <= 4;
}

} // namespace

void formSensorSetup::FlipProximLabels(int k, bool on, int level) {
    if (!validCamera(k)) return;
    if (level == 1) chkCamMonitorOnly[k]->setVisible(on);
    for (QWidget* w :
         std::initializer_list<QWidget*>{chkCamUseProxim[k], cmbProximNumber[k], chkCamAutoDisc[k],
                                         chkCaptureToAVI[k], chkProximSnapCam[k]})
        w->setVisible(on);
    if (!on) {
        cmbFramesPerSecond[k]->hide();
        lblFPS[k]->hide();
    }
}

void formSensorSetup::MakeAvailProxComboBox(int k) {
    if (!validCamera(k)) return;
    QComboBox* list = cmbProximNumber[k];
    int current = -1;
    {
        // Filling the list chooses nothing.
        const QSignalBlocker quiet(list);
        list->clear();
        const std::vector<Position> positions = proximityPositions();
        if (positions.empty()) {
            if (!loading()) rt::setValue(chkCamUseProxim[k], 0);
            return;
        }
        for (const Position& p : positions) {
            const int linked = iProxToCam(p.kind, p.slot);
            if (linked != noCamera && linked != k) continue;
            // The camera's own link stays listed and shown as its choice.
            if (linked == k) current = list->count();
            list->addItem(positionLabel(p, positions), p.kind * 10 + p.slot);
        }
        list->setCurrentIndex(current);
    }
    if (list->count() == 0 && !loading())
        rt::MsgBox(QStringLiteral("No more available proximity sensors to link."), rt::vbInformation);
}

void formSensorSetup::cmbProximNumber_Click(int k) {
    if (!validCamera(k)) return;
    bool ok = false;
    const int code = cmbProximNumber[k]->currentData().toInt(&ok);
    if (!ok) return; // no entry chosen: nothing to link
    unlinkCamera(k);
    iProxToCam(code / 10, code % 10) = k;
}

void formSensorSetup::chkCamMonitorOnly_Click(int k) {
    if (!validCamera(k)) return;
    const int v = rt::value(chkCamMonitorOnly[k]);
    if (v == 1) {
        settingsvalues::storeFromHandler("MonitorOnly", k);
        if (rt::ticked(chkCamUseProxim[k])) {
            rt::setValue(chkCamUseProxim[k], 0);
            FlipProximLabels(k, false, 2);
        }
        chkCamUseProxim[k]->hide();
    } else if (v == 0) {
        rt::setValue(chkCamUseProxim[k], 1);
        // Linking found no sensor and made the camera monitor-only again.
        if (rt::value(chkCamMonitorOnly[k]) != 0) return;
        settingsvalues::storeFromHandler("MonitorOnly", k);
        chkCamUseProxim[k]->show();
        lblProxDevice[k]->show();
    }
}

void formSensorSetup::chkCamUseProxim_Click(int k) {
    if (!validCamera(k)) return;
    const int v = rt::value(chkCamUseProxim[k]);
    if (v == 1) {
        MakeAvailProxComboBox(k);
        // No sensor to link: the box was unticked again and its controls hidden.
        if (!rt::ticked(chkCamUseProxim[k])) return;
        FlipProximLabels(k, true, 0);
    } else if (v == 0) {
        lblProxDevice[k]->hide();
        rt::setValue(chkCamMonitorOnly[k], 1);
        rt::setValue(chkCaptureToAVI[k], 0);
        rt::setValue(chkProximSnapCam[k], 0);
        settingsvalues::storeFromHandler("CamUseProxim", k);
        FlipProximLabels(k, false, 0);
        unlinkCamera(k);
    }
}

void formSensorSetup::chkCaptureToAVI_Click(int k) {
    if (!validCamera(k)) return;
    const int v = rt::value(chkCaptureToAVI[k]);
    // A camera either records or takes a snapshot on an event.
    if (v == 1) {
        rt::setValue(chkProximSnapCam[k], 0);
        chkProximSnapCam[k]->setEnabled(false);
    } else if (v == 0) {
        chkProximSnapCam[k]->setEnabled(true);
    }
}

void formSensorSetup::chkProximSnapCam_Click(int k) {
    if (!validCamera(k)) return;
    const int v = rt::value(chkProximSnapCam[k]);
    settingsvalues::storeFromHandler("chkProximSnapCam", k);
    if (v == 1) {
        rt::setValue(chkCaptureToAVI[k], 0);
        chkCaptureToAVI[k]->setEnabled(false);
    } else if (v == 0) {
        chkCaptureToAVI[k]->setEnabled(true);
    }
}

void formSensorSetup::addCameraOptionHandlers() {
    for (int k = 1; k <= 4; ++k) {
        const std::pair<QCheckBox*, void (formSensorSetup::*)(int)> boxes[] = {
            {chkCamMonitorOnly[k], &formSensorSetup::chkCamMonitorOnly_Click},
            {chkCamUseProxim[k], &formSensorSetup::chkCamUseProxim_Click},
            {chkCaptureToAVI[k], &formSensorSetup::chkCaptureToAVI_Click},
            {chkProximSnapCam[k], &formSensorSetup::chkProximSnapCam_Click}};
        for (const auto& [box, handler] : boxes)
            connect(box, &QCheckBox::stateChanged, this,
                    [this, k, handler = handler] { (this->*handler)(k); });
    }
}
