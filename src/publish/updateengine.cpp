// The publisher's schedule on the remote monitoring window: the minute tick, one update (status
// file and index page written, then uploaded in FTP mode or left in the local folder) and the
// Start/Stop button. An update suspends while it waits for the server or the page renderer.
#include "publish/updateengine.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "app/CorvisentMain.h"
#include "platform/inet.h"
#include "publish/formInternetSetup.h"
#include "publish/statusfiles.h"
#include "runtime/appdir.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/task.h"
#include "runtime/timer.h"
#include "settings/setupkeys.h"

namespace {

const QString kStartCaption = QStringLiteral("3) Start FTP Update");
const QString kStopCaption = QStringLiteral("3) Stop FTP Update");
const QString kMainCaption = QStringLiteral("Corvisent Manager");
const QString kMainCaptionUpdating = QStringLiteral("Corvisent Manager (Internet update in progress)");

// Local names carry their full path, so the files written are the ones sent whatever the
// working directory.
QString sendCommand(const QString& localPath, const QString& remoteName) {
    return QStringLiteral("SEND \"%1\" %2").arg(localPath, remoteName);
}

// The index page is written once the status file's fate is known: it names as latest only a
// file published whole.
bool writeIndex() {
    bool written = false;
    rt::passOver([&] { written = BuildIndexHtml(); });
    return written;
}

// The local folder may hold a page of the user's own: an "index.html" that is not ours, beside no
// status file of ours, is replaced only when the user agrees.
bool mayReplaceIndex() {
    const QString dir = XmlDirectory();
    QFile index(rt::localPath(JoinPath(dir, QStringLiteral("index.html"))));
    if (!index.open(QIODevice::ReadOnly) || index.readLine().startsWith(kIndexFirstLine)) return true;
    for (int k = 0; k <= 9; ++k)
        if (QFileInfo::exists(JoinPath(dir, QStringLiteral("cvman%1.xml").arg(k)))) return true;
    return rt::MsgBox(QStringLiteral("The folder %1 already holds an index.html that Corvisent Manager did not "
                                     "write. Replace it with the status index page?")
                          .arg(dir),
                      rt::vbYesNo | rt::vbQuestion, QStringLiteral("Remote Monitoring")) == rt::vbYes;
}

QString trueFalse(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

void storeAutoStart(const QString& value) {
    settingsvalues::saveKey(settingsvalues::Store::Tree, "AutoStartIUE", value);
}

} // namespace

bool CopyFileBool(const QString& source, const QString& destination, bool failIfExists) {
    const QFileInfo from(source), to(destination);
    if (!from.isFile()) return false;
    if (to.exists()) {
        if (failIfExists) return false;
        // A file copied onto itself is already in place; removing it first would lose it.
        if (from.canonicalFilePath() == to.canonicalFilePath()) return true;
    }
    return rt::copyFileWhole(source, destination);
}

rt::Task<> StartInternetUpdateEngine() {
    auto& w = formInternetSetup::instance();
    co_await rt::PassOver(w.cmdLoginFTP_Click());
    co_await rt::Pause(3000);
    w.cmdStartUpdate->setEnabled(true);
    co_await w.cmdStartUpdate_Click();
}

rt::Task<> formInternetSetup::timerInternetUpdate_Timer() {
    // One update at a time: a tick during it changes nothing (a recovery inside the update asks
    // for it to run again itself).
    if (m_updating) co_return;
    rt::passOver([this] { ClearFullFtpMessages(); });
    // Other windows may have put their own caption on the main window meanwhile.
    const bool running = rt::caption(cmdStartUpdate) == kStopCaption;
    auto& main = CorvisentMain::instance();
    if (running && main.windowTitle() != kMainCaptionUpdating) main.setWindowTitle(kMainCaptionUpdating);

    // A count past the interval (the interval lowered without a restart of the count) is due too.
    if (iUpdateMinutes < sliderInternetUpdateInterval->value() && !bUpdateNow) {
        ++iUpdateMinutes;
        co_return;
    }
    const rt::FlagWhile updating(m_updating);

    // A recovery inside the update (its upload failed, the session was opened again) asks for
    // the update at once: it runs once more right away. The recovery's login is the update's one
    // new login, so a further failure waits for the next scheduled update.
    m_updateLoggedIn = false;
    for (int run = 0; run < 2; ++run) {
        m_updateAgain = false;
        co_await runUpdate();
        if (!m_updateAgain) break;
    }
    iUpdateMinutes = 1;
    bUpdateNow = m_updateAgain;
}

rt::Task<> formInternetSetup::runUpdate() {
    AddTimedFtpMessage(QStringLiteral(" <<Update Timer>>"));
    timerBuildXMLTimeout->setEnabled(true);
    const bool indexWritten = co_await rt::PassOver(HandleBuildXML());
    if (!indexWritten) co_return;
    if (rt::ticked(chkXMLUseDirectory)) {
        // No session in this mode: the page goes beside the status files instead.
        const QString target = JoinPath(XmlDirectory(), QStringLiteral("index.html"));
        if (!CopyFileBool(IndexHtmlPath(), target, false))
            AddTimedFtpMessage(QStringLiteral(" Could not write ") + target);
    } else if (bLoggedIn) { // without the session a request would log in anew
        rt::passOver([this] { Inet1->Execute(QString(), sendCommand(IndexHtmlPath(), QStringLiteral("index.html"))); });
        co_await WaitUntilFinished();
    }
}

rt::Task<bool> formInternetSetup::sendStatus() {
    const int k = iXMLIndex;
    const std::shared_ptr<Watched> status =
        startWatched(sendCommand(XmlFilePath(k), QStringLiteral("cvman%1.xml").arg(k)));
    const bool statusSent = co_await waitWatched(status);
    if (!statusSent || !StatusPageWritten()) co_return false;
    const std::shared_ptr<Watched> page =
        startWatched(sendCommand(HtmlFilePath(k), QStringLiteral("cvman%1.html").arg(k)));
    co_return co_await waitWatched(page);
}

rt::Task<bool> formInternetSetup::HandleBuildXML() {
    rt::passOver([this] { ClearFullFtpMessages(); });
    const bool local = rt::ticked(chkXMLUseDirectory);
    if (!local) {
        // "Do not stay connected" logs in before every scheduled update; an update that finds no
        // session (the server was away) logs in too, in either mode, so publishing resumes once
        // the server is back. Without login details that second kind is left out: the
        // diagnostics below say why nothing is sent. Start's first update relies on the login
        // made just before it and makes no second attempt when that one failed; no update logs
        // in twice.
        const bool perUpdate = !bUpdateNow && rt::optionValue(optConnectBeforeSend);
        const bool reconnect = !bLoggedIn && !(bUpdateNow && m_sessionLost) &&
                               !txtUserName->text().isEmpty() && !txtPassword->text().isEmpty();
        if ((perUpdate || reconnect) && !m_updateLoggedIn)
            co_await rt::PassOver(cmdLoginFTP_Click());
        else if (bLoggedIn)
            co_await checkSession();
    }
    const bool xmlWritten = co_await rt::PassOver(BuildXMLFile());
    if (local) {
        // A failed write is listed by BuildXMLFile; nothing of it is announced as updated. The
        // index names the update latest only with its page.
        if (xmlWritten) {
            if (StatusPageWritten()) MarkPublished();
            AddTimedFtpMessage(QStringLiteral(" BuildXML: Updating local file ") + QString::number(iXMLIndex));
        }
        co_await rt::Pause(1700);
        co_return writeIndex();
    }

    timerBuildXMLTimeout->setInterval(60000);
    bBuildTimeout = false;
    timerBuildXMLTimeout->setEnabled(true);
    co_await waitWhileExecuting(&bBuildTimeout);
    if (Inet1->StillExecuting() && bBuildTimeout) {
        AddFtpMessage(QStringLiteral(" BuildXML: TimeOut"));
        cutOff();
        bBuildTimeout = false;
    }
    timerBuildXMLTimeout->setEnabled(false);
    AddFtpMessage(QStringLiteral(" bLoggedIn = ") + trueFalse(bLoggedIn));

    // The status file, then its page when there is one; the update is published once both arrived.
    // The session is kept until the page is sent too.
    bool sent = false;
    if (!xmlWritten) {
        // The failed write is logged; a stale file under that name is not published. The index
        // upload that follows ends the session as it would after a status upload.
        bKeepSession = false;
    } else if (!Inet1->StillExecuting() && bLoggedIn) {
        AddTimedFtpMessage(QStringLiteral(" BuildXML: Updating file ") + QString::number(iXMLIndex));
        sent = co_await sendStatus();
        bKeepSession = false;
    } else {
        co_await rt::Pause(1500);
        if (!Inet1->StillExecuting() && bLoggedIn) {
            // Waited for too: the index page written next names it only once it has arrived.
            sent = co_await sendStatus();
        } else {
            AddFtpMessage(QStringLiteral(" Not sending update"));
            AddFtpMessage(QStringLiteral(" Logged in = ") + trueFalse(bLoggedIn));
            AddFtpMessage(QStringLiteral(" LastState = ") + LastState);
        }
    }
    if (sent) MarkPublished();
    co_return writeIndex();
}

rt::Task<> formInternetSetup::cmdStartUpdate_Click() {
    rt::passOver([this] { ClearFullFtpMessages(); });
    const QString caption = rt::caption(cmdStartUpdate);
    if (caption == kStartCaption) {
        if (rt::ticked(chkXMLUseDirectory) && !mayReplaceIndex()) {
            AddFtpMessage(QStringLiteral("Not started: the folder's index.html was kept."));
            co_return;
        }
        if (rt::ticked(chkXMLUseDirectory)) {
            AddFtpMessage(QStringLiteral("Copying over XSL file..."));
            rt::passOver([this] {
                const QString target = JoinPath(XmlDirectory(), QStringLiteral("cvman.xsl"));
                if (!CopyFileBool(rt::appFile(QStringLiteral("cvman.xsl")), target, false))
                    AddTimedFtpMessage(QStringLiteral(" Could not write ") + target);
            });
        }
        timerInternetUpdate->setEnabled(true);
        rt::setCaption(cmdStartUpdate, kStopCaption);
        CorvisentMain::instance().setWindowTitle(kMainCaptionUpdating);
        // Armed before the first update runs, so that an error in it is handled as in any later
        // one: listed, and the next tick tries again.
        rt::setCaption(lblUpdating, QStringLiteral("On"));
        bUpdateNow = true;
        co_await timerInternetUpdate_Timer();
        rt::passOver([] { storeAutoStart(QStringLiteral("1")); });
    } else if (caption == kStopCaption) {
        timerInternetUpdate->setEnabled(false);
        rt::setCaption(cmdStartUpdate, kStartCaption);
        rt::setCaption(lblUpdating, QStringLiteral("Off"));
        CorvisentMain::instance().setWindowTitle(kMainCaption);
        bUpdateNow = false;
        bBuildTimeout = false;
        timerBuildXMLTimeout->setEnabled(false);
        rt::passOver([] { storeAutoStart(QStringLiteral("0")); });
    }
}
