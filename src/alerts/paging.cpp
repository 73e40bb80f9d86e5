// The numeric paging dialogue of the pager window: dial, wait for the modem, send the figures,
// hang up.
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>
#include <optional>
#include <vector>

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

// The callers told the result of one page: its own caller, and those who asked for the same page
// while it waited or ran.
struct PageCallers {
    std::vector<std::function<void(int)>> told;
};

// The latest page of each key that waits or runs: the one a repeat of it joins.
QHash<QString, std::shared_ptr<PageCallers>>& pagesUnderWay() {
    static QHash<QString, std::shared_ptr<PageCallers>> pages;
    return pages;
}

// One more caller of a page under way. Its callers are bounded as the queue is: when one more
// comes, the oldest is told the page did not go through.
void join(PageCallers& page, std::function<void(int)> caller) {
    if (int(page.told.size()) >= alertqueue::kLimit) {
        const std::function<void(int)> oldest = std::move(page.told.front());
        page.told.erase(page.told.begin());
        oldest(1);
    }
    page.told.push_back(std::move(caller));
}

// The page is over (result 0 done, 1 failed) or dropped: every caller hears it once.
void tellCallers(const QString& key, const std::shared_ptr<PageCallers>& callers, int result) {
    if (pagesUnderWay().value(key) == callers) pagesUnderWay().remove(key);
    const std::vector<std::function<void(int)>> told = std::exchange(callers->told, {});
    for (const std::function<void(int)>& caller : told) caller(result);
}

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

const QString kHangUp = QStringLiteral("ATH0\r");

} // namespace

// One page or telephone call: the dialogue's steps, each run from the event loop after its pause,
// so that nothing waits on the stack for the modem. At the program's end it hangs up instead of
// going on.
class PageCall : public std::enable_shared_from_this<PageCall> {
public:
    PageCall(int row, int phoneOnly, QString figures, std::function<void(int)> done)
        : m_row(row), m_phoneOnly(phoneOnly), m_figures(std::move(figures)), m_done(std::move(done)) {}

    void begin() {
        guarded([this] { dial(); });
    }

    // Hangs up at once; done is not called.
    void stop() {
        if (m_over) return;
        m_over = true;
        m_hourglass.reset();
        pager().HangUpModem();
    }

private:
    static formPagingTextMessage& pager() { return formPagingTextMessage::instance(); }
    static platform::MSCommControl* modem() { return pager().MSCommForPaging; }

    void after(int ms, std::function<void()> step) {
        alertqueue::After(ms, &pager(), [self = shared_from_this(), step = std::move(step)] {
            if (self->m_over) return;
            if (rt::QuitRequested()) {
                self->stop();
                self->finish(1);
                return;
            }
            self->guarded(step);
        });
    }

    void guarded(const std::function<void()>& step) {
        try {
            step();
        } catch (const std::exception&) {
            rt::MsgBox(QStringLiteral("There was an error in SendNumericPage function"), rt::vbInformation);
            try {
                pager().CloseModemPort();
            } catch (const std::exception&) {
            }
            end(1);
        }
    }

    // The telephone number is dialled in place of the pager number; the pager number box keeps its
    // own number.
    void dial() {
        formPagingTextMessage& w = pager();
        const QString number = dialText(m_phoneOnly == 1 ? w.txtPhoneNumber->text() : w.txtNumToCall->text());
        if (number.isEmpty()) {
            rt::MsgBox(QStringLiteral("You must enter a number to dial before sending a page."),
                       rt::vbInformation);
            return end(0);
        }
        if (m_figures.isEmpty()) m_figures = figuresToSend(w, m_row);
        if (!modem()->portOpen()) w.OpenModemPort();
        if (!modem()->portOpen()) {
            rt::MsgBox(QStringLiteral("The port was not opened."), rt::vbInformation);
            return end(1);
        }
        after(1500, [this, number] {
            modem()->setOutput(QStringLiteral("ATDT") + number + QStringLiteral(",,,,,,,,,,;") + u'\r');
            m_hourglass.emplace();
            after(15000, [this] {
                m_hourglass.reset();
                dialled();
            });
        });
    }

    void dialled() {
        if (m_phoneOnly == 1) {
            // The telephone has rung; nothing is sent and no reply is read.
            pager().CloseModemPort();
            return end(0);
        }
        m_reply.clear();
        m_pass = 0;
        awaitDialled();
    }

    // Up to ten looks at the modem's answer to the dial command, a short pause apart.
    void awaitDialled() {
        ++m_pass;
        m_reply += platform::ansiText(modem()->input());
        if (m_reply.isEmpty()) {
            rt::MsgBox(QStringLiteral("No response."), rt::vbInformation);
            return failureEnd();
        }
        const char* failure = nullptr;
        if (m_reply.contains(QStringLiteral("BUSY") + kCrLf))
            failure = "Telephone Busy.  Try Again later";
        else if (m_reply.contains(QStringLiteral("ERROR") + kCrLf))
            failure = "There was a modem error.  Check the number to dial.";
        else if (m_reply.contains(QStringLiteral("NO DIAL TONE")))
            failure = "No dial tone.";
        if (failure) {
            rt::MsgBox(QLatin1String(failure));
            return failureEnd();
        }
        if (m_reply.contains(QStringLiteral("OK") + kCrLf)) return sendFigures();
        if (m_pass >= 10) return failureEnd();
        after(kReplyPauseMs, [this] { awaitDialled(); });
    }

