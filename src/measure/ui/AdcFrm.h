#pragma once
// "CDC Converter ": the converter fields of PWR_CONTROL (decimation, number
// of sequencer stages, bias) and the conversion results of all twelve stages
// streamed into a strip chart, optionally into a results file. The stream
// runs as timer-driven passes, one per tick, each pass's pause being the
// next interval.

#include "measure/AdcReading.h"
#include "measure/ConversionClock.h"

#include <QDialog>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace cv {

class RegisterBitDisplay;
class StripChart;
class TrackedFile;

// The short coloured line beside a stage's check box: the colour of its trace.
class StageLineSwatch : public QWidget {
public:
    StageLineSwatch(const QColor& color, Qt::PenStyle style, QWidget* parent);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
    Qt::PenStyle style_;
};

class AdcFrm : public QDialog {
    Q_OBJECT
public:
    explicit AdcFrm(QWidget* parent = nullptr);
    ~AdcFrm() override;

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    void DecCmb_Click();
    void SeqStgCmb_Click();
    void BiasCtrlCmb_Click();
    void ReadContCV5310Cmd_Click();
    void StageChk_Click(int Index);
    void ClearBtn_Click();
    void ChkSaveResults_Click();
    void cmdClose_Click();
    // One pass of the continuous read.
    void ReadTimer_Timer();

    bool armed() const { return Armed; }
    bool reading() const { return Reading.reading(); }
    bool converting() const { return Converting; }
    const AdcReading& readingState() const { return Reading; }
    bool resultsFileOpen() const;
    QTimer* timer1() const { return Timer1; }
    QTimer* readTimer() const { return ReadTimer; }
    StripChart* plot() const { return AdcPlot; }

    // Trace colours, stage 0 to 11.
    static QColor stageColor(int stage);

private:
    // One pass of the reading loop: the next tick's interval, or -1 when
    // reading has ended.
    int OnePass();
    void StartReading();
    void StopReading();
    void FieldChoice(const RegField& f, QComboBox* list);
    void ShowSet(const std::array<int32_t, 13>& results);
    void FitRange(const std::array<int32_t, 13>& results);
    void CloseResultsFile();

    void ShowStatus();

    AdcReading Reading;
    StreamTimeBase Time;   // conversion times and the board's drops
    int32_t PowerWord = 0; // PWR_CONTROL as last read or written
    QString CaptureNote;   // what happened to the capture, beside the drops
    bool Converting = false;
    bool Armed = false;
    std::unique_ptr<TrackedFile> ResultsFile;
    // The chart's value range follows the shown traces.
    ValueRange Range;
    bool RangeSet = false;
    int SetsSinceFit = 0;

public:
    QPushButton* ReadContCV5310Cmd;
    QCheckBox* ChkSaveResults;
    QPushButton* ClearBtn;
    std::array<QCheckBox*, 12> StageChk{};
    std::array<StageLineSwatch*, 12> StageLine{};
    QComboBox* DecCmb;
    QComboBox* SeqStgCmb;
    QComboBox* BiasCtrlCmb;
    RegisterBitDisplay* PowContReg;
    StripChart* AdcPlot;
    QTimer* Timer1;
    QTimer* ReadTimer;
    QPushButton* cmdClose;
    // Why reading stopped or broke off, when something ended the capture.
    QLabel* CaptureStatusLbl;
};

} // namespace cv
