#include "setup/formSensorSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/CorvisentMain.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "sensors/sensorops.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupkeys.h"

using rt::named;
using namespace modSupport;

namespace {

const QString kApp = QStringLiteral("Corvisent Manager");
const QString kProgramSetup = QStringLiteral("Program Setup");

QString indexed(const char* name, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i); }

QLineEdit* lineEdit(QWidget* parent, const QString& name, const QString& text = QString(), int width = 0) {
    auto* e = named(new QLineEdit(text, parent), name);
    if (width > 0) e->setMaximumWidth(width);
    return e;
}

// A caption and its text box side by side on one row of a grid.
QLineEdit* labelledBox(QGridLayout* grid, int row, const QString& caption, const QString& name,
                       const QString& text, int width) {
    QWidget* parent = grid->parentWidget();
    grid->addWidget(new QLabel(caption, parent), row, 0);
    QLineEdit* box = lineEdit(parent, name, text, width);
    grid->addWidget(box, row, 1);
    return box;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption = QString()) {
    return named(new QCheckBox(caption, parent), name);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

QString deviceSection(int row) { return QStringLiteral("PortConfig\\Devices\\%1").arg(row); }

} // namespace

formSensorSetup& formSensorSetup::instance() {
    static formSensorSetup* w = new formSensorSetup();
    return *w;
}

SensorSetupControls& SensorSetupControls::instance() {
    return formSensorSetup::instance();
}

