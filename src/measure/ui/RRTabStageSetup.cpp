// The stage window's setup panel: the sensitivity lists, the offset and
// clamp boxes with their arrows, the thresholds they give and the level
// diagram, the formula windows, force calibration and the interrupt mode.
#include "measure/ui/RRTabStageFrm.h"

#include "config/DiagramOps.h"
#include "config/StageContext.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/FormulaFrm.h"
#include "measure/ui/LevelDiagram.h"
#include "measure/ui/RRTabStageParts.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "widgets/Led.h"
#include "widgets/SpinArrows.h"
#include "widgets/StripChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace cv {

using namespace stageui;

QWidget* RRTabStageFrm::BuildSetupPage()
{
    auto* setupPage = new QWidget;
    auto* setupLayout = new QVBoxLayout(setupPage);
    auto* setupFrame = new QGroupBox(QStringLiteral("Adaptive Threshold Setup"), setupPage);
    setupFrame->setObjectName(QStringLiteral("SetupFrm"));
    auto* setupRow = new QHBoxLayout(setupFrame);
    auto* g = new QGridLayout;
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(5);
    setupRow->addLayout(g);

    Label3 = namedLabel(setupFrame, "Label3");
    PosSensCmb = list(setupFrame, "PosSensCmb");
    PosMaxSensCmb = list(setupFrame, "PosMaxSensCmb");
    Label7 = namedLabel(setupFrame, "Label7");
    NegSensCmb = list(setupFrame, "NegSensCmb");
    NegMaxSensCmb = list(setupFrame, "NegMaxSensCmb");
    auto sensRow = [&](int row, QLabel* name, const QString& sens, QComboBox* sensCmb,
                       const QString& peak, QComboBox* peakCmb) {
        QFont f = name->font();
        f.setBold(true);
        name->setFont(f);
        g->addWidget(name, row, 0, 1, 4);
        auto* rowBox = new QHBoxLayout;
        rowBox->addWidget(new QLabel(sens, setupFrame));
        rowBox->addWidget(sensCmb);
        rowBox->addSpacing(8);
        rowBox->addWidget(new QLabel(peak, setupFrame));
        rowBox->addWidget(peakCmb);
        rowBox->addStretch();
        g->addLayout(rowBox, row + 1, 0, 1, 4);
    };
    sensRow(0, Label3, QStringLiteral("POS_THRESHOLD_SENS"), PosSensCmb,
            QStringLiteral("POS_PEAK_DETECT"), PosMaxSensCmb);
    sensRow(2, Label7, QStringLiteral("NEG_THRESHOLD_SENS"), NegSensCmb,
            QStringLiteral("NEG_PEAK_DETECT"), NegMaxSensCmb);
    g->setRowMinimumHeight(4, 8);

    Label2 = namedLabel(setupFrame, "Label2");
    Label1 = namedLabel(setupFrame, "Label1");
    Label6 = namedLabel(setupFrame, "Label6");
    Label5 = namedLabel(setupFrame, "Label5");
    QLabel* boxLabels[kBoxCount] = {Label2, Label6, Label1, Label5};
    const int boxRows[kBoxCount] = {5, 7, 6, 8}; // high offset, high clamp, low offset, low clamp
    for (int b = 0; b < kBoxCount; ++b) {
        ValueTxt[size_t(b)] = numberBox(setupFrame, QString::fromLatin1(kBoxNames[b]));
        ValueTxt[size_t(b)]->setToolTip(kValueTip);
        auto* spin = new SpinArrows(setupFrame);
        spin->setObjectName(QString::fromLatin1(kSpinNames[b]));
        spin->setFixedSize(17, 22);
        spin->Increment = 50;
        spin->Min = 0;
        spin->Max = 65535;
        spin->setToolTip(kValueTip);
        ValueUpDown[size_t(b)] = spin;
        g->addWidget(boxLabels[b], boxRows[b], 0);
        g->addWidget(ValueTxt[size_t(b)], boxRows[b], 1);
        g->addWidget(spin, boxRows[b], 2, Qt::AlignLeft);
    }
    g->setRowMinimumHeight(9, 8);
    Label15 = namedLabel(setupFrame, "Label15");
    AmbTxt = numberBox(setupFrame, QStringLiteral("AmbTxt"), 70, true);
    Label17 = namedLabel(setupFrame, "Label17");
    PosThreshTxt = numberBox(setupFrame, QStringLiteral("PosThreshTxt"), 70, true);
    Label19 = namedLabel(setupFrame, "Label19");
    NegThreshTxt = numberBox(setupFrame, QStringLiteral("NegThreshTxt"), 70, true);
    ShowFormulaPos = new QPushButton(QStringLiteral("Calc Thresh"), setupFrame);
    ShowFormulaPos->setObjectName(QStringLiteral("ShowFormulaPos"));
    ShowFormulaNeg = new QPushButton(QStringLiteral("Calc Thresh"), setupFrame);
    ShowFormulaNeg->setObjectName(QStringLiteral("ShowFormulaNeg"));
    g->addWidget(Label17, 10, 0);
    g->addWidget(PosThreshTxt, 10, 1);
    g->addWidget(ShowFormulaPos, 10, 2, 1, 2, Qt::AlignLeft);
    g->addWidget(Label15, 11, 0);
    g->addWidget(AmbTxt, 11, 1);
    g->addWidget(Label19, 12, 0);
    g->addWidget(NegThreshTxt, 12, 1);
    g->addWidget(ShowFormulaNeg, 12, 2, 1, 2, Qt::AlignLeft);
    g->setRowStretch(13, 1);
    g->setColumnStretch(3, 1);

    GraphShape = new LevelDiagram(setupFrame);
    setupRow->addWidget(GraphShape, 1);
    setupLayout->addWidget(setupFrame, 1);

    auto* bottom = new QHBoxLayout;
    CmdForceCal = new QPushButton(QStringLiteral("Force Calibration"), setupPage);
    CmdForceCal->setObjectName(QStringLiteral("CmdForceCal"));
    bottom->addWidget(CmdForceCal, 0, Qt::AlignVCenter);
    auto* modeFrame = new QGroupBox(QStringLiteral("Interrupt Mode"), setupPage);
    modeFrame->setObjectName(QStringLiteral("IntModeFrm"));
    auto* modeRow = new QHBoxLayout(modeFrame);
    BtnIntEnModeChk = new QCheckBox(modeFrame);
    BtnIntEnModeChk->setObjectName(QStringLiteral("BtnIntEnModeChk"));
    BtnIntEnModeLbl = namedLabel(modeFrame, "BtnIntEnModeLbl", QStringLiteral("Continuous"));
    BtnIntEnModeLbl->setMinimumWidth(80);
    InterrruptModeStatusShp = new Led(modeFrame, QColor(0xFF, 0x00, 0x00));
    InterrruptModeStatusShp->setObjectName(QStringLiteral("InterrruptModeStatusShp"));
    InterrruptModeStatusShp->setFixedSize(18, 18);
    InterrruptModeStatusLbl =
        namedLabel(modeFrame, "InterrruptModeStatusLbl", QStringLiteral("Interface Active"));
    modeRow->addWidget(BtnIntEnModeChk);
    modeRow->addWidget(BtnIntEnModeLbl);
    modeRow->addSpacing(16);
    modeRow->addWidget(InterrruptModeStatusShp);
    modeRow->addWidget(InterrruptModeStatusLbl);
    modeRow->addStretch();
    bottom->addWidget(modeFrame, 1);
    setupLayout->addLayout(bottom);
    return setupPage;
}

