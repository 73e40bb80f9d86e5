#include "platform/comports.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>
#include <optional>
#include <set>

#include "platform/mscomm.h"
#include "platform/registry.h"

namespace platform {

const QString kSerialCommKey = QStringLiteral("HARDWARE\\DEVICEMAP\\SERIALCOMM");
const QString kHubEnumKey = QStringLiteral("SYSTEM\\CurrentControlSet\\Enum\\KestSer");

namespace {

ComPortDiscovery& discoverySlot() {
    static ComPortDiscovery d = systemSerialPorts;
    return d;
}

// "COM12" -> 12; 0 for anything else.
int comNumberOf(const QString& name) {
    const QString t = name.trimmed();
    if (!t.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) return 0;
    bool ok = false;
    const int n = t.mid(3).toInt(&ok);
    return ok && n > 0 ? n : 0;
}

struct Entry {
    QString path;
    int number;
};

QList<Entry> entries() {
    Registry& reg = Registry::instance();
    QList<Entry> out;
    for (const QString& name : reg.valueNames(Hive::LocalMachine, kSerialCommKey)) {
        const std::optional<RegValue> v = reg.value(Hive::LocalMachine, kSerialCommKey, name);
        const std::optional<QString> text = v ? Registry::stringOf(*v) : std::nullopt;
        if (text) out.append({name, comNumberOf(*text)});
    }
    return out;
}

} // namespace

QStringList systemSerialPorts() {
    QStringList paths;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        paths.append(info.systemLocation());
    return paths;
}

void setComPortDiscovery(ComPortDiscovery discovery) {
    discoverySlot() = std::move(discovery);
}
ComPortDiscovery comPortDiscovery() {
    return discoverySlot();
}

void refreshComPorts() {
    if (!discoverySlot()) return;
    QStringList found = discoverySlot()();
    std::sort(found.begin(), found.end());
    const QList<Entry> known = entries();
    std::set<int> taken;
    for (const Entry& e : known)
        taken.insert(e.number);
    for (const QString& path : found) {
        const bool mapped = std::any_of(known.begin(), known.end(), [&](const Entry& e) {
            return e.path.compare(path, Qt::CaseInsensitive) == 0;
        });
        if (mapped || path.isEmpty()) continue;
        int n = 1;
        while (taken.count(n))
            ++n;
        taken.insert(n);
        Registry::instance().setString(Hive::LocalMachine, kSerialCommKey, path,
                                       QStringLiteral("COM%1").arg(n));
    }
    recordHubPorts(QStringLiteral("/dev/serial/by-id"));
}

void recordHubPorts(const QString& byIdDir) {
    const QList<Entry> known = entries();
    for (const QFileInfo& link : QDir(byIdDir).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        QString name = link.fileName();
        const qsizetype iface = name.lastIndexOf(QLatin1String("-if"));
        if (iface > 0) name.truncate(iface);
        const QString serial = name.mid(name.lastIndexOf(QLatin1Char('_')) + 1);
        const QString target = link.canonicalFilePath();
        if (serial.isEmpty() || target.isEmpty()) continue;
        for (const Entry& e : known) {
            if (e.number <= 0 || QFileInfo(e.path).canonicalFilePath() != target) continue;
            Registry::instance().setString(Hive::LocalMachine,
                                           kHubEnumKey + QStringLiteral("\\") + serial +
                                               QStringLiteral("-0\\PORT_0\\Device Parameters"),
                                           QStringLiteral("PortName"), QStringLiteral("COM%1").arg(e.number));
        }
    }
}

namespace {
int g_discoveryHolds = 0;
} // namespace

DiscoveryHold::DiscoveryHold() {
    if (g_discoveryHolds++ == 0) refreshComPorts();
}
DiscoveryHold::~DiscoveryHold() {
    --g_discoveryHolds;
}

namespace {
// Looks the entry up; when it is missing, takes in newly found devices (at most once a second, as
// listing the system's devices is slow) and looks again.
template <typename Match> std::optional<Entry> findEntry(Match match) {
    static QElapsedTimer lastRefresh;
    for (int pass = 0; pass < 2; ++pass) {
        for (const Entry& e : entries())
            if (match(e)) return e;
        if (pass == 1 || g_discoveryHolds > 0 || !discoverySlot() || (lastRefresh.isValid() && lastRefresh.elapsed() < 1000)) break;
        lastRefresh.start();
        refreshComPorts();
    }
    return std::nullopt;
}
} // namespace

QString comPortPath(int n) {
    if (n <= 0) return QString();
    const std::optional<Entry> e = findEntry([n](const Entry& e) { return e.number == n; });
    return e ? e->path : QString();
}

int comPortNumber(const QString& devicePath) {
    const std::optional<Entry> e =
        findEntry([&](const Entry& e) { return e.path.compare(devicePath, Qt::CaseInsensitive) == 0; });
    return e ? e->number : 0;
}

bool comDeviceExists(const QString& deviceName) {
    QString name = deviceName;
    for (const QLatin1String prefix : {QLatin1String("//./"), QLatin1String("\\\\.\\")})
        if (name.startsWith(prefix)) name = name.mid(prefix.size());
    return comPortExists(comNumberOf(name));
}

bool comPortExists(int n) {
    const QString path = comPortPath(n);
    if (path.isEmpty() || commPathInUse(path)) return false;
    return createCommBackend(path)->probe(path);
}

} // namespace platform
