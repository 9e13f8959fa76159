// The Control tab: the chip's power and ambient compensation settings.
#include "demo/ui/EvalBoardFrm.h"
#include "demo/ui/EvalBoardParts.h"

#include "config/AmbientCompensation.h"
#include "config/RegisterFields.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace cv {

using namespace evalboard;

void EvalBoardFrm::BuildControlTab(QWidget* t)
{
    const char* const captions[5] = {
        "Power Control Register 0x00: ", "Stage Calibration Enable 0x01: ",
        "Ambient Compensation Control 0 - 0x02: ", "Ambient Compensation Control 1 - 0x03: ",
        "Ambient Compensation Control 2 - 0x04: "};
    const QRect geo[5] = {{10, 10, 300, 110},
                          {320, 10, 300, 110},
                          {10, 130, 610, 150},
                          {10, 290, 610, 110},
                          {10, 410, 610, 90}};
    for (int i = 0; i < 5; ++i) {
        RegFrame[static_cast<size_t>(i)] =
            named(frame(t, QString::fromLatin1(captions[i]), geo[i].x(), geo[i].y(), geo[i].width(),
                        geo[i].height()),
                  QStringLiteral("RegFrame_%1").arg(i));
    }
    auto* f0 = RegFrame[0];
    label(f0, QStringLiteral("Power Mode"), 12, 28, 150);
    PowModeCmb = combo(f0, QStringLiteral("PowModeCmb"), 160, 26, 130);
    label(f0, QStringLiteral("Low Power Conversion Delay"), 12, 66, 150, 30)->setWordWrap(true);
    ConvStartCmb = combo(f0, QStringLiteral("ConvStartCmb"), 160, 66, 130);
    auto* f1 = RegFrame[1];
    label(f1, QStringLiteral("Slow Avg Skip Full Power Mode"), 12, 24, 180, 30)->setWordWrap(true);
    FullPowSkipCmb = combo(f1, QStringLiteral("FullPowSkipCmb"), 200, 26, 80);
    label(f1, QStringLiteral("Slow Avg Skip Low Power Mode"), 12, 64, 180, 30)->setWordWrap(true);
    LowPowSkipCmb = combo(f1, QStringLiteral("LowPowSkipCmb"), 200, 66, 80);
    auto* f2 = RegFrame[2];
    label(f2, QStringLiteral("Fast Filter Skip Control"), 12, 28, 170);
    SkipCtrlCmb = combo(f2, QStringLiteral("SkipCtrlCmb"), 190, 26, 80);
    label(f2, QStringLiteral("Full Power Proximity Time"), 12, 64, 170);
    FullProxTimeCmb = combo(f2, QStringLiteral("FullProxTimeCmb"), 190, 62, 80);
    label(f2, QStringLiteral("Low Power Proximity Time"), 12, 100, 170);
    LowProxTimeCmb = combo(f2, QStringLiteral("LowProxTimeCmb"), 190, 98, 80);
    label(f2, QStringLiteral("Power Down"), 300, 28, 100);
    PowDownCmb = combo(f2, QStringLiteral("PowDownCmb"), 400, 26, 80);
    CmdForceCal =
        named(new QPushButton(QStringLiteral("FORCE_CAL"), f2), QStringLiteral("CmdForceCal"));
    CmdForceCal->setGeometry(300, 66, 140, 28);
    CmdResetConv =
        named(new QPushButton(QStringLiteral("CONV_RESET"), f2), QStringLiteral("CmdResetConv"));
    CmdResetConv->setGeometry(450, 66, 140, 28);
    auto* f3 = RegFrame[3];
    label(f3, QStringLiteral("Proximity Recalibration Level"), 12, 28, 200);
    FastRateTxt = textBox(f3, QStringLiteral("FastRateTxt"), 220, 26);
    label(f3, QStringLiteral("Proximity Detection Rate"), 12, 64, 200);
    FiltCompTxt = textBox(f3, QStringLiteral("FiltCompTxt"), 220, 62);
    label(f3, QStringLiteral("Slow FIFO Update Level"), 320, 28, 170);
    SlowFifoCmb = combo(f3, QStringLiteral("SlowFifoCmb"), 490, 26, 80);
    auto* f4 = RegFrame[4];
    label(f4, QStringLiteral("Full Power Mode Timer Control"), 12, 28, 200);
    FullPowCtrlTxt = textBox(f4, QStringLiteral("FullPowCtrlTxt"), 220, 26);
    label(f4, QStringLiteral("Low Power Mode Timer Control"), 12, 60, 200);
    LowPowCtrlTxt = textBox(f4, QStringLiteral("LowPowCtrlTxt"), 220, 58);

    const char* const names[9] = {"NMFastUpTxt",   "NMSlowUpTxt",  "NMProxTimTxt",
                                  "NMRecalTimTxt", "NMPowDownTxt", "LPFastUpTxt",
                                  "LPSlowUpTxt",   "LPProxTimTxt", "LPRecalTimTxt"};
    const char* const rows[5] = {"Fast FIFO Update", "Slow FIFO Update", "Proximity Timeout",
                                 "Recalibrate Timer", "Power Down Time"};
    auto* full = frame(t, QStringLiteral("Full Power Mode"), 640, 10, 280, 210);
    auto* low = frame(t, QStringLiteral("Low Power Mode"), 640, 230, 280, 175);
    for (int i = 0; i < 9; ++i) {
        QGroupBox* f = i < 5 ? full : low;
        const int row = i < 5 ? i : i - 5;
        label(f, QString::fromLatin1(rows[row]), 12, 30 + 34 * row, 130);
        auto* box = textBox(f, QString::fromLatin1(names[i]), 150, 28 + 34 * row, 110);
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignRight);
        TimeTxt[static_cast<size_t>(i)] = box;
    }

    connect(PowModeCmb, &QComboBox::activated, this, &EvalBoardFrm::PowModeCmb_Click);
    connect(ConvStartCmb, &QComboBox::activated, this, &EvalBoardFrm::ConvStartCmb_Click);
    connect(FullPowSkipCmb, &QComboBox::activated, this, &EvalBoardFrm::FullPowSkipCmb_Click);
    connect(LowPowSkipCmb, &QComboBox::activated, this, &EvalBoardFrm::LowPowSkipCmb_Click);
    connect(SkipCtrlCmb, &QComboBox::activated, this, &EvalBoardFrm::SkipCtrlCmb_Click);
    connect(FullProxTimeCmb, &QComboBox::activated, this, &EvalBoardFrm::FullProxTimeCmb_Click);
    connect(LowProxTimeCmb, &QComboBox::activated, this, &EvalBoardFrm::LowProxTimeCmb_Click);
    connect(PowDownCmb, &QComboBox::activated, this, &EvalBoardFrm::PowDownCmb_Click);
    connect(SlowFifoCmb, &QComboBox::activated, this, &EvalBoardFrm::SlowFifoCmb_Click);
    connect(FastRateTxt, &QLineEdit::textEdited, this, &EvalBoardFrm::FastRateTxt_Change);
    connect(FiltCompTxt, &QLineEdit::textEdited, this, &EvalBoardFrm::FiltCompTxt_Change);
    connect(FullPowCtrlTxt, &QLineEdit::textEdited, this, &EvalBoardFrm::FullPowCtrlTxt_Change);
    connect(LowPowCtrlTxt, &QLineEdit::textEdited, this, &EvalBoardFrm::LowPowCtrlTxt_Change);
    connect(CmdForceCal, &QPushButton::clicked, this, &EvalBoardFrm::CmdForceCal_Click);
    connect(CmdResetConv, &QPushButton::clicked, this, &EvalBoardFrm::CmdResetConv_Click);

    // Type-ahead: the settings lists take keys through ComboTypeAhead.
    for (QComboBox* c : {PowModeCmb, ConvStartCmb, FullPowSkipCmb, LowPowSkipCmb, SkipCtrlCmb,
                         FullProxTimeCmb, LowProxTimeCmb, PowDownCmb, SlowFifoCmb})
        c->lineEdit()->installEventFilter(this);
}

