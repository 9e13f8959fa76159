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
//
// Noise is only noise when nobody touched: a stage whose status bits (the
// chip's, or the ones its thresholds give the set) show a limit, or whose
// delta goes beyond kNoiseTouchDelta, in any one set of the noise step was
// touched then, and gets no figures but the reason.

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

// Well above any converter noise, well below any finger.
inline constexpr int32_t kNoiseTouchDelta = 100;

inline const QString kNoTouchSeen = QStringLiteral("no touch seen");
inline const QString kTouchedInNoise = QStringLiteral("touched while measuring noise");
inline const QString kNoSets = QStringLiteral("no sets");
inline const QString kSnrTooLow = QStringLiteral("SNR too low");
inline const QString kOffsetOutOfReach = QStringLiteral("offset out of reach");

// The peak-to-peak that SNR divides by: a quiet stage still has one count.
double snrNoise(const RunningStats& noise);

struct StageSnr {
    int64_t noiseSets = 0; // none: no noise figures
    double noiseSd = 0, noisePp = 0;
    bool touchedInNoise = false;
    std::optional<double> signal; // none: not judged, see `why`
    std::optional<double> snr;
    std::optional<bool> pass; // none: not judged, so not marked
    QString why;              // why not judged
};

// The touched level among deltas recorded while keys were touched, or none.
std::optional<double> touchedMean(const std::vector<int32_t>& deltas, const RunningStats& noise);

// Noise sets and touch sets of the twelve stages, as the tuning records them.
class SnrRecording {
public:
    void clearNoise();
    void clearTouches();
    // `limits`: bit s when stage s showed a limit with these deltas.
    void addNoise(const std::array<int32_t, kAdcStages>& deltas, uint32_t limits = 0);
    void addTouch(const std::array<int32_t, kAdcStages>& deltas);
    const RunningStats& noise(int stage) const { return noise_[size_t(stage)]; }
    // Limits the chip showed during the noise step, between sets.
    void noteNoiseLimits(uint32_t limits) { touchedInNoise_ |= limits & 0x0FFF; }
    bool touchedInNoise(int stage) const { return (touchedInNoise_ >> stage) & 1; }
    int64_t touchSets() const { return int64_t(touch_[0].size()); }
    StageSnr figures(int stage, double requiredSnr) const;

private:
    std::array<RunningStats, kAdcStages> noise_{};
    uint32_t touchedInNoise_ = 0;
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
