#include "runtime/vb.h"

#include "runtime/error.h"

#include <QLocale>
#include <QStringDecoder>
#include <charconv>
#include <cmath>
#include <optional>

namespace rt {

namespace {

[[noreturn]] void invalidCall() {
    throw VbError(5, QStringLiteral("Invalid procedure call or argument"));
}
[[noreturn]] void overflow() {
    throw VbError(6, QStringLiteral("Overflow"));
}
[[noreturn]] void typeMismatch() {
    throw VbError(13, QStringLiteral("Type mismatch"));
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isExponent(QChar c) {
    return c == u'E' || c == u'e' || c == u'D' || c == u'd';
}

int digitValue(QChar c, int base) {
    int v = -1;
    if (isDigit(c))
        v = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        v = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        v = c.unicode() - u'A' + 10;
    return v < base ? v : -1;
}

enum class Parse { Ok, NotNumber, Overflow };

struct Parsed {
    Parse status = Parse::NotNumber;
    double value = 0;
};

// "&H1F" / "&O17" / "&17" from position i: the digits that follow, as a 16-bit value when they
// fit in 16 bits and a 32-bit value otherwise (so "&HFFFF" is -1). Stops at the first other
// character; `end` receives its position.
Parsed parseRadix(const QString& s, qsizetype i, qsizetype* end) {
    int base = 8;
    if (i < s.size() && (s[i] == u'H' || s[i] == u'h')) {
        base = 16;
        ++i;
    } else if (i < s.size() && (s[i] == u'O' || s[i] == u'o')) {
        ++i;
    }
    quint64 v = 0;
    qsizetype digits = 0;
    for (; i < s.size(); ++i, ++digits) {
        const int d = digitValue(s[i], base);
        if (d < 0) break;
        v = v * base + d;
        if (v > 0xFFFFFFFFull) return {Parse::Overflow, 0};
    }
    *end = i;
    if (digits == 0) return {Parse::NotNumber, 0};
    const double value = v <= 0xFFFF ? double(qint16(quint16(v))) : double(qint32(quint32(v)));
    return {Parse::Ok, value};
}

// A decimal number text already checked for form, "," and blanks removed, "D" as exponent allowed.
Parsed toDouble(QString text) {
    // Short plain numbers ("1", "-12.50"), the everyday case, cannot leave the range and convert
    // exactly without the locale machinery.
    if (text.size() <= 15) {
        char ascii[16];
        bool plain = true;
        for (qsizetype i = 0; i < text.size() && plain; ++i) {
            const char16_t c = text[i].unicode();
            plain = (c >= u'0' && c <= u'9') || c == u'.' || (i == 0 && (c == u'-' || c == u'+'));
            ascii[i] = char(c);
        }
        const char* first = ascii + (plain && text.size() > 0 && ascii[0] == '+' ? 1 : 0);
        double v = 0;
        if (plain && std::from_chars(first, ascii + text.size(), v).ptr == ascii + text.size())
            return {Parse::Ok, v};
    }
    for (QChar& c : text)
        if (c == u'D' || c == u'd') c = u'E';
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (ok && std::isfinite(v)) return {Parse::Ok, v};
    // A well-formed text that did not convert is out of range: too large overflows, too small is 0.
    if (std::isinf(v) || std::abs(v) > 1.0) return {Parse::Overflow, 0};
    return {Parse::Ok, 0.0};
}

// Reads digits (and "," after the first digit when grouping is allowed) from i.
qsizetype scanDigits(const QString& s, qsizetype i, QString& out, bool grouping, int& count) {
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            out += s[i];
            ++count;
        } else if (!(grouping && s[i] == u',' && count > 0)) {
            break;
        }
    }
    return i;
}

// Reads sign, digits, point, digits and exponent from the start of s; `end` is where it stopped.
Parsed scanDecimal(const QString& s, bool grouping, qsizetype* end) {
    QString text;
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) text += s[i++];
    int digits = 0;
    i = scanDigits(s, i, text, grouping, digits);
    if (i < s.size() && s[i] == u'.') {
        text += u'.';
        i = scanDigits(s, i + 1, text, false, digits);
    }
    if (digits == 0) {
        *end = 0;
        return {Parse::NotNumber, 0};
    }
    if (i < s.size() && isExponent(s[i])) {
        qsizetype j = i + 1;
        QString exp = QStringLiteral("E");
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) exp += s[j++];
        int expDigits = 0;
        j = scanDigits(s, j, exp, false, expDigits);
        if (expDigits > 0) {
            text += exp;
            i = j;
        }
    }
    *end = i;
    return toDouble(text);
}

// The whole text as a number, blanks around allowed.
Parsed parseStrict(const QString& raw) {
    const QString s = raw.trimmed();
    if (s.isEmpty()) return {};
    qsizetype end = 0;
    Parsed p = s.startsWith(u'&') ? parseRadix(s, 1, &end) : scanDecimal(s, true, &end);
    if (p.status == Parse::Ok && end != s.size()) return {};
    return p;
}

double strictOrThrow(const QString& s) {
    const Parsed p = parseStrict(s);
    if (p.status == Parse::Overflow) overflow();
    if (p.status != Parse::Ok) typeMismatch();
    return p.value;
}

// Half to even, then range check.
double roundChecked(double v, double low, double high) {
    const double r = std::nearbyint(v);
    if (!(r >= low && r <= high)) overflow();
    return r;
}

