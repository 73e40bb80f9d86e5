#pragma once
#include "alerts/alertchecks.h"

// Tests that include this read the alert checks' call record, which is off in the program.
inline const bool kAlertCallsRecorded = (setAlertCallRecording(true), true);
