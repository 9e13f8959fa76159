#include "platform/Clock.h"

#include <chrono>

namespace cv {

namespace {
int64_t steadyUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

SteadyClock::SteadyClock() : start_(steadyUs()) {}

int64_t SteadyClock::nowUs() const
{
    return steadyUs() - start_;
}

} // namespace cv
