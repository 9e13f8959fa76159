#include "measure/ui/RRTabStageFrm.h"

#include "config/DiagramOps.h"
#include "config/StageContext.h"
#include "config/ui/InputMuxFrm.h" // SpinArrows
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/FormulaFrm.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "widgets/Led.h"
#include "widgets/StripChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace cv {

// The level diagram: the stage's five levels to scale, with the scale
// labels Label8(1, 3 .. 11) on the left and the spans named on the right.
// Level colours from the top: offset high, high threshold, ambient, low
// threshold, offset low.
const QColor kLevelColors[5] = {QColor(0x55, 0x55, 0x55), QColor(0xD0, 0x20, 0x20),
                                QColor(0x1E, 0x90, 0x3C), QColor(0x20, 0x50, 0xD0),
                                QColor(0x55, 0x55, 0x55)};
// Room right of the level lines for the offsets' spans and names.
constexpr int kSpanTextW = 96;

class LevelDiagram : public QWidget {
public:
    explicit LevelDiagram(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("GraphShape"));
        setMinimumSize(250, 300);
        for (size_t k = 0; k < Label8.size(); ++k) {
            auto* l = new QLabel(this);
            l->setObjectName(QStringLiteral("Label8_%1").arg(2 * k + 1));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setText(decText(37500 - 2500 * int64_t(k))); // design values
            Label8[k] = l;
        }
        // The spans' names, in the colours of their levels.
        const auto spanLabel = [this](const char* name, const QString& text, const QColor& c,
                                      Qt::Alignment align, double scale) {
            auto* l = new QLabel(text, this);
            l->setObjectName(QString::fromLatin1(name));
            l->setAlignment(align);
            l->setWordWrap(true);
            QPalette pal = l->palette();
            pal.setColor(QPalette::WindowText, c);
            l->setPalette(pal);
            QFont f = l->font();
            f.setPointSizeF(f.pointSizeF() * scale);
            l->setFont(f);
            return l;
        };
        OffHiLbl = spanLabel("OffHiLbl", QStringLiteral("Offset High"), kLevelColors[0],
                             Qt::AlignLeft | Qt::AlignVCenter, 0.9);
        MaxTLbl = spanLabel("MaxTLbl", QStringLiteral("Max Thresh"), kLevelColors[1],
                            Qt::AlignLeft | Qt::AlignBottom, 1.0);
        MinTLbl = spanLabel("MinTLbl", QStringLiteral("Min Thresh"), kLevelColors[3],
                            Qt::AlignLeft | Qt::AlignTop, 1.0);
        OffLoLbl = spanLabel("OffLoLbl", QStringLiteral("Offset Low"), kLevelColors[4],
                             Qt::AlignLeft | Qt::AlignVCenter, 0.9);
    }

    // Levels from the top: ambient + offset high, high threshold, ambient,
    // low threshold, ambient - offset low.
    void place(const DiagramScale& scale, const std::array<double, 5>& levels)
    {
        scale_ = scale;
        levels_ = levels;
        for (size_t k = 0; k < Label8.size(); ++k)
            Label8[k]->setText(decText(scale.labels[k]));
        layoutLabels();
        update();
    }

    std::array<QLabel*, 6> Label8{};
    QLabel* OffHiLbl;
    QLabel* MaxTLbl;
    QLabel* MinTLbl;
    QLabel* OffLoLbl;

