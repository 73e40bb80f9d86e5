#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

// ---- What a transfer reports.
//
// States raised through InetControl::StateChanged, in the order a request goes through them:
//   1 resolving the host, 2 host resolved, 3 connecting, 4 connected (the server greeted; sent
//   before the login is checked), 5 requesting, 6 request sent, 7 receiving the response,
//   8 response received, then one final state: 12 completed or 11 error (QUIT ends with
//   9 disconnecting and 10 disconnected instead). States 1 to 4 come only when the request opens
//   a new control connection; a request on the open connection starts at 5.
//
// Response codes and info texts (ResponseCode, ResponseInfo), fixed here for every outcome:
//   0      completed; info = the server's last reply line
//   2      SEND: the local file cannot be read: "Local file <path> does not exist"
//   12002  the server did not answer within RequestTimeout: "The request has timed out"
//   12003  the server refused a command: "<reply>"; for a directory that cannot be entered
//          (CD, or the working directory of any command): "Directory <dir> does not exist (<reply>)"
//   12004  the transfer library failed: "Internal error: <text> (unrecoverable)"
//   12005  the server text is no usable address: "The URL <text> is invalid (unrecoverable)"
//   12007  the host name does not resolve: "The server name could not be resolved"
//   12014  the login was refused (530): "Incorrect password or user name (<reply>)"
//   12029  the connection was refused or could not be made: "Cannot connect to the server"
//   12030  the control connection of the session broke, either while a request ran or between
//          two requests (the server went away, or ended an idle session with its "421"): "The
//          connection with the server was terminated abnormally". A request that finds the
//          connection already closed by the server fails so without sending anything. The session
//          is not reopened behind the program's back: the next request after this error connects
//          and logs in again.
enum InetState : int {
    icNone = 0,
    icResolvingHost = 1,
    icHostResolved = 2,
    icConnecting = 3,
    icConnected = 4,
    icRequesting = 5,
    icRequestSent = 6,
    icReceivingResponse = 7,
    icResponseReceived = 8,
    icDisconnecting = 9,
    icDisconnected = 10,
    icError = 11,
    icResponseCompleted = 12,
};

enum InetResponse : int {
    inetOk = 0,
    inetLocalFileMissing = 2,
    inetTimeout = 12002,
    inetRefused = 12003,
    inetInternal = 12004,
    inetBadUrl = 12005,
    inetNameNotResolved = 12007,
    inetLoginRefused = 12014,
    inetCannotConnect = 12029,
    inetConnectionLost = 12030,
};

// Run-time errors Execute raises (rt::VbError); no state event follows them.
enum InetError : int {
    inetErrNoSession = 35750,      // "No FTP session: log in first" (before the login or after QUIT)
    inetErrBadCommand = 35753,     // "Unknown FTP command"
    inetErrStillExecuting = 35764, // "Still executing last request"
};

// One request as the backends carry it out.
struct InetRequest {
    enum Kind { Pwd, Cd, List, ListLong, Mkdir, Send, Quit, Noop };
    Kind kind = Pwd;
    QString host;
    int port = 21;
    QString user;
    QString password;
    int timeoutSec = 60;
    // The remote directory the request works in: "" = where the login put us, "/..." = absolute,
    // anything else relative to the login directory. For Cd the directory to enter.
    QString dir;
    QString name;      // Mkdir: the directory to make (as typed); Send: the remote file name
    QString localPath; // Send: the file to upload
    // First request of a session: a connection left from an earlier one is closed first.
    bool newSession = false;
};

// The outcome of a request; finalState is 11, 12 or (QUIT) 10.
struct InetResult {
    int finalState = icResponseCompleted;
    int code = inetOk;
    QString info;
    QByteArray data; // what GetChunk hands out: a listing, or the server's reply line
};

