#include <QString>

#include "runtime/format.h"
#include "settings/modSupport.h"

namespace modSupport {

namespace {

// Figures of the date text up to its first blank, separators dropped. With a month-first date
// that writes one-figure parts without a leading zero, a one-figure month is padded, and the day
// only when the month has one figure too.
QString datePart(const QString& d) {
    int firstSlash = d.indexOf(u'/') + 1; // 1-based, 0 when none
    int lastSlash = d.lastIndexOf(u'/') + 1;
    QString out;
    QChar last;
    for (const QChar c : d) {
        if (c == u' ') break;
        if (c == u'-') continue;
        if (c != u'/') {
            out += c;
            last = c;
            continue;
        }
        if (firstSlash == 2) {
            out.prepend(u'0');
            firstSlash = 0;
        } else if (firstSlash == 0 && lastSlash == 4 && !out.isEmpty()) {
            out.chop(1);
            out += u'0';
            out += last;
            lastSlash = 0;
        }
    }
    return out;
}

// Figures of the time text up to its first blank (so no AM/PM marker), a one-figure hour padded.
QString timePart(const QString& t) {
    QString out;
    for (const QChar c : t) {
        if (c == u' ') break;
        if (c == u':') {
            if (out.size() == 3) out.prepend(u'0');
            continue;
        }
        out += c;
    }
    if (out.size() == 5) out.prepend(u'0');
    return out;
}

} // namespace

QString DateTimeStampOf(const QString& dateText, const QString& timeText) {
    return datePart(dateText) + u'_' + timePart(timeText);
}

QString GetDateTimeStamp() {
    return DateTimeStampOf(rt::DateText(), rt::TimeText());
}

} // namespace modSupport