formSensorSetup::formSensorSetup() {
    setObjectName(QStringLiteral("formSensorSetup"));
    setWindowTitle(QStringLiteral("Sensor Setup"));
    setModal(false);
    auto* v = new QVBoxLayout(this);
    SSTab1 = named(new QTabWidget(this), QStringLiteral("SSTab1"));
    SSTab1->addTab(buildDeviceTab(), QStringLiteral("Device Connect"));
    SSTab1->addTab(buildAlertsTab(), QStringLiteral("&Alerts && Threshold"));
    SSTab1->addTab(buildCameraTab(), QStringLiteral("Camera Events"));
    SSTab1->addTab(buildProximityTab(), QStringLiteral("Proximity Events"));
    v->addWidget(SSTab1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    cmdOk = button(this, QStringLiteral("cmdOk"), QStringLiteral("OK"));
    bottom->addWidget(cmdOk);
    cmdCancelSetup = button(this, QStringLiteral("cmdCancelSetup(0)"), QStringLiteral("Cancel"));
    bottom->addWidget(cmdCancelSetup);
    lblHighStore = named(new QLabel(this), QStringLiteral("lblHighStore"));
    lblLowStore = named(new QLabel(this), QStringLiteral("lblLowStore"));
    lblHighStore->hide();
    lblLowStore->hide();
    v->addLayout(bottom);
    for (int n = 1; n <= 4; ++n) {
        timerDelayEvent[n] = named(new rt::Timer(this), indexed("timerDelayEvent", n));
        timerDelayEvent[n]->setInterval(10000);
        timerDelayEventUp[n] = named(new rt::Timer(this), indexed("timerDelayEventUp", n));
        timerDelayEventUp[n]->setInterval(5000);
    }
    wireHandlers();
    addCameraControls();
    wireIntervalHandlers();
    connect(cmdCancelSetup, &QPushButton::clicked, this, [this] { cmdCancelSetup_Click(0); });
    wireProximityPanels();
    resize(900, 600);
    Form_Load();
}

int formSensorSetup::tab() const { return SSTab1->currentIndex(); }

void formSensorSetup::setTab(int index) {
    if (index >= 0 && index < SSTab1->count()) SSTab1->setCurrentIndex(index);
}

void formSensorSetup::bringToFront() {
    rt::showInFront(this);
}

// ---------------------------------------------------------------- layout

QWidget* formSensorSetup::buildDeviceTab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    const QString heads[] = {QStringLiteral("Device Type"), QStringLiteral("COM"),       QStringLiteral("Slot"),
                             QString(),                     QString(),                   QString(),
                             QStringLiteral("Tab Log"),     QStringLiteral("File Log"),  QStringLiteral("Event Mode"),
                             QStringLiteral("Summary")};
    for (int c = 0; c < 10; ++c) {
        auto* h = new QLabel(heads[c], page);
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
        grid->addWidget(h, 0, c);
    }
    for (int row = 1; row <= 10; ++row) {
        lblDeviceType[row] = named(new QLabel(page), indexed("lblDeviceType", row));
        txtDeviceComNumber[row] = lineEdit(page, indexed("txtDeviceComNumber", row), QString(), 40);
        lblSubIndex[row] = named(new QLabel(QStringLiteral("0"), page), indexed("lblSubIndex", row));
        imgStatus[row] = named(new QLabel(page), indexed("imgStatus", row));
        cmdConnectSensor[row] = button(page, indexed("cmdConnectSensor", row), QStringLiteral("Connect"));
        cmdDeleteMe[row] = button(page, indexed("cmdDeleteMe", row), QStringLiteral("Delete"));
        chkTabLogging[row] = checkBox(page, indexed("chkTabLogging", row));
        chkFileLogging[row] = checkBox(page, indexed("chkFileLogging", row));
        chkBinaryMode[row] = checkBox(page, indexed("chkBinaryMode", row));
        chkSendToSummary[row] = checkBox(page, indexed("chkSendToSummary", row));
        QWidget* cells[] = {lblDeviceType[row],  txtDeviceComNumber[row], lblSubIndex[row], imgStatus[row],
                            cmdConnectSensor[row], cmdDeleteMe[row],     chkTabLogging[row], chkFileLogging[row],
                            chkBinaryMode[row],  chkSendToSummary[row]};
        for (int c = 0; c < 10; ++c) {
            grid->addWidget(cells[c], row, c);
            cells[c]->hide(); // a row shows once a device is loaded or added into it
        }
    }
    grid->setColumnStretch(0, 1);
    // The type column's least width; a longer type widens it, so its text is never cut.
    grid->setColumnMinimumWidth(0, 230);
    v->addLayout(grid);
    auto* connectAll = new QHBoxLayout;
    cmdConnectAll = button(page, QStringLiteral("cmdConnectAll"), QStringLiteral("Connect All"));
    connectAll->addWidget(cmdConnectAll);
    cmdAddDevice = button(page, QStringLiteral("cmdAddDevice"), QStringLiteral("Add Device"));
    connectAll->addWidget(cmdAddDevice);
    connectAll->addStretch(1);
    v->addLayout(connectAll);

    auto* options = new QGroupBox(QStringLiteral("Reading and Logging"), page);
    auto* og = new QGridLayout(options);
    Frame3 = named(new QGroupBox(QStringLiteral("Global Interval Settings"), options), QStringLiteral("Frame3"));
    auto* ig = new QGridLayout(Frame3);
    ig->addWidget(new QLabel(QStringLiteral("Reading interval:"), Frame3), 0, 0);
    txtReadingInterval = lineEdit(Frame3, QStringLiteral("txtReadingInterval"), QStringLiteral("30"), 60);
    ig->addWidget(txtReadingInterval, 0, 1);
    cmbMinOrSecs = named(new QComboBox(Frame3), QStringLiteral("cmbMinOrSecs"));
    ig->addWidget(cmbMinOrSecs, 0, 2);
    sliderInterval = named(new QSlider(Qt::Horizontal, Frame3), QStringLiteral("sliderInterval"));
    sliderInterval->setRange(1, 120);
    sliderInterval->setValue(30);
    ig->addWidget(sliderInterval, 0, 3);
    ig->addWidget(new QLabel(QStringLiteral("Line interval (ms):"), Frame3), 1, 0);
    txtBinaryInterval = lineEdit(Frame3, QStringLiteral("txtBinaryInterval"), QStringLiteral("500"), 60);
    ig->addWidget(txtBinaryInterval, 1, 1);
    cmdSetInterval = button(Frame3, QStringLiteral("cmdSetInterval"), QStringLiteral("Set"));
    ig->addWidget(cmdSetInterval, 1, 2);
    og->addWidget(Frame3, 0, 0, 2, 4);
    og->addWidget(new QLabel(QStringLiteral("Log folder:"), options), 2, 0);
    lblLogDirectory = named(new QLabel(options), QStringLiteral("lblLogDirectory"));
    og->addWidget(lblLogDirectory, 2, 1, 1, 3);
    txtPrefaceFiles =
        labelledBox(og, 3, QStringLiteral("File prefix:"), QStringLiteral("txtPrefaceFiles"), QStringLiteral("_"), 120);
    txtMaxFileSize = labelledBox(og, 4, QStringLiteral("Max file size (KB):"), QStringLiteral("txtMaxFileSize"),
                                 QStringLiteral("1000"), 80);
    txtHDDTotalAmount = labelledBox(og, 5, QStringLiteral("Log folder limit (KB):"),
                                    QStringLiteral("txtHDDTotalAmount"), QStringLiteral("10000"), 80);
    chkCloseFileAfterWrite =
        checkBox(options, QStringLiteral("chkCloseFileAfterWrite"), QStringLiteral("Close log file after each write"));
    chkAutoConnectPrefs =
        checkBox(options, QStringLiteral("chkAutoConnectPrefs"), QStringLiteral("Connect all sensors at start-up"));
    chkPlaceInStartup =
        checkBox(options, QStringLiteral("chkPlaceInStartup"), QStringLiteral("Start with the session"));
    chkRunningXp = checkBox(options, QStringLiteral("chkRunningXp"), QStringLiteral("Running XP"));
    chkMultiCamEnabled = checkBox(options, QStringLiteral("chkMultiCamEnabled"), QStringLiteral("Multiple cameras"));
    chkRunningXp->setEnabled(false);
    chkMultiCamEnabled->setEnabled(false);
    optSysTray = named(new QRadioButton(QStringLiteral("Manager running in Systray"), options), QStringLiteral("optSysTray"));
    optSysTray->setAutoExclusive(false);
    og->addWidget(chkCloseFileAfterWrite, 2 + 2, 2, 1, 2);
    og->addWidget(chkAutoConnectPrefs, 5, 2, 1, 2);
    og->addWidget(chkPlaceInStartup, 6, 2, 1, 2);
    og->addWidget(chkRunningXp, 6, 0);
    og->addWidget(chkMultiCamEnabled, 6, 1);
    og->addWidget(optSysTray, 7, 0);
    cmdKestlink_exe = button(options, QStringLiteral("cmdKestlink_exe"), QStringLiteral("Hub Setup"));
    og->addWidget(cmdKestlink_exe, 7, 2);
    v->addWidget(options);
    v->addStretch(1);
    return page;
}