protected:
    void resizeEvent(QResizeEvent*) override { layoutLabels(); }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRect area = plotArea();
        p.fillRect(area, QColor(0xFB, 0xFB, 0xF8));
        p.setPen(QColor(0xA0, 0xA0, 0xA0));
        p.drawRect(area.adjusted(0, 0, -1, -1));
        // Scale ticks at the labels.
        for (size_t k = 0; k < 6; ++k) {
            const int y = yOf(double(scale_.labels[k]));
            p.setPen(QColor(0xDD, 0xDD, 0xDD));
            p.drawLine(area.left() + 1, y, area.right() - 1, y);
            p.setPen(QColor(0x80, 0x80, 0x80));
            p.drawLine(area.left() - 4, y, area.left(), y);
        }
        if (scale_.span == 0)
            return;
        const QColor* colors = kLevelColors;
        const int lineRight = area.right() - kSpanTextW;
        int ys[5];
        for (int i = 0; i < 5; ++i) {
            ys[i] = yOf(levels_[size_t(i)]);
            QPen pen(colors[i], i == 2 ? 2.5 : 2.0);
            if (i == 0 || i == 4)
                pen.setStyle(Qt::DashLine);
            p.setPen(pen);
            p.drawLine(area.left() + 8, ys[i], lineRight, ys[i]);
        }
        // Spans from the ambient: offsets on the outside, thresholds inside.
        const auto span = [&](int x, int from, int to, const QColor& c) {
            p.setPen(QPen(c, 1.2));
            p.drawLine(x, from, x, to);
            p.drawLine(x - 3, to, x + 3, to);
            p.drawLine(x - 3, from, x + 3, from);
        };
        span(lineRight - 30, ys[2], ys[1], colors[1]);
        span(lineRight - 30, ys[2], ys[3], colors[3]);
        span(lineRight + 6, ys[2], ys[0], colors[0]);
        span(lineRight + 6, ys[2], ys[4], colors[4]);
        p.setPen(colors[2]);
        p.drawText(QPoint(area.left() + 12, ys[2] - 4), QStringLiteral("Ambient"));
    }

private:
    QRect plotArea() const { return rect().adjusted(56, 8, -4, -8); }
    // Heights are in the drawing's twips, the drawing being 4815 twips tall.
    int yOf(double value) const
    {
        const QRect a = plotArea();
        const double h = double(levelHeight(value, scale_));
        return a.bottom() - int(h * a.height() / double(kDiagramHeightTwips));
    }
    void layoutLabels()
    {
        for (size_t k = 0; k < Label8.size(); ++k) {
            const int y = yOf(double(scale_.labels[k]));
            Label8[k]->setGeometry(0, y - 9, 50, 18);
        }
        const bool shown = scale_.span != 0;
        for (QLabel* l : {OffHiLbl, MaxTLbl, MinTLbl, OffLoLbl})
            l->setVisible(shown);
        if (!shown)
            return;
        const QRect area = plotArea();
        const int spanX = area.right() - kSpanTextW + 11;
        const int spanW = area.right() - spanX - 1;
        const int amb = yOf(levels_[2]);
        const auto between = [&](QLabel* l, int from, int to) {
            const int h = std::max(std::abs(to - from), 2 * l->fontMetrics().height());
            l->setGeometry(spanX, (from + to) / 2 - h / 2, spanW, h);
        };
        between(OffHiLbl, amb, yOf(levels_[0]));
        between(OffLoLbl, amb, yOf(levels_[4]));
        const int textH = fontMetrics().height() + 2;
        MaxTLbl->setGeometry(area.left() + 12, yOf(levels_[1]) - textH - 1, 110, textH);
        MinTLbl->setGeometry(area.left() + 12, yOf(levels_[3]) + 2, 110, textH);
    }

    DiagramScale scale_{{37500, 35000, 32500, 30000, 27500, 25000}, 22500, 12500};
    std::array<double, 5> levels_{};
};

