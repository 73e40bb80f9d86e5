// The remote monitoring window's FTP message list and its small manual console: single commands
// sent over the logged-in session (their replies reach the list through the state events), the
// list's clear, entry view and log file, and the "More -->" option that shows them.
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>

#include "platform/inet.h"
#include "publish/formInternetSetup.h"
#include "runtime/appdir.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "runtime/task.h"
#include "runtime/timer.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// The make-directory wait; its own timer normally ends it long before.
constexpr int kMkdirWaitLimitMs = 30000;

// Asks for a directory until the answer is usable; nullopt when cancelled.
std::optional<QString> askDirectory(const QString& prompt, const QString& defaultText) {
    for (;;) {
        const std::optional<QString> answer = rt::InputBox(prompt, QString(), defaultText);
        if (!answer) return std::nullopt;
        if (!answer->isEmpty() && *answer != QLatin1String(" ")) return answer;
        rt::MsgBox(QStringLiteral("The directory is not valid"));
    }
}

} // namespace

void formInternetSetup::buildConsoleControls() {
    frameFtpMessages = new QGroupBox(QStringLiteral("FTP Messages"), this);
    frameFtpMessages->setObjectName(QStringLiteral("frameFtpMessages"));
    auto* column = new QVBoxLayout(frameFtpMessages);
    listFtpMessages = new QListWidget(frameFtpMessages);
    listFtpMessages->setObjectName(QStringLiteral("listFtpMessages"));
    column->addWidget(listFtpMessages, 1);

    auto button = [this](QPushButton*& b, const char* name, const char* caption, QBoxLayout* row) {
        b = new QPushButton(QString::fromLatin1(caption), frameFtpMessages);
        b->setObjectName(QString::fromLatin1(name));
        row->addWidget(b);
    };
    // The console's commands one below the other, so that the frame beside the settings leaves
    // the window within an 800 pixel wide screen.
    button(cmdCD, "cmdCD", "Change Directory", column);
    button(cmdMkdir, "cmdMkdir", "Mkdir", column);
    button(cmdDir, "cmdDir", "Get Directory Listing", column);
    button(cmdLS, "cmdLS", "List Directory Contents", column);
    auto* logRow = new QHBoxLayout();
    button(cmdSaveFTPlog, "cmdSaveFTPlog", "&Save Log", logRow);
    button(cmdClearLog, "cmdClearLog", "&Clear Log", logRow);
    column->addLayout(logRow);
    layout()->addWidget(frameFtpMessages);
    frameFtpMessages->setVisible(false); // shown with "More -->"

    connect(cmdCD, &QPushButton::clicked, this, [this] { cmdCD_Click(); });
    connect(cmdDir, &QPushButton::clicked, this, [this] { cmdDir_Click(); });
    connect(cmdLS, &QPushButton::clicked, this, [this] { cmdLS_Click(); });
    connect(cmdMkdir, &QPushButton::clicked, this, [this] { cmdMkdir_Click(); });
    connect(cmdSaveFTPlog, &QPushButton::clicked, this, [this] { cmdSaveFTPlog_Click(); });
    connect(cmdClearLog, &QPushButton::clicked, this, [this] { cmdClearLog_Click(); });
    connect(listFtpMessages, &QListWidget::itemDoubleClicked, this, [this] { listFtpMessages_DblClick(); });
    connect(chkSeeMessages, &QCheckBox::stateChanged, this, [this] { chkSeeMessages_Click(); });
}

// The console works only over a logged-in session (Login is then disabled), and not while a test
// transfer or a make-directory waits for its request.
bool formInternetSetup::consoleReady() const {
    return !timerTimeOut->enabled() && !cmdLoginFTP->isEnabled();
}

void formInternetSetup::cmdCD_Click() {
    if (!consoleReady()) return;
    const std::optional<QString> dir =
        askDirectory(QStringLiteral("Please enter the directory to change to"), txtRemoteStorageLocation->text());
    if (!dir || Inet1->StillExecuting()) return;
    rt::passOver([&] { Inet1->Execute(QString(), QStringLiteral("CD /") + *dir); });
    AddFtpMessage(QStringLiteral("CD:") + kCrLf);
}

