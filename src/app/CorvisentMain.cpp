#include "app/CorvisentMain.h"

#include <QAction>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "cameras/ezVidCap.h"
#include "platform/mscomm.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "sensors/readinglogs.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

namespace {

// Holds a display position's controls with its cover frame laid over them: while the cover is
// shown the position reads as empty.
class CoverHost : public QWidget {
public:
    explicit CoverHost(QWidget* parent = nullptr) : QWidget(parent) {}
    void setCover(QWidget* cover) {
        m_cover = cover;
        cover->setParent(this);
        cover->setGeometry(rect());
        cover->raise();
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        if (m_cover) {
            m_cover->setGeometry(rect());
            m_cover->raise();
        }
    }

private:
    QWidget* m_cover = nullptr;
};

// Makes a label whose text changes many times a second opaque, so that a new text repaints the
// label alone and not the group box and tab page under it. The label fills itself with the
// colour those paint where it stands, read off the window once the label is first on screen.
class OpaqueOnScreen : public QObject {
public:
    static void apply(QLabel* label) { label->installEventFilter(&instance()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            // Shown with a hidden page or window the label is not on screen yet; after the
            // show the layout has placed it.
            QTimer::singleShot(0, watched, [label = static_cast<QLabel*>(watched)] { takeFill(label); });
        }
        return false;
    }

private:
    static OpaqueOnScreen& instance() {
        static OpaqueOnScreen filter;
        return filter;
    }
    static void takeFill(QLabel* label) {
        if (!label->isVisible() || label->autoFillBackground()) return;
        // The top left pixel: the text is set right and centred in a taller label.
        const QRect pixel(label->mapTo(label->window(), QPoint(0, 0)), QSize(1, 1));
        const QColor under = label->window()->grab(pixel).toImage().pixelColor(0, 0);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, under);
        label->setPalette(palette);
        label->setAutoFillBackground(true);
        label->removeEventFilter(&instance());
    }
};

void setBold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

QLabel* makeLabel(const QString& text, QWidget* parent, const QString& name = QString()) {
    auto* l = new QLabel(text, parent);
    if (!name.isEmpty()) l->setObjectName(name);
    return l;
}

QPushButton* makeButton(const QString& text, QWidget* parent, const QString& name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QString indexed(const char* name, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i); }

QLabel* makeNoDeviceLabel(const QString& text, QWidget* parent, const char* name) {
    auto* l = makeLabel(text, parent, QLatin1String(name));
    setBold(l);
    rt::setFontSize(l, l->font().pointSizeF() * 1.2);
    l->setAlignment(Qt::AlignCenter);
    rt::setForeColor(l, rt::vbRed);
    return l;
}

// A framed display position on a tab, laid out top to bottom.
QVBoxLayout* makeSlotBox(QWidget* page, QGridLayout* grid, int slot) {
    auto* box = new QFrame(page);
    box->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(8, 6, 8, 8);
    grid->addWidget(box, (slot - 1) / 2, (slot - 1) % 2);
    return layout;
}

// The covered part of a display position, with its own top-to-bottom layout.
CoverHost* makeCoverHost(QVBoxLayout* slotLayout, QVBoxLayout** inner) {
    auto* host = new CoverHost(slotLayout->parentWidget());
    *inner = new QVBoxLayout(host);
    (*inner)->setContentsMargins(0, 0, 0, 0);
    slotLayout->addWidget(host, 1);
    return host;
}

const char* const kCaptions[8] = {"Summary", "Temperature", "Humidity", "Proximity",
                                  "Video",   "Water",       "Acceleration", "Distance"};

} // namespace

CorvisentMain& CorvisentMain::instance() {
    static CorvisentMain* w = new CorvisentMain();
    return *w;
}

CorvisentMain::CorvisentMain() {
    setWindowTitle(QStringLiteral("Corvisent Manager"));
    setObjectName(QStringLiteral("CorvisentMain"));
    sstabCorvisentMan = new QTabWidget(this);
    sstabCorvisentMan->setObjectName(QStringLiteral("sstabCorvisentMan"));
    sstabCorvisentMan->setDocumentMode(false);
    for (int i = 0; i < 8; ++i) {
        m_captions[i] = QLatin1String(kCaptions[i]);
        m_pages[i] = new QWidget;
        m_pages[i]->setObjectName(QStringLiteral("tab%1").arg(i));
        sstabCorvisentMan->addTab(m_pages[i], m_captions[i]);
    }
    setCentralWidget(sstabCorvisentMan);

    buildSummaryTab();
    buildKindTabs();
    buildVideoTab();
    wireCameraControls();
    buildInvisibleControls();
    buildPopupMenu();
    buildMenus();
    buildMailControl();

    // Kind tabs stay off until a device of that kind is loaded or added.
    for (int i = tabTemperature; i <= tabDistance; ++i) setTabEnabled(i, false);
    m_prevTab = sstabCorvisentMan->currentIndex();
    connect(sstabCorvisentMan, &QTabWidget::currentChanged, this, [this](int) {
        const int previous = m_prevTab;
        m_prevTab = sstabCorvisentMan->currentIndex();
        sstabCorvisentMan_Click(previous);
    });
    resize(960, 680);
}

// ---------------------------------------------------------------- tab strip

int CorvisentMain::tab() const { return sstabCorvisentMan->currentIndex(); }

