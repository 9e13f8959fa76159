#include "link/TracingUsbAccess.h"

#include "link/VendorRequest.h"

#include <QString>
#include <algorithm>

namespace cv {

std::optional<RegisterOp> decodeRegisterOp(const VendorRecord& r)
{
    if (r.request != static_cast<uint8_t>(VendorRequest::Register))
        return std::nullopt;
    RegisterOp op;
    op.index = r.index;
    if (r.direction == 1) {
        op.address = r.value & 0x3FF;
        op.count = (r.value >> 10) & 0x1F;
        op.target = static_cast<int16_t>((r.value >> 15) & 1);
    } else {
        op.write = true;
        op.address = (r.bytes[60] << 4) | (r.bytes[61] & 0x0F);
        op.target = static_cast<int16_t>((r.bytes[61] >> 7) & 1);
        op.value = (r.bytes[62] << 8) | r.bytes[63];
    }
    return op;
}

QString usbLogLine(const VendorRecord& r)
{
    QString line = QStringLiteral("%1 0x%2 0x%3 0x%4 %5 %6 %7 ")
                       .arg(r.timeUs / 1000)
                       .arg(r.request, 2, 16, QLatin1Char('0'))
                       .arg(r.value & 0xFFFF, 4, 16, QLatin1Char('0'))
                       .arg(r.index, 4, 16, QLatin1Char('0'))
                       .arg(r.direction)
                       .arg(r.length)
                       .arg(r.status);
    for (uint8_t b : r.bytes)
        line += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return line.toUpper().replace(QLatin1String("0X"), QLatin1String("0x"));
}

TracingUsbAccess::TracingUsbAccess(UsbAccess& inner, Sink sink, std::function<int64_t()> nowUs)
    : inner_(inner), sink_(std::move(sink)), nowUs_(std::move(nowUs))
{
    // The library's own transfers (the firmware load) belong in the trace too.
    inner_.setInternalTransferSink([this](const VendorRecord& r) {
        VendorRecord stamped = r;
        stamped.timeUs = nowUs_ ? nowUs_() : 0;
        if (sink_)
            sink_(stamped);
    });
}

TracingUsbAccess::~TracingUsbAccess()
{
    inner_.setInternalTransferSink(nullptr);
}

int16_t TracingUsbAccess::Search_For_Boards(uint32_t vendorId, uint32_t productId,
                                            int32_t& boardCount, uint8_t* boardList128)
{
    return inner_.Search_For_Boards(vendorId, productId, boardCount, boardList128);
}

int16_t TracingUsbAccess::Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                                  int32_t& handle)
{
    return inner_.Connect(vendorId, productId, boardNumber, handle);
}

int16_t TracingUsbAccess::Download_Firmware(int32_t handle, const char* path)
{
    return inner_.Download_Firmware(handle, path);
}

int16_t TracingUsbAccess::Vendor_Request(int32_t handle, uint8_t request, uint32_t value,
                                         uint16_t index, uint8_t direction, int32_t length,
                                         uint8_t* buffer)
{
    VendorRecord rec;
    rec.timeUs = nowUs_ ? nowUs_() : 0;
    rec.request = request;
    rec.value = value;
    rec.index = index;
    rec.direction = direction;
    rec.length = length;
    if (direction == 0)
        std::copy_n(buffer, std::min<int32_t>(length, 64), rec.bytes.begin());
    rec.status = inner_.Vendor_Request(handle, request, value, index, direction, length, buffer);
    if (direction == 1)
        std::copy_n(buffer, std::min<int32_t>(length, 64), rec.bytes.begin());
    if (sink_)
        sink_(rec);
    return rec.status;
}

} // namespace cv
