// Alert mail through the workstation's mail hand-off: its own wording of the alert text, the
// message handed to the mail program, and the user's boxes when that fails.
#include "alerts/mapimail.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "alerts/formEmailAlertSetup.h"
#include "app/CorvisentMain.h"
#include "platform/mailhandoff.h"
#include "platform/mailtext.h"
#include "runtime/controls.h"
#include "runtime/format.h"
#include "runtime/msgbox.h"
#include "sensors/sensorops.h"
#include "settings/modSupport.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

struct MailText {
    QString subject;
    QString body;
};

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

MailText buildText(const QString& text, int kind, int row, int backToNormal) {
    const CorvisentMain& m = CorvisentMain::instance();
    const formEmailAlertSetup& e = formEmailAlertSetup::instance();
    const QString unit = rt::caption(modSupport::Ctl(m.lblMeasure, row));
    const QString name = rt::caption(modSupport::Ctl(m.lblSensor1, row));
    const bool inSubject = rt::ticked(e.chkInclude[3]);

    MailText mail;
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

// A header value on one line: line ends and other control characters would start new headers
// (or new recipients) in the message handed over.
QString headerValue(const QString& text) {
    QString out;
    for (QChar c : text)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f) out += c;
    return out.trimmed();
}

// The message as the mail program takes it: To, Cc when given, Subject, the MIME lines, an empty
// line and the body, every line ended by a line feed and kept within the mail line limit. The
// program adds the sender and the date.
QByteArray composeHandoff(const QString& to, const QString& cc, const MailText& mail) {
    const QString subject = headerValue(mail.subject);
    QByteArray m = "To: " + headerValue(to).toUtf8() + '\n';
    if (!headerValue(cc).isEmpty()) m += "Cc: " + headerValue(cc).toUtf8() + '\n';
    if (platform::isAsciiText(subject))
        m += "Subject: " + subject.toLatin1() + '\n';
    else
        m += "Subject: =?UTF-8?B?" + subject.toUtf8().toBase64() + "?=\n";
    m += "MIME-Version: 1.0\n";
    const bool ascii = platform::isAsciiText(mail.body);
    m += ascii ? "Content-Type: text/plain; charset=\"us-ascii\"\nContent-Transfer-Encoding: 7bit\n\n"
               : "Content-Type: text/plain; charset=\"utf-8\"\nContent-Transfer-Encoding: 8bit\n\n";
    m += platform::mailBodyLines(mail.body).join(u'\n').toUtf8();
    return m;
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

} // namespace

bool SendMail(const QString& text, int kind, int row, int /*slot*/, int backToNormal) {
    MailText mail;
    try {
        mail = buildText(text, kind, row, backToNormal);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("Error in SendMail"));
        return false;
    }
    const formEmailAlertSetup& e = formEmailAlertSetup::instance();
    // Sign on (the mail program is there), compose, send; nothing stays open to sign off from.
    std::unique_ptr<platform::MailHandoffBackend> handoff = platform::createMailHandoff();
    platform::HandoffResult result;
    if (!handoff->ready(&result.description)) {
        result.kind = platform::HandoffResult::CannotStart;
    } else {
        result = handoff->deliver(composeHandoff(e.txtEmailAddr->text(), e.txtCCEmailAddr->text(), mail));
    }
    if (result.kind == platform::HandoffResult::Sent) return true;
    reportFailure(result);
    return false;
}
