#include "config/ui/AmbCompFrm.h"

#include "config/AmbientCompensation.h"
#include "link/UsbUtils.h"
#include "widgets/RegisterBitDisplay.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace cv {

namespace {
constexpr int kLeftW = 9300;
constexpr int kRightX = 9600;
constexpr int kRightW = 3720;
const QString kNumberTip = QStringLiteral("Type Number. Then Press \"Enter\"");

QGroupBox* frame(QWidget* parent, const QString& title, int x, int y, int w, int h)
{
    auto* g = new QGroupBox(title, parent);
    g->setGeometry(tw(x), tw(y), tw(w), tw(h));
    return g;
}

void label(QWidget* parent, const QString& text, int x, int y, int w)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(tw(x), tw(y), tw(w), tw(330));
}

QComboBox* list(QWidget* parent, const char* name, int x, int y, int w = 1000)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(tw(x), tw(y - 15), tw(w), tw(360));
    return c;
}

QLineEdit* text(QWidget* parent, const char* name, int x, int y, int w = 900)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setGeometry(tw(x), tw(y - 15), tw(w), tw(360));
    return t;
}
} // namespace

AmbCompFrm::AmbCompFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AmbCompFrm"));
    setWindowTitle(QStringLiteral("Ambient Compensation"));
    setFixedSize(tw(kRightX + kRightW + 180), tw(8100));

    auto display = [](QWidget* frame, int16_t address, const char* bits, const char* value, int y) {
        auto* d = new RegisterBitDisplay(
            address, {QString::fromLatin1(bits), QString::fromLatin1(value), {}, {}, {}}, {},
            frame);
        d->move(tw(240), tw(y));
        return d;
    };

    // Register 1: stage calibration enables and the two average skips.
    auto* f1 = frame(this, QStringLiteral("Stage Calibration Enable 0x01"), 120, 120, kLeftW, 2400);
    for (int i = 0; i < 12; ++i) {
        auto* c = new QCheckBox(QStringLiteral("STAGE%1_CAL_EN").arg(i), f1);
        c->setObjectName(QStringLiteral("RRDataPathChk_%1").arg(i));
        c->setGeometry(tw(240 + (i % 4) * 2280), tw(330 + (i / 4) * 300), tw(2200), tw(285));
        connect(c, &QCheckBox::clicked, this, [this, i] { RRDataPathChk_Click(i); });
        RRDataPathChk[i] = c;
    }
    label(f1, QStringLiteral("AVG_FP_SKIP"), 240, 1290, 1300);
    FullPowSkipCmb = list(f1, "FullPowSkipCmb", 1560, 1290);
    label(f1, QStringLiteral("AVG_LP_SKIP"), 2880, 1290, 1300);
    LowPowSkipCmb = list(f1, "LowPowSkipCmb", 4200, 1290);
    ContReg[0] = display(f1, reg::STAGE_CAL_EN, "ContReg0Lbl", "Lab1", 1740);

    // Register 2: skip count, proximity counts, power-down timeout, commands.
    auto* f2 =
        frame(this, QStringLiteral("Ambient Compensation Control 0 0x02"), 120, 2640, kLeftW, 1860);
    label(f2, QStringLiteral("FF_SKIP_CNT"), 240, 330, 2000);
    SkipCtrlCmb = list(f2, "SkipCtrlCmb", 2280, 330);
    label(f2, QStringLiteral("FP_PROXIMITY_CNT"), 3480, 330, 2000);
    FullProxTimeCmb = list(f2, "FullProxTimeCmb", 5520, 330);
    label(f2, QStringLiteral("LP_PROXIMITY_CNT"), 240, 750, 2000);
    LowProxTimeCmb = list(f2, "LowProxTimeCmb", 2280, 750);
    label(f2, QStringLiteral("PWR_DOWN_TIMEOUT"), 3480, 750, 2000);
    PowDownCmb = list(f2, "PowDownCmb", 5520, 750);
    CmdForceCal = new QPushButton(QStringLiteral("FORCE_CAL"), f2);
    CmdForceCal->setObjectName(QStringLiteral("CmdForceCal"));
    CmdForceCal->setGeometry(tw(6900), tw(300), tw(2160), tw(390));
    CmdResetConv = new QPushButton(QStringLiteral("CONV_RESET"), f2);
    CmdResetConv->setObjectName(QStringLiteral("CmdResetConv"));
    CmdResetConv->setGeometry(tw(6900), tw(720), tw(2160), tw(390));
    ContReg[1] = display(f2, reg::AMB_COMP_CTRL0, "ContrReg1Lbl", "Lab2", 1200);

    // Register 3: recalibration level, detection rate, slow FIFO level.
    auto* f3 =
        frame(this, QStringLiteral("Ambient Compensation Control 1 0x03"), 120, 4620, kLeftW, 1860);
    label(f3, QStringLiteral("PROXIMITY_RECAL_LVL"), 240, 330, 2200);
    FastRateTxt = text(f3, "FastRateTxt", 2480, 330);
    label(f3, QStringLiteral("PROXIMITY DETECTION RATE"), 3600, 330, 2700);
    FiltCompTxt = text(f3, "FiltCompTxt", 6360, 330);
    label(f3, QStringLiteral("SLOW_FIFO_LVL"), 240, 750, 2200);
    SlowFifoCmb = list(f3, "SlowFifoCmb", 2480, 750, 900);
    ContReg[2] = display(f3, reg::AMB_COMP_CTRL1, "ContReg2Lbl", "Lab3", 1200);

    // Register 4: full-power and low-power proximity recalibration.
    auto* f4 =
        frame(this, QStringLiteral("Ambient Compensation Control 2 0x04"), 120, 6600, kLeftW, 1380);
    label(f4, QStringLiteral("FP_PROXIMITY_RECAL"), 240, 330, 2200);
    FullPowCtrlTxt = text(f4, "FullPowCtrlTxt", 2480, 330);
    label(f4, QStringLiteral("LP_PROXIMITY_RECAL"), 3600, 330, 2700);
    LowPowCtrlTxt = text(f4, "LowPowCtrlTxt", 6360, 330);
    ContReg[3] = display(f4, reg::AMB_COMP_CTRL2, "ContReg3Lbl", "Lab4", 720);

    for (auto* t : {FastRateTxt, FiltCompTxt, FullPowCtrlTxt, LowPowCtrlTxt})
        t->setToolTip(kNumberTip);

    // The time intervals that follow from the settings.
    auto timeField = [](QWidget* frame, const char* name, const QString& caption, int row) {
        label(frame, caption, 180, 360 + row * 420, 1860);
        auto* t = text(frame, name, 2100, 360 + row * 420, 1440);
        t->setReadOnly(true);
        t->setAlignment(Qt::AlignRight);
        return t;
    };
    auto* full = frame(this, QStringLiteral("Full Power Mode"), kRightX, 120, kRightW, 2500);
    NMFastUpTxt = timeField(full, "NMFastUpTxt", QStringLiteral("Fast FIFO Update"), 0);
    NMSlowUpTxt = timeField(full, "NMSlowUpTxt", QStringLiteral("Slow FIFO Update"), 1);
    NMProxTimTxt = timeField(full, "NMProxTimTxt", QStringLiteral("Proximity Timeout"), 2);
    NMRecalTimTxt = timeField(full, "NMRecalTimTxt", QStringLiteral("Recalibrate Timer"), 3);
    NMPowDownTxt = timeField(full, "NMPowDownTxt", QStringLiteral("Power Down Time"), 4);
    auto* low = frame(this, QStringLiteral("Low Power Mode"), kRightX, 2760, kRightW, 2080);
    LPFastUpTxt = timeField(low, "LPFastUpTxt", QStringLiteral("Fast FIFO Update"), 0);
    LPSlowUpTxt = timeField(low, "LPSlowUpTxt", QStringLiteral("Slow FIFO Update"), 1);
    LPProxTimTxt = timeField(low, "LPProxTimTxt", QStringLiteral("Proximity Timeout"), 2);
    LPRecalTimTxt = timeField(low, "LPRecalTimTxt", QStringLiteral("Recalibrate Timer"), 3);

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(tw(kRightX + kRightW - 1800), tw(7500), tw(1800), tw(450));

    // Enter never presses a button here: it belongs to the field that has the
    // focus (a command such as a reset must not run by accident).
    for (auto* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(500);

    // activated / clicked / returnPressed come from the user only.
    connect(FullPowSkipCmb, &QComboBox::activated, this, &AmbCompFrm::FullPowSkipCmb_Click);
    connect(LowPowSkipCmb, &QComboBox::activated, this, &AmbCompFrm::LowPowSkipCmb_Click);
    connect(SkipCtrlCmb, &QComboBox::activated, this, &AmbCompFrm::SkipCtrlCmb_Click);
    connect(FullProxTimeCmb, &QComboBox::activated, this, &AmbCompFrm::FullProxTimeCmb_Click);
    connect(LowProxTimeCmb, &QComboBox::activated, this, &AmbCompFrm::LowProxTimeCmb_Click);
    connect(PowDownCmb, &QComboBox::activated, this, &AmbCompFrm::PowDownCmb_Click);
    connect(SlowFifoCmb, &QComboBox::activated, this, &AmbCompFrm::SlowFifoCmb_Click);
    connect(CmdForceCal, &QPushButton::clicked, this, &AmbCompFrm::CmdForceCal_Click);
    connect(CmdResetConv, &QPushButton::clicked, this, &AmbCompFrm::CmdResetConv_Click);
    connect(FastRateTxt, &QLineEdit::returnPressed, this, [this] { FastRateTxt_KeyPress(13); });
    connect(FiltCompTxt, &QLineEdit::returnPressed, this, [this] { FiltCompTxt_KeyPress(13); });
    connect(FullPowCtrlTxt, &QLineEdit::returnPressed, this,
            [this] { FullPowCtrlTxt_KeyPress(13); });
    connect(LowPowCtrlTxt, &QLineEdit::returnPressed, this, [this] { LowPowCtrlTxt_KeyPress(13); });
    connect(cmdClose, &QPushButton::clicked, this, &AmbCompFrm::cmdClose_Click);
    connect(Timer1, &QTimer::timeout, this, &AmbCompFrm::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &AmbCompFrm::Timer2_Timer);
    connect(this, &QDialog::finished, this, &AmbCompFrm::Form_Unload);
}

