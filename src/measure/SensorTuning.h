#pragma once
// Noise, signal and SNR per stage, and threshold sensitivities suggested from
// them. The definitions an engineer reads in the overview window:
//
//   noise  = standard deviation and peak-to-peak of the delta (result minus
//            ambient) over the untouched sets measured;
//   signal = mean touched delta - mean untouched delta;
//   SNR    = |signal| / noise peak-to-peak (at least one converter count).
//
// A stage counts as touched when, during the touch recording, its delta left
// the untouched mean by more than twice the noise peak-to-peak; its touched
// sets are those that went at least half as far as the furthest.

#include "measure/AdcReading.h"
#include "measure/StreamStats.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace cv {

inline constexpr double kDefaultRequiredSnr = 5.0;
inline constexpr double kDefaultAimFraction = 0.6;
// A threshold stays at least this many noise peak-to-peaks clear of the ambient.
inline constexpr double kNoiseClearance = 3.0;

inline const QString kNoTouchSeen = QStringLiteral("no touch seen");
inline const QString kSnrTooLow = QStringLiteral("SNR too low");
inline const QString kOffsetOutOfReach = QStringLiteral("offset out of reach");

// The peak-to-peak that SNR divides by: a quiet stage still has one count.
double snrNoise(const RunningStats& noise);

struct StageSnr {
    double noiseSd = 0, noisePp = 0;
    std::optional<double> signal; // none: no touch seen
    std::optional<double> snr;
    std::optional<bool> pass; // none: not touched, so not marked
};

// The touched level among deltas recorded while keys were touched, or none.
std::optional<double> touchedMean(const std::vector<int32_t>& deltas, const RunningStats& noise);

// Noise sets and touch sets of the twelve stages, as the tuning records them.
class SnrRecording {
public:
    void clearNoise();
    void clearTouches();
    void addNoise(const std::array<int32_t, kAdcStages>& deltas);
    void addTouch(const std::array<int32_t, kAdcStages>& deltas);
    const RunningStats& noise(int stage) const { return noise_[size_t(stage)]; }
    int64_t touchSets() const { return int64_t(touch_[0].size()); }
    StageSnr figures(int stage, double requiredSnr) const;

private:
    std::array<RunningStats, kAdcStages> noise_{};
    std::array<std::vector<int32_t>, kAdcStages> touch_{};
};

// A suggested POS_THRESHOLD_SENS (touch above the ambient) or
// NEG_THRESHOLD_SENS (below) entry, or why there is none.
struct SensSuggestion {
    bool positive = true;
    int sens = -1;        // 0..15, -1: none
    int64_t distance = 0; // threshold - ambient it gives (negative below)
    QString why;
    bool usable() const { return sens >= 0; }
};

// Aims the threshold at `fraction` of the signal, at least kNoiseClearance
// noise peak-to-peaks from the ambient and short of the signal, using the
// stage window's threshold formula with the chip's offset on that side.
SensSuggestion suggestSensitivity(const StageSnr& snr, double offsetHigh, double offsetLow,
                                  double fraction);

// What the suggestions work from, per stage: read from the chip.
struct StageTuningRegs {
    int32_t sensitivity = 0, offsetLow = 0, offsetHigh = 0;
};
StageTuningRegs ReadStageTuningRegs(int stage);

struct SensChoice {
    int stage = 0;
    bool positive = true;
    int sens = 0;
};
// Writes each choice through the stage window's field, read-modify-write,
// leaving alone a field that already holds it. Returns the writes made.
int ApplySensChoices(const std::vector<SensChoice>& choices);

} // namespace cv
