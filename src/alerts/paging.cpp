// The numeric paging dialogue of the pager window: dial, wait for the modem, send the figures,
// hang up.
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "alerts/paging.h"

#include "alerts/channelqueue.h"
#include "alerts/formPagingTextMessage.h"
#include "app/CorvisentMain.h"
#include "platform/mscomm.h"
#include "runtime/clock.h"
#include "runtime/controls.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/vb.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Program-time pause between two looks at the modem's replies, so that a modem answering a little
// late is still heard.
constexpr int kReplyPauseMs = 200;
// How long the modem may take to confirm the figures before the page counts as failed.
constexpr int kFiguresWaitMs = 30000;
// The dialling string sent in place of a reading when the sensor is not connected.
const QString kNotConnectedFigures = QStringLiteral("123-456-7890");

// A number as it may go into a dial command: no line ends or other control characters, and no
// ";" (which would end the command early).
QString dialText(const QString& text) {
    QString out;
    for (QChar c : rt::Trim(text))
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f && c != u';') out += c;
    return out;
}

// The figures a numeric pager can show: digits, "*" and "#"; the decimal point becomes "*".
QString pagerFigures(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c.isDigit() && c.unicode() < 0x80)
            out += c;
        else if (c == u'*' || c == u'#' || c == u'.')
            out += c == u'.' ? u'*' : c;
    }
    return out;
}

// What the pager is sent: the row's reading with "Send Reading" chosen or no fixed number typed,
// otherwise the fixed number. A sensor that is not connected sends a dialling string of its own; a
// reading without figures sends the fixed number, or "0".
QString figuresToSend(const formPagingTextMessage& w, int row) {
    const QString fixed = pagerFigures(w.txtNumToSend->text());
    if (!rt::optionValue(w.optSendReadingAsNumeric) && !rt::Trim(w.txtNumToSend->text()).isEmpty()) return fixed;
    const QString reading = rt::Ctl(CorvisentMain::instance().lblSensorReading, row)->text();
    if (reading == QLatin1String("OFF")) return kNotConnectedFigures;
    const QString figures = pagerFigures(reading);
    if (!figures.isEmpty()) return figures;
    return fixed.isEmpty() ? QStringLiteral("0") : fixed;
}

} // namespace

int SendNumericPage(int row, int kind, int phoneOnly) {
    return formPagingTextMessage::instance().SendNumericPage(row, kind, phoneOnly);
}

void QueueNumericPage(int row, int kind, int phoneOnly, std::function<void(int)> done) {
    formPagingTextMessage& pager = formPagingTextMessage::instance();
    // The figures are taken now: the reading the alert is about.
    const QString figures = figuresToSend(pager, row);
    alertqueue::Channel channel;
    channel.run = [row, kind, phoneOnly, figures, done] {
        const int result = formPagingTextMessage::instance().SendNumericPage(row, kind, phoneOnly, figures);
        if (done) done(result);
    };
    // A page that never runs counts as one that did not go through.
    channel.dropped = [done](alertqueue::DropReason) {
        if (done) done(1);
    };
    channel.key = QStringLiteral("page %1 %2 %3").arg(row).arg(kind).arg(phoneOnly);
    alertqueue::Ask(std::move(channel));
}

int formPagingTextMessage::SendNumericPage(int row, int kind, int phoneOnly, const QString& figures) {
    // A page asked for from inside a running one (a test page asked while the dialogue lets events
    // run) would dial into the running call and close the port under it: it waits its turn.
    if (m_paging) {
        const QueuedPage page{row, kind, phoneOnly, figures};
        if (!m_queued.contains(page)) m_queued.append(page);
        return 0;
    }
    m_paging = true;
    const int result = RunPage(row, phoneOnly, figures);
    while (!m_queued.isEmpty()) {
        const QueuedPage next = m_queued.takeFirst();
        RunPage(next.row, next.phoneOnly, next.figures);
    }
    m_paging = false;
    return result;
}

int formPagingTextMessage::RunPage(int row, int phoneOnly, const QString& figures) {
    try {
        return PageDialogue(row, phoneOnly, figures);
    } catch (const std::exception&) {
        rt::MsgBox(QStringLiteral("There was an error in SendNumericPage function"), rt::vbInformation);
        try {
            CloseModemPort();
        } catch (const std::exception&) {
        }
        return 1;
    }
}

