// The Demo tab: the player with its list, key cross and ticks, the bit
// rows, and the demo parameters below them.
#include "demo/ui/EvalBoardFrm.h"
#include "demo/ui/EvalBoardParts.h"

#include "config/DiagramOps.h"
#include "demo/ui/DemoWidgets.h"
#include "demo/ui/KeyPicture.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/Services.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace cv {

using namespace evalboard;

void EvalBoardFrm::BuildDemoTab(QWidget* t)
{
    // The player: the list, the key cross and the tick column.
    auto* MP3Pic = named(new QFrame(t), QStringLiteral("MP3Pic"));
    MP3Pic->setGeometry(10, 10, 250, 530);
    MP3Pic->setStyleSheet(
        QStringLiteral("#MP3Pic { background: qlineargradient(x1:0,y1:0,x2:1,y2:1, stop:0 #dfe4ea, "
                       "stop:1 #9aa4b1); border: 2px solid #59636e; border-radius: 26px; }"));
    SubMenuLst = named(new QListWidget(MP3Pic), QStringLiteral("SubMenuLst"));
    SubMenuLst->setGeometry(20, 24, 170, 180);
    SubMenuLst->setStyleSheet(
        QStringLiteral("QListWidget { background: #c8e6c9; border: 2px solid #37474f; "
                       "font-family: monospace; } QListWidget::item:selected { background: "
                       "#1b5e20; color: white; }"));
    // A dark strip behind the tick column: light grey ticks vanish on the panel.
    auto* tickStrip = named(new DemoShape(MP3Pic), QStringLiteral("TickStripShp"));
    tickStrip->setGeometry(210, 28, 34, 238);
    tickStrip->setFillColor(QColor(0x37, 0x47, 0x4f));
    tickStrip->setBorder(QColor(0x37, 0x47, 0x4f), 1);
    for (int i = 0; i < kTicks; ++i) {
        auto* s = named(new DemoShape(MP3Pic), QStringLiteral("CrossVTic2Shp_%1").arg(i));
        CrossVTic2Shp[static_cast<size_t>(i)] = s;
    }
    DrawTicks(-1);

    // The key cross at its own spacing (twips), moved as one below the list.
    const int ox = 46, oy = 115;
    auto* crossFrame = named(new DemoShape(MP3Pic, true), QStringLiteral("Shape3"));
    crossFrame->setGeometry(tw(500) + ox, tw(3200) + oy, tw(1320), tw(1100));
    crossFrame->setFillColor(QColor(0x37, 0x47, 0x4f));
    auto* CrossPic = named(new QLabel(MP3Pic), QStringLiteral("CrossPic"));
    CrossPic->setGeometry(125, 270, 100, 40);
    CrossPic->setText(QStringLiteral("\u2195"));
    CrossPic->setStyleSheet(QStringLiteral("color: #37474f; font-size: 22px;"));
    // Down, Up, Left, Right, Centre: (left, top) in twips.
    const QPoint at[kDemoKeys] = {
        {980, 3955}, {980, 3255}, {595, 3535}, {1470, 3535}, {1005, 3570}};
    for (int k = 0; k < kDemoKeys; ++k) {
        auto* key = new KeyPicture(static_cast<DemoKey>(k), MP3Pic);
        static const char* const names[kDemoKeys] = {"GoDownPic", "GoUpPic", "GoLeftPic",
                                                     "GoRightPic", "OkPic"};
        key->setObjectName(QString::fromLatin1(names[k]) + QStringLiteral("_0"));
        key->move(tw(at[k].x()) + ox, tw(at[k].y()) + oy);
        Keys[0][static_cast<size_t>(k)] = key;
    }

    // Bit rows.
    auto* buttons = frame(t, QStringLiteral("Button Status"), 280, 10, 640, 110);
    auto* slider = named(frame(t, QStringLiteral("Slider Status"), 280, 130, 640, 150),
                         QStringLiteral("KrvReg3Frm"));
    for (int i = 0; i < 16; ++i) {
        const int x = 600 - 36 * i;
        KrvReg2Lbl[static_cast<size_t>(16 + i)] =
            bitLabel(buttons, QStringLiteral("KrvReg2Lbl_%1").arg(16 + i), x, 24);
        KrvReg3Lbl[static_cast<size_t>(i)] =
            bitLabel(slider, QStringLiteral("KrvReg3Lbl_%1").arg(i), x, 24);
    }
    // Captions under their bits of word 0, on two rows so they do not overlap.
    const char* const buttonCaptions[7] = {"Down Button",    "Up Button",     "Left Button",
                                           "Right Button",   "Centre Button", "Go RIGHT command",
                                           "Go LEFT command"};
    for (int b = 0; b < 7; ++b) {
        auto* l = label(buttons, QString::fromLatin1(buttonCaptions[b]), 600 - 36 * b - 22,
                        46 + (b % 2) * 30, 60, 30);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        l->setStyleSheet(QStringLiteral("font-size: 10px;"));
    }
    const struct {
        int bit;
        const char* text;
    } sliderCaptions[] = {{15, "Activation"},          {14, "Tap on the Slider"},
                          {13, "Go DOWN command"},     {12, "Go UP command"},
                          {11, "Large finger across"}, {10, "2 Fingers Touching"},
                          {0, "Absolute Positions"}};
    for (const auto& c : sliderCaptions) {
        auto* l = label(slider, QString::fromLatin1(c.text), 0, 0, 60, 30);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        l->setStyleSheet(QStringLiteral("font-size: 10px;"));
        const int x = 600 - 36 * c.bit;
        l->setGeometry(c.bit == 0 ? 330 : x - 29, 46 + ((15 - c.bit) % 2) * 30,
                       c.bit == 0 ? 300 : 74, 30);
    }
    label(slider, QStringLiteral("Position"), 20, 112, 60);
    PositionTxt = textBox(slider, QStringLiteral("PositionTxt"), 80, 110, 60);
    PositionTxt->setReadOnly(true);
    TapShp = named(new DemoShape(slider, true), QStringLiteral("TapShp_0"));
    TapShp->setGeometry(170, 110, 22, 22);
    label(slider, QStringLiteral("Tap"), 198, 112, 40);

    auto* sound = frame(t, QStringLiteral("Audible Feedback"), 280, 290, 200, 60);
    PlaySoundEnableChk = named(new QCheckBox(sound), QStringLiteral("PlaySoundEnableChk"));
    PlaySoundEnableChk->setGeometry(16, 26, 24, 22);
    PlaySoundEnableLbl = named(label(sound, QStringLiteral("OFF"), 44, 28, 60),
                               QStringLiteral("PlaySoundEnableLbl"));
    connect(PlaySoundEnableChk, &QCheckBox::clicked, this, &EvalBoardFrm::PlaySoundEnableChk_Click);

    auto* irq = frame(t, QStringLiteral("Interrupt Mode"), 490, 290, 430, 60);
    BtnIntEnModeChk = named(new QCheckBox(irq), QStringLiteral("BtnIntEnModeChk"));
    BtnIntEnModeChk->setGeometry(16, 26, 24, 22);
    BtnIntEnModeLbl = named(label(irq, QStringLiteral("Threshold"), 44, 28, 100),
                            QStringLiteral("BtnIntEnModeLbl"));
    named(label(irq, QStringLiteral("Interface Active"), 250, 28, 110),
          QStringLiteral("InterrruptModeStatusLbl"));
    InterrruptModeStatusShp =
        named(new DemoShape(irq, true), QStringLiteral("InterrruptModeStatusShp"));
    InterrruptModeStatusShp->setGeometry(370, 26, 22, 22);
    connect(BtnIntEnModeChk, &QCheckBox::clicked, this, &EvalBoardFrm::BtnIntEnModeChk_Click);

    auto* controls = frame(t, QStringLiteral("Controls"), 280, 360, 640, 120);
    if (variant_.params == DemoParams::RelativeMovement) {
        label(controls, QStringLiteral("Relative Movement"), 20, 30, 140);
        RelMovementTxt = textBox(controls, QStringLiteral("RelMovementTxt"), 20, 52, 80);
        connect(RelMovementTxt, &QLineEdit::textEdited, this, &EvalBoardFrm::RelMovementTxt_Change);
    } else {
        label(controls, QStringLiteral("Item Resolution"), 20, 30, 140);
        ItemResolutionTxt = textBox(controls, QStringLiteral("ItemResolutionTxt"), 20, 52, 80);
        FastScrollChk = named(new QCheckBox(QStringLiteral("Enable Acceleration"), controls),
                              QStringLiteral("FastScrollChk"));
        FastScrollChk->setGeometry(20, 84, 180, 22);
        AutoscrollLbl =
            named(label(controls, QStringLiteral("Autoscroll Enable Time"), 260, 30, 180),
                  QStringLiteral("AutoscrollLbl"));
        AutoscrollTxt = textBox(controls, QStringLiteral("AutoscrollTxt"), 260, 52, 80);
        AutoscrollEnableChk = named(new QCheckBox(QStringLiteral("Enable Autoscroll"), controls),
                                    QStringLiteral("AutoscrollEnableChk"));
        AutoscrollEnableChk->setGeometry(260, 84, 180, 22);
        connect(ItemResolutionTxt, &QLineEdit::textEdited, this,
                &EvalBoardFrm::ItemResolutionTxt_Change);
        connect(AutoscrollTxt, &QLineEdit::textEdited, this, &EvalBoardFrm::AutoscrollTxt_Change);
        connect(FastScrollChk, &QCheckBox::clicked, this, &EvalBoardFrm::FastScrollChk_Click);
        connect(AutoscrollEnableChk, &QCheckBox::clicked, this,
                &EvalBoardFrm::AutoscrollEnableChk_Click);
    }
}

