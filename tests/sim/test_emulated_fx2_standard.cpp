// The emulated FX2's endpoint 0 as USB tools see it: standard requests in
// the boot ROM and under the protocol firmware, CPUCS as written.
#include "link/LibUsbAccess.h"
#include "link/UsbAccess.h"
#include "sim/EmulatedFx2.h"
#include "support/FakeServices.h"

#include <gtest/gtest.h>

using namespace cv;

TEST(EmulatedFx2Standard, RequestsAreAnsweredAsTheChipDoes)
{
    const QByteArray stall = QByteArray::number(UsbStall), n2(4, '0'), n8(16, '0'), n99(198, '0');
    // Firmware: the blank board is loaded and let go first. Data: hex, its
    // length the request's; the reply in hex, or the error.
    const struct {
        bool firmware;
        uint8_t type, request;
        uint16_t value, index;
        QByteArray data, reply;
    } rows[] = {
        {false, 0x80, 0x00, 0, 0, n2, "0000"},   // device status
        {false, 0x81, 0x00, 0, 1, n2, stall},    // no interface 1
        {false, 0x82, 0x00, 0, 0x81, n2, stall}, // no endpoint 1
        {false, 0x80, 0x06, 0x0100, 0, n99, "1201000200000040b4041386000100000001"},
        {false, 0x80, 0x06, 0x0200, 0, n99, "0902120001010080320904000000ffffff00"},
        {false, 0x80, 0x06, 0x0201, 0, n99, stall}, // one configuration only
        {false, 0x80, 0x06, 0x0600, 0, n99, "0a060002000000400100"},
        {false, 0x80, 0x06, 0x0300, 0, n99, stall}, // the boot ROM has no strings
        {true, 0x80, 0x06, 0x0100, 0, n99, "120100020000004009122353000101020001"},
        {true, 0x80, 0x06, 0x0300, 0, n99, "04030904"},
        {true, 0x80, 0x06, 0x0302, 0x0409, n8, "3003430056003500"},
        {true, 0x80, 0x06, 0x0303, 0x0409, n99, stall},
        {true, 0x80, 0x08, 0, 0, "00", "01"},
        {true, 0x00, 0x09, 2, 0, "", stall},        // no configuration 2
        {true, 0x01, 0x0B, 1, 0, "", stall},        // no alternate setting 1
        {true, 0xA0, 0x00, 0, 0, n2, stall},        // no class requests
        {false, 0xC0, 0xA0, 0xE600, 0, "00", "01"}, // CPUCS: powered up in reset
        {true, 0xC0, 0xA0, 0xE600, 0, "00", "00"},  // and let go
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(r.request).arg(r.value, 0, 16).toStdString());
        test::FakeServices services;
        sim::EmulatedFx2 bus(services.clock());
        bus.plug({.blank = true});
        auto handle = bus.open(bus.devices().at(0), nullptr);
        auto ask = [&](uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                       QByteArray d) {
            d = QByteArray::fromHex(d);
            const int n = handle->controlTransfer(type, request, value, index,
                                                  reinterpret_cast<uint8_t*>(d.data()),
                                                  uint16_t(d.size()), 1000);
            return n < 0 ? QByteArray::number(n) : (type & 0x80) ? d.left(n).toHex() : "";
        };
        if (r.firmware) {
            for (const auto& [at, code] : {std::pair{0xE600, "01"}, {0, "020100"}, {0xE600, "00"}})
                ask(0x40, 0xA0, uint16_t(at), 0, code);
            services.sleepMs(500);
            handle = bus.open(bus.devices().at(0), nullptr);
        }
        EXPECT_EQ(ask(r.type, r.request, r.value, r.index, r.data), r.reply);
    }
}
