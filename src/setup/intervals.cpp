// The setup window's "Global Interval Settings": one reading interval for every row, in seconds
// or minutes, and one line-poll interval in milliseconds. The Set button applies both to the main
// window's row timers; the unit list, the slider and the two boxes lead to it.
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <functional>

#include "app/CorvisentMain.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"
#include "runtime/vb.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;
using namespace settingsvalues;

namespace {

const QString kMinutes = QStringLiteral("Minute(s)");
const QString kSeconds = QStringLiteral("Seconds");
const QString kLineRefused = QStringLiteral("The line interval must be from 0 to 32767 milliseconds.");
const QString kSecondsRefused = QStringLiteral("The reading interval must be more than 0 and at most 77 seconds.");
const QString kMinutesRefused = QStringLiteral("The reading interval must be from 1 to 32767 minutes.");

// The setting of the last apply that went through; a refused value gives way to it.
struct Applied {
    QString reading = QStringLiteral("30");
    int unit = 0; // entry of the unit list
    QString line = QStringLiteral("500");
} g_applied;

// Runs a handler when the user presses the mouse on a control.
class ClickRelay : public QObject {
public:
    ClickRelay(QObject* parent, std::function<void()> f) : QObject(parent), m_f(std::move(f)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress) m_f();
        return false;
    }

private:
    std::function<void()> m_f;
};

void onClick(QWidget* w, std::function<void()> f) { w->installEventFilter(new ClickRelay(w, std::move(f))); }

// Runs a handler when an entry of the list becomes the selected one, by code or by the user, but
// not when the list moves its selection because entries are added, removed or cleared.
void onSelect(QComboBox* list, std::function<void()> f) {
    auto filling = std::make_shared<bool>(false);
    QAbstractItemModel* model = list->model();
    auto begin = [filling] { *filling = true; };
    auto end = [filling] { *filling = false; };
    // The list's own model connections come first, so its selection moves inside these pairs.
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, list, begin);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, list, end);
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, list, begin);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, list, end);
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, list, begin);
    QObject::connect(model, &QAbstractItemModel::modelReset, list, end);
    QObject::connect(list, &QComboBox::currentIndexChanged, list, [filling, f = std::move(f)](int index) {
        if (!*filling && index >= 0) f();
    });
}

void restartIfRunning(rt::Timer* t) {
    if (!t->enabled()) return;
    t->setEnabled(false);
    t->setEnabled(true);
}

void setQuietly(QLineEdit* box, const QString& text) {
    const QSignalBlocker quiet(box);
    box->setText(text);
}

// Why a reading interval of r in the given unit cannot be applied; empty when it can. A value
// of 0 is no refusal: the apply turns it into 30 minutes.
QString readingRefusal(double r, const QString& unit) {
    if (r == 0) return QString();
    if (unit == kSeconds && !(qRound64(r * 850) >= 1 && qRound64(r * 850) <= 65535)) return kSecondsRefused;
    if (unit == kMinutes && !(r > 0.5 && r < 32767.5)) return kMinutesRefused;
    return QString();
}

bool lineIntervalFits(const QString& text) {
    if (!rt::IsNumeric(text)) return false;
    const double line = rt::CDbl(text);
    return line > -0.5 && line < 32767.5;
}

const QString kReadingDefault = QStringLiteral("30");
const QString kLineDefault = QStringLiteral("500");

} // namespace

void formSensorSetup::ReplaceRefusedIntervals() {
    if (!lineIntervalFits(txtBinaryInterval->text())) setQuietly(txtBinaryInterval, kLineDefault);
    if (!readingRefusal(rt::Val(txtReadingInterval->text()), cmbMinOrSecs->currentText()).isEmpty()) {
        setQuietly(txtReadingInterval, kReadingDefault);
        const QSignalBlocker still(sliderInterval);
        sliderInterval->setValue(kReadingDefault.toInt());
    }
}