int16_t RRTabStageFrm::BoxAddress(Box box) const
{
    const StageResultsSetupRec& rec = StageResultsSetup;
    switch (box) {
    case OffsetHigh: return rec.OffsetHighAddress;
    case OffsetLow: return rec.OffsetLowAddress;
    case HighClamp: return rec.OffsetHighClampAddress;
    case LowClamp: return rec.OffsetLowClampAddress;
    }
    return rec.OffsetHighAddress;
}

void RRTabStageFrm::EndCaptureForChange()
{
    // A change while streaming: the firmware stops first.
    if (!Reading)
        return;
    EndCapture();
    CaptureEnded = true;
    services().sleepMs(100);
}

void RRTabStageFrm::ApplyValueBox(Box box)
{
    EndCaptureForChange();
    const int16_t address = BoxAddress(box);
    QLineEdit* txt = ValueTxt[size_t(box)];
    // The chip's value is asked only when it decides: an empty box before arming.
    const bool needChip = txt->text().trimmed().isEmpty() && !Armed;
    const int64_t value =
        valueBoxNumber(txt->text(), Armed, needChip ? ReadRegister(address, TargetChip) : 0);
    if (valueBoxInRange(value)) {
        WriteRegister(address, int32_t(value), TargetChip);
        ThresholdRefresh();
        DiagramUpdate();
        return;
    }
    services().message(kValueRangeMessage);
    txt->setText(QString::number(ReadRegister(address, TargetChip)));
}