namespace {

const QString kValueTip =
    QStringLiteral("Type Number. Then Press \"Enter\" Or use Arrows to move Up/Down by 50");
// On the chart's light ground: each average beside its threshold in a
// neighbouring hue, all dark enough to read against white.
const QColor kTraceColors[6] = {QColor(0xB8, 0x86, 0x0B), QColor(0x2C, 0xA0, 0x2C),
                                QColor(0xFF, 0x7F, 0x0E), QColor(0xD6, 0x27, 0x28),
                                QColor(0x17, 0x9E, 0xB8), QColor(0x1F, 0x4E, 0xD0)};
constexpr int kBoxCount = 4;
const char* const kBoxNames[kBoxCount] = {"OffsetHighTxt", "OffsetLowTxt", "HighClampTxt",
                                          "LowClampTxt"};
const char* const kSpinNames[kBoxCount] = {"OffsetHighUpDown", "OffsetLowUpDown", "HighClampUpDown",
                                           "LowClampUpDown"};

// The RAM Data rows: name label, first word, number of words.
struct RamRow {
    const char* label;
    const char* box;
    int first;
    int count;
    int nameIndex; // in StageResultsSetup.Labels
};
const RamRow kRamRows[15] = {
    {"CurValLbl", "CurValTxt", reg::CONV_DATA, 1, 5},
    {"FastFifoLbl", "FastFifoTxt", reg::FF_FIFO, 8, 6},
    {"SlowFifoLbl", "SlowFifoTxt", reg::SF_FIFO, 8, 7},
    {"AmbientLbl", "AmbientTxt", reg::SF_AMB, 1, 8},
    {"FastAvgLbl", "FastAvgTxt", reg::FF_AVG, 1, 9},
    {"CdcStoreLbl", "CdcStoreTxt", reg::PEAK_DETECT, 2, 10},
    {"MaxAvgFifoLbl", "MaxAvgFifoTxt", reg::MAX_FIFO, 4, 11},
    {"MaxAvgLbl", "MaxAvgTxt", reg::MAX_AVG, 1, 12},
    {"MaxTreshLbl", "MaxTreshTxt", reg::HIGH_THRESHOLD, 1, 13},
    {"MaxTmpValLbl", "MaxTmpValTxt", reg::MAX_TEMP, 1, 14},
    {"MinAvgFifoLbl", "MinAvgFifoTxt", reg::MIN_FIFO, 4, 15},
    {"MinAvgLbl", "MinAvgTxt", reg::MIN_AVG, 1, 16},
    {"MinTreshLbl", "MinTreshTxt", reg::LOW_THRESHOLD, 1, 17},
    {"MinTmpValLbl", "MinTmpValTxt", reg::MIN_TEMP, 1, 18},
    {"SpareLbl", "SpareTxt", reg::UNUSED, 1, 19},
};

QLabel* namedLabel(QWidget* parent, const char* name, const QString& text = QString())
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QLineEdit* numberBox(QWidget* parent, const QString& name, int width = 70, bool readOnly = false)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(name);
    t->setFixedWidth(width);
    t->setAlignment(Qt::AlignRight);
    t->setReadOnly(readOnly);
    return t;
}

QComboBox* list(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setMinimumWidth(86);
    return c;
}

} // namespace

