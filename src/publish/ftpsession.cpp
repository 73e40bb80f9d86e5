// The remote monitoring window's FTP session: login and logout, the test transfer of the
// stylesheet, cancel, and the handling of the transfer control's state events with the recovery
// from transfer errors. Each procedure that waits for the control suspends meanwhile; the state
// events and whatever they set off (the automatic logout, the recovery) are handled as they come.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "platform/inet.h"
#include "publish/formInternetSetup.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Longest wait for one request in program time; the control's own time-outs (20 s per server
// answer) normally end a request long before.
constexpr int kRequestWaitLimitMs = 120000;
// Longest wait, past a wait's own bound, for what the state events set off meanwhile; it ends
// by the bounds of its own waits long before.
constexpr int kFollowUpWaitLimitMs = 10 * kRequestWaitLimitMs;

bool updating(const formInternetSetup& w) {
    return rt::caption(w.lblUpdating) == QLatin1String("On");
}
bool scheduleRunning(const formInternetSetup& w) {
    return rt::caption(w.cmdStartUpdate) == QLatin1String("3) Stop FTP Update");
}

} // namespace

bool formInternetSetup::followUpSince(int since) const {
    for (int number : m_followUps)
        if (number > since) return true;
    return false;
}

rt::Task<bool> formInternetSetup::settled(std::function<bool()> done, int boundMs) {
    const int since = m_followUpsStarted;
    const bool held = co_await rt::Until([&] { return done() && !followUpSince(since); }, boundMs);
    if (held) co_return true;
    co_await rt::Until([&] { return !followUpSince(since); }, kFollowUpWaitLimitMs);
    co_return done();
}

rt::Task<bool> formInternetSetup::waitWhileExecuting(const bool* timedOut) {
    const bool ended =
        co_await settled([this, timedOut] { return !Inet1->StillExecuting() || (timedOut && *timedOut); },
                         kRequestWaitLimitMs);
    if (!ended) cutOff();
    co_return !(timedOut && *timedOut);
}

void formInternetSetup::sessionLost() {
    bLoggedIn = false;
    m_sessionLost = true;
}

void formInternetSetup::cutOff() {
    if (!Inet1->StillExecuting()) return;
    Inet1->Cancel();
    sessionLost();
}

rt::Task<> formInternetSetup::WaitUntilFinished() {
    co_await waitWhileExecuting(nullptr);
}

bool formInternetSetup::InetSettled() const {
    return !Inet1->StillExecuting() && m_followUps.isEmpty();
}

std::shared_ptr<formInternetSetup::Watched> formInternetSetup::startWatched(const QString& command) {
    auto watched = std::make_shared<Watched>();
    try {
        Inet1->Execute(QString(), command);
        m_watched = watched;
    } catch (const rt::VbError& e) {
        watched->outcome = Watch::Failed;
        watched->code = e.number();
    }
    return watched;
}

rt::Task<bool> formInternetSetup::waitWatched(std::shared_ptr<Watched> watched, const bool* timedOut) {
    // Captured by plain pointer: a lambda within a co_await must own nothing (GCC 12 destroys its
    // captures twice); the parameter keeps the outcome alive.
    const Watched* w = watched.get();
    const bool ended =
        co_await settled([w, timedOut] { return w->outcome != Watch::Running || (timedOut && *timedOut); },
                         kRequestWaitLimitMs);
    if (!ended) {
        if (m_watched == watched) {
            cutOff();
            m_watched.reset();
        }
        watched->outcome = Watch::Failed;
        watched->code = platform::inetTimeout;
    }
    co_return watched->outcome == Watch::Completed;
}

rt::Task<> formInternetSetup::checkSession() {
    // A failed NOOP sets off the recovery, which logs in again. The update that recovery asks
    // for is the one about to run.
    const std::shared_ptr<Watched> noop = startWatched(QStringLiteral("NOOP"));
    if (noop->outcome != Watch::Running) co_return;
    const bool open = co_await waitWatched(noop);
    if (!open) m_updateAgain = false;
}

void formInternetSetup::timerBuildXMLTimeout_Timer() {
    bBuildTimeout = true;
    timerBuildXMLTimeout->setEnabled(false);
}

void formInternetSetup::timerTimeOut_Timer() {
    bRemoteTimeout = true;
    timerTimeOut->setEnabled(false);
}