void CorvisentMain::setTab(int index) {
    if (index < 0 || index >= 8) return;
    sstabCorvisentMan->setCurrentIndex(index);
}

bool CorvisentMain::tabEnabled(int index) const {
    if (index < 0 || index >= 8) return false;
    return sstabCorvisentMan->isTabVisible(index);
}

void CorvisentMain::setTabEnabled(int index, bool on) {
    if (index < 0 || index >= 8 || sstabCorvisentMan->isTabVisible(index) == on) return;
    sstabCorvisentMan->setTabVisible(index, on);
}

// ---------------------------------------------------------------- layout

void CorvisentMain::buildSummaryTab() {
    QWidget* page = m_pages[tabSummary];
    auto* outer = new QHBoxLayout(page);

    auto* rowsBox = new QGroupBox(QStringLiteral("Sensors"), page);
    auto* grid = new QGridLayout(rowsBox);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(4);
    const QString headings[] = {QStringLiteral("Sensor Description"), QStringLiteral("Reading"),
                                QString(), QStringLiteral("Reading Status")};
    for (int c = 0; c < 4; ++c) {
        auto* h = makeLabel(headings[c], rowsBox);
        setBold(h);
        grid->addWidget(h, 0, c);
    }
    for (int row = 1; row <= 10; ++row) {
        lblSensor1[row] = makeLabel(QStringLiteral("LBL"), rowsBox, indexed("lblSensor1", row));
        lblSensor1[row]->setToolTip(QStringLiteral("(Right click for a menu)"));
        lblSensor1[row]->setMinimumWidth(rt::twipsToPixels(3375));
        rt::setFontSize(lblSensor1[row], lblSensor1[row]->font().pointSizeF() * 1.15);
        lblSensor1[row]->installEventFilter(this);
        lblSensorReading[row] = makeLabel(QString(), rowsBox, indexed("lblSensorReading", row));
        lblSensorReading[row]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        rt::setFontSize(lblSensorReading[row], 14);
        // A streamed sensor changes its reading many times a second: with a size of its own the
        // label repaints alone, without laying the page out again.
        lblSensorReading[row]->setFixedSize(
            std::max(110, lblSensorReading[row]->fontMetrics().horizontalAdvance(QStringLiteral("No Object")) + 8),
            30);
        OpaqueOnScreen::apply(lblSensorReading[row]);
        lblMeasure[row] = makeLabel(QString(), rowsBox, indexed("lblMeasure", row));
        lblMeasure[row]->setMinimumWidth(24);
        rt::setFontSize(lblMeasure[row], 14);
        lblSensorStatus[row] = makeLabel(QStringLiteral(" "), rowsBox, indexed("lblSensorStatus", row));
        lblSensorStatus[row]->setMinimumWidth(150);
        rt::setFontSize(lblSensorStatus[row], 14);
        lblSensorStatus[row]->installEventFilter(this);
        for (QLabel* l : {lblSensor1[row], lblSensorReading[row], lblMeasure[row], lblSensorStatus[row]}) {
            l->setMinimumHeight(30);
            l->hide();
        }
        grid->addWidget(lblSensor1[row], row, 0);
        grid->addWidget(lblSensorReading[row], row, 1);
        grid->addWidget(lblMeasure[row], row, 2);
        grid->addWidget(lblSensorStatus[row], row, 3);
        grid->setRowMinimumHeight(row, 34);
    }
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(11, 1);
    outer->addWidget(rowsBox, 3);

    m_summaryVideo = new QWidget(page);
    auto* camBox = new QVBoxLayout(m_summaryVideo);
    camBox->setContentsMargins(0, 0, 0, 0);
    lblCurrentCamView = makeLabel(QString(), page, QStringLiteral("lblCurrentCamView"));
    camBox->addWidget(lblCurrentCamView);
    auto* host = new CoverHost(page);
    host->setMinimumSize(rt::twipsToPixels(4800), rt::twipsToPixels(3600));
    auto* hostLayout = new QVBoxLayout(host);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    ezVidCap1[0] = new ezVidCap(host);
    ezVidCap1[0]->setObjectName(indexed("ezVidCap1", 0));
    hostLayout->addWidget(ezVidCap1[0]);
    frameSummaryVidContainer = new rt::CaptionFrame(QStringLiteral("Video Surveillance"));
    frameSummaryVidContainer->setObjectName(QStringLiteral("frameSummaryVidContainer"));
    host->setCover(frameSummaryVidContainer);
    camBox->addWidget(host);
    cmdSnapPicture = makeButton(QStringLiteral("Save Picture"), page, QStringLiteral("cmdSnapPicture"));
    cmdNoVideo = makeButton(QStringLiteral("NV"), page, QStringLiteral("cmdNoVideo"));
    auto* camButtons = new QHBoxLayout;
    camButtons->addStretch(1);
    camButtons->addWidget(cmdSnapPicture);
    camBox->addLayout(camButtons);
    camBox->addStretch(1);
    lblPrevCamSetupIndex = makeLabel(QStringLiteral("99"), page, QStringLiteral("lblPrevCamSetupIndex"));
    lblPrevCamSubIndex = makeLabel(QStringLiteral("99"), page, QStringLiteral("lblPrevCamSubIndex"));
    for (QLabel* l : {lblPrevCamSetupIndex, lblPrevCamSubIndex}) l->hide();
    // The video toggle stays outside the panel it hides, so it can bring the panel back.
    auto* toggle = new QVBoxLayout;
    toggle->addWidget(cmdNoVideo);
    toggle->addStretch(1);
    outer->addLayout(toggle);
    outer->addWidget(m_summaryVideo, 2);
}

