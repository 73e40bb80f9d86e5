#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
namespace platform {
class InetControl;
}
namespace rt {
class Timer;
}

// The remote monitoring window: one instance, created on first use and hidden until shown. Its
// controls hold the live publication settings (FTP login, remote and local directories, page
// title, update interval, index refresh rate).
class formInternetSetup : public QDialog {
    Q_OBJECT
public:
    static formInternetSetup& instance();

    QLabel* lblIndexRefreshRate = nullptr;         // index page refresh in seconds
    QLineEdit* txtRemoteStorageLocation = nullptr; // remote directory
    QLineEdit* txtFTPURL = nullptr;                // FTP server
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblPasswordSetStatus = nullptr; // "(Password is set)" / "(Password is not set)"
    QCheckBox* chkSeeMessages = nullptr;
    QLineEdit* txtInterval = nullptr;                // update interval in minutes
    QSlider* sliderInternetUpdateInterval = nullptr; // 2..30
    QCheckBox* chkXMLUseDirectory = nullptr;         // publish to a local directory
    QRadioButton* optStayConnected = nullptr;
    QRadioButton* optConnectBeforeSend = nullptr;
    QLineEdit* txtTitleforUpdatePage = nullptr;
    QLineEdit* txtXMLDirectory = nullptr;
    QListWidget* listFtpMessages = nullptr; // the FTP message list

    // Adds an entry to the FTP message list, emptying the list first once it holds 2000.
    void AddFtpMessage(const QString& text);
    // The same with the current time in front.
    void AddTimedFtpMessage(const QString& text);
    // Empties the list when it holds its limit (done at the start of the publisher's procedures).
    void ClearFullFtpMessages();

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

private:
    formInternetSetup();
    void buildPublisherControls();
    void stateError();
    void stateCompleted();
    void logoutSession();
    // Lets events run while a request runs, until *timedOut is set or the bound passes; false
    // when it ended on *timedOut.
    bool waitWhileExecuting(const bool* timedOut);
    bool m_recovering = false; // a recovery runs: a nested error does not start another
    bool m_updating = false;   // an update runs
    bool m_updateAgain = false; // a tick came during it: the next tick updates at once
};
