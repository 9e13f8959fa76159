#pragma once
// What the noise of a stage is made of: the amplitude spectrum of its delta
// over the last seconds of sets, read as if the sets came evenly at the
// chip's sequence rate. Hann window, mean and slope removed, amplitudes in counts
// peak-to-peak so a line reads like the wobble on the delta chart. The
// largest peaks are named where they may be mains hum folded down by the
// sampling (60 Hz at 27.13 sets/s shows at 5.75 Hz).

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace cv {

struct SpectrumPeak {
    double hz = 0;
    double countsPp = 0;
    std::optional<int> aliasOf; // 50, 60, 100 or 120 Hz
};

struct StageSpectrum {
    double rateHz = 0;
    double resolutionHz = 0;         // bin spacing: rate / samples
    std::vector<double> amplitude;   // counts p-p of bin k at k x resolution, 0 to rate / 2
    double noiseFloor = 0;           // median amplitude, DC left out
    std::vector<SpectrumPeak> peaks; // by falling amplitude, at most kMaxPeaks
    int samples = 0;                 // sets transformed

    static constexpr int kMaxPeaks = 5;
};

// The mains frequencies and their first harmonics that hum comes from.
inline constexpr std::array<int, 4> kHumSources = {50, 60, 100, 120};

// Where a tone of `sourceHz` appears when sampled at `rateHz`: folded into 0
// to rate / 2.
double aliasFrequency(double sourceHz, double rateHz);
// The hum source whose alias at `rateHz` lies within `toleranceHz` of `hz`
// (the nearest one when several do), or nothing.
std::optional<int> humSourceOf(double hz, double rateHz, double toleranceHz);

// Transforms with a plan kept per length, so a live view that repeats the
// same length pays for the plan once.
class SpectrumAnalyser {
public:
    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // Hann by default; none (rectangular) shows the leakage it avoids.
    enum class Window { Hann, None };

    // Fewer than kMinSamples samples, or a rate that is not positive, give
    // an empty spectrum (no bins, no peaks). Only the newest fftLength()
    // samples are transformed, the oldest few dropped.
    StageSpectrum analyse(const std::vector<double>& samples, double rateHz,
                          Window window = Window::Hann);

    static constexpr int kMinSamples = 16;
    // The largest even length with no prime factor above 5 that `samples`
    // fills (0 below kMinSamples): other lengths transform several times
    // slower, and it drops at most a few percent of the oldest sets.
    static int fftLength(int samples);

private:
    struct Plan;
    std::unique_ptr<Plan> plan_;
};

// One value per stage of each of the last sets, oldest first, for the
// spectrum; cleared where the sets stop being evenly spaced (a gap, a change
// of rate).
class SetHistory {
public:
    static constexpr int kStages = 12;

    void setCapacity(int sets);
    int capacity() const { return capacity_; }
    void push(const std::array<int32_t, kStages>& values);
    void clear() { count_ = head_ = 0; }
    int size() const { return count_; }
    // The last `count` (at most size()) values of `stage`, oldest first.
    std::vector<double> last(int stage, int count) const;

private:
    int capacity_ = 0, count_ = 0, head_ = 0; // head_: slot of the next push
    std::vector<std::array<int32_t, kStages>> ring_;
};

} // namespace cv
