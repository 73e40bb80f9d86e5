#pragma once
#include <functional>

#include "runtime/clock.h"

// Waits for tests: they run the event loop on the test's stack until what the test waits for has
// happened, so the program's own (suspended) waits, timers and ports go on inside them. The
// program itself never waits this way.
namespace rt {

// Lets events run until ms of program time have passed. Ends at once when the program has been
// asked to end.
void Wait(int ms);
// Lets events run until pred() holds or ms of program time have passed; true when pred() held.
// Ends at once (with pred()'s value) when the program has been asked to end.
bool WaitUntil(const std::function<bool()>& pred, int ms);
// The same on real time, whatever the speed of the program clock (cameras keep their own pace).
bool WaitUntilReal(const std::function<bool()>& pred, int realMs, AtEnd atEnd = AtEnd::Return);

} // namespace rt
