#include "sensors/streamlines.h"

#include <algorithm>

#include "runtime/vb.h"

namespace sensorevents {

QStringList SplitStreamLines(StreamInput& kept, const QString& received) {
    kept.partial += received;
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype cr; (cr = kept.partial.indexOf(u'\r', from)) >= 0; from = cr + 1) {
        QString line = kept.partial.mid(from, cr - from);
        if (kept.resync) {
            kept.resync = false;
            continue;
        }
        while (line.startsWith(u'\n'))
            line.remove(0, 1);
        if (kept.repliesOwed > 0 && line == QLatin1String("OK")) {
            --kept.repliesOwed;
            continue;
        }
        if (!line.isEmpty()) lines << line;
    }
    kept.partial.remove(0, from);
    if (kept.partial.size() > kMaxPartialLine) {
        kept.partial.clear();
        kept.resync = true;
    }
    return lines;
}

QString NumberAtEnd(const QString& text) {
    const QString t = text.trimmed();
    qsizetype from = t.size();
    while (from > 0 && (t[from - 1].isDigit() || t[from - 1] == u'.'))
        --from;
    if (from > 0 && t[from - 1] == u'-') --from;
    const QString number = t.mid(from);
    const bool figures = std::any_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
    return figures ? rt::CStr(rt::Val(number)) : QString();
}

} // namespace sensorevents
