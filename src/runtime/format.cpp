#include "runtime/format.h"

#include "runtime/clock.h"

namespace rt {

namespace {

QString two(int n) {
    return QString::number(n).rightJustified(2, u'0');
}

// Hour on the 12-hour clock: 0 and 12 are both 12.
int hour12(const QTime& t) {
    return t.hour() % 12 == 0 ? 12 : t.hour() % 12;
}
QString marker(const QTime& t) {
    return t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
}

} // namespace

QString formatTime12(const QDateTime& dt) {
    const QTime t = dt.time();
    return two(hour12(t)) + u':' + two(t.minute()) + u':' + two(t.second()) + marker(t);
}

QString formatDateMDY(const QDateTime& dt) {
    const QDate d = dt.date();
    return two(d.month()) + u'-' + two(d.day()) + u'-' + QString::number(d.year()).rightJustified(4, u'0');
}

QString formatTimeHM(const QDateTime& dt) {
    const QTime t = dt.time();
    return two(hour12(t)) + u':' + two(t.minute()) + u' ' + marker(t);
}

QString shortDate(const QDateTime& dt) {
    const QDate d = dt.date();
    return QString::number(d.month()) + u'/' + QString::number(d.day()) + u'/' + QString::number(d.year());
}

QString longTime(const QDateTime& dt) {
    const QTime t = dt.time();
    return QString::number(hour12(t)) + u':' + two(t.minute()) + u':' + two(t.second()) + u' ' + marker(t);
}

QString DateText() {
    return shortDate(Clock::now());
}
QString TimeText() {
    return longTime(Clock::now());
}

} // namespace rt
