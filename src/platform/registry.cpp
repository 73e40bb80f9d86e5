#include "platform/registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QtDebug>
#include <memory>
#include <utility>
#include <vector>

#include "platform/privatefile.h"
#include "runtime/vb.h"

namespace platform {

namespace {

const char* const kHeader5 = "Windows Registry Editor Version 5.00";
const char* const kHeader4 = "REGEDIT4";

QString rootName(Hive hive) {
    return hive == Hive::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER")
                                     : QStringLiteral("HKEY_LOCAL_MACHINE");
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Key path components; empty ones (a trailing or doubled "\") are dropped.
QStringList splitPath(const QString& key) {
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

struct NamedValue {
    QString name;
    RegValue value;
};

struct Node {
    QString name;
    std::vector<NamedValue> values;
    std::vector<std::unique_ptr<Node>> children;

    Node* child(const QString& n) const {
        for (const auto& c : children)
            if (sameName(c->name, n)) return c.get();
        return nullptr;
    }
    Node* addChild(const QString& n) {
        children.push_back(std::make_unique<Node>());
        children.back()->name = n;
        return children.back().get();
    }
    NamedValue* findValue(const QString& n) {
        for (auto& v : values)
            if (sameName(v.name, n)) return &v;
        return nullptr;
    }
    void setValue(const QString& n, const RegValue& v) {
        if (NamedValue* nv = findValue(n))
            nv->value = v;
        else
            values.push_back({n, v});
    }
    bool removeValue(const QString& n) {
        for (auto it = values.begin(); it != values.end(); ++it)
            if (sameName(it->name, n)) {
                values.erase(it);
                return true;
            }
        return false;
    }
    bool removeChild(const QString& n) {
        for (auto it = children.begin(); it != children.end(); ++it)
            if (sameName((*it)->name, n)) {
                children.erase(it);
                return true;
            }
        return false;
    }
};

Node* findNode(Node* root, const QStringList& parts) {
    Node* n = root;
    for (const QString& p : parts) {
        n = n->child(p);
        if (!n) return nullptr;
    }
    return n;
}

Node* makeNode(Node* root, const QStringList& parts, bool* created) {
    Node* n = root;
    for (const QString& p : parts) {
        Node* c = n->child(p);
        if (!c) {
            c = n->addChild(p);
            *created = true;
        }
        n = c;
    }
    return n;
}

// String types are kept as UTF-8 bytes; the version 5 export format spells their hex forms as
// UTF-16LE.
bool isStringType(int type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

QByteArray toUtf16Le(const QByteArray& stored) {
    const QString text = rt::fromStoredText(stored);
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray fromUtf16Le(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() / 2);
    int i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        text.append(QChar(ushort(uchar(bytes[i]) | (uint(uchar(bytes[i + 1])) << 8))));
    QByteArray out = text.toUtf8();
    if (i < bytes.size()) // an odd last byte is kept as it is
        out.append(bytes[i]);
    return out;
}

// ---- reading the export format ----

QString decodeFile(const QByteArray& raw) {
    if (raw.startsWith("\xFF\xFE")) {
        QStringDecoder dec(QStringDecoder::Utf16LE);
        return dec(raw.mid(2));
    }
    return rt::fromStoredLines(raw.startsWith("\xEF\xBB\xBF") ? raw.mid(3) : raw);
}

// Reads a quoted name or string starting at s[pos] == '"'; pos ends after the closing quote.
bool readQuoted(const QString& s, int& pos, QString* out) {
    out->clear();
    for (++pos; pos < s.size(); ++pos) {
        const QChar c = s[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (c == QLatin1Char('\\') && pos + 1 < s.size() &&
            (s[pos + 1] == QLatin1Char('\\') || s[pos + 1] == QLatin1Char('"')))
            ++pos;
        out->append(s[pos]);
    }
    return false;
}

bool parseHexBytes(const QString& text, QByteArray* out) {
    out->clear();
    const QStringList items = text.split(QLatin1Char(','));
    for (int i = 0; i < items.size(); ++i) {
        const QString item = items[i].trimmed();
        if (item.isEmpty() && i == items.size() - 1) break; // nothing, or a trailing comma
        bool ok = false;
        const uint b = item.toUInt(&ok, 16);
        if (!ok || item.size() > 2 || b > 0xFF) return false;
        out->append(char(b));
    }
    return true;
}

// Parses the data part of a value line (after "="). A deletion ("-") gives type -1.
bool parseData(const QString& data, bool version5, RegValue* out) {
    if (data == QLatin1String("-")) {
        out->type = -1;
        return true;
    }
    if (data.startsWith(QLatin1Char('"'))) {
        int pos = 0;
        QString text;
        if (!readQuoted(data, pos, &text) || !data.mid(pos).trimmed().isEmpty()) return false;
        out->type = REG_SZ;
        out->data = text.toUtf8() + '\0';
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = data.mid(6).trimmed();
        bool ok = false;
        const uint v = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8) return false;
        out->type = REG_DWORD;
        out->data = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            out->data[i] = char((v >> (8 * i)) & 0xFF);
        return true;
    }
    if (!data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) return false;
    const int colon = data.indexOf(QLatin1Char(':'));
    if (colon < 0) return false;
    const QString tag = data.left(colon).mid(3);
    int type = REG_BINARY;
    if (!tag.isEmpty()) {
        if (!tag.startsWith(QLatin1Char('(')) || !tag.endsWith(QLatin1Char(')'))) return false;
        bool ok = false;
        type = tag.mid(1, tag.size() - 2).toInt(&ok, 16);
        if (!ok || type < 0) return false;
    }
    QByteArray bytes;
    if (!parseHexBytes(data.mid(colon + 1), &bytes)) return false;
    out->type = type;
    out->data = (version5 && isStringType(type)) ? fromUtf16Le(bytes) : bytes;
    return true;
}

// One reading of a hive file's lines into root: the key the value lines go into, and the first
// problem met.
class HiveParser {
public:
    HiveParser(const QString& text, const QString& hiveRoot, Node* root, QString* error)
        : m_lines(text.split(QLatin1Char('\n'))), m_hiveRoot(hiveRoot), m_root(root), m_error(error) {}

    void run() {
        bool headerSeen = false;
        for (int i = 0; i < m_lines.size(); ++i) {
            const int lineNo = i + 1;
            const QString line = m_lines[i].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
            // A file without a header line is still read, its first line as any other.
            if (!headerSeen) {
                headerSeen = true;
                if (header(line, lineNo)) continue;
            }
            if (line.startsWith(QLatin1Char('[')))
                keyLine(line, lineNo);
            else
                valueLine(line, i);
        }
    }

private:
    void fail(int lineNo, const QString& why) {
        if (m_error->isEmpty()) *m_error = QStringLiteral("line %1: %2").arg(lineNo).arg(why);
    }

    // Whether the line is a header; which one decides how string data in hex is read.
    bool header(const QString& line, int lineNo) {
        if (line == QLatin1String(kHeader5)) return true;
        if (line == QLatin1String(kHeader4)) {
            m_version5 = false;
            return true;
        }
        fail(lineNo, QStringLiteral("not a registry file"));
        return false;
    }

    // "[path]" opens (and makes) the key the next values go into; "[-path]" removes a key.
    void keyLine(const QString& line, int lineNo) {
        m_current = nullptr;
        if (!line.endsWith(QLatin1Char(']'))) {
            fail(lineNo, QStringLiteral("unclosed key name"));
            return;
        }
        QString path = line.mid(1, line.size() - 2);
        const bool remove = path.startsWith(QLatin1Char('-'));
        if (remove) path.remove(0, 1);
        QStringList parts = splitPath(path);
        if (parts.isEmpty() || !sameName(parts.first(), m_hiveRoot)) {
            fail(lineNo, QStringLiteral("key outside %1").arg(m_hiveRoot));
            return;
        }
        parts.removeFirst();
        if (remove) {
            if (!parts.isEmpty())
                if (Node* parent = findNode(m_root, parts.mid(0, parts.size() - 1))) parent->removeChild(parts.last());
            return;
        }
        bool created = false;
        m_current = makeNode(m_root, parts, &created);
    }

    // A value line: "name"=data or @=data. Hex data may go on over lines ending in "\"; i moves
    // past them.
    void valueLine(const QString& line, int& i) {
        const int lineNo = i + 1;
        QString name;
        int pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!line.startsWith(QLatin1Char('"')) || !readQuoted(line, pos, &name)) {
            fail(lineNo, QStringLiteral("unreadable line"));
            return;
        }
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
            fail(lineNo, QStringLiteral("missing \"=\""));
            return;
        }
        QString data = line.mid(pos + 1).trimmed();
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            while (data.endsWith(QLatin1Char('\\')) && i + 1 < m_lines.size()) {
                data.chop(1);
                data += m_lines[++i].trimmed();
            }
        }
        RegValue value;
        if (!m_current) {
            fail(lineNo, QStringLiteral("value outside a key"));
            return;
        }
        if (!parseData(data, m_version5, &value)) {
            fail(lineNo, QStringLiteral("unreadable value data"));
            return;
        }
        if (value.type == -1)
            m_current->removeValue(name);
        else
            m_current->setValue(name, value);
    }

    const QStringList m_lines;
    const QString& m_hiveRoot;
    Node* m_root;
    QString* m_error;
    bool m_version5 = true;
    Node* m_current = nullptr;
};

// Fills root from the text of a hive file. Lines that cannot be read are skipped; the first
// problem is described in *error. Returns false when there was any.
bool parseHive(const QString& text, const QString& hiveRoot, Node* root, QString* error) {
    HiveParser(text, hiveRoot, root, error).run();
    return error->isEmpty();
}

// ---- writing the export format ----

QString quote(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('"');
}

// A REG_SZ can be written as "text" when it ends in its one NUL and holds no other NUL or
// line break.
bool plainString(const RegValue& v) {
    if (v.type != REG_SZ || !v.data.endsWith('\0')) return false;
    for (int i = 0; i < v.data.size() - 1; ++i) {
        const char c = v.data[i];
        if (c == '\0' || c == '\r' || c == '\n') return false;
    }
    return true;
}

QString hexData(const QString& prefix, const QByteArray& bytes) {
    QString out = prefix;
    int col = prefix.size();
    for (int i = 0; i < bytes.size(); ++i) {
        const QString item = QStringLiteral("%1").arg(uchar(bytes[i]), 2, 16, QLatin1Char('0'));
        const bool last = i == bytes.size() - 1;
        out += item;
        col += 2;
        if (!last) {
            out += QLatin1Char(',');
            ++col;
            if (col > 76) {
                out += QStringLiteral("\\\n  ");
                col = 2;
            }
        }
    }
    return out;
}

QString valueLine(const NamedValue& nv) {
    const QString name = nv.name.isEmpty() ? QStringLiteral("@=") : quote(nv.name) + QLatin1Char('=');
    const RegValue& v = nv.value;
    if (plainString(v)) return name + quote(rt::fromStoredText(v.data.left(v.data.size() - 1)));
    if (v.type == REG_DWORD && v.data.size() == 4) {
        const uint n = uchar(v.data[0]) | (uint(uchar(v.data[1])) << 8) | (uint(uchar(v.data[2])) << 16) |
                       (uint(uchar(v.data[3])) << 24);
        return name + QStringLiteral("dword:%1").arg(n, 8, 16, QLatin1Char('0'));
    }
    const QString tag =
        v.type == REG_BINARY ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(v.type, 0, 16);
    return hexData(name + tag, isStringType(v.type) ? toUtf16Le(v.data) : v.data);
}

void writeNode(const Node* n, const QString& path, bool isRoot, QString* out) {
    if (!isRoot || !n->values.empty()) {
        *out += QLatin1Char('[') + path + QStringLiteral("]\n");
        for (const auto& nv : n->values)
            *out += valueLine(nv) + QLatin1Char('\n');
        *out += QLatin1Char('\n');
    }
    for (const auto& c : n->children)
        writeNode(c.get(), path + QLatin1Char('\\') + c->name, false, out);
}

QString hiveText(const Node* root, const QString& hiveRoot) {
    QString out = QLatin1String(kHeader5) + QStringLiteral("\n\n");
    writeNode(root, hiveRoot, true, &out);
    return out;
}

struct HiveState {
    std::unique_ptr<Node> root;
    bool loaded = false;
    bool damaged = false; // the file on disk could not be read whole: keep it aside before saving
    QString damage;       // what was wrong with it
};

} // namespace

struct Registry::Impl {
    QString folder;
    HiveState hives[2];
    QString error;
    QStringList notices; // damaged files kept aside, not yet shown to the user

