#pragma once

// Numeric page or telephone call through the modem for an alert of the kind on the device row;
// phoneOnly 1 rings the telephone instead of sending figures. Returns 0 when done, 1 when it
// failed.
int SendNumericPage(int row, int kind, int phoneOnly);
