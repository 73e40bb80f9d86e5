#pragma once
#include <QByteArray>
#include <QDateTime>
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

// Who takes the message on: an SMTP server, or the workstation's mail program ("sendmail -t"),
// which adds the sender, the date and the message identity itself.
enum class MailCarrier { Server, MailProgram };

struct MailMessage {
    QString from; // Server only
    QString to;
    QString cc;
    QString subject;
    QString body;
    QDateTime date; // Server only
};

// A header value on one line: line breaks and other control characters would start new headers
// (or new recipients). For a server they become blanks; for the mail program they are dropped
// and the value trimmed.
QString headerValue(const QString& text, MailCarrier carrier);

// The message of a mail as its carrier takes it: for a server Date and From; then To, Cc (only
// when given), Subject; for a server a Message-ID; the MIME lines, an empty line, and the body
// with its lines kept within the mail line limit. Plain ASCII goes out as us-ascii 7bit.
// The two carriers differ as each path has always sent it:
//   - line end: CR LF to a server, LF to the mail program;
//   - a long header line is folded for a server, left whole for the mail program;
//   - a subject beyond ASCII is a run of encoded words, one to a line, for a server, and one
//     encoded word for the mail program;
//   - text beyond ASCII goes to a server quoted-printable, decided over every field, and to the
//     mail program as 8-bit UTF-8, decided over the body alone.
QByteArray composeMessage(const MailMessage& mail, MailCarrier carrier);

// The status line of a mail dropped by a queue's bound.
QString queueFullLine(const QStringList& recipients, const QString& subject, int droppedSoFar);

} // namespace platform
