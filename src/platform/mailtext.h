#pragma once
#include <QString>
#include <QStringList>

namespace platform {

// The longest line a mail may carry on its way, line end not counted (bytes of UTF-8 text).
constexpr int kMailLineLimit = 998;

// True when every character is plain ASCII.
bool isAsciiText(const QString& text);

// One line cut into pieces of at most `limit` bytes of UTF-8: at the last blank that fits (the
// blank itself is dropped), else hard, never inside a character.
QStringList wrapMailLine(const QString& line, int limit = kMailLineLimit);

// The lines of a mail body as they go out: CR LF, a lone CR and a lone LF each end a line (a line
// end alone would let a name in the text pass for the mail's end and a second command), and a
// line over the limit is wrapped. Joined with the transport's line end, a body of short lines
// ended by CR LF comes out unchanged.
QStringList mailBodyLines(const QString& body);

} // namespace platform
