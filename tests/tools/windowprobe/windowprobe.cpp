// Loaded into the built program (LD_PRELOAD) by the end-to-end tests to do what a person at the
// screen does: once the program shows its first window, it clicks the buttons whose object names
// CORVISENT_PROBE_CLICK lists (comma-separated). It tells on standard error "shown CLASS" the
// first time a window of each class shows.
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <cstdio>

namespace {

class Probe : public QObject {
public:
    Probe() : m_clicks(qEnvironmentVariable("CORVISENT_PROBE_CLICK").split(u',', Qt::SkipEmptyParts)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow())
            return false;
        const QByteArray kind = watched->metaObject()->className();
        if (!m_shown.contains(kind)) {
            m_shown.insert(kind);
            std::fprintf(stderr, "shown %s\n", kind.constData());
            std::fflush(stderr);
        }
        if (!m_clicks.isEmpty()) QTimer::singleShot(0, this, [this] { clickButtons(); });
        return false;
    }

private:
    void clickButtons() {
        for (QWidget* w : QApplication::allWidgets()) {
            auto* button = qobject_cast<QPushButton*>(w);
            if (button && button->isEnabled() && m_clicks.removeOne(button->objectName())) button->click();
        }
    }

    QStringList m_clicks;
    QSet<QByteArray> m_shown;
};

void installProbe() { QCoreApplication::instance()->installEventFilter(new Probe); }

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
