#pragma once
// The frame of a simulated serial device: a pseudo-terminal whose device end the program opens,
// the simulator's own end for the bytes, and control lines on standard input.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// Writes every byte to fd (stops early only when the terminal refuses).
inline void writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n <= 0) return;
        done += n;
    }
}

// Opens the pseudo-terminal (raw), stores the simulator's end in *master, prints the device path
// as the first line on stdout, then runs: onReadable when bytes wait on *master, onControl for each
// line on stdin. Ends when stdin closes or QCoreApplication::quit() is called.
inline int runPtyDevice(QCoreApplication& app, int* master, const std::function<void()>& onReadable,
                        const std::function<void(const QString&)>& onControl) {
    int slave = -1;
    char name[256] = {};
    if (::openpty(master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    // The device end stays open here too, so that the program closing and reopening it never
    // leaves the pseudo-terminal without a user (which would make every read fail).
    ::fcntl(*master, F_SETFL, ::fcntl(*master, F_GETFL) | O_NONBLOCK);
    std::printf("%s\n", name);
    std::fflush(stdout);

    QSocketNotifier port(*master, QSocketNotifier::Read);
    QObject::connect(&port, &QSocketNotifier::activated, onReadable);

    QSocketNotifier control(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&control, &QSocketNotifier::activated, [&] {
        char buf[512];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            QCoreApplication::quit(); // the test went away
            return;
        }
        pending.append(buf, static_cast<int>(n));
        int nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            onControl(QString::fromLatin1(pending.left(nl)).trimmed());
            pending.remove(0, nl + 1);
        }
    });
    const int rc = app.exec();
    ::close(slave);
    ::close(*master);
    return rc;
}
