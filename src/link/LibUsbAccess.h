#pragma once
// The USB access library for a real FX2 board, over a UsbBackend (libusb,
// or the emulated FX2 that proves this code without hardware).

#include "link/IntelHex.h"
#include "link/UsbAccess.h"
#include "link/UsbBackend.h"

#include <memory>

namespace cv {

// Where the firmware load may write: the FX2's on-chip program/data RAM and
// its scratch RAM. CPUCS holds the 8051 in reset while its bit 0 is 1.
namespace fx2 {
constexpr uint8_t kFirmwareLoad = 0xA0;
constexpr uint16_t kCpuCs = 0xE600;
constexpr uint32_t kProgramRamEnd = 0x3FFF;
constexpr uint32_t kScratchRamBegin = 0xE000;
constexpr uint32_t kScratchRamEnd = 0xE1FF;
constexpr bool inOnChipRam(uint32_t a)
{
    return a <= kProgramRamEnd || (a >= kScratchRamBegin && a <= kScratchRamEnd);
}
// Why a firmware file cannot be loaded (unreadable, empty, or a byte
// outside on-chip RAM), or nothing when it can.
QString imageProblem(const QString& file, const HexResult& hex);
constexpr int kLoadChunk = 1024;
constexpr unsigned kRequestTimeoutMs = 1000;
// After the CPU is let go: first look for the board again, then every step,
// until the limit.
constexpr int kReturnFirstLookMs = 300;
constexpr int kReturnStepMs = 100;
constexpr int kReturnLimitMs = 3000;
} // namespace fx2

class LibUsbAccess final : public UsbAccess {
public:
    // libusb; the search takes any of our boards.
    LibUsbAccess();
    // `portPath` ("BUS-PORTS", as --board usb: names it) restricts the search
    // to that one device, which may then also be an unprogrammed FX2.
    explicit LibUsbAccess(std::unique_ptr<UsbBackend> backend, QString portPath = {});
    ~LibUsbAccess() override;

    // Finds the devices whose identifiers are vendorId with productId - 2 ..
    // productId (the EEPROM record rows) or productId + 1 (the running firmware).
    int16_t Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                              uint8_t* boardList128) override;
    // Opens the n-th board of the search and claims interface 0.
    int16_t Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                    int32_t& handle) override;
    // Loads the image through the boot ROM, waits for the board to come back
    // under the protocol firmware and checks that it answers.
    int16_t Download_Firmware(int32_t handle, const char* path) override;
    // 64-byte vendor request, 1 s timeout. A short IN reply is good: the
    // bytes it does not reach keep what they held.
    int16_t Vendor_Request(int32_t handle, uint8_t request, uint32_t value, uint16_t index,
                           uint8_t direction, int32_t length, uint8_t* buffer) override;

    QString failureDetail() const override { return detail_; }
    QString boardLocation() const override;
    void setInternalTransferSink(std::function<void(const VendorRecord&)> sink) override;

    static constexpr int32_t kHandle = 1;

private:
    std::vector<UsbDeviceInfo> candidates(uint32_t vendorId, uint32_t productId);
    bool openBoard(const UsbDeviceInfo& device);
    int control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
                uint16_t length, bool report);
    bool waitForReturn(const UsbDeviceInfo& before);
    int16_t refuse(int16_t status, const QString& detail);

    std::unique_ptr<UsbBackend> backend_;
    QString port_;
    std::unique_ptr<UsbDeviceHandle> handle_;
    UsbDeviceInfo device_;
    QString detail_;
    std::function<void(const VendorRecord&)> sink_;
};

// The udev rule that gives the logged-in user the board, and how to install it.
QString udevRuleAdvice();

} // namespace cv
