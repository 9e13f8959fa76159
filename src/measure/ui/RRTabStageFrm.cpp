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
#include "widgets/WindowFit.h"

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

RRTabStageFrm::RRTabStageFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RRTabStageFrm"));
    setWindowTitle(QStringLiteral("Sequencer Stage 0"));

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(BuildSetupPage(), QStringLiteral("Initial Setup"));
    SSTab1->addTab(BuildRamPage(), QStringLiteral("RAM Data"));
    QWidget* statusFrame = BuildStatusFrame();
    QWidget* legendFrame = BuildChart();

    // ---- Buttons -------------------------------------------------------
    ReadContCV5310Cmd = new QPushButton(QStringLiteral("Read Continuously"), this);
    ReadContCV5310Cmd->setObjectName(QStringLiteral("ReadContCV5310Cmd"));
    ReadContCV5310Cmd->setMinimumWidth(130);
    ChkSaveResults = new QCheckBox(QStringLiteral("Save Results"), this);
    ChkSaveResults->setObjectName(QStringLiteral("ChkSaveResults"));
    CmdClearGraph = new QPushButton(QStringLiteral("Clear Graph"), this);
    CmdClearGraph->setObjectName(QStringLiteral("CmdClearGraph"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* right = new QVBoxLayout;
    right->addWidget(RegisterPlot, 1);
    right->addWidget(legendFrame);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ReadContCV5310Cmd);
    buttons->addWidget(ChkSaveResults);
    buttons->addWidget(CmdClearGraph);
    // Added: what the board dropped while reading, shown only when it did.
    DroppedLbl = namedLabel(this, "DroppedLbl");
    DroppedLbl->hide();
    keepWindowSize(DroppedLbl);
    buttons->addWidget(DroppedLbl);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    right->addLayout(buttons);
    CaptureStatusLbl = namedLabel(this, "CaptureStatusLbl");
    keepWindowSize(CaptureStatusLbl);
    right->addWidget(CaptureStatusLbl);

    auto* left = new QVBoxLayout;
    left->addWidget(SSTab1, 1);
    left->addWidget(statusFrame);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(left);
    outer->addLayout(right, 1);

    // Enter belongs to the value box that has the focus, never to a button.
    for (auto* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(150);
    Timer1->setSingleShot(true);
    ReadTimer = new QTimer(this);
    ReadTimer->setObjectName(QStringLiteral("ReadTimer"));
    ReadTimer->setSingleShot(true);

    // activated / clicked / returnPressed come from the user only, so loading
    // the controls raises none of them.
    connect(NegSensCmb, &QComboBox::activated, this, &RRTabStageFrm::NegSensCmb_Click);
    connect(PosSensCmb, &QComboBox::activated, this, &RRTabStageFrm::PosSensCmb_Click);
    connect(NegMaxSensCmb, &QComboBox::activated, this, &RRTabStageFrm::NegMaxSensCmb_Click);
    connect(PosMaxSensCmb, &QComboBox::activated, this, &RRTabStageFrm::PosMaxSensCmb_Click);
    connect(ValueTxt[OffsetHigh], &QLineEdit::returnPressed, this,
            [this] { OffsetHighTxt_KeyPress(13); });
    connect(ValueTxt[OffsetLow], &QLineEdit::returnPressed, this,
            [this] { OffsetLowTxt_KeyPress(13); });
    connect(ValueTxt[HighClamp], &QLineEdit::returnPressed, this,
            [this] { HighClampTxt_KeyPress(13); });
    connect(ValueTxt[LowClamp], &QLineEdit::returnPressed, this,
            [this] { LowClampTxt_KeyPress(13); });
    for (int b = 0; b < kBoxCount; ++b) {
        connect(ValueUpDown[size_t(b)]->Up, &QToolButton::clicked, this,
                [this, b] { StepValueBox(Box(b), 1); });
        connect(ValueUpDown[size_t(b)]->Down, &QToolButton::clicked, this,
                [this, b] { StepValueBox(Box(b), -1); });
    }
    connect(ShowFormulaPos, &QPushButton::clicked, this, &RRTabStageFrm::ShowFormulaPos_Click);
    connect(ShowFormulaNeg, &QPushButton::clicked, this, &RRTabStageFrm::ShowFormulaNeg_Click);
    connect(CmdForceCal, &QPushButton::clicked, this, &RRTabStageFrm::CmdForceCal_Click);
    connect(BtnIntEnModeChk, &QCheckBox::clicked, this, &RRTabStageFrm::BtnIntEnModeChk_Click);
    connect(ReadContCV5310Cmd, &QPushButton::clicked, this,
            &RRTabStageFrm::ReadContCV5310Cmd_Click);
    connect(ChkSaveResults, &QCheckBox::clicked, this, &RRTabStageFrm::ChkSaveResults_Click);
    connect(CmdClearGraph, &QPushButton::clicked, this, &RRTabStageFrm::CmdClearGraph_Click);
    connect(cmdClose, &QPushButton::clicked, this, &RRTabStageFrm::cmdClose_Click);
    connect(SSTab1, &QTabWidget::currentChanged, this, [this] {
        SSTab1_Click(ShownTabIndex);
        ShownTabIndex = SSTab1->currentIndex();
    });
    connect(Timer1, &QTimer::timeout, this, &RRTabStageFrm::Timer1_Timer);
    connect(ReadTimer, &QTimer::timeout, this, &RRTabStageFrm::ReadTimer_Timer);
    connect(this, &QDialog::finished, this, &RRTabStageFrm::Form_Unload);
}

RRTabStageFrm::~RRTabStageFrm() = default;

void RRTabStageFrm::Form_Load()
{
    const StageResultsSetupRec& rec = StageResultsSetup;
    Stage = rec.Stage;
    setWindowTitle(QStringLiteral("Sequencer Stage ") + QString::number(Stage));

    Armed = false;
    for (QComboBox* c : {NegSensCmb, PosSensCmb}) {
        c->clear();
        c->addItems(sensitivityItems());
    }
    for (QComboBox* c : {NegMaxSensCmb, PosMaxSensCmb}) {
        c->clear();
        c->addItems(peakDetectItems());
    }

    // Register names as the block diagram handed them over.
    for (size_t r = 0; r < RamNameLbl.size(); ++r)
        RamNameLbl[r]->setText(rec.Labels[size_t(kRamRows[r].nameIndex)]);
    Label1->setText(rec.Labels[3]);
    Label2->setText(rec.Labels[2]);
    Label3->setText(rec.Labels[0]);
    Label5->setText(rec.Labels[4]);
    Label6->setText(rec.Labels[1]);
    Label15->setText(rec.Labels[8]);
    Label7->setText(rec.Labels[0]);

    Label17->setText(maxThreshCaption(Stage));
    Label19->setText(minThreshCaption(Stage));
    const auto lamps = statusLampCaptions(Stage);
    LowLmtIntLbl->setText(lamps[0]);
    HighLimIntLbl->setText(lamps[1]);
    CmpltIntLbl->setText(lamps[2]);

    RegisterPlot->setBounds(0, 65535);
    RegisterPlot->setOuterBounds(0, 65535);

    WriteRegister(reg::board::BoardStageSelect, stageCaptureWord(Stage, StageTab::InitialSetup),
                  TargetBoard);
    CaptureEnded = false;

    SensitivityShadow = ReadRegister(rec.SensitivityAddress, TargetChip);
    const SensitivityFields f = sensitivityFields(SensitivityShadow);
    NegSensCmb->setCurrentIndex(f.neg);
    NegSens = f.neg;
    PosSensCmb->setCurrentIndex(f.pos);
    PosSens = f.pos;
    NegMaxSensCmb->setCurrentIndex(f.negPeak);
    PosMaxSensCmb->setCurrentIndex(f.posPeak);

    PowerWord = ReadRegister(reg::PWR_CONTROL, TargetChip);
    const int mode = PowerWord & 3;
    Converting = mode != 1 && mode != 3;

    UpdateRegister(reg::board::BoardControlWord, 0xFFFD, 0, TargetBoard);
    BtnIntEnModeChk->setChecked(false);
    InterrruptModeStatusShp->setColor(QColor(0xFF, 0x00, 0x00));
    InterrruptModeStatusShp->setOn(true);
    BtnIntEnModeLbl->setText(QStringLiteral("Continuous"));
    Reading = false;

    ThresholdRefresh();
    DiagramUpdate();
    Timer1->start();
}

void RRTabStageFrm::Timer1_Timer()
{
    Armed = true;
    Timer1->stop();
}

void RRTabStageFrm::Form_Unload()
{
    CloseResultsFile();
    Reading = false;
    ReadTimer->stop();
    Loop.releaseCapture();
    EndCapture();
    CaptureEnded = true;
}

void RRTabStageFrm::cmdClose_Click()
{
    if (Reading) {
        Reading = false;
        ReadTimer->stop();
        Loop.releaseCapture();
        EndCapture();
    }
    CloseResultsFile();
    done(0); // unloads: Form_Unload
}

void RRTabStageFrm::CloseResultsFile()
{
    if (ResultsFile) {
        ResultsFile->close();
        ResultsFile.reset();
    }
}

} // namespace cv
