#pragma once
// The simulated board, except that its firmware never takes up a capture
// mode: BoardStageSelect reads back 0 whatever is written. For the bounded
// handshakes of the live views.

#include "link/RegMap.h"
#include "sim/SimBoard.h"
#include "support/ForwardingAccess.h"
#include "support/SimRig.h"

namespace cv::test {

class StubbornBoard final : public ForwardingAccess {
public:
    explicit StubbornBoard(SimRig& rig) : ForwardingAccess(rig.access()), rig_(rig) {}
    int16_t Vendor_Request(int32_t h, uint8_t r, uint32_t v, uint16_t i, uint8_t d, int32_t l,
                           uint8_t* b) override
    {
        const int16_t s = rig_.access().Vendor_Request(h, r, v, i, d, l, b);
        rig_.board->firmware().setBoardReg(reg::board::BoardStageSelect, 0);
        return s;
    }

private:
    SimRig& rig_;
};

} // namespace cv::test
