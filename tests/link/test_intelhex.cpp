#include "link/IntelHex.h"
#include "link/TracingUsbAccess.h"

#include <gtest/gtest.h>

using namespace cv;

TEST(IntelHex, ReadsDataWithSegmentAndLinearBases)
{
    const auto r = parseIntelHex(":020000001234B8\n"
                                 ":020000021000EC\n"
                                 ":01000000AB54\n"
                                 ":020000040001F9\n"
                                 ":01000200CD30\n"
                                 ":00000001FF\n");
    ASSERT_TRUE(r.image) << r.error.toStdString();
    EXPECT_EQ(r.image->byteAt(0x0000), 0x12u);
    EXPECT_EQ(r.image->byteAt(0x0001), 0x34u);
    EXPECT_EQ(r.image->byteAt(0x10000), 0xABu);
    EXPECT_EQ(r.image->byteAt(0x10002), 0xCDu);
    EXPECT_FALSE(r.image->byteAt(0x0002));
}

TEST(IntelHex, RefusesEveryKindOfDamageWhole)
{
    const char* const bad[] = {
        ":020000001234B9\n:00000001FF\n", // checksum
        "0200000012345A\n:00000001FF\n",  // no colon
        ":0300000012345A\n:00000001FF\n", // count does not match
        ":02000000123G5A\n:00000001FF\n", // not hex
        ":0200000012345A\n",              // no end record
        ":00000001FF\n:0200000012345A\n", // data after the end
        ":00000003FD\n:00000001FF\n",     // unknown record type
    };
    for (const char* text : bad) {
        const auto r = parseIntelHex(text);
        EXPECT_FALSE(r.image) << text;
        EXPECT_TRUE(r.error.startsWith("line ")) << text;
    }
}

TEST(UsbLog, OneLinePerRequestWithTheBufferInHex)
{
    VendorRecord r;
    r.timeUs = 12345;
    r.request = 0xDD;
    r.value = 0x8417;
    r.index = 0;
    r.direction = 1;
    r.length = 64;
    r.bytes[0] = 0x17;
    r.bytes[1] = 0x10;
    r.bytes[4] = 0x53;
    r.bytes[5] = 0x22;
    const QString line = usbLogLine(r);
    EXPECT_TRUE(line.startsWith("12 0xDD 0x8417 0x0000 1 64 0 17100000532200"))
        << line.toStdString();
    EXPECT_EQ(line.section(' ', 7).size(), 128);
}
