#pragma once
// "Evaluation Demo": the sensor board's demo in four tabs (Demo, Control,
// Slider, JoyPad). One implementation; the three boards' windows differ only
// in their DemoVariant (Slider tab, demo parameters, start-up writes,
// settling).

#include "demo/DemoDecoders.h"
#include "demo/DemoLoop.h"
#include "link/BoardCounts.h"

#include <QDialog>
#include <QIcon>
#include <array>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;

namespace cv {

class KeyPicture;
class StripChart;
class DemoShape;
class IconScreen;
struct RegField;
struct NumberFieldRule;

class EvalBoardFrm : public QDialog {
    Q_OBJECT
public:
    ~EvalBoardFrm() override;

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Timer1_Timer();
    void Timer2_Timer();
    // One pass of the running tab's loop (the loop timer's tick).
    void DemoTimer_Timer();
    void EvalBoardDemoTab_Click(int PreviousTab);
    void RunTabDemo(int PreviousTab);
    void cmdClose_Click();

    // Settings panel.
    void PowModeCmb_Click();
    void ConvStartCmb_Click();
    void FullPowSkipCmb_Click();
    void LowPowSkipCmb_Click();
    void SkipCtrlCmb_Click();
    void FullProxTimeCmb_Click();
    void LowProxTimeCmb_Click();
    void PowDownCmb_Click();
    void SlowFifoCmb_Click();
    void FastRateTxt_Change();
    void FiltCompTxt_Change();
    void FullPowCtrlTxt_Change();
    void LowPowCtrlTxt_Change();
    void CmdForceCal_Click();
    void CmdResetConv_Click();
    // Typing into a settings list (key code as the platform gives it).
    bool ComboKeyPress(QComboBox* box, QChar key);

    // Demo tab controls and demo parameters.
    void BtnIntEnModeChk_Click();
    void PlaySoundEnableChk_Click();
    void AutoscrollTxt_Change();
    void ItemResolutionTxt_Change();
    void FastScrollChk_Click();
    void AutoscrollEnableChk_Click();
    void ParameterTxt_Change(int Index); // 0..3: 0x03C .. 0x03F
    void PosRatioTxt_KeyPress(int KeyAscii);
    void ParameterUpDown_Change(int Index); // 0..4: 0x03C .. 0x040
    void RelMovementTxt_Change();

    const DemoVariant& variant() const { return variant_; }
    bool formReady() const { return FormReady; }
    bool chipConverting() const { return ChipConverting; }
    bool demoRunning() const { return loop_.active(); }
    const DemoLoop& loop() const { return loop_; }
    QTimer* timer1() const { return Timer1; }
    QTimer* demoTimer() const { return DemoTimer; }
    QTabWidget* tabs() const { return EvalBoardDemoTab; }
    int iconCount() const { return int(icons_.size()); }
    const DecoderState& decoderState() const { return state_; }

protected:
    EvalBoardFrm(const DemoVariant& variant, QWidget* parent);
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kBaseWidth = 960, kBaseHeight = 640;
    void LayOut();
    void BuildDemoTab(QWidget* tab);
    void BuildControlTab(QWidget* tab);
    void BuildSliderTab(QWidget* tab);
    void BuildJoyPadTab(QWidget* tab);
    void LoadIcons();
    void ShowSettings(const int32_t regs[5]);
    void RefreshSettings();
    void ShowTimings(const int32_t regs[5]);
    void ListChoice(const RegField& f, QComboBox* box);
    void NumberChanged(const NumberFieldRule& rule, QLineEdit* box);
    void ShowParameters(const int32_t params[5]);
    void WriteParameter(int Index, int32_t value);
    void ScaleChart();
    void EndRunningLoop();
    void ShowDemoBlock(const std::vector<int32_t>& w);
    void ShowSliderBlock(const std::vector<int32_t>& w);
    void ShowJoyPadBlock(const std::vector<int32_t>& w);
    void ShowKeys(const KeysView& k, int element);
    void PlayClicks(int clicks);
    void DrawTicks(int tick);
    bool SoundOn() const;

