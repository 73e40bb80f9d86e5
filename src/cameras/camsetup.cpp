// The setup window's camera procedures: connecting a camera row to its capture driver and taking
// it back, the end of an event recording, the compressor button and the summary option.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include "app/CorvisentMain.h"
#include "cameras/camdrivers.h"
#include "cameras/camviews.h"
#include "cameras/ezVidCap.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/sensorops.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using rt::Ctl;
using namespace modSupport;

namespace {

const QString kConnectError = QStringLiteral("Error when trying to connect the camera to a driver.");
const QString kConnectAdvice = QStringLiteral(
    "Please check your camera's USB connection, or reboot your machine and then try to re-connect.");

QString redDot() { return rt::appFile(QStringLiteral("reddot.gif")); }

} // namespace

namespace modSupport {

rt::Task<bool> AttachCamera(ezVidCap* view, int driver, const QString& driverName) {
    view->setDriverName(driverName);
    return view->setDriverindex(driver);
}

bool SummaryShowsCamera() { return !rt::visible(CorvisentMain::instance().frameSummaryVidContainer); }

void ReportCameraNotStarted(const QString& camera, const QString& driverName, const QString& why) {
    rt::MsgBox(QStringLiteral("The camera \"%1\" (%2) could not be connected: %3.\r%4")
                   .arg(camera, driverName, why, kConnectAdvice));
}

QString NewCaptureFile(const QString& extension) {
    const QString folder = rt::appFile(QStringLiteral("capturefiles"));
    QDir().mkpath(folder);
    // The prefix names files in the folder, never another folder.
    QString prefix = formSensorSetup::instance().txtPrefaceFiles->text();
    prefix.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString base = QDir(folder).filePath(prefix + GetDateTimeStamp());
    QString path = base + extension;
    for (int n = 1; QFileInfo::exists(path); ++n) path = QStringLiteral("%1_%2%3").arg(base).arg(n).arg(extension);
    return path;
}

} // namespace modSupport

rt::Task<> formSensorSetup::ConnectCam(int pos, int row) {
    auto& m = CorvisentMain::instance();
    const int drv = iCamSlot.value(pos, camSlotFree);
    const QString name = pos >= 1 && pos <= 4 ? rt::tag(m.Label1[pos]) : QString();
    QString failure; // why a camera that has its driver did not start
    if (!name.isEmpty() && drv != camSlotFree && name != QLatin1String("0")) {
        // The summary view takes one camera; a further summary camera stays at its position.
        if (rt::value(Ctl(chkSendToSummary, row)) == 1 && !SummaryShowsCamera()) {
            if ((rt::tag(chkMultiCamEnabled).toInt() & 8) != 0) SetCamResolution(row, QStringLiteral("1"));
            const bool shown = co_await AttachCamera(m.ezVidCap1[0], drv, name);
            if (shown) {
                m.frameSummaryVidContainer->hide();
                m.ezVidCap1[0]->raise();
                rt::setCaption(m.lblCurrentCamView, rt::caption(Ctl(m.lblSensor1, row)));
                rt::setCaption(m.Label1[pos], QStringLiteral("Camera in Summary Tab"));
                rt::setCaption(m.lblPrevCamSubIndex, QString::number(pos));
                // The row is what gives the camera back to its position later.
                rt::setCaption(m.lblPrevCamSetupIndex, QString::number(row));
            } else {
                failure = m.ezVidCap1[0]->lastError();
            }
        } else {
            const bool started = co_await AttachCamera(m.ezVidCap1[pos], drv, name);
            if (started) {
                rt::setCaption(m.frameSurvTabCoverUp[pos], QString::number(row));
                m.frameSurvTabCoverUp[pos]->hide();
            } else {
                failure = m.ezVidCap1[pos]->lastError();
            }
        }
        if (failure.isEmpty()) {
            if (rt::value(chkMultiCamEnabled) == 1) rt::setTag(m.frameSurvTabCoverUp[pos], FindCamSerial(name));
            QLabel* label = Ctl(m.lblSensor1, row);
            label->show();
            rt::setWidthTwips(label, 3700);
            QLabel* status = Ctl(m.lblSensorStatus, row);
            status->show();
            rt::setForeColor(status, rt::vbBlue);
            QLabel* reading = Ctl(m.lblSensorReading, row);
            rt::setCaption(reading, QStringLiteral("On"));
            reading->show();
            Ctl(chkFileLogging, row)->setEnabled(false);
            Ctl(chkSendToSummary, row)->setEnabled(false);
            Ctl(chkTabLogging, row)->setEnabled(false);
            QPushButton* button = Ctl(cmdConnectSensor, row);
            rt::setCaption(button, QStringLiteral("Disconnect"));
            button->setEnabled(true);
            lblNoCamDevicePresent->hide();
            m.lblNoCamDevicePresent->hide();
            cambehavioral->show();
            co_return;
        }
        ReportCameraNotStarted(rt::caption(m.lblCamDeviceName[pos]), name, failure);
    } else {
        rt::MsgBox(kConnectError + QStringLiteral("\r") + kConnectAdvice, rt::vbOKOnly);
    }
    // Left ready to be connected again, or deleted.
    Ctl(cmdConnectSensor, row)->setEnabled(true);
    Ctl(cmdDeleteMe, row)->setEnabled(true);
    rt::setCaption(cmdConnectSensor[row], QStringLiteral("Connect"));
    QLabel* status = Ctl(m.lblSensorStatus, row);
    rt::setFontSize(status, 10);
    rt::setCaption(status, QStringLiteral("Sensor Error"));
    QLabel* reading = Ctl(m.lblSensorReading, row);
    rt::setFontSize(reading, 14);
    rt::setCaption(reading, QStringLiteral("OFF"));
    setPicture(Ctl(imgStatus, row), redDot());
}

