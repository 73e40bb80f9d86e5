#pragma once
#include <QString>

#include "runtime/task.h"

class ezVidCap;

// Helpers shared by the camera procedures of the setup window and of the main window.
namespace modSupport {

// Attaches a capture control to a driver, looked for by its name first, and waits for its first
// picture; false when the camera did not start (the control tells why).
rt::Task<bool> AttachCamera(ezVidCap* view, int driver, const QString& driverName);
// Whether the summary view shows a camera (its cover is down).
bool SummaryShowsCamera();
// Tells the user that the named camera could not be connected, and why.
void ReportCameraNotStarted(const QString& camera, const QString& driverName, const QString& why);
// A new capture file in the "capturefiles" folder: the prefix of the setup window, the date-time
// stamp and the extension (".bmp", ".avi"). A name already taken gets "_1", "_2", ... so no
// earlier picture is replaced.
QString NewCaptureFile(const QString& extension);

} // namespace modSupport
