#pragma once
// "Sequencer Stage n": one stage's adaptive thresholds. It edits the
// stage's sensitivity, offsets and clamps, draws the thresholds they give as
// a level diagram, and streams the stage's live values into numbers, status
// lamps, the "Adaptive Threshold" chart and a results file.

#include "measure/ConversionClock.h"
#include "measure/StageResults.h"
#include "measure/StageStream.h"
#include "measure/StreamStats.h"

#include <QDialog>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;

namespace cv {

class FormulaFrm;
class Led;
class LevelDiagram;
class SpinArrows;
class StripChart;

class RRTabStageFrm : public QDialog {
    Q_OBJECT
public:
    explicit RRTabStageFrm(QWidget* parent = nullptr);
    ~RRTabStageFrm() override;

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    // One pass of the live readout; the pass's pause is the next interval.
    void ReadTimer_Timer();

    void OffsetHighTxt_KeyPress(int KeyAscii);
    void OffsetLowTxt_KeyPress(int KeyAscii);
    void HighClampTxt_KeyPress(int KeyAscii);
    void LowClampTxt_KeyPress(int KeyAscii);
    // Spin arrows: +1 up, -1 down; each acts as Enter in its box.
    void OffsetHighUpDown_Change(int direction);
    void OffsetLowUpDown_Change(int direction);
    void HighClampUpDown_Change(int direction);
    void LowClampUpDown_Change(int direction);
    void NegSensCmb_Click();
    void PosSensCmb_Click();
    void NegMaxSensCmb_Click();
    void PosMaxSensCmb_Click();
    void ShowFormulaPos_Click();
    void ShowFormulaNeg_Click();
    void CmdForceCal_Click();
    void BtnIntEnModeChk_Click();
    void ReadContCV5310Cmd_Click();
    void SSTab1_Click(int PreviousTab);
    void ChkSaveResults_Click();
    void CmdClearGraph_Click();
    void cmdClose_Click();

    // For tests and the rendering of the windows.
    bool armed() const { return Armed; }
    bool reading() const { return Reading; }
    QTimer* timer1() const { return Timer1; }
    QTimer* readTimer() const { return ReadTimer; }
    const StagePassLoop& passLoop() const { return Loop; }
    int64_t highThreshold() const { return HighThreshold; }
    int64_t lowThreshold() const { return LowThreshold; }
    const DiagramScale& scale() const { return Scale; }
    // The formula window's texts for the high (true) or the low threshold.
    void FillFormula(FormulaFrm& f, bool high) const;

private:
    // The parts of the window, built once by the constructor.
    QWidget* BuildSetupPage();
    QWidget* BuildRamPage();
    QWidget* BuildStatusFrame();
    QWidget* BuildChart(); // the chart; returns its legend
    enum Box { OffsetHigh, OffsetLow, HighClamp, LowClamp };
    int16_t BoxAddress(Box box) const;
    void ApplyValueBox(Box box);
    void StepValueBox(Box box, int direction);
    void SensitivityChoice(int32_t keepMask, int32_t bits);
    void EndCaptureForChange();
    void ThresholdRefresh();
    void DiagramUpdate();
    void StatusDisplay(const std::array<int32_t, 3>& status);
    void StartReading();
    void StopReading();
    void EndOfLoop();
    StageTab ShownTab() const;
    void CloseResultsFile();

    // Setup.
    QTabWidget* SSTab1;
    QComboBox* PosSensCmb;
    QComboBox* NegSensCmb;
    QComboBox* PosMaxSensCmb;
    QComboBox* NegMaxSensCmb;
    std::array<QLineEdit*, 4> ValueTxt{}; // OffsetHighTxt, OffsetLowTxt, HighClampTxt, LowClampTxt
    std::array<SpinArrows*, 4> ValueUpDown{};
    QLineEdit* AmbTxt;
    QLineEdit* PosThreshTxt;
    QLineEdit* NegThreshTxt;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label15;
    QLabel* Label17;
    QLabel* Label19;
    LevelDiagram* GraphShape;
    QPushButton* ShowFormulaPos;
    QPushButton* ShowFormulaNeg;
    QPushButton* CmdForceCal;
    QCheckBox* BtnIntEnModeChk;
    QLabel* BtnIntEnModeLbl;
    Led* InterrruptModeStatusShp;
    QLabel* InterrruptModeStatusLbl;

    // RAM Data: the 36 words of the stage's block and their names.
    std::array<QLineEdit*, 36> RamWordTxt{};
    std::array<QLabel*, 15> RamNameLbl{};

    // Status rows and lamps.
    std::array<std::array<QLabel*, 16>, 3> IntStatLbl{};
    std::array<QLineEdit*, 3> IntStatTxt{};
    std::array<Led*, 3> LED1{};
    QLabel* LowLmtIntLbl;
    QLabel* HighLimIntLbl;
    QLabel* CmpltIntLbl;

    // Chart and legend.
    StripChart* RegisterPlot;
    std::array<Led*, 6> GraphLed{};
    std::array<QLineEdit*, 6> TxtReg{};

    QPushButton* ReadContCV5310Cmd;
    QCheckBox* ChkSaveResults;
    QPushButton* CmdClearGraph;
    QPushButton* cmdClose;
    // Why reading stopped or broke off, when something ended the capture.
    QLabel* CaptureStatusLbl;
    QTimer* Timer1;
    QTimer* ReadTimer;

    // Window state.
    int Stage = 0;
    bool Armed = false;
    bool Reading = false;
    bool Converting = true;
    // A read of the part identifier ended the capture since the mode word
    // was last written: a new start selects the mode again.
    bool CaptureEnded = false;
    int ShownTabIndex = 0;
    int32_t SensitivityShadow = 0;
    int PosSens = 0, NegSens = 0;
    int64_t OffsetLowVal = 0, OffsetHighVal = 0, HighClampVal = 0, LowClampVal = 0;
    int64_t Ambient = 0, LiveAmbient = 0;
    int64_t HighThreshold = 0, LowThreshold = 0;
    DiagramScale Scale;
    StagePassLoop Loop;
    std::unique_ptr<StageResultsFile> ResultsFile;
    // Conversion times and the board's drops since reading started, from
    // the first pass on: the board catches up its tally of the idle time then.
    StreamTimeBase Time;
    int64_t ArmedUs = 0;
    int32_t PowerWord = 0;

public:
    QLabel* DroppedLbl; // "board dropped N sets", shown only then
};

} // namespace cv
