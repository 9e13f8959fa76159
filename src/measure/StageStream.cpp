#include "measure/StageStream.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"

#include <algorithm>

namespace cv {

int32_t stageCaptureWord(int stage, StageTab tab)
{
    const int32_t bit = 1 << stage;
    return tab == StageTab::InitialSetup ? (bit | reg::board::SummaryFlag) : bit;
}

std::optional<OffsetEstimate> QuietPassEstimator::pass(const std::array<int32_t, 3>& status,
                                                       int32_t ambient, int32_t maxAverage,
                                                       int32_t minAverage)
{
    if ((status[0] | status[1] | status[2]) & 0x0FFF) {
        // A touch or a limit: estimate again as soon as it is quiet.
        count_ = 15;
        return std::nullopt;
    }
    if (count_ < 15) {
        ++count_;
        return std::nullopt;
    }
    count_ = 0;
    return OffsetEstimate{ambient - minAverage, maxAverage - ambient, ambient};
}

ChartRange ChartRangeTracker::range() const
{
    return {double(upper_), double(upper_ + 10000), double(lower_), double(lower_ - 10000)};
}

std::optional<ChartRange> ChartRangeTracker::pass(int passCounter, int32_t maxAverage,
                                                  int32_t minAverage, int32_t offsetHigh,
                                                  int32_t offsetLow)
{
    if (passCounter < 1)
        return std::nullopt;
    const int64_t m = offsetHigh > 500 ? offsetHigh : 500;
    const int64_t n = offsetLow > 500 ? offsetLow : 500;
    bool moved = passCounter == 1;
    if (moved || maxAverage > upper_ || maxAverage < upper_ - 1000) {
        upper_ = int64_t(maxAverage) + m;
        moved = true;
    }
    if (passCounter == 1 || minAverage < lower_ || minAverage > lower_ + 1000) {
        lower_ = int64_t(minAverage) - n;
        moved = true;
    }
    if (!moved)
        return std::nullopt;
    return range();
}

void StagePassLoop::start()
{
    passCounter_ = 0;
    status_ = 0;
    estimator_.reset();
}

void StagePassLoop::claimCapture(int32_t word)
{
    word_ = word;
    if (lease_.held()) {
        lease_.claim();
        return;
    }
    lease_ = CaptureLease([this] {
        const ModeHandshake h = handshakeCaptureMode(word_);
        status_ = h.status;
        return h.held;
    });
}

void StagePassLoop::releaseCapture()
{
    lease_.release();
}

StagePassResult StagePassLoop::pass(StageTab tab, int32_t offsetHigh, int32_t offsetLow)
{
    StagePassResult r;
    switch (lease_.check()) {
    case CaptureLease::Check::Intact: break;
    case CaptureLease::Check::Rearmed: r.rearmed = true; break;
    case CaptureLease::Check::Failed: r.rearmFailed = true; return r;
    }
    const bool ram = tab == StageTab::RamData;
    if (status_ != 1) {
        if (passCounter_ >= 1)
            r.indicator = Indicator::White;
        int32_t probe[1] = {0};
        ReadRegisters(reg::board::CapturedData, 1, TargetBoard, 0, status_, probe);
        r.nextIntervalMs = ram ? kRamPollMs : kSummaryPollMs;
        return r;
    }

    if (!ram || passCounter_ > 1)
        r.indicator = Indicator::Red;
    StageSample s;
    if (ram) {
        // 39 words do not fit one transfer.
        auto& b = s.block;
        ReadRegisters(reg::board::CapturedData, 15, TargetBoard, 1, status_, b.data());
        ReadRegisters(reg::board::CapturedData + 15, 15, TargetBoard, 1, status_, b.data() + 15);
        ReadRegisters(reg::board::CapturedData + 30, 9, TargetBoard, 1, status_, b.data() + 30);
        s.ambient = b[reg::SF_AMB];
        s.graph = {b[reg::CONV_DATA],      b[reg::SF_AMB],  b[reg::MAX_AVG],
                   b[reg::HIGH_THRESHOLD], b[reg::MIN_AVG], b[reg::LOW_THRESHOLD]};
        s.status = {b[36], b[37], b[38]};
        r.showBlock = passCounter_ > 1;
    } else {
        int32_t w[9] = {};
        ReadRegisters(reg::board::CapturedData, 9, TargetBoard, 1, status_, w);
        std::copy(w, w + 9, s.block.begin());
        s.ambient = w[1];
        s.graph = {w[0], w[1], w[2], w[3], w[4], w[5]};
        s.status = {w[7], w[8], w[6]};
        if (passCounter_ > 1)
            r.estimate = estimator_.pass(s.status, s.ambient, w[2], w[4]);
    }
    ++fetched_;
    r.range = range_.pass(passCounter_, s.graph[2], s.graph[4], offsetHigh, offsetLow);
    r.append = passCounter_ > 1;
    r.refreshThresholds = passCounter_ == 2;
    r.sample = s;
    if (passCounter_ < 3)
        ++passCounter_;
    return r;
}

void EndCapture()
{
    ReadRegister(reg::PART_ID, TargetChip);
}

} // namespace cv
