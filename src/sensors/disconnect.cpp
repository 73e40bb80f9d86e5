#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "sensors/events.h"
#include "sensors/readingalerts.h"
#include "sensors/readinglogs.h"
#include "sensors/sensorops.h"
#include "settings/maincontrols.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupcontrols.h"

using rt::Ctl;

namespace modSupport {

namespace {

// Hides a tab's highest and lowest labels of a slot with their reset captions; the next reading
// sets both.
void resetExtremes(QLabel* highest, QLabel* lowest, bool& empty, bool clearTips) {
    highest->hide();
    lowest->hide();
    rt::setCaption(highest, QStringLiteral("0"));
    rt::setCaption(lowest, QStringLiteral("100"));
    if (clearTips) {
        highest->setToolTip(QString());
        lowest->setToolTip(QString());
    }
    empty = true;
}

void clearTempLatches(int row) {
    bTempMailSent[row] = false;
    bTempScreenShown[row] = false;
}
void clearHumidLatches(int row) {
    bHumidMailSent[row] = false;
    bHumidScreenShown[row] = false;
}

void enableConnect(int row) {
    QPushButton* button = Ctl(SensorSetupControls::instance().cmdConnectSensor, row);
    button->setEnabled(true);
    rt::setCaption(button, QStringLiteral("Connect"));
}

} // namespace

void DisconnectSensor(int row, int flag) {
    if (row < 1 || row > 10) return;
    CorvisentMainControls& w = CorvisentMainControls::instance();
    SensorSetupControls& setup = SensorSetupControls::instance();
    const int connected = iPortOpen[row];
    try {
        switch (connected) {
        case typeTemperature: {
            Ctl(w.Timer1, row)->setEnabled(false);
            clearTempLatches(row);
            const int slot = CheckedSlot(RowOf(row).slot);
            resetExtremes(w.lblTHighest[slot], w.lblTLowest[slot], w.bTHighLowEmpty[slot], true);
            break;
        }
        case typeHumidity: {
            Ctl(w.Timer1, row)->setEnabled(false);
            clearHumidLatches(row);
            const int slot = CheckedSlot(RowOf(row).slot);
            resetExtremes(w.lblHHighest[slot], w.lblHLowest[slot], w.bHHighLowEmpty[slot], true);
            break;
        }
        case typeProximity:
            enableConnect(row);
            Ctl(w.ProximityTimer, row)->setEnabled(false);
            break;
        case typeWater:
            enableConnect(row);
            Ctl(w.WaterTimer, row)->setEnabled(false);
            break;
        case typeCombo: {
            for (int r : {row, row + 1}) {
                Ctl(w.Timer1, r)->setEnabled(false);
                rt::setCaption(Ctl(w.lblSensorStatus, r), QString());
                Ctl(w.lblMeasure, r)->hide();
                rt::setCaption(Ctl(w.lblSensorReading, r), QStringLiteral("OFF"));
                clearTempLatches(r);
                clearHumidLatches(r);
            }
            const int h = CheckedSlot(RowOf(row).slot);
            const int t = CheckedSlot(RowOf(row).tempSlot);
            resetExtremes(w.lblHHighest[h], w.lblHLowest[h], w.bHHighLowEmpty[h], false);
            resetExtremes(w.lblTHighest[t], w.lblTLowest[t], w.bTHighLowEmpty[t], false);
            break;
        }
        case typeAccel:
            SetAccelAlertFlags(false, row);
            break;
        case typeDistance:
            bDistAlertSent[row] = false;
            break;
        default:
            break;
        }

        for (int k : {1, 2})
            setup.frmEnableAlerts[k]->setEnabled(true);
        for (QLineEdit* box : {setup.txtTempMax, setup.txtTempMin, setup.txtHumidMax, setup.txtHumidMin})
            box->setEnabled(true);

        Ctl(w.lblMeasure, row)->hide();
        SensorSetupControls::setPicture(Ctl(setup.imgStatus, row), rt::appFile(QStringLiteral("reddot.gif")));
        if (connected == typeCombo)
            SensorSetupControls::setPicture(Ctl(setup.imgStatus, row + 1),
                                            rt::appFile(QStringLiteral("reddot.gif")));
        QLabel* reading = Ctl(w.lblSensorReading, row);
        reading->show();
        rt::setCaption(reading, QStringLiteral("OFF"));
        rt::setFontSize(reading, 14);
        if (flag == 0) rt::setForeColor(reading, rt::vbBlack);
        Ctl(setup.cmdDeleteMe, row)->setEnabled(true);
    } catch (const std::exception&) {
        // A display slot that cannot be found leaves the labels; the row is still taken back.
    }
    w.cmdDisconnectSensor_Click(row);
}

void StopRow(int row) {
    if (row < 1 || row > 10) return;
    CorvisentMainControls& w = CorvisentMainControls::instance();
    for (rt::Timer* timer : {w.Timer1[row], w.ProximityTimer[row], w.WaterTimer[row]})
        timer->setEnabled(false);
    CloseRowPorts(row);
    ResetStreamInput(row);
    CloseLogFile(row);
}

} // namespace modSupport

void CorvisentMainControls::cmdDisconnectSensor_Click(int row) {
    using namespace modSupport;
    rt::Hourglass hourglass;
    try {
        SensorSetupControls& setup = SensorSetupControls::instance();
        const bool combined = iPortOpen[row] == typeCombo;
        // An exchange still waiting on the row ends quietly once it finds the row changed.
        AdvanceRow(row);
        if (combined) AdvanceRow(row + 1);
        CloseRowPorts(row);
        ResetStreamInput(row);
        iPortOpen[row] = 0;
        if (combined && row < 10 && iPortOpen[row + 1] == typeCombo) iPortOpen[row + 1] = 0;
        RecountPortOpen();
        iConnectPort[row] = 0;
        int marked = 0;
        for (int r = 1; r < iConnectPort.size(); ++r)
            if (iConnectPort[r] != 0) ++marked;
        iConnectPort[0] = marked;

        Ctl(lblSensorStatus, row)->hide();
        QPushButton* button = Ctl(setup.cmdConnectSensor, row);
        button->setEnabled(true);
        rt::setCaption(button, QStringLiteral("Connect"));
        setup.cmdConnectAll->setEnabled(true);

        // The log file is closed whenever it is open, also after the folder limit turned logging off.
        CloseLogFile(row);
        Ctl(setup.chkFileLogging, row)->setEnabled(true);
        if (combined) {
            CloseLogFile(row + 1);
            Ctl(setup.chkFileLogging, row + 1)->setEnabled(true);
        }
        mnuPopupConnectAll->setEnabled(true);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("There was an error when disconnecting sensors."), rt::vbInformation);
    }
}
