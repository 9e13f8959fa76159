#include "measure/SpectrumCommand.h"

#include "config/AmbientCompensation.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/SensorOverview.h"
#include "platform/Services.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <cstdio>

namespace cv {

namespace {
double rounded(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}
} // namespace

double setRateHz(int32_t pwrControl)
{
    if (!isConverting(pwrControl))
        return 0;
    return 1.0 / sequencePeriodSeconds(pwrControl);
}

void SpectrumFeed::begin(double seconds)
{
    seconds_ = seconds;
    restart();
    restarts_ = 0;
}

void SpectrumFeed::restart()
{
    rate_ = setRateHz(ReadRegister(reg::PWR_CONTROL, TargetChip));
    history_.clear();
    history_.setCapacity(std::max(SpectrumAnalyser::kMinSamples, int(std::ceil(seconds_ * rate_))));
    counts_.emplace();
    overflow_ = 0;
    gap_ = false;
    ++restarts_;
}

void SpectrumFeed::setSeconds(double seconds)
{
    seconds_ = seconds;
    history_.setCapacity(std::max(SpectrumAnalyser::kMinSamples, int(std::ceil(seconds_ * rate_))));
}

void SpectrumFeed::add(const std::array<int32_t, SetHistory::kStages>& values, int rearms)
{
    const int64_t overflow = counts_ ? counts_->overflowSoFar() : 0;
    if (gap_ || rearms != rearms_ || overflow != overflow_) {
        rearms_ = rearms;
        restart();
    }
    history_.push(values);
}

StageSpectrum SpectrumFeed::spectrum(int stage, SpectrumAnalyser::Window window)
{
    return analyser_.analyse(history_.last(stage, history_.size()), rate_, window);
}

std::array<int32_t, SetHistory::kStages> spectrumInput(const SensorOverviewReading& r)
{
    std::array<int32_t, SetHistory::kStages> v{};
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = r.stages()[i].cdc;
    return v;
}

QJsonObject spectrumJson(int stage, const StageSpectrum& s)
{
    QJsonArray peaks;
    for (const SpectrumPeak& p : s.peaks)
        peaks.append(QJsonObject{
            {QStringLiteral("hz"), rounded(p.hz, 3)},
            {QStringLiteral("counts_pp"), rounded(p.countsPp, 2)},
            {QStringLiteral("alias_of"), p.aliasOf ? QJsonValue(*p.aliasOf) : QJsonValue()}});
    return {{QStringLiteral("stage"), stage},
            {QStringLiteral("rate_hz"), rounded(s.rateHz, 3)},
            {QStringLiteral("resolution_hz"), rounded(s.resolutionHz, 4)},
            {QStringLiteral("noise_floor"), rounded(s.noiseFloor, 3)},
            {QStringLiteral("peaks"), peaks}};
}

bool RunSpectrumCommand(double seconds, std::optional<int> stage)
{
    SensorOverviewReading r;
    if (r.start() != AdcReading::Start::Started)
        return false;
    SpectrumFeed feed;
    feed.begin(seconds);
    const int64_t untilMs = services().nowMs() + int64_t(seconds * 1000);
    if (!streamOverviewUntil(r, untilMs, [&] { feed.add(spectrumInput(r), r.rearms()); }))
        return false;
    r.stop();
    if (feed.restarts() > 1)
        std::fprintf(stderr,
                     "The sets were not evenly spaced (a gap or dropped sets): the "
                     "spectrum covers the last %d sets only.\n",
                     feed.sets());
    for (int s = 0; s < kAdcStages; ++s) {
        if (stage && *stage != s)
            continue;
        std::printf("%s\n", QJsonDocument(spectrumJson(s, feed.spectrum(s)))
                                .toJson(QJsonDocument::Compact)
                                .constData());
    }
    std::fflush(stdout);
    return true;
}

} // namespace cv
