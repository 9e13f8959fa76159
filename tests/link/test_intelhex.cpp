#include "link/IntelHex.h"
#include "link/TracingUsbAccess.h"
#include "support/Captions.h"
#include "support/Files.h"
#include "support/HexText.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

TEST(IntelHex, ReadsDataWithSegmentAndLinearBases)
{
    const auto r = parseIntelHex(":020000001234B8\n"
                                 ":020000020100FB\n" // segment 0x0100: base 0x1000
                                 ":01000000AB54\n"
                                 ":020000040000FA\n" // linear base 0
                                 ":01E00200CD50\n"
                                 ":00000001FF\n");
    ASSERT_TRUE(r.image) << r.error.toStdString();
    for (const auto& [at, v] :
         {std::pair{0x0000, 0x12u}, {0x0001, 0x34u}, {0x1000, 0xABu}, {0xE002, 0xCDu}})
        EXPECT_EQ(r.image->byteAt(at), v) << at;
    EXPECT_FALSE(r.image->byteAt(0x0002));
    EXPECT_FALSE(r.image->byteAt(0x10000));
}

TEST(IntelHex, RunsJoinRecordsThatFollowEachOtherAndStartAddressesAreIgnored)
{
    const auto r = parseIntelHex(
        hexRecord(0, 0x03, QByteArray::fromHex("00000080")) +
        hexRecord(0, 0x05, QByteArray::fromHex("00000080")) +
        hexText({{0x0000, countingBytes(40)}, {0x0100, countingBytes(3)}, {0xE1FF, "\x7F"}}));
    ASSERT_TRUE(r.image) << r.error.toStdString();
    EXPECT_EQ(r.image->runs(),
              (std::vector<HexImage::Run>{{0x0000, 40}, {0x0100, 3}, {0xE1FF, 1}}));
    EXPECT_EQ(r.image->byteAt(39), 39u);
    // A start address record of the wrong size is damage, not a start address.
    EXPECT_FALSE(parseIntelHex(hexRecord(0, 0x05, "\x01\x02") + hexRecord(0, 0x01, {})).image);
}

// The fixture's texts, each with the error it is refused with, or "taken".
TEST(IntelHex, RefusesEveryKindOfDamageWhole)
{
    expectCases(QStringLiteral("link/fixtures/hex_texts.txt"), [](const QString& text) {
        const auto r = parseIntelHex(QString(text).replace(' ', '\n').toLatin1() + '\n');
        return r.image ? QStringLiteral("taken") : r.error;
    });
}

TEST(IntelHex, FileReaderTakesOnlyRegularFilesOfSensibleSize)
{
    QTemporaryDir dir;
    EXPECT_TRUE(readIntelHexFile(writeFile(dir.filePath("good.hex"),
                                           hexText({{0, QByteArray::fromHex("020080")}})))
                    .image);

    // A link to a device that never ends, a folder, a missing file.
    const QString zero = dir.filePath("zero.hex");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    EXPECT_TRUE(readIntelHexFile(zero).error.contains("not a regular file"));
    EXPECT_FALSE(readIntelHexFile(dir.path()).image);
    EXPECT_FALSE(readIntelHexFile(dir.filePath("missing.hex")).image);

    // Valid text, but more of it than any FX2 image needs.
    const QByteArray line = hexRecord(0, 0x00, countingBytes(16));
    const auto r = readIntelHexFile(
        writeFile(dir.filePath("big.hex"),
                  line.repeated(int(kMaxHexFileBytes / line.size()) + 1) + hexRecord(0, 0x01, {})));
    EXPECT_FALSE(r.image);
    EXPECT_TRUE(r.error.contains("larger than")) << r.error.toStdString();
}

TEST(UsbLog, OneLinePerRequestWithTheBufferInHex)
{
    VendorRecord r{.timeUs = 12345, .request = 0xDD, .value = 0x8417, .direction = 1, .length = 64};
    r.bytes[0] = 0x17, r.bytes[1] = 0x10, r.bytes[4] = 0x53, r.bytes[5] = 0x22;
    const QString line = usbLogLine(r);
    EXPECT_TRUE(line.startsWith("12 0xDD 0x8417 0x0000 1 64 0 17100000532200"))
        << line.toStdString();
    EXPECT_EQ(line.section(' ', 7).size(), 128);
}
