// The plain Qt reference of the stream figures: reads a streaming sensor on its terminal, puts
// each line at the top of a text box on the screen (emptied at 2000 lines) and appends it to a
// file, flushed line by line. What the monitor does for a streamed line beyond this is its own cost.
//
//   benchref DEVICE LOGFILE
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTextCursor>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) return 2;
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return 1;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    QFile log(QString::fromLocal8Bit(argv[2]));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return 1;

    QPlainTextEdit box;
    box.setWindowTitle(QStringLiteral("bench reference"));
    box.setReadOnly(true);
    box.setUndoRedoEnabled(false);
    box.resize(440, 300); // about the size of a log box on a kind tab
    box.show();

    QByteArray partial;
    QSocketNotifier reader(fd, QSocketNotifier::Read);
    QObject::connect(&reader, &QSocketNotifier::activated, [&] {
        char buf[4096];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
            partial.append(buf, n);
        for (qsizetype cr; (cr = partial.indexOf('\r')) >= 0; partial.remove(0, cr + 1)) {
            const QString line = QString::fromLatin1(partial.left(cr)).trimmed();
            if (line.isEmpty()) continue;
            // Emptied at 2000 lines, as the monitor's tab log is.
            if (box.document()->blockCount() >= 2000) box.clear();
            QTextCursor top(box.document());
            top.insertText(line + u'\n');
            log.write(line.toLatin1() + "\r\n");
            log.flush();
        }
    });
    // The sensor streams once it is told to.
    (void)!::write(fd, "a+\r", 3);
    return app.exec();
}