    void report(const QString& text) {
        if (text == error) return;
        error = text;
        qWarning().noquote() << "Registry:" << text;
    }

    QString path(Hive hive) const {
        return folder + QLatin1Char('/') + rootName(hive) + QStringLiteral(".reg");
    }

    HiveState& state(Hive hive) {
        HiveState& s = hives[hive == Hive::CurrentUser ? 0 : 1];
        if (!s.loaded) load(hive, s);
        return s;
    }

    void load(Hive hive, HiveState& s) {
        s.root = std::make_unique<Node>();
        s.loaded = true;
        s.damaged = false;
        QFile f(path(hive));
        if (!f.exists()) return;
        if (!f.open(QIODevice::ReadOnly)) {
            s.damaged = true;
            report(QStringLiteral("cannot read %1: %2").arg(f.fileName(), f.errorString()));
            return;
        }
        QString why;
        if (!parseHive(decodeFile(f.readAll()), rootName(hive), s.root.get(), &why)) {
            s.damaged = true;
            s.damage = why;
            report(QStringLiteral("%1 is damaged (%2); it will be kept aside as %1.bad-<date>-<time>")
                       .arg(f.fileName(), why));
        }
    }

    // Keeps a damaged file under a name of its own so that saving never overwrites it: moved out
    // of the way before a save, or copied when the user is told about it before any save.
    bool keepAside(Hive hive, bool copy) {
        HiveState& s = hives[hive == Hive::CurrentUser ? 0 : 1];
        const QString file = path(hive);
        if (!QFile::exists(file)) return true;
        const QString base = file + QStringLiteral(".bad-") +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
        QString target = base;
        for (int n = 1; QFile::exists(target); ++n)
            target = base + QLatin1Char('-') + QString::number(n);
        if (!(copy ? QFile::copy(file, target) : QFile::rename(file, target))) {
            report(QStringLiteral("cannot keep the damaged %1 aside; changes are not saved").arg(file));
            return false;
        }
        s.damaged = false;
        notices << QStringLiteral("The settings file %1 was damaged (%2) and has been kept aside as %3. "
                                  "The settings that could be read from it were loaded; the others start "
                                  "from their default values.")
                       .arg(file, s.damage, target);
        return true;
    }

