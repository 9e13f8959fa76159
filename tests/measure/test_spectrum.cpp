// The noise spectrum: frequency scale, amplitude in counts peak-to-peak, the
// window's leakage, alias naming at the rate given, and the window of sets.
#include "measure/Spectrum.h"
#include "measure/ui/SpectrumPanel.h"
#include "support/Files.h"
#include "support/RunProgram.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace cv;

namespace {
// `pp` counts peak-to-peak at `hz`, sampled at `rate`, on a ramp of `slope` per set.
std::vector<double> tone(int n, double rate, double hz, double pp, double slope = 0,
                         double phase = 0.3)
{
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] =
            30000 + slope * i + pp / 2 * std::sin(2 * std::numbers::pi * hz * i / rate + phase);
    return v;
}
} // namespace

TEST(Spectrum, AToneLandsAtItsFrequencyWithItsPeakToPeak)
{
    struct Case {
        double rate, hz, pp, slope;
    };
    const Case cases[] = {
        {108.507, 50.0, 40, 0},  // near the top of the band
        {27.127, 5.746, 40, 0},  // between bins
        {27.127, 1.0, 12, 0},    // low in the band
        {108.507, 7.3, 20, 3.0}, // on a drift the ambient would follow
    };
    SpectrumAnalyser a;
    for (const Case& c : cases) {
        std::vector<double> x = tone(1301, c.rate, c.hz, c.pp, c.slope);
        x[4] += 1e6; // among the oldest, dropped for a faster length
        const StageSpectrum s = a.analyse(x, c.rate);
        ASSERT_EQ(s.samples, 1296);
        EXPECT_EQ(s.amplitude.size(), 649u); // 0 to rate / 2
        ASSERT_FALSE(s.peaks.empty());
        EXPECT_NEAR(s.peaks[0].hz, c.hz, s.resolutionHz / 2) << c.hz;
        EXPECT_NEAR(s.peaks[0].countsPp, c.pp, 0.05 * c.pp) << c.hz;
        EXPECT_LT(s.noiseFloor, 0.01 * c.pp) << c.hz; // the median, not the mean
        EXPECT_LE(s.peaks.size(), 5u);
        for (size_t i = 1; i < s.peaks.size(); ++i)
            EXPECT_GE(s.peaks[i - 1].countsPp, s.peaks[i].countsPp);
    }
    EXPECT_TRUE(a.analyse(tone(15, 100, 10, 4), 100).peaks.empty());
    // Even, factors 2, 3 and 5 only, at most what there is.
    const std::pair<int, int> lengths[] = {{15, 0},      {16, 16},     {17, 16},
                                           {27, 24},     {1023, 1000}, {1079, 1024},
                                           {1080, 1080}, {1086, 1080}, {1301, 1296}};
    for (const auto& [have, used] : lengths)
        EXPECT_EQ(SpectrumAnalyser::fftLength(have), used) << have;
}

TEST(Spectrum, HannKeepsAStrongToneFromBuryingAWeakOne)
{
    // 2000 p-p between bins at 10.37 Hz and 4 p-p at 40 Hz: far from the
    // strong tone, Hann leaves less than a count; no window leaks tens.
    std::vector<double> x = tone(1024, 108.507, 10.37, 2000);
    const std::vector<double> weak = tone(1024, 108.507, 40, 4, 0, 0);
    std::transform(x.begin(), x.end(), weak.begin(), x.begin(),
                   [](double a, double b) { return a + b - 30000; });
    SpectrumAnalyser a;
    auto farLeak = [](const StageSpectrum& s) {
        double m = 0;
        for (size_t k = 0; k < s.amplitude.size(); ++k)
            if (k > 3 && std::abs(double(k) * s.resolutionHz - 10.37) > 3 &&
                std::abs(double(k) * s.resolutionHz - 40) > 1)
                m = std::max(m, s.amplitude[k]);
        return m;
    };
    const StageSpectrum hann = a.analyse(x, 108.507);
    EXPECT_LT(farLeak(hann), 0.5);
    ASSERT_GE(hann.peaks.size(), 2u);
    EXPECT_NEAR(hann.peaks[1].hz, 40, hann.resolutionHz);
    EXPECT_NEAR(hann.peaks[1].countsPp, 4, 0.4);
    EXPECT_GT(farLeak(a.analyse(x, 108.507, SpectrumAnalyser::Window::None)), 5);
}