QWidget* formSensorSetup::buildAlertsTab() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    auto limits = [&](const QString& title, const QString& maxName, QLineEdit*& maxBox, const QString& minName,
                      QLineEdit*& minBox, const QString& maxText, const QString& minText,
                      const QString& maxLabel = QStringLiteral("Maximum:"),
                      const QString& minLabel = QStringLiteral("Minimum:")) {
        auto* box = new QGroupBox(title, page);
        auto* g = new QGridLayout(box);
        maxBox = labelledBox(g, 0, maxLabel, maxName, maxText, 70);
        minBox = labelledBox(g, 1, minLabel, minName, minText, 70);
        return box;
    };
    auto* temp = limits(QStringLiteral("Temperature Alert Settings"), QStringLiteral("txtTempMax"), txtTempMax,
                        QStringLiteral("txtTempMin"), txtTempMin, QStringLiteral("80"), QStringLiteral("30"));
    auto* tg = static_cast<QGridLayout*>(temp->layout());
    optCorF = named(new QRadioButton(QStringLiteral("Celsius"), temp), QStringLiteral("optCorF"));
    optCorF2 = named(new QRadioButton(QStringLiteral("Fahrenheit"), temp), QStringLiteral("optCorF2"));
    optCorF2->setChecked(true);
    tg->addWidget(optCorF, 2, 0);
    tg->addWidget(optCorF2, 2, 1);
    grid->addWidget(temp, 0, 0);
    grid->addWidget(limits(QStringLiteral("Humidity Alert Settings"), QStringLiteral("txtHumidMax"), txtHumidMax,
                           QStringLiteral("txtHumidMin"), txtHumidMin, QStringLiteral("70"), QStringLiteral("20")),
                    0, 1);
    // One frame holds the limits of both axes.
    auto* accel = limits(QStringLiteral("Accelerometer Alert Settings"), QStringLiteral("txtXMaxThresh"),
                         txtXMaxThresh, QStringLiteral("txtXMinThresh"), txtXMinThresh, QStringLiteral("1"),
                         QStringLiteral("-1"), QStringLiteral("X maximum:"), QStringLiteral("X minimum:"));
    auto* axes = static_cast<QGridLayout*>(accel->layout());
    txtYMaxThresh = labelledBox(axes, 2, QStringLiteral("Y maximum:"), QStringLiteral("txtYMaxThresh"),
                                QStringLiteral("1"), 70);
    txtYMinThresh = labelledBox(axes, 3, QStringLiteral("Y minimum:"), QStringLiteral("txtYMinThresh"),
                                QStringLiteral("-1"), 70);
    grid->addWidget(accel, 0, 2);
    auto* dist = limits(QStringLiteral("Distance Alert Settings"), QStringLiteral("txtMaxDistanceThresh"),
                        txtMaxDistanceThresh, QStringLiteral("txtMinDistanceThresh"), txtMinDistanceThresh,
                        QStringLiteral("100"), QStringLiteral("30"), QStringLiteral("Max distance:"),
                        QStringLiteral("Min distance:"));
    txtMaxDistanceThresh->setToolTip(QStringLiteral("when something moves out of range by Y cm"));
    txtMinDistanceThresh->setToolTip(QStringLiteral("when something is closer than X cm"));
    chkOutOfRangeAlert = checkBox(dist, QStringLiteral("chkOutOfRangeAlert"), QStringLiteral("Out of range alert"));
    static_cast<QGridLayout*>(dist->layout())->addWidget(chkOutOfRangeAlert, 2, 0, 1, 2);
    grid->addWidget(dist, 1, 0);

    struct Row {
        int index;
        const char* caption;
    };
    const Row rows[] = {{1, "Temperature Alerts"}, {2, "Humidity Alerts"},       {6, "Water Alerts"},
                        {8, "Corvisent/A Alerts"}, {9, "Corvisent/D Alerts"},    {0, "Bump Sensor Alerts"},
                        {3, "Corvisent/D Proximity"}};
    auto* alerts = new QWidget(page);
    auto* ag = new QGridLayout(alerts);
    ag->setContentsMargins(0, 0, 0, 0);
    int pos = 0;
    for (const Row& r : rows) {
        auto* f = named(new QGroupBox(QLatin1String(r.caption), alerts), indexed("frmEnableAlerts", r.index));
        auto* fl = new QVBoxLayout(f);
        chkPageAlert[r.index] = checkBox(f, indexed("chkPageAlert", r.index), QStringLiteral("Page-On-Alarm"));
        chkOnScreenAlert[r.index] =
            checkBox(f, indexed("chkOnScreenAlert", r.index), QStringLiteral("On-Screen-Alarm"));
        chkEmailAlert[r.index] = checkBox(f, indexed("chkEmailAlert", r.index), QStringLiteral("Email-On-Alarm"));
        fl->addWidget(chkPageAlert[r.index]);
        fl->addWidget(chkOnScreenAlert[r.index]);
        fl->addWidget(chkEmailAlert[r.index]);
        frmEnableAlerts[r.index] = f;
        ag->addWidget(f, pos / 4, pos % 4);
        ++pos;
    }
    grid->addWidget(alerts, 2, 0, 1, 4);

    auto* global = new QGroupBox(QStringLiteral("Global Settings"), page);
    auto* gl = new QVBoxLayout(global);
    chkLocalMonitoring = checkBox(global, QStringLiteral("chkLocalMonitoring"), QStringLiteral("Disable All Alerts"));
    chkUseAlerts = checkBox(global, QStringLiteral("chkUseAlerts"), QStringLiteral("Local Audible Alert"));
    chkUseAlerts->setToolTip(QStringLiteral("An On Screen Alert must first be on"));
    gl->addWidget(chkLocalMonitoring);
    gl->addWidget(chkUseAlerts);
    grid->addWidget(global, 1, 1);
    auto* frequency = new QGroupBox(QStringLiteral("Alert Frequency"), page);
    auto* fl = new QVBoxLayout(frequency);
    chkAlwaysSendAlert = checkBox(
        frequency, QStringLiteral("chkAlwaysSendAlert"),
        QStringLiteral("Keep sending alerts until reading is back to normal (unlimited number of alerts)"));
    fl->addWidget(chkAlwaysSendAlert);
    grid->addWidget(frequency, 1, 2, 1, 2);

    auto* transport = new QGroupBox(QStringLiteral("Notification"), page);
    auto* tl = new QGridLayout(transport);
    auto* mail = new QWidget(transport);
    auto* ml = new QVBoxLayout(mail);
    ml->setContentsMargins(0, 0, 0, 0);
    optUseSMTP = named(new QRadioButton(QStringLiteral("SMTP"), mail), QStringLiteral("optUseSMTP"));
    optUseMAPI = named(new QRadioButton(QStringLiteral("MAPI"), mail), QStringLiteral("optUseMAPI"));
    ml->addWidget(optUseSMTP);
    ml->addWidget(optUseMAPI);
    auto* pager = new QWidget(transport);
    auto* pl = new QVBoxLayout(pager);
    pl->setContentsMargins(0, 0, 0, 0);
    optionNumericalPager =
        named(new QRadioButton(QStringLiteral("Numerical Pager"), pager), QStringLiteral("optionNumericalPager"));
    optionPhonePager = named(new QRadioButton(QStringLiteral("Dial phone (User Caller ID)"), pager), QStringLiteral("optionPhonePager"));
    pl->addWidget(optionNumericalPager);
    pl->addWidget(optionPhonePager);
    cmdEmailSetup = button(transport, QStringLiteral("cmdEmailSetup"), QStringLiteral("Email Setup"));
    cmdSetPagerMessage = button(transport, QStringLiteral("cmdSetPagerMessage"), QStringLiteral("Pager Setup"));
    tl->addWidget(mail, 0, 0);
    tl->addWidget(pager, 0, 1);
    tl->addWidget(cmdEmailSetup, 1, 0);
    tl->addWidget(cmdSetPagerMessage, 1, 1);
    // Beside the accelerometer's limits rather than the long frequency line: the tab fits a
    // 1024 px wide screen.
    grid->addWidget(transport, 0, 3);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* formSensorSetup::buildCameraTab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    lblNoCamDevicePresent =
        named(new QLabel(QStringLiteral("No Corvisent/V cameras present."), page), QStringLiteral("lblNoCamDevicePresent"));
    v->addWidget(lblNoCamDevicePresent);
    cambehavioral = named(new QGroupBox(QStringLiteral("Camera Options"), page), QStringLiteral("cambehavioral"));
    auto* grid = new QGridLayout(cambehavioral);
    for (int k = 1; k <= 4; ++k) {
        frameCamSetupCover[k] = named(new rt::CaptionFrame(QStringLiteral("Camera %1").arg(k), cambehavioral),
                                      indexed("frameCamSetupCover", k));
        auto* fl = new QVBoxLayout(frameCamSetupCover[k]);
        fl->setContentsMargins(8, 24, 8, 8);
        QWidget* f = frameCamSetupCover[k];
        chkCamMonitorOnly[k] = checkBox(f, indexed("chkCamMonitorOnly", k), QStringLiteral("Monitor only"));
        chkCamUseProxim[k] =
            checkBox(f, indexed("chkCamUseProxim", k), QStringLiteral("Use with proximity sensor"));
        lblProxDevice[k] =
            named(new QLabel(QStringLiteral("Proximity sensor:"), f), indexed("lblProxDevice", k));
        cmbProximNumber[k] = named(new QComboBox(f), indexed("cmbProximNumber", k));
        chkProximSnapCam[k] = checkBox(f, indexed("chkProximSnapCam", k), QStringLiteral("Snap picture"));
        chkCaptureToAVI[k] = checkBox(f, indexed("chkCaptureToAVI", k), QStringLiteral("Capture to AVI"));
        chkCamAutoDisc[k] = checkBox(f, indexed("chkCamAutoDisc", k), QStringLiteral("Auto Disconnect"));
        lblFPS[k] = named(new QLabel(QStringLiteral("Frames per second:"), f), indexed("lblFPS", k));
        cmbFramesPerSecond[k] = named(new QComboBox(f), indexed("cmbFramesPerSecond", k));
        auto* choice = new QHBoxLayout;
        choice->addWidget(lblProxDevice[k]);
        choice->addWidget(cmbProximNumber[k], 1);
        auto* fps = new QHBoxLayout;
        fps->addWidget(lblFPS[k]);
        fps->addWidget(cmbFramesPerSecond[k], 1);
        fl->addWidget(chkCamMonitorOnly[k]);
        fl->addWidget(chkCamUseProxim[k]);
        fl->addLayout(choice);
        for (QWidget* w :
             std::initializer_list<QWidget*>{chkProximSnapCam[k], chkCaptureToAVI[k], chkCamAutoDisc[k]})
            fl->addWidget(w);
        fl->addLayout(fps);
        // The options show once the camera is connected.
        for (QWidget* w :
             std::initializer_list<QWidget*>{chkCamMonitorOnly[k], chkCamUseProxim[k], lblProxDevice[k],
                                             cmbProximNumber[k], chkProximSnapCam[k], chkCaptureToAVI[k],
                                             chkCamAutoDisc[k], lblFPS[k], cmbFramesPerSecond[k]})
            w->hide();
        frameCamSetupCover[k]->hide();
        grid->addWidget(frameCamSetupCover[k], (k - 1) / 2, (k - 1) % 2);
    }
    cambehavioral->hide();
    v->addWidget(cambehavioral);
    v->addStretch(1);
    return page;
}

