#include "settings/controlvalues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/vb.h"
#include "setup/formSensorSetup.h"

namespace settingsvalues {

bool assignOr(const QString& stored, const QString& defaultText,
              const std::function<void(const QString&)>& assign) {
    try {
        assign(stored);
        return true;
    } catch (const rt::VbError&) {
    }
    try {
        assign(defaultText);
    } catch (const rt::VbError&) {
    }
    return false;
}

bool toBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    return rt::CDbl(text) != 0.0;
}

double toNumber(const QString& text) {
    return rt::CDbl(text);
}

double numberOr0(const QString& text) {
    return rt::IsNumeric(text) ? rt::CDbl(text) : 0.0;
}

void setCheck(QCheckBox* box, const QString& text) {
    rt::setValue(box, rt::CInt(text));
}

void setReadingInterval(QLineEdit* box, const QString& text) {
    if (!rt::IsNumeric(text)) throw rt::VbError(13, QStringLiteral("Type mismatch"));
    if (qRound64(rt::Val(text)) < 1) throw rt::VbError(380, QStringLiteral("Invalid property value"));
    box->setText(text);
}

void setSlider(QSlider* slider, const QString& text) {
    const long v = rt::CLng(text);
    if (v < slider->minimum() || v > slider->maximum())
        throw rt::VbError(380, QStringLiteral("Invalid property value"));
    slider->setValue(int(v));
}

void setOption(QRadioButton* option, const QString& text) {
    rt::setOptionValue(option, toBool(text));
}

void setMinOrSecs(QComboBox* list, const QString& text) {
    const int index = text == QLatin1String("Min") ? 0 : text == QLatin1String("Sec") ? 1 : -1;
    if (index >= 0 && index < list->count()) list->setCurrentIndex(index);
}

QString checkText(const QCheckBox* box) {
    return QString::number(rt::value(box));
}

QString optionText(const QRadioButton* option) {
    return rt::optionValue(option) ? QStringLiteral("1") : QStringLiteral("0");
}

QString optionBoolText(const QRadioButton* option) {
    return rt::optionValue(option) ? QStringLiteral("True") : QStringLiteral("False");
}

QString minOrSecsText(const QComboBox* list) {
    return list->currentText() == QLatin1String("Minute(s)") ? QStringLiteral("Min") : QStringLiteral("Sec");
}

QString numbered(const char* key, int n) {
    return QLatin1String(key) + QString::number(n);
}

void writeThresholdKeys(const formSensorSetup& s, const KeyWriter& write) {
    write(QStringLiteral("XMaxThresh"), s.txtXMaxThresh->text());
    write(QStringLiteral("XMinThresh"), s.txtXMinThresh->text());
    write(QStringLiteral("YMaxThresh"), s.txtYMaxThresh->text());
    write(QStringLiteral("YMinThresh"), s.txtYMinThresh->text());
    write(QStringLiteral("CheckRange"), checkText(s.chkOutOfRangeAlert));
    write(QStringLiteral("MinDistanceThresh"), s.txtMinDistanceThresh->text());
    write(QStringLiteral("MaxDistanceThresh"), s.txtMaxDistanceThresh->text());
    write(QStringLiteral("ReadingInterval"), s.txtReadingInterval->text());
    write(QStringLiteral("BinaryInterval"), s.txtBinaryInterval->text());
    const std::pair<const char*, const formSensorSetup::Kinds<QCheckBox>*> switches[3] = {
        {"chkPageAlert", &s.chkPageAlert},
        {"chkEmailAlert", &s.chkEmailAlert},
        {"chkOnScreenAlert", &s.chkOnScreenAlert}};
    for (const auto& [key, boxes] : switches)
        for (int k : kAlertKinds)
            write(numbered(key, k), checkText((*boxes)[k]));
    write(QStringLiteral("HDDTotalAmount"), s.txtHDDTotalAmount->text());
    write(QStringLiteral("MaxFileSize"), s.txtMaxFileSize->text());
}

void writeLimitKeys(const formSensorSetup& s, const KeyWriter& write) {
    write(QStringLiteral("TempMax"), s.txtTempMax->text());
    write(QStringLiteral("TempMin"), s.txtTempMin->text());
    write(QStringLiteral("HumidMax"), s.txtHumidMax->text());
    write(QStringLiteral("HumidMin"), s.txtHumidMin->text());
}

void writeUnitKey(const formSensorSetup& s, const KeyWriter& write) {
    if (rt::optionValue(s.optCorF2))
        write(QStringLiteral("ForC"), QStringLiteral("F"));
    else if (rt::optionValue(s.optCorF))
        write(QStringLiteral("ForC"), QStringLiteral("C"));
}

void writeActionChain(const formSensorSetup& s, int n, const KeyWriter& write) {
    const std::pair<const char*, QRadioButton*> chain[4] = {
        {"optSysCommandDisabled", s.optSysCommandDisabled[n]},
        {"optLogoutOnProximity", s.optLogoutOnProximity[n]},
        {"optSystemLock", s.optSystemLock[n]},
        {"optRunCommand", s.optRunCommand[n]},
    };
    for (const auto& [key, option] : chain) {
        const bool chosen = rt::optionValue(option);
        write(numbered(key, n), chosen ? QStringLiteral("1") : QStringLiteral("0"));
        if (!chosen) continue;
        if (option == s.optRunCommand[n]) {
            write(numbered("ProximityRunCommand", n), s.lblCommandOnProx[n]->text());
            write(numbered("ProximityRunCommandApproach", n), s.lblCommandOnProxApproach[n]->text());
        }
        break;
    }
}

bool isScreenSaverCommand(const QString& command) {
    return command.trimmed().endsWith(QLatin1String(" /s"));
}

} // namespace settingsvalues
