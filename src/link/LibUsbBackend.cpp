#include "link/UsbBackend.h"

#include <libusb.h>

#include <QStringList>

namespace cv {

QString usbErrorText(int code)
{
    switch (code) {
    case UsbIo: return QStringLiteral("input/output error");
    case UsbInvalid: return QStringLiteral("invalid request");
    case UsbAccessDenied: return QStringLiteral("no permission");
    case UsbNoDevice: return QStringLiteral("the board is no longer connected");
    case UsbNotFound: return QStringLiteral("not found");
    case UsbBusy: return QStringLiteral("in use by another program");
    case UsbTimeout: return QStringLiteral("no answer within 1 s");
    case UsbOverflow: return QStringLiteral("the board sent more than was asked for");
    case UsbStall: return QStringLiteral("the board refused the request (stall)");
    default: return QStringLiteral("USB error %1").arg(code);
    }
}

namespace {

struct ContextDeleter {
    void operator()(libusb_context* c) const { libusb_exit(c); }
};
struct ListDeleter {
    void operator()(libusb_device** l) const { libusb_free_device_list(l, 1); }
};
using ContextPtr = std::unique_ptr<libusb_context, ContextDeleter>;
using ListPtr = std::unique_ptr<libusb_device*, ListDeleter>;

UsbDeviceInfo describe(libusb_device* dev)
{
    UsbDeviceInfo info;
    info.bus = libusb_get_bus_number(dev);
    info.address = libusb_get_device_address(dev);
    uint8_t ports[8] = {};
    const int n = libusb_get_port_numbers(dev, ports, 8);
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << QString::number(ports[i]);
    // The root hub itself has no port; Linux calls it port 0.
    info.ports = parts.isEmpty() ? QStringLiteral("0") : parts.join(QLatin1Char('.'));
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(dev, &d) == 0) {
        info.vendorId = d.idVendor;
        info.productId = d.idProduct;
    }
    return info;
}

class LibUsbHandle final : public UsbDeviceHandle {
public:
    explicit LibUsbHandle(libusb_device_handle* h) : h_(h) {}
    ~LibUsbHandle() override
    {
        if (claimed_ >= 0)
            libusb_release_interface(h_, claimed_);
        libusb_close(h_);
    }
    int claimInterface(int number) override
    {
        libusb_set_auto_detach_kernel_driver(h_, 1);
        const int r = libusb_claim_interface(h_, number);
        if (r == 0)
            claimed_ = number;
        return r;
    }
    int controlTransfer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        uint8_t* data, uint16_t length, unsigned timeoutMs) override
    {
        return libusb_control_transfer(h_, requestType, request, value, index, data, length,
                                       timeoutMs);
    }

private:
    libusb_device_handle* h_;
    int claimed_ = -1;
};

class LibUsbBackend final : public UsbBackend {
public:
    std::vector<UsbDeviceInfo> devices() override
    {
        std::vector<UsbDeviceInfo> out;
        ListPtr list;
        const ssize_t n = listAll(list);
        for (ssize_t i = 0; i < n; ++i)
            out.push_back(describe(list.get()[i]));
        return out;
    }

    std::unique_ptr<UsbDeviceHandle> open(const UsbDeviceInfo& device, int* error) override
    {
        ListPtr list;
        const ssize_t n = listAll(list);
        for (ssize_t i = 0; i < n; ++i) {
            libusb_device* dev = list.get()[i];
            const UsbDeviceInfo info = describe(dev);
            if (!info.samePort(device) || info.address != device.address)
                continue;
            libusb_device_handle* h = nullptr;
            const int r = libusb_open(dev, &h);
            if (r != 0) {
                if (error)
                    *error = r;
                return nullptr;
            }
            return std::make_unique<LibUsbHandle>(h);
        }
        if (error)
            *error = UsbNoDevice;
        return nullptr;
    }

private:
    ssize_t listAll(ListPtr& list)
    {
        if (!context_) {
            libusb_context* c = nullptr;
            if (libusb_init(&c) != 0)
                return 0;
            context_.reset(c);
        }
        libusb_device** raw = nullptr;
        const ssize_t n = libusb_get_device_list(context_.get(), &raw);
        if (n < 0)
            return 0;
        list.reset(raw);
        return n;
    }

    ContextPtr context_;
};

} // namespace

std::unique_ptr<UsbBackend> makeLibUsbBackend()
{
    return std::make_unique<LibUsbBackend>();
}

} // namespace cv
