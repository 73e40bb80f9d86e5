#pragma once
#include <QDialog>

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
    void cmdMkdir_Click();
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

    // ---- FTP session (ftpsession.cpp).
    void cmdLoginFTP_Click();
    void cmdLogoutFTP_Click();
    void cmdTestTransfer_Click();
    void cmdCancelInet_Click();
    void Inet1_StateChanged(int state);
    void timerBuildXMLTimeout_Timer();
    void timerTimeOut_Timer();
    // Returns when the transfer control is idle, or after a bound (the request is then cancelled).
    void WaitUntilFinished();

    // ---- Schedule (updateengine.cpp).
    void cmdStartUpdate_Click();
    void timerInternetUpdate_Timer();
    // One update: both files written and, in FTP mode, the status file uploaded. True when the
    // index page was written (so it may be uploaded).
    bool HandleBuildXML();

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
    void stateError();
    void stateCompleted();
    void logoutSession();
    // Lets events run while a request runs, until *timedOut is set or the bound passes; false
    // when it ended on *timedOut.
    bool waitWhileExecuting(const bool* timedOut);
    // Starts a command whose own outcome is wanted; false when the control refused it at once
    // (its error number is then the outcome's code).
    bool startWatched(const QString& command);
    // Lets events run until the watched command has ended, or *timedOut is set; true when it
    // completed.
    bool waitWatched(const bool* timedOut = nullptr);
    // Before an update on an open session: one the server has closed meanwhile is found and
    // logged in again.
    void checkSession();
    enum class Watch { Idle, Running, Completed, Failed };
    // The outcome of the watched command, noted from its own final state: a recovery started by
    // that state runs requests of its own before the wait sees it.
    Watch m_watch = Watch::Idle;
    int m_watchCode = 0;
    bool m_recovering = false; // a recovery runs: a nested error does not start another
    // The session ended by a failure since the last login began: the login refused, a request
    // unanswered or cut off, the connection lost. Every further request would connect and log in
    // anew, so the login under way sends nothing more, and Start's first update makes no second
    // attempt after it.
    bool m_sessionLost = false;
    void sessionLost();
    // Cancels a request that a wait gave up on; its connection goes with it.
    void cutOff();
    bool m_inLogin = false; // a login sends its requests: their failures end it, not a recovery
    void runUpdate();
    bool m_updating = false;   // an update runs
    bool m_updateAgain = false; // a recovery during it asked for an update at once
    bool m_updateLoggedIn = false; // the update of this tick has made its one new login
};
