#include "config/ui/InputMuxFrm.h"

#include "config/StageContext.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "widgets/Backdrop.h"
#include "widgets/Led.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace cv {

namespace {
QRect twRect(int x, int y, int w, int h)
{
    return QRect(tw(x), tw(y), tw(w), tw(h));
}
QPoint twPt(int x, int y)
{
    return QPoint(tw(x), tw(y));
}

// Layout, in twips. The connection table runs down the left; the drawing
// picks up each input's row and carries it to the converter.
constexpr int kPinX = 120, kMinusX = 840, kPlusX = 2310, kValX = 3780, kValW = 900;
constexpr int kRowH = 300;
constexpr int kGroup0Top = 450, kGroup1Top = 3240;
constexpr int kWireStartX = 4750, kSwitchX = 4950;
constexpr int kBiasBusX = 5900, kMinusBusX = 6600, kPlusBusX = 7300;
constexpr int kCdcLeft = 9800, kCdcRight = 11400, kCdcTop = 1500, kCdcBottom = 3300;
constexpr int kPlusInY = 2000, kMinusInY = 2800;
constexpr int kPosSrcTop = 500, kPosSrcBottom = 900, kNegSrcTop = 3900, kNegSrcBottom = 4300;
constexpr int kSrcLeft = 7900, kSrcRight = 9500;
constexpr int kPosSrcOutX = 8600, kNegSrcOutX = 9000;
constexpr int kBiasBottom = 5300;
constexpr int kBitsTop = 6150, kBitRowH = 360, kBitX = 3300, kBitW = 330;

// Row of pair i of the table (0..6 CIN0..6, 7 not used, 8..13 CIN7..12,
// 14 not used).
int pairRowTop(int pair)
{
    return pair < 8 ? kGroup0Top + pair * kRowH : kGroup1Top + (pair - 8) * kRowH;
}
// Pair of input CINk.
int pairOfInput(int k)
{
    return k < 7 ? k : k + 1;
}

const QColor kInk(0x34, 0x49, 0x5e);
const QColor kPlusInk(0xc0, 0x39, 0x2b);
const QColor kMinusInk(0x1f, 0x5f, 0xb0);
const QColor kBiasInk(0x7f, 0x8c, 0x8d);
const QColor kFloatInk(0xe6, 0x7e, 0x22);
const QColor kOffsetInk(0x27, 0x8e, 0x4f);
} // namespace

LineShape::LineShape(QWidget* parent, std::initializer_list<QPoint> twipPoints, QColor color)
    : QWidget(parent), color_(color)
{
    QPolygon px;
    for (const QPoint& p : twipPoints)
        px << twPt(p.x(), p.y());
    const QRect box = px.boundingRect().adjusted(-3, -3, 3, 3);
    setGeometry(box);
    points_ = px.translated(-box.topLeft());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color_, 2));
    p.drawPolyline(points_);
    p.setBrush(color_);
    p.drawEllipse(points_.last(), 3, 3);
}

QString InputMuxFrm::connectionText(bool minusPath, bool plusPath)
{
    if (minusPath && plusPath)
        return QStringLiteral("Bias");
    if (minusPath)
        return QStringLiteral("- Input");
    if (plusPath)
        return QStringLiteral("+ Input");
    return QStringLiteral("Float");
}

QString InputMuxFrm::capacitanceText(int steps)
{
    return formatMask(steps * 0.32, QStringLiteral("##0.00")) + QStringLiteral("pF");
}

