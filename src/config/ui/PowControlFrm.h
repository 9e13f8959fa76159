#pragma once
// "Power Control": the power mode, the low-power conversion delay and the
// software reset, edited in PWR_CONTROL on the chip.

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace cv {

class RegisterBitDisplay;

class PowControlFrm : public QDialog {
    Q_OBJECT
public:
    explicit PowControlFrm(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Unload();
    void ConvStartCmb_Click();
    void PowModeCmb_Click();
    void CmdSWReset_Click();
    void Timer1_Timer();
    void cmdClose_Click();

    QTimer* timer1() const { return Timer1; }

private:
    void ShowFields(int32_t value);

    QComboBox* ConvStartCmb;
    QComboBox* PowModeCmb;
    QPushButton* CmdSWReset;
    QPushButton* cmdClose;
    QTimer* Timer1;
    RegisterBitDisplay* PowContReg;
};

} // namespace cv
