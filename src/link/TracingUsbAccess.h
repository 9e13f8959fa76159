#pragma once
// A UsbAccess that passes every call to another and reports each vendor
// request: the --usb-log trace and the tests' recording transport.

#include "link/UsbAccess.h"

#include <array>
#include <functional>
#include <optional>

class QString;

namespace cv {

struct VendorRecord {
    int64_t timeUs = 0;
    uint8_t request = 0;
    uint32_t value = 0;
    uint16_t index = 0;
    uint8_t direction = 0;
    int32_t length = 0;
    int16_t status = 0;
    // Bytes sent (direction 0) or received (direction 1).
    std::array<uint8_t, 64> bytes{};
};

// A register access seen on the wire.
struct RegisterOp {
    bool write = false;
    int16_t target = 0;
    int address = 0;
    int count = 0; // reads
    int value = 0; // writes
    uint16_t index = 0;
    friend bool operator==(const RegisterOp&, const RegisterOp&) = default;
};
std::optional<RegisterOp> decodeRegisterOp(const VendorRecord& r);

// One line of the USB trace: ms, request, value, index, direction, length,
// status, 64 bytes in hex.
QString usbLogLine(const VendorRecord& r);

class TracingUsbAccess final : public UsbAccess {
public:
    using Sink = std::function<void(const VendorRecord&)>;
    TracingUsbAccess(UsbAccess& inner, Sink sink, std::function<int64_t()> nowUs);

    int16_t Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                              uint8_t* boardList128) override;
    int16_t Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                    int32_t& handle) override;
    int16_t Download_Firmware(int32_t handle, const char* path) override;
    int16_t Vendor_Request(int32_t handle, uint8_t request, uint32_t value, uint16_t index,
                           uint8_t direction, int32_t length, uint8_t* buffer) override;
    std::optional<BoardBlockCounts> blockCounts() const override { return inner_.blockCounts(); }
    QString failureDetail() const override { return inner_.failureDetail(); }
    QString boardLocation() const override { return inner_.boardLocation(); }
    ~TracingUsbAccess() override;

private:
    UsbAccess& inner_;
    Sink sink_;
    std::function<int64_t()> nowUs_;
};

} // namespace cv
