// Sensor simulator: opens a pseudo-terminal, prints the path of its device end as the first line
// on stdout and answers on it like a Corvisent sensor of the given kind.
//
//   sensorsim KIND [--temp F] [--humid N] [--x X] [--y Y] [--cm N] [--stream-ms MS] [--error]
//            [--silent] [--reply-ms MS] [--rate LINES_PER_S] [--lines N] [--link PATH] [--hold]
//            [--wobble]
//
// A streaming sensor sends one line every --stream-ms, or --rate lines a second (sent in small
// batches when the rate is high); after --lines lines it stops and prints "sent N" on stdout.
// --link makes PATH a symbolic link to the device end and prints PATH instead of the device, so
// that a later simulator can take the same path. --reply-ms 0 answers at once. --hold keeps a
// started stream back until "hold off"; --wobble makes every other accelerometer line differ in
// its last figure, as a real stream does.
//
// KIND: T temperature, H humidity (a Corvisent/H reads both, so it answers the temperature
// query too), C combined (the same as H), A accelerometer, D distance, P proximity, W water;
// anything else answers "Corvisent/<KIND>".
// Commands end with CR; each answer ends with CR LF. Lines on stdin change the simulated sensor:
//   temp F | humid N | xy X Y | cm N | noobject | error on|off | silent on|off | hold on|off
//   send TEXT   (TEXT sent as it stands, "\r" and "\n" written as escapes)
//   quit
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "ptydevice.h"

namespace {

struct Sensor {
    QString kind = QStringLiteral("T");
    double tempF = 72.5;
    double humid = 45.2;
    double x = 1.25, y = -0.5;
    int cm = 45;
    bool noObject = false;
    bool error = false;
    bool silent = false;
    bool hold = false;
    bool wobble = false;
    qint64 sentAtClock = 0; // lines sent when the stream clock started
    int replyMs = 5;
    int streamMs = 100;
    double rate = 0;     // lines a second; 0 = one line every streamMs
    qint64 maxLines = 0; // 0 = no end
    qint64 sent = 0;
    QElapsedTimer streamClock;
    enum Mode { Idle, Streaming, Events } mode = Idle;

    int master = -1;
    QByteArray command;
    QTimer streamTimer;

    void send(const QByteArray& bytes) {
        writeAll(master, bytes);
    }
    void answer(const QByteArray& text) {
        if (silent) return;
        const QByteArray line = text + "\r\n";
        if (replyMs <= 0)
            send(line);
        else
            QTimer::singleShot(replyMs, [this, line] { send(line); });
    }

    QByteArray identity() const {
        if (kind == QLatin1String("C")) return "Corvisent/H";
        return "Corvisent/" + kind.toLatin1();
    }
    bool has(const char* kinds) const { return QString::fromLatin1(kinds).contains(kind); }
    // Zero-padded to width, the sign (if any) first: 72.5 -> "072.50", -5 -> "-05.00".
    static QByteArray fixed(double v, int width, int decimals) {
        if (v < 0) return "-" + fixed(-v, width - 1, decimals);
        return QByteArray::number(v, 'f', decimals).rightJustified(width, '0');
    }
    static QByteArray axis(double v) { return v < 0 ? fixed(v, 6, 2) : "+" + fixed(v, 5, 2); }
    QByteArray accelLine() const {
        const double w = wobble && sent % 2 ? 0.01 : 0;
        return axis(x + w) + " " + axis(y);
    }
    QByteArray distanceLine() const {
        return noObject ? QByteArray("No Object") : QByteArray::number(cm) + "cm";
    }

    void onCommand(const QByteArray& c) {
        const bool readsTemp = has("THC"), readsHumid = has("HC");
        if (c == "i") {
            answer(identity());
        } else if ((c == "tf" || c == "tc") && readsTemp) {
            const double t = c == "tf" ? tempF : (tempF - 32) * 5 / 9;
            answer(error ? "Sensor Error" : fixed(t, 6, 2) + (c == "tf" ? "F" : "C"));
        } else if (c == "h" && readsHumid) {
            answer(error ? "Sensor Error" : fixed(humid, 5, 2) + "%");
        } else if (c == "a" && kind == QLatin1String("A")) {
            answer(error ? "Sensor Error" : accelLine());
        } else if (c == "d" && kind == QLatin1String("D")) {
            answer(error ? "Sensor Error" : distanceLine());
        } else if (c == "S" && has("AD")) {
            mode = Idle;
            streamTimer.stop();
            answer("OK");
        } else if ((c == "e" || c == "E") && has("AD")) {
            mode = Events;
            streamTimer.stop();
            answer("OK");
        } else if (((c == "a+" || c == "A+") && kind == QLatin1String("A")) ||
                   (c == "D+" && kind == QLatin1String("D"))) {
            mode = Streaming;
            answer("OK");
            startStream();
        } else if (c.startsWith('M') && has("AD")) {
            bool ok = false;
            const int n = c.mid(1).toInt(&ok);
            answer(ok && n >= 1 && n <= 9 ? "OK" : "Error");
        } else if (c == "c" && kind == QLatin1String("A")) {
            if (mode == Events) {
                answer("Invalid request");
            } else {
                x = y = 0;
                answer("OK");
            }
        } else {
            answer("Invalid request");
        }
    }

