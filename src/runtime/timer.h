#pragma once
#include <QObject>
#include <QString>
#include <QTimer>

namespace rt {

// A window timer control: Interval in milliseconds of program time (0 = never ticks),
// Enabled, a text Tag, and the tick signal. Setting Interval or Enabled restarts the count.
class Timer : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString tag READ tag WRITE setTag)
public:
    explicit Timer(QObject* parent = nullptr);

    int interval() const { return m_interval; }
    void setInterval(int ms);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);
    QString tag() const { return m_tag; }
    void setTag(const QString& t) { m_tag = t; }
    // True while the timer is enabled with a nonzero interval, i.e. it will tick.
    bool isRunning() const { return m_timer.isActive(); }

signals:
    void tick();

private:
    void restart();
    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
    QString m_tag;
};

} // namespace rt
