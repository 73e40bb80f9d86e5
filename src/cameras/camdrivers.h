#pragma once

// Checks the camera driver keys of the capture drivers at start-up.
void CheckCamDrivers();
