#pragma once
// "Sensor Overview": every stage on one screen while the twelve results
// stream: result, ambient, delta, thresholds, a bar of the delta with the
// thresholds on it and a lamp for the touch state; a chart of the deltas of
// the ticked stages; noise and SNR per stage, and guided tuning of the
// threshold sensitivities (measure noise, touch each sensor, apply, save).
// Beside the chart a spectrum of the shown stages, under it their status lanes.
// A window of its own beside the others, not modal.

#include "measure/SensorOverview.h"
#include "measure/SensorTuning.h"

#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace cv {

class GlyphText;
class Led;
class NumberCell;
class SpectrumPanel;
class StatusLanes;
class StripChart;

// The delta as a bar about the ambient (the middle), with both thresholds marked.
class DeltaBar : public QWidget {
public:
    explicit DeltaBar(QWidget* parent = nullptr);
    // True when the bar's pixels change and it repaints: a delta one count
    // on mostly moves no pixel.
    bool setValues(int32_t delta, int32_t highOffset, int32_t lowOffset);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    // What the bar draws: its filled columns [from, to), their colour, the thresholds.
    struct Look {
        int from = 0, to = 0, tone = 0;
        int32_t high = 0, low = 0;
        bool operator==(const Look&) const = default;
    };
    Look lookOf(int32_t delta, int32_t high, int32_t low) const;

    int32_t delta_ = 0;
    Look look_;
};

class SensorOverviewFrm : public QWidget {
    Q_OBJECT
public:
    explicit SensorOverviewFrm(QWidget* parent = nullptr);
    ~SensorOverviewFrm() override;

    // Opening starts the stream; closing ends it.
    void Form_Load();
    void Form_Unload();
    void ReadCmd_Click();
    void ReadTimer_Timer();
    void ShowTimer_Timer();
    void NoiseCmd_Click();
    void TouchCmd_Click();
    void ApplyCmd_Click();
    void SaveCmd_Click();

    enum class Phase { Idle, Noise, Touch };
    Phase phase() const { return Phase_; }
    bool reading() const { return Reading.reading(); }
    const SensorOverviewReading& overview() const { return Reading; }
    const SnrRecording& recording() const { return Recording; }
    const SensSuggestion& suggestion(int stage) const { return Suggestions[size_t(stage)]; }
    QTimer* readTimer() const { return ReadTimer; }
    StripChart* chart() const { return DeltaPlot; }

    static QString definitionText();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // One pass of the reading loop: the next tick's interval, or -1 when
    // reading has ended.
    int OnePass();
    void StartReading();
    void StopReading();
    void EndPhase();
    void StopPhase();
    void ShowFigures();
    void ShowRows();
    void FitChart();
    void ArrangeLanes();

    SensorOverviewReading Reading;
    SnrRecording Recording;
    Phase Phase_ = Phase::Idle;
    int64_t PhaseEndMs = 0;
    bool NoiseDone = false;
    std::array<SensSuggestion, kAdcStages> Suggestions{};
    // The ticks of the chart column, kept together: every set reads them, and
    // the boxes themselves lie scattered in memory.
    std::array<bool, kAdcStages> Charted{};
    // The glyphs of the table's live numbers, and the numbers they show
    // (result, ambient, delta, high, low per stage).
    std::unique_ptr<GlyphText> Digits;
    std::array<std::array<int32_t, 5>, kAdcStages> ShownNumbers{};
    bool WaitingShown = false; // CaptureLbl says another window reads
    int64_t ShownDropped = 0;  // the count DroppedLbl tells

public:
    std::array<QCheckBox*, kAdcStages> ChartChk{};
    std::array<NumberCell*, kAdcStages> CdcLbl{}, AmbLbl{}, DeltaLbl{}, HighLbl{}, LowLbl{};
    std::array<DeltaBar*, kAdcStages> Bar{};
    std::array<Led*, kAdcStages> TouchLed{};
    std::array<QLabel*, kAdcStages> NoiseSdLbl{}, NoisePpLbl{}, SignalLbl{}, SnrLbl{}, MarkLbl{},
        SuggestLbl{};
    std::array<QCheckBox*, kAdcStages> ApplyChk{};
    StripChart* DeltaPlot;
    std::unique_ptr<StatusLanes> Lanes; // under the deltas, in the same chart
    SpectrumPanel* Spectrum;
    QPushButton* ReadCmd;
    QPushButton* NoiseCmd;
    QSpinBox* NoiseSecondsSpin;
    QPushButton* TouchCmd;
    QSpinBox* TouchSecondsSpin;
    QSpinBox* AimSpin;
    QDoubleSpinBox* RequiredSpin;
    QPushButton* ApplyCmd;
    QPushButton* SaveCmd;
    QLabel* PhaseLbl;
    QLabel* CaptureLbl; // says when the capture was armed again
    QLabel* DroppedLbl; // sets the board dropped since this start
    QPushButton* cmdClose;
    QTimer* ReadTimer;
    QTimer* ShowTimer;
};

} // namespace cv
