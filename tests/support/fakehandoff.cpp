#include "support/fakehandoff.h"

#include <QTimer>
#include <memory>
#include <utility>

class FakeHandoffBackend : public platform::MailHandoffBackend {
public:
    explicit FakeHandoffBackend(FakeMailHandoff* owner) : m_owner(owner) {}
    bool ready(QString* description) override {
        if (m_owner->m_result.kind != platform::HandoffResult::CannotStart) return true;
        *description = m_owner->m_result.description;
        return false;
    }
    void deliver(const QByteArray& message,
                 std::function<void(const platform::HandoffResult&)> done) override {
        m_owner->m_messages.append(message);
        m_done = std::move(done);
        // From the event loop, as a mail program's end is heard; a stopped hand-off never reports.
        QTimer::singleShot(0, [this, alive = std::weak_ptr<bool>(m_alive)] {
            if (alive.expired()) return;
            if (auto during = std::exchange(m_owner->m_during, {})) during();
            if (alive.expired()) return;
            std::exchange(m_done, {})(m_owner->m_result); // may delete this backend
        });
    }

private:
    FakeMailHandoff* m_owner;
    std::function<void(const platform::HandoffResult&)> m_done;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
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
