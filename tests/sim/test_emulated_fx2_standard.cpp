// The emulated FX2's endpoint 0 as USB tools see it: standard requests in
// the boot ROM and under the protocol firmware, CPUCS as written.
#include "link/LibUsbAccess.h"
#include "link/UsbAccess.h"
#include "sim/EmulatedFx2.h"
#include "support/FakeServices.h"

#include <gtest/gtest.h>

using namespace cv;

namespace {

// A blank FX2, left in its boot ROM or running the firmware.
struct Endpoint0 {
    test::FakeServices services;
    sim::EmulatedFx2 bus{services.clock()};
    std::unique_ptr<UsbDeviceHandle> handle;

    explicit Endpoint0(bool firmware)
    {
        bus.plug({.blank = true});
        handle = bus.open(bus.devices().at(0), nullptr);
        if (firmware) {
            ask(0x40, fx2::kFirmwareLoad, fx2::kCpuCs, 0, "01");
            ask(0x40, fx2::kFirmwareLoad, 0, 0, "020100");
            ask(0x40, fx2::kFirmwareLoad, fx2::kCpuCs, 0, "00");
            services.sleepMs(500);
            handle = bus.open(bus.devices().at(0), nullptr);
        }
    }
    // The reply in hex (an OUT request sends `data`), or the error.
    QByteArray ask(uint8_t type, uint8_t request, uint16_t value, uint16_t index, QByteArray data)
    {
        data = QByteArray::fromHex(data);
        const int r = handle->controlTransfer(type, request, value, index,
                                              reinterpret_cast<uint8_t*>(data.data()),
                                              uint16_t(data.size()), 1000);
        return r < 0 ? QByteArray::number(r) : (type & 0x80) ? data.left(r).toHex() : "";
    }
};

} // namespace

TEST(EmulatedFx2Standard, RequestsAreAnsweredAsTheChipDoes)
{
    const QByteArray stall = QByteArray::number(UsbStall), in2 = "0000", in255(255 * 2, '0');
    const struct {
        bool firmware;
        uint8_t type, request;
        uint16_t value, index;
        QByteArray data, reply;
    } rows[] = {
        {false, 0x80, 0x00, 0, 0, in2, "0000"},    // device status
        {false, 0x81, 0x00, 0, 1, in2, stall},     // no interface 1
        {false, 0x82, 0x00, 0, 0x80, in2, "0000"}, // endpoint 0 IN
        {false, 0x82, 0x00, 0, 0x01, in2, stall},  // no endpoint 1
        {false, 0x00, 0x00, 0, 0, "", stall},      // status asked as OUT
        {false, 0x80, 0x06, 0x0100, 0, in255,
         "12010002000000"
         "40b40413860001000000"
         "01"},
        {false, 0x80, 0x06, 0x0100, 0, "0000000000000000", "1201000200000040"},
        {false, 0x80, 0x06, 0x0200, 0, in255,
         "090212000101008032"
         "0904000000ffffff00"},
        {false, 0x80, 0x06, 0x0201, 0, in255, stall}, // one configuration only
        {false, 0x80, 0x06, 0x0600, 0, in255, "0a060002000000400100"},
        {false, 0x80, 0x06, 0x0300, 0, in255, stall}, // the boot ROM has no strings
        {true, 0x80, 0x06, 0x0100, 0, in255,
         "12010002000000"
         "40091223530001010200"
         "01"},
        {true, 0x80, 0x06, 0x0300, 0, in255, "04030904"},
        {true, 0x80, 0x06, 0x0302, 0x0409, "0000000000000000", "3003430056003500"},
        {true, 0x80, 0x06, 0x0303, 0x0409, in255, stall},
        {true, 0x80, 0x08, 0, 0, "00", "01"},
        {true, 0x00, 0x09, 2, 0, "", stall}, // no configuration 2
        {true, 0x81, 0x0A, 0, 0, "00", "00"},
        {true, 0x01, 0x0B, 1, 0, "", stall}, // no alternate setting 1
        {true, 0x01, 0x0B, 0, 1, "", stall},
        {true, 0xA0, 0x00, 0, 0, in2, stall},       // no class requests
        {false, 0xC0, 0xA0, 0xE600, 0, "00", "01"}, // CPUCS: powered up in reset
        {true, 0xC0, 0xA0, 0xE600, 0, "00", "00"},  // and let go
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3")
                         .arg(r.request)
                         .arg(r.value, 0, 16)
                         .arg(r.index)
                         .toStdString());
        Endpoint0 e(r.firmware);
        EXPECT_EQ(e.ask(r.type, r.request, r.value, r.index, r.data), r.reply);
    }

    // Unconfigured, the interface is gone until configuration 1 is set again.
    Endpoint0 e(true);
    EXPECT_EQ(e.ask(0x00, 0x09, 0, 0, ""), "");
    EXPECT_EQ(e.ask(0x80, 0x08, 0, 0, "00"), "00");
    EXPECT_EQ(e.ask(0x81, 0x0A, 0, 0, "00"), stall);
    EXPECT_EQ(e.ask(0x00, 0x09, 1, 0, ""), "");
    EXPECT_EQ(e.ask(0x01, 0x0B, 0, 0, ""), "");
}