RRTabStageFrm::RRTabStageFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RRTabStageFrm"));
    setWindowTitle(QStringLiteral("Sequencer Stage 0"));

    // ---- Initial Setup -------------------------------------------------
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
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
    SSTab1->addTab(setupPage, QStringLiteral("Initial Setup"));

    // ---- RAM Data -------------------------------------------------------
    auto* ramPage = new QWidget;
    auto* ramGrid = new QGridLayout(ramPage);
    ramGrid->setHorizontalSpacing(4);
    ramGrid->setVerticalSpacing(3);
    for (int r = 0; r < 15; ++r) {
        const RamRow& row = kRamRows[r];
        RamNameLbl[size_t(r)] = namedLabel(ramPage, row.label);
        ramGrid->addWidget(RamNameLbl[size_t(r)], r, 0);
        for (int i = 0; i < row.count; ++i) {
            const QString name = row.count == 1
                                     ? QString::fromLatin1(row.box)
                                     : QStringLiteral("%1_%2").arg(QLatin1String(row.box)).arg(i);
            auto* t = numberBox(ramPage, name, 56, true);
            RamWordTxt[size_t(row.first + i)] = t;
            ramGrid->addWidget(t, r, 1 + i);
        }
    }
    ramGrid->setColumnStretch(9, 1);
    ramGrid->setRowStretch(15, 1);
    SSTab1->addTab(ramPage, QStringLiteral("RAM Data"));

    // ---- Status rows and lamps -------------------------------------------
    auto* statusFrame = new QGroupBox(QStringLiteral("Interrupt Status"), this);
    statusFrame->setObjectName(QStringLiteral("StatusFrm"));
    auto* sg = new QGridLayout(statusFrame);
    sg->setHorizontalSpacing(3);
    sg->setVerticalSpacing(3);
    for (int bit = 11; bit >= 0; --bit) {
        auto* h = new QLabel(QString::number(bit), statusFrame);
        h->setAlignment(Qt::AlignCenter);
        QFont f = h->font();
        f.setPointSizeF(f.pointSizeF() * 0.8);
        h->setFont(f);
        h->setStyleSheet(QStringLiteral("color: #777"));
        sg->addWidget(h, 0, 1 + (11 - bit));
    }
    const auto titles = statusRowTitles();
    const char* const rowNames[3] = {"IntStat1", "IntStat2", "IntStat3"};
    for (int k = 0; k < 3; ++k) {
        sg->addWidget(new QLabel(titles[size_t(k)], statusFrame), k + 1, 0);
        for (int bit = 0; bit < 16; ++bit) {
            auto* l = new QLabel(QStringLiteral("0"), statusFrame);
            l->setObjectName(QStringLiteral("%1Lbl_%2").arg(QLatin1String(rowNames[k])).arg(bit));
            l->setAlignment(Qt::AlignCenter);
            l->setFixedWidth(16);
            l->setFrameShape(QFrame::StyledPanel);
            IntStatLbl[size_t(k)][size_t(bit)] = l;
            if (bit < 12)
                sg->addWidget(l, k + 1, 1 + (11 - bit));
            else
                l->hide(); // outside the twelve stage bits
        }
        IntStatTxt[size_t(k)] = numberBox(
            statusFrame, QStringLiteral("%1Txt").arg(QLatin1String(rowNames[k])), 48, true);
        sg->addWidget(IntStatTxt[size_t(k)], k + 1, 13);
        LED1[size_t(k)] = new Led(statusFrame, QColor(0xFF, 0x30, 0x30));
        LED1[size_t(k)]->setObjectName(QStringLiteral("LED1_%1").arg(k));
        LED1[size_t(k)]->setFixedSize(18, 18);
        sg->addWidget(LED1[size_t(k)], k + 1, 14);
    }
    LowLmtIntLbl =
        namedLabel(statusFrame, "LowLmtIntLbl", QStringLiteral("Stage X Low Limit Status"));
    HighLimIntLbl =
        namedLabel(statusFrame, "HighLimIntLbl", QStringLiteral("Stage X High Limit Status"));
    CmpltIntLbl =
        namedLabel(statusFrame, "CmpltIntLbl", QStringLiteral("Stage X Proximity Status"));
    sg->addWidget(LowLmtIntLbl, 1, 15);
    sg->addWidget(HighLimIntLbl, 2, 15);
    sg->addWidget(CmpltIntLbl, 3, 15);
    sg->setColumnStretch(15, 1);

    // ---- Chart and legend ------------------------------------------------
    RegisterPlot = new StripChart(this);
    RegisterPlot->setObjectName(QStringLiteral("RegisterPlot"));
    RegisterPlot->setTraceCount(6);
    RegisterPlot->setTitle(QStringLiteral("Adaptive Threshold"));
    RegisterPlot->setMinimumSize(540, 420);
    const auto legends = stageTraceLegends();
    auto* legendFrame = new QWidget(this);
    auto* lg = new QGridLayout(legendFrame);
    lg->setContentsMargins(0, 0, 0, 0);
    lg->setHorizontalSpacing(6);
    for (int i = 0; i < 6; ++i) {
        RegisterPlot->setTraceName(i, legends[size_t(i)].trimmed());
        RegisterPlot->setTraceColor(i, kTraceColors[i]);
        GraphLed[size_t(i)] = new Led(legendFrame, kTraceColors[i]);
        GraphLed[size_t(i)]->setObjectName(QStringLiteral("GraphLed_%1").arg(i));
        GraphLed[size_t(i)]->setFixedSize(14, 14);
        GraphLed[size_t(i)]->setOn(true);
        TxtReg[size_t(i)] = numberBox(legendFrame, QStringLiteral("TxtReg_%1").arg(i), 64, true);
        const int row = i % 3, col = (i / 3) * 3;
        lg->addWidget(GraphLed[size_t(i)], row, col);
        lg->addWidget(new QLabel(legends[size_t(i)], legendFrame), row, col + 1);
        lg->addWidget(TxtReg[size_t(i)], row, col + 2);
    }
    lg->setColumnStretch(1, 1);
    lg->setColumnStretch(4, 1);
    RegisterPlot->setLength(100);

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
    buttons->addWidget(DroppedLbl);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    right->addLayout(buttons);

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

    const int mode = ReadRegister(reg::PWR_CONTROL, TargetChip) & 3;
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
    EndCapture();
    CaptureEnded = true;
}

