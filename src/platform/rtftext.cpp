#include "platform/rtftext.h"

#include <QHash>
#include <QList>
#include <QSet>

#include "runtime/vb.h"

namespace platform {

namespace {

// Characters 0x80..0x9F of the Windows-1252 code page (0 = unassigned); the rest is Latin-1.
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QChar fromCp1252(int byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        const char16_t c = kCp1252High[byte - 0x80];
        return c ? QChar(c) : QChar(u'?');
    }
    return QChar(char16_t(byte));
}

// Groups whose content is never shown.
const QSet<QByteArray>& hiddenDestinations() {
    static const QSet<QByteArray> names{
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf", "footnote", "object", "themedata", "listtable",
        "listoverridetable", "rsidtbl", "generator", "xmlnsdecl", "datastore", "latentstyles",
        "mmathPr", "filetbl", "revtbl", "pgdsctbl", "colorschememapping", "fldinst", "bkmkstart", "bkmkend"};
    return names;
}

struct GroupState {
    bool hidden = false;
    int unicodeSkip = 1; // characters that stand in for each \u character
};

class Reader {
public:
    explicit Reader(const QByteArray& in) : m_in(in) {}

    QString run() {
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            switch (c) {
            case '{':
                m_stack.append(m_state);
                break;
            case '}':
                if (!m_stack.isEmpty()) m_state = m_stack.takeLast();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                put(QChar(char16_t(static_cast<unsigned char>(c))));
            }
        }
        return m_out;
    }

private:
    void put(QChar ch) {
        if (m_pendingSkip > 0) {
            --m_pendingSkip;
            return;
        }
        if (!m_state.hidden) m_out.append(ch);
    }
    void putText(const QString& s) {
        if (!m_state.hidden) m_out.append(s);
    }

    void controlSequence() {
        if (m_pos >= m_in.size()) return;
        const char c = m_in[m_pos];
        if (!isLetter(c)) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        QByteArray word;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos])) word.append(m_in[m_pos++]);
        bool hasNumber = false;
        int number = 0;
        bool negative = false;
        if (m_pos < m_in.size() && m_in[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_in.size() && m_in[m_pos] >= '0' && m_in[m_pos] <= '9') {
            hasNumber = true;
            number = number * 10 + (m_in[m_pos++] - '0');
        }
        if (negative) number = -number;
        if (m_pos < m_in.size() && m_in[m_pos] == ' ') ++m_pos; // the delimiter belongs to the word
        controlWord(word, hasNumber, number);
    }

    void controlSymbol(char c) {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            put(QChar(char16_t(c)));
            break;
        case '\'': {
            const QByteArray hex = m_in.mid(m_pos, 2);
            m_pos += hex.size();
            bool ok = false;
            const int byte = hex.toInt(&ok, 16);
            if (ok && hex.size() == 2) put(fromCp1252(byte));
            break;
        }
        case '*':
            m_state.hidden = true; // an optional destination this reader does not know
            break;
        case '~':
            put(QChar(0x00A0));
            break;
        case '_':
            put(QChar(u'-'));
            break;
        case '\r':
        case '\n':
            newLine();
            break;
        default: // "\-" (optional hyphen) and others show nothing
            break;
        }
    }

    void controlWord(const QByteArray& word, bool hasNumber, int number) {
        if (hiddenDestinations().contains(word)) {
            m_state.hidden = true;
        } else if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") {
            newLine();
        } else if (word == "tab" || word == "cell") {
            putText(QStringLiteral("\t"));
        } else if (word == "u" && hasNumber) {
            const int code = number < 0 ? number + 65536 : number;
            if (!m_state.hidden) m_out.append(QChar(char16_t(code)));
            m_pendingSkip = m_state.unicodeSkip;
        } else if (word == "uc" && hasNumber) {
            m_state.unicodeSkip = qMax(0, number);
        } else if (const QChar named = namedCharacter(word); !named.isNull()) {
            putText(QString(named));
        }
    }

    static QChar namedCharacter(const QByteArray& word) {
        static const QHash<QByteArray, QChar> names{{"emdash", QChar(0x2014)},    {"endash", QChar(0x2013)},
                                                    {"bullet", QChar(0x2022)},    {"lquote", QChar(0x2018)},
                                                    {"rquote", QChar(0x2019)},    {"ldblquote", QChar(0x201C)},
                                                    {"rdblquote", QChar(0x201D)}};
        return names.value(word);
    }

    void newLine() {
        m_pendingSkip = 0;
        putText(QStringLiteral("\n"));
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    const QByteArray& m_in;
    qsizetype m_pos = 0;
    QString m_out;
    GroupState m_state;
    QList<GroupState> m_stack;
    int m_pendingSkip = 0;
};

} // namespace

QString rtfToText(const QByteArray& rtf) {
    if (!rtf.trimmed().startsWith("{\\rtf")) return rt::fromBytes(rtf);
    return Reader(rtf).run();
}

} // namespace platform