    long save(Hive hive) {
        HiveState& s = state(hive);
        if (!makePrivateFolder(folder)) {
            report(QStringLiteral("cannot create the folder %1").arg(folder));
            return ERROR_ACCESS_DENIED;
        }
        if (s.damaged && !keepAside(hive, false)) return ERROR_ACCESS_DENIED;
        QString why;
        if (!writePrivateFile(path(hive), hiveText(s.root.get(), rootName(hive)).toUtf8(), &why)) {
            report(QStringLiteral("cannot save %1: %2").arg(path(hive), why));
            return ERROR_ACCESS_DENIED;
        }
        return ERROR_SUCCESS;
    }
};

Registry::Registry() : d(new Impl) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    d->folder = base + QStringLiteral("/corvisent-manager");
}

Registry& Registry::instance() {
    static Registry r;
    return r;
}

QString Registry::folder() const {
    return d->folder;
}

void Registry::setFolder(const QString& dir) {
    d->folder = dir;
    reload();
}

void Registry::reload() {
    for (HiveState& s : d->hives)
        s = HiveState();
    d->error.clear();
    d->notices.clear();
}

QString Registry::filePath(Hive hive) const {
    return d->path(hive);
}

QStringList Registry::takeDamageNotices() {
    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine})
        if (d->state(hive).damaged) d->keepAside(hive, true);
    return std::exchange(d->notices, {});
}