void EvalBoardFrm::DrawTicks(int tick)
{
    for (int i = 0; i < kTicks; ++i) {
        DemoShape* s = CrossVTic2Shp[static_cast<size_t>(i)];
        // The column at twice its twip size, beside the list.
        const int top = 2 * tw(180 + 110 * i) + 12;
        if (i == tick) {
            s->setGeometry(2 * tw(280) + 180, top, 2 * tw(160), 2 * tw(35));
            s->setBorder(kBlue, 2);
            s->setFillColor(kBlue);
        } else {
            s->setGeometry(2 * tw(300) + 180, top, 2 * tw(120), 2 * tw(25));
            s->setBorder(kGrey, 1);
            s->setFillColor(kGrey);
        }
    }
}

void EvalBoardFrm::ShowDemoBlock(const std::vector<int32_t>& w)
{
    InterrruptModeStatusShp->setFillColor(kRed);
    const DemoView v =
        decodeDemoBlock(w.data(), state_, SubMenuLst->currentRow(), SubMenuLst->count(), SoundOn());
    for (int i = 0; i < 16; ++i) {
        KrvReg2Lbl[static_cast<size_t>(16 + i)]->setText((v.word0 >> i) & 1 ? QStringLiteral("1")
                                                                            : QStringLiteral("0"));
        KrvReg3Lbl[static_cast<size_t>(i)]->setText((v.word1 >> i) & 1 ? QStringLiteral("1")
                                                                       : QStringLiteral("0"));
    }
    TapShp->setFillColor(v.tap ? kRed : kWhite);
    PositionTxt->setText(QString::number(v.position));
    if (v.tickMoved)
        DrawTicks(v.tick);
    ShowKeys(v.keys, 0);
    if (v.list != SubMenuLst->currentRow())
        SubMenuLst->setCurrentRow(v.list);
    PlayClicks(v.clicks);
}

