#include "alerts/alertchecks.h"

std::array<bool, 11> bTempMailSent{};
std::array<bool, 11> bTempScreenShown{};
std::array<bool, 11> bHumidMailSent{};
std::array<bool, 11> bHumidScreenShown{};
std::array<bool, 11> bDistAlertSent{};
std::array<bool, 11> bWaterAlertOn{};
std::array<bool, 11> bWaterClearSent{};
std::array<std::array<bool, 9>, 11> bAccelAlert{};
int iTestMail = 0;

namespace {

bool g_recording = false;

} // namespace

QStringList& alertCallLog() {
    static QStringList calls;
    return calls;
}

void setAlertCallRecording(bool on) {
    g_recording = on;
    if (!on) alertCallLog().clear();
}

void recordAlertCall(const char* name, const QStringList& args) {
    if (g_recording) alertCallLog().append(QLatin1String(name) + u'(' + args.join(QStringLiteral(", ")) + u')');
}

void SetAccelAlertFlags(bool value, int row) {
    if (row < 1 || row > 10) return;
    for (int i = 1; i <= 8; ++i)
        bAccelAlert[row][i] = value;
}

void ClearAllAlertLatches() {
    for (auto* latches : {&bTempMailSent, &bTempScreenShown, &bHumidMailSent, &bHumidScreenShown,
                          &bDistAlertSent, &bWaterAlertOn, &bWaterClearSent})
        latches->fill(false);
    for (auto& row : bAccelAlert)
        row.fill(false);
}