void formSensorSetup::cmdSetInterval_Click() {
    const QString lineText = txtBinaryInterval->text();
    if (!rt::IsNumeric(lineText)) {
        rt::MsgBox(QStringLiteral("This interval must be an integer"));
        txtBinaryInterval->setFocus();
        return;
    }
    // Every value is checked before any timer changes: a refused one gives way to the setting of
    // the last apply, the other interval is left as it is.
    if (!lineIntervalFits(lineText)) {
        rt::MsgBox(kLineRefused, rt::vbInformation);
        setQuietly(txtBinaryInterval, g_applied.line);
        storeApplied("BinaryInterval");
        return;
    }
    // The reading interval keeps only its leading number; none at all means 30 minutes, and
    // choosing minutes applies at once, inside this apply, which then goes on as it is.
    txtReadingInterval->setText(rt::CStr(rt::Val(txtReadingInterval->text())));
    if (txtReadingInterval->text() == QLatin1String("0")) {
        txtReadingInterval->setText(kReadingDefault);
        if (cmbMinOrSecs->count() > 0) cmbMinOrSecs->setCurrentIndex(0);
    }
    const double r = rt::Val(txtReadingInterval->text());
    const QString unit = cmbMinOrSecs->currentText();
    const bool seconds = unit == kSeconds;
    const bool minutes = unit == kMinutes;
    const QString refusal = readingRefusal(r, unit);
    if (!refusal.isEmpty()) {
        rt::MsgBox(refusal, rt::vbInformation);
        setQuietly(txtReadingInterval, g_applied.reading);
        if (g_applied.unit < cmbMinOrSecs->count()) {
            const QSignalBlocker quiet(cmbMinOrSecs);
            cmbMinOrSecs->setCurrentIndex(g_applied.unit);
            followUnit();
        }
        {
            // The thumb goes back with the text; putting it there is no move by the user.
            const QSignalBlocker still(sliderInterval);
            sliderInterval->setValue(int(qRound64(rt::Val(g_applied.reading))));
        }
        storeApplied("ReadingInterval");
        storeApplied("MinOrSecs");
        return;
    }

    auto& m = CorvisentMain::instance();
    const int lineMs = rt::CInt(rt::CDbl(lineText));
    for (int row = 1; row <= 10; ++row) {
        if (seconds) {
            m.Timer1[row]->setInterval(int(qRound64(r * 850)));
        } else if (minutes) {
            m.Timer1[row]->setInterval(60000);
            iReadMinutes[row] = rt::CInt(r);
            iMinuteCount[row] = 1;
        }
        m.ProximityTimer[row]->setInterval(lineMs);
        m.WaterTimer[row]->setInterval(lineMs);
        // A running timer counts its new interval from now; a stopped one stays stopped.
        restartIfRunning(m.Timer1[row]);
        restartIfRunning(m.ProximityTimer[row]);
        restartIfRunning(m.WaterTimer[row]);
    }
    cmdSetInterval->setEnabled(false);
    txtReadingInterval->setEnabled(false);
    storeApplied("MinOrSecs");
    storeApplied("BinaryInterval");
    if (seconds || minutes) g_applied = {txtReadingInterval->text(), cmbMinOrSecs->currentIndex(), lineText};
    else g_applied.line = lineText;
}

void formSensorSetup::cmbMinOrSecs_Change() {
    if (loading()) return;
    storeFromHandler("MinOrSecs");
}

QString formSensorSetup::storedReadingInterval() {
    return readKey(Store::Tree, "ReadingInterval", 0, QStringLiteral("15"));
}

void formSensorSetup::followUnit() {
    // A new lowest value is no move of the slider by the user.
    const QSignalBlocker quiet(sliderInterval);
    sliderInterval->setMinimum(cmbMinOrSecs->currentText() == kMinutes ? 1 : 8);
}

void formSensorSetup::cmbMinOrSecs_Click() {
    followUnit();
    if (cmbMinOrSecs->currentText() != kMinutes) {
        const double stored = rt::Val(storedReadingInterval());
        if (stored > 0 && stored < 8) {
            txtReadingInterval->setText(QStringLiteral("8"));
            if (!loading()) {
                // Stored as shown, so that the next start does not find a number of seconds
                // that the slider cannot take.
                storeFromHandler("ReadingInterval");
                sliderInterval->setFocus();
            }
        }
    }
    cmdSetInterval->setEnabled(true);
    if (loading()) return;
    cmdSetInterval_Click();
}

void formSensorSetup::sliderInterval_Scroll(int position) {
    txtReadingInterval->setEnabled(true);
    cmdSetInterval->setEnabled(true);
    txtReadingInterval->setText(QString::number(position));
}

void formSensorSetup::sliderInterval_Change() {
    if (loading()) return;
    storeFromHandler("ReadingInterval");
    cmdSetInterval_Click();
}

void formSensorSetup::sliderInterval_MouseUp() {
    if (loading()) return;
    cmdSetInterval->setFocus();
    cmdSetInterval_Click();
}

void formSensorSetup::txtReadingInterval_Click() { sliderInterval->setFocus(); }

void formSensorSetup::txtBinaryInterval_Change() {
    cmdSetInterval->setEnabled(true);
    if (loading()) return;
    storeFromHandler("BinaryInterval");
    cmdSetInterval_Click();
}

void formSensorSetup::txtBinaryInterval_Click() { cmdSetInterval->setEnabled(true); }

void formSensorSetup::Frame3_Click() { sliderInterval->setFocus(); }

void formSensorSetup::wireIntervalHandlers() {
    // The slider's lowest value follows the unit whenever the list shows another one, also while
    // the list is filled.
    connect(cmbMinOrSecs, &QComboBox::currentIndexChanged, this, [this] { followUnit(); });
    onSelect(cmbMinOrSecs, [this] { cmbMinOrSecs_Click(); });
    connect(cmbMinOrSecs, &QComboBox::editTextChanged, this, [this] { cmbMinOrSecs_Change(); });
    // The box follows the slider while it is dragged; the value is saved and applied once the
    // change is complete (on release, or at once for a key or a click beside the thumb).
    connect(sliderInterval, &QSlider::sliderMoved, this, &formSensorSetup::sliderInterval_Scroll);
    connect(sliderInterval, &QSlider::valueChanged, this, [this](int v) {
        if (sliderInterval->isSliderDown() || loading()) return;
        sliderInterval_Scroll(v);
        sliderInterval_Change();
    });
    connect(sliderInterval, &QSlider::sliderReleased, this, [this] {
        sliderInterval_Change();
        sliderInterval_MouseUp();
    });
    connect(txtBinaryInterval, &QLineEdit::textChanged, this, [this] { txtBinaryInterval_Change(); });
    onClick(txtBinaryInterval, [this] { txtBinaryInterval_Click(); });
    onClick(txtReadingInterval, [this] { txtReadingInterval_Click(); });
    onClick(Frame3, [this] { Frame3_Click(); });
}
