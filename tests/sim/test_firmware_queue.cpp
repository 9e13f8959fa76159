// The simulated firmware buffers result blocks as the real one does in its
// endpoint memory: losses while streaming measure the program, not the board.
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "support/SimRig.h"

#include <array>
#include <gtest/gtest.h>
#include <vector>

using namespace cv;
using namespace cv::sim;
using cv::test::SimRig;

namespace {

using Set = std::array<int32_t, 12>;

struct Queue : ::testing::Test {
    SimRig rig{cv::test::noFinger()};
    FirmwareModel& fw() { return rig.board->firmware(); }
    ChipModel& chip() { return rig.board->chip(); }
    int64_t periodUs = 0;

    void SetUp() override
    {
        WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip); // twelve stages, decimation 64
        periodUs = ChipModel::sequencePeriodUs(0x02B0);
        WriteRegister(reg::board::BoardStageSelect, reg::board::StreamResults, TargetBoard);
    }
    // Lets the chip run `n` sequences without the host asking, noting the
    // results of each as the chip held them.
    std::vector<Set> runSequences(int n)
    {
        std::vector<Set> sets;
        for (int i = 0; i < n; ++i) {
            const int64_t before = chip().sequencesRun();
            while (chip().sequencesRun() == before) {
                rig.services.virtualClock().advanceUs(periodUs / 8);
                chip().catchUp();
            }
            Set s{};
            for (int k = 0; k < 12; ++k)
                s[size_t(k)] = chip().peek(reg::convResult(k));
            sets.push_back(s);
        }
        return sets;
    }
    Set fetch(int16_t& status)
    {
        Set s{};
        ReadRegisters(11, 12, TargetBoard, 1, status, s.data());
        return s;
    }
};

} // namespace

TEST_F(Queue, FetchesTakeTheOldestSetAndAFullQueueDropsTheOldest)
{
    const auto made = runSequences(FirmwareModel::kQueueDepth + 6);
    EXPECT_EQ(fw().blocksWaiting(), FirmwareModel::kQueueDepth);
    EXPECT_EQ(fw().blocksOverflowed(), 6);
    EXPECT_EQ(fw().blocksProduced(), FirmwareModel::kQueueDepth + 6);
    int16_t status = 0;
    EXPECT_EQ(fetch(status), made[6]);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(fetch(status), made[7]);
    // Status stays up while any set waits; the fetches' own pauses let the
    // chip go on, and those sets wait too.
    int more = 0;
    while (status == 1 && more < 3 * FirmwareModel::kQueueDepth) {
        fetch(status);
        ++more;
    }
    EXPECT_GT(more, FirmwareModel::kQueueDepth - 2);
    EXPECT_NE(status, 1);
    EXPECT_EQ(fw().blocksFetched() + fw().blocksOverflowed(), fw().blocksProduced());
}

TEST_F(Queue, ReadingThePartIdEndsTheCaptureAndEmptiesTheQueue)
{
    runSequences(5);
    ReadRegister(reg::PART_ID, TargetChip);
    EXPECT_EQ(fw().blocksWaiting(), 0);
    runSequences(3);
    EXPECT_EQ(fw().blocksWaiting(), 0);
    EXPECT_EQ(fw().blocksProduced(), 5);
    // A new command starts afresh: nothing older than it counts.
    WriteRegister(reg::board::BoardStageSelect, reg::board::StreamResults, TargetBoard);
    EXPECT_EQ(fw().blocksWaiting(), 0);
    runSequences(2);
    EXPECT_EQ(fw().blocksWaiting(), 2);
}

TEST_F(Queue, TheThreeReadsOfARamBlockComeFromOneBlock)
{
    WriteRegister(reg::board::BoardStageSelect, 0x0008, TargetBoard); // stage 3, RAM mode
    // The stage's words as the chip held them at the end of each sequence.
    std::vector<std::array<int32_t, 36>> held;
    for (int i = 0; i < 4; ++i) {
        runSequences(1);
        std::array<int32_t, 36> words{};
        for (int k = 0; k < 36; ++k)
            words[size_t(k)] = chip().peek(reg::bank3(3, k));
        held.push_back(words);
    }
    // Sequences end between the three reads; the words still all belong to
    // the oldest block, the one the first read took.
    int32_t block[39] = {};
    int16_t status = 0;
    ReadRegisters(11, 15, TargetBoard, 1, status, block);
    runSequences(2);
    ReadRegisters(26, 15, TargetBoard, 1, status, block + 15);
    runSequences(2);
    ReadRegisters(41, 9, TargetBoard, 1, status, block + 30);
    for (int k = 0; k < 36; ++k)
        EXPECT_EQ(block[k], held[0][size_t(k)]) << k;
    EXPECT_NE(held[0], held[3]); // the chip moved on meanwhile
    EXPECT_EQ(fw().blocksFetched(), 1);
}
