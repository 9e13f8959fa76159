#pragma once
// Input connections of one stage: which sensor inputs go to the converter's
// positive or negative side or to bias, the AFE offsets on either side, and
// the one-button offset calibration. Opened by the block diagram's stage
// buttons with CurrentStage and StageInputSetup filled in.

#include "config/OffsetCalibration.h"
#include "widgets/SpinArrows.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QTimer;
class QToolButton;

namespace cv {

class Backdrop;
class Led;

// A connection drawn as a polyline; shown or hidden like any control.
class LineShape : public QWidget {
public:
    // Points in window twips; the widget covers their bounding box.
    LineShape(QWidget* parent, std::initializer_list<QPoint> twipPoints, QColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPolygon points_; // widget pixels
    QColor color_;
};

class InputMuxFrm : public QDialog, private CalibrationDisplay {
    Q_OBJECT
public:
    explicit InputMuxFrm(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Unload();

    void IpPathChk_Click(int Index);
    void NegOffTxt_KeyPress(int KeyAscii);
    void PosOffTxt_KeyPress(int KeyAscii);
    void NegOffUpDown_UpClick();
    void NegOffUpDown_DownClick();
    void PosOffUpDown_UpClick();
    void PosOffUpDown_DownClick();
    void NegDacInChk_Click();
    void PosDacInChk_Click();
    void CmdCalcOffset_Click();
    void cmdClose_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

    // Display procedures.
    void ShowConnectionWord0();
    void ShowConnectionWord1();
    void ShowInputStates();
    void ShowOffsetRegister() override;

    bool readyFlag() const { return ReadyFlag; }
    // What the last "Get Offset" did.
    const CalibrationReport& lastCalibration() const { return lastCalibration_; }

    // Connection text of a "- input path" / "+ input path" pair.
    static QString connectionText(bool minusPath, bool plusPath);
    // A field of offset steps as capacitance: 10 -> "3.20pF".
    static QString capacitanceText(int steps);

private:
    // The converter, offset sources and the wires of the switched inputs.
    void paintDrawing(QPainter& p);
    void calibrationStarted() override;
    void calibrationEnded() override;

    void offsetEnter(bool negative);
    void stepOffset(bool negative, int direction);
    void setSwapLines(bool negative, bool swapped);
    void swapClick(bool negative);
    int32_t readAfe() const;

    Backdrop* backdrop_ = nullptr;
    bool ReadyFlag = false;
    CalibrationReport lastCalibration_;

public:
    std::array<QCheckBox*, 32> IpPathChk{};
    std::array<QLabel*, 15> ValLbl{};
    std::array<QLabel*, 13> XPinLbl{};
    std::array<QLabel*, 16> ConnMem0Lbl{};
    std::array<QLabel*, 16> ConnMem1Lbl{};
    std::array<QLabel*, 16> OffSetMemLbl{};
    QLabel* Lab1;
    QLabel* Lab2;
    QLabel* Lab3;
    std::array<QLabel*, 5> Label{}; // Label1 .. Label5
    QLineEdit* NegOffTxt;
    QLineEdit* PosOffTxt;
    SpinArrows* NegOffUpDown;
    SpinArrows* PosOffUpDown;
    QLabel* NegAfeLbl;
    QLabel* PosAfeLbl;
    QCheckBox* NegDacInChk;
    QCheckBox* PosDacInChk;
    LineShape* NegDacLine1;
    LineShape* NegDacLine2;
    LineShape* PosDacLine1;
    LineShape* PosDacLine2;
    QLineEdit* Text1;
    QPushButton* CmdCalcOffset;
    Led* LoadLed;
    QPushButton* cmdClose;
    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer3;
};

} // namespace cv
