// What the sensors send: the stream lines of the accelerometer and distance sensors, however the
// input is cut into events, and the readings inside the replies of the polled sensors.
#include <cstdint>

#include "check.h"
#include "runtime/error.h"
#include "runtime/vb.h"
#include "sensors/modCorvisent.h"
#include "sensors/streamlines.h"
#include "settings/modSupport.h"

using namespace sensorevents;

namespace {

// A reading may only fail the way the number conversion does on a huge exponent.
template <typename F> void reading(F read, const QString& shown) {
    try {
        read();
    } catch (const rt::VbError& e) {
        FUZZ_CHECK(e.number() == 6, shown);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QString text = rt::fromBytes(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));

    // All at once, and in pieces of the size the first byte gives.
    StreamInput whole;
    const QStringList lines = SplitStreamLines(whole, text);
    StreamInput pieces;
    QStringList pieceLines;
    const qsizetype step = 1 + data[0] % 16;
    for (qsizetype from = 0; from < text.size(); from += step)
        pieceLines += SplitStreamLines(pieces, text.mid(from, step));
    FUZZ_CHECK(pieceLines == lines, text);
    FUZZ_CHECK(pieces.partial == whole.partial, text);
    FUZZ_CHECK(whole.partial.size() <= kMaxPartialLine && !whole.partial.contains(u'\r'), text);
    for (const QString& line : lines)
        FUZZ_CHECK(!line.isEmpty() && !line.contains(u'\r') && !line.startsWith(u'\n'), text);

    // After a drain the first line is dropped, and only that one.
    StreamInput resync;
    resync.resync = true;
    const QStringList afterDrain = SplitStreamLines(resync, text);
    FUZZ_CHECK(afterDrain.size() >= lines.size() - 1 && afterDrain.size() <= lines.size(), text);

    for (const QString& line : lines + QStringList{text}) {
        for (int kind : {modSupport::typeTemperature, modSupport::typeHumidity, modSupport::typeAccel,
                         modSupport::typeDistance})
            reading([&] { modCorvisent::ReadingOfReply(kind, line); }, line);
        reading([&] { modCorvisent::ComboHalf(line); }, line);
        reading(
            [&] {
                const QString number = NumberAtEnd(line);
                FUZZ_CHECK(number.isEmpty() || rt::IsNumeric(number), line);
            },
            line);
    }
    return 0;
}
