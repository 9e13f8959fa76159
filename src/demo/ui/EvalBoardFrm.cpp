#include "demo/ui/EvalBoardFrm.h"

#include "config/AmbientCompensation.h"
#include "config/DiagramOps.h"
#include "config/RegisterFields.h"
#include "demo/DemoCommand.h"
#include "demo/ui/DemoWidgets.h"
#include "demo/ui/KeyPicture.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "widgets/StripChart.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

namespace cv {

namespace {
const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kWhite(255, 255, 255), kGrey(192, 192, 192);
constexpr int16_t kParamBase = reg::board::DemoPositionFirst;

template <class W> W* named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

QGroupBox* frame(QWidget* parent, const QString& title, int x, int y, int w, int h)
{
    auto* g = new QGroupBox(title, parent);
    g->setGeometry(x, y, w, h);
    return g;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w, int h = 18)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, h);
    return l;
}

QLineEdit* textBox(QWidget* parent, const QString& name, int x, int y, int w = 64)
{
    auto* t = named(new QLineEdit(parent), name);
    t->setGeometry(x, y, w, 22);
    return t;
}

QComboBox* combo(QWidget* parent, const QString& name, int x, int y, int w = 110)
{
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setGeometry(x, y, w, 24);
    return c;
}

// A bit label: "1" or "0".
QLabel* bitLabel(QWidget* parent, const QString& name, int x, int y)
{
    auto* l = named(new QLabel(QStringLiteral("0"), parent), name);
    l->setGeometry(x, y, 14, 16);
    l->setAlignment(Qt::AlignCenter);
    l->setStyleSheet(QStringLiteral("font-family: monospace;"));
    return l;
}

int32_t truncatedValue(const QString& text)
{
    return static_cast<int32_t>(textValue(text));
}

// Standard pictures of the style, in a fixed order; duplicates (a style
// may draw two of them alike) are skipped when the grid is filled.
const QStyle::StandardPixmap kIconCandidates[] = {
    QStyle::SP_ComputerIcon,
    QStyle::SP_DesktopIcon,
    QStyle::SP_TrashIcon,
    QStyle::SP_DriveFDIcon,
    QStyle::SP_DriveHDIcon,
    QStyle::SP_DriveCDIcon,
    QStyle::SP_DriveNetIcon,
    QStyle::SP_DirOpenIcon,
    QStyle::SP_DirClosedIcon,
    QStyle::SP_DirLinkIcon,
    QStyle::SP_FileIcon,
    QStyle::SP_FileLinkIcon,
    QStyle::SP_DirHomeIcon,
    QStyle::SP_MessageBoxInformation,
    QStyle::SP_MessageBoxWarning,
    QStyle::SP_MessageBoxCritical,
    QStyle::SP_MessageBoxQuestion,
    QStyle::SP_FileDialogNewFolder,
    QStyle::SP_FileDialogDetailedView,
    QStyle::SP_FileDialogInfoView,
    QStyle::SP_FileDialogContentsView,
    QStyle::SP_FileDialogListView,
    QStyle::SP_FileDialogToParent,
    QStyle::SP_FileDialogBack,
    QStyle::SP_DialogOkButton,
    QStyle::SP_DialogCancelButton,
    QStyle::SP_DialogHelpButton,
    QStyle::SP_DialogOpenButton,
    QStyle::SP_DialogSaveButton,
    QStyle::SP_DialogCloseButton,
    QStyle::SP_DialogApplyButton,
    QStyle::SP_DialogResetButton,
    QStyle::SP_DialogDiscardButton,
    QStyle::SP_DialogYesButton,
    QStyle::SP_DialogNoButton,
    QStyle::SP_BrowserReload,
    QStyle::SP_BrowserStop,
    QStyle::SP_MediaPlay,
    QStyle::SP_MediaStop,
    QStyle::SP_MediaPause,
    QStyle::SP_MediaSkipForward,
    QStyle::SP_MediaSkipBackward,
    QStyle::SP_MediaSeekForward,
    QStyle::SP_MediaSeekBackward,
    QStyle::SP_MediaVolume,
    QStyle::SP_MediaVolumeMuted,
    QStyle::SP_ArrowUp,
    QStyle::SP_ArrowDown,
    QStyle::SP_ArrowLeft,
    QStyle::SP_ArrowRight,
    QStyle::SP_TitleBarMenuButton,
    QStyle::SP_TitleBarCloseButton,
    QStyle::SP_TitleBarMaxButton,
    QStyle::SP_TitleBarMinButton,
    QStyle::SP_TitleBarContextHelpButton,
    QStyle::SP_CommandLink,
    QStyle::SP_VistaShield,
    QStyle::SP_ToolBarHorizontalExtensionButton,
};
} // namespace