// Carries out requests for one InetControl. start() returns at once; the backend then calls
// state() for the intermediate states and finish() exactly once, from the program thread through
// its event loop. After cancel() it calls neither for the cancelled request.
class InetBackend {
public:
    struct Sink {
        std::function<void(int state)> state;
        std::function<void(const InetResult&)> finish;
    };
    virtual ~InetBackend() = default;
    virtual void start(const InetRequest& request, Sink sink) = 0;
    virtual void cancel() = 0;
};

// Creates the backend of a new control; tests replace it (empty = libcurl).
using InetBackendFactory = std::function<std::unique_ptr<InetBackend>()>;
void setInetBackendFactory(InetBackendFactory factory);
InetBackendFactory inetBackendFactory();
std::unique_ptr<InetBackend> createCurlInetBackend();

// The internet transfer control, FTP only. Execute takes one command text:
//   "PWD"                      the server's working directory (reply line via GetChunk)
//   "CD <dir>"                 enter a directory ("CD " alone stays where it is; "/x" absolute)
//   "LS [dir]", "LS -l", "DIR" names in the working directory; "-l" and DIR give the long form
//   "MKDIR <dir>"              make a directory
//   "SEND <local> <remote>"    upload a file; a local path with blanks is quoted or comes first
//   "QUIT"                     end the session
//   "NOOP"                     nothing: shows whether the session is still open
// The first command after the login properties are set opens the session (connects and logs
// in); QUIT closes it, and no command is taken again until the properties are set anew.
// Requests run in the background; the control stays busy (StillExecuting) until the final
// state, which is raised after ResponseCode, ResponseInfo and the data are in place.
class InetControl : public QObject {
    Q_OBJECT
public:
    explicit InetControl(QObject* parent = nullptr);
    ~InetControl() override;

    int protocol() const { return m_protocol; }
    void setProtocol(int p) { m_protocol = p; } // 2 = FTP, the only one used
    int accessType() const { return m_accessType; }
    void setAccessType(int a) { m_accessType = a; } // 0 = the system's connection settings
    // Server as "host", "host:port" or "ftp://host[:port]"; setting any login property starts a
    // new session for the next command.
    QString url() const { return m_url; }
    void setURL(const QString& u);
    QString userName() const { return m_user; }
    void setUserName(const QString& u);
    // Write-only in effect: kept for the requests, never shown or logged.
    void setPassword(const QString& p);
    int requestTimeout() const { return m_timeoutSec; }
    void setRequestTimeout(int seconds) { m_timeoutSec = seconds > 0 ? seconds : 60; }

    // Starts the command; rt::VbError (InetError) when busy, without a session or unknown.
    void Execute(const QString& url, const QString& command);
    // Takes up to size characters of the last request's data; "" when all were taken.
    // dataType 0 = text (the only one used).
    QString GetChunk(int size, int dataType = 0);
    // Ends the running request at once; no further state comes for it.
    void Cancel();
    bool StillExecuting() const { return m_busy; }
    int ResponseCode() const { return m_code; }
    QString ResponseInfo() const { return m_info; }
    // The directory the session works in ("" = where the login put us).
    QString remoteDir() const { return m_dir; }

signals:
    void StateChanged(int state);

private:
    void arm();
    void finish(int job, const InetResult& r, InetRequest::Kind kind, const QString& dir);
    // Raises StateChanged as an event nobody acted for.
    void raiseState(int state);
    void finishLater(const InetResult& r);
    int m_protocol = 2;
    int m_accessType = 0;
    QString m_url, m_user, m_password;
    int m_timeoutSec = 60;
    bool m_session = false; // the login properties are set and no QUIT came since
    bool m_busy = false;
    int m_job = 0; // number of the running request; events of earlier ones are dropped
    int m_code = 0;
    QString m_info;
    bool m_newSession = false;
    QString m_data;
    qsizetype m_dataPos = 0;
    QString m_dir;
    std::unique_ptr<InetBackend> m_backend;
};

// Remote paths: dir resolved against base ("" = login directory): "/x" absolute, "x/.." folded;
// the result has no trailing slash except "/".
QString resolveRemoteDir(const QString& base, const QString& dir);

} // namespace platform