InputMuxFrm::InputMuxFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InputMuxFrm"));
    setWindowTitle(QStringLiteral("Stage 0 Input Configuration"));
    setFixedSize(tw(13500), tw(8400));
    backdrop_ = new Backdrop(this, [this](QPainter& p) { paintDrawing(p); });
    setStyleSheet(QStringLiteral("QLabel[role=\"title\"] { color: #0b3d6e; font-weight: bold; }"
                                 "QLabel[role=\"bit\"] { font-family: monospace; border: 1px solid "
                                 "#b0b8c0; background: white; }"
                                 "QLabel[role=\"hex\"] { font-family: monospace; }"
                                 "QLabel[role=\"state\"] { font-weight: bold; }"
                                 "QLabel[role=\"block\"] { color: #34495e; }"));

    auto label = [this](const QString& text, QRect r, const char* role = "",
                        Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto* l = new QLabel(text, this);
        l->setGeometry(r);
        l->setAlignment(align);
        if (*role)
            l->setProperty("role", QString::fromLatin1(role));
        return l;
    };

    // Titles of the register groups; the opener's texts replace them.
    static const char* const designLabels[5] = {"Connection Memory 0", "Connection Memory 1",
                                                "Connection Memory 0", "Connection Memory 1",
                                                "OffSet Control Register"};
    Label[0] = label(QString::fromLatin1(designLabels[0]), twRect(kPinX, 120, 4560, 300), "title");
    Label[1] = label(QString::fromLatin1(designLabels[1]),
                     twRect(kPinX, kGroup1Top - 330, 4560, 300), "title");
    for (int i = 0; i < 3; ++i)
        Label[2 + i] =
            label(QString::fromLatin1(designLabels[2 + i]),
                  twRect(kPinX, kBitsTop + (i + 1) * kBitRowH, kBitX - kPinX - 60, 330), "title");
    for (int i = 0; i < 5; ++i)
        Label[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));

    // Connection table: two boxes and a state per pair of bits.
    for (int pair = 0; pair < 15; ++pair) {
        const int y = pairRowTop(pair);
        const bool notUsed = pair == 7 || pair == 14;
        const int first = pair < 8 ? 2 * pair : 16 + 2 * (pair - 8);
        for (int b = 0; b < 2; ++b) {
            const int index = first + b;
            QString caption = notUsed  ? QStringLiteral("Not Used")
                              : b == 0 ? QStringLiteral("- input path")
                                       : QStringLiteral("+ input path");
            auto* c = new QCheckBox(caption, this);
            c->setObjectName(QStringLiteral("IpPathChk_%1").arg(index));
            c->setGeometry(twRect(b == 0 ? kMinusX : kPlusX, y, 1450, kRowH));
            IpPathChk[static_cast<size_t>(index)] = c;
        }
        ValLbl[static_cast<size_t>(pair)] =
            label(QStringLiteral("Bias"), twRect(kValX, y, kValW, kRowH), "state", Qt::AlignCenter);
        ValLbl[static_cast<size_t>(pair)]->setObjectName(QStringLiteral("ValLbl_%1").arg(pair));
        if (notUsed)
            ValLbl[static_cast<size_t>(pair)]->setEnabled(false);
    }
    for (int k = 0; k < reg::kInputs; ++k) {
        XPinLbl[static_cast<size_t>(k)] = label(
            QStringLiteral("CIN %1").arg(k), twRect(kPinX, pairRowTop(pairOfInput(k)), 700, kRowH));
        XPinLbl[static_cast<size_t>(k)]->setObjectName(QStringLiteral("XPinLbl_%1").arg(k));
    }
    {
        const int y = pairRowTop(14) + kRowH;
        auto* neg = new QCheckBox(QStringLiteral("Neg AFE Offset Disable"), this);
        neg->setGeometry(twRect(kMinusX, y, 2900, kRowH));
        auto* pos = new QCheckBox(QStringLiteral("Pos AFE Ofset Disable"), this);
        pos->setGeometry(twRect(kMinusX, y + kRowH, 2900, kRowH));
        IpPathChk[30] = neg;
        IpPathChk[31] = pos;
        neg->setObjectName(QStringLiteral("IpPathChk_30"));
        pos->setObjectName(QStringLiteral("IpPathChk_31"));
    }
    for (int i = 0; i < 32; ++i)
        connect(IpPathChk[static_cast<size_t>(i)], &QCheckBox::toggled, this,
                [this, i](bool) { IpPathChk_Click(i); });

    // Drawing: converter, offset sources and the labels that name them.
    auto* cdc = label(QStringLiteral("16-BIT CDC"),
                      twRect(kCdcLeft + 450, kCdcTop + 600, kCdcRight - kCdcLeft - 500, 600),
                      "title", Qt::AlignCenter);
    cdc->setObjectName(QStringLiteral("Label16"));
    cdc->setWordWrap(true);
    auto* plusIn =
        label(QStringLiteral("+ Input"), twRect(kCdcLeft + 60, kPlusInY - 150, 800, 300), "block");
    plusIn->setObjectName(QStringLiteral("Label10"));
    auto* minusIn =
        label(QStringLiteral("- Input"), twRect(kCdcLeft + 60, kMinusInY - 150, 800, 300), "block");
    minusIn->setObjectName(QStringLiteral("Label9"));
    auto* posSrc =
        label(QStringLiteral("POS_AFE_OFFSET"),
              twRect(kSrcLeft, kPosSrcTop, kSrcRight - kSrcLeft, kPosSrcBottom - kPosSrcTop),
              "block", Qt::AlignCenter);
    posSrc->setObjectName(QStringLiteral("Label11"));
    auto* negSrc =
        label(QStringLiteral("NEG_AFE_OFFSET"),
              twRect(kSrcLeft, kNegSrcTop, kSrcRight - kSrcLeft, kNegSrcBottom - kNegSrcTop),
              "block", Qt::AlignCenter);
    negSrc->setObjectName(QStringLiteral("Label12"));
    label(QStringLiteral("BIAS"), twRect(kBiasBusX - 400, kBiasBottom + 30, 800, 300), "block",
          Qt::AlignCenter);

    // Each source feeds its own side (line 1) or, swapped, the other (line 2).
    PosDacLine1 =
        new LineShape(this, {{kPosSrcOutX, kPosSrcBottom}, {kPosSrcOutX, kPlusInY}}, kOffsetInk);
    PosDacLine2 = new LineShape(this,
                                {{kPosSrcOutX, kPosSrcBottom},
                                 {kPosSrcOutX, kPosSrcBottom + 250},
                                 {9400, kPosSrcBottom + 250},
                                 {9400, kMinusInY}},
                                kOffsetInk);
    NegDacLine1 =
        new LineShape(this, {{kNegSrcOutX, kNegSrcTop}, {kNegSrcOutX, kMinusInY}}, kOffsetInk);
    NegDacLine2 = new LineShape(this,
                                {{kNegSrcOutX, kNegSrcTop},
                                 {kNegSrcOutX, kNegSrcTop - 250},
                                 {9200, kNegSrcTop - 250},
                                 {9200, kPlusInY}},
                                kOffsetInk);
    PosDacLine1->setObjectName(QStringLiteral("PosDacLine1"));
    PosDacLine2->setObjectName(QStringLiteral("PosDacLine2"));
    NegDacLine1->setObjectName(QStringLiteral("NegDacLine1"));
    NegDacLine2->setObjectName(QStringLiteral("NegDacLine2"));
    PosDacLine2->hide();
    NegDacLine2->hide();

    // Offset fields beside their sources.
    const QString tip =
        QStringLiteral("Type value and hit \"Enter\" or Use Arrows to move Value Up/Down");
    auto offsetRow = [&](const char* txtName, const char* spinName, const char* afeName,
                         const char* swapName, const QString& swapCaption, int y, QLineEdit*& txt,
                         SpinArrows*& spin, QLabel*& afe, QCheckBox*& swap) {
        txt = new QLineEdit(QStringLiteral("0"), this);
        txt->setObjectName(QString::fromLatin1(txtName));
        txt->setGeometry(twRect(9700, y, 600, 330));
        txt->setToolTip(tip);
        txt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        spin = new SpinArrows(this);
        spin->setObjectName(QString::fromLatin1(spinName));
        spin->setGeometry(twRect(10300, y, 255, 330));
        spin->setToolTip(tip);
        afe = label(capacitanceText(0), twRect(10650, y, 1000, 330));
        afe->setObjectName(QString::fromLatin1(afeName));
        swap = new QCheckBox(swapCaption, this);
        swap->setObjectName(QString::fromLatin1(swapName));
        swap->setGeometry(twRect(9700, y + 390, 3000, 300));
    };
    offsetRow("PosOffTxt", "PosOffUpDown", "PosAfeLbl", "PosDacInChk",
              QStringLiteral("POS_AFE_OFFSET_SWAP"), 360, PosOffTxt, PosOffUpDown, PosAfeLbl,
              PosDacInChk);
    offsetRow("NegOffTxt", "NegOffUpDown", "NegAfeLbl", "NegDacInChk",
              QStringLiteral("NEG_AFE_OFFSET_SWAP"), 3780, NegOffTxt, NegOffUpDown, NegAfeLbl,
              NegDacInChk);
    connect(NegOffTxt, &QLineEdit::returnPressed, this, [this] { NegOffTxt_KeyPress(13); });
    connect(PosOffTxt, &QLineEdit::returnPressed, this, [this] { PosOffTxt_KeyPress(13); });
    connect(NegOffUpDown->Up, &QToolButton::clicked, this, &InputMuxFrm::NegOffUpDown_UpClick);
    connect(NegOffUpDown->Down, &QToolButton::clicked, this, &InputMuxFrm::NegOffUpDown_DownClick);
    connect(PosOffUpDown->Up, &QToolButton::clicked, this, &InputMuxFrm::PosOffUpDown_UpClick);
    connect(PosOffUpDown->Down, &QToolButton::clicked, this, &InputMuxFrm::PosOffUpDown_DownClick);
    connect(NegDacInChk, &QCheckBox::toggled, this, [this](bool) { NegDacInChk_Click(); });
    connect(PosDacInChk, &QCheckBox::toggled, this, [this](bool) { PosDacInChk_Click(); });

    // Conversion result at the converter's output.
    label(QStringLiteral("Conversion Result"), twRect(11760, kCdcTop + 420, 1650, 300));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twRect(11760, kCdcTop + 750, 1200, 330));
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Register bits, bit 15 on the left.
    for (int i = 0; i < 16; ++i)
        label(QString::number(i), twRect(kBitX + (15 - i) * kBitW, kBitsTop, kBitW, kBitRowH), "",
              Qt::AlignCenter);
    auto bitRow = [&](std::array<QLabel*, 16>& row, const char* name, int line) {
        const int y = kBitsTop + line * kBitRowH;
        for (int i = 0; i < 16; ++i) {
            row[static_cast<size_t>(i)] = label(
                QStringLiteral("0"), twRect(kBitX + (15 - i) * kBitW, y, kBitW, kBitRowH - 30),
                "bit", Qt::AlignCenter);
            row[static_cast<size_t>(i)]->setObjectName(
                QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
        }
    };
    bitRow(ConnMem0Lbl, "ConnMem0Lbl", 1);
    bitRow(ConnMem1Lbl, "ConnMem1Lbl", 2);
    bitRow(OffSetMemLbl, "OffSetMemLbl", 3);
    const int hexX = kBitX + 16 * kBitW + 120;
    Lab1 =
        label(QStringLiteral("0x0"), twRect(hexX, kBitsTop + kBitRowH, 1000, kBitRowH - 30), "hex");
    Lab2 = label(QStringLiteral("0x0"), twRect(hexX, kBitsTop + 2 * kBitRowH, 1000, kBitRowH - 30),
                 "hex");
    Lab3 = label(QStringLiteral("0x0"), twRect(hexX, kBitsTop + 3 * kBitRowH, 1000, kBitRowH - 30),
                 "hex");
    Lab1->setObjectName(QStringLiteral("Lab1"));
    Lab2->setObjectName(QStringLiteral("Lab2"));
    Lab3->setObjectName(QStringLiteral("Lab3"));

    // Commands.
    const int footY = 7740;
    CmdCalcOffset = new QPushButton(QStringLiteral("Get Offset"), this);
    CmdCalcOffset->setObjectName(QStringLiteral("CmdCalcOffset"));
    CmdCalcOffset->setGeometry(twRect(kPinX, footY, 1800, 480));
    CmdCalcOffset->setAutoDefault(false);
    CmdCalcOffset->setToolTip(
        QStringLiteral("Search the AFE offsets that bring the conversion result to mid-range"));
    LoadLed = new Led(this);
    LoadLed->setObjectName(QStringLiteral("LoadLed"));
    LoadLed->setGeometry(twRect(kPinX + 1950, footY + 90, 300, 300));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twRect(11700, footY, 1650, 480));
    cmdClose->setAutoDefault(false);
    connect(CmdCalcOffset, &QPushButton::clicked, this, &InputMuxFrm::CmdCalcOffset_Click);
    connect(cmdClose, &QPushButton::clicked, this, &InputMuxFrm::cmdClose_Click);

    auto timer = [this](const char* name, int ms) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setInterval(ms);
        return t;
    };
    Timer1 = timer("Timer1", 100);
    Timer2 = timer("Timer2", 1000);
    Timer3 = timer("Timer3", 1000);
    connect(Timer1, &QTimer::timeout, this, &InputMuxFrm::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &InputMuxFrm::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &InputMuxFrm::Timer3_Timer);
}