void formSensorSetup::DisconnectCam(int row) {
    auto& m = CorvisentMain::instance();
    try {
        const int pos = CheckedSlot(RowOf(row).slot);
        // The summary view closes only when it shows this camera.
        if (SummaryShowsCamera() && int(rt::Val(rt::caption(m.lblPrevCamSubIndex))) == pos) {
            m.ezVidCap1[0]->driverDisconnect();
            m.frameSummaryVidContainer->show();
            m.frameSummaryVidContainer->raise();
            rt::setCaption(m.lblCurrentCamView, QString());
            rt::setTag(m.lblCurrentCamView, QStringLiteral("98"));
            rt::setCaption(m.Label1[pos], QStringLiteral("Camera %1 Not Attached").arg(pos));
            rt::setCaption(m.lblPrevCamSetupIndex, QStringLiteral("99"));
            rt::setCaption(m.lblPrevCamSubIndex, QStringLiteral("99"));
        }
        m.ezVidCap1[pos]->driverDisconnect();
        m.frameSurvTabCoverUp[pos]->show();
        setPicture(Ctl(imgStatus, row), redDot());
        QLabel* reading = Ctl(m.lblSensorReading, row);
        rt::setFontSize(reading, 14);
        rt::setCaption(reading, QStringLiteral("OFF"));
        reading->show();
        Ctl(cmdDeleteMe, row)->setEnabled(true);
        Ctl(chkSendToSummary, row)->setEnabled(true);
        Ctl(m.lblSensor1, row)->show();
        Ctl(m.lblSensorStatus, row)->hide();
        QPushButton* button = Ctl(cmdConnectSensor, row);
        rt::setCaption(button, QStringLiteral("Connect"));
        button->setEnabled(true);
        iPortOpen[row] = 0;
        RecountPortOpen();
    } catch (const std::exception&) {
        // The device record stays: a camera that could not be taken back is not deleted.
        rt::MsgBox(QStringLiteral("There was an error when disconnecting the camera."), rt::vbInformation);
    }
}

void formSensorSetup::CameraLost(int view, const QString& why) {
    auto& m = CorvisentMain::instance();
    if (view < 0 || view > 4) return;
    // The row of the camera the view showed: the summary view names it, a position's cover holds it.
    const int row = int(rt::Val(rt::caption(view == 0 ? static_cast<QObject*>(m.lblPrevCamSetupIndex)
                                                      : static_cast<QObject*>(m.frameSurvTabCoverUp[view]))));
    if (row < 1 || row > 10 || !IsCameraName(rt::caption(lblDeviceType[row])) ||
        rt::caption(cmdConnectSensor[row]) != QLatin1String("Disconnect"))
        return;
    const QString camera = rt::caption(m.lblSensor1[row]);
    DisconnectCam(row);
    rt::MsgBox(QStringLiteral("The camera \"%1\" was disconnected: %2.").arg(camera, why), rt::vbInformation);
}

