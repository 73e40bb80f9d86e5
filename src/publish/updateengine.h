#pragma once

// Logs in to the FTP server of the remote monitoring settings and starts the scheduled updates.
void StartInternetUpdateEngine();
