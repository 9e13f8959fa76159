#pragma once
// The CV5320 as the simulated board sees it: 1024 registers, conversions
// driven by the shared clock. The chip catches up lazily whenever it is
// accessed.

#include "platform/Clock.h"

#include <array>
#include <cstdint>

namespace cv::sim {

class ChipModel {
public:
    ChipModel(const Clock& clock, uint64_t seed);

    uint16_t read(int address);
    void write(int address, uint16_t value);
    // Restores the power-on register values.
    void powerOnReset();
    // Runs conversions up to the clock's present time.
    void catchUp();

    // Raw register access without side effects (for the firmware model and tests).
    uint16_t peek(int address) const { return regs_[address & 0x3FF]; }
    void poke(int address, uint16_t value) { regs_[address & 0x3FF] = value; }

private:
    const Clock& clock_;
    uint64_t seed_;
    int64_t lastUs_ = 0;
    std::array<uint16_t, 0x400> regs_{};
};

} // namespace cv::sim
