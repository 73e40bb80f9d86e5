// The port scan for sensors and the available-sensors window that lists what answered.
#include "devices/formAvailSensors.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "devices/formAddDevice.h"
#include "platform/comports.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/task.h"
#include "settings/modSupport.h"

using rt::named;
using namespace modSupport;

namespace {

const QString kNoSensors = QStringLiteral("No sensors detected.");

// Reply model texts, the type each is registered as and the stem of its default name.
struct ScanKind {
    const char* model;
    const QString* type;
    const char* stem;
};
const ScanKind kScanKinds[] = {
    {"Corvisent/P", &strTypeProximity, "ProxSensor00"},
    {"Corvisent/T", &strTypeTemperature, "TempSensor00"},
    {"Corvisent/H", &strTypeComboOffer, "ComboSensor00"},
    {"Corvisent/W", &strTypeWater, "WaterSensor00"},
    {"Corvisent/A", &strTypeAccel, "AccelSensor00"},
    {"Corvisent/D", &strTypeDistance, "DistanceSensor00"},
};

// Sends the identity query the way the scan does: the letter and the carriage return in two
// writes, 200 ms apart, then 200 ms for the answer.
rt::Task<QString> queryIdentity(platform::MSCommControl* port) {
    port->setOutput(QStringLiteral("i"));
    co_await rt::Pause(200);
    port->setOutput(QStringLiteral("\r"));
    co_await rt::Pause(200);
    co_return platform::ansiText(port->input());
}

// A scan is under way: the scan's port and list are its own until it ends.
bool scanning = false;

// A line whose port a registered row already uses is shown as configured and cannot be chosen.
// The mark follows the port and what it answered, not the line's place, so a rescan that moves a
// sensor to another line keeps it.
void markIfConfigured(QListWidgetItem* item) {
    const QString text = item->text();
    const QString& mark = formAddDevice::kConfiguredMark;
    if (text.endsWith(mark) || formAddDevice::RowUsingPort(formAvailSensors::ScanLinePort(text)) == 0) return;
    item->setText(text + mark);
    item->setSelected(false);
    item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
}

void markConfiguredLines(QListWidget* list) {
    for (int i = 0; i < list->count(); ++i)
        markIfConfigured(list->item(i));
}

} // namespace

formAvailSensors& formAvailSensors::instance() {
    static formAvailSensors* window = new formAvailSensors();
    return *window;
}