QWidget* formSensorSetup::buildProximityTab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    lblNoProximitySensorsPresent = named(new QLabel(QStringLiteral("No proximity sensors present."), page),
                                         QStringLiteral("lblNoProximitySensorsPresent"));
    v->addWidget(lblNoProximitySensorsPresent);
    auto* grid = new QGridLayout;
    for (int n = 1; n <= 4; ++n) {
        auto* f = named(new QGroupBox(page), indexed("frameProxBehavior", n));
        auto* g = new QGridLayout(f);
        optSysCommandDisabled[n] = named(new QRadioButton(QStringLiteral("Disabled (No events triggered)"), f),
                                         indexed("optSysCommandDisabled", n));
        optLogoutOnProximity[n] = named(new QRadioButton(QStringLiteral("Log off system when triggered"), f),
                                        indexed("optLogoutOnProximity", n));
        optLogoutOnProximity[n]->setToolTip(QStringLiteral("Forces a log off without any prompting"));
        optSystemLock[n] =
            named(new QRadioButton(QStringLiteral("Lock system when triggered"), f), indexed("optSystemLock", n));
        optRunCommand[n] = named(new QRadioButton(QStringLiteral("Run Commands (scripts, screensavers, executables):"), f),
                                 indexed("optRunCommand", n));
        // One action is always chosen; a panel nobody has set up yet triggers nothing.
        optSysCommandDisabled[n]->setChecked(true);
        g->addWidget(optSysCommandDisabled[n], 0, 0, 1, 4);
        g->addWidget(optLogoutOnProximity[n], 1, 0, 1, 4);
        g->addWidget(optSystemLock[n], 2, 0, 1, 4);
        g->addWidget(optRunCommand[n], 3, 0, 1, 4);
        lblCommandOnProx[n] = lineEdit(f, indexed("lblCommandOnProx", n), QStringLiteral("Path not set"));
        lblAwayParams[n] = lineEdit(f, indexed("lblAwayParams", n), QString(), 100);
        txtDelayEventAway[n] = lineEdit(f, indexed("txtDelayEventAway", n), QStringLiteral("0"), 40);
        txtDelayEventAway[n]->setToolTip(QStringLiteral("For Walk-Away events only (Valid Range: 0 to 60 seconds)"));
        lblCommandOnProxApproach[n] =
            lineEdit(f, indexed("lblCommandOnProxApproach", n), QStringLiteral("Path not set"));
        lblUpParams[n] = lineEdit(f, indexed("lblUpParams", n), QString(), 100);
        txtDelayEventUp[n] = lineEdit(f, indexed("txtDelayEventUp", n), QStringLiteral("0"), 40);
        txtDelayEventUp[n]->setToolTip(QStringLiteral("For Walk-Up commands only (Valid Range: 0 to 60 seconds)"));
        g->addWidget(new QLabel(QStringLiteral("Walk away:"), f), 4, 0);
        g->addWidget(lblCommandOnProx[n], 4, 1);
        g->addWidget(lblAwayParams[n], 4, 2);
        g->addWidget(txtDelayEventAway[n], 4, 3);
        g->addWidget(new QLabel(QStringLiteral("Walk up:"), f), 5, 0);
        g->addWidget(lblCommandOnProxApproach[n], 5, 1);
        g->addWidget(lblUpParams[n], 5, 2);
        g->addWidget(txtDelayEventUp[n], 5, 3);
        auto* ex = named(new QGroupBox(f), indexed("frameProxBehaviorEx", n));
        auto* el = new QHBoxLayout(ex);
        chkOnScreenOnProx[n] = checkBox(ex, indexed("chkOnScreenOnProx", n), QStringLiteral("On-Screen-Alarm"));
        chkEmailOnProx[n] = checkBox(ex, indexed("chkEmailOnProx", n), QStringLiteral("Email-On-Alarm"));
        el->addWidget(chkOnScreenOnProx[n]);
        el->addWidget(chkEmailOnProx[n]);
        g->addWidget(ex, 6, 0, 1, 4);
        frameProxBehavior[n] = f;
        frameProxBehaviorEx[n] = ex;
        f->hide();
        ex->hide();
        grid->addWidget(f, (n - 1) / 2, (n - 1) % 2);
    }
    v->addLayout(grid);
    v->addStretch(1);
    return page;
}

