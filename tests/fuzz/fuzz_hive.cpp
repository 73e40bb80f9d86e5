// The hive file reader and writer: whatever a hive file holds, what is written back reads again
// without a problem and unchanged, and a file with a problem is kept aside whole before the first
// save replaces it.
#include <QDir>
#include <QFile>
#include <cstdint>

#include "check.h"
#include "platform/registry.h"

using namespace platform;

namespace {
QString folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = fuzzFolder("hive");
    Registry::instance().setFolder(folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString shown = QString::fromLatin1(bytes);

    for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        QString problem, again;
        const QByteArray once = RewriteHiveText(bytes, hive, &problem);
        const QByteArray twice = RewriteHiveText(once, hive, &again);
        FUZZ_CHECK(again.isEmpty(), shown);
        FUZZ_CHECK(twice == once, shown);
    }

    // Through the hive file itself.
    Registry& reg = Registry::instance();
    const QString path = reg.filePath(Hive::CurrentUser);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), path);
    file.close();
    reg.reload();
    const bool damaged = !reg.errorText().isEmpty();
    FUZZ_CHECK(reg.setString(Hive::CurrentUser, QStringLiteral("Software\\Checked"), QStringLiteral("Value"),
                             QStringLiteral("1")) == ERROR_SUCCESS,
               shown);
    QDir dir(folder);
    const QStringList kept = dir.entryList({QStringLiteral("*.bad-*")}, QDir::Files);
    FUZZ_CHECK(kept.size() == (damaged ? 1 : 0), shown);
    if (damaged) {
        QFile aside(dir.filePath(kept.first()));
        FUZZ_CHECK(aside.open(QIODevice::ReadOnly) && aside.readAll() == bytes, shown);
    }
    QFile saved(path);
    FUZZ_CHECK(saved.open(QIODevice::ReadOnly), path);
    QString problem;
    RewriteHiveText(saved.readAll(), Hive::CurrentUser, &problem);
    FUZZ_CHECK(problem.isEmpty(), shown);
    reg.reload();
    FUZZ_CHECK(reg.value(Hive::CurrentUser, QStringLiteral("Software\\Checked"), QStringLiteral("Value")), shown);
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
    reg.reload();
    return 0;
}