namespace {

using W = CorvisentMain;
// How the window lays out the tab of a kind (the kind's controls are in its record,
// CorvisentMainControls::kindTab): the slot titles start at Label3[firstTitle]; object names of
// the name label, log box, clear button, cover frame and no-device label. In tab order.
struct KindTabLayout {
    int kind;
    int firstTitle;
    const char* title;
    const char* nameCaption;
    const char* objectNames[5];
    const char* noDeviceText;
    void (CorvisentMain::*clearHandler)(int);
    QPushButton* CorvisentMain::*tabButton;
    const char* tabButtonName;
    const char* tabButtonCaption;
    void (CorvisentMain::*tabButtonHandler)();
};
// clang-format off
const KindTabLayout kKindTabLayouts[] = {
    {.kind = typeTemperature, .firstTitle = 4,
     .title = "Temperature Sensor #%1", .nameCaption = "Temperature %1",
     .objectNames = {"lblTempDeviceName", "txtTempInData", "cmdClearTempLog", "frameTCover", "lblNoTDevicePresent"},
     .noDeviceText = "No temperature sensing devices present.", .clearHandler = &W::cmdClearTempLog_Click,
     .tabButton = &W::cmdSetThresh, .tabButtonName = "cmdSetThresh",
     .tabButtonCaption = "Set Thresholds", .tabButtonHandler = &W::cmdSetThresh_Click},
    {.kind = typeHumidity, .firstTitle = 8,
     .title = "Humidity Sensor #%1", .nameCaption = "Humidity %1",
     .objectNames = {"lblHumidDeviceName", "txtHumidInData", "cmdClearHumidLog", "frameHCover", "lblNoHDevicePresent"},
     .noDeviceText = "No humidity sensing devices present.", .clearHandler = &W::cmdClearHumidLog_Click,
     .tabButton = &W::cmdSetThreshold, .tabButtonName = "cmdSetThreshold",
     .tabButtonCaption = "Set Thresholds", .tabButtonHandler = &W::cmdSetThreshold_Click},
    {.kind = typeProximity, .firstTitle = 12,
     .title = "Proximity Sensor #%1", .nameCaption = "Proximity %1",
     .objectNames = {"lblProximDeviceName", "txtProximData", "cmdClearProximityLog", "framePCover", "lblNoPDevicePresent"},
     .noDeviceText = "No proximity sensing devices present.", .clearHandler = &W::cmdClearProximityLog_Click,
     .tabButton = &W::cmdSetProxBehaviors, .tabButtonName = "cmdSetProxBehaviors",
     .tabButtonCaption = "Set Proximity Events", .tabButtonHandler = &W::cmdSetProxBehaviors_Click},
    {.kind = typeWater, .firstTitle = 16,
     .title = "Water Sensor #%1", .nameCaption = "Water Detector %1",
     .objectNames = {"lblWaterDeviceName", "txtWaterData", "cmdClearWaterLog", "frameWCover", "Label2"},
     .noDeviceText = "No water sensing devices present.", .clearHandler = &W::cmdClearWaterLog_Click,
     .tabButton = &W::cmdSetThresh1, .tabButtonName = "cmdSetThresh1",
     .tabButtonCaption = "Set Thresholds", .tabButtonHandler = &W::cmdSetThresh1_Click},
    {.kind = typeAccel, .firstTitle = 20,
     .title = "Accelerometer Sensor #%1", .nameCaption = "Accel Detector %1",
     .objectNames = {"lblAccelDeviceName", "txtAccelData", "cmdClearAccelLog", "frameACover", "lblNoAccelDevices"},
     .noDeviceText = "No acceleration devices present.", .clearHandler = &W::cmdClearAccelLog_Click,
     .tabButton = &W::cmdSetThresh2, .tabButtonName = "cmdSetThresh2",
     .tabButtonCaption = "Set Thresholds", .tabButtonHandler = &W::cmdSetThresh2_Click},
    {.kind = typeDistance, .firstTitle = 0,
     .title = "Distance Sensor #%1", .nameCaption = "Distance Detector %1",
     .objectNames = {"lblDistanceDeviceName", "txtDistanceData", "cmdClearDistanceLog", "frameDCover", "lblNoDistanceDevices"},
     .noDeviceText = "No distance sensors present.", .clearHandler = &W::cmdClearDistanceLog_Click,
     .tabButton = &W::cmdSetThresh3, .tabButtonName = "cmdSetThresh3",
     .tabButtonCaption = "Set Thresholds", .tabButtonHandler = &W::cmdSetThresh3_Click},
};
// clang-format on

} // namespace

CorvisentMainControls& CorvisentMainControls::instance() {
    return CorvisentMain::instance();
}

