#pragma once
// "Interrupt Configuration Registers": per-stage enables of the low limit,
// high limit and conversion complete interrupts, the GPIO pin set-up, the
// GPIO interrupt enable and the interrupt polarity, edited on the chip.

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTimer;

namespace cv {

class RegisterBitDisplay;

class InterruptFrm : public QDialog {
    Q_OBJECT
public:
    explicit InterruptFrm(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    void LowLimIntChk_Click(int Index);
    void HighLimIntChk_Click(int Index);
    void CompIntChk_Click(int Index);
    void GpioSetupCmb_Click();
    void GpiSetupCmb_Click();
    void GpiIntChk_Click();
    void IntPolChk_Click();
    void cmdClose_Click();

    // Change handlers act only once the arming timer has fired.
    bool armed() const { return Armed; }
    QTimer* timer1() const { return Timer1; }

private:
    using CheckRow = std::array<QCheckBox*, 12>;
    void WriteStageFlags(int16_t address, const CheckRow& boxes, RegisterBitDisplay* display);

    CheckRow LowLimIntChk{};
    CheckRow HighLimIntChk{};
    CheckRow CompIntChk{};
    QComboBox* GpioSetupCmb;
    QComboBox* GpiSetupCmb;
    QCheckBox* GpiIntChk;
    QCheckBox* IntPolChk;
    QPushButton* cmdClose;
    QTimer* Timer1;
    RegisterBitDisplay* IntEn1;
    RegisterBitDisplay* IntEn2;
    RegisterBitDisplay* IntEn3;
    RegisterBitDisplay* PowContReg;
    bool Armed = false;
};

} // namespace cv
