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

namespace settingsvalues {

bool toBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    return rt::CDbl(text) != 0.0;
}

double toNumber(const QString& text) {
    return rt::CDbl(text);
}

void setCheck(QCheckBox* box, const QString& text) {
    rt::setValue(box, rt::CInt(text));
}

void setReadingInterval(QLineEdit* box, const QString& text) {
    if (!rt::IsNumeric(text)) throw rt::VbError(13, QStringLiteral("Type mismatch"));
    if (qRound64(rt::Val(text)) < 1) throw rt::VbError(380, QStringLiteral("Invalid property value"));
    box->setText(text);
}

void setTextAndSlider(QLineEdit* box, QSlider* slider, const QString& text) {
    box->setText(text);
    const long v = rt::CLng(box->text());
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

QString tickedText(const QCheckBox* box) {
    return rt::ticked(box) ? QStringLiteral("1") : QStringLiteral("0");
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

bool isScreenSaverCommand(const QString& command) {
    return command.trimmed().endsWith(QLatin1String(" /s"));
}

} // namespace settingsvalues
