#pragma once
// A converter stand-in for calibration tests: the stages' result registers
// hold what a CDC would read from the stage's connections and offsets, so
// the searches are tested apart from the simulated chip's own model.
//
// Result = 32768 + Gain x (positive side - negative side), in offset steps:
// a sensor adds its capacitance to the side it is connected to, an offset
// field takes its steps off the side it acts on (its own, or the other one
// when swapped). Clamped to 0..65535.

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "support/ForwardingAccess.h"
#include "support/SimRig.h"

#include <algorithm>
#include <array>
#include <functional>

namespace cv::test {

class CdcStandIn final : public ForwardingAccess {
public:
    explicit CdcStandIn(SimRig& rig) : ForwardingAccess(rig.access()), rig_(rig) {}

    // Capacitance of each input, in offset steps.
    std::array<int, 13> sensor{20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20};
    int gain = 1000;
    // When set, the result as a function of the AFE offset word instead.
    std::function<int32_t(int32_t afe)> scripted;

    int32_t resultOf(int stage) const
    {
        const auto& chip = rig_.board->chip();
        const int32_t afe = chip.peek(reg::bank2(stage, 2));
        if (scripted)
            return scripted(afe);
        int plus = 0, minus = 0;
        for (int k = 0; k < 13; ++k) {
            const int code = (chip.peek(reg::bank2(stage, k / 7)) >> (2 * (k % 7))) & 3;
            if (code == 2)
                plus += sensor[static_cast<size_t>(k)];
            else if (code == 1)
                minus += sensor[static_cast<size_t>(k)];
        }
        const int neg = afe & 0x3F, pos = (afe >> 8) & 0x3F;
        (afe & 0x80 ? plus : minus) -= neg;
        (afe & 0x8000 ? minus : plus) -= pos;
        return std::clamp(32768 + gain * (plus - minus), 0, 65535);
    }

    // Before every request the chip is brought up to the present and its
    // result registers given the stand-in's values.
    int16_t Vendor_Request(int32_t h, uint8_t r, uint32_t v, uint16_t i, uint8_t d, int32_t l,
                           uint8_t* b) override
    {
        auto& chip = rig_.board->chip();
        chip.catchUp();
        for (int s = 0; s < reg::kStages; ++s)
            chip.poke(reg::convResult(s), static_cast<uint16_t>(resultOf(s)));
        return rig_.access().Vendor_Request(h, r, v, i, d, l, b);
    }

    // Puts the stand-in between the transport and the rig's board.
    void attach() { attachLink(this, usbLink().BoardHandle); }

private:
    SimRig& rig_;
};

} // namespace cv::test