int formPagingTextMessage::PageDialogue(int row, int phoneOnly, const QString& figuresAsked) {
    // The telephone number is dialled in place of the pager number; the pager number box keeps
    // its own number.
    const QString number = dialText(phoneOnly == 1 ? txtPhoneNumber->text() : txtNumToCall->text());
    if (number.isEmpty()) {
        rt::MsgBox(QStringLiteral("You must enter a number to dial before sending a page."), rt::vbInformation);
        return 0;
    }
    const QString figures = figuresAsked.isEmpty() ? figuresToSend(*this, row) : figuresAsked;
    if (!DialNumber(number)) return 1;

    if (phoneOnly == 1) {
        // The telephone has rung; nothing is sent and no reply is read.
        CloseModemPort();
        HangUpModem();
        return 0;
    }
    if (const int failed = AwaitDialled()) return failed;
    return SendFigures(figures);
}

bool formPagingTextMessage::DialNumber(const QString& number) {
    if (!MSCommForPaging->portOpen()) OpenModemPort();
    if (!MSCommForPaging->portOpen()) {
        rt::MsgBox(QStringLiteral("The port was not opened."), rt::vbInformation);
        return false;
    }

    rt::Wait(1500);
    MSCommForPaging->setOutput(QStringLiteral("ATDT") + number + QStringLiteral(",,,,,,,,,,;") + u'\r');
    rt::Hourglass hourglass;
    rt::Wait(15000);
    return true;
}

int formPagingTextMessage::AwaitDialled() {
    QString reply;
    for (int pass = 1; pass <= 10; ++pass) {
        if (pass > 1) rt::Wait(kReplyPauseMs);
        rt::DoEvents();
        reply += platform::ansiText(MSCommForPaging->input());
        if (reply.isEmpty()) {
            rt::MsgBox(QStringLiteral("No response."), rt::vbInformation);
            return FailureEnd();
        }
        if (reply.contains(QStringLiteral("BUSY") + kCrLf)) {
            rt::MsgBox(QStringLiteral("Telephone Busy.  Try Again later"));
            return FailureEnd();
        }
        if (reply.contains(QStringLiteral("ERROR") + kCrLf)) {
            rt::MsgBox(QStringLiteral("There was a modem error.  Check the number to dial."));
            return FailureEnd();
        }
        if (reply.contains(QStringLiteral("NO DIAL TONE"))) {
            rt::MsgBox(QStringLiteral("No dial tone."));
            return FailureEnd();
        }
        if (reply.contains(QStringLiteral("OK") + kCrLf)) return 0;
    }
    return FailureEnd();
}

int formPagingTextMessage::SendFigures(const QString& figures) {
    MSCommForPaging->setOutput(QStringLiteral("ATDT") + figures + u'\r');
    QString reply;
    const qint64 giveUpAt = rt::Clock::elapsedMs() + kFiguresWaitMs;
    while (!reply.contains(QStringLiteral("OK") + kCrLf)) {
        if (rt::Clock::elapsedMs() >= giveUpAt) return FailureEnd();
        rt::Wait(kReplyPauseMs);
        reply += platform::ansiText(MSCommForPaging->input());
        if (reply.contains(QStringLiteral("ERROR"))) {
            rt::MsgBox(QStringLiteral("There was a modem error."));
            return FailureEnd();
        }
    }
    HangUpModem();
    CloseModemPort();
    return 0;
}

int formPagingTextMessage::FailureEnd() {
    HangUpModem();
    rt::MsgBox(QStringLiteral("Warning: The page did not go through.  Now closing the port."));
    CloseModemPort();
    return 1;
}

void formPagingTextMessage::HangUpModem() {
    try {
        if (MSCommForPaging->portOpen()) {
            MSCommForPaging->setOutput(QStringLiteral("ATH0\r"));
            QString reply;
            for (int pass = 1; pass <= 4; ++pass) {
                if (pass > 1) rt::Wait(kReplyPauseMs);
                rt::DoEvents();
                reply += platform::ansiText(MSCommForPaging->input());
                if (reply.contains(QStringLiteral("NO CARRIER") + kCrLf)) break;
            }
        }
        CloseModemPort();
    } catch (const std::exception&) {
    }
}