EvalBoardFrm::EvalBoardFrm(const DemoVariant& variant, QWidget* parent)
    : QDialog(parent), variant_(variant), loop_(variant)
{
    setObjectName(QString::fromLatin1(variant.className));
    setWindowTitle(QStringLiteral("Evaluation Demo"));
    resize(960, 640);

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

    auto* crossFrame = named(new DemoShape(MP3Pic, true), QStringLiteral("Shape3"));
    crossFrame->setGeometry(33, 290, 180, 150);
    crossFrame->setFillColor(QColor(0x37, 0x47, 0x4f));
    auto* CrossPic = named(new QLabel(MP3Pic), QStringLiteral("CrossPic"));
    CrossPic->setGeometry(125, 230, 100, 40);
    CrossPic->setText(QStringLiteral("\u2195"));
    CrossPic->setStyleSheet(QStringLiteral("color: #37474f; font-size: 22px;"));
    // Key positions inside the player (twips of the player panel, scaled down).
    const QPoint at[kDemoKeys] = {{110, 400}, {110, 310}, {58, 353}, {160, 353}, {108, 354}};
    for (int k = 0; k < kDemoKeys; ++k) {
        auto* key = new KeyPicture(static_cast<DemoKey>(k), MP3Pic);
        static const char* const names[kDemoKeys] = {"GoDownPic", "GoUpPic", "GoLeftPic",
                                                     "GoRightPic", "OkPic"};
        key->setObjectName(QString::fromLatin1(names[k]) + QStringLiteral("_0"));
        key->move(at[k]);
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

void EvalBoardFrm::BuildSliderTab(QWidget* t)
{
    const bool board1 = variant_.boardId == 1;
    auto* gauges =
        frame(t, board1 ? QStringLiteral("Sensors") : QStringLiteral("Segments"), 10, 10, 420, 250);
    for (int i = 0; i < 8; ++i) {
        auto* g =
            named(new QProgressBar(gauges), board1 ? QStringLiteral("SensorSlider_%1").arg(i)
                                                   : QStringLiteral("SegmentSlider_%1").arg(i));
        g->setOrientation(Qt::Vertical);
        g->setRange(0, 2000);
        g->setValue(0);
        g->setTextVisible(false);
        g->setGeometry(20 + 50 * i, 30, 24, 160);
        SegmentSlider[static_cast<size_t>(i)] = g;
        auto* s = named(new DemoShape(gauges, true), board1 ? QStringLiteral("IntShp_%1").arg(i)
                                                            : QStringLiteral("Int2ShpX_%1").arg(i));
        s->setGeometry(22 + 50 * i, 198, 20, 20);
        Int2ShpX[static_cast<size_t>(i)] = s;
        if (board1) {
            auto* l = named(label(gauges, QStringLiteral("0"), 10 + 50 * i, 222, 46),
                            QStringLiteral("SensorValueLbl_%1").arg(i));
            l->setAlignment(Qt::AlignCenter);
            SensorValueLbl[static_cast<size_t>(i)] = l;
        }
    }

    SliderPlot = new StripChart(t);
    SliderPlot->setGeometry(10, 270, 910, 270);
    SliderPlot->setLength(200);
    SliderPlot->setBufferLength(1000);

    auto* numbers = frame(t, QStringLiteral("Results"), 440, 10, 480, 250);
    auto addBox = [&](const char* name, const QString& caption, int row, int col = 0) {
        label(numbers, caption, 12 + 240 * col, 30 + 34 * row, 156);
        auto* b = textBox(numbers, QString::fromLatin1(name), 170 + 240 * col, 28 + 34 * row, 70);
        b->setReadOnly(true);
        SliderTxt.push_back(b);
        return b;
    };
    if (variant_.boardId == 58) {
        SliderPlot->setObjectName(QStringLiteral("SliderPlot"));
        SliderPlot->setTraceCount(5);
        SliderPlot->setPlotCount(3);
        const struct {
            int plot;
            QColor color;
            const char* name;
        } traces[5] = {{0, kBlue, "Mean Value"},
                       {0, kRed, "Reverse Mean Value"},
                       {1, kBlue, "Unscaled Displacement"},
                       {1, kRed, "Positive Displacement"},
                       {2, kBlue, "Absolute Position"}};
        for (int i = 0; i < 5; ++i) {
            SliderPlot->setTracePlot(i, traces[i].plot);
            SliderPlot->setTraceColor(i, traces[i].color);
            SliderPlot->setTraceName(i, QString::fromLatin1(traces[i].name));
        }
        addBox("MeanTxt", QStringLiteral("Mean Value"), 0);
        addBox("ReverseMeanTxt", QStringLiteral("Reverse Mean Value"), 1);
        addBox("PositionRatioTxt", QStringLiteral("Position Ratio"), 2);
        addBox("UnscaledDispTxt", QStringLiteral("Unscaled Displacement"), 3);
        addBox("PosDispTxt", QStringLiteral("Positive Displacement"), 4);
        addBox("AbsolutePosTxt", QStringLiteral("Absolute Position"), 5);
    } else if (variant_.boardId == 70) {
        SliderPlot->setObjectName(QStringLiteral("SliderPlot"));
        SliderPlot->setTraceCount(2);
        SliderPlot->setPlotCount(2);
        SliderPlot->setTracePlot(1, 1);
        SliderPlot->setTraceColor(0, kBlue);
        SliderPlot->setTraceColor(1, kRed);
        SliderPlot->setTraceName(0, QStringLiteral("Unscaled Displacement"));
        SliderPlot->setTraceName(1, QStringLiteral("Absolute Position"));
        SliderPlot->setBounds(0, 2000, 0);
        SliderPlot->setOuterBounds(0, 4000, 0);
        addBox("DisplacementTxt", QStringLiteral("Displacement"), 0);
        addBox("AbsolutePos", QStringLiteral("Absolute Position"), 1);
        addBox("NbOfPositionsTxt", QStringLiteral("Number of Positions"), 2);
        addBox("UnScaledTxt", QStringLiteral("Unscaled Displacement"), 3);
    } else {
        SliderPlot->setObjectName(QStringLiteral("AbsolutePosPlot"));
        SliderPlot->setTraceCount(1);
        SliderPlot->setTraceColor(0, kBlue);
        SliderPlot->setTraceName(0, QStringLiteral("Absolute Position"));
        SliderPlot->setBounds(0, 260, 0);
        SliderPlot->setOuterBounds(0, 260, 0);
        addBox("AbsPositionTxt", QStringLiteral("Absolute Position"), 0);
        addBox("PositionTxt1", QStringLiteral("Position"), 1);
        addBox("LwrThresStatRegTxt", QStringLiteral("Lower Threshold Status"), 2);
        addBox("UppThresStatRegTxt", QStringLiteral("Upper Threshold Status"), 3);
        addBox("ProxStatRegTxt", QStringLiteral("Proximity Status"), 4);
        DataShp = named(new DemoShape(numbers, true), QStringLiteral("DataShp"));
        DataShp->setGeometry(12, 210, 20, 20);
        label(numbers, QStringLiteral("Data"), 38, 212, 50);
        SliderTapShp = named(new DemoShape(numbers, true), QStringLiteral("TapShp_1"));
        SliderTapShp->setGeometry(100, 210, 20, 20);
        label(numbers, QStringLiteral("Tap"), 126, 212, 50);
        SliderPic = named(new DemoShape(numbers), QStringLiteral("SliderPic"));
        SliderPic->setGeometry(250, 200, 3584 / 16, 30);
        auto* bar = named(new DemoShape(SliderPic), QStringLiteral("SliderBarShp"));
        bar->setFillColor(kBlue);
        bar->setGeometry(0, 0, 0, 30);
    }
    if (variant_.boardId != 1) {
        PosSlider = named(new QSlider(Qt::Horizontal, numbers), QStringLiteral("PosSlider"));
        PosSlider->setGeometry(12, 232, 456, 16);
        PosSlider->setEnabled(false);
        PosSlider->setRange(0, 128);
    }
    if (variant_.params == DemoParams::Full) {
        // The five position parameters with their spinners.
        auto* params = numbers;
        const char* const txt[5] = {"NbOfPositionsTxt", "WeightFactorTxt", "DispFactorTxt",
                                    "DispOffsetTxt", "PosRatioTxt"};
        const char* const ud[5] = {"NbOfPositionsUpDown", "WeightFactorUpDown", "DispFactorUpDown",
                                   "DispOffsetUpDown", "PosRatioUpDown"};
        const char* const cap[5] = {"NUMBER_OF_POSITIONS", "WEIGHT_FACTOR", "DISPLACEMENT_FACTOR",
                                    "DISPLACEMENT_OFFSET", "POSITION_RATIO"};
        for (int i = 0; i < 5; ++i) {
            label(params, QString::fromLatin1(cap[i]), 252, 30 + 34 * i, 140)
                ->setStyleSheet(QStringLiteral("font-size: 10px;"));
            auto* b = textBox(params, QString::fromLatin1(txt[i]), 392, 28 + 34 * i, 56);
            auto* s = named(new QSpinBox(params), QString::fromLatin1(ud[i]));
            s->setGeometry(448, 28 + 34 * i, 20, 22);
            s->setRange(0, 65535);
            s->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
            ParamTxt[static_cast<size_t>(i)] = b;
            ParamUpDown[static_cast<size_t>(i)] = s;
            if (i < 4)
                connect(b, &QLineEdit::textEdited, this, [this, i] { ParameterTxt_Change(i); });
            connect(s, &QSpinBox::valueChanged, this, [this, i] { ParameterUpDown_Change(i); });
        }
        connect(ParamTxt[4], &QLineEdit::returnPressed, this, [this] { PosRatioTxt_KeyPress(13); });
    }
}

void EvalBoardFrm::BuildJoyPadTab(QWidget* t)
{
    auto* bits = frame(t, QStringLiteral("KRV Register [2] - Button Registers"), 10, 10, 620, 60);
    for (int i = 0; i < 16; ++i)
        KrvReg2Lbl[static_cast<size_t>(i)] =
            bitLabel(bits, QStringLiteral("KrvReg2Lbl_%1").arg(i), 580 - 36 * i, 28);
    auto* ButtonsPic = named(new DemoShape(t, true), QStringLiteral("ButtonsPic"));
    ButtonsPic->setGeometry(660, 110, 200, 200);
    ButtonsPic->setFillColor(QColor(0x37, 0x47, 0x4f));
    const QPoint at[kDemoKeys] = {{87, 130}, {87, 52}, {40, 87}, {143, 87}, {87, 90}};
    static const char* const names[kDemoKeys] = {"GoDownPic", "GoUpPic", "GoLeftPic", "GoRightPic",
                                                 "OkPic"};
    for (int k = 0; k < kDemoKeys; ++k) {
        auto* key = new KeyPicture(static_cast<DemoKey>(k), ButtonsPic);
        key->setObjectName(QString::fromLatin1(names[k]) + QStringLiteral("_1"));
        key->move(at[k]);
        Keys[1][static_cast<size_t>(k)] = key;
    }
    ScreenPic = named(new IconScreen(t), QStringLiteral("ScreenPic"));
    ScreenPic->setGeometry(10, 80, 540, 320);
    ZoomPic = named(new QLabel(t), QStringLiteral("ZoomPic"));
    ZoomPic->setGeometry(735, 360, 56, 56);
    ZoomPic->setAlignment(Qt::AlignCenter);
    ZoomPic->setStyleSheet(QStringLiteral("background: white; border: 1px solid #59636e;"));
    auto* active = frame(t, QStringLiteral(""), 10, 420, 200, 50);
    Shape1 = named(new DemoShape(active, true), QStringLiteral("Shape1"));
    Shape1->setGeometry(12, 16, 22, 22);
    label(active, QStringLiteral("Interface Active"), 44, 18, 120);
}

void EvalBoardFrm::LoadIcons()
{
    icons_.clear();
    QStyle* style = QApplication::style();
    IconFile = style ? style->name() : QString();
    std::vector<QByteArray> seen;
    if (style) {
        for (auto sp : kIconCandidates) {
            if (icons_.size() == size_t(kGridRows * kGridCols))
                break;
            const QIcon icon = style->standardIcon(sp);
            const QImage img = icon.pixmap(40, 40).toImage();
            if (icon.isNull() || img.isNull())
                continue;
            const QByteArray key = QCryptographicHash::hash(
                QByteArray(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes()),
                QCryptographicHash::Sha1);
            if (std::find(seen.begin(), seen.end(), key) != seen.end())
                continue;
            seen.push_back(key);
            icons_.push_back(icon);
        }
    }
    if (icons_.empty()) {
        ScreenPic->clearPicture();
        services().message(IconFile + QStringLiteral("has not icons."), MsgIcon::None, kAppTitle,
                           MsgButtons::Ok);
        return;
    }
    ScreenPic->setIcons(&icons_);
}

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

void EvalBoardFrm::ShowParameters(const int32_t p[5])
{
    if (PosSlider)
        PosSlider->setMaximum(p[0]);
    if (variant_.params != DemoParams::Full)
        return;
    for (int i = 0; i < 5; ++i) {
        const QString shown = i == 4 ? QString::number(p[i] / 100.0) : QString::number(p[i]);
        ParamTxt[static_cast<size_t>(i)]->setText(shown);
        ParamTxt[static_cast<size_t>(i)]->setToolTip(shown);
        QSignalBlocker b(ParamUpDown[static_cast<size_t>(i)]);
        ParamUpDown[static_cast<size_t>(i)]->setValue(p[i]);
    }
    ScaleChart();
}

void EvalBoardFrm::ScaleChart()
{
    if (variant_.boardId != 58)
        return;
    auto apply = [this](int plot, const PlotRanges& r) {
        SliderPlot->setOuterBounds(std::min(r.firstLower, r.secondLower),
                                   std::max(r.firstUpper, r.secondUpper), plot);
        SliderPlot->setBounds(r.firstLower, r.firstUpper, plot);
    };
    apply(2, positionPlotRanges(ParamUpDown[0]->value()));
    apply(0, meanPlotRanges(ParamUpDown[1]->value()));
    apply(1, displacementPlotRanges(ParamUpDown[2]->value()));
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

void EvalBoardFrm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Form_Resize();
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
    // Every shape goes white; the tick column keeps its own drawing.
    for (auto* s : findChildren<DemoShape*>())
        if (!s->objectName().startsWith(QLatin1String("CrossVTic2Shp")) &&
            s->objectName() != QLatin1String("SliderBarShp") &&
            s->objectName() != QLatin1String("TickStripShp") &&
            s->objectName() != QLatin1String("ButtonsPic") &&
            s->objectName() != QLatin1String("Shape3"))
            s->setFillColor(kWhite);
    EndRunningLoop();
    if (loop_.start(tab, ChipConverting) != DemoLoop::Start::Running)
        return;
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

void EvalBoardFrm::DrawTicks(int tick)
{
    for (int i = 0; i < kTicks; ++i) {
        DemoShape* s = CrossVTic2Shp[static_cast<size_t>(i)];
        // Twice the size of the original column, beside the list.
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

void EvalBoardFrm::ShowJoyPadBlock(const std::vector<int32_t>& w)
{
    Shape1->setFillColor(kRed);
    const JoyPadView v = decodeJoyPadBlock(w.data(), state_, SoundOn());
    for (int i = 0; i < 16; ++i)
        KrvReg2Lbl[static_cast<size_t>(i)]->setText((v.word0 >> i) & 1 ? QStringLiteral("1")
                                                                       : QStringLiteral("0"));
    ShowKeys(v.keys, 1);
    if (v.moved)
        ScreenPic->setCursorCell(state_.row, state_.col);
    if (v.zoom) {
        const size_t cell = size_t(v.zoomRow * kGridCols + v.zoomCol);
        ZoomPic->setPixmap(cell < icons_.size() ? icons_[cell].pixmap(48, 48) : QPixmap());
    }
    PlayClicks(v.keys.clicks);
}

void EvalBoardFrm::ShowSliderBlock(const std::vector<int32_t>& w)
{
    const SliderView v = decodeSliderBlock(variant_.boardId, w.data());
    for (int i = 0; i < 8; ++i) {
        auto* g = SegmentSlider[static_cast<size_t>(i)];
        g->setValue(std::clamp(v.segments[static_cast<size_t>(i)], g->minimum(), g->maximum()));
        Int2ShpX[static_cast<size_t>(i)]->setFillColor((v.segmentFlags >> i) & 1 ? kRed : kWhite);
        if (SensorValueLbl[static_cast<size_t>(i)])
            SensorValueLbl[static_cast<size_t>(i)]->setText(
                decText(v.segments[static_cast<size_t>(i)]));
    }
    auto set = [this](int i, const QString& text) {
        SliderTxt[static_cast<size_t>(i)]->setText(text);
    };
    if (variant_.boardId == 58) {
        set(0, decText(v.mean));
        set(1, decText(v.reverseMean));
        set(2, QString::number(v.positionRatio));
        set(3, decText(v.unscaledDisp));
        set(4, decText(v.posDisp));
        set(5, decText(v.absPos));
        PosSlider->setValue(v.absPos);
    } else if (variant_.boardId == 70) {
        set(0, decText(v.displacement));
        set(1, decText(v.absPos));
        set(2, decText(v.nbPositions));
        set(3, decText(v.unscaledDisp));
        PosSlider->setValue(v.absPos);
    } else {
        DataShp->setFillColor(kRed);
        set(0, decText(v.absPos));
        set(1, decText(v.absPos));
        set(2, hexText(v.lowerThreshold));
        set(3, hexText(v.upperThreshold));
        set(4, hexText(v.proximity));
        SliderTapShp->setFillColor(v.tap ? kRed : kWhite);
        if (auto* bar = SliderPic->findChild<DemoShape*>(QStringLiteral("SliderBarShp")))
            bar->setGeometry(0, 0, v.absPos * 14 / 16, 30);
    }
    if (!SliderPlot->hold())
        for (size_t i = 0; i < v.chartPoints.size(); ++i)
            SliderPlot->append(int(i), v.chartPoints[i]);
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

void EvalBoardFrm::WriteParameter(int Index, int32_t value)
{
    const int16_t address = static_cast<int16_t>(kParamBase + Index);
    WriteRegister(address, value, TargetBoard);
    services().sleepMs(50);
    const int32_t back = ReadRegister(address, TargetBoard);
    const QString shown = Index == 4 ? QString::number(back / 100.0) : QString::number(back);
    QLineEdit* box = ParamTxt[static_cast<size_t>(Index)];
    box->setToolTip(shown);
    {
        QSignalBlocker b(ParamUpDown[static_cast<size_t>(Index)]);
        ParamUpDown[static_cast<size_t>(Index)]->setValue(back);
    }
    if (Index == 0)
        PosSlider->setMaximum(back);
    if (Index <= 2)
        ScaleChart();
}

void EvalBoardFrm::ParameterTxt_Change(int Index)
{
    if (!FormReady)
        return;
    const int32_t v = truncatedValue(ParamTxt[static_cast<size_t>(Index)]->text());
    if (v >= 65000)
        return;
    WriteParameter(Index, v);
    ParamTxt[static_cast<size_t>(Index)]->end(false); // scrolled to its end
}

void EvalBoardFrm::PosRatioTxt_KeyPress(int KeyAscii)
{
    if (KeyAscii != 13 || !FormReady)
        return;
    const double product = textValue(ParamTxt[4]->text()) * 100;
    if (product < 1 || product >= 10000)
        return;
    WriteParameter(4, static_cast<int32_t>(roundHalfEven(product)));
    ParamTxt[4]->setText(ParamTxt[4]->toolTip());
}

void EvalBoardFrm::ParameterUpDown_Change(int Index)
{
    if (!FormReady)
        return;
    WriteParameter(Index, ParamUpDown[static_cast<size_t>(Index)]->value());
    ParamTxt[static_cast<size_t>(Index)]->setText(ParamTxt[static_cast<size_t>(Index)]->toolTip());
}

void EvalBoardFrm::RelMovementTxt_Change()
{
    if (!FormReady)
        return;
    WriteRegister(reg::board::DemoSetting4, truncatedValue(RelMovementTxt->text()) & 0xFFFF,
                  TargetBoard);
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
