#pragma once
// The board controller's protocol firmware: its own register space, the
// capture modes and the demo computations, in front of the chip.

#include "platform/Clock.h"
#include "sim/ChipModel.h"

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

    static constexpr uint16_t kRevision = 0x41;

private:
    uint16_t readBoard(int address, uint16_t index);
    void writeBoard(int address, uint16_t value);
    bool blockReady() const;

    ChipModel& chip_;
    const Clock& clock_;
    std::array<uint16_t, 0x400> board_{};
};

} // namespace cv::sim