void AmbCompFrm::Form_Load()
{
    ReadyFlag = false;
    auto fill = [](QComboBox* c, const QStringList& items) {
        c->clear();
        c->addItems(items);
    };
    fill(FullPowSkipCmb, fullPowerSkipItems());
    fill(LowPowSkipCmb, lowPowerSkipItems());
    fill(PowDownCmb, powerDownTimeoutItems());
    fill(SkipCtrlCmb, blankNumberItems(15));
    fill(FullProxTimeCmb, blankNumberItems(15));
    fill(LowProxTimeCmb, blankNumberItems(15));
    fill(SlowFifoCmb, blankNumberItems(3));

    int16_t status = 0;
    int32_t r[4] = {0, 0, 0, 0};
    ReadRegisters(reg::STAGE_CAL_EN, 4, TargetChip, 0, status, r);
    for (int i = 0; i < 12; ++i)
        RRDataPathChk[i]->setChecked((r[0] >> i) & 1);
    FullPowSkipCmb->setCurrentIndex(field::AVG_FP_SKIP.of(r[0]));
    LowPowSkipCmb->setCurrentIndex(field::AVG_LP_SKIP.of(r[0]));
    SkipCtrlCmb->setCurrentIndex(field::FF_SKIP_CNT.of(r[1]));
    FullProxTimeCmb->setCurrentIndex(field::FP_PROXIMITY_CNT.of(r[1]));
    LowProxTimeCmb->setCurrentIndex(field::LP_PROXIMITY_CNT.of(r[1]));
    PowDownCmb->setCurrentIndex(field::PWR_DOWN_TIMEOUT.of(r[1]));
    FastRateTxt->setText(QString::number(field::PROXIMITY_RECAL_LVL.of(r[2])));
    FiltCompTxt->setText(QString::number(field::PROXIMITY_DETECTION_RATE.of(r[2])));
    SlowFifoCmb->setCurrentIndex(field::SLOW_FIFO_LVL.of(r[2]));
    FullPowCtrlTxt->setText(QString::number(field::FP_PROXIMITY_RECAL.of(r[3])));
    LowPowCtrlTxt->setText(QString::number(field::LP_PROXIMITY_RECAL.of(r[3])));

    for (auto* d : ContReg)
        d->refresh();
    ShowTimings();
    Timer1->start();
}

