#pragma once
#include <QWidget>

// The video capture control of a camera position: holds the capture driver it is attached to and
// the properties the program sets on it. Until a camera is attached it shows "No camera".
class ezVidCap : public QWidget {
    Q_OBJECT
public:
    explicit ezVidCap(QWidget* parent = nullptr);

    // Capture driver the control is attached to; -1 while none.
    int driverindex() const { return m_driverIndex; }
    void setDriverindex(int index);
    // The property start-up sets to 1 on every capture control.
    int startupState() const { return m_startupState; }
    void setStartupState(int v) { m_startupState = v; }
    // Whether the control shows the picture after a capture.
    bool display() const { return m_display; }
    void setDisplay(bool on) { m_display = on; }
    // Detaches the control from its capture driver; 1 when a driver was attached, else 0.
    int driverDisconnect();

    QSize sizeHint() const override { return QSize(320, 240); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int m_driverIndex = -1;
    int m_startupState = 0;
    bool m_display = false;
};
