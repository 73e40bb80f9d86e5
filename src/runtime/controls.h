#pragma once
#include <QColor>
#include <QFrame>
#include <QString>
#include <array>
#include <cstddef>

#include "runtime/error.h"

class QAction;
class QCheckBox;
class QObject;
class QRadioButton;
class QWidget;

namespace rt {

// Window-control behaviour on top of Qt widgets: the properties the program's code reads and
// writes on its controls, with the meaning they have there.

// --- Control arrays: indexed by device row (1..10) or by display slot, proximity event index or
// camera number (1..4); element 0 is unused unless noted.
template <typename T> using Rows = std::array<T*, 11>;
template <typename T> using Slots = std::array<T*, 5>;

// Element i of a control array; rt::VbError 9 for an index outside it or a missing control.
template <typename T, std::size_t N> T* Ctl(const std::array<T*, N>& controls, int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= N || !controls[static_cast<std::size_t>(i)])
        throw VbError(9, QStringLiteral("Subscript out of range"));
    return controls[static_cast<std::size_t>(i)];
}

// The control given the object name the program's code and tests know it by; returns it.
template <typename T> T* named(T* control, const QString& name) {
    control->setObjectName(name);
    return control;
}

// Shows a window modeless and brings it in front of the others.
void showInFront(QWidget* window);

// The hourglass pointer while a long step runs (a device exchange, a settings file, a
// connection); the normal pointer when it ends, however it ends. Nothing without a GUI.
class Hourglass {
public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    bool m_set = false;
};

// --- Tag: free text kept on any control ("" until set); timers and serial controls declare it
// as their "tag" property.
QString tag(const QObject* o);
void setTag(QObject* o, const QString& text);

// --- Visible: the control's own flag, independent of whether its window is on screen
// (a label on a hidden tab page still counts as visible).
bool visible(const QWidget* w);
void setVisible(QWidget* w, bool on);

// --- Caption / Text of labels, buttons, check boxes, group boxes, cover frames, line and text
// edits, menu entries. Unknown widgets keep it in a "caption" property.
QString caption(const QObject* o);
void setCaption(QObject* o, const QString& text);

// --- Enabled: the control's own flag, whatever the state of its window or container.
bool ownEnabled(const QWidget* w);

// --- Colours as long values in blue-green-red order (0x00BBGGRR).
constexpr long vbBlack = 0;
constexpr long vbRed = 255;
constexpr long vbGreen = 65280;
constexpr long vbBlue = 16711680;
constexpr long vbWhite = 16777215;
QColor colorFromBgr(long bgr);
long bgrFromColor(const QColor& c);
// Text colour; reads back exactly what was set (black for a control never set).
long foreColor(const QWidget* w);
void setForeColor(QWidget* w, long bgr);
// Background colour; reads back what was set, or the control's palette background.
long backColor(const QWidget* w);
void setBackColor(QWidget* w, long bgr);

// --- Font size in points.
double fontSize(const QWidget* w);
void setFontSize(QWidget* w, double points);

// --- Sizes given in twips (15 twips to a pixel at the normal 96 dpi).
int twipsToPixels(int twips);
// Fixes the control's width to the given twips.
void setWidthTwips(QWidget* w, int twips);
void setHeightTwips(QWidget* w, int twips);
// Places a window that opens: centred on its owner (the window it was opened from) or, without
// one, on the screen, then moved as little as needed to lie wholly on that screen, title bar
// included. Every window of the program is placed this way when it is first shown; later
// showings only bring it back onto the screen.
void placeWindow(QWidget* window, const QWidget* owner = nullptr);
void centreOnScreen(QWidget* window); // placeWindow without an owner

// --- Check box value: 0 unticked, 1 ticked, 2 greyed. Any other value raises rt::VbError 380
// "Invalid property value" and leaves the box unchanged. Setting a new value emits the box's
// state signals, so its handler runs as for a click; setting the value it has runs nothing.
int value(const QCheckBox* box);
// True when the box holds 1 (ticked; not the grey 2).
inline bool ticked(const QCheckBox* box) { return value(box) == 1; }
void setValue(QCheckBox* box, int v);

// --- Option button value. Selecting one clears the others of its container (as a click does);
// clearing a selected one leaves its container with none selected, which Qt's exclusive
// grouping alone would refuse.
bool optionValue(const QRadioButton* option);
void setOptionValue(QRadioButton* option, bool on);

// --- Menu entries. Qt reports a hidden entry as disabled; enabled() gives the entry's own
// Enabled state, which it takes again when shown.
bool visible(const QAction* a);
void setVisible(QAction* a, bool on);
bool enabled(const QAction* a);

// A frame that can carry a caption, painted centred in its area: used as the cover that hides an
// empty display position, and as a captioned container.
class CaptionFrame : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit CaptionFrame(const QString& caption = QString(), QWidget* parent = nullptr);
    QString caption() const { return m_caption; }
    void setCaption(const QString& text);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString m_caption;
};

} // namespace rt
