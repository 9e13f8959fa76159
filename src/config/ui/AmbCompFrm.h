#pragma once
// "Ambient Compensation": the four registers of the calibration engine
// (STAGE_CAL_EN, AMB_COMP_CTRL0..2), the force calibration and conversion
// reset commands, and the time intervals that follow from the settings.

#include "config/RegisterFields.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace cv {

class RegisterBitDisplay;
struct NumberFieldRule;

class AmbCompFrm : public QDialog {
    Q_OBJECT
public:
    explicit AmbCompFrm(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Unload();
    void cmdClose_Click();
    void RRDataPathChk_Click(int Index);
    void FullPowSkipCmb_Click();
    void LowPowSkipCmb_Click();
    void SkipCtrlCmb_Click();
    void FullProxTimeCmb_Click();
    void LowProxTimeCmb_Click();
    void PowDownCmb_Click();
    void SlowFifoCmb_Click();
    void CmdForceCal_Click();
    void CmdResetConv_Click();
    void FastRateTxt_KeyPress(int KeyAscii);
    void FiltCompTxt_KeyPress(int KeyAscii);
    void FullPowCtrlTxt_KeyPress(int KeyAscii);
    void LowPowCtrlTxt_KeyPress(int KeyAscii);
    void Timer1_Timer();
    void Timer2_Timer();

    bool readyFlag() const { return ReadyFlag; }
    QTimer* timer1() const { return Timer1; }
    QTimer* timer2() const { return Timer2; }

private:
    RegisterBitDisplay* DisplayOf(int16_t address) const;
    void ListChoice(const RegField& f, QComboBox* list);
    void NumberEntered(int KeyAscii, const NumberFieldRule& rule, QLineEdit* text);
    void CommandBit(const RegField& f, int bit);
    void ShowTimings();

    std::array<QCheckBox*, 12> RRDataPathChk{};
    QComboBox* FullPowSkipCmb;
    QComboBox* LowPowSkipCmb;
    QComboBox* SkipCtrlCmb;
    QComboBox* FullProxTimeCmb;
    QComboBox* LowProxTimeCmb;
    QComboBox* PowDownCmb;
    QComboBox* SlowFifoCmb;
    QPushButton* CmdForceCal;
    QPushButton* CmdResetConv;
    QLineEdit* FastRateTxt;
    QLineEdit* FiltCompTxt;
    QLineEdit* FullPowCtrlTxt;
    QLineEdit* LowPowCtrlTxt;
    QLineEdit* NMFastUpTxt;
    QLineEdit* NMSlowUpTxt;
    QLineEdit* NMProxTimTxt;
    QLineEdit* NMRecalTimTxt;
    QLineEdit* NMPowDownTxt;
    QLineEdit* LPFastUpTxt;
    QLineEdit* LPSlowUpTxt;
    QLineEdit* LPProxTimTxt;
    QLineEdit* LPRecalTimTxt;
    QPushButton* cmdClose;
    QTimer* Timer1;
    QTimer* Timer2;
    std::array<RegisterBitDisplay*, 4> ContReg{}; // registers 1 to 4
    bool ReadyFlag = false;
};

} // namespace cv