QString stripBlanks(const QString& s, bool left, bool right) {
    qsizetype from = 0, to = s.size();
    while (left && from < to && s[from] == u' ')
        ++from;
    while (right && to > from && s[to - 1] == u' ')
        --to;
    return s.mid(from, to - from);
}

// Character by character, so the length never changes and single-byte text stays single-byte.
QString mapCase(const QString& s, QChar (QChar::*change)() const) {
    QString out = s;
    for (QChar& c : out) {
        const QChar m = (c.*change)();
        if (m.unicode() <= 0xFF) c = m;
    }
    return out;
}

} // namespace

double Val(const QString& s) {
    QString packed;
    packed.reserve(s.size());
    for (QChar c : s)
        if (c != u' ' && c != u'\t' && c != u'\n') packed += c;
    qsizetype end = 0;
    const Parsed p = packed.startsWith(u'&') ? parseRadix(packed, 1, &end) : scanDecimal(packed, false, &end);
    if (p.status == Parse::Overflow) overflow();
    return p.status == Parse::Ok ? p.value : 0.0;
}

bool IsNumeric(const QString& s) {
    return parseStrict(s).status == Parse::Ok;
}

double CDbl(const QString& s) {
    return strictOrThrow(s);
}

int CInt(double v) {
    return int(roundChecked(v, -32768, 32767));
}
int CInt(const QString& s) {
    return CInt(strictOrThrow(s));
}
long CLng(double v) {
    return long(roundChecked(v, -2147483648.0, 2147483647.0));
}
long CLng(const QString& s) {
    return CLng(strictOrThrow(s));
}

QString CStr(double v) {
    if (v == 0) return QStringLiteral("0");
    QString t = QString::number(v, 'g', 15);
    const qsizetype e = t.indexOf(u'e');
    if (e >= 0) {
        // Exponent as "E+nn"/"E-nn" with at least two figures.
        QString exp = t.mid(e + 2);
        while (exp.size() < 2)
            exp.prepend(u'0');
        t = t.left(e) + u'E' + t[e + 1] + exp;
    }
    return t;
}
QString CStr(int v) {
    return QString::number(v);
}
QString CStr(long v) {
    return QString::number(v);
}
QString CStr(long long v) {
    return QString::number(v);
}
QString CStr(bool v) {
    return v ? QStringLiteral("True") : QStringLiteral("False");
}

QString Str(double v) {
    QString t = CStr(v);
    if (t.startsWith(QLatin1String("0.")))
        t.remove(0, 1);
    else if (t.startsWith(QLatin1String("-0.")))
        t.remove(1, 1);
    return v < 0 ? t : u' ' + t;
}

int Len(const QString& s) {
    return int(s.size());
}

QString Left(const QString& s, int n) {
    if (n < 0) invalidCall();
    return s.left(n);
}

QString Right(const QString& s, int n) {
    if (n < 0) invalidCall();
    return s.right(n);
}

QString Mid(const QString& s, int start) {
    if (start < 1) invalidCall();
    return s.mid(start - 1);
}

QString Mid(const QString& s, int start, int length) {
    if (start < 1 || length < 0) invalidCall();
    return start > s.size() ? QString() : s.mid(start - 1, length);
}

int InStr(const QString& s, const QString& find) {
    return InStr(1, s, find);
}

int InStr(int start, const QString& s, const QString& find) {
    if (start < 1) invalidCall();
    if (s.isEmpty() || start > s.size()) return 0;
    if (find.isEmpty()) return start;
    return int(s.indexOf(find, start - 1)) + 1;
}

int InStrRev(const QString& s, const QString& find, int start) {
    if (start == 0 || start < -1) invalidCall();
    if (s.isEmpty() || start > s.size()) return 0;
    const int last = start == -1 ? int(s.size()) : start;
    if (find.isEmpty()) return last;
    if (find.size() > last) return 0;
    return int(s.lastIndexOf(find, last - find.size())) + 1;
}

QString Trim(const QString& s) {
    return stripBlanks(s, true, true);
}
QString LTrim(const QString& s) {
    return stripBlanks(s, true, false);
}
QString RTrim(const QString& s) {
    return stripBlanks(s, false, true);
}

QString UCase(const QString& s) {
    return mapCase(s, &QChar::toUpper);
}
QString LCase(const QString& s) {
    return mapCase(s, &QChar::toLower);
}

QString Replace(const QString& s, const QString& find, const QString& with) {
    if (find.isEmpty()) return s;
    QString out = s;
    return out.replace(find, with);
}

QString Space(int n) {
    return String(n, QChar(u' '));
}

QString String(int n, QChar ch) {
    if (n < 0) invalidCall();
    return QString(n, ch);
}

QString String(int n, const QString& ch) {
    if (ch.isEmpty()) invalidCall();
    return String(n, ch[0]);
}

QString Chr(int code) {
    if (code < 0 || code > 255) invalidCall();
    return QString(QChar(code));
}

int Asc(const QString& s) {
    if (s.isEmpty()) invalidCall();
    return quint8(toBytes(s.left(1)).at(0));
}

QString fromBytes(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}
QByteArray toBytes(const QString& text) {
    return text.toLatin1();
}

QString fromStoredText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString fromStoredLines(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        text += fromStoredText(bytes.mid(start, end - start));
        start = end;
    }
    return text;
}

} // namespace rt
