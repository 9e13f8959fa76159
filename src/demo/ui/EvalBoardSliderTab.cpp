// The Slider tab: gauges, numbers, the chart and the position parameters.
#include "demo/ui/EvalBoardFrm.h"
#include "demo/ui/EvalBoardParts.h"

#include "demo/ui/DemoWidgets.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "widgets/StripChart.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace cv {

using namespace evalboard;

namespace {
// The segment gauges' full scale, in counts above the ambient: a firm touch
// on the simulated sensor boards gives 60 to 90 % of it.
constexpr int kGaugeFullScale = 4000;
} // namespace

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
        g->setRange(0, kGaugeFullScale);
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

void EvalBoardFrm::ShowParameters(const int32_t p[5])
{
    std::copy(p, p + 5, params_.begin());
    if (PosSlider)
        PosSlider->setMaximum(p[0]);
    ScaleChart();
    if (variant_.params != DemoParams::Full)
        return;
    for (int i = 0; i < 5; ++i) {
        const QString shown = i == 4 ? QString::number(p[i] / 100.0) : QString::number(p[i]);
        ParamTxt[static_cast<size_t>(i)]->setText(shown);
        ParamTxt[static_cast<size_t>(i)]->setToolTip(shown);
        QSignalBlocker b(ParamUpDown[static_cast<size_t>(i)]);
        ParamUpDown[static_cast<size_t>(i)]->setValue(p[i]);
    }
}

void EvalBoardFrm::ScaleChart()
{
    if (variant_.boardId == 1)
        return; // its position plot is fixed at 0 to 260
    auto apply = [this](int plot, const PlotRanges& r) {
        SliderPlot->setOuterBounds(std::min(r.firstLower, r.secondLower),
                                   std::max(r.firstUpper, r.secondUpper), plot);
        SliderPlot->setBounds(r.firstLower, r.firstUpper, plot);
    };
    if (variant_.boardId == 70) {
        // Board 70 plots the unscaled displacement (0 to twice the
        // displacement factor) and the absolute position (0 to the number
        // of positions), both from the parameters it reads at load.
        apply(0, displacementPlotRanges(params_[2]));
        apply(1, positionPlotRanges(params_[0]));
        return;
    }
    apply(2, positionPlotRanges(params_[0]));
    apply(0, meanPlotRanges(params_[1]));
    apply(1, displacementPlotRanges(params_[2]));
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
    // A held chart keeps collecting behind its picture.
    for (size_t i = 0; i < v.chartPoints.size(); ++i)
        SliderPlot->append(int(i), v.chartPoints[i]);
}

void EvalBoardFrm::WriteParameter(int Index, int32_t value)
{
    const int16_t address = static_cast<int16_t>(kParamBase + Index);
    WriteRegister(address, value, TargetBoard);
    services().sleepMs(50);
    const int32_t back = ReadRegister(address, TargetBoard);
    params_[static_cast<size_t>(Index)] = back;
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

} // namespace cv
