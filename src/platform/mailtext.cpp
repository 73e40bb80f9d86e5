#include "platform/mailtext.h"

#include <QLocale>
#include <QRegularExpression>
#include <QUuid>
#include <utility>

namespace platform {

namespace {

// A surrogate pair counts four bytes on its first half.
int utf8Bytes(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80) return 1;
    if (u < 0x800) return 2;
    if (QChar::isHighSurrogate(u)) return 4;
    if (QChar::isLowSurrogate(u)) return 0;
    return 3;
}

// A subject beyond ASCII as encoded words of whole characters, each of at most maxBytes bytes of
// UTF-8 (0: the whole subject in one word), joined by the given fold.
QByteArray encodedSubject(const QString& subject, qsizetype maxBytes, const QByteArray& fold) {
    if (maxBytes <= 0) return "=?UTF-8?B?" + subject.toUtf8().toBase64() + "?=";
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < subject.size();) {
        const qsizetype n = subject[i].isHighSurrogate() && i + 1 < subject.size() ? 2 : 1;
        const QByteArray c = subject.mid(i, n).toUtf8();
        if (chunk.size() + c.size() > maxBytes)
            words.append("=?UTF-8?B?" + std::exchange(chunk, {}).toBase64() + "?=");
        chunk += c;
        i += n;
    }
    words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
    return words.join(fold);
}

// A world-unique identity of the mail, in the sender's domain when it has a usable one.
QByteArray messageId(const QString& from) {
    static const QRegularExpression domain(QStringLiteral("@([A-Za-z0-9.-]+)>?$"));
    const QRegularExpressionMatch m = domain.match(headerValue(from, MailCarrier::Server).trimmed());
    const QString host = m.hasMatch() ? m.captured(1) : QStringLiteral("localhost");
    return "<" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + "@" + host.toLatin1() + ">";
}

QByteArray quotedPrintable(const QByteArray& text) {
    QByteArray out;
    int lineLength = 0;
    auto put = [&](const QByteArray& piece) {
        if (lineLength + piece.size() > 75) {
            out += "=\r\n";
            lineLength = 0;
        }
        out += piece;
        lineLength += int(piece.size());
    };
    for (int i = 0; i < text.size(); ++i) {
        const unsigned char c = uchar(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            lineLength = 0;
            ++i;
        } else if ((c >= 33 && c <= 126 && c != '=') ||
                   (c == ' ' && i + 1 < text.size() && text[i + 1] != '\r')) {
            put(QByteArray(1, char(c)));
        } else {
            put("=" + QByteArray::number(c, 16).toUpper().rightJustified(2, '0'));
        }
    }
    return out;
}

QByteArray rfc2822Date(const QDateTime& date) {
    const QLocale c = QLocale::c();
    const int offset = date.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(QChar(offset < 0 ? u'-' : u'+'))
                             .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    return (c.toString(date, QStringLiteral("ddd, d MMM yyyy hh:mm:ss ")) + zone).toLatin1();
}

} // namespace

bool isAsciiText(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0x7f) return false;
    return true;
}

QStringList wrapMailLine(const QString& line, int limit) {
    QStringList out;
    QString rest = line;
    for (;;) {
        int bytes = 0, cut = -1, blank = -1;
        for (int i = 0; i < rest.size(); ++i) {
            if (rest[i] == u' ') blank = i;
            bytes += utf8Bytes(rest[i]);
            if (bytes > limit) {
                cut = i;
                break;
            }
        }
        if (cut < 0) {
            out.append(rest);
            return out;
        }
        if (blank > 0) {
            out.append(rest.left(blank));
            rest = rest.mid(blank + 1);
        } else {
            const int at = qMax(cut, 1);
            out.append(rest.left(at));
            rest = rest.mid(at);
        }
    }
}

QStringList mailBodyLines(const QString& body) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList out;
    for (const QString& line : body.split(lineEnd))
        out += wrapMailLine(line);
    return out;
}

QString headerValue(const QString& text, MailCarrier carrier) {
    QString out;
    for (QChar c : text) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f;
        if (!control)
            out += c;
        else if (carrier == MailCarrier::Server)
            out += u' ';
    }
    return carrier == MailCarrier::Server ? out : out.trimmed();
}

QByteArray composeMessage(const MailMessage& mail, MailCarrier carrier) {
    const bool server = carrier == MailCarrier::Server;
    const QByteArray eol = server ? "\r\n" : "\n";
    auto header = [&](const char* name, const QString& value) -> QByteArray {
        const QString line = QLatin1String(name) + QStringLiteral(": ") + value;
        if (!server) return line.toUtf8() + eol;
        return wrapMailLine(line, kMailLineLimit - 1).join(QStringLiteral("\r\n ")).toUtf8() + eol;
    };

    QByteArray m;
    if (server) {
        m += "Date: " + rfc2822Date(mail.date) + eol;
        m += header("From", headerValue(mail.from, carrier).trimmed());
    }
    m += header("To", headerValue(mail.to, carrier).trimmed());
    // A server's message has carried the Cc line whenever the box holds more than blanks.
    const QString cc = headerValue(mail.cc, carrier).trimmed();
    if (server ? !mail.cc.trimmed().isEmpty() : !cc.isEmpty()) m += header("Cc", cc);
    const QString subject = headerValue(mail.subject, carrier);
    if (isAsciiText(subject))
        m += header("Subject", subject);
    else
        m += "Subject: " + encodedSubject(subject, server ? 45 : 0, eol + ' ') + eol;
    if (server) m += "Message-ID: " + messageId(mail.from) + eol;
    m += "MIME-Version: 1.0" + eol;

    const QString text = mailBodyLines(mail.body).join(QString::fromLatin1(eol));
    const bool ascii =
        isAsciiText(mail.body) && (!server || isAsciiText(mail.subject + mail.from + mail.to + mail.cc));
    const char* charset = ascii ? "us-ascii" : "utf-8";
    const char* encoding = ascii ? "7bit" : server ? "quoted-printable" : "8bit";
    m += QByteArray("Content-Type: text/plain; charset=\"") + charset + '"' + eol;
    m += QByteArray("Content-Transfer-Encoding: ") + encoding + eol + eol;
    m += ascii || !server ? text.toUtf8() : quotedPrintable(text.toUtf8());
    return m;
}

QString queueFullLine(const QStringList& recipients, const QString& subject, int droppedSoFar) {
    return QStringLiteral("Mail queue full: the mail to %1 (%2) was dropped; %3 dropped so far")
        .arg(recipients.join(QStringLiteral(", ")), subject)
        .arg(droppedSoFar);
}

} // namespace platform