rt::Task<> formInternetSetup::cmdLoginFTP_Click() {
    rt::Hourglass pointer;
    ClearFullFtpMessages();
    if (rt::ticked(chkXMLUseDirectory)) co_return;
    if (txtUserName->text().isEmpty() || txtPassword->text().isEmpty()) {
        rt::MsgBox(QStringLiteral("You must first fill out the FTP login information."), rt::vbInformation);
        txtFTPURL->setFocus();
        co_return;
    }
    // Counted, not flagged: a login started while another one waits ends before or after it.
    struct InLogin {
        int& count;
        ~InLogin() { --count; }
    } inLogin{++m_loginsRunning};
    try {
        bKeepSession = true;
        AddTimedFtpMessage(QStringLiteral(" FTP login attempt"));
        Inet1->Cancel();
        m_sessionLost = false;
        if (m_updating) m_updateLoggedIn = true;
        Inet1->setProtocol(2);
        Inet1->setAccessType(0);
        Inet1->setURL(txtFTPURL->text());
        Inet1->setUserName(txtUserName->text());
        Inet1->setPassword(txtPassword->text());
        Inet1->setRequestTimeout(20);
        if (!updating(*this)) Inet1->Execute(QString(), QStringLiteral("PWD"));

        co_await rt::Pause(1500);
        timerBuildXMLTimeout->setInterval(20000);
        bBuildTimeout = false; // a time-out left from an earlier wait must not end this one
        timerBuildXMLTimeout->setEnabled(true);
        const bool answered = co_await waitWhileExecuting(&bBuildTimeout);
        if (!answered) {
            AddFtpMessage(QStringLiteral(" Login Timeout"));
            cutOff();
        }
        timerBuildXMLTimeout->setInterval(60000);
        timerBuildXMLTimeout->setEnabled(false);

        // A login that failed sends nothing more: each further request would connect and log in
        // again, and be refused or go unanswered again.
        if (!m_sessionLost) {
            co_await rt::Pause(1500);
            Inet1->Execute(QString(), QStringLiteral("CD ") + txtRemoteStorageLocation->text());
            co_await WaitUntilFinished();
            // The directory box keeps what the user typed, so a directory made later is found.
            if (Inet1->ResponseCode() == platform::inetRefused)
                AddFtpMessage(QStringLiteral("Directory doesn't exist."));
            if (!Inet1->StillExecuting() && !m_sessionLost) Inet1->Execute(QString(), QStringLiteral("LS "));
        }

        cmdLoginFTP->setEnabled(false);
        cmdLogoutFTP->setEnabled(true);
        if (!updating(*this)) {
            cmdTestTransfer->setEnabled(true);
            cmdTestTransfer->setFocus();
        }
        cmdCancelInet->setEnabled(true);
        optStayConnected->setEnabled(false);
        optConnectBeforeSend->setEnabled(false);
    } catch (const std::exception&) {
        cmdLogoutFTP->setEnabled(true);
        raise();
    }
}

// Ends the FTP session only: the schedule stays as it is. The connection options, locked by the
// login, are free again once no session is open.
rt::Task<> formInternetSetup::logoutSession() {
    AddTimedFtpMessage(QStringLiteral(" FTP logout attempt"));
    rt::passOver([this] { Inet1->Execute(QString(), QStringLiteral("QUIT")); });
    co_await WaitUntilFinished();
    optStayConnected->setEnabled(true);
    optConnectBeforeSend->setEnabled(true);
}

rt::Task<> formInternetSetup::cmdLogoutFTP_Click() {
    try {
        ClearFullFtpMessages();
        AddFtpMessage(QStringLiteral("** WARNING ** This will stop the FTP Update process."));
        co_await logoutSession();
        cmdCancelInet_Click();
        co_await rt::Pause(500);
        if (scheduleRunning(*this)) co_await cmdStartUpdate_Click();
    } catch (const std::exception&) {
    }
}

