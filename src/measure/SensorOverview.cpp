#include "measure/SensorOverview.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/Services.h"

#include <algorithm>

namespace cv {

namespace {
// SF_AMB to LOW_THRESHOLD in one read; the same offsets in every stage's block.
constexpr int kBlockFirst = reg::SF_AMB;
constexpr int kBlockWords = reg::LOW_THRESHOLD - reg::SF_AMB + 1;
static_assert(kBlockWords <= 28);
} // namespace

AdcReading::Start SensorOverviewReading::start(const std::function<void()>& started)
{
    const ConverterLoad load = LoadConverterView();
    stream_.setExtraWords(reg::board::StreamStatusWords);
    const int64_t armedUs = services().nowUs();
    const AdcReading::Start s = stream_.start(load.converting, started);
    if (s != AdcReading::Start::Started)
        return s;
    time_.start(setPeriodSeconds(load.pwrControl), armedUs);
    fullRound();
    away_ = false;
    lastSetMs_ = services().nowMs();
    return s;
}

void SensorOverviewReading::fullRound()
{
    for (step_ = 0; step_ < kRoundSteps;)
        directStep();
    roundActive_ = false;
    nextRoundMs_ = services().nowMs() + kRoundMs;
    ++rounds_;
}

uint32_t SensorOverviewReading::takeChipLimits()
{
    const uint32_t bits = chipLimits_;
    chipLimits_ = 0;
    return bits;
}

uint32_t SensorOverviewReading::takeLimitsSeen()
{
    const uint32_t bits = limitsSeen_ | setLimits();
    limitsSeen_ = 0;
    return bits;
}

uint32_t SensorOverviewReading::setLimits() const
{
    uint32_t bits = 0;
    for (int i = 0; i < kAdcStages; ++i)
        if (stages_[size_t(i)].touched())
            bits |= 1u << i;
    return bits;
}

SensorOverviewReading::Pass SensorOverviewReading::pass()
{
    Pass p;
    if (captureOwner().leaseCount() > 1) {
        p.yielded = true;
        away_ = true;
        p.nextIntervalMs = AdcReading::kPollPauseMs;
        return p;
    }
    const AdcReading::Pass s = stream_.pass();
    p.fetched = s.fetched;
    p.addsPoints = s.addsPoints;
    p.nextIntervalMs = s.nextIntervalMs;
    p.rearmed = s.rearmed;
    p.rearmFailed = s.rearmFailed;
    if (s.rearmFailed)
        return p;
    const int64_t now = services().nowMs();
    if (s.fetched) {
        ++fetched_;
        const int64_t stallMs =
            std::max<int64_t>(kStallMs, int64_t(3000 * time_.clock().nominalPeriod()));
        if (away_ || s.rearmed || now - lastSetMs_ > stallMs) {
            // Ambients and thresholds as they are now, before this set's delta.
            time_.pause();
            p.resumed = true;
            fullRound();
            away_ = false;
        }
        p.stamp = time_.fetched();
        lastSetMs_ = now;
        const auto& w = stream_.extraWords(); // low, high, mark and line
        statusWithSets_ = (w[2] >> 8) == reg::board::StreamStatusMark;
        if (statusWithSets_)
            interruptLine_ = w[2] & 1;
        for (int i = 0; i < kAdcStages; ++i) {
            OverviewStage& st = stages_[size_t(i)];
            st.cdc = stream_.results()[size_t(i)];
            // The chip's own bits where the firmware sends them with the set,
            // else the set against its thresholds as the chip compares them.
            st.highLimit = statusWithSets_ ? bool((w[1] >> i) & 1) : st.cdc > st.high;
            st.lowLimit = statusWithSets_ ? bool((w[0] >> i) & 1) : st.cdc < st.low;
        }
        limitsSeen_ |= setLimits();
    } else if (s.rearmed) {
        away_ = true;
    }
    if (!roundActive_ && now >= nextRoundMs_) {
        roundActive_ = true;
        step_ = 0;
        nextRoundMs_ = now + kRoundMs;
    }
    // The direct reads take the time the stream would wait anyway; a round
    // still running after half its time also takes passes that fetched.
    const bool late = now >= nextRoundMs_ - kRoundMs / 2;
    if (!roundActive_ || (s.fetched && !late))
        return p;
    for (int i = 0; i < kStepsPerPass && step_ < kRoundSteps; ++i)
        directStep();
    if (step_ == kRoundSteps) {
        roundActive_ = false;
        ++rounds_;
        p.refreshed = true;
    }
    const int64_t spent = services().nowMs() - now;
    p.nextIntervalMs = int(std::max<int64_t>(0, p.nextIntervalMs - spent));
    return p;
}

void SensorOverviewReading::directStep()
{
    int16_t status = 0;
    if (step_ < kAdcStages) {
        int32_t w[kBlockWords] = {};
        ReadRegisters(reg::bank3(step_, kBlockFirst), kBlockWords, TargetChip, 0, status, w);
        OverviewStage& st = stages_[size_t(step_)];
        st.amb = w[0];
        st.high = w[reg::HIGH_THRESHOLD - kBlockFirst];
        st.low = w[reg::LOW_THRESHOLD - kBlockFirst];
    } else {
        int32_t limits[2] = {};
        ReadRegisters(reg::STAGE_LOW_INT_STATUS, 2, TargetChip, 0, status, limits);
        const int32_t prox = ReadRegister(reg::PROXIMITY_STATUS, TargetChip);
        chipLimits_ |= uint32_t(limits[0] | limits[1]) & 0x0FFF;
        for (int i = 0; i < kAdcStages; ++i)
            stages_[size_t(i)].proximity = (prox >> i) & 1;
    }
    ++step_;
}

void SensorOverviewReading::stop()
{
    if (!stream_.reading())
        return;
    stream_.stop();
    stream_.finish();
}

std::array<int32_t, kAdcStages> SensorOverviewReading::deltas() const
{
    std::array<int32_t, kAdcStages> d{};
    for (size_t i = 0; i < d.size(); ++i)
        d[i] = stages_[i].delta();
    return d;
}

bool streamOverviewUntil(SensorOverviewReading& r, int64_t untilMs,
                         const std::function<void()>& onSet)
{
    while (r.reading() && services().nowMs() < untilMs) {
        const SensorOverviewReading::Pass p = r.pass();
        if (p.rearmFailed) {
            services().message(rearmFailedText(reg::board::StreamResults));
            r.stop();
            return false;
        }
        if (p.fetched && p.addsPoints)
            onSet();
        if (p.nextIntervalMs > 0)
            services().sleepMs(p.nextIntervalMs);
    }
    return true;
}

} // namespace cv
