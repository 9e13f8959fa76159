#pragma once
#include <cstdint>

namespace cv {

// Monotonic time in microseconds. The program and the simulated board read
// the same clock, so a virtual clock lets tests run chip time without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowUs() const = 0;
};

// Wall clock since construction.
class SteadyClock final : public Clock {
public:
    SteadyClock();
    int64_t nowUs() const override;

private:
    int64_t start_;
};

// Clock that moves only when told to.
class VirtualClock final : public Clock {
public:
    int64_t nowUs() const override { return now_; }
    void advanceUs(int64_t us) { now_ += us; }
    void advanceMs(int64_t ms) { now_ += ms * 1000; }

private:
    int64_t now_ = 0;
};

} // namespace cv
