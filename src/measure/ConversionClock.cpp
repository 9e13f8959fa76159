#include "measure/ConversionClock.h"

#include "config/AmbientCompensation.h"
#include "config/RegisterFields.h"
#include "platform/Services.h"

#include <algorithm>
#include <cmath>

namespace cv {

double setPeriodSeconds(int32_t pwrControl)
{
    const double sequence = sequencePeriodSeconds(pwrControl);
    if (field::POWER_MODE.of(pwrControl) != 2)
        return sequence;
    return sequence + 0.2 * (field::LP_CONV_DELAY.of(pwrControl) + 1);
}

ConversionClock::ConversionClock(double periodS, int64_t originUs)
    : nominal_(periodS), period_(periodS), originUs_(originUs)
{
}

double ConversionClock::rate() const
{
    return 1.0 / std::max(period_, nominal_);
}

ConversionStamp ConversionClock::stamp(int64_t fetchUs, int64_t dropped)
{
    ConversionStamp s;
    s.fetchSeconds = double(fetchUs - originUs_) / 1e6;
    const double f = s.fetchSeconds;
    const int64_t n = index_ + 1 + std::max<int64_t>(0, dropped);
    bool fresh = sets_ == 0 || pausePending_;
    if (!fresh && f - (anchorS_ + double(n - anchorIndex_) * period_) > stallSeconds())
        fresh = true;
    if (fresh) {
        s.gapBefore = sets_ > 0;
        anchorIndex_ = segmentIndex_ = n;
        // After the start or re-arm; after a stall nobody knows: a period
        // before its fetch, as the freshest set is.
        anchorS_ = floorS_ >= 0 ? std::clamp(floorS_, f - stallSeconds(), f) : f - nominal_;
        first_ = window_ = {};
        windowEndS_ = f + kWindowS;
    } else {
        anchorS_ = std::min(anchorS_, f - double(n - anchorIndex_) * period_);
    }

    const double offset = f - double(n - segmentIndex_) * nominal_;
    if (!window_.set || offset < window_.offset)
        window_ = {n, offset, true};
    if (f >= windowEndS_) {
        if (!first_.set) {
            first_ = window_;
        } else if (window_.index > first_.index) {
            const double drift =
                (window_.offset - first_.offset) / double(window_.index - first_.index);
            // The new period from this set on, without a jump.
            anchorS_ += double(n - anchorIndex_) * period_;
            anchorIndex_ = n;
            anchorS_ = std::min(anchorS_, f);
            period_ = nominal_ + std::clamp(drift, -kMaxDrift * nominal_, kMaxDrift * nominal_);
        }
        window_ = {};
        windowEndS_ = f + kWindowS;
    }

    s.index = n;
    s.seconds = anchorS_ + double(n - anchorIndex_) * period_;
    s.us = originUs_ + int64_t(std::llround(s.seconds * 1e6));
    index_ = n;
    ++sets_;
    pausePending_ = false;
    floorS_ = -1;
    return s;
}

void ConversionClock::pause(int64_t atUs)
{
    pausePending_ = true;
    floorS_ = double(atUs - originUs_) / 1e6;
}

void StreamTimeBase::start(double periodS, int64_t armedUs)
{
    started_ = true;
    clock_ = ConversionClock(periodS, armedUs);
    counts_ = BoardCountsSince();
    droppedSeen_ = 0;
}

void StreamTimeBase::pause()
{
    clock_.pause(services().nowUs());
}

ConversionStamp StreamTimeBase::fetched()
{
    const int64_t now = services().nowUs();
    if (!started_)
        start(clock_.nominalPeriod(), now);
    const int64_t dropped = counts_.overflowSoFar();
    const ConversionStamp s = clock_.stamp(now, dropped - droppedSeen_);
    droppedSeen_ = dropped;
    return s;
}

} // namespace cv