    void sendFigures() {
        modem()->setOutput(QStringLiteral("ATDT") + m_figures + u'\r');
        m_reply.clear();
        m_giveUpAt = rt::Clock::elapsedMs() + kFiguresWaitMs;
        awaitFigures();
    }

    void awaitFigures() {
        if (m_reply.contains(QStringLiteral("OK") + kCrLf)) return hangUp([this] { end(0); });
        if (rt::Clock::elapsedMs() >= m_giveUpAt) return failureEnd();
        after(kReplyPauseMs, [this] {
            m_reply += platform::ansiText(modem()->input());
            if (m_reply.contains(QStringLiteral("ERROR"))) {
                rt::MsgBox(QStringLiteral("There was a modem error."));
                return failureEnd();
            }
            awaitFigures();
        });
    }

    void failureEnd() {
        hangUp([this] {
            rt::MsgBox(QStringLiteral("Warning: The page did not go through.  Now closing the port."));
            end(1);
        });
    }

    // Sends the hang-up, looks up to four times for the modem's "NO CARRIER", closes the port, then
    // goes on. A failure of the port here is passed over.
    void hangUp(std::function<void()> then) {
        m_reply.clear();
        m_pass = 0;
        try {
            if (modem()->portOpen()) {
                modem()->setOutput(kHangUp);
                return awaitHangUp(std::move(then));
            }
        } catch (const std::exception&) {
        }
        closeThen(then);
    }

    void awaitHangUp(std::function<void()> then) {
        ++m_pass;
        try {
            m_reply += platform::ansiText(modem()->input());
        } catch (const std::exception&) {
            return closeThen(then);
        }
        if (m_reply.contains(QStringLiteral("NO CARRIER") + kCrLf) || m_pass >= 4) return closeThen(then);
        after(kReplyPauseMs, [this, then] { awaitHangUp(then); });
    }

    void closeThen(const std::function<void()>& then) {
        try {
            pager().CloseModemPort();
        } catch (const std::exception&) {
        }
        then();
    }

    void end(int result) {
        m_over = true;
        m_hourglass.reset();
        finish(result);
    }

    void finish(int result) {
        if (const auto done = std::exchange(m_done, {})) done(result);
    }

    const int m_row;
    const int m_phoneOnly;
    QString m_figures;
    std::function<void(int)> m_done;
    bool m_over = false;
    std::optional<rt::Hourglass> m_hourglass; // during the wait after dialling
    QString m_reply;                          // the modem's replies collected so far
    int m_pass = 0;
    qint64 m_giveUpAt = 0;
};

void QueueNumericPage(int row, int kind, int phoneOnly, std::function<void(int)> done) {
    formPagingTextMessage& pager = formPagingTextMessage::instance();
    // The figures are taken now: the reading the alert is about.
    pager.SendNumericPage(row, kind, phoneOnly, std::move(done), figuresToSend(pager, row));
}

void formPagingTextMessage::SendNumericPage(int row, int kind, int phoneOnly, std::function<void(int)> done,
                                            const QString& figures) {
    // One dialogue at a time: a page asked for while another runs waits its turn in the queue
    // and never dials into the call in progress. The same page asked for again while the queue
    // works (it waits or runs) is not dialled again: its caller hears the result of the one that
    // goes.
    const QString key = QStringLiteral("page %1 %2 %3").arg(row).arg(kind).arg(phoneOnly);
    auto callers = std::make_shared<PageCallers>();
    if (done) callers->told.push_back(std::move(done));
    auto call = std::make_shared<std::shared_ptr<PageCall>>();
    alertqueue::Channel channel;
    channel.start = [call, row, phoneOnly, figures, key, callers](std::function<void()> over) {
        *call = std::make_shared<PageCall>(row, phoneOnly, figures, [key, callers, over](int result) {
            // Over first: a caller that asks for the same page again now asks for a new one.
            const QString page = key;
            const std::shared_ptr<PageCallers> told = callers;
            over();
            tellCallers(page, told, result);
        });
        (*call)->begin();
    };
    channel.stop = [call] {
        if (*call) (*call)->stop();
    };
    channel.dropped = [key, callers](alertqueue::DropReason why) {
        const std::shared_ptr<PageCallers> going = pagesUnderWay().value(key);
        if (why == alertqueue::DropReason::AlreadyAsked && going && going != callers) {
            for (std::function<void(int)>& caller : std::exchange(callers->told, {})) join(*going, std::move(caller));
            return;
        }
        // A page that never runs counts as one that did not go through.
        tellCallers(key, callers, 1);
    };
    channel.key = key;
    // Taken by the queue: the same page asked for from now on joins this one.
    if (alertqueue::Ask(std::move(channel))) pagesUnderWay().insert(key, callers);
}

void formPagingTextMessage::HangUpModem() {
    try {
        if (MSCommForPaging->portOpen()) MSCommForPaging->setOutput(kHangUp);
        CloseModemPort();
    } catch (const std::exception&) {
    }
}
