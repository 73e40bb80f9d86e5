// Temperature units: the setup window's Celsius and Fahrenheit options and the conversions they
// apply to the temperature limits and to the main window's highest and lowest readings.
#include "setup/units.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <cmath>

#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "runtime/controls.h"
#include "runtime/vb.h"
#include "settings/modSupport.h"
#include "settings/rowrecord.h"
#include "settings/setupkeys.h"
#include "setup/formSensorSetup.h"

using namespace modSupport;

double RoundingDP(double x, long n) {
    static const std::array<double, 101> powers = [] {
        std::array<double, 101> p{};
        p[50] = 1;
        for (int k = 1; k <= 50; ++k) {
            p[50 + k] = p[50 + k - 1] * 10;
            p[50 - k] = p[50 - k + 1] / 10;
        }
        return p;
    }();
    if (n < -50 || n > 50) return 0;
    const double up = powers[size_t(50 + n)], down = powers[size_t(50 - n)];
    return x < 0 ? -std::floor(-x * up + 0.5) * down : std::floor(x * up + 0.5) * down;
}

QString CtoFText(float c) {
    return QString::number(double(c) * 9 / 5 + 32, 'f', 2);
}

QString FtoCText(float f) {
    return QString::number((double(f) - 32) * 5 / 9, 'f', 2);
}

void UpdateMainHighLowLabels(int mode) {
    auto& s = formSensorSetup::instance();
    auto& m = CorvisentMain::instance();
    for (int row = 1; row <= 10; ++row) {
        int slot = 0;
        if (iDeviceType(row) == typeTemperature)
            slot = RowOf(row).slot;
        else if (iDeviceType(row) == typeCombo && s.lblDeviceType[row]->text() == strTypeComboTemp)
            slot = RowOf(row).tempSlot;
        if (slot < 1 || slot > 4 || m.bTHighLowEmpty[slot]) continue;
        for (QLabel* label : {m.lblTHighest[slot], m.lblTLowest[slot]}) {
            if (label->text().trimmed().isEmpty()) continue;
            const float v = float(rt::Val(label->text()));
            label->setText(mode == 1 ? CtoFText(v) : FtoCText(v));
        }
    }
}

void formSensorSetup::changeTemperatureUnit(bool toCelsius) {
    if (bInStartup || loading()) return;
    settingsvalues::storeFromHandler("ForC", 0, toCelsius ? QStringLiteral("C") : QStringLiteral("F"));
    for (QLineEdit* box : {txtTempMax, txtTempMin}) {
        const float v = float(RoundingDP(rt::Val(box->text()), 5));
        const QString converted = toCelsius ? FtoCText(v) : CtoFText(v);
        box->setText(rt::CStr(RoundingDP(rt::Val(converted), 1)));
    }
    UpdateMainHighLowLabels(toCelsius ? 2 : 1);
}

void formSensorSetup::optCorF_Click() {
    changeTemperatureUnit(true);
}

void formSensorSetup::optCorF2_Click() {
    changeTemperatureUnit(false);
}