void RRTabStageFrm::StepValueBox(Box box, int direction)
{
    QLineEdit* txt = ValueTxt[size_t(box)];
    const SpinArrows* spin = ValueUpDown[size_t(box)];
    const int64_t now = textValueRounded(txt->text());
    const int64_t next =
        std::clamp<int64_t>(now + direction * spin->Increment, spin->Min, spin->Max);
    if (next == now)
        return; // at a limit the arrows change nothing
    txt->setText(QString::number(next));
    ApplyValueBox(box);
}

void RRTabStageFrm::OffsetHighTxt_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        ApplyValueBox(OffsetHigh);
}
void RRTabStageFrm::OffsetLowTxt_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        ApplyValueBox(OffsetLow);
}
void RRTabStageFrm::HighClampTxt_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        ApplyValueBox(HighClamp);
}
void RRTabStageFrm::LowClampTxt_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        ApplyValueBox(LowClamp);
}
void RRTabStageFrm::OffsetHighUpDown_Change(int direction)
{
    StepValueBox(OffsetHigh, direction);
}
void RRTabStageFrm::OffsetLowUpDown_Change(int direction)
{
    StepValueBox(OffsetLow, direction);
}
void RRTabStageFrm::HighClampUpDown_Change(int direction)
{
    StepValueBox(HighClamp, direction);
}
void RRTabStageFrm::LowClampUpDown_Change(int direction)
{
    StepValueBox(LowClamp, direction);
}

void RRTabStageFrm::SensitivityChoice(int32_t keepMask, int32_t bits)
{
    EndCaptureForChange();
    // The shadow is the only copy: the register is not read back.
    SensitivityShadow = (SensitivityShadow & keepMask) | bits;
    WriteRegister(StageResultsSetup.SensitivityAddress, SensitivityShadow, TargetChip);
}

void RRTabStageFrm::NegSensCmb_Click()
{
    if (!Armed)
        return;
    const int index = NegSensCmb->currentIndex();
    const RegField f = negThresholdSensField(Stage);
    SensitivityChoice(f.keepMask(), f.with(0, index));
    NegSens = index;
    ThresholdRefresh();
    DiagramUpdate();
}

void RRTabStageFrm::PosSensCmb_Click()
{
    if (!Armed)
        return;
    const int index = PosSensCmb->currentIndex();
    const RegField f = posThresholdSensField(Stage);
    SensitivityChoice(f.keepMask(), f.with(0, index));
    PosSens = index;
    ThresholdRefresh();
    DiagramUpdate();
}

void RRTabStageFrm::NegMaxSensCmb_Click()
{
    if (Armed)
        SensitivityChoice(0xFF8F, NegMaxSensCmb->currentIndex() * 16);
}

