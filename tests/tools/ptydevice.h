#pragma once
// The frame of a simulated serial device: a pseudo-terminal whose device end the program opens,
// the simulator's own end for the bytes, and control lines on standard input.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <functional>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// Writes every byte to fd, waiting up to a second at a time for the program to take what was
// sent before; stops early only when the terminal refuses.
inline void writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EAGAIN) {
            pollfd room{fd, POLLOUT, 0};
            if (::poll(&room, 1, 1000) == 1) continue;
        }
        if (n <= 0) return;
        done += n;
    }
}

// Opens the pseudo-terminal (raw), stores the simulator's end in *master, prints the device path
// as the first line on stdout, then runs: onReadable when bytes wait on *master, onControl for each
// line on stdin. Ends when stdin closes or QCoreApplication::quit() is called. With a link path,
// that path becomes a symbolic link to the device for the run and is printed instead, so that a
// later simulator can take the same path.
inline int runPtyDevice(QCoreApplication& app, int* master, const std::function<void()>& onReadable,
                        const std::function<void(const QString&)>& onControl, const QString& link = {}) {
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
    const QByteArray at = link.toLocal8Bit();
    if (!at.isEmpty()) {
        ::unlink(at.constData());
        if (::symlink(name, at.constData()) != 0) {
            std::perror("symlink");
            return 1;
        }
    }
    std::printf("%s\n", at.isEmpty() ? name : at.constData());
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
    // The path is given up with the device, so that it never leads to someone else's terminal.
    char target[256] = {};
    if (!at.isEmpty() && ::readlink(at.constData(), target, sizeof target - 1) > 0 && std::strcmp(target, name) == 0)
        ::unlink(at.constData());
    ::close(slave);
    ::close(*master);
    return rc;
}
