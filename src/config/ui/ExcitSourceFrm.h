#pragma once
// "Excitation Source": the excitation source disable and floating mode bits
// of PWR_CONTROL.

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace cv {

class RegisterBitDisplay;

class ExcitSourceFrm : public QDialog {
    Q_OBJECT
public:
    explicit ExcitSourceFrm(QWidget* parent = nullptr);

    void Form_Load();
    void SrcDisChk_Click();
    void FloatModeChk_Click();
    void cmdClose_Click();

signals:
    // The floating mode bit decides what pin 8 carries; the block diagram
    // that opened this dialog relabels its pin from this.
    void pin8CaptionChanged(const QString& caption);

private:
    QCheckBox* FloatModeChk;
    QCheckBox* SrcDisChk;
    QPushButton* cmdClose;
    RegisterBitDisplay* PowContReg;
};

} // namespace cv
