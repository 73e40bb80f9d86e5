#pragma once
#include <QDialog>
#include <QList>
#include <QString>
#include <array>
#include <utility>

#include "app/loadedwindow.h"

class QDateTime;
class QLabel;
class QPushButton;

// The on-screen alarm: a small modeless window that the alert checks fill and show while the
// looping alarm sound plays. One instance, loaded on first use; either button unloads it, so the
// next alarm starts from a fresh window (empty text, "ALERT!" shown).
class frmAlarm : public QDialog, public LoadedWindow<frmAlarm> {
    Q_OBJECT
public:

    // 0: the alarm text the checks write (hidden until a check shows it); 1: the "ALERT!" banner.
    std::array<QLabel*, 2> lblSensor{};
    QLabel* lblSensorName = nullptr;
    QLabel* lblDateTimeTriggered = nullptr;
    QPushButton* cmdContinue = nullptr;
    QPushButton* cmdShutOffAlarm = nullptr;

    // Names the sensor of the device row whose check shows the window, and the time. A row whose
    // alarm begins or goes on (inAlarm) stays listed until its back-to-normal notice or its
    // reading back in range; the window names every listed sensor, or the sensor of the notice
    // when none is left. The design texts return with the next load.
    void showTriggered(int row, const QString& sensorName, bool inAlarm, const QDateTime& when);
    // The row's reading is back in range: its sensor leaves the list, notice or not. With none
    // left the name shown stays, as with a notice: the window still tells of that alarm.
    void sensorBackInRange(int row);
    // Shows the window. It comes to the front, shown whole (not minimised, not rolled up to its
    // title bar), and takes the keyboard when it first appears or a sensor joined the list since it
    // last did; otherwise it stays where it is, kept above the program's windows, so that a person
    // typing in another window keeps the keyboard.
    void bringToFront();
    // Stops the sound and closes the window.
    void cmdContinue_Click();
    // The same, then ticks "Disable All Alerts" and opens the setup window with a hint.
    void cmdShutOffAlarm_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class LoadedWindow<frmAlarm>;
    frmAlarm();
    // Keeps the window above others (the window manager's keep-above state) or lets it go.
    void keepAbove(bool on);
    // The row's place in the list, or its end.
    QList<std::pair<int, QString>>::iterator listed(int row);
    // Names the listed sensors, or writes noneListed when none is listed.
    void showNames(const QString& noneListed);

    QList<std::pair<int, QString>> m_inAlarm; // rows in alarm with their sensor names, oldest first
    bool m_sensorJoined = false;              // a row joined the list since the keyboard was taken
};
