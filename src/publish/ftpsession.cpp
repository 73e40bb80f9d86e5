// The remote monitoring window's FTP session: login and logout, the test transfer of the
// stylesheet, cancel, and the handling of the transfer control's state events with the recovery
// from transfer errors. State events arrive while these procedures wait with events running, so
// the handler runs nested inside them.
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
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/timer.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Longest wait for one request in program time; the control's own time-outs (20 s per server
// answer) normally end a request long before.
constexpr int kRequestWaitLimitMs = 120000;

bool updating(const formInternetSetup& w) {
    return rt::caption(w.lblUpdating) == QLatin1String("On");
}
bool scheduleRunning(const formInternetSetup& w) {
    return rt::caption(w.cmdStartUpdate) == QLatin1String("3) Stop FTP Update");
}

} // namespace

bool formInternetSetup::waitWhileExecuting(const bool* timedOut) {
    const bool ended = rt::WaitUntil([&] { return !Inet1->StillExecuting() || (timedOut && *timedOut); },
                                     kRequestWaitLimitMs);
    if (!ended) cutOff();
    return !(timedOut && *timedOut);
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

void formInternetSetup::WaitUntilFinished() {
    waitWhileExecuting(nullptr);
}

bool formInternetSetup::startWatched(const QString& command) {
    m_watch = Watch::Running;
    try {
        Inet1->Execute(QString(), command);
    } catch (const rt::VbError& e) {
        m_watch = Watch::Failed;
        m_watchCode = e.number();
        return false;
    }
    return true;
}

bool formInternetSetup::waitWatched(const bool* timedOut) {
    const bool ended =
        rt::WaitUntil([&] { return m_watch != Watch::Running || (timedOut && *timedOut); }, kRequestWaitLimitMs);
    if (!ended) {
        cutOff();
        m_watch = Watch::Failed;
        m_watchCode = platform::inetTimeout;
    }
    return m_watch == Watch::Completed;
}

void formInternetSetup::checkSession() {
    // A failed NOOP sets off the recovery, which logs in again. The update that recovery asks
    // for is the one about to run.
    if (startWatched(QStringLiteral("NOOP")) && !waitWatched()) m_updateAgain = false;
}

void formInternetSetup::timerBuildXMLTimeout_Timer() {
    bBuildTimeout = true;
    timerBuildXMLTimeout->setEnabled(false);
}

void formInternetSetup::timerTimeOut_Timer() {
    bRemoteTimeout = true;
    timerTimeOut->setEnabled(false);
}

void formInternetSetup::cmdLoginFTP_Click() {
    rt::Hourglass pointer;
    ClearFullFtpMessages();
    if (rt::ticked(chkXMLUseDirectory)) return;
    if (txtUserName->text().isEmpty() || txtPassword->text().isEmpty()) {
        rt::MsgBox(QStringLiteral("You must first fill out the FTP login information."), rt::vbInformation);
        txtFTPURL->setFocus();
        return;
    }
    struct InLogin {
        bool& flag;
        const bool before = flag;
        ~InLogin() { flag = before; }
    } inLogin{m_inLogin};
    try {
        bKeepSession = true;
        AddTimedFtpMessage(QStringLiteral(" FTP login attempt"));
        Inet1->Cancel();
        m_sessionLost = false;
        m_inLogin = true;
        if (m_updating) m_updateLoggedIn = true;
        Inet1->setProtocol(2);
        Inet1->setAccessType(0);
        Inet1->setURL(txtFTPURL->text());
        Inet1->setUserName(txtUserName->text());
        Inet1->setPassword(txtPassword->text());
        Inet1->setRequestTimeout(20);
        if (!updating(*this)) Inet1->Execute(QString(), QStringLiteral("PWD"));

        rt::Wait(1500);
        timerBuildXMLTimeout->setInterval(20000);
        bBuildTimeout = false; // a time-out left from an earlier wait must not end this one
        timerBuildXMLTimeout->setEnabled(true);
        if (!waitWhileExecuting(&bBuildTimeout)) {
            AddFtpMessage(QStringLiteral(" Login Timeout"));
            cutOff();
        }
        timerBuildXMLTimeout->setInterval(60000);
        timerBuildXMLTimeout->setEnabled(false);

        // A login that failed sends nothing more: each further request would connect and log in
        // again, and be refused or go unanswered again.
        if (!m_sessionLost) {
            rt::Wait(1500);
            Inet1->Execute(QString(), QStringLiteral("CD ") + txtRemoteStorageLocation->text());
            WaitUntilFinished();
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
void formInternetSetup::logoutSession() {
    AddTimedFtpMessage(QStringLiteral(" FTP logout attempt"));
    rt::passOver([this] { Inet1->Execute(QString(), QStringLiteral("QUIT")); });
    WaitUntilFinished();
    optStayConnected->setEnabled(true);
    optConnectBeforeSend->setEnabled(true);
}

void formInternetSetup::cmdLogoutFTP_Click() {
    rt::passOver([this] {
        ClearFullFtpMessages();
        AddFtpMessage(QStringLiteral("** WARNING ** This will stop the FTP Update process."));
        logoutSession();
        cmdCancelInet_Click();
        rt::Wait(500);
        if (scheduleRunning(*this)) cmdStartUpdate_Click();
    });
}

void formInternetSetup::cmdTestTransfer_Click() {
    if (timerTimeOut->enabled()) return;
    rt::Hourglass pointer;
    ClearFullFtpMessages();
    if (rt::ticked(chkSeeMessages)) {
        AddFtpMessage(QStringLiteral("Path for cvman.xsl file = ") + kCrLf);
        AddFtpMessage(QStringLiteral("  ") + rt::appPath() + QDir::separator());
    }
    rt::Wait(1000);
    const QString stylesheet = rt::appFile(QStringLiteral("cvman.xsl"));
    // The transfer is judged by its own final state once it has ended: a refused request (one
    // still running, no session) by its error number, and never by the code of a request that
    // ran before it or of the recovery that its failure sets off.
    bRemoteTimeout = false;
    bool sent = false;
    if (startWatched(QStringLiteral("SEND \"%1\" cvman.xsl").arg(stylesheet))) {
        timerTimeOut->setEnabled(true);
        sent = waitWatched(&bRemoteTimeout);
        if (m_watch != Watch::Running) bRemoteTimeout = false; // it ended, maybe during a long recovery
    }
    if (bRemoteTimeout) {
        rt::MsgBox(QStringLiteral("Timeout.  Remote system not responding"));
        AddFtpMessage(QStringLiteral("REMOTE TIMEOUT") + kCrLf);
        bRemoteTimeout = false;
        timerTimeOut->setEnabled(false);
    } else {
        timerTimeOut->setEnabled(false);
        AddFtpMessage(QStringLiteral("Response from SEND = :") + QString::number(m_watchCode));
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

void formInternetSetup::Inet1_StateChanged(int state) {
    if (m_watch == Watch::Running &&
        (state == platform::icResponseCompleted || state == platform::icError || state == platform::icDisconnected)) {
        m_watch = state == platform::icResponseCompleted ? Watch::Completed : Watch::Failed;
        m_watchCode = Inet1->ResponseCode();
    }
    rt::passOver([&] {
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
            stateError();
            break;
        case platform::icResponseCompleted:
            note(" Command Completed", "Response Completed");
            stateCompleted();
            break;
        default:
            break;
        }
    });
}

void formInternetSetup::stateCompleted() {
    // The reply is taken before a logout's own request replaces it.
    QString reply, chunk;
    while (!(chunk = Inet1->GetChunk(1024, 0)).isEmpty()) reply += chunk;
    if (!rt::optionValue(optStayConnected) && updating(*this) && !bKeepSession) {
        logoutSession();
        bKeepSession = false;
    }
    raise();
    if (!reply.isEmpty()) AddFtpMessage(reply);
}

void formInternetSetup::stateError() {
    const QString info = Inet1->ResponseInfo();
    if (info.contains(QLatin1String("does not exist"))) return;
    const int code = Inet1->ResponseCode();
    // Only a command the server refused leaves the connection in use.
    if (code != platform::inetRefused) sessionLost();
    AddFtpMessage(QStringLiteral("LastState= ") + LastState);
    if (LastState == QLatin1String("Connecting")) return;
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
    AddTimedFtpMessage(QStringLiteral(" Error: ") + QString::number(code));
    if (code != 0) {
        AddFtpMessage(QStringLiteral(" (") + info + QStringLiteral(")"));
        AddFtpMessage(QStringLiteral(" Attempting to log back on..."));
        LastState = QStringLiteral("Error");
    }
    if (info.contains(QLatin1String("unrecoverable"))) {
        if (scheduleRunning(*this)) cmdStartUpdate_Click();
        rt::MsgBox(QStringLiteral("Urecoverable. Logging out and stopping update."), rt::vbOKOnly);
        Inet1->Cancel();
        return;
    }
    if (info.contains(QLatin1String("Incorrect password"))) {
        // The next scheduled update logs in again, with the password the box holds then.
        AddTimedFtpMessage(QStringLiteral(" Incorrect Password"));
        Inet1->Cancel();
        return;
    }
    // Errors of the recovery's own requests, and of a login's, are logged above and end there:
    // the login was the attempt.
    if (m_recovering || m_inLogin) return;
    m_recovering = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_recovering};

    logoutSession();
    bBuildTimeout = false;
    timerBuildXMLTimeout->setEnabled(true);
    if (!waitWhileExecuting(&bBuildTimeout)) {
        AddTimedFtpMessage(QStringLiteral(" Logout Timeout"));
        cutOff();
    }
    timerBuildXMLTimeout->setEnabled(false);
    // One new login per scheduled update: an update that has made its own waits for the next.
    if (m_updating && m_updateLoggedIn) return;
    cmdLoginFTP_Click();
    bBuildTimeout = false;
    timerBuildXMLTimeout->setEnabled(true);
    if (!waitWhileExecuting(&bBuildTimeout)) {
        AddTimedFtpMessage(QStringLiteral(" Login Timeout"));
        cutOff();
        timerBuildXMLTimeout->setEnabled(false);
        return;
    }
    timerBuildXMLTimeout->setEnabled(false);
    // A login that failed ends the recovery: the next scheduled update tries again.
    if (m_sessionLost) return;
    if (updating(*this)) {
        rt::setCaption(cmdStartUpdate, QStringLiteral("3) Stop FTP Update"));
        AddTimedFtpMessage(QStringLiteral(" Recovering: Cal Interval Update"));
        timerInternetUpdate->setEnabled(true);
        bUpdateNow = true;
        // An update under way runs once more when it ends; otherwise the update runs now.
        if (m_updating)
            m_updateAgain = true;
        else
            timerInternetUpdate_Timer();
        if (rt::optionValue(optConnectBeforeSend)) logoutSession();
    }
}
