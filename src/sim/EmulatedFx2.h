#pragma once
// An emulated USB bus with FX2 boards on it, for the real-board code path
// without hardware. Each board's boot ROM takes firmware loads (request
// 0xA0) into on-chip RAM and CPUCS at 0xE600 and holds the CPU in reset
// while CPUCS is 1. Let go with an image at the reset vector, the board
// leaves the bus, comes back after a delay as the protocol firmware and
// answers vendor requests through the simulated board's firmware and chip.

#include "link/UsbBackend.h"
#include "platform/Clock.h"
#include "sim/SimBoard.h"

#include <QByteArray>
#include <memory>
#include <vector>

namespace cv::sim {

// A failure rehearsed on the protocol firmware's requests, counted from the
// first one the host makes (the library's check after the download is the first).
struct Fx2Fault {
    enum Kind { None, Stall, Timeout, Unplug } kind = None;
    // Stall, Timeout: the request number (from 1). Unplug: milliseconds
    // after the first request.
    int64_t at = 0;
};

struct Fx2DeviceConfig {
    uint8_t bus = 1;
    QString ports = QStringLiteral("2");
    SimConfig board; // the chip, firmware and sensors behind the controller
    // An empty EEPROM: the boot ROM answers as 04B4:8613.
    bool blank = false;
    // Away from the bus after the CPU is let go; negative: never back.
    int returnDelayMs = 500;
    // The CPUCS write that lets the CPU go gets an I/O error, as when the
    // board leaves the bus before it acknowledges.
    bool releaseFails = false;
    // The protocol firmware's IN replies are cut to this many bytes.
    int replyBytes = 64;
    // Claiming the interface fails with this UsbError (UsbBusy: another
    // program holds the board).
    int claimError = 0;
    Fx2Fault fault;
};

class EmulatedFx2 final : public UsbBackend {
public:
    explicit EmulatedFx2(const Clock& clock);
    ~EmulatedFx2() override;

    // Plugs a board in (powered up, in its boot ROM); returns its simulation.
    SimBoard& plug(Fx2DeviceConfig config);
    // Pulls the board at "BUS-PORTS" out: open handles fail from now on.
    void unplug(const QString& portPath);

    std::vector<UsbDeviceInfo> devices() override;
    // A handle's controlTransfer returns this for a request left unanswered
    // with no time limit (timeout 0): the caller holds it until it gives up.
    // With a limit the handle waits that long (a pause) and times out.
    static constexpr int kPending = -1000;
    std::unique_ptr<UsbDeviceHandle> open(const UsbDeviceInfo& device, int* error) override;

    // Every control transfer a board saw, in order.
    struct Transfer {
        QString port;
        uint8_t requestType = 0;
        uint8_t request = 0;
        uint16_t value = 0;
        uint16_t index = 0;
        uint16_t length = 0;
        int result = 0;
        QByteArray sent; // OUT data
        friend bool operator==(const Transfer&, const Transfer&) = default;
    };
    const std::vector<Transfer>& transfers() const { return transfers_; }
    void clearTransfers() { transfers_.clear(); }

    bool cpuHeldInReset(const QString& portPath) const;

    struct Device;

private:
    friend class EmulatedHandle;
    Device* find(const QString& portPath) const;
    void settle(Device& d);
    UsbDeviceInfo infoOf(const Device& d) const;
    int transfer(Device& d, uint64_t generation, uint8_t requestType, uint8_t request,
                 uint16_t value, uint16_t index, uint8_t* data, uint16_t length);

    const Clock& clock_;
    std::vector<std::unique_ptr<Device>> devices_;
    std::vector<Transfer> transfers_;
    uint8_t nextAddress_ = 2;
};

} // namespace cv::sim
