#include "measure/Spectrum.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cv {

double aliasFrequency(double sourceHz, double rateHz)
{
    if (rateHz <= 0)
        return sourceHz;
    return std::abs(sourceHz - rateHz * std::round(sourceHz / rateHz));
}

std::optional<int> humSourceOf(double hz, double rateHz, double toleranceHz)
{
    std::optional<int> best;
    double bestOff = toleranceHz;
    for (const int source : kHumSources) {
        const double off = std::abs(hz - aliasFrequency(source, rateHz));
        if (off <= bestOff && (!best || off < bestOff)) {
            best = source;
            bestOff = off;
        }
    }
    return best;
}

struct SpectrumAnalyser::Plan {
    int n = 0;
    Window kind = Window::Hann;
    kiss_fftr_cfg cfg = nullptr;
    std::vector<float> in, window;
    std::vector<kiss_fft_cpx> out;
    std::vector<double> sorted; // the amplitudes, for the median
    double windowSum = 0;

    ~Plan() { kiss_fftr_free(cfg); }
    void make(int length, Window w)
    {
        kiss_fftr_free(cfg);
        n = length;
        kind = w;
        cfg = kiss_fftr_alloc(n, 0, nullptr, nullptr);
        in.assign(size_t(n), 0.f);
        out.assign(size_t(n / 2 + 1), kiss_fft_cpx{});
        window.resize(size_t(n));
        windowSum = 0;
        for (int i = 0; i < n; ++i) {
            window[size_t(i)] =
                w == Window::None ? 1.f
                                  : float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1)));
            windowSum += window[size_t(i)];
        }
    }
};

int SpectrumAnalyser::fftLength(int samples)
{
    if (samples < kMinSamples)
        return 0;
    for (int n = samples & ~1;; n -= 2) {
        int m = n;
        for (const int f : {2, 3, 5})
            while (m % f == 0)
                m /= f;
        if (m == 1)
            return n;
    }
}

SpectrumAnalyser::SpectrumAnalyser() : plan_(std::make_unique<Plan>()) {}
SpectrumAnalyser::~SpectrumAnalyser() = default;

StageSpectrum SpectrumAnalyser::analyse(const std::vector<double>& samples, double rateHz,
                                        Window window)
{
    StageSpectrum s;
    s.rateHz = rateHz;
    const int n = fftLength(int(samples.size()));
    if (n == 0 || rateHz <= 0)
        return s;
    Plan& p = *plan_;
    if (p.n != n || p.kind != window)
        p.make(n, window);
    // Mean and slope removed: what the ambient compensation follows (warming,
    // cooling) is not noise, and through the window it would leak into the
    // lowest bins.
    const size_t first = samples.size() - size_t(n);
    const double mid = (n - 1) / 2.0;
    double mean = 0, slope = 0, spread = 0;
    for (int i = 0; i < n; ++i)
        mean += samples[first + size_t(i)];
    mean /= n;
    for (int i = 0; i < n; ++i) {
        slope += (i - mid) * (samples[first + size_t(i)] - mean);
        spread += (i - mid) * (i - mid);
    }
    slope /= spread;
    for (int i = 0; i < n; ++i)
        p.in[size_t(i)] =
            float((samples[first + size_t(i)] - mean - slope * (i - mid)) * p.window[size_t(i)]);
    kiss_fftr(p.cfg, p.in.data(), p.out.data());

    s.samples = n;
    s.resolutionHz = rateHz / n;
    const int bins = n / 2 + 1;
    s.amplitude.resize(size_t(bins));
    // A sine of amplitude A gives |X| = A x (window sum) / 2 in its bin;
    // peak-to-peak is twice A. DC and the last bin have no mirror half.
    for (int k = 0; k < bins; ++k) {
        // Squares of floats are exact in double: no need for hypot's care.
        const double re = p.out[size_t(k)].r, im = p.out[size_t(k)].i;
        const double mag = std::sqrt(re * re + im * im);
        const double scale = (k == 0 || k == n / 2) ? 2.0 : 4.0;
        s.amplitude[size_t(k)] = scale * mag / p.windowSum;
    }
    std::vector<double>& sorted = p.sorted;
    sorted.assign(s.amplitude.begin() + 1, s.amplitude.end());
    std::nth_element(sorted.begin(), sorted.begin() + ptrdiff_t(sorted.size() / 2), sorted.end());
    s.noiseFloor = sorted[sorted.size() / 2];

    // Local maxima from the second bin on (the first ones hold what is left
    // of the mean and the drift), placed between bins by a parabola through
    // the logarithms of the three amplitudes (close to exact for the Hann lobe).
    const auto& a = s.amplitude;
    for (int k = 2; k < bins; ++k) {
        const double left = a[size_t(k - 1)], right = k + 1 < bins ? a[size_t(k + 1)] : 0.0;
        if (!(a[size_t(k)] > left && a[size_t(k)] >= right))
            continue;
        SpectrumPeak peak{k * s.resolutionHz, a[size_t(k)], std::nullopt};
        if (k + 1 < bins && left > 0 && right > 0) {
            const double l = std::log(left), c = std::log(a[size_t(k)]), r = std::log(right);
            const double den = l - 2 * c + r;
            if (den < 0) {
                const double d = std::clamp(0.5 * (l - r) / den, -0.5, 0.5);
                peak.hz = (k + d) * s.resolutionHz;
                peak.countsPp = std::exp(c - 0.25 * (l - r) * d);
            }
        }
        s.peaks.push_back(peak);
    }
    std::sort(s.peaks.begin(), s.peaks.end(),
              [](const SpectrumPeak& x, const SpectrumPeak& y) { return x.countsPp > y.countsPp; });
    if (s.peaks.size() > size_t(StageSpectrum::kMaxPeaks))
        s.peaks.resize(size_t(StageSpectrum::kMaxPeaks));
    for (SpectrumPeak& peak : s.peaks)
        peak.aliasOf = humSourceOf(peak.hz, rateHz, s.resolutionHz);
    return s;
}

void SetHistory::setCapacity(int sets)
{
    sets = std::max(1, sets);
    if (sets == capacity_)
        return;
    // Keep the newest sets that still fit.
    std::vector<std::array<int32_t, kStages>> kept;
    const int keep = std::min(count_, sets);
    for (int i = count_ - keep; i < count_; ++i)
        kept.push_back(ring_[size_t((head_ - count_ + i + capacity_) % capacity_)]);
    ring_.assign(size_t(sets), {});
    std::copy(kept.begin(), kept.end(), ring_.begin());
    capacity_ = sets;
    count_ = keep;
    head_ = keep % sets;
}

void SetHistory::push(const std::array<int32_t, kStages>& values)
{
    if (capacity_ == 0)
        setCapacity(1);
    ring_[size_t(head_)] = values;
    head_ = (head_ + 1) % capacity_;
    count_ = std::min(count_ + 1, capacity_);
}

std::vector<double> SetHistory::last(int stage, int count) const
{
    count = std::clamp(count, 0, count_);
    std::vector<double> v(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        v[size_t(i)] = ring_[size_t((head_ - count + i + capacity_) % capacity_)][size_t(stage)];
    return v;
}

} // namespace cv
