#pragma once
#include <QString>
#include <cstdio>
#include <cstdlib>

// A property every input must keep; a broken one ends the run as a crash with its reason, so the
// input is saved as a reproducer.
#define FUZZ_CHECK(condition, input)                                                               \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken: %s\n  input: %s\n", __FILE__, __LINE__, #condition, \
                         qPrintable(QString(input).left(400)));                    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

#include <QDir>
#include <QTemporaryDir>

// An empty folder of the target's own for the files it writes: below $CORVISENT_FUZZ_DIR (run.sh
// points it at a folder in memory, since every save is synced to disk), else a temporary folder.
inline QString fuzzFolder(const char* target) {
    static QTemporaryDir fallback;
    const QString base = qEnvironmentVariable("CORVISENT_FUZZ_DIR", fallback.path());
    const QString dir = base + QStringLiteral("/files-") + QLatin1String(target);
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}
