#pragma once
// `cv5320ctl overview` and `cv5320ctl snr`: the sensor overview and its
// noise, SNR and threshold suggestions without the window, on the program's
// clock. Both print JSON, one object per line.

#include "measure/SensorTuning.h"

#include <QJsonObject>
#include <optional>
#include <vector>

namespace cv {

class SensorOverviewReading;

// Streams for `seconds` and prints, once a second, `t_s` and `stages` (stage,
// cdc, amb, delta, high, low, touched). False when the stream could not
// start (the converter view's message has been shown).
bool RunOverviewCommand(double seconds);

struct SnrOptions {
    double noiseSeconds = 5;
    double touchSeconds = 10;
    bool apply = false;
    std::optional<double> require;
    std::vector<int> stages; // that --require judges; empty: sequenced and connected
    double requiredSnr = kDefaultRequiredSnr;
    double fraction = kDefaultAimFraction;
};

// Measures noise, then records touches, then prints one object per stage
// (stage, noise_sd, noise_pp, signal, snr, pass, suggested_pos_sens or
// suggested_neg_sens, why). Returns the exit status: 1 when the stream could
// not start, or with `require` when a stage to judge was not judged or
// falls short of it (one stderr line per such stage says which and why).
int RunSnrCommand(const SnrOptions& options);

// The stages an end-of-line check judges by default: those of the
// conversion sequence with at least one input connected.
std::vector<int> ConnectedSequenceStages();

// Why `stage` fails the check, or empty when it passes.
QString requireFailure(int stage, const StageSnr& snr, double required);

// One stage's line of `snr`.
QJsonObject snrJson(int stage, const StageSnr& snr, const SensSuggestion& suggestion);

} // namespace cv