void formSensorSetup::wireHandlers() {
    for (int row = 1; row <= 10; ++row) {
        connect(cmdConnectSensor[row], &QPushButton::clicked, this, [this, row] { cmdConnectSensor_Click(row); });
        connect(cmdDeleteMe[row], &QPushButton::clicked, this, [this, row] { cmdDeleteMe_Click(row); });
        connect(chkTabLogging[row], &QCheckBox::stateChanged, this, [this, row] { chkTabLogging_Click(row); });
        connect(chkFileLogging[row], &QCheckBox::stateChanged, this, [this, row] { chkFileLogging_Click(row); });
        txtDeviceComNumber[row]->installEventFilter(this);
        lblDeviceType[row]->installEventFilter(this);
    }
    wireAlertHandlers();
    connect(cmdConnectAll, &QPushButton::clicked, this, &formSensorSetup::cmdConnectAll_Click);
    connect(cmdAddDevice, &QPushButton::clicked, this, &formSensorSetup::cmdAddDevice_Click);
    connect(cmdSetInterval, &QPushButton::clicked, this, &formSensorSetup::cmdSetInterval_Click);
    connect(cmdOk, &QPushButton::clicked, this, &formSensorSetup::cmdOk_Click);
    connect(cmdEmailSetup, &QPushButton::clicked, this, &formSensorSetup::cmdEmailSetup_Click);
    connect(cmdSetPagerMessage, &QPushButton::clicked, this, &formSensorSetup::cmdSetPagerMessage_Click);
    connect(chkAutoConnectPrefs, &QCheckBox::stateChanged, this, &formSensorSetup::chkAutoConnectPrefs_Click);
    connect(chkPlaceInStartup, &QCheckBox::stateChanged, this, &formSensorSetup::chkPlaceInStartup_Click);
    const std::pair<QRadioButton*, void (formSensorSetup::*)()> options[] = {
        {optUseMAPI, &formSensorSetup::optUseMAPI_Click},
        {optUseSMTP, &formSensorSetup::optUseSMTP_Click},
        {optionNumericalPager, &formSensorSetup::optionNumericalPager_Click},
        {optionPhonePager, &formSensorSetup::optionPhonePager_Click},
        {optCorF, &formSensorSetup::optCorF_Click},
        {optCorF2, &formSensorSetup::optCorF2_Click}};
    for (const auto& [option, handler] : options)
        connect(option, &QRadioButton::toggled, this, [this, handler = handler](bool on) {
            if (on) (this->*handler)();
        });
    connect(chkCloseFileAfterWrite, &QCheckBox::stateChanged, this, &formSensorSetup::chkCloseFileAfterWrite_Click);
    connect(txtMaxFileSize, &QLineEdit::textChanged, this, &formSensorSetup::txtMaxFileSize_Change);
    txtMaxFileSize->installEventFilter(this);
    connect(cmdKestlink_exe, &QPushButton::clicked, this, &formSensorSetup::cmdKestlink_exe_Click);
    for (int n = 1; n <= 4; ++n) {
        connect(cmbProximNumber[n], &QComboBox::currentTextChanged, this, [this, n] { cmbProximNumber_Click(n); });
        connect(timerDelayEvent[n], &rt::Timer::tick, this, [this, n] { timerDelayEvent_Timer(n); });
        connect(timerDelayEventUp[n], &rt::Timer::tick, this, [this, n] { timerDelayEventUp_Timer(n); });
    }
}