void AmbCompFrm::Form_Unload()
{
    Timer1->stop();
    Timer2->stop();
}

void AmbCompFrm::cmdClose_Click()
{
    reject();
}

void AmbCompFrm::Timer1_Timer()
{
    ReadyFlag = true;
    Timer1->stop();
}

void AmbCompFrm::Timer2_Timer()
{
    ContReg[1]->refresh();
    Timer2->stop();
}

RegisterBitDisplay* AmbCompFrm::DisplayOf(int16_t address) const
{
    return ContReg[address - reg::STAGE_CAL_EN];
}

void AmbCompFrm::ListChoice(const RegField& f, QComboBox* list)
{
    if (!ReadyFlag)
        return;
    UpdateField(f, list->currentIndex());
    DisplayOf(f.address)->refresh();
    ShowTimings();
}

void AmbCompFrm::FullPowSkipCmb_Click()
{
    ListChoice(field::AVG_FP_SKIP, FullPowSkipCmb);
}
void AmbCompFrm::LowPowSkipCmb_Click()
{
    ListChoice(field::AVG_LP_SKIP, LowPowSkipCmb);
}
void AmbCompFrm::SkipCtrlCmb_Click()
{
    ListChoice(field::FF_SKIP_CNT, SkipCtrlCmb);
}
void AmbCompFrm::FullProxTimeCmb_Click()
{
    ListChoice(field::FP_PROXIMITY_CNT, FullProxTimeCmb);
}
void AmbCompFrm::LowProxTimeCmb_Click()
{
    ListChoice(field::LP_PROXIMITY_CNT, LowProxTimeCmb);
}
void AmbCompFrm::PowDownCmb_Click()
{
    ListChoice(field::PWR_DOWN_TIMEOUT, PowDownCmb);
}
void AmbCompFrm::SlowFifoCmb_Click()
{
    ListChoice(field::SLOW_FIFO_LVL, SlowFifoCmb);
}

