#include "support/xdesktop.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Starts a program that ends with the test, even one that crashed, with its error output
// silenced; it inherits the descriptors not marked close-on-exec. 0 when no process was made.
pid_t spawn(const QStringList& arguments) {
    std::vector<QByteArray> bytes;
    for (const QString& a : arguments)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid > 0 ? pid : 0;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// The display number Xvfb writes to fd once it accepts clients; empty when it ended first or
// stayed silent for 20 s.
QByteArray displayNumber(int fd) {
    QByteArray number;
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 20000) == 1 && read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    return c == '\n' ? number : QByteArray();
}

// The application goes on handling its events meanwhile, as it does while the person acts on the
// desktop: a window manager's action seen only after the application was held behaves otherwise.
QByteArray output(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 10000) ||
        p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

// The window the X server stacks among the root's children: the frame of a managed client.
QByteArray topLevelOf(WId window) {
    QByteArray id = "0x" + QByteArray::number(qulonglong(window), 16);
    for (int depth = 0; depth < 8; ++depth) {
        const QByteArray tree = output(QStringLiteral("xwininfo"), {QStringLiteral("-children"), QStringLiteral("-id"), QString::fromLatin1(id)});
        auto field = [&tree](const char* name) {
            const qsizetype at = tree.indexOf(name);
            return at < 0 ? QByteArray() : tree.mid(at).split(' ').value(3).trimmed();
        };
        const QByteArray root = field("Root window id:"), parent = field("Parent window id:");
        if (parent.isEmpty() || parent == root) return id;
        id = parent;
    }
    return {};
}

// Whether a window manager runs: the window it names itself by on the root window exists (the
// root keeps naming it after the window manager ended).
bool managerRunning() {
    const QByteArray check = output(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    const QByteArray id = check.mid(check.indexOf('#') + 1).trimmed();
    return check.contains("window id") &&
           !output(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::fromLatin1(id), QStringLiteral("_NET_WM_NAME")}).isEmpty();
}

} // namespace

XDesktop::XDesktop() {
    // Without a desktop the application runs offscreen, so that the tests can say why they skip.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString jwm = QStandardPaths::findExecutable(QStringLiteral("jwm"));
    int ready[2];
    if (xvfb.isEmpty() || jwm.isEmpty() || !m_dir.isValid() || pipe(ready) != 0) {
        m_missing = QStringLiteral("Xvfb and jwm are needed (scripts/deps.sh test installs them)");
        return;
    }
    fcntl(ready[0], F_SETFD, FD_CLOEXEC);
    m_xvfb = spawn({xvfb, QStringLiteral("-displayfd"), QString::number(ready[1]), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    close(ready[1]);
    const QByteArray number = m_xvfb ? displayNumber(ready[0]) : QByteArray();
    close(ready[0]);
    // A desktop that does not start fails the test: no window manager is ever found.
    if (number.isEmpty() || !writeConfig(false)) return;
    qputenv("DISPLAY", ":" + number);
    qputenv("QT_QPA_PLATFORM", "xcb");
    startWindowManager();
}

XDesktop::~XDesktop() {
    stop(m_jwm);
    stop(m_xvfb);
}

void XDesktop::startWindowManager() {
    m_jwm = spawn({QStandardPaths::findExecutable(QStringLiteral("jwm")), QStringLiteral("-f"),
                   m_dir.filePath(QStringLiteral("jwmrc"))});
}

bool XDesktop::writeConfig(bool focusFollowsPointer) const {
    QFile rc(m_dir.filePath(QStringLiteral("jwmrc")));
    const QByteArray model = focusFollowsPointer ? "sloppy" : "click";
    return rc.open(QIODevice::WriteOnly) &&
           rc.write("<?xml version=\"1.0\"?>\n<JWM>\n  <FocusModel>" + model + "</FocusModel>\n"
                    "  <Key mask=\"A\" key=\"F6\">shade</Key>\n</JWM>\n") > 0 &&
           rc.flush();
}

bool XDesktop::waitForWindowManager() const {
    return m_jwm && QTest::qWaitFor(managerRunning, 20000);
}

bool XDesktop::setFocusFollowsPointer(bool on) {
    if (!m_jwm || !writeConfig(on)) return false;
    // A new window manager takes over the windows shown.
    stop(m_jwm);
    if (!QTest::qWaitFor([] { return !managerRunning(); }, 20000)) return false;
    startWindowManager();
    return waitForWindowManager();
}

WId XDesktop::activeWindow() {
    return output(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed().toULongLong();
}

bool XDesktop::stackedAbove(WId upper, WId lower) {
    const QByteArray up = topLevelOf(upper), down = topLevelOf(lower);
    // xwininfo lists the root's children from the top of the stack down.
    const QByteArray list = output(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")});
    const qsizetype u = list.indexOf(" " + up + " "), d = list.indexOf(" " + down + " ");
    return !up.isEmpty() && u >= 0 && d >= 0 && u < d;
}

void XDesktop::movePointer(QPoint at) {
    output(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
}

void XDesktop::click(QPoint at) {
    output(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                       QStringLiteral("click"), QStringLiteral("1")});
}

WId XDesktop::windowNamed(const QString& title) {
    const QByteArray found = output(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                                               u'^' + QRegularExpression::escape(title) + u'$'});
    return found.split('\n').value(0).toULongLong();
}

void XDesktop::activate(WId window) {
    output(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(window)});
}

void XDesktop::shadeActive() {
    output(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F6")});
}

void XDesktop::minimize(WId window) {
    output(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(window)});
}

bool XDesktop::shownWhole(WId window) {
    const QString id = QString::number(window);
    return output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}).contains("Map State: IsViewable") &&
           !output(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_STATE")})
                .contains("_NET_WM_STATE_SHADED");
}
