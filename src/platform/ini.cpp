#include "platform/ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

#include "platform/privatefile.h"
#include "platform/registry.h"
#include "runtime/vb.h"

namespace platform {

namespace {

struct Line {
    QString text;
    QString eol; // "\r\n", "\n", or empty for a last line without one
};

std::vector<Line> readLines(const QString& path) {
    std::vector<Line> lines;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return lines;
    const QString text = rt::fromStoredLines(f.readAll());
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype nl = text.indexOf(QLatin1Char('\n'), start);
        if (nl < 0) {
            lines.push_back({text.mid(start), QString()});
            break;
        }
        const bool cr = nl > start && text[nl - 1] == QLatin1Char('\r');
        lines.push_back(
            {text.mid(start, nl - start - (cr ? 1 : 0)), cr ? QStringLiteral("\r\n") : QStringLiteral("\n")});
        start = nl + 1;
    }
    return lines;
}

bool sameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// "[name]" heads a section; the name is what stands between the brackets, trimmed.
bool sectionOf(const QString& line, QString* name) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('['))) return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    *name = t.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return true;
}

// "key=value"; blanks around the key and the value are not part of them, as the Windows reader
// has it. Lines starting with ";" are comments.
bool keyOf(const QString& line, QString* key, QString* value) {
    const QString t = line.trimmed();
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (t.startsWith(QLatin1Char(';')) || eq <= 0) return false;
    *key = t.left(eq).trimmed();
    if (value) *value = t.mid(eq + 1).trimmed();
    return !key->isEmpty();
}

// Index of the line of `key` within the sections named `section`, or -1. *firstSection gets the
// index of the first header of that section (-1 when there is none).
qsizetype findKey(const std::vector<Line>& lines, const QString& section, const QString& key,
                  qsizetype* firstSection, QString* value) {
    *firstSection = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        QString name;
        if (sectionOf(lines[i].text, &name)) {
            inSection = sameName(name, section);
            if (inSection && *firstSection < 0) *firstSection = i;
            continue;
        }
        QString k;
        if (inSection && !key.isNull() && keyOf(lines[i].text, &k, value) && sameName(k, key)) return i;
    }
    return -1;
}

// The end of the section whose header is at `header`: the index of the next header, or the
// number of lines.
qsizetype sectionEnd(const std::vector<Line>& lines, qsizetype header) {
    QString name;
    for (qsizetype i = header + 1; i < qsizetype(lines.size()); ++i)
        if (sectionOf(lines[i].text, &name)) return i;
    return qsizetype(lines.size());
}

QString withoutLineBreaks(QString s) {
    // A line break inside a name or value would start a line of its own in the file.
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

QString fitWidth(const QString& s, int width) {
    return width <= 0 ? QString() : s.left(width - 1);
}

} // namespace

QString iniFilePath(const QString& file) {
    if (file.contains(QLatin1Char('/'))) return file;
    return Registry::instance().folder() + QLatin1Char('/') + file;
}

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int width, const QString& file) {
    QString value;
    qsizetype header = -1;
    if (!file.isEmpty() && findKey(readLines(iniFilePath(file)), section, key, &header, &value) >= 0) {
        // A value in matching single or double quotes is returned without them.
        if (value.size() >= 2 && value.front() == value.back() &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        return fitWidth(value, width);
    }
    QString dflt = defaultValue;
    while (!dflt.isEmpty() && (dflt.back() == QLatin1Char(' ') || dflt.back() == QLatin1Char('\t')))
        dflt.chop(1);
    return fitWidth(dflt, width);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file) {
    if (file.isEmpty() || section.trimmed().isEmpty()) return false;
    const QString path = iniFilePath(file);
    if (!file.contains(QLatin1Char('/'))) makePrivateFolder(QFileInfo(path).path());
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || !info.isReadable() || !info.isWritable())) return false;

    std::vector<Line> lines = readLines(path);
    QString eol = QStringLiteral("\r\n");
    for (const Line& l : lines)
        if (!l.eol.isEmpty()) {
            eol = l.eol;
            break;
        }
    const QString sec = withoutLineBreaks(section).trimmed();
    const QString k = withoutLineBreaks(key).trimmed();
    qsizetype header = -1;
    QString old;
    const qsizetype at = findKey(lines, sec, k, &header, &old);

    if (key.isNull()) { // remove the first section of that name
        if (header < 0) return true;
        lines.erase(lines.begin() + header, lines.begin() + sectionEnd(lines, header));
    } else if (value.isNull()) {
        if (at < 0) return true;
        lines.erase(lines.begin() + at);
    } else {
        const QString v = withoutLineBreaks(value);
        if (at >= 0) {
            QString stored;
            keyOf(lines[at].text, &stored, nullptr);
            lines[at].text = stored + QLatin1Char('=') + v;
        } else {
            if (header < 0) {
                if (!lines.empty() && lines.back().eol.isEmpty()) lines.back().eol = eol;
                lines.push_back({QLatin1Char('[') + sec + QLatin1Char(']'), eol});
                header = qsizetype(lines.size()) - 1;
            }
            // After the section's last non-blank line, so that blank lines before the next
            // section stay where they are.
            qsizetype pos = header + 1;
            for (qsizetype i = header + 1; i < sectionEnd(lines, header); ++i)
                if (!lines[i].text.trimmed().isEmpty()) pos = i + 1;
            if (pos > 0 && lines[pos - 1].eol.isEmpty()) lines[pos - 1].eol = eol;
            lines.insert(lines.begin() + pos, Line{k + QLatin1Char('=') + v, eol});
        }
    }

    QString text;
    for (const Line& l : lines)
        text += l.text + l.eol;
    return writePrivateFile(path, text.toUtf8());
}

} // namespace platform
