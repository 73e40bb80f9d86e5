#pragma once
#include <QDialog>
#include <QList>
#include <functional>
#include <memory>

#include "runtime/task.h"
#include "settings/setupwindows.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QVBoxLayout;
namespace platform {
class InetControl;
}
namespace rt {
class Timer;
}

// The remote monitoring window: one instance, created on first use and hidden until shown. Its
// controls hold the live publication settings (FTP login, remote and local directories, page
// title, update interval, index refresh rate).
class formInternetSetup : public QDialog, public InternetSetupControls {
    Q_OBJECT
public:
    static formInternetSetup& instance();
    QWidget& form() override { return *this; }

    QLabel* lblIndexRefreshRate = nullptr;         // index page refresh in seconds
    QLineEdit* txtRemoteStorageLocation = nullptr; // remote directory
    QLineEdit* txtFTPURL = nullptr;                // FTP server
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblPasswordSetStatus = nullptr; // "(Password is set)" / "(Password is not set)"
    QCheckBox* chkXMLUseDirectory = nullptr;         // publish to a local directory
    QRadioButton* optStayConnected = nullptr;
    QRadioButton* optConnectBeforeSend = nullptr;
    QLineEdit* txtTitleforUpdatePage = nullptr;
    QLineEdit* txtXMLDirectory = nullptr;
    QListWidget* listFtpMessages = nullptr; // the FTP message list

    void ShowStoredPassword(const QString& pw) override;
    // Adds an entry to the FTP message list, emptying the list first once it holds 2000.
    void AddFtpMessage(const QString& text);
    // The same with the current time in front.
    void AddTimedFtpMessage(const QString& text);
    // Empties the list when it holds its limit (done at the start of the publisher's procedures).
    void ClearFullFtpMessages();

    // ---- FTP console and message list (ftpconsole.cpp).
    QGroupBox* frameFtpMessages = nullptr; // "FTP Messages": the list and the console, shown by "More -->"
    QPushButton* cmdCD = nullptr;          // "Change Directory"
    QPushButton* cmdDir = nullptr;         // "Get Directory Listing"
    QPushButton* cmdLS = nullptr;          // "List Directory Contents"
    QPushButton* cmdMkdir = nullptr;       // "Mkdir"
    QPushButton* cmdSaveFTPlog = nullptr;  // "&Save Log"
    QPushButton* cmdClearLog = nullptr;    // "&Clear Log"
    void cmdCD_Click();
    void cmdDir_Click();
    void cmdLS_Click();
    rt::Task<> cmdMkdir_Click();
    void cmdClearLog_Click();
    void cmdSaveFTPlog_Click();
    void listFtpMessages_DblClick();
    void chkSeeMessages_Click();
    // Asks for a name and writes the message list to "<name>.ftp" in the program folder.
    void PrintList();

    // ---- The window's life, stored settings and small editors.
    QPushButton* cmdSetFTPPassword = nullptr; // "Set Password"
    QPushButton* cmdNewDirectory = nullptr;   // "&New Directory"
    QPushButton* cmdInternetHelp = nullptr;   // "&Steps for Remote Monitoring Setup"
    QPushButton* cmdIntenetOK = nullptr;      // "&OK": save and hide
    QPushButton* cmdInternetCancel = nullptr; // "&Cancel": hide
    QMenu* mnuAdvanced = nullptr;             // "&Advanced"
    QAction* mnuSetIndexRefresh = nullptr;    // its one entry; the caption shows the current rate
    QAction* mnuIUEHelp = nullptr;            // "&Help"
    // Stores the window's settings (not the interval, which its slider stores).
    void cmdSaveInternetSettingsNow_Click();
    void txtFTPURL_LostFocus();
    void txtPassword_LostFocus();
    void txtRemoteStorageLocation_LostFocus();
    void txtUserName_LostFocus();
    void cmdIntenetOK_Click();
    void cmdInternetCancel_Click();
    void chkXMLUseDirectory_Click();
    void cmdSetFTPPassword_Click();
    void cmdNewDirectory_Click();
    void sliderInternetUpdateInterval_Change();
    // The interval typed into its box, taken when the box is left or Enter pressed.
    void txtInterval_Commit();
    void mnuAdvanced_Click();
    void mnuSetIndexRefresh_Click();
    void mnuIUEHelp_Click();
    void cmdInternetHelp_Click();
    void Form_Load();
    void Form_Activate();

    // ---- Publisher controls.
    QPushButton* cmdLoginFTP = nullptr;     // "1) Login to FTP server"
    QPushButton* cmdTestTransfer = nullptr; // "2) Perform test transfer (XSL file)"
    QPushButton* cmdStartUpdate = nullptr;  // "3) Start FTP Update" / "3) Stop FTP Update"
    QPushButton* cmdLogoutFTP = nullptr;    // "Log out of FTP"
    QPushButton* cmdCancelInet = nullptr;   // "Cancel Operations"
    QLabel* lblUpdating = nullptr;          // "Off" / "On"
    rt::Timer* timerInternetUpdate = nullptr;  // the schedule tick, 60000 ms
    rt::Timer* timerBuildXMLTimeout = nullptr; // time-out of the waits for the transfer control
    rt::Timer* timerTimeOut = nullptr;         // time-out of the test transfer and make-directory
    platform::InetControl* Inet1 = nullptr;    // the FTP connection