rt::Task<> formInternetSetup::cmdTestTransfer_Click() {
    if (timerTimeOut->enabled()) co_return;
    rt::Hourglass pointer;
    ClearFullFtpMessages();
    if (rt::ticked(chkSeeMessages)) {
        AddFtpMessage(QStringLiteral("Path for cvman.xsl file = ") + kCrLf);
        AddFtpMessage(QStringLiteral("  ") + rt::appPath() + QDir::separator());
    }
    co_await rt::Pause(1000);
    const QString stylesheet = rt::appFile(QStringLiteral("cvman.xsl"));
    // The transfer is judged by its own final state once it has ended: a refused request (one
    // still running, no session) by its error number, and never by the code of a request that
    // ran before it or of the recovery that its failure sets off.
    bRemoteTimeout = false;
    bool sent = false;
    const std::shared_ptr<Watched> send =
        startWatched(QStringLiteral("SEND \"%1\" cvman.xsl").arg(stylesheet));
    if (send->outcome == Watch::Running) {
        timerTimeOut->setEnabled(true);
        sent = co_await waitWatched(send, &bRemoteTimeout);
        if (send->outcome != Watch::Running) bRemoteTimeout = false; // it ended, maybe during a long recovery
    }
    if (bRemoteTimeout) {
        rt::MsgBox(QStringLiteral("Timeout.  Remote system not responding"));
        AddFtpMessage(QStringLiteral("REMOTE TIMEOUT") + kCrLf);
        bRemoteTimeout = false;
        timerTimeOut->setEnabled(false);
    } else {
        timerTimeOut->setEnabled(false);
        AddFtpMessage(QStringLiteral("Response from SEND = :") + QString::number(send->code));
        if (sent) {
            AddTimedFtpMessage(QStringLiteral(" Test transfer complete"));
            cmdStartUpdate->setEnabled(true);
            cmdStartUpdate->setFocus();
        } else {
            rt::MsgBox(QStringLiteral("Test transfer not complete. Please try again."), rt::vbInformation);
            lower();
        }
    }
    cmdTestTransfer->setEnabled(false);
}

void formInternetSetup::cmdCancelInet_Click() {
    Inet1->Cancel();
    bBuildTimeout = false;
    timerBuildXMLTimeout->setEnabled(false);
    timerInternetUpdate->setEnabled(false);
    timerTimeOut->setEnabled(false);
    AddTimedFtpMessage(QStringLiteral(" Cancel Attempt"));
}

rt::Task<> formInternetSetup::Inet1_StateChanged(int state) {
    if (m_watched && (state == platform::icResponseCompleted || state == platform::icError ||
                      state == platform::icDisconnected)) {
        m_watched->outcome = state == platform::icResponseCompleted ? Watch::Completed : Watch::Failed;
        m_watched->code = Inet1->ResponseCode();
        m_watched.reset();
    }
    // Under way until it ends: a wait begun before this event waits for it too.
    const int number = ++m_followUpsStarted;
    m_followUps.append(number);
    struct Ended {
        QList<int>& running;
        int number;
        ~Ended() { running.removeOne(number); }
    } ended{m_followUps, number};
    try {
        ClearFullFtpMessages();
        auto note = [this](const char* entry, const char* last) {
            AddTimedFtpMessage(QString::fromLatin1(entry));
            LastState = QString::fromLatin1(last);
        };
        switch (state) {
        case platform::icNone:
            AddFtpMessage(QStringLiteral("No Events"));
            LastState = QStringLiteral("No Events");
            break;
        case platform::icResolvingHost:
            note(" Resolving Host...", "Resolving Host");
            break;
        case platform::icHostResolved:
            note(" Host Resolved", "Host Resolved");
            break;
        case platform::icConnecting:
            note(" Connecting...", "Connecting");
            break;
        case platform::icConnected:
            note(" CONNECTED", "Connected");
            bLoggedIn = true;
            break;
        case platform::icResponseReceived:
            LastState = QStringLiteral("Response Received");
            break;
        case platform::icDisconnecting:
            note(" Disconnecting...", "Disconnecting");
            break;
        case platform::icDisconnected:
            note(" Disconnected", "Disconnected");
            cmdLoginFTP->setEnabled(true);
            cmdTestTransfer->setEnabled(false);
            // A running schedule keeps its Stop button when a session between updates ends.
            if (!scheduleRunning(*this)) cmdStartUpdate->setEnabled(false);
            cmdLogoutFTP->setEnabled(false);
            bLoggedIn = false;
            break;
        case platform::icError:
            co_await stateError();
            break;
        case platform::icResponseCompleted:
            note(" Command Completed", "Response Completed");
            co_await stateCompleted();
            break;
        default:
            break;
        }
    } catch (const std::exception&) {
    }
}

