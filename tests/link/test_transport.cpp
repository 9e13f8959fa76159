#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "support/SimRig.h"

#include <functional>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
// A board stand-in that records requests and answers with a prepared reply.
class ScriptedAccess : public UsbAccess {
public:
    int16_t Search_For_Boards(uint32_t, uint32_t, int32_t&, uint8_t*) override { return 0; }
    int16_t Connect(uint32_t, uint32_t, uint8_t, int32_t&) override { return 0; }
    int16_t Download_Firmware(int32_t, const char*) override { return 0; }
    int16_t Vendor_Request(int32_t, uint8_t request, uint32_t value, uint16_t index,
                           uint8_t direction, int32_t, uint8_t* buffer) override
    {
        calls.push_back({request, value, index, direction});
        sent.assign(buffer, buffer + 64);
        if (direction == 1)
            std::copy(reply.begin(), reply.end(), buffer);
        return status;
    }
    struct Call {
        uint8_t request;
        uint32_t value;
        uint16_t index;
        uint8_t direction;
    };
    std::vector<Call> calls;
    std::vector<uint8_t> sent;
    std::array<uint8_t, 64> reply{};
    int16_t status = 0;
};

struct TransportTest : ::testing::Test {
    FakeServices services;
    ScriptedAccess access;
    TransportTest() { attachLink(&access, 7); }
    ~TransportTest() override { attachLink(nullptr, 0); }
};
} // namespace

TEST_F(TransportTest, ReadsCarryAddressCountAndTargetAndTakeBigEndianWordsFromTheReplyOffset)
{
    struct Case {
        int16_t address;
        int count, target, index;
        uint32_t value; // the request's value word
        int offset;     // where the reply's words start
    };
    std::vector<Case> cases = {
        {0x017, 1, TargetChip, 0, 0x8417, 4},
        {0x080, 8, TargetChip, 0, 0xA080, 4},
        {0x00B, 12, TargetBoard, 1, 0x300B, 4},
        {0x104, 2, TargetChip, 0, 0x8904, 4}, // address bit 8 travels beside the offset
    };
    // Up to the largest count, whose words end exactly at byte 64.
    for (int n = 16; n <= 28; ++n)
        cases.push_back({0x0E0, n, TargetChip, 0, 0x80E0u | uint32_t(n) << 10, 8});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        access.reply = {};
        access.reply[0] = static_cast<uint8_t>(c.address & 0xFF);
        access.reply[1] = static_cast<uint8_t>(c.offset << 2 | c.address >> 8);
        access.reply[2] = 1;
        for (int i = 0; i < c.count; ++i) {
            access.reply[c.offset + 2 * i] = static_cast<uint8_t>(0xA0 + i);
            access.reply[c.offset + 2 * i + 1] = static_cast<uint8_t>(0x0F + i);
        }
        int16_t status = 0;
        int32_t v[28] = {};
        access.calls.clear();
        ReadRegisters(c.address, c.count, c.target, c.index, status, v);
        ASSERT_EQ(access.calls.size(), 1u);
        EXPECT_EQ(access.calls[0].request, 0xDD);
        EXPECT_EQ(access.calls[0].direction, 1);
        EXPECT_EQ(access.calls[0].value, c.value);
        EXPECT_EQ(access.calls[0].index, c.index);
        EXPECT_EQ(status, 1);
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(v[i], (0xA0 + i) << 8 | (0x0F + i)) << i;
    }
    // Every read waits 5 ms first.
    EXPECT_EQ(services.sleeps, std::vector<int>(cases.size(), 5));
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(TransportTest, MismatchedEchoLeavesValuesUntouchedButTakesStatus)
{
    int16_t status = 0;
    int32_t v[2] = {111, 222};
    access.reply[0] = 0x18;
    access.reply[1] = 0x10;
    access.reply[2] = 7;
    ReadRegisters(0x017, 2, TargetChip, 0, status, v);
    EXPECT_EQ(std::vector<int32_t>(v, v + 2), (std::vector<int32_t>{111, 222}));
    EXPECT_EQ(status, 7);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(TransportTest, WriteLaysOutAddressTargetAndValueInTheLastFourBytes)
{
    auto lastFour = [&] {
        return std::vector<uint8_t>(access.sent.begin() + 60, access.sent.end());
    };
    usbLink().TransferBuffer[10] = 0x5A; // the buffer is never cleared
    WriteRegister(0x0A5, 0x1234, TargetChip);
    EXPECT_EQ(access.sent[10], 0x5A);
    ASSERT_EQ(access.calls.size(), 1u);
    EXPECT_EQ(access.calls[0].value, 0u);
    EXPECT_EQ(access.calls[0].index, 64);
    EXPECT_EQ(access.calls[0].direction, 0);
    EXPECT_EQ(lastFour(), (std::vector<uint8_t>{0x0A, 0x85, 0x12, 0x34}));
    WriteRegister(0x00A, 0x1234, TargetBoard);
    EXPECT_EQ(lastFour(), (std::vector<uint8_t>{0x00, 0x0A, 0x12, 0x34}));
    EXPECT_TRUE(services.sleeps.empty()); // writes do not pause
}

TEST_F(TransportTest, FailuresEndTheProgramWithTheirMessage)
{
    int16_t status = 0;
    int32_t v[29] = {};
    access.reply[1] = 0x10;
    ReadRegisters(0, 28, TargetChip, 0, status, v); // the most a request carries
    struct Case {
        std::function<void()> act;
        const char *text, *title;
        MsgIcon icon;
    };
    const Case cases[] = {
        // More than 28: no request at all.
        {[&] { ReadRegisters(0, 29, TargetChip, 0, status, v); },
         "You cannot read more than 28 registers.\r\nProgram will end.",
         "CV5320 Evaluation Software", MsgIcon::Exclamation},
        // Offset 10: 28 words would need 66 bytes.
        {[&] { access.reply[1] = 10 << 2, ReadRegisters(0, 28, TargetChip, 0, status, v); },
         "USB communication failed", "Error!", MsgIcon::Critical},
        {[&] { access.status = 3, WriteRegister(1, 1, TargetChip); }, "USB communication failed",
         "Error!", MsgIcon::Critical},
    };
    for (const auto& c : cases) {
        services.messages.clear();
        EXPECT_THROW(c.act(), ProgramEnded) << c.text;
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, c.text);
        EXPECT_EQ(services.messages[0].title, c.title);
        EXPECT_EQ(services.messages[0].icon, c.icon);
    }
    EXPECT_EQ(access.calls.size(), 3u);
}

// The EEPROM's reads and writes are start-up's (StartupTest).
TEST(SimTransport, PartIdIsReadOnly)
{
    SimRig rig;
    WriteRegister(reg::PART_ID, 0, TargetChip);
    EXPECT_EQ(ReadRegister(reg::PART_ID, TargetChip), 0x5322);
}
