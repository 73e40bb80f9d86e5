// Modem simulator: opens a pseudo-terminal, prints the path of its device end as the first line
// on stdout and plays a Hayes-command modem on it as the test scripts it. Every byte the program
// writes is kept.
//
//   modemsim [--reply-ms MS]
//
// A command is what arrives up to a CR. Each command takes the next scripted answer; with none
// left it gets no answer at all. An answer word W is sent the way a modem frames a result code:
// CR LF W CR LF. Lines on stdin:
//   answer WORD [WORD...]  queue one answer per word ("OK", "CONNECT", "NO CARRIER", "BUSY",
//                          "ERROR", "NO DIAL TONE" written as NO_DIAL_TONE, "-" for silence)
//   send TEXT              TEXT sent at once ("\r" and "\n" written as escapes)
//   received               prints every byte received so far, hex-encoded, as one line
//   quit
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "ptydevice.h"

namespace {

struct Modem {
    int master = -1;
    int replyMs = 5;
    QByteArray received;
    QByteArray command;
    QStringList answers;

    void send(const QByteArray& bytes) const {
        writeAll(master, bytes);
    }

    void onCommand() {
        if (answers.isEmpty()) return;
        const QString word = answers.takeFirst();
        if (word == QLatin1String("-")) return;
        const QByteArray framed = "\r\n" + word.toLatin1().replace('_', ' ') + "\r\n";
        QTimer::singleShot(replyMs, [this, framed] { send(framed); });
    }

    // Takes what has arrived; false when nothing was waiting.
    bool onInput() {
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) return false;
        received.append(buf, static_cast<int>(n));
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\r') {
                command.clear();
                onCommand();
            } else {
                command.append(buf[i]);
            }
        }
        return true;
    }

    void onControl(const QString& line) {
        const QStringList w = line.split(' ', Qt::SkipEmptyParts);
        if (w.isEmpty()) return;
        if (w[0] == QLatin1String("answer")) {
            answers += w.mid(1);
        } else if (w[0] == QLatin1String("send")) {
            QByteArray text = line.mid(line.indexOf(' ') + 1).toLatin1();
            send(text.replace("\\r", "\r").replace("\\n", "\n"));
        } else if (w[0] == QLatin1String("received")) {
            while (onInput()) {
            } // bytes still waiting on the terminal count too
            std::printf("%s\n", received.toHex().constData());
            std::fflush(stdout);
        } else if (w[0] == QLatin1String("quit")) {
            QCoreApplication::quit();
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Modem m;
    const QStringList args = app.arguments().mid(1);
    const int at = static_cast<int>(args.indexOf(QStringLiteral("--reply-ms")));
    if (at >= 0) m.replyMs = args.value(at + 1).toInt();

    return runPtyDevice(app, &m.master, [&m] { m.onInput(); }, [&m](const QString& line) { m.onControl(line); });
}
