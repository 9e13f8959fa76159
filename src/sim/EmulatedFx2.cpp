#include "sim/EmulatedFx2.h"

#include "sim/EmulatedFx2Standard.h"

#include "link/LibUsbAccess.h"
#include "link/UsbAccess.h"
#include "link/VendorRequest.h"
#include "platform/Services.h"

#include <algorithm>
#include <array>
#include <limits>

namespace cv::sim {

struct EmulatedFx2::Device {
    Fx2DeviceConfig config;
    std::unique_ptr<SimBoard> board;
    enum State { BootRom, Away, Firmware, Unplugged } state = BootRom;
    uint8_t address = 0;
    // Each appearance on the bus; handles of an earlier one are dead.
    uint64_t generation = 0;
    int64_t backAtUs = 0;
    int64_t unplugAtUs = -1;
    int64_t firmwareRequests = 0;
    bool cpuReset = true;
    bool resetVectorLoaded = false;
    std::vector<uint8_t> ram = std::vector<uint8_t>(0x10000, 0);
    // The firmware's endpoint 0 buffer: what a reply does not set stays.
    std::array<uint8_t, kTransferLength> ep0{};
    // Configuration and alternate setting, as standard requests set them.
    Fx2EndpointZero standard;

    QString portPath() const { return QStringLiteral("%1-%2").arg(config.bus).arg(config.ports); }
};

class EmulatedHandle final : public UsbDeviceHandle {
public:
    EmulatedHandle(EmulatedFx2& bus, EmulatedFx2::Device& d)
        : bus_(bus), device_(d), generation_(d.generation)
    {
    }
    int claimInterface(int) override
    {
        return device_.generation == generation_ ? device_.config.claimError : UsbNoDevice;
    }
    int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        uint8_t* data, uint16_t length, unsigned timeoutMs) override
    {
        const int r =
            bus_.transfer(device_, generation_, requestType, request, value, index, data, length);
        if (r != EmulatedFx2::kPending || timeoutMs == 0)
            return r;
        services().sleepMs(static_cast<int>(timeoutMs));
        return UsbTimeout;
    }

private:
    EmulatedFx2& bus_;
    EmulatedFx2::Device& device_;
    uint64_t generation_;
};

EmulatedFx2::EmulatedFx2(const Clock& clock) : clock_(clock) {}
EmulatedFx2::~EmulatedFx2() = default;

SimBoard& EmulatedFx2::plug(Fx2DeviceConfig config)
{
    auto d = std::make_unique<Device>();
    d->config = std::move(config);
    d->board = std::make_unique<SimBoard>(clock_, d->config.board);
    if (d->config.blank)
        d->board->eeprom().fill(0xFF);
    d->address = nextAddress_++;
    d->generation = 1;
    d->ram[fx2::kCpuCs] = 1; // powered up with the CPU held in reset
    devices_.push_back(std::move(d));
    return *devices_.back()->board;
}

EmulatedFx2::Device* EmulatedFx2::find(const QString& portPath) const
{
    for (const auto& d : devices_)
        if (d->portPath() == portPath && d->state != Device::Unplugged)
            return d.get();
    return nullptr;
}

void EmulatedFx2::unplug(const QString& portPath)
{
    if (Device* d = find(portPath)) {
        d->state = Device::Unplugged;
        ++d->generation;
    }
}

bool EmulatedFx2::cpuHeldInReset(const QString& portPath) const
{
    const Device* d = find(portPath);
    return d && d->cpuReset;
}

void EmulatedFx2::settle(Device& d)
{
    if (d.unplugAtUs >= 0 && clock_.nowUs() >= d.unplugAtUs && d.state != Device::Unplugged) {
        d.state = Device::Unplugged;
        ++d.generation;
        return;
    }
    if (d.state == Device::Away && clock_.nowUs() >= d.backAtUs) {
        d.state = Device::Firmware;
        d.address = nextAddress_++;
        d.standard = {};
        ++d.generation;
    }
}

std::vector<UsbDeviceInfo> EmulatedFx2::devices()
{
    std::vector<UsbDeviceInfo> out;
    for (const auto& d : devices_) {
        settle(*d);
        if (d->state != Device::BootRom && d->state != Device::Firmware)
            continue;
        out.push_back(infoOf(*d));
    }
    return out;
}