bool EvalBoardFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* e = static_cast<QKeyEvent*>(event);
        const QString text = e->text();
        for (QComboBox* c : {PowModeCmb, ConvStartCmb, FullPowSkipCmb, LowPowSkipCmb, SkipCtrlCmb,
                             FullProxTimeCmb, LowProxTimeCmb, PowDownCmb, SlowFifoCmb})
            if (c->lineEdit() == watched && text.size() == 1 && text[0].isPrint())
                return ComboKeyPress(c, text[0]);
    }
    return QDialog::eventFilter(watched, event);
}

void EvalBoardFrm::ShowSettings(const int32_t r[5])
{
    const char* const captions[5] = {
        "Power Control Register 0x00: ", "Stage Calibration Enable 0x01: ",
        "Ambient Compensation Control 0 - 0x02: ", "Ambient Compensation Control 1 - 0x03: ",
        "Ambient Compensation Control 2 - 0x04: "};
    for (int i = 0; i < 5; ++i)
        RegFrame[static_cast<size_t>(i)]->setTitle(QString::fromLatin1(captions[i]) +
                                                   hexText(r[i]) + QStringLiteral("h"));
    auto select = [](QComboBox* c, int index) {
        QSignalBlocker b(c);
        c->setCurrentIndex(index);
    };
    select(PowModeCmb, field::POWER_MODE.of(r[0]));
    select(ConvStartCmb, field::LP_CONV_DELAY.of(r[0]));
    select(FullPowSkipCmb, field::AVG_FP_SKIP.of(r[1]));
    select(LowPowSkipCmb, field::AVG_LP_SKIP.of(r[1]));
    select(SkipCtrlCmb, std::min(field::FF_SKIP_CNT.of(r[2]), 11));
    select(FullProxTimeCmb, field::FP_PROXIMITY_CNT.of(r[2]));
    select(LowProxTimeCmb, field::LP_PROXIMITY_CNT.of(r[2]));
    select(PowDownCmb, field::PWR_DOWN_TIMEOUT.of(r[2]));
    select(SlowFifoCmb, field::SLOW_FIFO_LVL.of(r[3]));
    auto number = [](QLineEdit* t, int32_t v) {
        if (!t->hasFocus() || t->text().isEmpty()) {
            QSignalBlocker b(t);
            t->setText(QString::number(v));
        }
    };
    number(FastRateTxt, field::PROXIMITY_RECAL_LVL.of(r[3]));
    number(FiltCompTxt, field::PROXIMITY_DETECTION_RATE.of(r[3]));
    number(FullPowCtrlTxt, field::FP_PROXIMITY_RECAL.of(r[4]));
    number(LowPowCtrlTxt, field::LP_PROXIMITY_RECAL.of(r[4]));
    ShowTimings(r);
}