formAvailSensors::formAvailSensors() {
    setObjectName(QStringLiteral("formAvailSensors"));
    setWindowTitle(QStringLiteral("Available Sensors"));
    setModal(false);
    auto* v = new QVBoxLayout(this);
    listAvailSensors = named(new QListWidget(this), "listAvailSensors");
    listAvailSensors->setSelectionMode(QAbstractItemView::MultiSelection);
    listAvailSensors->setMinimumSize(360, 180);
    v->addWidget(listAvailSensors);
    auto* range = new QHBoxLayout;
    chkScanAllPorts = named(new QCheckBox(QStringLiteral("Scan Com1 - Com256"), this), "chkScanAllPorts");
    lblRangeScanned = named(new QLabel(QStringLiteral("(Com1 - Com16 only)"), this), "lblRangeScanned");
    range->addWidget(chkScanAllPorts);
    range->addWidget(lblRangeScanned);
    range->addStretch(1);
    v->addLayout(range);
    auto* buttons = new QHBoxLayout;
    cmdScanPorts = named(new QPushButton(QStringLiteral("Scan Ports"), this), "cmdScanPorts");
    cmdSelectAll = named(new QPushButton(QStringLiteral("Select All"), this), "cmdSelectAll");
    cmdAddToSetup = named(new QPushButton(QStringLiteral("Add to Setup"), this), "cmdAddToSetup");
    cmdCloseWindow = named(new QPushButton(QStringLiteral("Close"), this), "cmdCloseWindow");
    for (QPushButton* b : {cmdScanPorts, cmdSelectAll, cmdAddToSetup, cmdCloseWindow}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    v->addLayout(buttons);
    MSCommAS = named(new platform::MSCommControl(this), "MSCommAS");

    connect(cmdScanPorts, &QPushButton::clicked, this, &formAvailSensors::cmdScanPorts_Click);
    connect(chkScanAllPorts, &QCheckBox::stateChanged, this, &formAvailSensors::chkScanAllPorts_Click);
    connect(cmdSelectAll, &QPushButton::clicked, this, &formAvailSensors::cmdSelectAll_Click);
    connect(cmdAddToSetup, &QPushButton::clicked, this, &formAvailSensors::cmdAddToSetup_Click);
    connect(cmdCloseWindow, &QPushButton::clicked, this, &formAvailSensors::cmdCloseWindow_Click);
    connect(MSCommAS, &platform::MSCommControl::OnComm, this, &formAvailSensors::MSCommAS_OnComm);
}

QString formAvailSensors::ScanLine(int port, const QString& reply) {
    QString text = reply;
    text.remove(QStringLiteral("\r\n"));
    const QString n = QString::number(port);
    return port <= 16 ? QStringLiteral("COM") + n + QStringLiteral(": ") + text
                      : QStringLiteral("(COM") + n + QStringLiteral("): ") + text;
}

int formAvailSensors::ScanLinePort(const QString& line) {
    // The digits right after "COM", in either line form.
    const int at = line.indexOf(QLatin1String("COM"));
    if (at < 0) return 0;
    int n = 0;
    for (int i = at + 3; i < line.size() && line[i].isDigit() && n < 100000; ++i)
        n = n * 10 + line[i].digitValue();
    return n;
}

bool formAvailSensors::ScanLineKind(const QString& line, int index, QString* type, QString* name) {
    const int at = line.indexOf(QLatin1String("Corvisent"));
    if (at < 0) return false;
    const QString model = line.mid(at).trimmed();
    for (const ScanKind& k : kScanKinds) {
        if (!model.startsWith(QLatin1String(k.model))) continue;
        *type = *k.type;
        *name = QLatin1String(k.stem) + QString::number(index);
        return true;
    }
    return false;
}

rt::Task<> formAddDevice::cmdBuildCVList_Click() {
    if (scanning) co_return;
    const rt::FlagWhile scanningNow(scanning);
    formAvailSensors& w = formAvailSensors::instance();
    w.listAvailSensors->clear();
    co_await MakeComPortList2();
    w.show();
}

rt::Task<> formAddDevice::MakeComPortList2() {
    formAvailSensors& w = formAvailSensors::instance();
    platform::MSCommControl* port = w.MSCommAS;
    {
        rt::Hourglass hourglass;
        // New devices are taken in once, not again for every number that has none.
        platform::DiscoveryHold oneDiscovery;
        const int last = rt::value(w.chkScanAllPorts) == 1 ? 256 : 16;
        // The program asked to end opens and asks no further port.
        for (int n = 1; n <= last && !rt::QuitRequested(); ++n) {
            if (!COMAvailable(n)) continue;
            try {
                port->setRThreshold(0);
                port->setRTSEnable(true);
                port->setSettings(QStringLiteral("19200,n,8,1"));
                port->setSThreshold(0);
                port->setInputMode(1);
                port->setCommPort(n);
                port->setPortOpen(true);
                QString reply = co_await queryIdentity(port);
                for (int retry = 0; reply.isEmpty() && retry < 3; ++retry) {
                    co_await rt::Pause(2000);
                    port->setOutput(QStringLiteral("i"));
                    co_await rt::Pause(200);
                    port->setOutput(QStringLiteral("\r"));
                    reply = platform::ansiText(port->input());
                }
                if (!reply.isEmpty()) {
                    if (w.isHidden()) w.show();
                    w.listAvailSensors->addItem(formAvailSensors::ScanLine(n, reply));
                }
            } catch (const rt::VbError&) {
                // A port that exists but cannot be used is passed over.
            }
            try {
                if (port->portOpen()) port->setPortOpen(false);
            } catch (const rt::VbError&) {
            }
        }
    }
    if (w.listAvailSensors->count() == 0) w.listAvailSensors->addItem(kNoSensors);
    markConfiguredLines(w.listAvailSensors);
    rt::showInFront(&w); // over the setup window when a scan is run again
}

rt::Task<> formAvailSensors::cmdScanPorts_Click() {
    return formAddDevice::cmdBuildCVList_Click();
}

void formAvailSensors::chkScanAllPorts_Click() {
    lblRangeScanned->setText(rt::value(chkScanAllPorts) == 1 ? QStringLiteral("(Com1 - Com255)")
                                                              : QStringLiteral("(Com1 - Com16 only)"));
}

void formAvailSensors::cmdSelectAll_Click() {
    for (int i = 0; i < listAvailSensors->count(); ++i) {
        listAvailSensors->setCurrentRow(i, QItemSelectionModel::NoUpdate);
        listAvailSensors->item(i)->setSelected(true);
    }
}

void formAvailSensors::cmdAddToSetup_Click() {
    for (int i = 0; i < listAvailSensors->count(); ++i) {
        QListWidgetItem* item = listAvailSensors->item(i);
        if (!item->isSelected()) continue;
        // A line is added once: once added, its port belongs to a registered row.
        markIfConfigured(item);
        if (!item->isSelected()) continue;
        listAvailSensors->setCurrentRow(i, QItemSelectionModel::NoUpdate);
        const QString text = item->text();
        if (text.contains(QLatin1Char('?')) || text.contains(QLatin1String("No sensors detected"))) {
            item->setSelected(false);
            continue;
        }
        formAddDevice::ScanRequest request;
        request.iScanPort = ScanLinePort(text);
        if (request.iScanPort <= 0 || !ScanLineKind(text, i, &request.strScanType, &request.strScanName)) {
            // A reply of no known kind is never registered under another line's type or name.
            item->setSelected(false);
            rt::MsgBox(QStringLiteral("Sensor not added."));
            continue;
        }
        iOfferDetect = 0;
        const bool added = formAddDevice::instance().cmdOk_Click(&request);
        iOfferDetect = 1;
        if (added) markIfConfigured(item);
    }
    CorvisentMain::instance().menuSetup_Click();
    hide();
}

void formAvailSensors::cmdCloseWindow_Click() {
    hide();
}

void formAvailSensors::MSCommAS_OnComm() {
    const int style = rt::vbOKOnly | rt::vbSystemModal;
    switch (MSCommAS->commEvent()) {
    case platform::MSCommControl::comEvReceive:
        if (isHidden()) show();
        listAvailSensors->addItem(platform::ansiText(MSCommAS->input()));
        break;
    case platform::MSCommControl::comEventFrame:
        rt::MsgBox(QStringLiteral("Framing error detected"), style);
        break;
    case platform::MSCommControl::comEventOverrun:
        rt::MsgBox(QStringLiteral("Error detected. Possible data loss"), style);
        break;
    case platform::MSCommControl::comEventRxOver:
        rt::MsgBox(QStringLiteral("RX Overflow detected"), style);
        break;
    case platform::MSCommControl::comEventRxParity:
        rt::MsgBox(QStringLiteral("Rx Parity Error detected"), style);
        break;
    case platform::MSCommControl::comEventTxFull:
        rt::MsgBox(QStringLiteral("Tx Overflow detected"), style);
        break;
    default:
        break;
    }
}
