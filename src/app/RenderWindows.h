#pragma once
#include <QString>

namespace cv {

class UsbAccess;

// Opens every window offscreen on the given (simulated) board and writes
// one PNG per window, named after its class, into `dir`. Returns 0 on success.
int renderAllWindows(const QString& dir, UsbAccess& access, const QString& appFolder,
                     const QString& boardDescription);

} // namespace cv
