#pragma once
// `cv5320ctl overview` and `cv5320ctl snr`: the sensor overview and its
// noise, SNR and threshold suggestions without the window, on the program's
// clock. Both print JSON, one object per line.

#include "measure/SensorTuning.h"

#include <QJsonObject>
#include <optional>

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
    double requiredSnr = kDefaultRequiredSnr;
    double fraction = kDefaultAimFraction;
};

// Measures noise, then records touches, then prints one object per stage
// (stage, noise_sd, noise_pp, signal, snr, pass, suggested_pos_sens or
// suggested_neg_sens, why). Returns the exit status: 1 when the stream could
// not start, or with `require` when a touched stage falls short of it or no
// stage was touched at all.
int RunSnrCommand(const SnrOptions& options);

// One stage's line of `snr`.
QJsonObject snrJson(int stage, const StageSnr& snr, const SensSuggestion& suggestion);

} // namespace cv
