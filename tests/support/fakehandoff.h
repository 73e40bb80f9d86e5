#pragma once
#include <QByteArray>
#include <QList>
#include <functional>

#include "platform/mailhandoff.h"

// Takes the place of the workstation's mail program for its lifetime: every message handed over
// is kept, and each hand-off ends as the test sets (sent by default), from the event loop.
class FakeMailHandoff {
public:
    FakeMailHandoff();
    ~FakeMailHandoff();
    FakeMailHandoff(const FakeMailHandoff&) = delete;
    FakeMailHandoff& operator=(const FakeMailHandoff&) = delete;

    // The outcome of every later hand-off; CannotStart makes the program missing altogether.
    void setResult(platform::HandoffResult::Kind kind, const QString& description = QString());
    const QList<QByteArray>& messages() const { return m_messages; }
    // Runs once inside the next hand-off, after its message is kept: what a slow mail program
    // lets happen meanwhile.
    void duringNextHandoff(std::function<void()> f) { m_during = std::move(f); }

private:
    friend class FakeHandoffBackend;
    QList<QByteArray> m_messages;
    platform::HandoffResult m_result;
    std::function<void()> m_during;
};
