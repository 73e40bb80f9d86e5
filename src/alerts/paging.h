#pragma once
#include <functional>

// Numeric page or telephone call through the modem asked for by an alert check for the kind on
// the device row; phoneOnly 1 rings the telephone instead of sending figures. The figures are
// taken now and the page runs after the check's handler has returned, in turn with the other
// waiting channels; done gets its result: 0 done, 1 failed (1 as well when it was dropped without
// running). While channels run, a page already waiting is not asked again.
void QueueNumericPage(int row, int kind, int phoneOnly, std::function<void(int)> done = {});
