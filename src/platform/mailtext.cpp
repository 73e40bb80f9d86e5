#include "platform/mailtext.h"

#include <QRegularExpression>

namespace platform {

namespace {

// A surrogate pair counts four bytes on its first half.
int utf8Bytes(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80) return 1;
    if (u < 0x800) return 2;
    if (QChar::isHighSurrogate(u)) return 4;
    if (QChar::isLowSurrogate(u)) return 0;
    return 3;
}

} // namespace

bool isAsciiText(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0x7f) return false;
    return true;
}

QStringList wrapMailLine(const QString& line, int limit) {
    QStringList out;
    QString rest = line;
    for (;;) {
        int bytes = 0, cut = -1, blank = -1;
        for (int i = 0; i < rest.size(); ++i) {
            if (rest[i] == u' ') blank = i;
            bytes += utf8Bytes(rest[i]);
            if (bytes > limit) {
                cut = i;
                break;
            }
        }
        if (cut < 0) {
            out.append(rest);
            return out;
        }
        if (blank > 0) {
            out.append(rest.left(blank));
            rest = rest.mid(blank + 1);
        } else {
            const int at = qMax(cut, 1);
            out.append(rest.left(at));
            rest = rest.mid(at);
        }
    }
}

QStringList mailBodyLines(const QString& body) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList out;
    for (const QString& line : body.split(lineEnd))
        out += wrapMailLine(line);
    return out;
}

} // namespace platform
