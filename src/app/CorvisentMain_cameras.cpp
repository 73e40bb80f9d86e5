// The main window's camera handlers: the summary view, the snapshot button and the camera tab's
// buttons and double-clicks.
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScrollArea>

#include "app/CorvisentMain.h"
#include "cameras/camdrivers.h"
#include "cameras/camviews.h"
#include "cameras/ezVidCap.h"
#include "cameras/formChangeCamDriverName.h"
#include "runtime/controls.h"
#include "runtime/msgbox.h"
#include "runtime/task.h"
#include "runtime/vb.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

namespace {

int whole(const QObject* label) { return int(rt::Val(rt::caption(label))); }

// Set while a camera moves between the summary view and its position.
bool g_switching = false;
// Program time a move waits for the one before it to end, before it looks again.
constexpr int kSwitchWaitMs = 60000;

} // namespace

rt::Task<> CorvisentMain::SwitchToVideo0(int row, int mode) {
    if (row < 1 || row > 10) co_return;
    // One move at a time, in the order asked: a move asked while another waits for its camera
    // comes after it, and finds the views as that one left them.
    while (g_switching) {
        co_await rt::Until([] { return !g_switching; }, kSwitchWaitMs);
        if (rt::QuitRequested()) co_return;
    }
    const rt::FlagWhile switching(g_switching);
    const int pos = RowOf(row).slot;
    if (mode != 1) {
        // Give the summary camera back to the position of the row it came from.
        SetCamResolution(row, QStringLiteral("2"));
        const int drv = ezVidCap1[0]->driverindex();
        const QString name = ezVidCap1[0]->driverName();
        ezVidCap1[0]->driverDisconnect();
        const int from = whole(lblPrevCamSetupIndex);
        const int prevPos = RowOf(from).slot;
        if (prevPos >= 1 && prevPos <= 4 && drv >= 0) {
            const bool back = co_await AttachCamera(ezVidCap1[prevPos], drv, name);
            if (!back) ReportCameraNotStarted(rt::caption(lblCamDeviceName[prevPos]), name, ezVidCap1[prevPos]->lastError());
        }
        ezVidCap1[0]->lower();
        frameSummaryVidContainer->show();
        co_return;
    }
    if (pos < 1 || pos > 4) co_return;
    rt::setCaption(lblPrevCamSetupIndex, QString::number(row));
    rt::setCaption(lblPrevCamSubIndex, QString::number(pos));
    SetCamResolution(row, QStringLiteral("1"));
    const int drv = ezVidCap1[pos]->driverindex();
    const QString name = ezVidCap1[pos]->driverName();
    if (ezVidCap1[pos]->driverDisconnect() != 1) {
        rt::MsgBox(QStringLiteral("Bad camera return on closing. Exiting SwitchToVideo0.  SetupIndex: ") +
                       QString::number(pos),
                   rt::vbInformation);
        co_return;
    }
    rt::setCaption(lblCurrentCamView, rt::caption(lblSensor1[row]));
    ezVidCap1[0]->show();
    // The driver needs a moment after its release before the next control can take it.
    co_await rt::Pause(600);
    const bool shown = co_await AttachCamera(ezVidCap1[0], drv, name);
    if (!shown) {
        ReportCameraNotStarted(rt::caption(lblCamDeviceName[pos]), name, ezVidCap1[0]->lastError());
        rt::setCaption(lblCurrentCamView, QString());
        const bool back = co_await AttachCamera(ezVidCap1[pos], drv, name);
        if (!back) ReportCameraNotStarted(rt::caption(lblCamDeviceName[pos]), name, ezVidCap1[pos]->lastError());
        co_return;
    }
    ezVidCap1[0]->raise();
    frameSummaryVidContainer->hide();
}

rt::Task<> CorvisentMain::cmdSnapPicture_Click() {
    ezVidCap* view = ezVidCap1[0];
    for (int n = 1; n <= 6; ++n) view->setCaptureOption(n, n == 3);
    const bool taken = co_await view->captureStill();
    const bool saved = taken && view->savePicture(NewCaptureFile(QStringLiteral(".bmp")));
    view->setDisplay(true);
    if (saved)
        rt::MsgBox(QStringLiteral("File Saved.  Please go to File, Camera Capture Files to view pictures."));
    else if (!view->attached())
        rt::MsgBox(QStringLiteral("No picture was saved: no camera is shown in the summary view."), rt::vbInformation);
    else
        rt::MsgBox(taken ? QStringLiteral("No picture was saved: the file could not be written.")
                         : QStringLiteral("No picture was saved: the camera gave no picture."),
                   rt::vbInformation);
}

