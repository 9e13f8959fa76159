#include "link/LibUsbAccess.h"

#include "link/IntelHex.h"

#include <libusb.h>

#include <QString>
#include <memory>
#include <vector>

namespace cv {

namespace {
constexpr unsigned kTimeoutMs = 1000;
// FX2 firmware load: vendor request 0xA0 writes internal RAM; CPUCS at
// 0xE600 holds the 8051 in reset while the image goes in.
constexpr uint8_t kFirmwareLoad = 0xA0;
constexpr uint16_t kCpuCs = 0xE600;
constexpr int kChunk = 64;

struct ContextDeleter {
    void operator()(libusb_context* c) const { libusb_exit(c); }
};
struct HandleDeleter {
    void operator()(libusb_device_handle* h) const
    {
        libusb_release_interface(h, 0);
        libusb_close(h);
    }
};
struct ListDeleter {
    void operator()(libusb_device** l) const { libusb_free_device_list(l, 1); }
};
using ContextPtr = std::unique_ptr<libusb_context, ContextDeleter>;
using HandlePtr = std::unique_ptr<libusb_device_handle, HandleDeleter>;
using ListPtr = std::unique_ptr<libusb_device*, ListDeleter>;

constexpr int32_t kHandle = 1;
} // namespace

struct LibUsbAccess::Impl {
    ContextPtr context;
    HandlePtr handle;

    bool ready()
    {
        if (context)
            return true;
        libusb_context* c = nullptr;
        if (libusb_init(&c) != 0)
            return false;
        context.reset(c);
        return true;
    }

    // The matching devices, in the order the bus lists them.
    std::vector<libusb_device*> matching(uint32_t vid, uint32_t pid, ListPtr& list)
    {
        std::vector<libusb_device*> found;
        libusb_device** raw = nullptr;
        const ssize_t n = libusb_get_device_list(context.get(), &raw);
        if (n < 0)
            return found;
        list.reset(raw);
        for (ssize_t i = 0; i < n; ++i) {
            libusb_device_descriptor d{};
            if (libusb_get_device_descriptor(raw[i], &d) == 0 && d.idVendor == vid &&
                d.idProduct == pid)
                found.push_back(raw[i]);
        }
        return found;
    }

    bool control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                 unsigned char* data, uint16_t length)
    {
        const int r = libusb_control_transfer(handle.get(), requestType, request, value, index,
                                              data, length, kTimeoutMs);
        return r == length;
    }
};

LibUsbAccess::LibUsbAccess() : d_(std::make_unique<Impl>()) {}
LibUsbAccess::~LibUsbAccess() = default;

int16_t LibUsbAccess::Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                                        uint8_t* boardList128)
{
    boardCount = 0;
    if (!d_->ready())
        return 1;
    ListPtr list;
    const auto found = d_->matching(vendorId, productId, list);
    boardCount = static_cast<int32_t>(found.size());
    if (found.empty())
        return 1;
    for (int i = 0; i < 128; ++i)
        boardList128[i] = i < boardCount ? static_cast<uint8_t>(i + 1) : 0;
    return 0;
}

int16_t LibUsbAccess::Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                              int32_t& handle)
{
    if (!d_->ready() || boardNumber == 0)
        return 1;
    ListPtr list;
    const auto found = d_->matching(vendorId, productId, list);
    if (boardNumber > found.size())
        return 1;
    libusb_device_handle* h = nullptr;
    if (libusb_open(found[boardNumber - 1], &h) != 0)
        return 1;
    libusb_set_auto_detach_kernel_driver(h, 1);
    if (libusb_claim_interface(h, 0) != 0) {
        libusb_close(h);
        return 1;
    }
    d_->handle.reset(h);
    handle = kHandle;
    return 0;
}

int16_t LibUsbAccess::Download_Firmware(int32_t handle, const char* path)
{
    if (handle != kHandle || !d_->handle || !path)
        return -1;
    const HexResult hex = readIntelHexFile(QString::fromLocal8Bit(path));
    if (!hex.image)
        return -2;
    const uint8_t out =
        static_cast<uint8_t>(int{LIBUSB_REQUEST_TYPE_VENDOR} | int{LIBUSB_ENDPOINT_OUT});
    unsigned char reset = 1;
    if (!d_->control(out, kFirmwareLoad, kCpuCs, 0, &reset, 1))
        return -3;
    // Contiguous runs of the image, at most 64 bytes per request.
    const auto& bytes = hex.image->bytes;
    for (auto it = bytes.begin(); it != bytes.end();) {
        const uint32_t start = it->first;
        std::vector<unsigned char> chunk;
        while (it != bytes.end() && it->first == start + chunk.size() && chunk.size() < kChunk) {
            chunk.push_back(it->second);
            ++it;
        }
        if (start > 0xFFFF || !d_->control(out, kFirmwareLoad, static_cast<uint16_t>(start), 0,
                                           chunk.data(), static_cast<uint16_t>(chunk.size())))
            return -4;
    }
    unsigned char run = 0;
    if (!d_->control(out, kFirmwareLoad, kCpuCs, 0, &run, 1))
        return -5;
    return 0;
}

int16_t LibUsbAccess::Vendor_Request(int32_t handle, uint8_t request, uint32_t value,
                                     uint16_t index, uint8_t direction, int32_t length,
                                     uint8_t* buffer)
{
    if (handle != kHandle || !d_->handle || length < 0 || length > 0xFFFF)
        return 1;
    const uint8_t type =
        static_cast<uint8_t>(int{LIBUSB_REQUEST_TYPE_VENDOR} | int{LIBUSB_RECIPIENT_DEVICE} |
                             (direction == 1 ? int{LIBUSB_ENDPOINT_IN} : int{LIBUSB_ENDPOINT_OUT}));
    return d_->control(type, request, static_cast<uint16_t>(value & 0xFFFF), index, buffer,
                       static_cast<uint16_t>(length))
               ? 0
               : 1;
}

} // namespace cv
