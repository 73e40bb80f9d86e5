#pragma once
#include <QString>

// What connecting a camera row asks of the camera driver code besides the setup dialog's camera
// procedures: the driver's resolution setting. Kept by src/cameras/camdrivers.cpp, which declares
// the rest of the camera driver's keys in cameras/camdrivers.h.
namespace modSupport {

// Writes the resolution profile used at the row's next camera attach; "" means "2". With the
// several-camera setup on it goes to the row's driver instance ("UsedByDriver"), nothing when the
// row has none.
void SetCamResolution(int row, const QString& value);

} // namespace modSupport
