#pragma once
#include <functional>

#include "runtime/error.h"

// The run-time error number a call raises, or 0 when it returns normally.
inline int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const rt::VbError& e) {
        return e.number();
    }
    return 0;
}