void RRTabStageFrm::cmdClose_Click()
{
    if (Reading) {
        Reading = false;
        ReadTimer->stop();
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

// ---- Setup ----------------------------------------------------------------

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
    SensitivityChoice(0xFFF0, index);
    NegSens = index;
    ThresholdRefresh();
    DiagramUpdate();
}

void RRTabStageFrm::PosSensCmb_Click()
{
    if (!Armed)
        return;
    const int index = PosSensCmb->currentIndex();
    SensitivityChoice(0xF0FF, index * 256);
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

// ---- Live readout -----------------------------------------------------------

StageTab RRTabStageFrm::ShownTab() const
{
    return SSTab1->currentIndex() == 1 ? StageTab::RamData : StageTab::InitialSetup;
}

void RRTabStageFrm::ReadContCV5310Cmd_Click()
{
    if (Reading)
        StopReading();
    else
        StartReading();
}

void RRTabStageFrm::StartReading()
{
    Reading = true;
    Loop.start();
    if (!Converting) {
        services().message(QStringLiteral("CV5310 is in Shutdown Mode. No Results Available"));
        Reading = false;
        return;
    }
    ReadContCV5310Cmd->setText(QStringLiteral("Stop Reading"));
    CmdForceCal->setEnabled(false);
    BtnIntEnModeChk->setEnabled(false);
    BtnIntEnModeLbl->setEnabled(false);
    // A stop ended the firmware's capture: select the mode again so a new
    // start streams.
    if (CaptureEnded) {
        WriteRegister(reg::board::BoardStageSelect, stageCaptureWord(Stage, ShownTab()),
                      TargetBoard);
        CaptureEnded = false;
    }
    Dropped = BoardCountsSince();
    ReadTimer->start(0);
}

void RRTabStageFrm::StopReading()
{
    Reading = false;
    ReadTimer->stop();
    EndCapture();
    services().sleepMs(20);
    EndOfLoop();
}

void RRTabStageFrm::EndOfLoop()
{
    EndCapture();
    CaptureEnded = true;
    ReadContCV5310Cmd->setText(QStringLiteral("Read Continuously"));
    CmdForceCal->setEnabled(true);
    BtnIntEnModeChk->setEnabled(true);
    BtnIntEnModeLbl->setEnabled(true);
}

void RRTabStageFrm::ReadTimer_Timer()
{
    if (!Reading)
        return;
    // The chart's margins come from the offsets the thresholds were computed
    // with, not from whatever stands in the boxes (typed without Enter, or
    // the quiet-pass estimate).
    const StagePassResult r = Loop.pass(ShownTab(), int32_t(OffsetHighVal), int32_t(OffsetLowVal));
    if (r.indicator == Indicator::Red)
        InterrruptModeStatusShp->setColor(QColor(0xFF, 0x00, 0x00));
    else if (r.indicator == Indicator::White)
        InterrruptModeStatusShp->setColor(QColor(0xFF, 0xFF, 0xFF));

    if (r.sample) {
        const StageSample& s = *r.sample;
        if (r.showBlock)
            for (size_t k = 0; k < RamWordTxt.size(); ++k)
                RamWordTxt[k]->setText(decText(s.block[k]));
        LiveAmbient = s.ambient;
        StatusDisplay(s.status);
        if (r.estimate) {
            ValueTxt[OffsetLow]->setText(decText(r.estimate->offsetLow));
            ValueTxt[OffsetHigh]->setText(decText(r.estimate->offsetHigh));
            AmbTxt->setText(decText(r.estimate->ambient));
        }
        if (r.range) {
            RegisterPlot->setBounds(r.range->lower, r.range->upper);
            RegisterPlot->setOuterBounds(r.range->outerLower, r.range->outerUpper);
        }
        for (int i = 0; i < 6; ++i) {
            RegisterPlot->selectTrace(i);
            RegisterPlot->setTraceColor(GraphLed[size_t(i)]->color());
            if (r.append) {
                // A held chart keeps its picture; the numbers still move.
                if (!RegisterPlot->hold())
                    RegisterPlot->append(double(s.graph[size_t(i)]));
                TxtReg[size_t(i)]->setText(decText(s.graph[size_t(i)]));
            }
        }
        if (r.append && ChkSaveResults->isChecked() && ResultsFile &&
            !ResultsFile->writeLine(s.graph)) {
            // The file keeps its whole lines; saving stops, reading goes on.
            CloseResultsFile();
            ChkSaveResults->setChecked(false);
            services().message(kResultsFileError);
        }
        // The thresholds follow the live ambient; the level diagram keeps
        // the picture of the last setup change.
        if (r.refreshThresholds)
            ThresholdRefresh();
    }
    const QString dropped = droppedSetsText(Dropped.overflowSoFar());
    DroppedLbl->setText(dropped);
    DroppedLbl->setVisible(!dropped.isEmpty());
    if (Reading)
        ReadTimer->start(r.nextIntervalMs);
}

void RRTabStageFrm::StatusDisplay(const std::array<int32_t, 3>& status)
{
    for (size_t k = 0; k < 3; ++k) {
        const StatusRow row = statusRow(status[k], Stage);
        LED1[k]->setOn(row.lamp);
        for (int bit = 0; bit < 12; ++bit)
            IntStatLbl[k][size_t(bit)]->setText(row.bits[size_t(bit)] ? QStringLiteral("1")
                                                                      : QStringLiteral("0"));
        IntStatTxt[k]->setText(row.valueText);
    }
}

void RRTabStageFrm::SSTab1_Click(int /*PreviousTab*/)
{
    const bool wasReading = Reading;
    if (wasReading) {
        Reading = false;
        ReadTimer->stop();
        EndCapture();
        services().sleepMs(20);
    }
    Loop.start();
    WriteRegister(reg::board::BoardStageSelect, stageCaptureWord(Stage, ShownTab()), TargetBoard);
    CaptureEnded = false;
    if (ShownTab() == StageTab::InitialSetup)
        ValueTxt[HighClamp]->setFocus();
    else
        RamWordTxt[reg::CONV_DATA]->setFocus();
    if (wasReading)
        StartReading();
}

void RRTabStageFrm::ChkSaveResults_Click()
{
    if (!ChkSaveResults->isChecked()) {
        CloseResultsFile();
        return;
    }
    FileDialogRequest request;
    request.save = true;
    request.filter = kResultsFileFilter;
    request.filterIndex = 1;
    const std::optional<QString> path = services().fileDialog(request);
    if (path)
        ResultsFile = StageResultsFile::create(*path);
    if (!ResultsFile) {
        services().message(kResultsFileError);
        ChkSaveResults->setChecked(false);
    }
}

void RRTabStageFrm::CmdClearGraph_Click()
{
    RegisterPlot->clear();
    RegisterPlot->setLength(100);
}

} // namespace cv