bool formSensorSetup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        for (int row = 1; row <= 10; ++row)
            if (watched == txtDeviceComNumber[row]) txtDeviceComNumber_LostFocus(row);
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int row = 1; row <= 10; ++row)
            if (watched == lblDeviceType[row]) lblDeviceType_DblClick(row);
    }
    if (event->type() == QEvent::MouseButtonPress && watched == txtMaxFileSize) txtMaxFileSize_Click();
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- handlers

void formSensorSetup::chkTabLogging_Click(int row) {
    if (loading()) return;
    platform::SaveSetting(kApp, deviceSection(row), QStringLiteral("TabLogging"),
                          QString::number(rt::value(chkTabLogging[row])));
}

void formSensorSetup::chkFileLogging_Click(int row) {
    // A size too large to count in bytes gives the largest limit instead of an overflow.
    constexpr double kMostBytes = double(std::numeric_limits<long>::max() / 2);
    lMaxFileSize =
        long(std::clamp(std::trunc(rt::Val(txtMaxFileSize->text())) * 1024, -kMostBytes, kMostBytes));
    if (loading()) return;
    platform::SaveSetting(kApp, deviceSection(row), QStringLiteral("FileLogging"),
                          QString::number(rt::value(chkFileLogging[row])));
}

void formSensorSetup::txtDeviceComNumber_LostFocus(int row) {
    if (loading() || !rt::visible(lblDeviceType[row])) return;
    platform::SaveSetting(kApp, deviceSection(row), QStringLiteral("Port"), txtDeviceComNumber[row]->text());
}