int32_t InputMuxFrm::readAfe() const
{
    return ReadRegister(StageInputSetup.AfeOffsetAddress, TargetChip);
}

void InputMuxFrm::Form_Load()
{
    ReadyFlag = false;
    for (int i = 0; i < 5; ++i)
        Label[static_cast<size_t>(i)]->setText(StageInputSetup.Labels[static_cast<size_t>(i)]);

    const int32_t w0 = ReadRegister(StageInputSetup.Cin0_6Address, TargetChip);
    Lab1->setText(QStringLiteral("0x") + hexText(w0));
    for (int bit = 15; bit >= 0; --bit)
        IpPathChk[static_cast<size_t>(bit)]->setChecked((w0 >> bit) & 1);

    const int32_t w1 = ReadRegister(StageInputSetup.Cin7_13Address, TargetChip);
    Lab2->setText(QStringLiteral("0x") + hexText(w1));
    for (int bit = 15; bit >= 0; --bit)
        IpPathChk[static_cast<size_t>(16 + bit)]->setChecked((w1 >> bit) & 1);

    const int32_t afe = readAfe();
    Lab3->setText(QStringLiteral("0x") + hexText(afe));
    NegDacInChk->setChecked(afe & 0x80);
    setSwapLines(true, afe & 0x80);
    PosDacInChk->setChecked(afe & 0x8000);
    setSwapLines(false, afe & 0x8000);
    NegOffTxt->setText(QString::number(afe & 0x7F));
    PosOffTxt->setText(QString::number((afe >> 8) & 0x7F));
    PosAfeLbl->setText(capacitanceText((afe >> 8) & 0x7F));
    NegAfeLbl->setText(capacitanceText(afe & 0x7F));

    ShowInputStates();
    ShowConnectionWord0();
    ShowConnectionWord1();
    ShowOffsetRegister();
    Timer1->start();
}

