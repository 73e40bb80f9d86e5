#include <QApplication>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "app/CorvisentMain.h"
#include "app/startup.h"
#include "runtime/clock.h"
#include "runtime/files.h"

namespace {

int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_endSignals = 0;


void onEndSignal(int) {
    // A second request ends the process at once; the first one bounds the end even while the
    // program is busy in a call that does not return soon.
    if (g_endSignals++ > 0) ::_exit(0);
    rt::EndProcessWithin(kEndBoundMs);
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// The session's end (hang-up, terminate, interrupt) closes the main window as the desktop's
// log-off does. Whatever waits (a reply, a transfer, a mail hand-off) ends at once, the reading
// logs are complete on disk first, and the process is gone within two seconds.
void closeMainWindowOnEndSignals(QObject* parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
        notifier->setEnabled(false);
        rt::RequestQuit();
        rt::Files::closeAll();
        CorvisentMain::instance().close();
    });
    struct sigaction sa = {};
    sa.sa_handler = onEndSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvisent Manager"));
    // The program ends through its main window or File > Exit only: closing a setup or help
    // window while the main window sits in the notification area must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    closeMainWindowOnEndSignals(&app);
    // A file-size limit (ulimit -f, LimitFSIZE=) must not end the program at the next write: the
    // write fails instead and is reported like one on a full disk.
    ::signal(SIGXFSZ, SIG_IGN);
    // For the benchmark only: runs the program clock faster, as the tests do.
    if (const double speed = qEnvironmentVariable("CORVISENT_BENCH_CLOCK_SPEED").toDouble(); speed > 1)
        rt::Clock::setSpeed(speed);

    // The switches as one command line, without the program's name.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    const QString commandLine = args.join(u' ');
    QTimer::singleShot(0, [commandLine] { CorvisentMain::instance().Form_Load(commandLine); });
    return app.exec();
}