rt::Task<> formInternetSetup::stateCompleted() {
    // The reply is taken before a logout's own request replaces it.
    QString reply, chunk;
    while (!(chunk = Inet1->GetChunk(1024, 0)).isEmpty()) reply += chunk;
    if (!rt::optionValue(optStayConnected) && updating(*this) && !bKeepSession) {
        co_await logoutSession();
        bKeepSession = false;
    }
    raise();
    if (!reply.isEmpty()) AddFtpMessage(reply);
}

rt::Task<> formInternetSetup::stateError() {
    const QString info = Inet1->ResponseInfo();
    if (info.contains(QLatin1String("does not exist"))) co_return;
    const int code = Inet1->ResponseCode();
    // Only a command the server refused leaves the connection in use.
    if (code != platform::inetRefused) sessionLost();
    AddFtpMessage(QStringLiteral("LastState= ") + LastState);
    if (LastState == QLatin1String("Connecting")) co_return;
    Inet1->Cancel();
    // The tick is off while the error is handled; a schedule still running afterwards (every
    // way out but the unrecoverable one) ticks on, so each later update tries again.
    timerInternetUpdate->setEnabled(false);
    struct Rearm {
        formInternetSetup& w;
        ~Rearm() {
            // A recovery under way decides itself when it ends.
            if (!w.m_recovering && scheduleRunning(w) && updating(w)) w.timerInternetUpdate->setEnabled(true);
        }
    } rearm{*this};
    const bool unrecoverable = info.contains(QLatin1String("unrecoverable"));
    const bool wrongPassword = info.contains(QLatin1String("Incorrect password"));
    // Errors of the recovery's own requests, and of a login's, are logged and end there: the
    // login was the attempt. An update that has made its one new login waits for the next.
    const bool recover = !unrecoverable && !wrongPassword && !m_recovering && m_loginsRunning == 0;
    const bool logsIn = recover && !(m_updating && m_updateLoggedIn);
    AddTimedFtpMessage(QStringLiteral(" Error: ") + QString::number(code));
    if (code != 0) {
        AddFtpMessage(QStringLiteral(" (") + info + QStringLiteral(")"));
        // Said only when it is done.
        if (logsIn) AddFtpMessage(QStringLiteral(" Attempting to log back on..."));
        LastState = QStringLiteral("Error");
    }
    if (unrecoverable) {
        if (scheduleRunning(*this)) co_await cmdStartUpdate_Click();
        rt::MsgBox(QStringLiteral("Urecoverable. Logging out and stopping update."), rt::vbOKOnly);
        Inet1->Cancel();
        co_return;
    }
    if (wrongPassword) {
        // The next scheduled update logs in again, with the password the box holds then.
        AddTimedFtpMessage(QStringLiteral(" Incorrect Password"));
        Inet1->Cancel();
        co_return;
    }
    if (!recover) co_return;
    const rt::FlagWhile recovering(m_recovering);

    co_await logoutSession();
    bBuildTimeout = false;
    timerBuildXMLTimeout->setEnabled(true);
    const bool loggedOut = co_await waitWhileExecuting(&bBuildTimeout);
    if (!loggedOut) {
        AddTimedFtpMessage(QStringLiteral(" Logout Timeout"));
        cutOff();
    }
    timerBuildXMLTimeout->setEnabled(false);
    // One new login per scheduled update: an update that has made its own waits for the next.
    if (m_updating && m_updateLoggedIn) co_return;
    co_await cmdLoginFTP_Click();
    bBuildTimeout = false;
    timerBuildXMLTimeout->setEnabled(true);
    const bool loggedIn = co_await waitWhileExecuting(&bBuildTimeout);
    if (!loggedIn) {
        AddTimedFtpMessage(QStringLiteral(" Login Timeout"));
        cutOff();
        timerBuildXMLTimeout->setEnabled(false);
        co_return;
    }
    timerBuildXMLTimeout->setEnabled(false);
    // A login that failed ends the recovery: the next scheduled update tries again.
    if (m_sessionLost) co_return;
    if (updating(*this)) {
        rt::setCaption(cmdStartUpdate, QStringLiteral("3) Stop FTP Update"));
        AddTimedFtpMessage(QStringLiteral(" Recovering: Cal Interval Update"));
        timerInternetUpdate->setEnabled(true);
        bUpdateNow = true;
        // An update under way runs once more when it ends; otherwise the update runs now.
        if (m_updating)
            m_updateAgain = true;
        else
            co_await timerInternetUpdate_Timer();
        if (rt::optionValue(optConnectBeforeSend)) co_await logoutSession();
    }
}
