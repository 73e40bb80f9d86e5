#pragma once
#include <QByteArray>
#include <QList>

#include "platform/mailhandoff.h"

// Takes the place of the workstation's mail program for its lifetime: every message handed over
// is kept, and each hand-off ends as the test sets (sent by default).
class FakeMailHandoff {
public:
    FakeMailHandoff();
    ~FakeMailHandoff();
    FakeMailHandoff(const FakeMailHandoff&) = delete;
    FakeMailHandoff& operator=(const FakeMailHandoff&) = delete;

    // The outcome of every later hand-off; CannotStart makes the program missing altogether.
    void setResult(platform::HandoffResult::Kind kind, const QString& description = QString());
    const QList<QByteArray>& messages() const { return m_messages; }

private:
    friend class FakeHandoffBackend;
    QList<QByteArray> m_messages;
    platform::HandoffResult m_result;
};
