#include "measure/ui/SensorOverviewFrm.h"

#include "link/RegMap.h"
#include "link/RegisterFile.h"
#include "measure/StageResults.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/SpectrumPanel.h"
#include "measure/ui/StatusLanes.h"
#include "platform/Services.h"
#include "widgets/GlyphText.h"
#include "widgets/Led.h"
#include "widgets/NumberCell.h"
#include "widgets/StripChart.h"
#include "widgets/WindowFit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

namespace cv {

namespace {
constexpr int kShowMs = 100;
constexpr int kChartSpan = 600;
const QString kWaitingText = QStringLiteral("Waiting while another window reads the board.");
const QColor kHighColor(0x2E, 0xA0, 0x3B), kLowColor(0x1F, 0x77, 0xB4),
    kProxColor(0xF0, 0xA0, 0x20);

// A fixed size keeps a changed number from laying out the whole window.
constexpr QSize kCellSize(60, 18);

QLabel* cell(QGridLayout* g, int row, int col, const QString& text = {})
{
    auto* l = new QLabel(text);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setFixedSize(kCellSize);
    g->addWidget(l, row, col);
    return l;
}

NumberCell* numberCell(QGridLayout* g, int row, int col, GlyphText& glyphs)
{
    auto* c = new NumberCell(glyphs);
    c->setFixedSize(kCellSize);
    g->addWidget(c, row, col);
    return c;
}

// What a group box shows inside its frame, where its cells stand.
QColor groupBoxGround(const QGroupBox* box)
{
    QGroupBox probe(box->title());
    probe.setPalette(box->palette());
    probe.setFont(box->font());
    probe.resize(96, 96);
    QImage picture(probe.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(box->palette().color(QPalette::Window));
    probe.render(&picture, {}, {}, QWidget::DrawChildren);
    return picture.pixelColor(48, 72);
}

// Where `v` lies on a bar `width` wide: both thresholds inside its outer
// thirds, a delta past the ends at the end.
double barX(double v, int width, int32_t high, int32_t low)
{
    const double reach = 1.5 * std::max({1, std::abs(high), std::abs(low)});
    return width / 2.0 + std::clamp(v / reach, -1.0, 1.0) * (width - 1) / 2.0;
}

QString sensText(const SensSuggestion& s)
{
    if (!s.usable())
        return s.why;
    return QStringLiteral("%1 %2 (%3)")
        .arg(s.positive ? QStringLiteral("POS") : QStringLiteral("NEG"))
        .arg(s.sens)
        .arg(sensitivityItems()[s.sens].trimmed());
}
} // namespace

DeltaBar::DeltaBar(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(150, 16);
}

DeltaBar::Look DeltaBar::lookOf(int32_t delta, int32_t high, int32_t low) const
{
    const double mid = width() / 2.0, xd = barX(delta, width(), high, low);
    // The painter fills the columns between its edges rounded.
    return {qRound(std::min(mid, xd)), qRound(std::max(mid, xd)),
            delta > high  ? 1
            : delta < low ? 2
                          : 0,
            high, low};
}

bool DeltaBar::setValues(int32_t delta, int32_t highOffset, int32_t lowOffset)
{
    delta_ = delta;
    const Look l = lookOf(delta, highOffset, lowOffset);
    if (l == look_)
        return false;
    look_ = l;
    update();
    return true;
}

void DeltaBar::resizeEvent(QResizeEvent*)
{
    look_ = lookOf(delta_, look_.high, look_.low);
}

void DeltaBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 2.5, -0.5, -2.5);
    p.setPen(QColor(0xB0, 0xB0, 0xB0));
    p.setBrush(Qt::white);
    p.drawRect(r);
    const QColor tones[] = {QColor(0x9A, 0xA5, 0xB1), kHighColor, kLowColor};
    const int top = qRound(r.top() + 2), bottom = qRound(r.bottom() - 2);
    p.fillRect(QRect(look_.from, top, look_.to - look_.from, bottom - top), tones[look_.tone]);
    const double mid = r.center().x();
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.drawLine(QPointF(mid, r.top()), QPointF(mid, r.bottom()));
    for (const auto& [v, c] :
         {std::pair(look_.high, kHighColor), std::pair(look_.low, kLowColor)}) {
        const double x = barX(v, width(), look_.high, look_.low);
        p.setPen(QPen(c.darker(130), 2));
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
}

QString SensorOverviewFrm::definitionText()
{
    return QStringLiteral(
        "Noise: standard deviation and peak-to-peak of the delta (result - ambient) over the "
        "untouched sets measured. Signal: mean touched delta - mean untouched delta. "
        "SNR = |signal| / noise peak-to-peak (at least 1 count). Suggestions aim the threshold "
        "at the chosen share of the signal, at least 3 x the noise peak-to-peak from the "
        "ambient.");
}

SensorOverviewFrm::SensorOverviewFrm(QWidget* parent)
    : QWidget(parent, Qt::Window), Digits(std::make_unique<GlyphText>())
{
    for (auto& row : ShownNumbers)
        row.fill(std::numeric_limits<int32_t>::min()); // no number shown yet
    setObjectName(QStringLiteral("SensorOverviewFrm"));
    setWindowTitle(QStringLiteral("Sensor Overview"));
    resize(1240, 860);

    auto* top = new QVBoxLayout(this);
    auto* stagesBox = new QGroupBox(QStringLiteral("Stages"));
    auto* g = new QGridLayout(stagesBox);
    g->setVerticalSpacing(2);
    const QStringList heads = {"Chart", "Stage",    "Result",    "Ambient",
                               "Delta", "High",     "Low",       "Delta and thresholds",
                               "State", "Noise SD", "Noise p-p", "Signal",
                               "SNR",   "Mark",     "Suggested", "Apply"};
    for (int c = 0; c < heads.size(); ++c) {
        auto* h = new QLabel(QStringLiteral("<b>%1</b>").arg(heads[c]));
        h->setAlignment(c == 7 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
        g->addWidget(h, 0, c);
    }
    for (int s = 0; s < kAdcStages; ++s) {
        const int row = s + 1;
        ChartChk[s] = new QCheckBox;
        ChartChk[s]->setObjectName(QStringLiteral("ChartChk_%1").arg(s));
        ChartChk[s]->setChecked(s < 4);
        ChartChk[s]->setToolTip(QStringLiteral("Show this stage's delta in the chart"));
        g->addWidget(ChartChk[s], row, 0);
        auto* name = cell(g, row, 1, QStringLiteral("Stage %1").arg(s));
        name->setStyleSheet(
            QStringLiteral("color: %1; font-weight: bold;").arg(AdcFrm::stageColor(s).name()));
        CdcLbl[s] = numberCell(g, row, 2, *Digits);
        AmbLbl[s] = numberCell(g, row, 3, *Digits);
        DeltaLbl[s] = numberCell(g, row, 4, *Digits);
        HighLbl[s] = numberCell(g, row, 5, *Digits);
        LowLbl[s] = numberCell(g, row, 6, *Digits);
        Bar[s] = new DeltaBar;
        g->addWidget(Bar[s], row, 7);
        TouchLed[s] = new Led(nullptr, kHighColor);
        TouchLed[s]->setObjectName(QStringLiteral("TouchLed_%1").arg(s));
        TouchLed[s]->setFixedSize(18, 18);
        g->addWidget(TouchLed[s], row, 8, Qt::AlignCenter);
        NoiseSdLbl[s] = cell(g, row, 9);
        NoisePpLbl[s] = cell(g, row, 10);
        SignalLbl[s] = cell(g, row, 11);
        SnrLbl[s] = cell(g, row, 12);
        MarkLbl[s] = cell(g, row, 13);
        SuggestLbl[s] = cell(g, row, 14);
        SuggestLbl[s]->setFixedWidth(130);
        ApplyChk[s] = new QCheckBox;
        ApplyChk[s]->setObjectName(QStringLiteral("ApplyChk_%1").arg(s));
        ApplyChk[s]->setEnabled(false);
        g->addWidget(ApplyChk[s], row, 15, Qt::AlignCenter);
    }
    g->setColumnStretch(7, 1);
    // The cells that change ten times a second fill their own ground in the
    // box's colour: a new number then repaints its cell alone, not the box's
    // frame under it, which blends over the whole region it repaints.
    const QColor ground = groupBoxGround(stagesBox);
    for (int s = 0; s < kAdcStages; ++s)
        for (QWidget* w : std::initializer_list<QWidget*>{
                 CdcLbl[s], AmbLbl[s], DeltaLbl[s], HighLbl[s], LowLbl[s], Bar[s], TouchLed[s]}) {
            w->setAttribute(Qt::WA_TranslucentBackground, false);
            w->setAttribute(Qt::WA_NoSystemBackground, false);
            QPalette pal = w->palette();
            pal.setColor(QPalette::Window, ground);
            w->setPalette(pal);
            w->setAutoFillBackground(true);
        }
    auto* legend =
        new QLabel(QStringLiteral("State lamp: <span style='color:%1'>&#9679;</span> high limit "
                                  "<span style='color:%2'>&#9679;</span> low limit "
                                  "<span style='color:%3'>&#9679;</span> proximity. "
                                  "Bar: the delta about the ambient, thresholds marked.")
                       .arg(kHighColor.name(), kLowColor.name(), kProxColor.name()));
    g->addWidget(legend, kAdcStages + 1, 0, 1, 9);
    // The cells that change stack over the box's other children (none of
    // them overlaps another): a repaint looks for opaque widgets above the
    // one it paints, and then finds few.
    for (const auto* column : {&AmbLbl, &HighLbl, &LowLbl, &CdcLbl, &DeltaLbl})
        for (QWidget* w : *column)
            w->raise();
    for (int s = 0; s < kAdcStages; ++s) {
        TouchLed[s]->raise();
        Bar[s]->raise();
    }
    top->addWidget(stagesBox);

    auto* tuning = new QGroupBox(QStringLiteral("Noise, SNR and guided tuning"));
    auto* tv = new QVBoxLayout(tuning);
    auto* definition = new QLabel(definitionText());
    definition->setObjectName(QStringLiteral("DefinitionLbl"));
    definition->setWordWrap(true);
    tv->addWidget(definition);
    auto* row = new QHBoxLayout;
    auto spin = [](int lo, int hi, int value, const QString& suffix) {
        auto* b = new QSpinBox;
        b->setRange(lo, hi);
        b->setValue(value);
        b->setSuffix(suffix);
        return b;
    };
    NoiseCmd = new QPushButton(QStringLiteral("1. Measure noise"));
    NoiseSecondsSpin = spin(1, 600, 5, QStringLiteral(" s"));
    TouchCmd = new QPushButton(QStringLiteral("2. Touch each sensor"));
    TouchSecondsSpin = spin(1, 600, 15, QStringLiteral(" s"));
    AimSpin = spin(10, 95, int(kDefaultAimFraction * 100), QStringLiteral(" %"));
    RequiredSpin = new QDoubleSpinBox;
    RequiredSpin->setRange(0.5, 1000);
    RequiredSpin->setDecimals(1);
    RequiredSpin->setValue(kDefaultRequiredSnr);
    RequiredSpin->setSuffix(QStringLiteral(" : 1"));
    ApplyCmd = new QPushButton(QStringLiteral("3. Apply"));
    SaveCmd = new QPushButton(QStringLiteral("4. Save..."));
    NoiseCmd->setToolTip(QStringLiteral("Record the deltas for the time given without touching"));
    TouchCmd->setToolTip(QStringLiteral("Touch the keys one after the other for the time given"));
    ApplyCmd->setToolTip(
        QStringLiteral("Write the ticked suggestions to the sensitivity registers"));
    SaveCmd->setToolTip(QStringLiteral("Save the configuration registers to a register file"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{NoiseCmd, NoiseSecondsSpin, TouchCmd, TouchSecondsSpin,
                                         new QLabel(QStringLiteral("Aim at")), AimSpin,
                                         new QLabel(QStringLiteral("of the signal. Pass mark SNR")),
                                         RequiredSpin, ApplyCmd, SaveCmd})
        row->addWidget(w);
    row->addStretch(1);
    tv->addLayout(row);
    PhaseLbl = new QLabel(QStringLiteral("Measure the noise first, without touching."));
    PhaseLbl->setObjectName(QStringLiteral("PhaseLbl"));
    keepWindowSize(PhaseLbl);
    tv->addWidget(PhaseLbl);
    top->addWidget(tuning);

    DeltaPlot = new StripChart;
    DeltaPlot->setObjectName(QStringLiteral("DeltaPlot"));
    DeltaPlot->setTitle(QStringLiteral("Delta (result - ambient)"));
    DeltaPlot->setTraceCount(kAdcStages + StatusLanes::kLanes);
    for (int s = 0; s < kAdcStages; ++s) {
        DeltaPlot->setTraceColor(s, AdcFrm::stageColor(s));
        DeltaPlot->setTraceName(s, QStringLiteral("Stage %1").arg(s));
    }
    Lanes = std::make_unique<StatusLanes>(DeltaPlot, kAdcStages);
    DeltaPlot->setLength(kChartSpan);
    DeltaPlot->setBufferLength(kChartSpan);
    DeltaPlot->setOuterBounds(-65535, 65535);
    DeltaPlot->setBounds(-200, 200);
    DeltaPlot->setMinimumHeight(240);
    Spectrum = new SpectrumPanel([this](int s) { return ChartChk[size_t(s)]->isChecked(); });
    auto* charts = new QHBoxLayout;
    charts->addWidget(DeltaPlot, 3);
    charts->addWidget(Spectrum, 2);
    top->addLayout(charts, 1);

    auto* foot = new QHBoxLayout;
    ReadCmd = new QPushButton(QStringLiteral("Stop Reading"));
    ReadCmd->setObjectName(QStringLiteral("ReadCmd"));
    cmdClose = new QPushButton(QStringLiteral("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    CaptureLbl = new QLabel;
    CaptureLbl->setObjectName(QStringLiteral("CaptureLbl"));
    keepWindowSize(CaptureLbl);
    foot->addWidget(ReadCmd);
    DroppedLbl = new QLabel;
    DroppedLbl->setObjectName(QStringLiteral("DroppedLbl"));
    foot->addWidget(CaptureLbl, 1);
    foot->addWidget(DroppedLbl);
    foot->addWidget(cmdClose);
    top->addLayout(foot);

    ReadTimer = new QTimer(this);
    ReadTimer->setSingleShot(true);
    ShowTimer = new QTimer(this);
    ShowTimer->setInterval(kShowMs);

    connect(ReadTimer, &QTimer::timeout, this, &SensorOverviewFrm::ReadTimer_Timer);
    connect(ShowTimer, &QTimer::timeout, this, &SensorOverviewFrm::ShowTimer_Timer);
    connect(ReadCmd, &QPushButton::clicked, this, &SensorOverviewFrm::ReadCmd_Click);
    connect(NoiseCmd, &QPushButton::clicked, this, &SensorOverviewFrm::NoiseCmd_Click);
    connect(TouchCmd, &QPushButton::clicked, this, &SensorOverviewFrm::TouchCmd_Click);
    connect(ApplyCmd, &QPushButton::clicked, this, &SensorOverviewFrm::ApplyCmd_Click);
    connect(SaveCmd, &QPushButton::clicked, this, &SensorOverviewFrm::SaveCmd_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(AimSpin, &QSpinBox::valueChanged, this, &SensorOverviewFrm::ShowFigures);
    connect(RequiredSpin, &QDoubleSpinBox::valueChanged, this, &SensorOverviewFrm::ShowFigures);
    for (int s = 0; s < kAdcStages; ++s) {
        connect(ChartChk[s], &QCheckBox::clicked, DeltaPlot, &StripChart::clear);
        connect(ChartChk[s], &QCheckBox::toggled, this, &SensorOverviewFrm::ArrangeLanes);
    }
    ArrangeLanes();
}

void SensorOverviewFrm::ArrangeLanes()
{
    for (int s = 0; s < kAdcStages; ++s)
        Charted[size_t(s)] = ChartChk[s]->isChecked();
    Lanes->arrange(Charted);
}

SensorOverviewFrm::~SensorOverviewFrm()
{
    Form_Unload();
}

void SensorOverviewFrm::Form_Load()
{
    TouchCmd->setEnabled(false);
    ApplyCmd->setEnabled(false);
    StartReading();
    ShowTimer->start();
}

void SensorOverviewFrm::Form_Unload()
{
    ShowTimer->stop();
    StopReading();
}

void SensorOverviewFrm::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void SensorOverviewFrm::StartReading()
{
    if (Reading.reading())
        return;
    if (Reading.start() != AdcReading::Start::Started) {
        ReadCmd->setText(QStringLiteral("Read"));
        return;
    }
    ReadCmd->setText(QStringLiteral("Stop Reading"));
    CaptureLbl->clear();
    WaitingShown = false;
    DroppedLbl->clear();
    ShownDropped = 0;
    DeltaPlot->setRateLimit(Reading.timeBase().clock().rate());
    DeltaPlot->breakLine();
    ShowRows();
    Spectrum->start();
    ReadTimer->start(0);
}

void SensorOverviewFrm::StopReading()
{
    ReadTimer->stop();
    Reading.stop();
    ReadCmd->setText(QStringLiteral("Read"));
    if (Phase_ != Phase::Idle) {
        StopPhase();
        PhaseLbl->setText(QStringLiteral("Stopped before the time was up: start again."));
        NoiseCmd->setEnabled(true);
        TouchCmd->setEnabled(NoiseDone);
    }
}

void SensorOverviewFrm::ReadCmd_Click()
{
    if (Reading.reading())
        StopReading();
    else
        StartReading();
}

void SensorOverviewFrm::ReadTimer_Timer()
{
    const int next = passesOfATick([this] { return OnePass(); });
    if (next >= 0)
        ReadTimer->start(next);
}

int SensorOverviewFrm::OnePass()
{
    if (!Reading.reading())
        return -1;
    const SensorOverviewReading::Pass p = Reading.pass();
    if (p.rearmFailed) {
        StopReading();
        services().message(rearmFailedText(reg::board::StreamResults));
        return -1;
    }
    if (p.yielded)
        Spectrum->gap();
    if (p.yielded || p.rearmed || WaitingShown) {
        if (p.yielded)
            CaptureLbl->setText(kWaitingText);
        else if (p.rearmed)
            CaptureLbl->setText(rearmedText(Reading.rearms()));
        else
            CaptureLbl->clear();
        WaitingShown = p.yielded;
    }
    if (p.fetched && p.stamp.gapBefore)
        DeltaPlot->breakLine();
    if (p.fetched && p.addsPoints) {
        const auto deltas = Reading.deltas();
        DeltaPlot->setNextSetTime(p.stamp.us);
        for (int s = 0; s < kAdcStages; ++s)
            if (Charted[size_t(s)])
                DeltaPlot->append(s, deltas[size_t(s)]);
        Lanes->append(Reading.stages(), Reading.interruptLine());
        Spectrum->addSet(Reading);
        if (Phase_ == Phase::Noise)
            Recording.addNoise(deltas, Reading.setLimits() | Reading.takeChipLimits());
        else if (Phase_ == Phase::Touch)
            Recording.addTouch(deltas);
    }
    // The text is made only when the count moved.
    if (const int64_t dropped = Reading.timeBase().dropped(); dropped != ShownDropped) {
        ShownDropped = dropped;
        DroppedLbl->setText(droppedSetsText(dropped));
    }
    if (Phase_ != Phase::Idle && services().nowMs() >= PhaseEndMs)
        EndPhase();
    return Reading.reading() ? p.nextIntervalMs : -1;
}

void SensorOverviewFrm::NoiseCmd_Click()
{
    StartReading();
    if (!Reading.reading())
        return;
    Recording.clearNoise();
    Recording.clearTouches();
    Reading.takeChipLimits(); // from before the step
    NoiseDone = false;
    Phase_ = Phase::Noise;
    PhaseEndMs = services().nowMs() + NoiseSecondsSpin->value() * 1000;
    promptOperator({OperatorPrompt::HandsOff, {}, NoiseSecondsSpin->value() * 1000});
    ShowFigures();
}

void SensorOverviewFrm::TouchCmd_Click()
{
    if (!NoiseDone)
        return;
    StartReading();
    if (!Reading.reading())
        return;
    Recording.clearTouches();
    Phase_ = Phase::Touch;
    PhaseEndMs = services().nowMs() + TouchSecondsSpin->value() * 1000;
    // The stages still to judge, in order.
    std::vector<int> stages;
    for (int s = 0; s < kAdcStages; ++s)
        if (!Recording.touchedInNoise(s))
            stages.push_back(s);
    promptOperator({OperatorPrompt::TouchInTurn, stages, TouchSecondsSpin->value() * 1000});
    ShowFigures();
}

void SensorOverviewFrm::StopPhase()
{
    Phase_ = Phase::Idle;
    promptOperator({});
}

void SensorOverviewFrm::EndPhase()
{
    if (Phase_ == Phase::Noise) {
        NoiseDone = true;
        Recording.noteNoiseLimits(Reading.takeChipLimits());
        QStringList touched;
        for (int s = 0; s < kAdcStages; ++s)
            if (Recording.touchedInNoise(s))
                touched << QString::number(s);
        PhaseLbl->setText(
            touched.isEmpty()
                ? QStringLiteral("Noise measured. Now \"Touch each sensor\" and touch the keys.")
                : QStringLiteral("Stage %1 %2 touched while measuring noise: measure again")
                      .arg(touched.join(QLatin1String(", ")),
                           touched.size() == 1 ? QStringLiteral("was") : QStringLiteral("were")));
    } else {
        PhaseLbl->setText(QStringLiteral(
            "Touches recorded. Tick the suggestions to use, then \"Apply\" and \"Save\"."));
    }
    StopPhase();
    ShowFigures();
}

void SensorOverviewFrm::ShowFigures()
{
    const bool touched = Recording.touchSets() > 0;
    for (int s = 0; s < kAdcStages; ++s) {
        const StageSnr f = Recording.figures(s, RequiredSpin->value());
        const bool noise = Recording.noise(s).count() > 0;
        NoiseSdLbl[s]->setText(noise ? QString::number(f.noiseSd, 'f', 2) : QString());
        NoisePpLbl[s]->setText(noise ? QString::number(f.noisePp) : QString());
        SignalLbl[s]->setText(f.signal ? QString::number(*f.signal, 'f', 1) : QString());
        SnrLbl[s]->setText(f.snr ? QString::number(*f.snr, 'f', 1) : QString());
        // A stage touched during the noise step has no figure worth a mark.
        const bool spoilt = f.touchedInNoise && Phase_ != Phase::Noise;
        MarkLbl[s]->setText(spoilt    ? QStringLiteral("touched")
                            : !f.pass ? QString()
                            : *f.pass ? QStringLiteral("pass")
                                      : QStringLiteral("FAIL"));
        MarkLbl[s]->setStyleSheet(spoilt   ? QStringLiteral("font-weight: bold; color: #E08A00;")
                                  : f.pass ? QStringLiteral("font-weight: bold; color: %1;")
                                                 .arg(*f.pass ? "#2EA03B" : "#D62728")
                                           : QString());
        SensSuggestion sug;
        if (touched && Phase_ == Phase::Idle) {
            const StageTuningRegs regs = ReadStageTuningRegs(s);
            sug = suggestSensitivity(f, regs.offsetHigh, regs.offsetLow, AimSpin->value() / 100.0);
        }
        // A tick the user took away stays away while the suggestion stands.
        const SensSuggestion& was = Suggestions[size_t(s)];
        if (sug.sens != was.sens || sug.positive != was.positive)
            ApplyChk[s]->setChecked(sug.usable());
        Suggestions[size_t(s)] = sug;
        SuggestLbl[s]->setText(touched && Phase_ == Phase::Idle ? sensText(sug) : QString());
        SuggestLbl[s]->setStyleSheet(sug.usable() ? QString() : QStringLiteral("color: #6b7785;"));
        ApplyChk[s]->setEnabled(sug.usable());
    }
    TouchCmd->setEnabled(NoiseDone && Phase_ == Phase::Idle);
    NoiseCmd->setEnabled(Phase_ == Phase::Idle);
    ApplyCmd->setEnabled(touched && Phase_ == Phase::Idle);
}

void SensorOverviewFrm::ApplyCmd_Click()
{
    std::vector<SensChoice> choices;
    for (int s = 0; s < kAdcStages; ++s)
        if (ApplyChk[s]->isChecked() && Suggestions[size_t(s)].usable())
            choices.push_back({s, Suggestions[size_t(s)].positive, Suggestions[size_t(s)].sens});
    const int writes = ApplySensChoices(choices);
    PhaseLbl->setText(QStringLiteral("Applied: %1 sensitivity register(s) written.").arg(writes));
}

void SensorOverviewFrm::SaveCmd_Click()
{
    FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("Save Registers");
    request.filter = kRegisterFileFilter;
    const auto path = services().fileDialog(request);
    if (!path || path->isEmpty() || !saveRegisterFile(*path))
        services().message(kRegisterFileError, MsgIcon::None, kAppTitle, MsgButtons::Ok);
}

void SensorOverviewFrm::ShowTimer_Timer()
{
    ShowRows();
    if (Phase_ != Phase::Idle) {
        const int64_t left = std::max<int64_t>(0, PhaseEndMs - services().nowMs());
        PhaseLbl->setText((Phase_ == Phase::Noise
                               ? QStringLiteral("Measuring noise, do not touch: %1 s left")
                               : QStringLiteral("Touch each sensor in turn: %1 s left"))
                              .arg((left + 999) / 1000));
    }
    FitChart();
}

void SensorOverviewFrm::ShowRows()
{
    const uint32_t seen = Reading.takeLimitsSeen();
    for (int s = 0; s < kAdcStages; ++s) {
        const OverviewStage& st = Reading.stages()[size_t(s)];
        // A number that stays is not made into text again.
        auto& shown = ShownNumbers[size_t(s)];
        const std::array<int32_t, 5> now = {st.cdc, st.amb, st.delta(), st.high, st.low};
        const std::array<NumberCell*, 5> cells = {CdcLbl[s], AmbLbl[s], DeltaLbl[s], HighLbl[s],
                                                  LowLbl[s]};
        for (size_t c = 0; c < now.size(); ++c)
            if (shown[c] != now[c]) {
                shown[c] = now[c];
                cells[c]->setText(QString::number(now[c]));
            }
        Bar[s]->setValues(st.delta(), st.high - st.amb, st.low - st.amb);
        // Dark, the lamp keeps the touch colour; lit, it tells which limit.
        TouchLed[s]->setColor(st.lowLimit                     ? kLowColor
                              : st.proximity && !st.highLimit ? kProxColor
                                                              : kHighColor);
        TouchLed[s]->setOn(((seen >> s) & 1) || st.proximity);
    }
}

void SensorOverviewFrm::FitChart()
{
    // The bounds follow the ticked traces with room to move, refitted when a
    // trace leaves them or fills less than a quarter of them.
    double lo = 0, hi = 0;
    bool any = false;
    for (int s = 0; s < kAdcStages; ++s) {
        const TraceStats t = DeltaPlot->visibleStats(s);
        if (!ChartChk[s]->isChecked() || t.count == 0)
            continue;
        lo = any ? std::min(lo, t.min) : t.min;
        hi = any ? std::max(hi, t.max) : t.max;
        any = true;
    }
    if (!any)
        return;
    const double span = DeltaPlot->upperBound() - DeltaPlot->lowerBound();
    const bool outside = lo < DeltaPlot->lowerBound() || hi > DeltaPlot->upperBound();
    if (!outside && span <= 4 * std::max(40.0, hi - lo))
        return;
    const double margin = std::max(20.0, 0.2 * (hi - lo));
    DeltaPlot->setBounds(std::floor((lo - margin) / 10) * 10, std::ceil((hi + margin) / 10) * 10);
}

} // namespace cv
