#pragma once
#include <functional>

// Numeric page or telephone call through the modem for an alert of the kind on the device row;
// phoneOnly 1 rings the telephone instead of sending figures. Returns 0 when done, 1 when it
// failed.
int SendNumericPage(int row, int kind, int phoneOnly);
// The same page asked for by an alert check: the figures are taken now and the page runs after
// the check's handler has returned, in turn with the other waiting channels; done gets its result
// (1 as well when it was dropped without running). While channels run, a page already waiting is
// not asked again.
void QueueNumericPage(int row, int kind, int phoneOnly, std::function<void(int)> done = {});
