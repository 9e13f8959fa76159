#pragma once
// The thin layer below the USB access library: list the devices on the bus,
// open one, claim its interface, make control transfers. libusb on a real
// machine, the emulated FX2 in tests and with --board fx2-emu.

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace cv {

// Results of the backend's calls: a byte count (>= 0) or one of these.
// The values are libusb's, so its codes pass through unchanged.
enum UsbError : int {
    UsbIo = -1,
    UsbInvalid = -2,
    UsbAccessDenied = -3,
    UsbNoDevice = -4,
    UsbNotFound = -5,
    UsbBusy = -6,
    UsbTimeout = -7,
    UsbOverflow = -8,
    UsbStall = -9,
    UsbOther = -99,
};
QString usbErrorText(int code);

struct UsbDeviceInfo {
    uint8_t bus = 0;
    // Port numbers from the root hub, as Linux writes them: "2" or "2.3".
    QString ports;
    // The address the bus gave the device; it changes when the device
    // leaves the bus and comes back.
    uint8_t address = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;

    // "BUS-PORTS", as --board usb:BUS-PORTS names the device.
    QString portPath() const { return QStringLiteral("%1-%2").arg(bus).arg(ports); }
    bool samePort(const UsbDeviceInfo& o) const { return bus == o.bus && ports == o.ports; }
};

// An open device; closing it (releasing the interface first) is the
// destructor's work.
class UsbDeviceHandle {
public:
    virtual ~UsbDeviceHandle() = default;
    virtual int claimInterface(int number) = 0;
    // Returns the bytes transferred or a UsbError. An IN transfer writes only
    // the bytes that came back.
    virtual int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value,
                                uint16_t index, uint8_t* data, uint16_t length,
                                unsigned timeoutMs) = 0;
};

class UsbBackend {
public:
    virtual ~UsbBackend() = default;
    // Every device on the bus now; empty when the bus cannot be read.
    virtual std::vector<UsbDeviceInfo> devices() = 0;
    // Opens the device at `device`'s port and address; null with `error` set
    // when it cannot be opened or is gone.
    virtual std::unique_ptr<UsbDeviceHandle> open(const UsbDeviceInfo& device, int* error) = 0;
};

// libusb; the context lives as long as the backend.
std::unique_ptr<UsbBackend> makeLibUsbBackend();

} // namespace cv