void AmbCompFrm::RRDataPathChk_Click(int)
{
    if (!ReadyFlag)
        return;
    // Bits 15..12 (the two skip fields) stay as read.
    bool flags[12];
    for (int i = 0; i < 12; ++i)
        flags[i] = RRDataPathChk[i]->isChecked();
    WriteRegister(reg::STAGE_CAL_EN,
                  withStageFlags(ReadRegister(reg::STAGE_CAL_EN, TargetChip), flags), TargetChip);
    ContReg[0]->refresh();
}

void AmbCompFrm::NumberEntered(int KeyAscii, const NumberFieldRule& rule, QLineEdit* text)
{
    if (KeyAscii != 13 || !ReadyFlag)
        return;
    text->setText(QString::number(EnterNumberField(rule, text->text())));
    DisplayOf(rule.field.address)->refresh();
    ShowTimings();
}

void AmbCompFrm::FastRateTxt_KeyPress(int KeyAscii)
{
    NumberEntered(KeyAscii, fastRateRule(), FastRateTxt);
}
void AmbCompFrm::FiltCompTxt_KeyPress(int KeyAscii)
{
    NumberEntered(KeyAscii, filtCompRule(), FiltCompTxt);
}
void AmbCompFrm::FullPowCtrlTxt_KeyPress(int KeyAscii)
{
    NumberEntered(KeyAscii, fullPowCtrlRule(), FullPowCtrlTxt);
}
void AmbCompFrm::LowPowCtrlTxt_KeyPress(int KeyAscii)
{
    NumberEntered(KeyAscii, lowPowCtrlRule(), LowPowCtrlTxt);
}

void AmbCompFrm::CommandBit(const RegField& f, int bit)
{
    // The bit shows at once; Timer2 later shows what the chip made of it.
    ContReg[1]->showBit(bit, true);
    SetCommandBit(f);
    if (ReadyFlag)
        Timer2->start();
}

void AmbCompFrm::CmdForceCal_Click()
{
    CommandBit(field::FORCE_CAL, 14);
}
void AmbCompFrm::CmdResetConv_Click()
{
    CommandBit(field::CONV_RESET, 15);
}

void AmbCompFrm::ShowTimings()
{
    int16_t status = 0;
    int32_t r[5] = {0, 0, 0, 0, 0};
    ReadRegisters(reg::PWR_CONTROL, 5, TargetChip, 0, status, r);
    const AmbientTimings t = ambientTimings(r);
    NMFastUpTxt->setText(t.NMFastUp);
    NMSlowUpTxt->setText(t.NMSlowUp);
    NMProxTimTxt->setText(t.NMProxTim);
    NMRecalTimTxt->setText(t.NMRecalTim);
    NMPowDownTxt->setText(t.NMPowDown);
    LPFastUpTxt->setText(t.LPFastUp);
    LPSlowUpTxt->setText(t.LPSlowUp);
    LPProxTimTxt->setText(t.LPProxTim);
    LPRecalTimTxt->setText(t.LPRecalTim);
}

} // namespace cv