void EvalBoardFrm::BtnIntEnModeChk_Click()
{
    if (!FormReady)
        return;
    const int32_t control = ReadRegister(reg::board::BoardControlWord, TargetBoard);
    services().sleepMs(50);
    const bool threshold = BtnIntEnModeChk->isChecked();
    WriteRegister(reg::board::BoardControlWord,
                  threshold ? (control | 0x0002) : (control & ~0x0002 & 0xFFFF), TargetBoard);
    BtnIntEnModeLbl->setText(threshold ? QStringLiteral("Threshold")
                                       : QStringLiteral("Continuous"));
    AwaitStageSelect(reg::board::DemoMode);
}

void EvalBoardFrm::PlaySoundEnableChk_Click()
{
    PlaySoundEnableLbl->setText(PlaySoundEnableChk->isChecked() ? QStringLiteral("ON")
                                                                : QStringLiteral("OFF"));
}

void EvalBoardFrm::AutoscrollTxt_Change()
{
    if (!FormReady)
        return;
    const int32_t v = truncatedValue(AutoscrollTxt->text());
    if (v <= 10 || v >= 65000)
        return;
    WriteRegister(reg::board::DemoSetting4, v, TargetBoard);
    services().sleepMs(20);
    AutoscrollTxt->setToolTip(QStringLiteral("Read back value: ") +
                              QString::number(ReadRegister(reg::board::DemoSetting4, TargetBoard)));
}

void EvalBoardFrm::ItemResolutionTxt_Change()
{
    if (!FormReady)
        return;
    const int32_t v = truncatedValue(ItemResolutionTxt->text());
    if (v <= 0)
        return;
    WriteRegister(reg::board::DemoSetting9, v, TargetBoard);
    services().sleepMs(20);
    ItemResolutionTxt->setToolTip(
        QStringLiteral("Read back value: ") +
        QString::number(ReadRegister(reg::board::DemoSetting9, TargetBoard)));
}

void EvalBoardFrm::FastScrollChk_Click()
{
    if (!FormReady)
        return;
    const int32_t c = ReadRegister(reg::board::BoardControlWord, TargetBoard);
    WriteRegister(reg::board::BoardControlWord,
                  FastScrollChk->isChecked() ? (c | 0x0004) : (c & 0xFFFB), TargetBoard);
}

void EvalBoardFrm::AutoscrollEnableChk_Click()
{
    if (!FormReady)
        return;
    const bool on = AutoscrollEnableChk->isChecked();
    const int32_t c = ReadRegister(reg::board::BoardControlWord, TargetBoard);
    WriteRegister(reg::board::BoardControlWord, on ? (c | 0x0008) : (c & 0xFFF7), TargetBoard);
    AutoscrollTxt->setEnabled(on);
    AutoscrollLbl->setEnabled(on);
}

void EvalBoardFrm::RelMovementTxt_Change()
{
    if (!FormReady)
        return;
    WriteRegister(reg::board::DemoSetting4, truncatedValue(RelMovementTxt->text()) & 0xFFFF,
                  TargetBoard);
}

} // namespace cv