void CorvisentMain::buildKindTabs() {
    // Every kind tab has four positions laid out alike; what differs is in its record.
    for (const KindTabLayout& l : kKindTabLayouts) {
        const KindTab& k = *kindTab(l.kind);
        QWidget* page = m_pages[k.tab];
        auto* v = new QVBoxLayout(page);
        this->*k.noDevice = makeNoDeviceLabel(QLatin1String(l.noDeviceText), page, l.objectNames[4]);
        v->addWidget(this->*k.noDevice);

        auto* grid = new QGridLayout;
        grid->setSpacing(10);
        for (int slot = 1; slot <= 4; ++slot) {
            QVBoxLayout* bv = makeSlotBox(page, grid, slot);
            QWidget* box = bv->parentWidget();
            const int titleIndex = l.firstTitle + slot - 1;
            Label3[titleIndex] =
                makeLabel(QString::fromLatin1(l.title).arg(slot), box, indexed("Label3", titleIndex));
            setBold(Label3[titleIndex]);
            bv->addWidget(Label3[titleIndex]);

            QVBoxLayout* hv = nullptr;
            CoverHost* host = makeCoverHost(bv, &hv);
            auto* name = makeLabel(QString::fromLatin1(l.nameCaption).arg(slot), host,
                                   indexed(l.objectNames[0], slot));
            rt::setFontSize(name, name->font().pointSizeF() * 1.15);
            rt::setForeColor(name, rt::vbBlue);
            (this->*k.names)[slot] = name;
            hv->addWidget(name);
            if (k.tab == tabTemperature || k.tab == tabHumidity) name->installEventFilter(this);

            auto* log = new QPlainTextEdit(host);
            log->setObjectName(indexed(l.objectNames[1], slot));
            log->setReadOnly(true);
            log->setUndoRedoEnabled(false); // a log box is only ever written by the program
            log->setMinimumHeight(90);
            (this->*k.logs)[slot] = log;
            hv->addWidget(log, 1);

            auto* buttons = new QHBoxLayout;
            auto* clear =
                makeButton(QStringLiteral("Clear Local Log"), host, indexed(l.objectNames[2], slot));
            (this->*k.clears)[slot] = clear;
            connect(clear, &QPushButton::clicked, this,
                    [this, h = l.clearHandler, slot] { (this->*h)(slot); });
            buttons->addWidget(clear);
            buttons->addStretch(1);
            if (k.tab == tabTemperature || k.tab == tabHumidity) addExtremes(k.tab == tabTemperature, slot, host, buttons);
            hv->addLayout(buttons);
            if (k.tab == tabAcceleration) addAccelButtons(slot, host, hv);
            if (k.tab == tabDistance) addDistanceButtons(slot, host, hv);

            auto* cover = new rt::CaptionFrame(QString());
            cover->setObjectName(indexed(l.objectNames[3], slot));
            (this->*k.covers)[slot] = cover;
            host->setCover(cover);
        }
        v->addLayout(grid, 1);

        auto* bottom = new QHBoxLayout;
        bottom->addStretch(1);
        if (k.tab == tabAcceleration) {
            cmdSendDPlus[1] = makeButton(QStringLiteral("D+<CR>"), page, indexed("cmdSendDPlus", 1));
            cmdSendDPlus[1]->hide();
        }
        this->*l.tabButton =
            makeButton(QLatin1String(l.tabButtonCaption), page, QLatin1String(l.tabButtonName));
        connect(this->*l.tabButton, &QPushButton::clicked, this, l.tabButtonHandler);
        bottom->addWidget(this->*l.tabButton);
        v->addLayout(bottom);
    }
}

void CorvisentMain::addExtremes(bool temperature, int slot, QWidget* host, QHBoxLayout* row) {
    const bool t = temperature;
    auto* hi = makeLabel(QStringLiteral("0"), host, indexed(t ? "lblTHighest" : "lblHHighest", slot));
    auto* lo = makeLabel(QStringLiteral("200"), host, indexed(t ? "lblTLowest" : "lblHLowest", slot));
    auto* reset =
        makeButton(QStringLiteral("Reset"), host, indexed(t ? "cmdClearTempHighLow" : "cmdClearHumidHighLow", slot));
    for (QLabel* l : {hi, lo}) {
        l->setMinimumWidth(48);
        l->hide();
    }
    row->addWidget(makeLabel(QStringLiteral("Highest:"), host));
    row->addWidget(hi);
    row->addWidget(makeLabel(QStringLiteral("Lowest:"), host));
    row->addWidget(lo);
    row->addWidget(reset);
    (t ? lblTHighest : lblHHighest)[slot] = hi;
    (t ? lblTLowest : lblHLowest)[slot] = lo;
    (t ? cmdClearTempHighLow : cmdClearHumidHighLow)[slot] = reset;
    connect(reset, &QPushButton::clicked, this,
            [this, t, slot] { t ? cmdClearTempHighLow_Click(slot) : cmdClearHumidHighLow_Click(slot); });
}

void CorvisentMain::addAccelButtons(int slot, QWidget* host, QVBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    cmdCalibrate[slot] = makeButton(QStringLiteral("Calibrate to 0"), host, indexed("cmdCalibrate", slot));
    cmdCalibrate[slot]->setToolTip(QStringLiteral("Click to set sensor back to a 0:0 state"));
    cmdSetToBump[slot] = makeButton(QStringLiteral("Set to Monitor 'bump'"), host, indexed("cmdSetToBump", slot));
    cmdSetBumpSens[slot] = makeButton(QStringLiteral("Set Sensitivity"), host, indexed("cmdSetBumpSens", slot));
    cmdSetBumpSens[slot]->setToolTip(QStringLiteral("1 (most sensitive) Through 9 (least sensitive)"));
    for (QPushButton* b : {cmdCalibrate[slot], cmdSetToBump[slot], cmdSetBumpSens[slot]}) row->addWidget(b);
    row->addStretch(1);
    layout->addLayout(row);
    connect(cmdCalibrate[slot], &QPushButton::clicked, this, [this, slot] { cmdCalibrate_Click(slot); });
    connect(cmdSetToBump[slot], &QPushButton::clicked, this, [this, slot] { cmdSetToBump_Click(slot); });
    connect(cmdSetBumpSens[slot], &QPushButton::clicked, this, [this, slot] { cmdSetBumpSens_Click(slot); });
}

