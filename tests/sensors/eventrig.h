#pragma once
// Connected event-driven sensors on fake ports for the serial event tests: a private registry,
// a log folder, scripted message boxes and a recording desktop shell.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "alerts/alertchecks.h"
#include "support/alertcallrecord.h"
#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "sensors/events.h"
#include "sensors/sensorops.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"
#include "support/boxes.h"
#include "support/fakeserial.h"
#include "support/fakeshell.h"
#include "support/testenv.h"

using namespace modSupport;
inline formSensorSetup& S() {
    return formSensorSetup::instance();
}
inline CorvisentMain& M() {
    return CorvisentMain::instance();
}

struct EventRig {
    TestEnv env;
    FakeSerialHub hub;
    QTemporaryDir logs;
    ScriptedBoxes boxes;
    FakeShell shell;
    QList<platform::MSCommControl*> opened;

    EventRig() {
        LoadGuard quiet;
        for (int n = 1; n <= 4; ++n) {
            for (auto* box :
                 {M().txtProximData[n], M().txtWaterData[n], M().txtAccelData[n], M().txtDistanceData[n]})
                box->clear();
            for (rt::Timer* t : {S().timerDelayEvent[n], S().timerDelayEventUp[n]})
                t->setInterval(0);
            rt::setOptionValue(S().optRunCommand[n], true); // choosing "disabled" then resets the panel
            rt::setOptionValue(S().optSysCommandDisabled[n], true);
            for (QCheckBox* c : {S().chkOnScreenOnProx[n], S().chkEmailOnProx[n], S().chkCamUseProxim[n]})
                rt::setValue(c, 0);
        }
        rt::setValue(S().chkOutOfRangeAlert, 1);
        rt::setCaption(S().lblLogDirectory, logs.path());
        S().txtHDDTotalAmount->setText("100000");
        iProxToCam.fill(noCamera);
    }
    ~EventRig() {
        for (auto* port : opened)
            if (port->portOpen()) port->setPortOpen(false);
        rt::Files::closeAll();
        for (int row = 1; row <= 10; ++row) {
            ResetStreamInput(row);
            strLastDistState[row] = "No Obj";
            ForgetRow(row);
            iProxMode[row] = iBumpMode[row] = 0;
        }
        iScreenSaverCmd = 0;
        bSettingMode = false;
        bSettingModeRow.fill(false);
        rt::setValue(S().chkLocalMonitoring, 0);
        ClearAllAlertLatches();
            alertCallLog().clear();
        rt::Clock::reset();
    }

    // Connects a sensor of the kind at the row: its port on a fake device, tab slot and event
    // index set, both logs on, the log file open under the row's number.
    FakeSerialPort& connect(int row, int kind, int slot, int p = 0) {
        FakeSerialPort& dev = hub.add(row);
        auto& ports = kind == typeAccel      ? M().MSCommA
                      : kind == typeDistance ? M().MSCommD
                      : kind == typeWater    ? M().MSCommW
                                             : M().MSCommP;
        platform::MSCommControl* port = ports[row];
        port->setCommPort(row);
        port->setRThreshold(kind == typeAccel || kind == typeDistance ? 1 : 0);
        port->setInputMode(1);
        port->setPortOpen(true);
        opened << port;
        RegisterRow(row, kind, slot);
        iProxSlot[row] = p;
        LoadGuard quiet;
        rt::setCaption(S().lblSubIndex[row], QString::number(slot));
        modSupport::SetStartMode(row, "0");
        rt::setValue(S().chkTabLogging[row], 1);
        rt::setValue(S().chkFileLogging[row], 1);
        rt::Files::open(row, logs.filePath(QString::number(row)), rt::Files::Output);
        return dev;
    }
    QStringList fileLines(int row) {
        return QString(readWholeFile(logs.filePath(QString::number(row)))).split("\r\n", Qt::SkipEmptyParts);
    }
    // Lets the ports raise what has arrived.
    static void settle() { QTest::qWait(40); }
};

// The lines of a tab log box, top first.
inline QStringList boxLines(QPlainTextEdit* box) {
    return box->toPlainText().split('\n', Qt::SkipEmptyParts);
}
// A tab log box holding n lines as the line count sees them.
inline void fillBox(QPlainTextEdit* box, int n) {
    box->setPlainText(QString("x\n").repeated(n - 1));
}
