#pragma once
#include <QString>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QLineEdit;
class QSlider;

// Putting stored setting texts into controls, the way the loaders do it: each assignment either
// takes the text or raises rt::VbError (a text that does not convert, a value the control
// refuses), and a refused stored text falls back to the reader's default for that key.
namespace settingsvalues {

// The text as a boolean: "True"/"False" in any case, or a number (nonzero is true); error 13
// for anything else.
bool toBool(const QString& text);
// The text as a number; error 13 when it is not one.
double toNumber(const QString& text);

// A check box state from a whole-number text: 0, 1 or 2 (error 13 for a non-number, 380 for
// another value).
void setCheck(QCheckBox* box, const QString& text);
// A reading interval: a number that is at least 1 once rounded to a whole number; error 13 for a
// non-number, 380 for a smaller one.
void setReadingInterval(QLineEdit* box, const QString& text);
// An interval box and its slider: the box takes the text, the slider the box's whole-number
// value (error 13 for a non-number, 380 outside the slider's range).
void setTextAndSlider(QLineEdit* box, QSlider* slider, const QString& text);
// The option chosen or cleared from a boolean text.
void setOption(QRadioButton* option, const QString& text);
// "Min" selects the first item of the interval-unit list, "Sec" the second; other texts and a
// list without that item leave it.
void setMinOrSecs(QComboBox* list, const QString& text);

// Texts stored for control states.
QString checkText(const QCheckBox* box);            // "0", "1" or "2"
QString tickedText(const QCheckBox* box);           // "1" ticked, "0" unticked or greyed
QString optionText(const QRadioButton* option);     // "1" / "0"
QString optionBoolText(const QRadioButton* option); // "True" / "False"
// "Min" while the unit list shows "Minute(s)", otherwise "Sec".
QString minOrSecsText(const QComboBox* list);

// The sensor type codes that own alert switch keys, in the order the keys are read and written.
inline constexpr int kAlertKinds[] = {1, 2, 6, 8, 9, 0};
// A key name followed by a number ("chkPageAlert" and 1).
QString numbered(const char* key, int n);

// A proximity command that runs a screen saver: its command line ends in " /s".
bool isScreenSaverCommand(const QString& command);

} // namespace settingsvalues