void CorvisentMain::addDistanceButtons(int slot, QWidget* host, QVBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    cmdSetToProximityMode[slot] =
        makeButton(QStringLiteral("Set to Proximity Mode"), host, indexed("cmdSetToProximityMode", slot));
    cmdSetToProximityMode[slot]->setToolTip(QStringLiteral("Set sensor to act as a proximity sensor"));
    cmdSensD[slot] = makeButton(QStringLiteral("Set Sensitivity"), host, indexed("cmdSensD", slot));
    cmdSensD[slot]->setToolTip(QStringLiteral("1 (most sensitive) through 9 (least sensitive)"));
    row->addWidget(cmdSetToProximityMode[slot]);
    row->addWidget(cmdSensD[slot]);
    row->addStretch(1);
    layout->addLayout(row);
    connect(cmdSetToProximityMode[slot], &QPushButton::clicked, this,
            [this, slot] { cmdSetToProximityMode_Click(slot); });
    connect(cmdSensD[slot], &QPushButton::clicked, this, [this, slot] { cmdSensD_Click(slot); });
}

void CorvisentMain::buildVideoTab() {
    QWidget* page = m_pages[tabVideo];
    auto* v = new QVBoxLayout(page);
    lblNoCamDevicePresent =
        makeNoDeviceLabel(QStringLiteral("No Corvisent/V cameras present."), page, "lblNoCamDevicePresent");
    v->addWidget(lblNoCamDevicePresent);
    auto* grid = new QGridLayout;
    grid->setSpacing(10);
    for (int slot = 1; slot <= 4; ++slot) {
        QVBoxLayout* bv = makeSlotBox(page, grid, slot);
        QWidget* box = bv->parentWidget();
        auto* head = new QHBoxLayout;
        lblCamDeviceName[slot] =
            makeLabel(QStringLiteral("Camera %1").arg(slot), box, indexed("lblCamDeviceName", slot));
        setBold(lblCamDeviceName[slot]);
        Label1[slot] = makeLabel(QString(), box, indexed("Label1", slot));
        cmdCameraProp[slot] = makeButton(QStringLiteral("Properties"), box, indexed("cmdCameraProp", slot));
        head->addWidget(lblCamDeviceName[slot]);
        head->addStretch(1);
        head->addWidget(Label1[slot]);
        head->addWidget(cmdCameraProp[slot]);
        bv->addLayout(head);
        QVBoxLayout* hv = nullptr;
        CoverHost* host = makeCoverHost(bv, &hv);
        ezVidCap1[slot] = new ezVidCap(host);
        ezVidCap1[slot]->setObjectName(indexed("ezVidCap1", slot));
        hv->addWidget(ezVidCap1[slot]);
        frameSurvTabCoverUp[slot] = new rt::CaptionFrame(QStringLiteral("Camera %1 Not Attached").arg(slot));
        frameSurvTabCoverUp[slot]->setObjectName(indexed("frameSurvTabCoverUp", slot));
        host->setCover(frameSurvTabCoverUp[slot]);
    }
    v->addLayout(grid, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    cmdResChange = makeButton(QStringLiteral("Resolution Change"), page, QStringLiteral("cmdResChange"));
    bottom->addWidget(cmdResChange);
    v->addLayout(bottom);
}

void CorvisentMain::buildInvisibleControls() {
    for (int row = 1; row <= 10; ++row) {
        MSComm[row] = new platform::MSCommControl(this);
        MSCommP[row] = new platform::MSCommControl(this);
        MSCommW[row] = new platform::MSCommControl(this);
        MSCommA[row] = new platform::MSCommControl(this);
        MSCommD[row] = new platform::MSCommControl(this);
        MSComm[row]->setObjectName(indexed("MSComm", row));
        MSCommP[row]->setObjectName(indexed("MSCommP", row));
        MSCommW[row]->setObjectName(indexed("MSCommW", row));
        MSCommA[row]->setObjectName(indexed("MSCommA", row));
        MSCommD[row]->setObjectName(indexed("MSCommD", row));
        connect(MSCommP[row], &platform::MSCommControl::OnComm, this, [this, row] { MSCommP_OnComm(row); });
        connect(MSCommW[row], &platform::MSCommControl::OnComm, this, [this, row] { MSCommW_OnComm(row); });
        connect(MSCommA[row], &platform::MSCommControl::OnComm, this, [this, row] { MSCommA_OnComm(row); });
        connect(MSCommD[row], &platform::MSCommControl::OnComm, this, [this, row] { MSCommD_OnComm(row); });
        for (platform::MSCommControl* port : {MSCommP[row], MSCommW[row], MSCommA[row], MSCommD[row]})
            connect(port, &platform::MSCommControl::DeviceLost, this,
                    [this, row, port] { SensorPortLost(row, port); });

        Timer1[row] = new rt::Timer(this);
        ProximityTimer[row] = new rt::Timer(this);
        WaterTimer[row] = new rt::Timer(this);
        Timer1[row]->setObjectName(indexed("Timer1", row));
        ProximityTimer[row]->setObjectName(indexed("ProximityTimer", row));
        WaterTimer[row]->setObjectName(indexed("WaterTimer", row));
        // Intervals as designed, until the reading interval is applied.
        Timer1[row]->setInterval(4000);
        WaterTimer[row]->setInterval(200);
        connect(Timer1[row], &rt::Timer::tick, this, [this, row] { Timer1_Timer(row); });
        connect(WaterTimer[row], &rt::Timer::tick, this, [this, row] { WaterTimer_Timer(row); });
    }
}

void CorvisentMain::buildPopupMenu() {
    mnuPopUp = new QMenu(QStringLiteral("mnuPopupHidden"), this);
    mnuPopUp->setObjectName(QStringLiteral("mnuPopUp"));
    auto add = [this](const char* name, const QString& text, auto handler) {
        QAction* a = mnuPopUp->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    mnuPopUpConnectThisSensor = add("mnuPopUpConnectThisSensor", QStringLiteral("Connect This Sensor"),
                                    &CorvisentMain::mnuPopUpConnectThisSensor_Click);
    mnuPopupConnectAll =
        add("mnuPopupConnectAll", QStringLiteral("Connect All"), &CorvisentMain::mnuPopupConnectAll_Click);
    mnuPopupRename = add("mnuPopupRename", QStringLiteral("Rename Sensor"), &CorvisentMain::mnuPopupRename_Click);
    mnuPopUpSetThresh =
        add("mnuPopUpSetThresh", QStringLiteral("Set Thresholds"), &CorvisentMain::mnuPopUpSetThresh_Click);
    mnuPopUpEvents = add("mnuPopUpEvents", QStringLiteral("Set Events"), &CorvisentMain::mnuPopUpEvents_Click);
    mnuPopUpSetProxNotifications = add("mnuPopUpSetProxNotifications", QStringLiteral("Set Proximity Notifications"),
                                       &CorvisentMain::mnuPopUpSetProxNotifications_Click);
    mnuPopupSetProximityMode = add("mnuPopupSetProximityMode", QStringLiteral("Set to Proximity mode"),
                                   &CorvisentMain::mnuPopupSetProximityMode_Click);
    mnuPopupCalibrate =
        add("mnuPopupCalibrate", QStringLiteral("Calibrate to 0"), &CorvisentMain::mnuPopupCalibrate_Click);
    mnuPopUpSetToBinaryMode = add("mnuPopUpSetToBinaryMode", QStringLiteral("Set to Bump mode"),
                                  &CorvisentMain::mnuPopUpSetToBinaryMode_Click);
    mnuPopupSetSensitivity = add("mnuPopupSetSensitivity", QStringLiteral("Set Sensitivity"),
                                 &CorvisentMain::mnuPopupSetSensitivity_Click);
    mnuPopUpEvents->setVisible(false);
    for (QAction* a : {mnuPopUpSetProxNotifications, mnuPopupSetProximityMode, mnuPopupCalibrate,
                       mnuPopUpSetToBinaryMode, mnuPopupSetSensitivity}) {
        a->setVisible(false);
        a->setEnabled(false);
    }
}

// ---------------------------------------------------------------- mouse on the summary and tabs

bool CorvisentMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonDblClick) return QMainWindow::eventFilter(watched, event);
    auto* me = static_cast<QMouseEvent*>(event);
    for (int row = 1; row <= 10; ++row) {
        if (watched == lblSensor1[row]) {
            if (t == QEvent::MouseButtonDblClick) {
                lblSensor1_DblClick(row);
            } else {
                const int button = me->button() == Qt::LeftButton    ? 1
                                   : me->button() == Qt::RightButton ? 2
                                   : me->button() == Qt::MiddleButton ? 4
                                                                      : 0;
                int shift = 0;
                if (me->modifiers() & Qt::ShiftModifier) shift |= 1;
                if (me->modifiers() & Qt::ControlModifier) shift |= 2;
                if (me->modifiers() & Qt::AltModifier) shift |= 4;
                const QPoint p = me->position().toPoint();
                lblSensor1_MouseDown(row, button, shift, p.x(), p.y());
            }
            return true;
        }
        if (watched == lblSensorStatus[row]) {
            if (t == QEvent::MouseButtonDblClick) lblSensorStatus_DblClick(row);
            return true;
        }
    }
    if (t == QEvent::MouseButtonDblClick) {
        for (int slot = 1; slot <= 4; ++slot) {
            if (watched == lblTempDeviceName[slot]) {
                lblTempDeviceName_DblClick(slot);
                return true;
            }
            if (watched == lblHumidDeviceName[slot]) {
                lblHumidDeviceName_DblClick(slot);
                return true;
            }
            if (watched == lblCamDeviceName[slot]) {
                lblCamDeviceName_DblClick(slot);
                return true;
            }
        }
        if (watched == lblCurrentCamView) {
            lblCurrentCamView_DblClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CorvisentMain::lblSensor1_MouseDown(int row, int button, int /*shift*/, int /*x*/, int /*y*/) {
    if (button != 2 || row < 1 || row > 10) return;
    iSelectedRow = row;
    const int kind = iDeviceType(row);
    const bool off = lblSensorReading[row]->text() == QLatin1String("OFF");

    mnuPopUpEvents->setVisible(kind == typeProximity);
    // As the setup row's button, the item does nothing while the row's own connect, disconnect or
    // reading runs.
    mnuPopUpConnectThisSensor->setEnabled(!(kind == typeCombo && rt::tag(lblMeasure[row]) == QLatin1String("1")) &&
                                          !RowIsBusy(row));

    if (kind == typeAccel) {
        mnuPopupCalibrate->setVisible(true);
        mnuPopUpSetToBinaryMode->setVisible(true);
        mnuPopupSetSensitivity->setVisible(true);
        mnuPopupSetProximityMode->setVisible(false);
        mnuPopUpSetProxNotifications->setVisible(false);
        mnuPopupCalibrate->setEnabled(!off);
        mnuPopUpSetToBinaryMode->setEnabled(!off);
        mnuPopupSetSensitivity->setEnabled(!off);
        if (!off)
            mnuPopUpSetToBinaryMode->setText(iBumpMode[row] == 1 ? QStringLiteral("Take out of Bump mode")
                                                                 : QStringLiteral("Set to Bump mode"));
    } else if (kind == typeDistance) {
        mnuPopupSetProximityMode->setVisible(true);
        mnuPopUpSetProxNotifications->setVisible(true);
        mnuPopupSetSensitivity->setVisible(true);
        mnuPopUpSetToBinaryMode->setVisible(false);
        mnuPopupCalibrate->setVisible(false);
        mnuPopupSetSensitivity->setEnabled(!off);
        if (!off)
            mnuPopupSetProximityMode->setText(iProxMode[row] == 1 ? QStringLiteral("Set to Distance mode")
                                                                  : QStringLiteral("Set to Proximity mode"));
    } else {
        for (QAction* a : {mnuPopupCalibrate, mnuPopUpSetToBinaryMode, mnuPopupSetSensitivity,
                           mnuPopupSetProximityMode, mnuPopUpSetProxNotifications})
            a->setVisible(false);
    }
    mnuPopUpConnectThisSensor->setText(off ? QStringLiteral("Connect This Sensor")
                                           : QStringLiteral("Disconnect This Sensor"));
    mnuPopUp->popup(QCursor::pos());
}

// ---------------------------------------------------------------- popup items

rt::Task<> CorvisentMain::mnuPopUpConnectThisSensor_Click() {
    auto& setup = formSensorSetup::instance();
    const int row = iSelectedRow;
    const int kind = iDeviceType(row);
    const QString caption = mnuPopUpConnectThisSensor->text();
    // Chosen during a wait of the row's own connect, disconnect or reading: nothing is done.
    if (RowIsBusy(row)) co_return;
    if (caption == QLatin1String("Connect This Sensor")) {
        co_await rt::PassOver(setup.cmdConnectSensor_Click(row));
        co_await rt::Pause(300);
        setup.hide();
        mnuPopUpConnectThisSensor->setText(QStringLiteral("Disconnect This Sensor"));
        if (kind == typeDistance && iProxMode.value(row) == 1) {
            mnuPopupSetSensitivity->setEnabled(true);
            mnuPopupSetProximityMode->setEnabled(true);
        } else if (kind == typeAccel && iBumpMode.value(row) == 1) {
            mnuPopupSetSensitivity->setEnabled(true);
            mnuPopUpSetToBinaryMode->setEnabled(true);
        }
    } else if (caption == QLatin1String("Disconnect This Sensor")) {
        co_await rt::PassOver(setup.cmdConnectSensor_Click(row));
        co_await rt::Pause(300);
        setup.hide();
        mnuPopupSetProximityMode->setEnabled(false);
        mnuPopUpSetProxNotifications->setEnabled(false);
        mnuPopupConnectAll->setEnabled(true);
        mnuPopUpConnectThisSensor->setText(QStringLiteral("Connect This Sensor"));
        if (kind == typeTemperature || kind == typeHumidity) {
            rt::passOver([&] {
                if (row < 1 || row > 10) modSupport::raiseSubscriptOutOfRange();
                if (Timer1[row]->enabled()) Timer1[row]->setEnabled(false);
            });
        } else if (kind == typeDistance && iProxMode.value(row) == 0) {
            mnuPopupSetProximityMode->setEnabled(false);
        } else if (kind == typeAccel && iBumpMode.value(row) == 0) {
            mnuPopUpSetToBinaryMode->setEnabled(false);
        }
    }
}

rt::Task<> CorvisentMain::mnuPopupConnectAll_Click() {
    auto& setup = formSensorSetup::instance();
    // Chosen while Connect All runs: that one goes on alone and ends the way it began.
    if (setup.ConnectingAll()) co_return;
    setup.show();
    co_await rt::PassOver(setup.cmdConnectAll_Click());
    co_await rt::Pause(300);
    setup.hide();
    mnuPopupConnectAll->setEnabled(false);
}

void CorvisentMain::mnuPopUpEvents_Click() { cmdSetProxBehaviors_Click(); }

void CorvisentMain::mnuPopUpSetProxNotifications_Click() {
    auto& setup = formSensorSetup::instance();
    setup.setTab(2);
    setup.bringToFront();
}

void CorvisentMain::mnuPopUpSetThresh_Click() {
    auto& setup = formSensorSetup::instance();
    setup.show();
    setup.setTab(1);
    setup.bringToFront();
}

// ---------------------------------------------------------------- tab buttons

namespace {
void showSetupOnTab(int tab, bool toFront) {
    auto& setup = formSensorSetup::instance();
    setup.setTab(tab);
    if (toFront) setup.bringToFront();
    else setup.show();
}
} // namespace

void CorvisentMain::cmdSetProxBehaviors_Click() { showSetupOnTab(3, false); }
void CorvisentMain::cmdSetThresh_Click() { showSetupOnTab(1, false); }
void CorvisentMain::cmdSetThreshold_Click() { showSetupOnTab(1, false); }
void CorvisentMain::cmdSetThresh1_Click() { showSetupOnTab(1, false); }
void CorvisentMain::cmdSetThresh2_Click() { showSetupOnTab(1, true); }
void CorvisentMain::cmdSetThresh3_Click() { showSetupOnTab(1, true); }

namespace {
template <typename T> T* at(const std::array<T*, 5>& a, int slot) {
    return (slot >= 1 && slot <= 4) ? a[slot] : nullptr;
}
void clearExtreme(QLabel* l) {
    if (!l) return;
    l->setText(QString());
    l->setToolTip(QString());
}
} // namespace

void CorvisentMain::cmdClearTempLog_Click(int slot) { modSupport::ClearTabLog(at(txtTempInData, slot)); }
void CorvisentMain::cmdClearHumidLog_Click(int slot) { modSupport::ClearTabLog(at(txtHumidInData, slot)); }
void CorvisentMain::cmdClearProximityLog_Click(int slot) { modSupport::ClearTabLog(at(txtProximData, slot)); }
void CorvisentMain::cmdClearWaterLog_Click(int slot) { modSupport::ClearTabLog(at(txtWaterData, slot)); }
void CorvisentMain::cmdClearAccelLog_Click(int slot) { modSupport::ClearTabLog(at(txtAccelData, slot)); }
void CorvisentMain::cmdClearDistanceLog_Click(int slot) {
    modSupport::ClearTabLog(at(txtDistanceData, slot));
}

void CorvisentMain::cmdClearTempHighLow_Click(int slot) {
    clearExtreme(at(lblTHighest, slot));
    clearExtreme(at(lblTLowest, slot));
    if (slot >= 1 && slot <= 4) bTHighLowEmpty[slot] = true;
}

void CorvisentMain::cmdClearHumidHighLow_Click(int slot) {
    clearExtreme(at(lblHHighest, slot));
    clearExtreme(at(lblHLowest, slot));
    if (slot >= 1 && slot <= 4) bHHighLowEmpty[slot] = true;
}

// ---------------------------------------------------------------- double-clicks

rt::Task<> CorvisentMain::lblSensor1_DblClick(int row) {
    try {
        if (row < 1 || row > 10) modSupport::raiseSubscriptOutOfRange();
        auto& setup = formSensorSetup::instance();
        const QString type = setup.lblDeviceType[row]->text();
        const bool off = lblSensorReading[row]->text() == QLatin1String("OFF");
        if (IsCameraName(type)) {
            if (rt::value(setup.chkRunningXp) == 1 && rt::value(setup.chkMultiCamEnabled) == 1) co_return;
            if (rt::tag(lblCurrentCamView) != QLatin1String("99") && !off) {
                if (!rt::visible(frameSummaryVidContainer))
                    co_await SwitchToVideo0(lblPrevCamSetupIndex->text().trimmed().toInt(), 0);
                co_await SwitchToVideo0(row, 1);
                ezVidCap1[0]->setMinimumSize(rt::twipsToPixels(4800), rt::twipsToPixels(3600));
                if (rt::visible(frameSummaryVidContainer)) frameSummaryVidContainer->hide();
                rt::setTag(lblCurrentCamView, QStringLiteral("98"));
            } else {
                setup.show();
            }
            co_return;
        }
        const int kind = TypeCodeOfName(type);
        if (type == strTypeComboHumid || type == strTypeComboTemp) {
            setup.bringToFront();
            co_return;
        }
        const int tabIndex = TabIndexOfKind(kind);
        if (tabIndex < 0) co_return;
        if (!off) setTab(tabIndex);
        else setup.bringToFront();
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("There was an error in ShowSensorSetupForm"));
    }
}

void CorvisentMain::lblSensorStatus_DblClick(int row) {
    if (row < 1 || row > 10) return;
    if (lblSensorStatus[row]->text() == QLatin1String("Sensor Error")) formSensorSetup::instance().bringToFront();
}

void CorvisentMain::sstabCorvisentMan_Click(int /*previousTab*/) {
    try {
        if (lblCurrentCamView->text().isEmpty() || rt::tag(lblCurrentCamView) == QLatin1String("99")) return;
        const int p = lblPrevCamSetupIndex->text().trimmed().toInt();
        const int now = tab();
        if (now == tabVideo) SwitchToVideo0(p, 0);
        else if (now == tabSummary && rt::visible(frameSummaryVidContainer)) SwitchToVideo0(p, 1);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in TabClick function"), rt::vbOKOnly, QStringLiteral("Corvisent Manager"));
    }
}
