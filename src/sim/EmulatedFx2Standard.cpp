#include "sim/EmulatedFx2Standard.h"

#include "link/UsbAccess.h"

#include <algorithm>

namespace cv::sim {

namespace {

enum Request : uint8_t {
    GetStatus = 0x00,
    GetDescriptor = 0x06,
    GetConfiguration = 0x08,
    SetConfiguration = 0x09,
    GetInterface = 0x0A,
    SetInterface = 0x0B,
};
enum DescriptorType : uint8_t { Device = 1, Configuration = 2, String = 3, Qualifier = 6 };

bool runsFirmware(const UsbDeviceInfo& d)
{
    return d.vendorId == BoardVendorId && d.productId == FirmwareProductId;
}

void appendWord(QByteArray& b, uint16_t v)
{
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}

} // namespace

QByteArray fx2Descriptors(const UsbDeviceInfo& d)
{
    const bool named = runsFirmware(d);
    QByteArray b = QByteArray::fromHex("1201000200000040");
    appendWord(b, d.vendorId);
    appendWord(b, d.productId);
    appendWord(b, 0x0100); // bcdDevice
    b += named ? QByteArray::fromHex("010200") : QByteArray(3, '\0');
    b += '\x01';                                    // one configuration
    b += QByteArray::fromHex("090212000101008032"); // configuration 1, bus-powered, 100 mA
    b += QByteArray::fromHex("0904000000FFFFFF00"); // interface 0, vendor class
    return b;
}

QString fx2String(const UsbDeviceInfo& d, int index)
{
    if (!runsFirmware(d))
        return {};
    if (index == 1)
        return QStringLiteral("CV5320 Evaluation Software");
    if (index == 2)
        return QStringLiteral("CV5320 Evaluation Board");
    return {};
}

int fx2StandardRequest(const UsbDeviceInfo& device, Fx2EndpointZero& state, uint8_t requestType,
                       uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
                       uint16_t length)
{
    const bool in = (requestType & 0x80) != 0;
    const int recipient = requestType & 0x1F;
    QByteArray reply;
    switch (request) {
    case GetStatus:
        // Bus-powered, no remote wake-up, no endpoint halted: all zero.
        if (!in || recipient > 2 || (recipient == 1 && index != 0) ||
            (recipient == 2 && (index & 0x7F) != 0))
            return UsbStall;
        reply = QByteArray(2, '\0');
        break;
    case GetDescriptor: {
        if (!in || recipient != 0)
            return UsbStall;
        const int type = value >> 8, which = value & 0xFF;
        const QByteArray all = fx2Descriptors(device);
        if (type == Device && which == 0) {
            reply = all.left(18);
        } else if (type == Configuration && which == 0) {
            reply = all.mid(18);
        } else if (type == Qualifier && which == 0) {
            // As the other speed would report it: USB 2.0, one configuration.
            reply = QByteArray::fromHex("0A06000200000040") + QByteArray::fromHex("0100");
        } else if (type == String && which == 0) {
            if (fx2String(device, 1).isEmpty())
                return UsbStall;
            reply = QByteArray::fromHex("04030904"); // US English
        } else if (type == String) {
            const QString text = fx2String(device, which);
            if (text.isEmpty())
                return UsbStall;
            reply += static_cast<char>(2 + 2 * text.size());
            reply += static_cast<char>(String);
            for (const QChar c : text)
                appendWord(reply, c.unicode());
        } else {
            return UsbStall;
        }
        break;
    }
    case GetConfiguration:
        if (!in || recipient != 0)
            return UsbStall;
        reply = QByteArray(1, static_cast<char>(state.configuration));
        break;
    case SetConfiguration:
        if (in || recipient != 0 || value > 1)
            return UsbStall;
        state.configuration = static_cast<uint8_t>(value);
        state.alternate = 0;
        return 0;
    case GetInterface:
        if (!in || recipient != 1 || index != 0 || state.configuration == 0)
            return UsbStall;
        reply = QByteArray(1, static_cast<char>(state.alternate));
        break;
    case SetInterface:
        if (in || recipient != 1 || index != 0 || value != 0 || state.configuration == 0)
            return UsbStall;
        state.alternate = 0;
        return 0;
    default: return UsbStall;
    }
    const int n = std::min<int>(length, int(reply.size()));
    std::copy_n(reply.constData(), n, data);
    return n;
}

} // namespace cv::sim