rt::Task<> formSensorSetup::timerCamEvent_Timer(int pos) {
    if (pos < 1 || pos > 4) co_return;
    CorvisentMain& m = CorvisentMain::instance();
    ezVidCap* view = m.ezVidCap1[pos];
    // The event recorded a camera shown in the summary view there.
    if (!view->recording() && int(rt::Val(rt::caption(m.lblPrevCamSubIndex))) == pos) view = m.ezVidCap1[0];
    co_await view->stopRecording();
    timerCamEvent[pos]->setEnabled(false);
    view->saveRecording(NewCaptureFile(QStringLiteral(".avi")));
    view->setDisplay(true);
}

void formSensorSetup::cmdShowCamCompressors_Click() { CorvisentMain::instance().ezVidCap1[1]->showCompressorDialog(); }

void formSensorSetup::chkSendToSummary_Click(int row) {
    auto& m = CorvisentMain::instance();
    QCheckBox* box = Ctl(chkSendToSummary, row);
    const bool checked = rt::value(box) == 1;
    if (checked && rt::tag(m.lblCurrentCamView) == QLatin1String("99") && SummaryShowsCamera()) {
        if (!loading()) rt::MsgBox(QStringLiteral("Only one camera can be sent to the Summary tab at one time."));
        // Taking the tick back is no choice of the user's: the shown camera keeps its option.
        const QSignalBlocker quiet(box);
        rt::setValue(box, 0);
        return;
    }
    rt::setTag(m.lblCurrentCamView, checked ? QStringLiteral("99") : QStringLiteral("98"));
    if (!loading())
        settingsvalues::storeFromHandler("chkSendToSummary", 0, checked ? QStringLiteral("1") : QStringLiteral("0"));
}

void formSensorSetup::ForgetSummaryOption(int row) {
    QCheckBox* box = Ctl(chkSendToSummary, row);
    if (rt::value(box) == 0) return;
    {
        const QSignalBlocker quiet(box);
        rt::setValue(box, 0);
    }
    // The option is one stored value for all cameras: it goes only with the last camera holding it.
    for (int other = 1; other <= 10; ++other)
        if (other != row && IsCameraName(rt::caption(lblDeviceType[other])) && rt::value(chkSendToSummary[other]) == 1)
            return;
    rt::setTag(CorvisentMain::instance().lblCurrentCamView, QStringLiteral("98"));
    settingsvalues::saveKey(settingsvalues::Store::Tree, "chkSendToSummary", QStringLiteral("0"));
}

void formSensorSetup::addCameraControls() {
    for (int pos = 1; pos <= 4; ++pos) {
        timerCamEvent[pos] = new rt::Timer(this);
        timerCamEvent[pos]->setObjectName(QStringLiteral("timerCamEvent(%1)").arg(pos));
        timerCamEvent[pos]->setInterval(7000);
        connect(timerCamEvent[pos], &rt::Timer::tick, this, [this, pos] { timerCamEvent_Timer(pos); });
    }
    for (int row = 1; row <= 10; ++row)
        connect(chkSendToSummary[row], &QCheckBox::stateChanged, this, [this, row] { chkSendToSummary_Click(row); });
    addCameraOptionHandlers();
    cmdShowCamCompressors = new QPushButton(QStringLiteral("Video Compression"), cambehavioral->parentWidget());
    cmdShowCamCompressors->setObjectName(QStringLiteral("cmdShowCamCompressors"));
    cmdShowCamCompressors->setAutoDefault(false);
    if (QLayout* l = cambehavioral->parentWidget()->layout()) l->addWidget(cmdShowCamCompressors);
    connect(cmdShowCamCompressors, &QPushButton::clicked, this, &formSensorSetup::cmdShowCamCompressors_Click);
}
