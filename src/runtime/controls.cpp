#include "runtime/controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QVariant>

#include "runtime/error.h"

namespace rt {

namespace {
const char* const kTag = "tag";
const char* const kCaption = "caption";
const char* const kForeColor = "rtForeColor";
const char* const kBackColor = "rtBackColor";
} // namespace

// Timers and serial controls declare "tag" and keep it themselves; any other control gets it as
// a dynamic property.
QString tag(const QObject* o) {
    return o ? o->property(kTag).toString() : QString();
}

void setTag(QObject* o, const QString& text) {
    if (o) o->setProperty(kTag, text);
}

void showInFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

Hourglass::Hourglass() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_set = true;
    }
}

Hourglass::~Hourglass() {
    if (m_set) QGuiApplication::restoreOverrideCursor();
}

bool visible(const QWidget* w) { return w && !w->isHidden(); }

bool ownEnabled(const QWidget* w) { return w && !w->testAttribute(Qt::WA_ForceDisabled); }

void setVisible(QWidget* w, bool on) {
    if (w) w->setVisible(on);
}

bool visible(const QAction* a) { return a && a->isVisible(); }

void setVisible(QAction* a, bool on) {
    if (a) a->setVisible(on);
}

bool enabled(const QAction* a) {
    if (!a) return false;
    if (a->isVisible()) return a->isEnabled();
    // Shown for a moment, the entry reports its own state; nothing is painted meanwhile.
    auto* entry = const_cast<QAction*>(a);
    const QSignalBlocker block(entry);
    entry->setVisible(true);
    const bool on = entry->isEnabled();
    entry->setVisible(false);
    return on;
}

QString caption(const QObject* o) {
    if (!o) return QString();
    if (auto* l = qobject_cast<const QLabel*>(o)) return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(o)) return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(o)) return g->title();
    if (auto* e = qobject_cast<const QLineEdit*>(o)) return e->text();
    if (auto* p = qobject_cast<const QPlainTextEdit*>(o)) return p->toPlainText();
    if (auto* t = qobject_cast<const QTextEdit*>(o)) return t->toPlainText();
    if (auto* a = qobject_cast<const QAction*>(o)) return a->text();
    return o->property(kCaption).toString();
}

void setCaption(QObject* o, const QString& text) {
    if (!o) return;
    if (auto* l = qobject_cast<QLabel*>(o)) l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(o)) b->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(o)) g->setTitle(text);
    else if (auto* e = qobject_cast<QLineEdit*>(o)) {
        if (e->text() != text) e->setText(text);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(o)) {
        if (p->toPlainText() != text) p->setPlainText(text);
    } else if (auto* t = qobject_cast<QTextEdit*>(o)) {
        if (t->toPlainText() != text) t->setPlainText(text);
    } else if (auto* a = qobject_cast<QAction*>(o)) a->setText(text);
    else o->setProperty(kCaption, text);
}

QColor colorFromBgr(long bgr) {
    const unsigned long v = static_cast<unsigned long>(bgr) & 0xFFFFFFu;
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

long bgrFromColor(const QColor& c) {
    return long(c.red()) | (long(c.green()) << 8) | (long(c.blue()) << 16);
}

long foreColor(const QWidget* w) {
    if (!w) return vbBlack;
    const QVariant v = w->property(kForeColor);
    return v.isValid() ? long(v.toLongLong()) : vbBlack;
}

void setForeColor(QWidget* w, long bgr) {
    if (!w) return;
    w->setProperty(kForeColor, qlonglong(bgr));
    QPalette p = w->palette();
    const QColor c = colorFromBgr(bgr);
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

long backColor(const QWidget* w) {
    if (!w) return vbWhite;
    const QVariant v = w->property(kBackColor);
    return v.isValid() ? long(v.toLongLong()) : bgrFromColor(w->palette().color(w->backgroundRole()));
}

void setBackColor(QWidget* w, long bgr) {
    if (!w) return;
    w->setProperty(kBackColor, qlonglong(bgr));
    QPalette p = w->palette();
    p.setColor(w->backgroundRole(), colorFromBgr(bgr));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

double fontSize(const QWidget* w) { return w ? w->font().pointSizeF() : 0.0; }

void setFontSize(QWidget* w, double points) {
    if (!w || points <= 0) return;
    // Setting a font, even the one it holds, resolves it against the window's again: streamed
    // readings set the same size on every line.
    if (w->testAttribute(Qt::WA_SetFont) && w->font().pointSizeF() == points) return;
    QFont f = w->font();
    f.setPointSizeF(points);
    w->setFont(f);
}

int twipsToPixels(int twips) { return (twips + 7) / 15; }

void setWidthTwips(QWidget* w, int twips) {
    if (w) w->setFixedWidth(twipsToPixels(twips));
}

void setHeightTwips(QWidget* w, int twips) {
    if (w) w->setFixedHeight(twipsToPixels(twips));
}

namespace {

const QScreen* screenOf(const QWidget* w) {
    const QScreen* screen = w ? w->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

// The top-left corner (a window's position includes its frame) that keeps a frame of this size
// on the screen's free area; a window larger than the area keeps its title bar at the top left.
QPoint onScreen(QPoint at, const QSize& frame, const QRect& area) {
    at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() + 1 - frame.width())));
    at.setY(qBound(area.top(), at.y(), qMax(area.top(), area.bottom() + 1 - frame.height())));
    return at;
}

// Windows the program places: its own windows and dialogs, not popups or tool tips, nor windows
// that bypass the window manager. Qt's notification-area icon is such a window: the dock embeds it
// where it wants, and moving it takes the icon out of the dock.
bool placeable(const QWidget* w) {
    return w->isWindow() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog) &&
           !w->windowFlags().testFlag(Qt::BypassWindowManagerHint);
}

// What the window manager's frame adds to a window. Before its first showing a window's frame is
// not known yet; the frame of another window shown already stands in for it.
QSize frameExtra(const QWidget* w) {
    QSize extra = w->frameGeometry().size() - w->size();
    if (!extra.isNull()) return extra;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == w || !other->isVisible() || !placeable(other)) continue;
        extra = other->frameGeometry().size() - other->size();
        if (!extra.isNull()) return extra;
    }
    return QSize(0, 0);
}