    // ---- Publisher state.
    int iUpdateMinutes = 1;     // minute count of the schedule tick
    bool bUpdateNow = false;    // the next tick publishes whatever the count
    bool bKeepSession = false;  // set by the login: command completions do not log out
    bool bBuildTimeout = false; // timerBuildXMLTimeout fired
    bool bRemoteTimeout = false; // timerTimeOut fired
    bool bLoggedIn = false;     // the connection reported CONNECTED and no disconnect since
    QString LastState;          // the last transfer state, as text

    // ---- FTP session (ftpsession.cpp). The procedures that wait for the transfer control
    // suspend meanwhile and end later; the window's events go on.
    rt::Task<> cmdLoginFTP_Click();
    rt::Task<> cmdLogoutFTP_Click();
    rt::Task<> cmdTestTransfer_Click();
    void cmdCancelInet_Click();
    // A state event; what it sets off (the automatic logout, the recovery) may wait in turn.
    rt::Task<> Inet1_StateChanged(int state);
    void timerBuildXMLTimeout_Timer();
    void timerTimeOut_Timer();
    // Ends when the transfer control is idle, or after a bound (the request is then cancelled).
    rt::Task<> WaitUntilFinished();
    // No request runs, and nothing a state event set off (a logout, a recovery) is under way.
    bool InetSettled() const;

    // ---- Schedule (updateengine.cpp).
    rt::Task<> cmdStartUpdate_Click();
    rt::Task<> timerInternetUpdate_Timer();
    // One update: both files written and, in FTP mode, the status file uploaded. True when the
    // index page was written (so it may be uploaded).
    rt::Task<bool> HandleBuildXML();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    formInternetSetup();
    void buildPublisherControls();
    void buildConsoleControls();
    void buildWindowControls();
    bool consoleReady() const;
    void listCommand(const QString& command, const QString& label, const QString& heading);
    QVBoxLayout* m_settingsColumn = nullptr; // the left column; the message frame stands right of it
    rt::Task<> stateError();
    rt::Task<> stateCompleted();
    rt::Task<> logoutSession();
    // Work a state event sets off goes on after the event, by itself. A wait begun before such
    // work started ends only once that work has ended too, so that what follows the wait finds
    // its outcome (the recovery's new session, its request for a rerun).
    int m_followUpsStarted = 0; // state events so far
    QList<int> m_followUps;     // the numbers of those whose work has not ended
    bool followUpSince(int since) const;
    // Waits until done() holds with no such work begun since the wait began still under way, or
    // boundMs have passed; gives done(). Work still under way at the bound is waited for to its
    // end (it ends by bounds of its own).
    rt::Task<bool> settled(std::function<bool()> done, int boundMs);
    // Waits while a request runs, until *timedOut is set or the bound passes; false when it
    // ended on *timedOut.
    rt::Task<bool> waitWhileExecuting(const bool* timedOut);
    enum class Watch { Running, Completed, Failed };
    // A command whose own outcome is wanted, noted from its own final state: a recovery started
    // by that state runs requests of its own before the wait sees it.
    struct Watched {
        Watch outcome = Watch::Running;
        int code = 0;
    };
    std::shared_ptr<Watched> m_watched; // the running one, until its final state
    // Starts a command whose own outcome is wanted; one the control refused at once has failed
    // already, with its error number for the code.
    std::shared_ptr<Watched> startWatched(const QString& command);
    // Waits until the watched command has ended, or *timedOut is set; true when it completed.
    rt::Task<bool> waitWatched(std::shared_ptr<Watched> watched, const bool* timedOut = nullptr);
    // Before an update on an open session: one the server has closed meanwhile is found and
    // logged in again.
    rt::Task<> checkSession();
    bool m_recovering = false; // a recovery runs: an error meanwhile does not start another
    // The session ended by a failure since the last login began: the login refused, a request
    // unanswered or cut off, the connection lost. Every further request would connect and log in
    // anew, so the login under way sends nothing more, and Start's first update makes no second
    // attempt after it.
    bool m_sessionLost = false;
    void sessionLost();
    // Cancels a request that a wait gave up on; its connection goes with it.
    void cutOff();
    int m_loginsRunning = 0; // logins send their requests: their failures end them, not a recovery
    rt::Task<> runUpdate();
    // The status file and its page uploaded; true when both arrived.
    rt::Task<bool> sendStatus();
    bool m_updating = false;   // an update runs
    bool m_updateAgain = false; // a recovery during it asked for an update at once
    bool m_updateLoggedIn = false; // the update of this tick has made its one new login
};