UsbDeviceInfo EmulatedFx2::infoOf(const Device& d) const
{
    UsbDeviceInfo info;
    info.bus = d.config.bus;
    info.ports = d.config.ports;
    info.address = d.address;
    if (d.state == Device::Firmware) {
        info.vendorId = BoardVendorId;
        info.productId = FirmwareProductId;
    } else {
        // The boot ROM takes its identifiers from a C0 record, else the default.
        const auto& e = d.board->eeprom();
        const bool record = e[0] == 0xC0;
        info.vendorId = record ? static_cast<uint16_t>(e[1] | e[2] << 8) : BlankFx2VendorId;
        info.productId = record ? static_cast<uint16_t>(e[3] | e[4] << 8) : BlankFx2ProductId;
    }
    return info;
}

std::unique_ptr<UsbDeviceHandle> EmulatedFx2::open(const UsbDeviceInfo& device, int* error)
{
    for (const auto& d : devices_) {
        settle(*d);
        if (d->config.bus != device.bus || d->config.ports != device.ports ||
            d->address != device.address ||
            (d->state != Device::BootRom && d->state != Device::Firmware))
            continue;
        return std::make_unique<EmulatedHandle>(*this, *d);
    }
    if (error)
        *error = UsbNoDevice;
    return nullptr;
}

int EmulatedFx2::transfer(Device& d, uint64_t generation, uint8_t requestType, uint8_t request,
                          uint16_t value, uint16_t index, uint8_t* data, uint16_t length)
{
    settle(d);
    const bool in = (requestType & 0x80) != 0;
    Transfer t{d.portPath(), requestType, request, value, index, length, 0, {}};
    if (!in)
        t.sent = QByteArray(reinterpret_cast<const char*>(data), length);
    auto done = [&](int result) {
        t.result = result;
        transfers_.push_back(t);
        return result;
    };
    if (d.generation != generation || (d.state != Device::BootRom && d.state != Device::Firmware))
        return done(UsbNoDevice);
    if ((requestType & 0x60) == 0x00)
        return done(fx2StandardRequest(infoOf(d), d.standard, requestType, request, value, index,
                                       data, length));
    if ((requestType & 0x60) != 0x40)
        return done(UsbStall); // no class requests

    // The core answers firmware loads whatever the CPU does.
    if (request == fx2::kFirmwareLoad) {
        if (in) {
            if (value + length > d.ram.size())
                return done(UsbStall);
            std::copy_n(d.ram.begin() + value, length, data);
            return done(length);
        }
        if (value == fx2::kCpuCs && length >= 1) {
            d.ram[fx2::kCpuCs] = data[0]; // reads back as written
            if (data[0] & 1) {
                d.cpuReset = true;
                d.resetVectorLoaded = false;
                d.board->stopFirmware();
                return done(length);
            }
            if (!d.cpuReset)
                return done(length);
            d.cpuReset = false;
            // Without code at the reset vector the CPU runs into nothing and
            // the board stays as it is.
            if (!d.resetVectorLoaded)
                return done(length);
            d.board->startFirmware();
            d.state = Device::Away;
            d.backAtUs = d.config.returnDelayMs < 0
                             ? std::numeric_limits<int64_t>::max()
                             : clock_.nowUs() + int64_t{d.config.returnDelayMs} * 1000;
            ++d.generation;
            return done(d.config.releaseFails ? int{UsbIo} : int{length});
        }
        for (uint32_t i = 0; i < length; ++i)
            if (!fx2::inOnChipRam(value + i))
                return done(UsbStall);
        if (!d.cpuReset)
            return done(UsbStall); // loading under a running CPU is refused
        std::copy_n(data, length, d.ram.begin() + value);
        if (value == 0 && length > 0)
            d.resetVectorLoaded = true;
        return done(length);
    }

    // Everything else is the protocol firmware's, once it runs.
    if (d.state != Device::Firmware || d.cpuReset || length != kTransferLength)
        return done(UsbStall);
    const Fx2Fault& fault = d.config.fault;
    if (++d.firmwareRequests == 1 && fault.kind == Fx2Fault::Unplug)
        d.unplugAtUs = clock_.nowUs() + fault.at * 1000;
    if (d.firmwareRequests == fault.at && fault.kind == Fx2Fault::Stall)
        return done(UsbStall);
    if (d.firmwareRequests == fault.at && fault.kind == Fx2Fault::Timeout) {
        done(UsbTimeout);
        return kPending;
    }
    if (!in)
        std::copy_n(data, kTransferLength, d.ep0.begin());
    const int16_t status = d.board->Vendor_Request(SimBoard::kHandle, request, value, index,
                                                   in ? 1 : 0, kTransferLength, d.ep0.data());
    if (status != 0)
        return done(UsbStall);
    if (!in)
        return done(length);
    const int n = std::clamp(d.config.replyBytes, 0, int{length});
    std::copy_n(d.ep0.begin(), n, data);
    return done(n);
}

} // namespace cv::sim