void InputMuxFrm::Form_Unload()
{
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
}

void InputMuxFrm::cmdClose_Click()
{
    Form_Unload();
    close();
}

void InputMuxFrm::Timer1_Timer()
{
    ReadyFlag = true;
    Timer1->stop();
}

void InputMuxFrm::Timer2_Timer()
{
    LoadLed->setOn(false);
    Timer2->stop();
}

void InputMuxFrm::Timer3_Timer()
{
    LoadLed->setOn(true);
    Timer3->stop();
}

void InputMuxFrm::IpPathChk_Click(int Index)
{
    if (!ReadyFlag)
        return;
    const int first = Index >= 16 ? 16 : 0;
    int32_t word = 0;
    for (int i = 0; i < 16; ++i)
        if (IpPathChk[static_cast<size_t>(first + i)]->isChecked())
            word |= 1 << i;
    if (first) {
        WriteRegister(StageInputSetup.Cin7_13Address, word, TargetChip);
        ShowConnectionWord1();
    } else {
        WriteRegister(StageInputSetup.Cin0_6Address, word, TargetChip);
        ShowConnectionWord0();
    }
    ShowInputStates();
    services().sleepMs(40);
    ShowOffsetRegister();
}

void InputMuxFrm::offsetEnter(bool negative)
{
    QLineEdit* txt = negative ? NegOffTxt : PosOffTxt;
    const int64_t value = textValueRounded(txt->text());
    if (value < 0 || value > 63) {
        services().message(QStringLiteral("Value must be a decimal number under 64"),
                           MsgIcon::None);
        const int32_t afe = readAfe();
        txt->setText(QString::number(negative ? afe & 0x3F : (afe >> 8) & 0x3F));
        return;
    }
    const int32_t afe = readAfe();
    const int v = static_cast<int>(value);
    (negative ? NegAfeLbl : PosAfeLbl)->setText(capacitanceText(v));
    // Bit 6 or 14 goes with the field.
    const int32_t word = negative ? (afe & 0xFF80) | v : (afe & 0x80FF) | (v << 8);
    WriteRegister(StageInputSetup.AfeOffsetAddress, word, TargetChip);
    services().sleepMs(80);
    ShowOffsetRegister();
}