    const DemoVariant& variant_;
    DemoLoop loop_;
    std::optional<BoardCountsSince> dropped_; // since the running tab started
    DecoderState state_;
    std::vector<QIcon> icons_;        // the JoyPad grid's icons, row by row
    std::array<int32_t, 5> params_{}; // board 0x03C..0x040 as last read
    QString IconFile;

    bool FormReady = false;
    bool ChipConverting = false;

    QTabWidget* EvalBoardDemoTab;
    QPushButton* cmdClose;
    QLabel* DroppedLbl; // "board dropped N sets", shown only then
    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* DemoTimer;

    // Demo tab
    QListWidget* SubMenuLst;
    std::array<std::array<KeyPicture*, kDemoKeys>, 2> Keys{}; // [element][key]
    std::array<DemoShape*, kTicks> CrossVTic2Shp{};
    std::array<QLabel*, 32> KrvReg2Lbl{};
    std::array<QLabel*, 16> KrvReg3Lbl{};
    QLineEdit* PositionTxt;
    DemoShape* TapShp;
    QCheckBox* PlaySoundEnableChk;
    QLabel* PlaySoundEnableLbl;
    QCheckBox* BtnIntEnModeChk;
    QLabel* BtnIntEnModeLbl;
    DemoShape* InterrruptModeStatusShp;
    QLineEdit* ItemResolutionTxt = nullptr;
    QCheckBox* FastScrollChk = nullptr;
    QLineEdit* AutoscrollTxt = nullptr;
    QLabel* AutoscrollLbl = nullptr;
    QCheckBox* AutoscrollEnableChk = nullptr;
    QLineEdit* RelMovementTxt = nullptr;

    // Control tab
    std::array<QGroupBox*, 5> RegFrame{};
    QComboBox* PowModeCmb;
    QComboBox* ConvStartCmb;
    QComboBox* FullPowSkipCmb;
    QComboBox* LowPowSkipCmb;
    QComboBox* SkipCtrlCmb;
    QComboBox* FullProxTimeCmb;
    QComboBox* LowProxTimeCmb;
    QComboBox* PowDownCmb;
    QComboBox* SlowFifoCmb;
    QLineEdit* FastRateTxt;
    QLineEdit* FiltCompTxt;
    QLineEdit* FullPowCtrlTxt;
    QLineEdit* LowPowCtrlTxt;
    QPushButton* CmdForceCal;
    QPushButton* CmdResetConv;
    std::array<QLineEdit*, 9> TimeTxt{};

    // Slider tab
    std::array<QProgressBar*, 8> SegmentSlider{};
    std::array<QLabel*, 8> SensorValueLbl{};
    std::array<DemoShape*, 8> Int2ShpX{};
    QSlider* PosSlider = nullptr;
    StripChart* SliderPlot = nullptr;
    std::vector<QLineEdit*> SliderTxt; // the variant's number boxes in word order
    std::array<QLineEdit*, 5> ParamTxt{};
    std::array<QSpinBox*, 5> ParamUpDown{};
    DemoShape* DataShp = nullptr;
    DemoShape* SliderTapShp = nullptr;
    QWidget* SliderPic = nullptr;

    // JoyPad tab
    IconScreen* ScreenPic;
    QLabel* ZoomPic;
    DemoShape* Shape1;
};

class EvalBoard2Frm : public EvalBoardFrm {
    Q_OBJECT
public:
    explicit EvalBoard2Frm(QWidget* parent = nullptr);
};

class EvalBoard3Frm : public EvalBoardFrm {
    Q_OBJECT
public:
    explicit EvalBoard3Frm(QWidget* parent = nullptr);
};

class EvalBoard4Frm : public EvalBoardFrm {
    Q_OBJECT
public:
    explicit EvalBoard4Frm(QWidget* parent = nullptr);
};

// The window of a board identifier (1, 58, 70), or null.
EvalBoardFrm* createEvalBoardFrm(int boardId, QWidget* parent = nullptr);

} // namespace cv
