#pragma once
#include <QString>
#include <QStringList>

// What the streaming sensors hand over, taken apart without any port or window: the lines of a
// port's input and the figures inside them.
namespace sensorevents {

// A sensor line is a few characters; this much text without a carriage return is not a line.
constexpr int kMaxPartialLine = 4096;

// What is kept of a streaming port's input between its events.
struct StreamInput {
    QString partial;     // received text after the last carriage return
    bool resync = false; // the input may start in the middle of a line
    int repliesOwed = 0; // "OK" replies to the stream's start commands still to come
};

// Adds received text to what was kept and returns every non-empty line it completes, without
// its carriage return and leading line feeds; the unfinished rest is kept. With resync set the
// text up to the first carriage return is dropped; a line "OK" while replies are owed is such a
// reply and is dropped. Text that grows past kMaxPartialLine without a carriage return is dropped
// and the next line waited for.
QStringList SplitStreamLines(StreamInput& kept, const QString& received);

// The number that ends a text ("OK 30" gives "30", "-2.5" gives "-2.5"); "" when it ends in no
// figure.
QString NumberAtEnd(const QString& text);

} // namespace sensorevents
