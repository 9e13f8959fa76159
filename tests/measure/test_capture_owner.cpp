// The owner of the board's capture mode: what the transport tells it, when a
// lease counts as interrupted, and the converter read re-arming across a gap.
#include "ScriptedBoard.h"
#include "link/CaptureOwner.h"
#include "link/RegMap.h"
#include "measure/AdcReading.h"
#include "measure/SensorOverview.h"
#include "support/FakeServices.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
struct Capture : ::testing::Test {
    FakeServices services;
    ScriptedBoard board;
    int16_t status = 0;
    int32_t v[8] = {};
};
} // namespace

TEST_F(Capture, TheTransportReportsModeWritesAndEveryReadTouchingThePartId)
{
    CaptureOwner& o = captureOwner();
    WriteRegister(reg::board::BoardStageSelect, 0x0F00, TargetBoard);
    EXPECT_TRUE(o.capturing()); // and its mode, which the stage window compares with its own

    struct Read {
        int16_t target;
        int address, count;
        bool ends;
    };
    for (const Read& r : {Read{TargetChip, 0x018, 4, false}, Read{TargetBoard, 0x017, 1, false},
                          Read{TargetChip, 0x010, 7, false}, Read{TargetChip, 0x010, 8, true},
                          Read{TargetChip, 0x017, 1, true}}) {
        WriteRegister(reg::board::BoardStageSelect, 0x0F00, TargetBoard);
        const uint64_t ends = o.ends();
        ReadRegisters(int16_t(r.address), r.count, r.target, 0, status, v);
        EXPECT_EQ(!o.capturing(), r.ends) << r.address << "+" << r.count;
        EXPECT_EQ(o.ends() - ends, r.ends ? 1u : 0u);
    }
}

TEST_F(Capture, ALeaseIsInterruptedByAnEndOrAnotherModeNeverByItsOwnClaim)
{
    int handshakes = 0;
    bool boardTakesIt = true;
    WriteRegister(reg::board::BoardStageSelect, 0x8008, TargetBoard);
    CaptureLease lease([&] {
        ++handshakes;
        if (boardTakesIt)
            WriteRegister(reg::board::BoardStageSelect, 0x8008, TargetBoard);
        return boardTakesIt;
    });
    EXPECT_EQ(lease.check(), CaptureLease::Check::Intact);
    WriteRegister(reg::board::BoardStageSelect, 0x8008, TargetBoard); // the same mode again
    EXPECT_FALSE(lease.interrupted());

    // The view's own restart in a new mode is claimed, not an interruption.
    ReadRegister(reg::PART_ID, TargetChip);
    WriteRegister(reg::board::BoardStageSelect, 0x0008, TargetBoard);
    lease.claim();
    EXPECT_EQ(lease.check(), CaptureLease::Check::Intact);

    WriteRegister(reg::board::BoardStageSelect, 0x0F00, TargetBoard); // another window's mode
    EXPECT_EQ(lease.check(), CaptureLease::Check::Rearmed);
    ReadRegister(reg::PART_ID, TargetChip); // ... and an end
    EXPECT_EQ(lease.check(), CaptureLease::Check::Rearmed);
    EXPECT_EQ(handshakes, 2);

    boardTakesIt = false;
    ReadRegister(reg::PART_ID, TargetChip);
    EXPECT_EQ(lease.check(), CaptureLease::Check::Failed);

    CaptureLease moved = std::move(lease);
    EXPECT_EQ(captureOwner().leaseCount(), 1);
    EXPECT_EQ(moved.rearms(), 3); // two taken up, one failed: moved with the lease
    moved.release();
    EXPECT_EQ(captureOwner().leaseCount(), 0);
}

TEST_F(Capture, TheConverterReadRearmsWithItsHandshakeThenFetchesAtOnce)
{
    AdcReading reading;
    board.queue(std::vector<uint16_t>(12, 100));
    ASSERT_EQ(reading.start(true), AdcReading::Start::Started);
    reading.pass(); // the set the start's read-back saw
    reading.pass(); // nothing waiting: a probe
    board.queue(std::vector<uint16_t>(12, 200));

    ReadRegister(reg::PART_ID, TargetChip); // another window identifies the chip
    board.ops.clear();
    AdcReading::Pass p = reading.pass();
    EXPECT_TRUE(p.rearmed);
    // The handshake's status lets this pass fetch (and a rearm keeps the
    // count of passes: the live views' faults keep every set).
    EXPECT_EQ(board.ops, (std::vector<RegisterOp>{boardWrite(10, 0x0F00), boardRead(10, 1, 0),
                                                  boardRead(11, 12, 1)}));
    EXPECT_EQ(reading.results()[0], 200);

    reading.stop(); // its own stop: the lease goes
    EXPECT_EQ(captureOwner().leaseCount(), 0);
}

TEST_F(Capture, TheOverviewShowsEachStagesAmbientThresholdsAndStatusFromTheirRegisters)
{
    for (size_t a = 0x0E0; a < board.chip.size(); ++a)
        board.chip[a] = uint16_t(a); // every result register holds its own address
    board.chip[0x008] = 0x0801;      // low limit: stages 0 and 11
    board.chip[0x009] = 0x0402;      // high limit: 1 and 10
    board.chip[0x042] = 0x0204;      // proximity: 2 and 9
    board.queue(std::vector<uint16_t>(12, 100));
    SensorOverviewReading o;
    ASSERT_EQ(o.start(), AdcReading::Start::Started);
    for (int s = 0; s < 12; ++s) {
        const OverviewStage& st = o.stages()[size_t(s)];
        EXPECT_EQ(st.amb, 0x0F1 + 36 * s) << s;
        EXPECT_EQ(st.high, 0x0FA + 36 * s) << s;
        EXPECT_EQ(st.low, 0x101 + 36 * s) << s;
        EXPECT_EQ(st.proximity, s == 2 || s == 9) << s;
    }
    EXPECT_EQ(o.takeChipLimits(), 0x0C03u); // the low and high limit status together
}