void EvalBoardFrm::ShowTimings(const int32_t r[5])
{
    const AmbientTimings t = ambientTimings(r);
    const QString texts[9] = {t.NMFastUp, t.NMSlowUp, t.NMProxTim, t.NMRecalTim, t.NMPowDown,
                              t.LPFastUp, t.LPSlowUp, t.LPProxTim, t.LPRecalTim};
    for (int i = 0; i < 9; ++i)
        TimeTxt[static_cast<size_t>(i)]->setText(texts[i]);
}

void EvalBoardFrm::RefreshSettings()
{
    int16_t status = 0;
    int32_t r[5] = {};
    ReadRegisters(reg::PWR_CONTROL, 5, TargetChip, 0, status, r);
    ShowSettings(r);
}

void EvalBoardFrm::ListChoice(const RegField& f, QComboBox* box)
{
    if (!FormReady)
        return;
    UpdateField(f, box->currentIndex());
    RefreshSettings();
}

void EvalBoardFrm::PowModeCmb_Click()
{
    if (!FormReady)
        return;
    ChipConverting = (PowModeCmb->currentIndex() & 1) == 0;
    ListChoice(field::POWER_MODE, PowModeCmb);
}

void EvalBoardFrm::ConvStartCmb_Click()
{
    ListChoice(field::LP_CONV_DELAY, ConvStartCmb);
}

void EvalBoardFrm::FullPowSkipCmb_Click()
{
    ListChoice(field::AVG_FP_SKIP, FullPowSkipCmb);
}

void EvalBoardFrm::LowPowSkipCmb_Click()
{
    ListChoice(field::AVG_LP_SKIP, LowPowSkipCmb);
}

void EvalBoardFrm::SkipCtrlCmb_Click()
{
    ListChoice(field::FF_SKIP_CNT, SkipCtrlCmb);
}

void EvalBoardFrm::FullProxTimeCmb_Click()
{
    ListChoice(field::FP_PROXIMITY_CNT, FullProxTimeCmb);
}

void EvalBoardFrm::LowProxTimeCmb_Click()
{
    ListChoice(field::LP_PROXIMITY_CNT, LowProxTimeCmb);
}

void EvalBoardFrm::PowDownCmb_Click()
{
    ListChoice(field::PWR_DOWN_TIMEOUT, PowDownCmb);
}

void EvalBoardFrm::SlowFifoCmb_Click()
{
    ListChoice(field::SLOW_FIFO_LVL, SlowFifoCmb);
}

bool EvalBoardFrm::ComboKeyPress(QComboBox* box, QChar key)
{
    QLineEdit* e = box->lineEdit();
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    const int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const TypeAhead t = ComboTypeAhead(items, e->text(), start, int(e->selectedText().size()), key);
    if (!t.consumed)
        return false;
    if (t.index >= 0) {
        {
            QSignalBlocker b(box);
            box->setCurrentIndex(t.index);
        }
        emit box->activated(t.index); // a choice of that item: its click handler writes
    }
    e->setText(t.text);
    e->setSelection(t.selStart, std::min<int>(t.selLength, int(t.text.size()) - t.selStart));
    return true;
}

void EvalBoardFrm::NumberChanged(const NumberFieldRule& rule, QLineEdit* box)
{
    if (!FormReady)
        return;
    const auto v = acceptedNumber(rule, box->text());
    if (!v) {
        services().message(rule.message, rule.icon, rule.title);
        return;
    }
    UpdateField(rule.field, *v);
    RefreshSettings();
}

void EvalBoardFrm::FastRateTxt_Change()
{
    NumberChanged(fastRateRule(), FastRateTxt);
}

void EvalBoardFrm::FiltCompTxt_Change()
{
    NumberChanged(filtCompRule(), FiltCompTxt);
}

void EvalBoardFrm::FullPowCtrlTxt_Change()
{
    NumberChanged(fullPowCtrlRule(), FullPowCtrlTxt);
}

void EvalBoardFrm::LowPowCtrlTxt_Change()
{
    NumberChanged(lowPowCtrlRule(), LowPowCtrlTxt);
}

void EvalBoardFrm::CmdForceCal_Click()
{
    if (!FormReady)
        return;
    SetCommandBit(field::FORCE_CAL);
    Timer2->start();
}

void EvalBoardFrm::CmdResetConv_Click()
{
    if (!FormReady)
        return;
    SetCommandBit(field::CONV_RESET);
    RefreshSettings();
}

} // namespace cv
