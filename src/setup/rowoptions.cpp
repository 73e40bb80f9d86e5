// The setup window's row port box, shown or hidden by a double click on the row's type name, and
// two log-file options: closing every log after each write, and the largest size of a log file.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"
#include "settings/modSupport.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

void formSensorSetup::lblDeviceType_DblClick(int row) {
    static const QStringList sensors = {strTypeTemperature, strTypeHumidity, strTypeWater, strTypeProximity,
                                        strTypeAccel,       strTypeDistance, strTypeComboHumid};
    QLineEdit* box = txtDeviceComNumber[row];
    box->setVisible(box->isHidden() && sensors.contains(lblDeviceType[row]->text()));
}

void formSensorSetup::chkCloseFileAfterWrite_Click() {
    if (loading()) return;
    try {
        const int v = rt::value(chkCloseFileAfterWrite);
        if (v == 0) {
            settingsvalues::storeFromHandler("CloseFileAfterWrite");
        } else if (v == 1) {
            settingsvalues::storeFromHandler("CloseFileAfterWrite");
            // Every open log closes now, whether or not its row still logs to file, so that the
            // next write opens it afresh; a combined sensor's second log goes with its first.
            for (int row = 1; row <= 10; ++row) {
                rt::Files::close(row);
                if (iPortOpen[row] == typeCombo && row < 10) rt::Files::close(++row);
            }
        }
    } catch (const std::exception& e) {
        rt::MsgBox(QString::fromStdString(e.what()));
    }
}

void formSensorSetup::txtMaxFileSize_Change() {
    if (loading()) return;
    settingsvalues::storeFromHandler("MaxFileSize", 0, txtMaxFileSize->text());
}

void formSensorSetup::txtMaxFileSize_Click() {
    if (rt::IsNumeric(txtMaxFileSize->text())) return;
    rt::MsgBox(QStringLiteral("This value must be an integer"));
    txtMaxFileSize->setText(QStringLiteral("1000"));
    txtMaxFileSize->setFocus();
}
