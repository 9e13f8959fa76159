#pragma once
// The USB access library over libusb, for a real FX2 board.

#include "link/UsbAccess.h"

#include <memory>

namespace cv {

class LibUsbAccess final : public UsbAccess {
public:
    LibUsbAccess();
    // Connect claims interface 0 of the n-th matching device; the handle and
    // the libusb context are released when this object goes.
    ~LibUsbAccess() override;

    int16_t Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                              uint8_t* boardList128) override;
    int16_t Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                    int32_t& handle) override;
    int16_t Download_Firmware(int32_t handle, const char* path) override;
    int16_t Vendor_Request(int32_t handle, uint8_t request, uint32_t value, uint16_t index,
                           uint8_t direction, int32_t length, uint8_t* buffer) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace cv
