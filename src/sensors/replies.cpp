// The readings inside the replies of the polled sensors, apart from the exchanges that fetch them.
#include <algorithm>

#include "runtime/vb.h"
#include "sensors/modCorvisent.h"
#include "settings/modSupport.h"

namespace modCorvisent {

namespace {
QString numberOf(const QString& text) {
    return rt::CStr(rt::Val(text));
}

// A reply without a digit ("Invalid request") holds no reading: its number would be 0.
bool holdsDigit(const QString& reply) {
    return std::any_of(reply.begin(), reply.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
} // namespace

QString ReadingOfReply(int kind, const QString& reply) {
    if (!holdsDigit(reply)) return QString();
    switch (kind) {
    case modSupport::typeTemperature:
    case modSupport::typeDistance:
        return numberOf(rt::Left(reply, 6));
    case modSupport::typeHumidity:
        return numberOf(rt::Left(reply, 5));
    case modSupport::typeAccel:
        return numberOf(rt::Mid(reply, 1, 6)) + QStringLiteral(" / ") + numberOf(rt::Mid(reply, 8, 6));
    default:
        return QString();
    }
}

QString ComboHalf(const QString& reply) {
    return holdsDigit(reply) ? numberOf(rt::Left(reply, 5)) : QString();
}

} // namespace modCorvisent