    void startStream() {
        sent = 0;
        sentAtClock = 0;
        streamClock.start();
        streamTimer.start(rate > 0 ? std::max(1, std::min(10, int(1000 / rate))) : streamMs);
    }

    void onStreamTick() {
        if (silent || hold || mode != Streaming) return;
        const qint64 due = rate > 0 ? sentAtClock + qint64(streamClock.nsecsElapsed() / 1e9 * rate) : sent + 1;
        QByteArray batch;
        for (; sent < due && (maxLines == 0 || sent < maxLines); ++sent)
            batch += (kind == QLatin1String("A") ? accelLine() : distanceLine()) + "\r\n";
        if (!batch.isEmpty()) send(batch);
        if (maxLines > 0 && sent >= maxLines) {
            streamTimer.stop();
            std::printf("sent %lld\n", static_cast<long long>(sent));
            std::fflush(stdout);
        }
    }

    void onInput() {
        char buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\r') {
                const QByteArray c = command;
                command.clear();
                onCommand(c);
            } else if (buf[i] != '\n') {
                command.append(buf[i]);
            }
        }
    }

    void onControl(const QString& line) {
        const QStringList w = line.split(' ', Qt::SkipEmptyParts);
        if (w.isEmpty()) return;
        const QString what = w[0];
        const QString arg = w.value(1);
        if (what == QLatin1String("temp"))
            tempF = arg.toDouble();
        else if (what == QLatin1String("humid"))
            humid = arg.toDouble();
        else if (what == QLatin1String("xy")) {
            x = arg.toDouble();
            y = w.value(2).toDouble();
        } else if (what == QLatin1String("cm")) {
            cm = arg.toInt();
            noObject = false;
        } else if (what == QLatin1String("noobject"))
            noObject = true;
        else if (what == QLatin1String("error"))
            error = arg == QLatin1String("on");
        else if (what == QLatin1String("silent"))
            silent = arg == QLatin1String("on");
        else if (what == QLatin1String("hold")) {
            hold = arg == QLatin1String("on");
            // A released stream starts its pace anew.
            sentAtClock = sent;
            streamClock.start();
        }
        else if (what == QLatin1String("send")) {
            QByteArray text = line.mid(line.indexOf(' ') + 1).toLatin1();
            send(text.replace("\\r", "\r").replace("\\n", "\n"));
        } else if (what == QLatin1String("quit"))
            QCoreApplication::quit();
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Sensor s;
    QString link;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const QString next = args.value(i + 1);
        if (a == QLatin1String("--temp"))
            s.tempF = next.toDouble(), ++i;
        else if (a == QLatin1String("--humid"))
            s.humid = next.toDouble(), ++i;
        else if (a == QLatin1String("--x"))
            s.x = next.toDouble(), ++i;
        else if (a == QLatin1String("--y"))
            s.y = next.toDouble(), ++i;
        else if (a == QLatin1String("--cm"))
            s.cm = next.toInt(), ++i;
        else if (a == QLatin1String("--stream-ms"))
            s.streamMs = next.toInt(), ++i;
        else if (a == QLatin1String("--reply-ms"))
            s.replyMs = next.toInt(), ++i;
        else if (a == QLatin1String("--rate"))
            s.rate = next.toDouble(), ++i;
        else if (a == QLatin1String("--lines"))
            s.maxLines = next.toLongLong(), ++i;
        else if (a == QLatin1String("--link"))
            link = next, ++i;
        else if (a == QLatin1String("--error"))
            s.error = true;
        else if (a == QLatin1String("--silent"))
            s.silent = true;
        else if (a == QLatin1String("--hold"))
            s.hold = true;
        else if (a == QLatin1String("--wobble"))
            s.wobble = true;
        else if (!a.startsWith(QLatin1String("--")))
            s.kind = a;
    }

    QObject::connect(&s.streamTimer, &QTimer::timeout, [&s] { s.onStreamTick(); });
    return runPtyDevice(app, &s.master, [&s] { s.onInput(); }, [&s](const QString& line) { s.onControl(line); },
                        link);
}
