#pragma once
// A board whose firmware the test scripts: chip and board registers in
// plain arrays, captured blocks queued by the test and handed out oldest
// first at each fetch (Index 1 from register 11), status 1 while any block
// waits. Every register request is recorded in order.

#include "link/TracingUsbAccess.h"
#include "link/UsbUtils.h"
#include "link/VendorRequest.h"

#include <array>
#include <deque>
#include <vector>

namespace cv::test {

class ScriptedBoard final : public UsbAccess {
public:
    ScriptedBoard() { attachLink(this, 1); }
    ~ScriptedBoard() override { attachLink(nullptr, 0); }

    std::array<uint16_t, 0x400> chip{};
    std::array<uint16_t, 0x400> board{};
    std::deque<std::vector<uint16_t>> blocks;
    std::vector<RegisterOp> ops;

    void queue(std::vector<uint16_t> block) { blocks.push_back(std::move(block)); }

    int16_t Search_For_Boards(uint32_t, uint32_t, int32_t& n, uint8_t* list) override
    {
        n = 1;
        list[0] = 0;
        return 0;
    }
    int16_t Connect(uint32_t, uint32_t, uint8_t, int32_t& h) override
    {
        h = 1;
        return 0;
    }
    int16_t Download_Firmware(int32_t, const char*) override { return 0; }
    int16_t Vendor_Request(int32_t, uint8_t, uint32_t value, uint16_t index, uint8_t direction,
                           int32_t, uint8_t* buffer) override
    {
        if (direction == 0) {
            const int address = (buffer[60] << 4) | (buffer[61] & 0x0F);
            const int target = buffer[61] >> 7;
            const uint16_t v = uint16_t((buffer[62] << 8) | buffer[63]);
            ops.push_back({true, int16_t(target), address, 0, v, 0});
            (target == TargetChip ? chip : board)[size_t(address)] = v;
            return 0;
        }
        const int address = int(value & 0x3FF);
        const int count = int((value >> 10) & 0x1F);
        const int target = int(value >> 15) & 1;
        ops.push_back({false, int16_t(target), address, count, 0, index});
        if (target == TargetBoard && index == 1 && address == 11 && !blocks.empty()) {
            const auto b = blocks.front();
            blocks.pop_front();
            for (size_t i = 0; i < b.size(); ++i)
                board[11 + i] = b[i];
        }
        const auto& space = target == TargetChip ? chip : board;
        buffer[0] = uint8_t(address & 0xFF);
        buffer[1] = uint8_t(((address >> 8) & 3) | (4 << 2));
        buffer[2] = blocks.empty() ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            const uint16_t w = space[size_t((address + i) & 0x3FF)];
            buffer[4 + 2 * i] = uint8_t(w >> 8);
            buffer[5 + 2 * i] = uint8_t(w & 0xFF);
        }
        return 0;
    }
};

// A nine-word summary block.
inline std::vector<uint16_t> summaryBlock(uint16_t cdc, uint16_t ambient, uint16_t maxAvg,
                                          uint16_t maxThresh, uint16_t minAvg, uint16_t minThresh,
                                          uint16_t prox = 0, uint16_t low = 0, uint16_t high = 0)
{
    return {cdc, ambient, maxAvg, maxThresh, minAvg, minThresh, prox, low, high};
}

} // namespace cv::test
