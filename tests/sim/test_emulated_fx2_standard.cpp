// The emulated FX2's endpoint 0 as USB tools see it: standard requests in
// the boot ROM and under the protocol firmware, CPUCS as written. The
// requests and the chip's answers are the fixture's.
#include "link/UsbBackend.h"
#include "sim/EmulatedFx2.h"
#include "support/Captions.h"
#include "support/FakeServices.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace cv;

TEST(EmulatedFx2Standard, RequestsAreAnsweredAsTheChipDoes)
{
    QFile f(QStringLiteral(CV_TEST_DIR "/sim/fixtures/fx2_standard.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString got;
    for (const QString& line : QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith('#')) {
            got += line + '\n';
            continue;
        }
        test::FakeServices services;
        sim::EmulatedFx2 bus(services.clock());
        bus.plug({.blank = true});
        auto handle = bus.open(bus.devices().at(0), nullptr);
        auto ask = [&](int type, int request, int value, int index, QByteArray d) {
            const int n = handle->controlTransfer(
                uint8_t(type), uint8_t(request), uint16_t(value), uint16_t(index),
                reinterpret_cast<uint8_t*>(d.data()), uint16_t(d.size()), 1000);
            return n == UsbStall ? "stall" : n < 0 ? QByteArray::number(n) : d.left(n).toHex();
        };
        const QString request = line.section(':', 0, 0);
        const QStringList w = request.split(' ');
        if (w[0] == "fw") {
            for (const auto& [at, code] : {std::pair{0xE600, "01"}, {0, "020100"}, {0xE600, "00"}})
                ask(0x40, 0xA0, at, 0, QByteArray::fromHex(code));
            services.sleepMs(500);
            handle = bus.open(bus.devices().at(0), nullptr);
        }
        auto hex = [&](int i) { return w[i].toInt(nullptr, 16); };
        got += request + ": " +
               ask(hex(1), hex(2), hex(3), hex(4), QByteArray(w[5].toInt(), '\0')) + '\n';
    }
    test::expectGolden(got, QStringLiteral("sim/fixtures/fx2_standard.txt"));
}