rt::Task<> CorvisentMain::FinishRecordings(int withinMs) {
    // Every recording is ended at once and completes within the same bound.
    for (ezVidCap* view : ezVidCap1)
        if (view && view->recording()) view->keepRecording(withinMs);
    co_await ezVidCap::AwaitRecordingsAtEnd(withinMs);
}

void CorvisentMain::cmdCameraProp_Click(int pos) {
    if (pos < 1 || pos > 4) return;
    ezVidCap1[pos]->showDriverDialog();
    rt::setWidthTwips(ezVidCap1[pos], 2400);
    rt::setHeightTwips(ezVidCap1[pos], 1800);
}

void CorvisentMain::cmdNoVideo_Click() {
    if (rt::caption(cmdNoVideo) == QLatin1String("NV")) {
        m_summaryVideo->hide();
        setMinimumWidth(0);
        resize(rt::twipsToPixels(6750), height());
        // Content scrolled to fit the screen keeps the toggle in view, to bring the video back.
        if (auto* scroll = findChild<QScrollArea*>(QStringLiteral("rtScroll"))) {
            layout()->activate();
            scroll->ensureWidgetVisible(cmdNoVideo);
        }
        rt::setCaption(cmdNoVideo, QStringLiteral("VN"));
    } else if (rt::caption(cmdNoVideo) == QLatin1String("VN")) {
        m_summaryVideo->show();
        resize(rt::twipsToPixels(11805), height());
        rt::setCaption(cmdNoVideo, QStringLiteral("NV"));
    }
}

rt::Task<> CorvisentMain::cmdResChange_Click() {
    const std::optional<QString> answer = rt::InputBox(QStringLiteral("Please enter the camera number to change: "));
    if (!answer) co_return;
    bool ok = false;
    const int n = answer->trimmed().toInt(&ok);
    if (ok && n >= 0 && n <= 4) co_await ezVidCap1[n]->showFormatDialog();
}

void CorvisentMain::lblCamDeviceName_DblClick(int pos) {
    if (pos < 1 || pos > 4) return;
    iCamRenameIndex = pos;
    formChangeCamDriverName::instance().Form_Show();
}

rt::Task<> CorvisentMain::lblCurrentCamView_DblClick() {
    if (rt::visible(frameSummaryVidContainer) || rt::tag(lblCurrentCamView) == QLatin1String("99")) co_return;
    co_await SwitchToVideo0(whole(lblPrevCamSetupIndex), 0);
    rt::setCaption(lblPrevCamSetupIndex, QStringLiteral("99"));
    rt::setCaption(lblPrevCamSubIndex, QStringLiteral("99"));
    rt::setTag(lblCurrentCamView, QStringLiteral("98"));
}

void CorvisentMain::wireCameraControls() {
    connect(cmdSnapPicture, &QPushButton::clicked, this, &CorvisentMain::cmdSnapPicture_Click);
    connect(cmdNoVideo, &QPushButton::clicked, this, &CorvisentMain::cmdNoVideo_Click);
    connect(cmdResChange, &QPushButton::clicked, this, &CorvisentMain::cmdResChange_Click);
    for (int pos = 1; pos <= 4; ++pos) {
        connect(cmdCameraProp[pos], &QPushButton::clicked, this, [this, pos] { cmdCameraProp_Click(pos); });
        lblCamDeviceName[pos]->installEventFilter(this);
    }
    lblCurrentCamView->installEventFilter(this);
    // Told once the view has let the camera go, outside the camera's own signal.
    for (int view = 0; view <= 4; ++view)
        connect(ezVidCap1[view], &ezVidCap::cameraLost, this,
                [view](const QString& why) { formSensorSetup::instance().CameraLost(view, why); }, Qt::QueuedConnection);
    lblCurrentCamView->setToolTip(QStringLiteral("Double Click to turn off summary view"));
}