void InputMuxFrm::NegOffTxt_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        offsetEnter(true);
}

void InputMuxFrm::PosOffTxt_KeyPress(int KeyAscii)
{
    if (KeyAscii == 13)
        offsetEnter(false);
}

void InputMuxFrm::stepOffset(bool negative, int direction)
{
    SpinArrows* spin = negative ? NegOffUpDown : PosOffUpDown;
    QLineEdit* txt = negative ? NegOffTxt : PosOffTxt;
    const int64_t now = textValueRounded(txt->text());
    const int64_t next =
        std::clamp<int64_t>(now + direction * spin->Increment, spin->Min, spin->Max);
    if (next == now)
        return;
    txt->setText(QString::number(next));
    offsetEnter(negative);
}

void InputMuxFrm::NegOffUpDown_UpClick()
{
    stepOffset(true, 1);
}
void InputMuxFrm::NegOffUpDown_DownClick()
{
    stepOffset(true, -1);
}
void InputMuxFrm::PosOffUpDown_UpClick()
{
    stepOffset(false, 1);
}
void InputMuxFrm::PosOffUpDown_DownClick()
{
    stepOffset(false, -1);
}

void InputMuxFrm::setSwapLines(bool negative, bool swapped)
{
    (negative ? NegDacLine1 : PosDacLine1)->setVisible(!swapped);
    (negative ? NegDacLine2 : PosDacLine2)->setVisible(swapped);
}

