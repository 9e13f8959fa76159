#pragma once
// The board controller's protocol firmware: its own register space, the
// capture modes and the demo computations, in front of the chip.

#include "platform/Clock.h"
#include "sim/ChipModel.h"
#include "sim/SensorBoard.h"

#include <array>
#include <cstdint>

namespace cv::sim {

class FirmwareModel {
public:
    FirmwareModel(ChipModel& chip, const Clock& clock, int boardId, uint16_t interfaceWord);

    // Answers one register read request: fills `words` with `count` values
    // and returns the status byte of the reply.
    uint8_t readRegisters(int target, int address, int count, uint16_t index, uint16_t* words);
    void writeRegister(int target, int address, uint16_t value);

    uint16_t boardReg(int address) const { return board_[address & 0x3FF]; }
    void setBoardReg(int address, uint16_t value) { board_[address & 0x3FF] = value; }

    // What the firmware does when it starts: the board's standard configuration.
    void boot() { easySetup(); }
    // Loads the board's standard configuration into the chip: each sensor on
    // a single-ended stage of its own, offsets calibrated, calibration on.
    void easySetup();

    const BoardLayout& layout() const { return layout_; }
    bool capturing() const { return capturing_; }
    // A block waits in the queue for the host.
    bool blockReady() const;
    int blocksWaiting() const { return queued_; }
    // Blocks made since start, blocks the host fetched (Index 1 from 11) and
    // blocks dropped because the queue was full when a new one came.
    int64_t blocksProduced() const { return produced_; }
    int64_t blocksFetched() const { return fetched_; }
    int64_t blocksOverflowed() const { return overflow_; }

    static constexpr uint16_t kRevision = 0x41;
    static constexpr int kBlockWords = 40;
    // Result blocks the endpoint memory holds before the oldest is dropped.
    static constexpr int kQueueDepth = 64;
    // Blocks of the present state queued when a demo mode starts: hosts drop
    // up to three blocks after a start, and the touch that follows must not
    // be among them.
    static constexpr int kEntryBlocks = 4;
    // A held finger's reported position moves only when the measured one is
    // further away than this, so it stays within +-kHoldJitter.
    static constexpr int kHoldJitter = 2;

private:
    using Block = std::array<uint16_t, kBlockWords>;

    uint16_t readBoard(int address, uint16_t index);
    void writeBoard(int address, uint16_t value);
    void startCapture(uint16_t mode);
    void enqueue(const Block& b);
    void clearQueue() { head_ = queued_ = 0; }
    void onSequence(int64_t us);
    void runDemo(int64_t ms);
    void trackSlider(int64_t ms);
    Block buildBlock() const;
    void sliderWords(uint16_t* w) const;

    ChipModel& chip_;
    const Clock& clock_;
    const BoardLayout& layout_;
    std::array<uint16_t, 0x400> board_{};

    bool capturing_ = false;
    int64_t produced_ = 0, fetched_ = 0, overflow_ = 0;
    // Blocks made while capturing, oldest at head_: a fixed ring, as the
    // firmware's endpoint buffers are.
    std::array<Block, kQueueDepth> queue_{};
    int head_ = 0, queued_ = 0;
    Block seen_{}; // what threshold reporting compares against
    uint16_t seenLow_ = 0, seenHigh_ = 0, seenProx_ = 0;

    // Demo state, fresh at each capture start.
    struct Demo {
        uint16_t keys = 0, latch0 = 0, latch1 = 0;
        int64_t keyDownMs[5] = {};
        int64_t nextRepeatMs[5] = {};
        int repeatMs[5] = {};
        bool sliderActive = false;
        // The strongest signal of this touch; once the signal falls well
        // below it the finger is leaving and nothing it reports counts.
        double peak = 0;
        bool leaving = false, tracked = false;
        int64_t sliderStartMs = 0, leftMs = 0;
        int sliderStartPos = 0, lastStepPos = 0, pos = 0;
        // Slider-tab quantities, frozen with the position while leaving.
        double mean = 0, reverse = 0;
        int ratio = 0;
        double levels[8] = {};
        uint16_t segFlags = 0;
    } demo_;
};

} // namespace cv::sim
