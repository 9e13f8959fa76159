#include "measure/SensorTuning.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/StageResults.h"

#include <algorithm>
#include <cmath>

namespace cv {

double snrNoise(const RunningStats& noise)
{
    return std::max(1.0, noise.peakToPeak());
}

std::optional<double> touchedMean(const std::vector<int32_t>& deltas, const RunningStats& noise)
{
    if (noise.count() == 0)
        return std::nullopt;
    const double base = noise.mean();
    double far = 0;
    for (int32_t d : deltas)
        if (std::abs(d - base) > std::abs(far))
            far = d - base;
    if (std::abs(far) <= 2 * snrNoise(noise))
        return std::nullopt;
    RunningStats touched;
    for (int32_t d : deltas)
        if ((d - base) * far >= far * far / 2)
            touched.add(d);
    return touched.mean();
}

void SnrRecording::clearNoise()
{
    noise_.fill(RunningStats{});
    touchedInNoise_ = 0;
}

void SnrRecording::clearTouches()
{
    for (auto& t : touch_)
        t.clear();
}

void SnrRecording::addNoise(const std::array<int32_t, kAdcStages>& deltas, uint32_t limits)
{
    for (size_t i = 0; i < deltas.size(); ++i) {
        noise_[i].add(deltas[i]);
        if (((limits >> i) & 1) || std::abs(deltas[i]) > kNoiseTouchDelta)
            touchedInNoise_ |= 1u << i;
    }
}

void SnrRecording::addTouch(const std::array<int32_t, kAdcStages>& deltas)
{
    for (size_t i = 0; i < deltas.size(); ++i)
        touch_[i].push_back(deltas[i]);
}

StageSnr SnrRecording::figures(int stage, double requiredSnr) const
{
    const RunningStats& n = noise_[size_t(stage)];
    StageSnr f;
    f.noiseSets = n.count();
    f.noiseSd = n.stddev();
    f.noisePp = n.peakToPeak();
    f.touchedInNoise = touchedInNoise(stage);
    if (f.noiseSets == 0 || touch_[size_t(stage)].empty())
        f.why = kNoSets;
    else if (f.touchedInNoise)
        f.why = kTouchedInNoise;
    else if (const auto level = touchedMean(touch_[size_t(stage)], n)) {
        f.signal = *level - n.mean();
        f.snr = std::abs(*f.signal) / snrNoise(n);
        f.pass = *f.snr >= requiredSnr;
    } else {
        f.why = kNoTouchSeen;
    }
    return f;
}

SensSuggestion suggestSensitivity(const StageSnr& snr, double offsetHigh, double offsetLow,
                                  double fraction)
{
    SensSuggestion s;
    if (!snr.signal) {
        s.why = snr.why;
        return s;
    }
    s.positive = *snr.signal > 0;
    const double signal = std::abs(*snr.signal);
    const double clearance = kNoiseClearance * std::max(1.0, snr.noisePp);
    if (clearance >= signal) {
        s.why = kSnrTooLow;
        return s;
    }
    // The formula around an ambient of 0 gives each entry's distance.
    const double aim = fraction * signal;
    double best = 0;
    for (int e = 0; e < 16; ++e) {
        const int64_t d =
            s.positive ? highThreshold(0, offsetHigh, e) : -lowThreshold(0, offsetLow, e);
        if (d < clearance || d >= signal)
            continue;
        if (s.sens < 0 || std::abs(d - aim) < best) {
            s.sens = e;
            s.distance = s.positive ? d : -d;
            best = std::abs(d - aim);
        }
    }
    if (s.sens < 0)
        s.why = kOffsetOutOfReach;
    return s;
}

StageTuningRegs ReadStageTuningRegs(int stage)
{
    int32_t w[3] = {};
    int16_t status = 0;
    ReadRegisters(reg::bank2(stage, reg::SENSITIVITY), 3, TargetChip, 0, status, w);
    return {w[0], w[1], w[2]};
}

int ApplySensChoices(const std::vector<SensChoice>& choices)
{
    int writes = 0;
    for (const SensChoice& c : choices) {
        const RegField f =
            c.positive ? posThresholdSensField(c.stage) : negThresholdSensField(c.stage);
        const int32_t word = ReadRegister(f.address, TargetChip);
        if (f.of(word) == c.sens)
            continue;
        WriteRegister(f.address, f.with(word, c.sens), TargetChip);
        ++writes;
    }
    return writes;
}

} // namespace cv