void InputMuxFrm::swapClick(bool negative)
{
    const int32_t bit = negative ? 0x80 : 0x8000;
    const bool on = (negative ? NegDacInChk : PosDacInChk)->isChecked();
    const int32_t afe = readAfe();
    setSwapLines(negative, on);
    WriteRegister(StageInputSetup.AfeOffsetAddress, (afe & ~bit & 0xFFFF) | (on ? bit : 0),
                  TargetChip);
    services().sleepMs(40);
    ShowOffsetRegister();
}

void InputMuxFrm::NegDacInChk_Click()
{
    swapClick(true);
}

void InputMuxFrm::PosDacInChk_Click()
{
    swapClick(false);
}

void InputMuxFrm::CmdCalcOffset_Click()
{
    lastCalibration_ = CalibrateStageOffset(inputWindowConstants(), this);
}

void InputMuxFrm::calibrationStarted()
{
    Timer3->start();
}

void InputMuxFrm::calibrationEnded()
{
    Timer2->start();
}

void InputMuxFrm::ShowConnectionWord0()
{
    const int32_t w = ReadRegister(StageInputSetup.Cin0_6Address, TargetChip);
    for (int i = 0; i < 16; ++i)
        ConnMem0Lbl[static_cast<size_t>(i)]->setText((w >> i) & 1 ? QStringLiteral("1")
                                                                  : QStringLiteral("0"));
    Lab1->setText(QStringLiteral("0x") + hexText(w));
}

void InputMuxFrm::ShowConnectionWord1()
{
    const int32_t w = ReadRegister(StageInputSetup.Cin7_13Address, TargetChip);
    for (int i = 0; i < 16; ++i)
        ConnMem1Lbl[static_cast<size_t>(i)]->setText((w >> i) & 1 ? QStringLiteral("1")
                                                                  : QStringLiteral("0"));
    Lab2->setText(QStringLiteral("0x") + hexText(w));
}

void InputMuxFrm::ShowInputStates()
{
    for (int pair = 0; pair < 15; ++pair) {
        const int first = pair < 8 ? 2 * pair : 16 + 2 * (pair - 8);
        ValLbl[static_cast<size_t>(pair)]->setText(
            connectionText(IpPathChk[static_cast<size_t>(first)]->isChecked(),
                           IpPathChk[static_cast<size_t>(first + 1)]->isChecked()));
    }
    backdrop_->update();
}

void InputMuxFrm::ShowOffsetRegister()
{
    const int32_t afe = readAfe();
    for (int i = 0; i < 16; ++i)
        OffSetMemLbl[static_cast<size_t>(i)]->setText((afe >> i) & 1 ? QStringLiteral("1")
                                                                     : QStringLiteral("0"));
    Lab3->setText(QStringLiteral("0x") + hexText(afe));
    PosOffTxt->setText(QString::number((afe >> 8) & 0x7F));
    NegOffTxt->setText(QString::number(afe & 0x7F));
    PosDacInChk->setChecked(afe & 0x8000);
    NegDacInChk->setChecked(afe & 0x80);
    services().sleepMs(40);
    Text1->setText(decText(ReadRegister(reg::convResult(CurrentStage), TargetChip)));
}