// Puts the window's content into a scroll area, so that the window can be smaller than its content.
// A main window's menu, tool and status bars stay outside.
void scrollContent(QWidget* w) {
    if (w->property("rtScrolled").toBool()) return;
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("rtScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    if (auto* main = qobject_cast<QMainWindow*>(w)) {
        QWidget* content = main->takeCentralWidget();
        if (!content) {
            delete scroll;
            return;
        }
        scroll->setWidget(content);
        main->setCentralWidget(scroll);
    } else if (QLayout* layout = w->layout()) {
        auto* content = new QWidget;
        content->setLayout(layout); // takes the layout over, with the controls it arranges
        scroll->setWidget(content);
        auto* outer = new QVBoxLayout(w);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(scroll);
        outer->activate();
    } else {
        delete scroll;
        return;
    }
    scroll->show();
    w->setProperty("rtScrolled", true);
}

// Sizes a window larger than the area down to it. Content that cannot shrink that far is
// scrolled.
void fitInto(QWidget* w, const QRect& area) {
    const QSize room = area.size() - frameExtra(w);
    if (w->width() <= room.width() && w->height() <= room.height()) return;
    if (QLayout* layout = w->layout()) layout->activate();
    QSize want = w->size();
    if (w->minimumWidth() > room.width() || w->minimumHeight() > room.height()) {
        scrollContent(w);
        if (QLayout* layout = w->layout()) layout->activate();
        // Content scrolled upright loses the scroll bar's width; room for it spares a sideways bar.
        if (want.height() > room.height()) want.rwidth() += w->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    }
    w->resize(want.boundedTo(room).expandedTo(w->minimumSize()));
}

// Brings a window placed before back within the screen's free area.
void keepOnScreen(QWidget* w) {
    const QScreen* screen = screenOf(w);
    if (!screen || w->isMaximized() || w->isFullScreen() || w->isMinimized()) return;
    const QRect area = screen->availableGeometry();
    fitInto(w, area);
    const QPoint at = onScreen(w->pos(), w->size() + frameExtra(w), area);
    if (at != w->pos()) w->move(at);
}

// Places every window as it is first shown, whichever code shows it, and keeps a shown window on
// the screen when its content makes it grow (the main window's sensor rows widen it).
class WindowPlacement : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (!o->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(o);
        if (e->type() == QEvent::Resize) {
            if (!w->isWindow()) return false; // child widgets resize often; only windows matter
            const auto* resize = static_cast<const QResizeEvent*>(e);
            const QSize grown = resize->size() - resize->oldSize();
            if ((grown.width() > 0 || grown.height() > 0) && resize->oldSize().isValid() && w->isVisible() &&
                placeable(w) && w->property("rtPlaced").toBool())
                // After the resize has been handled: the window is sized and moved again from it.
                QMetaObject::invokeMethod(w, [w] { if (w->isVisible()) keepOnScreen(w); }, Qt::QueuedConnection);
            return false;
        }
        if (e->type() != QEvent::Show || e->spontaneous()) return false;
        if (!placeable(w)) return false;
        if (w->property("rtPlaced").toBool()) {
            keepOnScreen(w);
            return false;
        }
        w->setProperty("rtPlaced", true);
        // The owner: the parent window, else the window the user was in when this one opened.
        const QWidget* owner = w->parentWidget() ? w->parentWidget()->window() : QApplication::activeWindow();
        placeWindow(w, owner != w ? owner : nullptr);
        return false;
    }
};

void installWindowPlacement() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->installEventFilter(new WindowPlacement);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installWindowPlacement)

void placeWindow(QWidget* window, const QWidget* owner) {
    if (!window || !placeable(window)) return;
    if (owner && !owner->isVisible()) owner = nullptr;
    const QScreen* screen = screenOf(owner ? owner : window);
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    fitInto(window, area);
    const QSize frame = window->size() + frameExtra(window);
    const QPoint centre = owner ? owner->frameGeometry().center() : area.center();
    window->move(onScreen(centre - QPoint(frame.width() / 2, frame.height() / 2), frame, area));
}

void centreOnScreen(QWidget* window) { placeWindow(window, nullptr); }

int value(const QCheckBox* box) {
    if (!box) return 0;
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void setValue(QCheckBox* box, int v) {
    if (!box) return;
    if (v < 0 || v > 2) throw VbError(380, QStringLiteral("Invalid property value"));
    if (v == 2) box->setTristate(true);
    const Qt::CheckState s = v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
    box->setCheckState(s);
}

bool optionValue(const QRadioButton* option) { return option && option->isChecked(); }

void setOptionValue(QRadioButton* option, bool on) {
    if (!option || option->isChecked() == on) return;
    if (on) {
        option->setChecked(true); // auto-exclusive: the others of the container clear themselves
        return;
    }
    const bool exclusive = option->autoExclusive();
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(exclusive);
}

CaptionFrame::CaptionFrame(const QString& caption, QWidget* parent) : QFrame(parent), m_caption(caption) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
}

void CaptionFrame::setCaption(const QString& text) {
    if (m_caption == text) return;
    m_caption = text;
    update();
}

void CaptionFrame::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    if (m_caption.isEmpty()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
    p.drawText(contentsRect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap, m_caption);
}

} // namespace rt