void RRTabStageFrm::PosMaxSensCmb_Click()
{
    if (Armed)
        SensitivityChoice(0x8FFF, PosMaxSensCmb->currentIndex() * 4096);
}

void RRTabStageFrm::ThresholdRefresh()
{
    const StageResultsSetupRec& rec = StageResultsSetup;
    if (!Reading) {
        OffsetLowVal = ReadRegister(rec.OffsetLowAddress, TargetChip);
        OffsetHighVal = ReadRegister(rec.OffsetHighAddress, TargetChip);
        HighClampVal = ReadRegister(rec.OffsetHighClampAddress, TargetChip);
        LowClampVal = ReadRegister(rec.OffsetLowClampAddress, TargetChip);
        Ambient = ReadRegister(rec.SfAmbientAddress, TargetChip);
    } else {
        OffsetLowVal = textValueRounded(ValueTxt[OffsetLow]->text());
        OffsetHighVal = textValueRounded(ValueTxt[OffsetHigh]->text());
        HighClampVal = textValueRounded(ValueTxt[HighClamp]->text());
        LowClampVal = textValueRounded(ValueTxt[LowClamp]->text());
        Ambient = LiveAmbient;
    }
    ValueTxt[OffsetLow]->setText(QString::number(OffsetLowVal));
    ValueTxt[OffsetHigh]->setText(QString::number(OffsetHighVal));
    ValueTxt[HighClamp]->setText(QString::number(HighClampVal));
    ValueTxt[LowClamp]->setText(QString::number(LowClampVal));
    HighThreshold = cv::highThreshold(double(Ambient), double(OffsetHighVal), PosSens);
    LowThreshold = cv::lowThreshold(double(Ambient), double(OffsetLowVal), NegSens);
    PosThreshTxt->setText(decText(HighThreshold));
    NegThreshTxt->setText(decText(LowThreshold));
    AmbTxt->setText(decText(Ambient));
}

void RRTabStageFrm::DiagramUpdate()
{
    Scale = diagramScale(double(Ambient), double(OffsetHighVal), double(OffsetLowVal));
    AmbTxt->setText(decText(Ambient));
    GraphShape->place(Scale,
                      {double(Ambient + OffsetHighVal), double(HighThreshold), double(Ambient),
                       double(LowThreshold), double(Ambient - OffsetLowVal)});
}

void RRTabStageFrm::FillFormula(FormulaFrm& f, bool high) const
{
    if (high)
        f.showFormula(maxFormulaCaption(), maxFormulaText(),
                      maxResultText(Ambient, OffsetHighVal, PosSens, HighThreshold));
    else
        f.showFormula(minFormulaCaption(), minFormulaText(),
                      minResultText(Ambient, OffsetLowVal, NegSens, LowThreshold));
}

void RRTabStageFrm::ShowFormulaPos_Click()
{
    FormulaFrm f(this);
    FillFormula(f, true);
    services().showModal(&f);
}

void RRTabStageFrm::ShowFormulaNeg_Click()
{
    FormulaFrm f(this);
    FillFormula(f, false);
    services().showModal(&f);
}

void RRTabStageFrm::CmdForceCal_Click()
{
    ForceCalibration();
}

void RRTabStageFrm::BtnIntEnModeChk_Click()
{
    const int32_t word = ReadRegister(reg::board::BoardControlWord, TargetBoard);
    if (!Armed)
        return;
    if (BtnIntEnModeChk->isChecked()) {
        WriteRegister(reg::board::BoardControlWord, (word & 0xFFFD) | 0x0002, TargetBoard);
        BtnIntEnModeLbl->setText(QStringLiteral("Threshold"));
        InterrruptModeStatusShp->setColor(QColor(0xFF, 0xFF, 0xFF));
    } else {
        WriteRegister(reg::board::BoardControlWord, word & 0xFFFD, TargetBoard);
        BtnIntEnModeLbl->setText(QStringLiteral("Continuous"));
        InterrruptModeStatusShp->setColor(QColor(0xFF, 0x00, 0x00));
    }
}

} // namespace cv