// A listing command; its reply arrives through the state events after the headings.
void formInternetSetup::listCommand(const QString& command, const QString& label, const QString& heading) {
    if (!consoleReady()) return;
    ClearFullFtpMessages();
    if (!Inet1->StillExecuting()) rt::passOver([&] { Inet1->Execute(QString(), command); });
    if (rt::ticked(chkSeeMessages)) {
        AddFtpMessage(label);
        AddFtpMessage(heading);
    }
}

void formInternetSetup::cmdDir_Click() {
    listCommand(QStringLiteral("LS -l"), QStringLiteral("DIR:"), QStringLiteral("Directory Listing: "));
}

void formInternetSetup::cmdLS_Click() {
    listCommand(QStringLiteral("LS "), QStringLiteral("LS:"), QStringLiteral("Directory Contents: "));
}

rt::Task<> formInternetSetup::cmdMkdir_Click() {
    if (!consoleReady()) co_return;
    const std::optional<QString> dir = askDirectory(QStringLiteral("Please enter the directory to be added"), QString());
    if (!dir) co_return;
    rt::Hourglass pointer;
    if (!Inet1->StillExecuting()) {
        rt::passOver([&] { Inet1->Execute(QString(), QStringLiteral("MKDIR ./") + *dir); });
        AddFtpMessage(QStringLiteral("MKDIR:") + kCrLf);
    } else {
        rt::MsgBox(QStringLiteral("Still executing!"));
    }
    if (!timerTimeOut->enabled()) {
        AddFtpMessage(QStringLiteral("Starting timer...") + kCrLf);
        timerTimeOut->setInterval(25000); // stays so, also for the test transfer
        bRemoteTimeout = false;
        timerTimeOut->setEnabled(true);
        // The wait ends once the request runs; its reply arrives through the state events.
        const bool running = co_await rt::Until([this] { return Inet1->StillExecuting() || bRemoteTimeout; },
                                                kMkdirWaitLimitMs);
        if (!running) bRemoteTimeout = true;
        if (bRemoteTimeout) {
            AddFtpMessage(QStringLiteral("REMOTE TIMEOUT") + kCrLf);
        } else {
            AddFtpMessage(QStringLiteral("Stoping timer...") + kCrLf);
        }
    }
    timerTimeOut->setEnabled(false);
    bRemoteTimeout = false;
}

void formInternetSetup::cmdClearLog_Click() {
    if (rt::MsgBox(QStringLiteral("         Are you sure?"), rt::vbYesNo, QStringLiteral("FTP Message Log")) ==
        rt::vbYes)
        listFtpMessages->clear();
}

void formInternetSetup::listFtpMessages_DblClick() {
    if (QListWidgetItem* item = listFtpMessages->currentItem()) rt::MsgBox(item->text());
}

void formInternetSetup::cmdSaveFTPlog_Click() {
    PrintList();
}

void formInternetSetup::PrintList() {
    const std::optional<QString> name = rt::InputBox(
        QStringLiteral("Please enter a file name for the FTP log (will have an .FTP extension)"), QString(),
        QStringLiteral("cvman"));
    if (!name) return;
    const QString path = rt::appFile((name->isEmpty() ? QStringLiteral("cvman") : *name) + QStringLiteral(".ftp"));
    const QDateTime now = rt::Clock::now();
    QByteArray text = (rt::shortDate(now) + u' ' + rt::longTime(now) + QStringLiteral("FTP LOG")).toUtf8() + "\r\n";
    for (int i = 0; i < listFtpMessages->count(); ++i) {
        listFtpMessages->setCurrentRow(i);
        text += listFtpMessages->item(i)->text().toUtf8() + "\r\n";
    }
    // Written in full or not at all: an older log is replaced only by a complete one.
    rt::writeFileWhole(path, text);
}

void formInternetSetup::chkSeeMessages_Click() {
    const bool more = rt::ticked(chkSeeMessages);
    frameFtpMessages->setVisible(more);
    resize(rt::twipsToPixels(more ? 11325 : 7590), height());
    rt::centreOnScreen(this);
}
