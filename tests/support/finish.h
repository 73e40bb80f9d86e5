#pragma once
// Running an exchange to its end from a test: the exchange suspends at its pauses, so a handler
// called from a test returns at its first pause; finish() lets the program run until the
// exchange has ended (or boundMs of program time have passed) and gives its result.
#include <QtTest>
#include <memory>
#include <optional>

#include "runtime/clock.h"
#include "runtime/task.h"
#include "support/wait.h"

template <typename T>
T finish(rt::Task<T> task, int boundMs = 30 * 60000) {
    auto state = std::make_shared<std::optional<T>>();
    auto then = task.then([state](T value) { *state = std::move(value); });
    rt::WaitUntil([&] { return state->has_value(); }, boundMs);
    if (!state->has_value()) {
        QTest::qFail("the exchange did not end in time", __FILE__, __LINE__);
        return T();
    }
    return std::move(**state);
}

inline void finish(rt::Task<> task, int boundMs = 30 * 60000) {
    auto done = std::make_shared<bool>(false);
    auto then = task.then([done] { *done = true; });
    rt::WaitUntil([&] { return *done; }, boundMs);
    if (!*done) QTest::qFail("the exchange did not end in time", __FILE__, __LINE__);
}
