#pragma once
#include <QByteArray>
#include <QChar>
#include <QString>

// Number and text conversions and string functions with the language semantics the program's
// procedures rely on: 1-based positions, tolerant lengths, "." as the decimal point, run-time
// errors (rt::VbError) where the original raises them.
namespace rt {

// --- numbers from text ---

// The number at the start of a text: blanks, tabs and line feeds are skipped anywhere in it;
// reading stops at the first character that cannot continue the number ("12cm" 12, " 4 5" 45,
// "3.5.1" 3.5, "1e3" 1000, "&H1F" 31, "abc" and "" 0). Never fails except on overflow (6).
double Val(const QString& s);

// True when the text as a whole is a number: blanks around it, a sign, digits (with ","
// grouping before the point, as with United States settings), a ".", an exponent, or "&H"/"&O"
// forms. "", " ", ".", "-" and "12cm" are not numbers.
bool IsNumeric(const QString& s);

// The text as a whole as a number; error 13 "Type mismatch" when it is not one (see IsNumeric).
double CDbl(const QString& s);
inline double CDbl(double v) {
    return v;
}

// Whole numbers, rounded half to even (2.5 -> 2, 3.5 -> 4): CInt -32768..32767, CLng
// -2147483648..2147483647; error 6 "Overflow" outside, 13 "Type mismatch" for non-numeric text.
int CInt(double v);
int CInt(const QString& s);
long CLng(double v);
long CLng(const QString& s);

// --- numbers to text ---

// Up to 15 significant figures, no trailing zeros, "E+nn"/"E-nn" outside 1E-04..1E+15:
// 72.5 -> "72.5", 0.5 -> "0.5", 1e-5 -> "1E-05". Booleans give "True"/"False".
QString CStr(double v);
QString CStr(int v);
QString CStr(long v);
QString CStr(long long v);
QString CStr(bool v);
inline QString CStr(const QString& s) {
    return s;
}
inline QString CStr(const char* s) {
    return QString::fromUtf8(s);
}

// As CStr with a leading blank for a number that is not negative and without the 0 before
// the point of a fraction: 72.5 -> " 72.5", -5 -> "-5", 0.5 -> " .5".
QString Str(double v);

// --- string functions (positions from 1; error 5 "Invalid procedure call or argument" for a
// negative length or a start below 1) ---

int Len(const QString& s);
QString Left(const QString& s, int n);
QString Right(const QString& s, int n);
QString Mid(const QString& s, int start);
QString Mid(const QString& s, int start, int length);
// Position of find in s from start, 0 when missing or s is empty or start is past the end;
// an empty find gives start.
int InStr(const QString& s, const QString& find);
int InStr(int start, const QString& s, const QString& find);
// Position of the last find that ends at or before start (-1 = the end of s); 0 when missing.
int InStrRev(const QString& s, const QString& find, int start = -1);
// Blanks only; tabs and line ends stay.
QString Trim(const QString& s);
QString LTrim(const QString& s);
QString RTrim(const QString& s);
QString UCase(const QString& s);
QString LCase(const QString& s);
// Every find replaced; an empty find leaves s as it is.
QString Replace(const QString& s, const QString& find, const QString& with);
QString Space(int n);
// n copies of ch, or of the first character of a text (error 5 for an empty text).
QString String(int n, QChar ch);
QString String(int n, const QString& ch);
// The character of a byte code 0..255.
QString Chr(int code);
// The byte code of the first character (63 "?" for one without a single-byte form).
int Asc(const QString& s);

// --- single-byte text ---

// One character per byte (Latin-1) and back; characters without a single-byte form become "?".
QString fromBytes(const QByteArray& bytes);
QByteArray toBytes(const QString& text);

// --- stored text ---

// Text of a file or stored value the program writes in UTF-8: read as UTF-8 when the bytes are
// valid UTF-8, otherwise one character per byte (files written before, or by a single-byte
// editor, keep their accented characters).
QString fromStoredText(const QByteArray& bytes);
// A whole settings file: each line (one value) is decided on its own as above, so one value
// written by a single-byte editor does not turn the file's UTF-8 values into garbled text.
QString fromStoredLines(const QByteArray& bytes);

} // namespace rt
