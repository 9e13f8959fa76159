#pragma once
// A board whose firmware the test scripts: chip and board registers in
// plain arrays, captured blocks queued by the test and handed out oldest
// first at each fetch (Index 1 from register 11), status 1 while any block
// waits. Every register request is recorded in order.

#include "link/TracingUsbAccess.h"
#include "link/UsbUtils.h"

#include <algorithm>
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
    int16_t Vendor_Request(int32_t, uint8_t request, uint32_t value, uint16_t index,
                           uint8_t direction, int32_t, uint8_t* buffer) override
    {
        VendorRecord r{0, request, value, index, direction};
        std::copy_n(buffer, r.bytes.size(), r.bytes.begin());
        const RegisterOp op = decodeRegisterOp(r).value();
        ops.push_back(op);
        auto& space = op.target == TargetChip ? chip : board;
        if (op.write) {
            space[size_t(op.address)] = uint16_t(op.value);
            return 0;
        }
        if (op.target == TargetBoard && index == 1 && op.address == 11 && !blocks.empty()) {
            std::copy(blocks.front().begin(), blocks.front().end(), board.begin() + 11);
            blocks.pop_front();
        }
        buffer[0] = uint8_t(op.address & 0xFF);
        buffer[1] = uint8_t(((op.address >> 8) & 3) | (4 << 2));
        buffer[2] = blocks.empty() ? 0 : 1;
        for (int i = 0; i < op.count; ++i) {
            const uint16_t w = space[size_t((op.address + i) & 0x3FF)];
            buffer[4 + 2 * i] = uint8_t(w >> 8);
            buffer[5 + 2 * i] = uint8_t(w & 0xFF);
        }
        return 0;
    }
};

// The requests as traced; a write carries 64 in its index word.
inline RegisterOp chipRead(int address, int count = 1)
{
    return {false, TargetChip, address, count, 0, 0};
}
inline RegisterOp boardRead(int address, int count, uint16_t index)
{
    return {false, TargetBoard, address, count, 0, index};
}
inline RegisterOp chipWrite(int address, int value)
{
    return {true, TargetChip, address, 0, value, 64};
}
inline RegisterOp boardWrite(int address, int value)
{
    return {true, TargetBoard, address, 0, value, 64};
}

// A nine-word summary block.
inline std::vector<uint16_t> summaryBlock(uint16_t cdc, uint16_t ambient, uint16_t maxAvg,
                                          uint16_t maxThresh, uint16_t minAvg, uint16_t minThresh,
                                          uint16_t prox = 0, uint16_t low = 0, uint16_t high = 0)
{
    return {cdc, ambient, maxAvg, maxThresh, minAvg, minThresh, prox, low, high};
}

} // namespace cv::test