namespace {

// Gives back display slot `slot` of a kind's table; a slot outside 1..4 raises error 9.
void freeSlot(Table<6>& t, int slot) {
    if (slot < 1 || slot > 4) raiseSubscriptOutOfRange();
    if (t[slot] != 0 && t[0] > 0) --t[0];
    t[slot] = 0;
}

template <typename T> T* slotControl(const std::array<T*, 5>& a, int slot) {
    if (slot < 1 || slot > 4) raiseSubscriptOutOfRange();
    return a[slot];
}

} // namespace

void formSensorSetup::cmdDeleteMe_Click(int row) {
    if (row < 1 || row > 10) return;
    const QString type = lblDeviceType[row]->text();
    // Only a temperature half stored right below goes with the row; another device there stays.
    const bool pair = ComboPairAt(row);
    const DeviceRow device = RowOf(row);
    try {
        // A connect, reading or mode switch still waiting on the row ends first, quietly.
        for (int r : {row, pair ? row + 1 : row}) {
            ForgetRow(r);
            StopRow(r);
        }
        if (row == 1 && !AnyDeviceInSlots2to10())
            settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalDevices", QStringLiteral("0"));
        releaseRowSlot(row, type, pair, device);
        lblSubIndex[row]->setText(QStringLiteral("0"));
        CorvisentMain::instance().lblSensorReading[row]->hide();
        forgetDeviceCount(row, pair);
        hideDeletedRow(row, type, pair);
        deleteDeviceRecords(row, pair);
    } catch (const std::exception&) {
        // A failing step ends the deletion; the steps done stay done.
    }
}

// Gives back the display slot the row's device held, by the device's kind.
void formSensorSetup::releaseRowSlot(int row, const QString& type, bool pair, const DeviceRow& device) {
    const int slot = device.slot;
    if (slot == 0) return;
    const bool combo = type == strTypeComboHumid || type == strTypeComboOffer;
    const int kind = combo ? int(typeCombo) : TypeCodeOfName(type);
    if (IsCameraName(type))
        releaseCameraSlot(row, slot);
    else if (kind == typeCombo)
        releaseComboSlots(row, device.tempSlot, slot, pair);
    else if (TabSlotTable(kind))
        releaseKindSlot(row, kind, slot);
}

