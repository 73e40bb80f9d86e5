#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

// The workstation's mail hand-off: a sendmail-compatible program that takes a whole message on
// its standard input and delivers it to the recipients named in its headers ("-t -oi"). The
// program is /usr/sbin/sendmail unless the environment variable CORVISENT_SENDMAIL names another.
struct HandoffResult {
    enum Kind {
        Sent,             // the program took the message and ended with exit code 0
        CannotStart,      // no program, or it cannot be started
        UnknownRecipient, // the program refused a recipient (exit code 67)
        Failed,           // any other failure; description says which
    };
    Kind kind = Sent;
    QString description;
};

// Program-time milliseconds the program may take before it is stopped and the hand-off fails.
constexpr int kHandoffWaitMs = 60000;

class MailHandoffBackend {
public:
    // Stops a hand-off still running; done is then never called.
    virtual ~MailHandoffBackend() = default;
    // Whether the program is there and can be started; description filled when not.
    virtual bool ready(QString* description) = 0;
    // Starts handing over one message (headers, an empty line, the body; lines end with LF) and
    // returns without waiting. done gets the result once, at most kHandoffWaitMs of program time
    // later (before deliver returns when the program cannot be started); done may delete the
    // backend.
    virtual void deliver(const QByteArray& message, std::function<void(const HandoffResult&)> done) = 0;
};

// The program the real backend runs.
QString mailHandoffProgram();

// Creates the backend; tests install a fake, an empty function restores the real one.
using MailHandoffFactory = std::function<std::unique_ptr<MailHandoffBackend>()>;
void setMailHandoffFactory(MailHandoffFactory factory);
std::unique_ptr<MailHandoffBackend> createMailHandoff();

} // namespace platform
