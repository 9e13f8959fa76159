// The demo window's lifecycle: load, the start of each tab, the loop's
// passes and the end.
#include "demo/ui/EvalBoardFrm.h"
#include "demo/ui/EvalBoardParts.h"

#include "config/RegisterFields.h"
#include "demo/ui/DemoWidgets.h"
#include "demo/ui/KeyPicture.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "widgets/StripChart.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

namespace cv {

using namespace evalboard;

EvalBoardFrm::EvalBoardFrm(const DemoVariant& variant, QWidget* parent)
    : QDialog(parent), variant_(variant), loop_(variant)
{
    setObjectName(QString::fromLatin1(variant.className));
    setWindowTitle(QStringLiteral("Evaluation Demo"));
    // The window grows: the tabs and the chart take the extra room.
    setMinimumSize(kBaseWidth, kBaseHeight);
    resize(kBaseWidth, kBaseHeight);

    EvalBoardDemoTab = named(new QTabWidget(this), QStringLiteral("EvalBoardDemoTab"));
    EvalBoardDemoTab->setGeometry(8, 8, 944, 580);
    const char* const tabNames[4] = {"Demo", "Control", "Slider", "JoyPad"};
    QWidget* tab[4];
    for (int i = 0; i < 4; ++i) {
        tab[i] = named(new QWidget, QStringLiteral("Tab%1").arg(i));
        EvalBoardDemoTab->addTab(tab[i], QString::fromLatin1(tabNames[i]));
    }
    BuildDemoTab(tab[0]);
    BuildControlTab(tab[1]);
    BuildSliderTab(tab[2]);
    BuildJoyPadTab(tab[3]);

    cmdClose = named(new QPushButton(QStringLiteral("&Close"), this), QStringLiteral("cmdClose"));
    cmdClose->setGeometry(832, 598, 120, 32);
    DroppedLbl = named(new QLabel(this), QStringLiteral("DroppedLbl"));
    DroppedLbl->setGeometry(12, 604, 400, 20);
    DroppedLbl->hide();
    for (auto* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Timer1 = named(new QTimer(this), QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    Timer1->setSingleShot(true);
    Timer2 = named(new QTimer(this), QStringLiteral("Timer2"));
    Timer2->setInterval(500);
    Timer2->setSingleShot(true);
    DemoTimer = named(new QTimer(this), QStringLiteral("DemoTimer"));
    DemoTimer->setSingleShot(true);

    connect(Timer1, &QTimer::timeout, this, &EvalBoardFrm::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &EvalBoardFrm::Timer2_Timer);
    connect(DemoTimer, &QTimer::timeout, this, &EvalBoardFrm::DemoTimer_Timer);
    connect(cmdClose, &QPushButton::clicked, this, &EvalBoardFrm::cmdClose_Click);
    connect(EvalBoardDemoTab, &QTabWidget::currentChanged, this,
            [this](int) { EvalBoardDemoTab_Click(-1); });
    connect(this, &QDialog::finished, this, &EvalBoardFrm::Form_Unload);
}

EvalBoardFrm::~EvalBoardFrm() = default;

void EvalBoardFrm::Form_Load()
{
    FormReady = false;
    Timer1->stop();
    auto fill = [](QComboBox* c, const QStringList& items) {
        QSignalBlocker b(c);
        c->clear();
        c->addItems(items);
    };
    fill(PowModeCmb, powerModeItems());
    fill(ConvStartCmb, convDelayItems());
    fill(FullPowSkipCmb, fullPowerSkipItems());
    fill(LowPowSkipCmb, lowPowerSkipItems());
    QStringList skip;
    for (int i = 1; i <= 12; ++i)
        skip << decText(i);
    fill(SkipCtrlCmb, skip);
    fill(FullProxTimeCmb, blankNumberItems(15));
    fill(LowProxTimeCmb, blankNumberItems(15));
    fill(PowDownCmb, powerDownTimeoutItems());
    fill(SlowFifoCmb, blankNumberItems(3));

    int16_t status = 0;
    int32_t r[8] = {};
    ReadRegisters(reg::PWR_CONTROL, 8, TargetChip, 0, status, r);
    ShowSettings(r);
    ChipConverting = (field::POWER_MODE.of(r[0]) & 1) == 0;

    const int32_t control = ReadRegister(reg::board::BoardControlWord, TargetBoard);
    if (!(control & 0x0002)) // the window always starts in threshold mode
        WriteRegister(reg::board::BoardControlWord, control | 0x0002, TargetBoard);
    BtnIntEnModeChk->setChecked(true);
    BtnIntEnModeLbl->setText(QStringLiteral("Threshold"));
    if (FastScrollChk) {
        FastScrollChk->setChecked(control & 0x0004);
        AutoscrollEnableChk->setChecked(control & 0x0008);
        AutoscrollTxt->setEnabled(control & 0x0008);
        AutoscrollLbl->setEnabled(control & 0x0008);
    }

    LoadIcons();
    SubMenuLst->clear();
    SubMenuLst->addItems(countryNames());
    SubMenuLst->setCurrentRow(0);
    for (auto& element : Keys)
        for (auto* k : element)
            k->update();

    const int32_t setting4 = ReadRegister(reg::board::DemoSetting4, TargetBoard);
    const int32_t setting9 = ReadRegister(reg::board::DemoSetting9, TargetBoard);
    if (AutoscrollTxt) {
        AutoscrollTxt->setText(QString::number(setting4));
        ItemResolutionTxt->setText(QString::number(setting9));
    }
    if (RelMovementTxt)
        RelMovementTxt->setText(QString::number(setting4));
    int32_t params[5] = {};
    ReadRegisters(kParamBase, 5, TargetBoard, 0, status, params);
    ShowParameters(params);
    if (variant_.clearsResultWords) {
        WriteRegister(reg::board::CapturedData, 0, TargetBoard);
        WriteRegister(reg::board::CapturedData + 1, 0, TargetBoard);
    }
}

void EvalBoardFrm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOut();
    Form_Resize();
}

void EvalBoardFrm::LayOut()
{
    // Controls keep their places from the top left; the close button keeps
    // its place from the bottom right.
    const int dw = std::max(0, width() - kBaseWidth), dh = std::max(0, height() - kBaseHeight);
    EvalBoardDemoTab->setGeometry(8, 8, 944 + dw, 580 + dh);
    cmdClose->setGeometry(832 + dw, 598 + dh, 120, 32);
    DroppedLbl->setGeometry(12, 604 + dh, 400, 20);
    SliderPlot->setGeometry(10, 270, 910 + dw, 270 + dh);
}

void EvalBoardFrm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Minimising and restoring count as a resize: the showing tab starts afresh.
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void EvalBoardFrm::Form_Resize()
{
    // No list shows a selection; 250 ms later the showing tab starts afresh.
    for (QComboBox* c : {PowModeCmb, ConvStartCmb, FullPowSkipCmb, LowPowSkipCmb, SkipCtrlCmb,
                         FullProxTimeCmb, LowProxTimeCmb, PowDownCmb, SlowFifoCmb})
        c->lineEdit()->deselect();
    Timer1->start();
}

void EvalBoardFrm::Timer1_Timer()
{
    Timer1->stop();
    FormReady = true;
    RunTabDemo(int(DemoTab::Control));
}

void EvalBoardFrm::Timer2_Timer()
{
    Timer2->stop();
    RefreshSettings();
}

void EvalBoardFrm::EvalBoardDemoTab_Click(int PreviousTab)
{
    RunTabDemo(PreviousTab);
}

void EvalBoardFrm::EndRunningLoop()
{
    DemoTimer->stop();
    if (loop_.active()) {
        loop_.stop();
        loop_.pass(); // the loop's own last read ends the capture
    }
}

void EvalBoardFrm::RunTabDemo(int)
{
    if (!FormReady)
        return;
    const auto tab = static_cast<DemoTab>(EvalBoardDemoTab->currentIndex());
    if (tab == DemoTab::Control) {
        // A loop of another tab keeps running behind the settings.
        TimeTxt[0]->setFocus();
        ReadRegister(reg::PART_ID, TargetChip);
        int16_t status = 0;
        int32_t r[8] = {};
        ReadRegisters(reg::PWR_CONTROL, 8, TargetChip, 0, status, r);
        ShowSettings(r);
        return;
    }
    if (!isLiveTab(tab))
        return;
    // Every shape goes white, the position ticks too; the drawn parts of
    // the player and the Slider tab's bar are pictures, not shapes.
    for (auto* s : findChildren<DemoShape*>())
        if (s->objectName() != QLatin1String("SliderBarShp") &&
            s->objectName() != QLatin1String("TickStripShp") &&
            s->objectName() != QLatin1String("ButtonsPic") &&
            s->objectName() != QLatin1String("Shape3"))
            s->setFillColor(kWhite);
    EndRunningLoop();
    dropped_.reset();
    DroppedLbl->hide();
    if (loop_.start(tab, ChipConverting) != DemoLoop::Start::Running)
        return;
    dropped_.emplace(); // after the start's handshake: only this run's drops
    state_.restart();
    if (tab == DemoTab::JoyPad)
        ScreenPic->setCursorCell(state_.row, state_.col);
    DemoTimer->start(0);
}

void EvalBoardFrm::DemoTimer_Timer()
{
    const DemoLoop::Pass p = loop_.pass();
    switch (p.kind) {
    case DemoLoop::Pass::Ended: return;
    case DemoLoop::Pass::Idle:
        if (loop_.tab() == DemoTab::Demo)
            InterrruptModeStatusShp->setFillColor(kWhite);
        else if (loop_.tab() == DemoTab::JoyPad)
            Shape1->setFillColor(kWhite);
        break;
    case DemoLoop::Pass::Settling: break;
    case DemoLoop::Pass::Shown:
        if (loop_.tab() == DemoTab::Demo)
            ShowDemoBlock(p.block);
        else if (loop_.tab() == DemoTab::Slider)
            ShowSliderBlock(p.block);
        else
            ShowJoyPadBlock(p.block);
        break;
    }
    if (dropped_) {
        const QString dropped = droppedSetsText(dropped_->overflowSoFar());
        DroppedLbl->setText(dropped);
        DroppedLbl->setVisible(!dropped.isEmpty());
    }
    DemoTimer->start(p.pauseMs);
}

bool EvalBoardFrm::SoundOn() const
{
    return PlaySoundEnableChk->isChecked();
}

void EvalBoardFrm::PlayClicks(int clicks)
{
    const QString file =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("click.Wav"));
    for (int i = 0; i < clicks; ++i)
        services().playSound(file);
}

void EvalBoardFrm::ShowKeys(const KeysView& k, int element)
{
    for (int i = 0; i < kDemoKeys; ++i)
        Keys[static_cast<size_t>(element)][static_cast<size_t>(i)]->setPressed(
            k.pressed[static_cast<size_t>(i)]);
}

void EvalBoardFrm::cmdClose_Click()
{
    reject();
}

void EvalBoardFrm::Form_Unload()
{
    Timer1->stop();
    Timer2->stop();
    FormReady = false;
    EndRunningLoop();
    ReadRegister(reg::PART_ID, TargetChip);
    icons_.clear();
    ScreenPic->clearPicture();
    ZoomPic->clear();
}

EvalBoard2Frm::EvalBoard2Frm(QWidget* parent) : EvalBoardFrm(*demoVariantFor(1), parent) {}
EvalBoard3Frm::EvalBoard3Frm(QWidget* parent) : EvalBoardFrm(*demoVariantFor(58), parent) {}
EvalBoard4Frm::EvalBoard4Frm(QWidget* parent) : EvalBoardFrm(*demoVariantFor(70), parent) {}

EvalBoardFrm* createEvalBoardFrm(int boardId, QWidget* parent)
{
    switch (boardId) {
    case 1: return new EvalBoard2Frm(parent);
    case 58: return new EvalBoard3Frm(parent);
    case 70: return new EvalBoard4Frm(parent);
    default: return nullptr;
    }
}

} // namespace cv
