#pragma once
// The values a spectrum is taken of, as they stream: a window of the last
// seconds at the chip's sequence rate, started again wherever the sets stop
// being evenly spaced. Shared by the spectrum panel and
// `cv5320ctl spectrum --seconds S [--stage N]`.

#include "measure/Spectrum.h"
#include "measure/StreamStats.h"

#include <QJsonObject>
#include <optional>

namespace cv {

class SensorOverviewReading;

// Sets per second that PWR_CONTROL gives (0 in shutdown).
double setRateHz(int32_t pwrControl);

class SpectrumFeed {
public:
    // Reads PWR_CONTROL for the rate and starts an empty window of `seconds`.
    void begin(double seconds);
    // A longer or shorter window; the newest sets that fit are kept.
    void setSeconds(double seconds);
    double seconds() const { return seconds_; }
    // The sets stopped for a while (another view read the board): the next
    // set starts a new window at the rate the chip then has.
    void gap() { gap_ = true; }
    // One set. A capture armed again (`rearms` grew) or sets the board
    // dropped break the even spacing: the window starts again from this set.
    void add(const std::array<int32_t, SetHistory::kStages>& values, int rearms);

    double rateHz() const { return rate_; }
    int sets() const { return history_.size(); }
    int restarts() const { return restarts_; }
    StageSpectrum spectrum(int stage,
                           SpectrumAnalyser::Window window = SpectrumAnalyser::Window::Hann);

private:
    void restart();

    SetHistory history_;
    SpectrumAnalyser analyser_;
    double rate_ = 0, seconds_ = 10;
    std::optional<BoardCountsSince> counts_;
    int64_t overflow_ = 0;
    int rearms_ = 0, restarts_ = 0;
    bool gap_ = false;
};

// What the spectrum is taken of: each stage's result. Its mean is removed,
// so it is the delta's spectrum without the steps of an ambient that the
// overview reads only twice a second.
std::array<int32_t, SetHistory::kStages> spectrumInput(const SensorOverviewReading& r);

// One stage's line of `spectrum`.
QJsonObject spectrumJson(int stage, const StageSpectrum& s);

// Streams for `seconds` and prints one object per stage (or only `stage`).
// False when the stream could not start or its capture was lost.
bool RunSpectrumCommand(double seconds, std::optional<int> stage);

} // namespace cv
