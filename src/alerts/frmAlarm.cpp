#include "alerts/frmAlarm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "app/CorvisentMain.h"
#include "platform/sound.h"
#include "platform/windowmanager.h"
#include "runtime/controls.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "setup/formSensorSetup.h"


frmAlarm::frmAlarm() {
    setObjectName(QStringLiteral("frmAlarm"));
    setWindowTitle(QStringLiteral("CORVISENT MANAGER ALARM"));
    setModal(false);
    auto* v = new QVBoxLayout(this);
    lblSensor[1] = new QLabel(this);
    lblSensor[1]->setObjectName(QStringLiteral("lblSensor(1)"));
    lblSensor[1]->setAlignment(Qt::AlignCenter);
    rt::setFontSize(lblSensor[1], 24);
    rt::setForeColor(lblSensor[1], rt::vbRed);
    lblSensor[0] = new QLabel(this);
    lblSensor[0]->setObjectName(QStringLiteral("lblSensor(0)"));
    lblSensor[0]->setAlignment(Qt::AlignCenter);
    lblSensor[0]->setWordWrap(true);
    lblSensorName = new QLabel(QStringLiteral("Sensor Name"), this);
    lblDateTimeTriggered = new QLabel(QStringLiteral("Date, Time triggered"), this);
    v->addWidget(lblSensor[1]);
    v->addWidget(lblSensor[0]);
    v->addWidget(lblSensorName);
    v->addWidget(lblDateTimeTriggered);
    auto* buttons = new QHBoxLayout;
    cmdContinue = new QPushButton(QStringLiteral("Continue"), this);
    cmdContinue->setObjectName(QStringLiteral("cmdContinue"));
    cmdShutOffAlarm = new QPushButton(QStringLiteral("Disable All Alarms"), this);
    cmdShutOffAlarm->setObjectName(QStringLiteral("cmdShutOffAlarm"));
    buttons->addWidget(cmdContinue);
    buttons->addWidget(cmdShutOffAlarm);
    v->addLayout(buttons);
    connect(cmdContinue, &QPushButton::clicked, this, &frmAlarm::cmdContinue_Click);
    connect(cmdShutOffAlarm, &QPushButton::clicked, this, &frmAlarm::cmdShutOffAlarm_Click);
    rt::setVisible(lblSensor[0], false);
    lblSensor[1]->setText(QStringLiteral("ALERT!"));
    // Room for the caption beside the title bar's icon and buttons; the labels widen the window
    // themselves.
    QFont titleFont = font();
    titleFont.setBold(true);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 160);
    // Shown, the window stays above the program's windows: a dialog has no taskbar entry, so a
    // click on the main window must not bury it, and raising it again would take the keyboard
    // under some window managers. When the person turns to another program the window lets go and
    // steps just behind that program's window, still above this program's own: a restack, so that
    // neither the keyboard nor the window under the pointer changes. (Lowered, it uncovered this
    // program's windows, which a window manager whose focus follows the pointer then gave the
    // keyboard, and so the alarm, kept above again.) It is kept above again as soon as a window of
    // this program has the keyboard.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        const bool active = state == Qt::ApplicationActive;
        keepAbove(active);
        if (!active && isVisible()) platform::stepBehindActive(windowHandle());
    });
}

QList<std::pair<int, QString>>::iterator frmAlarm::listed(int row) {
    return std::find_if(m_inAlarm.begin(), m_inAlarm.end(), [row](const auto& r) { return r.first == row; });
}

void frmAlarm::showTriggered(int row, const QString& sensorName, bool inAlarm, const QDateTime& when) {
    const auto listed = this->listed(row);
    if (!inAlarm) {
        if (listed != m_inAlarm.end()) m_inAlarm.erase(listed);
    } else if (listed != m_inAlarm.end()) {
        listed->second = sensorName;
    } else {
        m_inAlarm.append({row, sensorName});
        m_sensorJoined = true;
    }
    showNames(sensorName);
    lblDateTimeTriggered->setText(rt::shortDate(when) + QStringLiteral(", ") + rt::longTime(when));
}

void frmAlarm::sensorBackInRange(int row) {
    const auto listed = this->listed(row);
    if (listed == m_inAlarm.end()) return;
    m_inAlarm.erase(listed);
    showNames(lblSensorName->text());
}

void frmAlarm::showNames(const QString& noneListed) {
    QStringList names;
    for (const auto& [r, name] : std::as_const(m_inAlarm))
        if (!name.isEmpty() && !names.contains(name)) names << name;
    lblSensorName->setText(names.isEmpty() ? noneListed : names.join(QStringLiteral(", ")));
}

void frmAlarm::bringToFront() {
    if (isVisible() && !m_sensorJoined) return;
    m_sensorJoined = false;
    keepAbove(true);
    // Minimised or rolled up to its title bar by the person, it is shown whole again; only the
    // window manager can undo either, and activating it alone does not.
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    platform::unshade(windowHandle());
    rt::showInFront(this);
}

void frmAlarm::keepAbove(bool on) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const Qt::WindowFlags flags = windowFlags() ^ Qt::WindowStaysOnTopHint;
    // setWindowFlags() would hide a shown window and map it anew; the native window takes the
    // hint as it is.
    overrideWindowFlags(flags);
    if (QWindow* native = windowHandle()) native->setFlags(flags);
}

void frmAlarm::cmdContinue_Click() {
    platform::sndPlaySound(QStringLiteral("0"), 0);
    unload();
}

void frmAlarm::cmdShutOffAlarm_Click() {
    platform::sndPlaySound(QStringLiteral("0"), 0);
    unload();
    formSensorSetup& setup = formSensorSetup::instance();
    rt::setValue(setup.chkLocalMonitoring, 1);
    setup.show();
    setup.setTab(1);
    CorvisentMain::instance().lower();
    rt::MsgBox(QStringLiteral("To re-enable alerts, uncheck _Disable All Alerts_ in Sensor Setup, under the "
                              "_Alerts_&_Threshold_ tab."),
               rt::vbOKOnly);
}

// Closing the window from its title bar acknowledges the alarm like "Continue", so that no sound
// is left looping without a window to stop it.
void frmAlarm::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (loaded()) cmdContinue_Click();
}
