#include "support/fakehandoff.h"

#include <utility>

class FakeHandoffBackend : public platform::MailHandoffBackend {
public:
    explicit FakeHandoffBackend(FakeMailHandoff* owner) : m_owner(owner) {}
    bool ready(QString* description) override {
        if (m_owner->m_result.kind != platform::HandoffResult::CannotStart) return true;
        *description = m_owner->m_result.description;
        return false;
    }
    platform::HandoffResult deliver(const QByteArray& message) override {
        m_owner->m_messages.append(message);
        if (auto during = std::exchange(m_owner->m_during, {})) during();
        return m_owner->m_result;
    }

private:
    FakeMailHandoff* m_owner;
};

FakeMailHandoff::FakeMailHandoff() {
    platform::setMailHandoffFactory([this] { return std::make_unique<FakeHandoffBackend>(this); });
}

FakeMailHandoff::~FakeMailHandoff() {
    platform::setMailHandoffFactory({});
}

void FakeMailHandoff::setResult(platform::HandoffResult::Kind kind, const QString& description) {
    m_result = {kind, description};
}
