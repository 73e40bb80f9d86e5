// The INI reader and writer: whatever the file holds, a value is read within its buffer, a value
// written is read back as written, and deleting a key or a section never fails.
#include <QFile>
#include <cstdint>

#include "check.h"
#include "platform/ini.h"

using namespace platform;

namespace {
QString folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = fuzzFolder("ini");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the section and key, the rest is the file.
    static const char* const sections[] = {"Program Setup", "Device Setup\\1", "Logging", " Sensor Setup "};
    static const char* const keys[] = {"TotalDevices", "DeviceName", " Port ", "ReadingInterval"};
    const QString section = QLatin1String(sections[data[0] & 3]);
    const QString key = QLatin1String(keys[(data[0] >> 2) & 3]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString shown = QString::fromLatin1(bytes);
    const QString path = folder + QStringLiteral("/fuzz.ini");
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(), path);
    file.close();

    const int width = 1 + (data[0] >> 4) * 4;
    FUZZ_CHECK(GetPrivateProfileString(section, key, QStringLiteral("none"), width, path).size() < width, shown);
    const QString value = QStringLiteral("written value ") + QString::number(size);
    FUZZ_CHECK(WritePrivateProfileString(section, key, value, path), shown);
    FUZZ_CHECK(GetPrivateProfileString(section, key, QString(), 256, path) == value, shown);
    FUZZ_CHECK(GetPrivateProfileString(section.trimmed().toUpper(), key.toLower(), QString(), 256, path) == value,
               shown);
    FUZZ_CHECK(WritePrivateProfileString(section, key, QString(), path), shown);
    FUZZ_CHECK(WritePrivateProfileString(section, QString(), QString(), path), shown);
    return 0;
}
