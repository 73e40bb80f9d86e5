// Alert mail through the workstation's mail hand-off: its own wording of the alert text, its
// hand-off to the mail program, and the user's boxes when that fails.
#include "alerts/mapimail.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <memory>
#include <optional>

#include "alerts/channelqueue.h"
#include "alerts/formEmailAlertSetup.h"
#include "app/CorvisentMain.h"
#include "platform/mailhandoff.h"
#include "platform/mailtext.h"
#include "runtime/controls.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "settings/modSupport.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString kindText(int kind) {
    switch (kind) {
    case modSupport::typeTemperature: return QStringLiteral("Temperature Alert");
    case modSupport::typeHumidity: return QStringLiteral("Humidity Alert");
    case modSupport::typeProximity: return QStringLiteral("Proximity Alert");
    case modSupport::typeWater: return QStringLiteral("Water Alert");
    case modSupport::typeAccel: return QStringLiteral("Accerometer Alert");
    case modSupport::typeDistance: return QStringLiteral("Distance Alert");
    default: return QString();
    }
}

platform::MailMessage buildText(const QString& text, int kind, int row, int backToNormal) {
    const CorvisentMain& m = CorvisentMain::instance();
    const formEmailAlertSetup& e = formEmailAlertSetup::instance();
    const QString unit = rt::caption(rt::Ctl(m.lblMeasure, row));
    const QString name = rt::caption(rt::Ctl(m.lblSensor1, row));
    const bool inSubject = rt::ticked(e.chkInclude[3]);

    platform::MailMessage mail;
    if (backToNormal == 1)
        mail.subject = inSubject ? QStringLiteral("Sensor reading OK: ") + text : QStringLiteral("**Sensor reading OK**");
    else
        mail.subject = inSubject ? QStringLiteral("Warning: ") + text : QStringLiteral("Warning");

    if (rt::ticked(e.chkInclude[0])) mail.body += rt::DateText() + kCrLf + rt::TimeText() + kCrLf;
    if (rt::ticked(e.chkInclude[1])) mail.body += QStringLiteral(" Current Reading: ") + text + unit + kCrLf;
    const QString kindLine = kindText(kind);
    if (!kindLine.isEmpty()) mail.body += u' ' + kindLine + kCrLf + u' ' + name + kCrLf;
    return mail;
}

// The boxes of a failed hand-off, in the order the user meets them.
void reportFailure(const platform::HandoffResult& failure) {
    rt::MsgBox(failure.description, rt::vbSystemModal);
    if (failure.kind == platform::HandoffResult::CannotStart) {
        rt::MsgBox(QStringLiteral("Cancelled Login"));
    } else if (failure.kind == platform::HandoffResult::UnknownRecipient) {
        formEmailAlertSetup::instance().txtEmailAddr->setFocus();
    }
    rt::MsgBox(QStringLiteral("PLEASE NOTE: Your alerts will not be sent until you get this problem resolved."));
}

// The whole message of an alert mail as it is handed over; none (after its box) when the text
// cannot be built.
std::optional<platform::MailMessage> prepare(const QString& text, int kind, int row, int backToNormal) {
    platform::MailMessage mail;
    try {
        mail = buildText(text, kind, row, backToNormal);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in SendMail"));
        return std::nullopt;
    }
    const formEmailAlertSetup& e = formEmailAlertSetup::instance();
    mail.to = e.txtEmailAddr->text();
    mail.cc = e.txtCCEmailAddr->text();
    return mail;
}

QStringList recipientsOf(const platform::MailMessage& mail) {
    QStringList out{mail.to, mail.cc};
    out.removeAll(QString());
    return out;
}

// A mail's turn among the alert channels: sign on (the mail program is there), compose, send;
// nothing stays open to sign off from. When it has ended, a failure's boxes are shown and told is
// told whether the mail program took the mail, and why not.
alertqueue::Channel handOver(const platform::MailMessage& mail,
                             std::function<void(bool, const QString&)> told) {
    auto handoff = std::make_shared<std::unique_ptr<platform::MailHandoffBackend>>();
    alertqueue::Channel channel;
    channel.start = [mail, told, handoff](std::function<void()> over) {
        *handoff = platform::createMailHandoff();
        auto ended = [told, over, handoff](platform::HandoffResult result) {
            handoff->reset();
            rt::UnattendedScope scope;
            const bool sent = result.kind == platform::HandoffResult::Sent;
            if (!sent) reportFailure(result);
            told(sent, result.description);
            over();
        };
        platform::HandoffResult notReady{platform::HandoffResult::CannotStart, QString()};
        if ((*handoff)->ready(&notReady.description))
            (*handoff)->deliver(platform::composeMessage(mail, platform::MailCarrier::MailProgram), ended);
        else
            ended(notReady);
    };
    channel.stop = [handoff] { handoff->reset(); };
    return channel;
}

} // namespace

void SendMail(const QString& text, int kind, int row, int /*slot*/, int backToNormal,
              std::function<void(bool)> done) {
    const std::optional<platform::MailMessage> mail = prepare(text, kind, row, backToNormal);
    if (!mail) {
        if (done) done(false);
        return;
    }
    alertqueue::Channel channel = handOver(*mail, [done](bool sent, const QString&) {
        if (done) done(sent);
    });
    channel.dropped = [done](alertqueue::DropReason) {
        if (done) done(false);
    };
    alertqueue::Ask(std::move(channel));
}

void QueueMail(const QString& text, int kind, int row, int /*slot*/, int backToNormal,
               std::function<void()> onFailed) {
    // The text is taken now: the reading, the names and the time the alert is about.
    const std::optional<platform::MailMessage> mail = prepare(text, kind, row, backToNormal);
    if (!mail) {
        if (onFailed) onFailed();
        return;
    }
    const QStringList to = recipientsOf(*mail);
    const QString subject = mail->subject;
    alertqueue::Channel channel = handOver(*mail, [to, subject, onFailed](bool sent, const QString& why) {
        if (sent) return;
        formEmailAlertSetup::instance().MailNotSent(to, subject, why);
        if (onFailed) onFailed();
    });
    channel.dropped = [to, subject](alertqueue::DropReason why) {
        formEmailAlertSetup& e = formEmailAlertSetup::instance();
        if (why == alertqueue::DropReason::ProgramEnded) {
            e.MailNotSent(to, subject, QStringLiteral("program ended"));
            return;
        }
        e.AddStatusLine(platform::queueFullLine(to, subject, alertqueue::DroppedSoFar()));
        e.MailNotSent(to, subject, QStringLiteral("mail queue full"));
    };
    alertqueue::Ask(std::move(channel));
}
