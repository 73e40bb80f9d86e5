// The setup window's own life: its load when first used, Cancel, a title bar without a close
// entry, and the serial-number dialogue it starts on a first run with "/autodetect".
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include "app/startup.h"
#include "devices/modPNP.h"
#include "runtime/controls.h"
#include "runtime/vb.h"
#include "setup/formSensorSetup.h"

void formSensorSetup::Form_Load() {
    try {
        lblHighStore->setText(txtTempMax->text());
        lblLowStore->setText(txtTempMin->text());
        // The window is hidden by OK and Cancel; its title bar offers no way to close it.
        setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) & ~Qt::WindowCloseButtonHint);
        SSTab1->setCurrentIndex(0);
        followUnit();
        const QString stored = storedReadingInterval();
        {
            // The thumb shows the stored interval; placing it is no change by the user.
            const QSignalBlocker still(sliderInterval);
            sliderInterval->setValue(int(qRound64(rt::Val(stored))));
        }
        txtReadingInterval->setText(stored);
    } catch (const std::exception&) {
    }
}

void formSensorSetup::cmdCancelSetup_Click(int) {
    hide();
}

void formSensorSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // On a first run started with "/autodetect" the window's first showing asks for the serial
    // numbers of sensors behind the hub, once it is on screen.
    if (m_serialsAsked || rt::tag(this) != QLatin1String("1") || !bAutoDetect) return;
    m_serialsAsked = true;
    QTimer::singleShot(0, this, [] { modPNP::GetBySerial(); });
}

void formSensorSetup::closeEvent(QCloseEvent* event) {
    // A close asked for by the window manager is refused as the missing close entry would.
    if (event->spontaneous()) event->ignore();
    else QDialog::closeEvent(event);
}