QString Registry::errorText() const {
    // Loading is lazy: make sure both files have been looked at before answering.
    d->state(Hive::CurrentUser);
    d->state(Hive::LocalMachine);
    return d->error;
}

bool Registry::keyExists(Hive hive, const QString& key) {
    return findNode(d->state(hive).root.get(), splitPath(key)) != nullptr;
}

long Registry::createKey(Hive hive, const QString& key) {
    bool created = false;
    makeNode(d->state(hive).root.get(), splitPath(key), &created);
    return created ? d->save(hive) : ERROR_SUCCESS;
}

long Registry::queryValue(Hive hive, const QString& key, const QString& name, RegValue* out) {
    Node* n = findNode(d->state(hive).root.get(), splitPath(key));
    NamedValue* nv = n ? n->findValue(name) : nullptr;
    if (!nv) return ERROR_FILE_NOT_FOUND;
    if (out) *out = nv->value;
    return ERROR_SUCCESS;
}

std::optional<RegValue> Registry::value(Hive hive, const QString& key, const QString& name) {
    RegValue v;
    if (queryValue(hive, key, name, &v) != ERROR_SUCCESS) return std::nullopt;
    return v;
}

long Registry::setValue(Hive hive, const QString& key, const QString& name, const RegValue& v) {
    bool created = false;
    makeNode(d->state(hive).root.get(), splitPath(key), &created)->setValue(name, v);
    return d->save(hive);
}