void InputMuxFrm::paintDrawing(QPainter& p)
{
    // Converter and offset sources.
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(0xe8, 0xed, 0xf3));
    p.drawRoundedRect(QRect(twPt(kCdcLeft, kCdcTop), twPt(kCdcRight, kCdcBottom)), 5, 5);
    p.setBrush(QColor(0xea, 0xf5, 0xee));
    p.setPen(QPen(kOffsetInk, 1.5));
    p.drawRect(QRect(twPt(kSrcLeft, kPosSrcTop), twPt(kSrcRight, kPosSrcBottom)));
    p.drawRect(QRect(twPt(kSrcLeft, kNegSrcTop), twPt(kSrcRight, kNegSrcBottom)));
    // Output to the result.
    p.setPen(QPen(kInk, 2));
    const int outY = (kCdcTop + kCdcBottom) / 2;
    p.drawLine(twPt(kCdcRight, outY), twPt(11700, outY));

    // Each input row's wire goes to the bus it is switched to.
    int plusTop = kPlusInY, plusBottom = kPlusInY, minusTop = kMinusInY, minusBottom = kMinusInY;
    bool anyBias = false;
    for (int k = 0; k < reg::kInputs; ++k) {
        const int pair = pairOfInput(k);
        const int y = pairRowTop(pair) + kRowH / 2;
        const int first = pair < 8 ? 2 * pair : 16 + 2 * (pair - 8);
        const bool minus = IpPathChk[static_cast<size_t>(first)]->isChecked();
        const bool plus = IpPathChk[static_cast<size_t>(first + 1)]->isChecked();
        QColor ink = kFloatInk;
        int busX = -1;
        if (minus && plus) {
            ink = kBiasInk;
            busX = kBiasBusX;
            anyBias = true;
        } else if (plus) {
            ink = kPlusInk;
            busX = kPlusBusX;
            plusTop = std::min(plusTop, y);
            plusBottom = std::max(plusBottom, y);
        } else if (minus) {
            ink = kMinusInk;
            busX = kMinusBusX;
            minusTop = std::min(minusTop, y);
            minusBottom = std::max(minusBottom, y);
        }
        p.setPen(QPen(ink, busX == kBiasBusX ? 1 : 2));
        p.setBrush(ink);
        if (busX < 0) {
            // Floating: the wire ends open at the switch.
            p.drawLine(twPt(kWireStartX, y), twPt(kSwitchX, y));
            p.setBrush(Qt::white);
            p.drawEllipse(twPt(kSwitchX, y), 3, 3);
            continue;
        }
        p.drawLine(twPt(kWireStartX, y), twPt(busX, y));
        p.drawEllipse(twPt(busX, y), 2, 2);
    }
    // Buses.
    p.setBrush(Qt::NoBrush);
    if (anyBias) {
        p.setPen(QPen(kBiasInk, 1.5));
        p.drawLine(twPt(kBiasBusX, pairRowTop(0) + kRowH / 2), twPt(kBiasBusX, kBiasBottom));
    }
    if (plusTop != plusBottom || plusTop != kPlusInY) {
        p.setPen(QPen(kPlusInk, 2.5));
        p.drawLine(twPt(kPlusBusX, plusTop), twPt(kPlusBusX, plusBottom));
        p.drawLine(twPt(kPlusBusX, kPlusInY), twPt(kCdcLeft, kPlusInY));
    } else {
        p.setPen(QPen(kInk, 1, Qt::DotLine));
        p.drawLine(twPt(kPlusBusX, kPlusInY), twPt(kCdcLeft, kPlusInY));
    }
    if (minusTop != minusBottom || minusTop != kMinusInY) {
        p.setPen(QPen(kMinusInk, 2.5));
        p.drawLine(twPt(kMinusBusX, minusTop), twPt(kMinusBusX, minusBottom));
        p.drawLine(twPt(kMinusBusX, kMinusInY), twPt(kCdcLeft, kMinusInY));
    } else {
        p.setPen(QPen(kInk, 1, Qt::DotLine));
        p.drawLine(twPt(kMinusBusX, kMinusInY), twPt(kCdcLeft, kMinusInY));
    }
}

} // namespace cv
