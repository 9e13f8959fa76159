// The register transport's reply decoding: any 64 bytes a board may send,
// for any address and count a caller may ask.
#include "link/UsbUtils.h"

#include <array>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 64 + 3)
        return 0;
    std::array<uint8_t, 64> reply{};
    std::memcpy(reply.data(), data, 64);
    const auto address = static_cast<int16_t>((data[64] | (data[65] << 8)) & 0x3FF);
    const int32_t count = 1 + data[66] % cv::kMaxReadCount;

    std::array<int32_t, cv::kMaxReadCount> values;
    values.fill(-7);
    int16_t status = -1;
    const cv::ReplyFit fit =
        cv::decodeRegisterReply(reply.data(), address, count, status, values.data());
    if (status != reply[2])
        std::abort();
    for (int i = 0; i < cv::kMaxReadCount; ++i) {
        const bool filled = fit == cv::ReplyFit::Taken && i < count;
        // Words are 16 bits; nothing is written but the words asked for, and
        // nothing at all when the reply is not taken.
        if (filled ? (values[i] < 0 || values[i] > 0xFFFF) : values[i] != -7)
            std::abort();
    }
    return 0;
}