long Registry::setString(Hive hive, const QString& key, const QString& name, const QString& text, int type) {
    return setValue(hive, key, name, RegValue{type, text.toUtf8() + '\0'});
}

long Registry::deleteValue(Hive hive, const QString& key, const QString& name) {
    Node* n = findNode(d->state(hive).root.get(), splitPath(key));
    if (!n || !n->removeValue(name)) return ERROR_FILE_NOT_FOUND;
    return d->save(hive);
}

long Registry::deleteKey(Hive hive, const QString& key) {
    const QStringList parts = splitPath(key);
    if (parts.isEmpty()) return ERROR_ACCESS_DENIED; // the hive root itself cannot go
    Node* parent = findNode(d->state(hive).root.get(), parts.mid(0, parts.size() - 1));
    if (!parent || !parent->removeChild(parts.last())) return ERROR_FILE_NOT_FOUND;
    return d->save(hive);
}

QStringList Registry::subKeys(Hive hive, const QString& key) {
    QStringList out;
    if (Node* n = findNode(d->state(hive).root.get(), splitPath(key)))
        for (const auto& c : n->children)
            out << c->name;
    return out;
}

QStringList Registry::valueNames(Hive hive, const QString& key) {
    QStringList out;
    if (Node* n = findNode(d->state(hive).root.get(), splitPath(key)))
        for (const auto& nv : n->values)
            out << nv.name;
    return out;
}

std::optional<QString> Registry::stringOf(const RegValue& v) {
    if (v.type != REG_SZ) return std::nullopt;
    const int nul = v.data.indexOf('\0');
    return rt::fromStoredText(nul < 0 ? v.data : v.data.left(nul));
}

QByteArray RewriteHiveText(const QByteArray& fileBytes, Hive hive, QString* error) {
    Node root;
    error->clear();
    parseHive(decodeFile(fileBytes), rootName(hive), &root, error);
    return hiveText(&root, rootName(hive)).toUtf8();
}

// ---- per-user settings ----

namespace {
QString settingsKey(const QString& app, const QString& section) {
    return QStringLiteral("Software\\VB and VBA Program Settings\\") + app + QLatin1Char('\\') + section;
}
} // namespace

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue) {
    const auto v = Registry::instance().value(Hive::CurrentUser, settingsKey(app, section), key);
    if (!v) return defaultValue;
    return Registry::stringOf(*v).value_or(defaultValue);
}

void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value) {
    Registry::instance().setString(Hive::CurrentUser, settingsKey(app, section), key, value);
}

void DeleteSetting(const QString& app, const QString& section, const QString& key) {
    Registry& r = Registry::instance();
    if (app.isEmpty()) return; // never the whole settings tree
    if (key.isNull())
        r.deleteKey(Hive::CurrentUser, settingsKey(app, section));
    else
        r.deleteValue(Hive::CurrentUser, settingsKey(app, section), key);
}

} // namespace platform
