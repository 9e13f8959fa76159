#include "link/LibUsbAccess.h"

namespace cv {

// The libusb transport is not written yet: every board search fails, so
// start-up reports that the firmware cannot be downloaded.
struct LibUsbAccess::Impl {};

LibUsbAccess::LibUsbAccess() : d_(std::make_unique<Impl>()) {}
LibUsbAccess::~LibUsbAccess() = default;

int16_t LibUsbAccess::Search_For_Boards(uint32_t, uint32_t, int32_t& boardCount, uint8_t*)
{
    boardCount = 0;
    return 1;
}

int16_t LibUsbAccess::Connect(uint32_t, uint32_t, uint8_t, int32_t&) { return 1; }

int16_t LibUsbAccess::Download_Firmware(int32_t, const char*) { return -1; }

int16_t LibUsbAccess::Vendor_Request(int32_t, uint8_t, uint32_t, uint16_t, uint8_t, int32_t,
                                     uint8_t*)
{
    return 1;
}

} // namespace cv
