// The scenario parser on any text: a script it takes must keep the finger on
// the board at every moment, however far into the run.
#include "sim/SensorBoard.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const int kBoards[3] = {1, 58, 70};
    const cv::sim::BoardLayout& board = cv::sim::BoardLayout::forBoard(kBoards[data[0] % 3]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    QString error;
    const auto s = cv::sim::Scenario::parse(text, board, &error);
    if (!s) {
        if (!error.startsWith(QLatin1String("line ")))
            std::abort();
        return 0;
    }
    const uint32_t onBoard = (2u << board.centreTarget()) - 1;
    // Moments spread over the script, beyond it and at the end of 64-bit time.
    int64_t moments[40];
    for (int i = 0; i < 32; ++i)
        moments[i] = static_cast<int64_t>(i) * 977 * (1 + (data[i % size] & 7));
    const int64_t far[8] = {cv::sim::Scenario::kMaxMs,
                            cv::sim::Scenario::kMaxMs * 2,
                            INT64_MAX,
                            INT64_MAX / 1000,
                            s->loopMs() ? s->loopMs() - 1 : 1,
                            200,
                            199,
                            1'000'000'000};
    std::memcpy(moments + 32, far, sizeof far);
    for (int64_t ms : moments) {
        const cv::sim::FingerState f = s->at(ms);
        if (f.touched & ~onBoard)
            std::abort();
        if (!(f.sliderPos < 0 || (f.sliderPos >= 0 && f.sliderPos <= 255)))
            std::abort();
    }
    return 0;
}