void formSensorSetup::releaseCameraSlot(int row, int slot) {
    auto& m = CorvisentMain::instance();
    const int cameras = int(rt::Val(settingsvalues::readKey(settingsvalues::Store::Tree, "TotalCameras"))) - 1;
    settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalCameras", QString::number(qMax(cameras, 0)));
    if (slot >= 1 && slot <= 4) {
        iCamSlot[slot] = camSlotFree;
        frameCamSetupCover[slot]->hide();
        rt::setTag(frameCamSetupCover[slot], QString::number(slot));
        chkSendToSummary[row]->hide();
    }
    ForgetSummaryOption(row);
    // The camera options and the Video tab follow the cameras still placed, whatever the stored
    // count says.
    bool anyCamera = false;
    for (int k = 1; k <= 4; ++k) anyCamera = anyCamera || iCamSlot[k] != camSlotFree;
    if (!anyCamera) cambehavioral->hide();
    m.lblNoCamDevicePresent->setVisible(!anyCamera);
    m.setTabEnabled(CorvisentMain::tabVideo, anyCamera);
}

void formSensorSetup::releaseComboSlots(int row, int t, int h, bool pair) {
    auto& m = CorvisentMain::instance();
    slotControl(m.frameTCover, t)->show();
    slotControl(m.frameHCover, h)->show();
    if (pair) {
        imgStatus[row + 1]->hide();
        m.lblSensorStatus[row + 1]->hide();
    }
    freeSlot(iTempTabSlot, t);
    freeSlot(iHumidTabSlot, h);
    CheckIfNoDevices(typeCombo);
}

// A sensor of a kind with its own tab; a proximity or distance sensor also gives back its
// proximity event index, found in its stored record or else in the row's table.
void formSensorSetup::releaseKindSlot(int row, int kind, int slot) {
    auto& m = CorvisentMain::instance();
    const CorvisentMain::KindTab& t = *CorvisentMain::kindTab(kind);
    slotControl(m.*t.covers, slot)->show();
    int n = 0;
    if (kind == typeProximity || kind == typeDistance) {
        n = int(rt::Val(platform::GetSetting(kApp, deviceSection(row), QStringLiteral("ProxEventIndex"),
                                             QStringLiteral("0"))));
        if (n == 0) n = iProxSlot[row];
        iProxSlot[row] = 0;
    }
    freeSlot(*t.slotTable, slot);
    releaseProxEventIndex(n);
    CheckIfNoDevices(kind);
    if (kind == typeProximity || kind == typeDistance) AnyProxBehaviorFrameShown(1);
}

// Puts the proximity actions of event index n back to "none" and hides their panels.
void formSensorSetup::releaseProxEventIndex(int n) {
    if (n < 1 || n > 4) return;
    frameProxBehavior[n]->hide();
    frameProxBehaviorEx[n]->hide();
    rt::setOptionValue(optSysCommandDisabled[n], true);
    rt::setValue(chkEmailOnProx[n], 0);
    rt::setValue(chkOnScreenOnProx[n], 0);
}

// The stored device count (and its copy in the settings file) and the open-port count.
void formSensorSetup::forgetDeviceCount(int row, bool pair) {
    const QString total = settingsvalues::readKey(settingsvalues::Store::Tree, "TotalDevices", 0, QString());
    if (rt::Val(total) != 0) {
        const int left = qMax(0, int(rt::Val(total)) - (pair ? 2 : 1));
        settingsvalues::saveKey(settingsvalues::Store::Tree, "TotalDevices", QString::number(left));
        settingsvalues::saveKey(settingsvalues::Store::Ini, "TotalDevices", QString::number(left));
    }
    if (iPortOpen[row] != 0 && iPortOpen[0] > 0) --iPortOpen[0];
    iPortOpen[row] = 0;
}

void formSensorSetup::hideDeletedRow(int row, const QString& type, bool pair) {
    if (pair) {
        MakeInvisible(0, row, typeCombo);
        lblDeviceType[row + 1]->hide();
        // The temperature half's port and slot go with it, so no part of the pair stays shown.
        txtDeviceComNumber[row + 1]->hide();
        lblSubIndex[row + 1]->setText(QStringLiteral("0"));
        lblSubIndex[row + 1]->hide();
    } else {
        MakeInvisible(0, row, (type == strTypeAccel || type == strTypeDistance) ? int(typeDistance) : 0);
    }
}

// The stored record and its copy in the settings file go together, so that neither brings the
// device back at the next start.
void formSensorSetup::deleteDeviceRecords(int row, bool pair) {
    const int last = pair ? row + 1 : row;
    for (int r = row; r <= last; ++r) {
        platform::DeleteSetting(kApp, deviceSection(r));
        platform::WritePrivateProfileString(QStringLiteral("Device Setup\\%1").arg(r), QString(), QString(),
                                            strINIPath);
    }
}

// ---- The row button hands over to the sensor code.

rt::Task<> formSensorSetup::cmdConnectSensor_Click(int row) {
    // The row's own connect, disconnect or reading is under way (this click came in during one
    // of its waits): the click does nothing.
    if (modSupport::RowIsBusy(row)) co_return;
    co_await modSupport::ToggleSensorConnection(row);
}