TEST(Spectrum, HumIsNamedByItsAliasAtTheRateGiven)
{
    struct Case {
        int source;
        double rate, alias;
    };
    const Case cases[] = {{60, 27.127, 5.746},   {50, 27.127, 4.254},   {100, 27.127, 8.508},
                          {120, 27.127, 11.492}, {50, 108.507, 50.0},   {60, 108.507, 48.507},
                          {100, 108.507, 8.507}, {120, 108.507, 11.493}};
    for (const Case& c : cases) {
        EXPECT_NEAR(aliasFrequency(c.source, c.rate), c.alias, 0.002) << c.source << " " << c.rate;
        EXPECT_EQ(humSourceOf(c.alias + 0.08, c.rate, 0.1), c.source) << c.source << " " << c.rate;
    }
    EXPECT_EQ(humSourceOf(5.746, 108.507, 0.1), std::nullopt);
    EXPECT_EQ(humSourceOf(5.9, 27.127, 0.1), std::nullopt); // outside the resolution
    // Folded down, or below half the rate and so itself (the analyser names
    // its peaks: the simulated board's hum below).
    EXPECT_EQ(peakText({5.746, 40, 60}, 27.127), "5.75 Hz 40.0 p-p (alias of 60 Hz)");
    EXPECT_EQ(peakText({50, 40, 50}, 108.507), "50.00 Hz 40.0 p-p (50 Hz hum)");
}

TEST(Spectrum, HistoryKeepsTheNewestSets)
{
    SetHistory h;
    h.setCapacity(3);
    for (int v = 1; v <= 5; ++v)
        h.push({v, -v});
    EXPECT_EQ(h.last(0, 9), (std::vector<double>{3, 4, 5}));
    EXPECT_EQ(h.last(1, 2), (std::vector<double>{-4, -5}));
    h.setCapacity(2);
    EXPECT_EQ(h.last(0, 3), (std::vector<double>{4, 5}));
    h.setCapacity(4);
    h.push({6});
    EXPECT_EQ(h.last(0, 4), (std::vector<double>{4, 5, 6}));
}

TEST(Spectrum, ThePanelsPeakListTakesTheHeightItsLinesNeed)
{
    SpectrumPanel panel([](int) { return true; });
    panel.resize(480, 900);
    panel.show();
    const QString line = QStringLiteral(
        "<b>Stage 0</b> floor 0.54: 11.66 Hz 2.0 p-p; 7.66 Hz 1.5 p-p; 5.91 Hz 1.5 p-p<br>");
    const int least = 4 * panel.fontMetrics().height();
    PeakList& l = *panel.PeaksLbl;
    // Taller, shorter than its least height, taller again.
    for (int lines : {12, 1, 20}) {
        SCOPED_TRACE(lines);
        l.setText(line.repeated(lines));
        for (int i = 0; i < 3; ++i)
            QCoreApplication::sendPostedEvents();
        EXPECT_EQ(l.height(), std::max(least, l.heightForWidth(l.width())));
    }
    // Its text selects with the mouse.
    QTest::mousePress(&l, Qt::LeftButton, {}, {1, 3});
    QTest::mouseMove(&l, {l.width() - 2, 3});
    EXPECT_TRUE(l.selectedText().startsWith("Stage 0 floor 0.54: 11.66 Hz"))
        << l.selectedText().toStdString();
}

TEST(CtlSpectrum, NamesTheAliasOfMainsHumOnTheSimulatedBoard)
{
    QTemporaryDir dir;
    const QString hum = test::writeFile(dir.filePath("hum.txt"), "0 hum 60 40\n");
    const auto run = test::runProgram(
        QStringLiteral("cv5320ctl"),
        {"--board", "sim", "--scenario", hum, "spectrum", "--seconds", "3", "--stage", "5"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object(); // one line
    EXPECT_EQ(o["stage"].toInt(), 5);
    EXPECT_NEAR(o["rate_hz"].toDouble(), 27.127, 0.001); // decimation 256, twelve stages
    const double res = o["resolution_hz"].toDouble();
    EXPECT_NEAR(res, 27.127 / 78, 0.05);
    const QJsonObject top = o["peaks"].toArray()[0].toObject();
    EXPECT_NEAR(top["hz"].toDouble(), 5.746, res);
    EXPECT_NEAR(top["counts_pp"].toDouble(), 40, 8);
    EXPECT_EQ(top["alias_of"].toInt(), 60);
    EXPECT_LT(o["noise_floor"].toDouble(), 3);
}
