#include "runtime/files.h"

#include "runtime/error.h"
#include "runtime/vb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <map>
#include <memory>

namespace rt {

namespace {

constexpr int kMaxNumber = 511;

struct OpenFile {
    QString path;
    Files::Mode mode;
    Files::Encoding encoding;
    std::unique_ptr<QFileDevice> file;
    bool whole = true; // no write failed
};

std::map<int, OpenFile>& table() {
    static std::map<int, OpenFile> files;
    return files;
}

OpenFile& entry(int n) {
    auto it = table().find(n);
    if (it == table().end()) throw VbError(52, QStringLiteral("Bad file name or number"));
    return it->second;
}

OpenFile& writable(int n) {
    OpenFile& f = entry(n);
    if (f.mode == Files::Input) throw VbError(54, QStringLiteral("Bad file mode"));
    return f;
}

void write(int n, const QByteArray& bytes) {
    OpenFile& f = writable(n);
    if (f.file->write(bytes) != bytes.size() || !f.file->flush()) {
        f.whole = false;
        throw VbError(57, QStringLiteral("Device I/O error"));
    }
}

} // namespace

QString localPath(const QString& path) {
    return QDir::cleanPath(QString(path).replace(u'\\', u'/'));
}

void Files::open(int n, const QString& path, Mode mode, Encoding encoding) {
    if (n < 1 || n > kMaxNumber) throw VbError(52, QStringLiteral("Bad file name or number"));
    if (table().count(n)) throw VbError(55, QStringLiteral("File already open"));
    const QString local = localPath(path);
    const QFileInfo info(local);
    if (mode != Input) {
        // One writer per file: a second number on the same file would interleave its lines.
        for (const auto& [number, open] : table())
            if (open.mode != Input && QFileInfo(open.file->fileName()) == info)
                throw VbError(55, QStringLiteral("File already open"));
    }
    if (path.isEmpty() || info.isDir()) throw VbError(75, QStringLiteral("Path/File access error"));
    if (!info.dir().exists()) throw VbError(76, QStringLiteral("Path not found"));
    if (mode == Input && !info.exists()) throw VbError(53, QStringLiteral("File not found"));

    std::unique_ptr<QFileDevice> file;
    if (mode == Replace) file = std::make_unique<QSaveFile>(local);
    else file = std::make_unique<QFile>(local);
    const QIODevice::OpenMode how = mode == Append   ? QIODevice::WriteOnly | QIODevice::Append
                                    : mode == Input ? QIODevice::ReadOnly
                                                     : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file->open(how)) throw VbError(75, QStringLiteral("Path/File access error"));
    table()[n] = OpenFile{path, mode, encoding, std::move(file)};
}

qint64 Files::printLine(int n, const QString& text) {
    return print(n, text + QStringLiteral("\r\n"));
}

qint64 Files::print(int n, const QString& text) {
    const QByteArray bytes = entry(n).encoding == Latin1 ? toBytes(text) : text.toUtf8();
    write(n, bytes);
    return bytes.size();
}

qint64 Files::lof(int n) {
    return entry(n).file->size();
}

bool Files::isOpen(int n) {
    return table().count(n) > 0;
}

QString Files::path(int n) {
    auto it = table().find(n);
    return it == table().end() ? QString() : it->second.path;
}

void Files::close(int n) {
    auto it = table().find(n);
    if (it == table().end()) return;
    OpenFile f = std::move(it->second);
    table().erase(it);
    // An unfinished QSaveFile removes its temporary file when it goes.
    if (f.mode == Replace && f.whole && !commitWhole(static_cast<QSaveFile&>(*f.file)))
        throw VbError(57, QStringLiteral("Device I/O error"));
}

bool copyFileWhole(const QString& source, const QString& destination) {
    QFile from(source);
    if (!from.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = from.readAll();
    return from.error() == QFileDevice::NoError && writeFileWhole(destination, bytes);
}

bool writeFileWhole(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile to(localPath(path));
    if (to.open(QIODevice::WriteOnly) && to.write(bytes) == bytes.size() && commitWhole(to)) return true;
    if (error) *error = to.errorString();
    return false;
}

bool commitWhole(QSaveFile& file) {
    return file.flush() && file.error() == QFileDevice::NoError && file.commit();
}

void Files::closeAll() {
    table().clear();
}

int Files::freeFile() {
    for (int n = 1; n <= kMaxNumber; ++n)
        if (!table().count(n)) return n;
    throw VbError(67, QStringLiteral("Too many files"));
}

} // namespace rt
