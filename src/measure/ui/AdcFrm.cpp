#include "measure/ui/AdcFrm.h"

#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/OpenFiles.h"
#include "platform/Services.h"
#include "widgets/RegisterBitDisplay.h"
#include "widgets/StripChart.h"
#include "widgets/TracePalette.h"
#include "widgets/WindowFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace cv {

namespace {
constexpr int kChartW = 720, kChartH = 430, kSideX = 742, kSideW = 208;
constexpr int kFootY = 450, kFootH = 146, kStatusY = kFootY + kFootH + 6;
constexpr int kInitialSpan = 200;

QLabel* caption(QWidget* parent, const QString& text, int x, int y, int w)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 22);
    return l;
}

QComboBox* list(QWidget* parent, const char* name, int x, int y, int w)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(x, y, w, 26);
    return c;
}
} // namespace

StageLineSwatch::StageLineSwatch(const QColor& color, Qt::PenStyle style, QWidget* parent)
    : QWidget(parent), color_(color), style_(style)
{
}

void StageLineSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // On the chart's own ground, so every trace colour reads as it will there.
    p.setPen(QColor(0xB0, 0xB0, 0xB0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 4.5, -0.5, -4.5), 3, 3);
    // Drawn as the chart draws the stage's trace (past eight, dashed).
    p.setPen(QPen(color_, 2, style_, Qt::FlatCap));
    const int y = height() / 2;
    p.drawLine(6, y, width() - 7, y);
}

QColor AdcFrm::stageColor(int stage)
{
    return chart::traceColor(std::clamp(stage, 0, 11));
}

AdcFrm::AdcFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AdcFrm"));
    setWindowTitle(QStringLiteral("CDC Converter "));
    resize(kSideX + kSideW + 10, kStatusY + 26);

    AdcPlot = new StripChart(this);
    AdcPlot->setObjectName(QStringLiteral("AdcPlot"));
    AdcPlot->setGeometry(10, 10, kChartW, kChartH);
    AdcPlot->setTitle(QStringLiteral("ADC Values"));
    AdcPlot->setTraceCount(kAdcStages);
    AdcPlot->setLength(kInitialSpan);
    AdcPlot->setBufferLength(kInitialSpan);
    AdcPlot->setOuterBounds(0, 65535);
    AdcPlot->setBounds(0, 65535);

    // The stages shown, each beside the colour of its trace.
    auto* stages = new QGroupBox(QStringLiteral("Stages"), this);
    stages->setObjectName(QStringLiteral("StagesFrame"));
    stages->setGeometry(kSideX, 10, kSideW, kChartH);
    for (int i = 0; i < kAdcStages; ++i) {
        const int y = 30 + i * 33;
        AdcPlot->setTraceColor(i, stageColor(i));
        AdcPlot->setTraceName(i, QStringLiteral("Stage %1").arg(i));
        StageLine[i] = new StageLineSwatch(stageColor(i), chart::traceStyle(i), stages);
        StageLine[i]->setObjectName(QStringLiteral("StageLine_%1").arg(i));
        StageLine[i]->setGeometry(16, y, 36, 24);
        StageChk[i] = new QCheckBox(QStringLiteral("Stage %1").arg(i), stages);
        StageChk[i]->setObjectName(QStringLiteral("StageChk_%1").arg(i));
        StageChk[i]->setGeometry(62, y, 130, 24);
        StageChk[i]->setChecked(true);
        connect(StageChk[i], &QCheckBox::clicked, this, [this, i] { StageChk_Click(i); });
    }

    // The converter fields and the register they live in.
    auto* conv = new QGroupBox(QStringLiteral("Converter"), this);
    conv->setObjectName(QStringLiteral("ConverterFrame"));
    conv->setGeometry(10, kFootY, kChartW, kFootH);
    PowContReg = new RegisterBitDisplay(reg::PWR_CONTROL,
                                        {QStringLiteral("PowContRegLbl"),
                                         QStringLiteral("Lab1"),
                                         QStringLiteral("PowControlLbl"),
                                         {},
                                         {}},
                                        QStringLiteral("Power Control Register 0x00"), conv);
    PowContReg->move(14, 26);
    caption(conv, QStringLiteral("Decimation"), 14, 92, 90);
    DecCmb = list(conv, "DecCmb", 104, 90, 80);
    caption(conv, QStringLiteral("Sequencer Stage Num"), 206, 92, 150);
    SeqStgCmb = list(conv, "SeqStgCmb", 356, 90, 70);
    caption(conv, QStringLiteral("CDC Bias "), 450, 92, 80);
    BiasCtrlCmb = list(conv, "BiasCtrlCmb", 530, 90, 90);
    DecCmb->setToolTip(QStringLiteral("Decimation rate of the converter (PWR_CONTROL bits 9:8)"));
    SeqStgCmb->setToolTip(
        QStringLiteral("Last stage of the conversion sequence (PWR_CONTROL bits 7:4)"));
    BiasCtrlCmb->setToolTip(QStringLiteral("Converter bias current (PWR_CONTROL bits 15:14)"));

    // Commands.
    auto button = [this](const char* name, const QString& text, int y) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(kSideX, y, kSideW, 30);
        b->setAutoDefault(false);
        return b;
    };
    ReadContCV5310Cmd = button("ReadContCV5310Cmd", QStringLiteral("Read Graph"), kFootY + 6);
    ChkSaveResults = new QCheckBox(QStringLiteral("Save Results"), this);
    ChkSaveResults->setObjectName(QStringLiteral("ChkSaveResults"));
    ChkSaveResults->setGeometry(kSideX + 4, kFootY + 42, kSideW - 4, 26);
    ChkSaveResults->setToolTip(QStringLiteral("Write every result set to a text file"));
    ClearBtn = button("ClearBtn", QStringLiteral("Clear"), kFootY + 74);
    cmdClose = button("cmdClose", QStringLiteral("&Close"), kFootY + kFootH - 30);

    CaptureStatusLbl = new QLabel(this);
    CaptureStatusLbl->setObjectName(QStringLiteral("CaptureStatusLbl"));
    CaptureStatusLbl->setGeometry(12, kStatusY, kSideX + kSideW - 12, 20);

    // The chart takes the room a larger window gives; the stages stay at
    // its right, the converter fields and the commands at the bottom.
    auto* anchors = new Anchors(this);
    anchors->add(AdcPlot, Anchors::Left | Anchors::Top | Anchors::Right | Anchors::Bottom);
    anchors->add(stages, Anchors::Top | Anchors::Right);
    anchors->add(conv, Anchors::Left | Anchors::Bottom);
    for (QWidget* w :
         std::initializer_list<QWidget*>{ReadContCV5310Cmd, ChkSaveResults, ClearBtn, cmdClose})
        anchors->add(w, Anchors::Right | Anchors::Bottom);
    anchors->add(CaptureStatusLbl, Anchors::Left | Anchors::Right | Anchors::Bottom);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(400);
    Timer1->setSingleShot(true);
    ReadTimer = new QTimer(this);
    ReadTimer->setObjectName(QStringLiteral("ReadTimer"));
    ReadTimer->setSingleShot(true);

    // activated / clicked come from the user only.
    connect(DecCmb, &QComboBox::activated, this, &AdcFrm::DecCmb_Click);
    connect(SeqStgCmb, &QComboBox::activated, this, &AdcFrm::SeqStgCmb_Click);
    connect(BiasCtrlCmb, &QComboBox::activated, this, &AdcFrm::BiasCtrlCmb_Click);
    connect(ReadContCV5310Cmd, &QPushButton::clicked, this, &AdcFrm::ReadContCV5310Cmd_Click);
    connect(ClearBtn, &QPushButton::clicked, this, &AdcFrm::ClearBtn_Click);
    connect(ChkSaveResults, &QCheckBox::clicked, this, &AdcFrm::ChkSaveResults_Click);
    connect(cmdClose, &QPushButton::clicked, this, &AdcFrm::cmdClose_Click);
    connect(Timer1, &QTimer::timeout, this, &AdcFrm::Timer1_Timer);
    connect(ReadTimer, &QTimer::timeout, this, &AdcFrm::ReadTimer_Timer);
    connect(this, &QDialog::finished, this, &AdcFrm::Form_Unload);
}

AdcFrm::~AdcFrm()
{
    // Normally done when the window closes; a window torn down otherwise
    // still leaves its file whole.
    ReadTimer->stop();
    CloseResultsFile();
}

void AdcFrm::Form_Load()
{
    Armed = false;
    DecCmb->clear();
    DecCmb->addItems(decimationItems());
    SeqStgCmb->clear();
    SeqStgCmb->addItems(sequenceStageItems());
    BiasCtrlCmb->clear();
    BiasCtrlCmb->addItems(cdcBiasItems());

    const ConverterLoad load = LoadConverterView();
    DecCmb->setCurrentIndex(load.fields.decimation);
    SeqStgCmb->setCurrentIndex(load.fields.sequenceStages);
    BiasCtrlCmb->setCurrentIndex(load.fields.bias);
    Converting = load.converting;
    PowerWord = load.pwrControl;

    PowContReg->refresh();
    Timer1->start();
}

void AdcFrm::Form_Unload()
{
    Timer1->stop();
    // The stream ends with the window, and the file holds every line written.
    if (Reading.reading())
        StopReading();
    ReadTimer->stop();
    CloseResultsFile();
}

void AdcFrm::Timer1_Timer()
{
    Timer1->stop();
    Armed = true;
}

void AdcFrm::FieldChoice(const RegField& f, QComboBox* list)
{
    if (!Armed)
        return;
    PowerWord = ChangeConverterField(f, list->currentIndex(), Reading.reading());
    PowContReg->refresh();
    // A new period from here on: the chart breaks where the old one ends.
    if (Reading.reading()) {
        Time.start(setPeriodSeconds(PowerWord), services().nowUs());
        AdcPlot->setRateLimit(Time.clock().rate());
        AdcPlot->breakLine();
    }
}

void AdcFrm::DecCmb_Click()
{
    FieldChoice(field::DECIMATION, DecCmb);
}

void AdcFrm::SeqStgCmb_Click()
{
    FieldChoice(field::SEQUENCE_STAGE_NUM, SeqStgCmb);
}

void AdcFrm::BiasCtrlCmb_Click()
{
    FieldChoice(field::CDC_BIAS, BiasCtrlCmb);
}

void AdcFrm::ReadContCV5310Cmd_Click()
{
    if (Reading.reading())
        StopReading();
    else
        StartReading();
}

void AdcFrm::StartReading()
{
    const int64_t armedUs = services().nowUs();
    const auto started = Reading.start(
        Converting, [this] { ReadContCV5310Cmd->setText(QStringLiteral("Stop Reading")); });
    if (started == AdcReading::Start::NoAcknowledge)
        ReadContCV5310Cmd->setText(QStringLiteral("Read Graph"));
    if (started != AdcReading::Start::Started)
        return;
    // After the start's handshake: only what the board drops from here counts.
    Time.start(setPeriodSeconds(PowerWord), armedUs);
    AdcPlot->setRateLimit(Time.clock().rate());
    AdcPlot->breakLine();
    CaptureNote.clear();
    CaptureStatusLbl->clear();
    RangeSet = false;
    ReadTimer->start(0);
}

void AdcFrm::StopReading()
{
    ReadTimer->stop();
    Reading.stop();
    ReadContCV5310Cmd->setText(QStringLiteral("Read Graph"));
    // The loop would see the cleared flag at once and end the capture again.
    Reading.finish();
}

void AdcFrm::ReadTimer_Timer()
{
    const int next = passesOfATick([this] { return OnePass(); });
    if (next >= 0)
        ReadTimer->start(next);
}

int AdcFrm::OnePass()
{
    if (!Reading.reading())
        return -1;
    const AdcReading::Pass pass = Reading.pass();
    if (pass.rearmFailed) {
        StopReading();
        CaptureStatusLbl->setText(rearmFailedText(reg::board::StreamResults));
        return -1;
    }
    if (pass.rearmed) {
        CaptureNote = rearmedText(Reading.lease().rearms());
        Time.pause();
    }
    ConversionStamp stamp;
    if (pass.fetched) {
        stamp = Time.fetched();
        if (stamp.gapBefore)
            AdcPlot->breakLine();
    }
    if (pass.fetched && pass.addsPoints) {
        const auto& results = Reading.results();
        AdcPlot->setNextSetTime(stamp.us);
        ShowSet(results); // a held chart collects behind its picture
        if (ChkSaveResults->isChecked() && ResultsFile &&
            !ResultsFile->write(adcResultsDataLine(results.data()))) {
            // The file keeps its whole lines; saving stops, reading goes on.
            const QString why = ResultsFile->errorText();
            CloseResultsFile();
            ChkSaveResults->setChecked(false);
            services().message(kAdcFileError + QLatin1Char('\n') + why, MsgIcon::None, kAppTitle,
                               MsgButtons::Ok);
        }
    }
    ShowStatus();
    return Reading.reading() ? pass.nextIntervalMs : -1;
}

void AdcFrm::ShowStatus()
{
    QStringList parts;
    if (!CaptureNote.isEmpty())
        parts << CaptureNote;
    if (const QString dropped = droppedSetsText(Time.dropped()); !dropped.isEmpty())
        parts << dropped;
    const QString text = parts.join(QLatin1String("; "));
    if (CaptureStatusLbl->text() != text)
        CaptureStatusLbl->setText(text);
}

void AdcFrm::ShowSet(const std::array<int32_t, 13>& results)
{
    for (int i = 0; i < kAdcStages; ++i) {
        if (!StageChk[i]->isChecked())
            continue;
        AdcPlot->selectTrace(i);
        AdcPlot->setTraceColor(StageLine[i]->color());
        AdcPlot->append(static_cast<double>(results[size_t(i)]));
    }
    FitRange(results);
}

void AdcFrm::FitRange(const std::array<int32_t, 13>& results)
{
    // Refit when a new value leaves the range, and now and then when the
    // traces have shrunk to a sliver of it; otherwise the range stands still.
    bool outside = !RangeSet;
    for (int i = 0; i < kAdcStages && !outside; ++i)
        outside = StageChk[i]->isChecked() &&
                  (results[size_t(i)] < Range.lower || results[size_t(i)] > Range.upper);
    if (!outside && ++SetsSinceFit < 256)
        return;
    SetsSinceFit = 0;
    double lo = 65535, hi = 0;
    bool any = false;
    for (int i = 0; i < kAdcStages; ++i) {
        if (!StageChk[i]->isChecked())
            continue;
        const TraceStats s = AdcPlot->visibleStats(i);
        if (s.count == 0)
            continue;
        lo = std::min(lo, s.min);
        hi = std::max(hi, s.max);
        any = true;
    }
    if (!any || (!outside && !adcRangeTooWide(Range, lo, hi)))
        return;
    Range = adcChartRange(lo, hi);
    RangeSet = true;
    AdcPlot->setBounds(Range.lower, Range.upper);
}

void AdcFrm::StageChk_Click(int)
{
    AdcPlot->clear();
    AdcPlot->setLength(kInitialSpan);
    AdcPlot->setBufferLength(kInitialSpan);
    RangeSet = false;
}

void AdcFrm::ClearBtn_Click()
{
    AdcPlot->clear();
    RangeSet = false;
}

bool AdcFrm::resultsFileOpen() const
{
    return ResultsFile && ResultsFile->isOpen();
}

void AdcFrm::ChkSaveResults_Click()
{
    if (!ChkSaveResults->isChecked()) {
        CloseResultsFile();
        return;
    }
    FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("Save Results");
    request.filter = kAdcFileFilter;
    request.filterIndex = 1;
    const auto path = services().fileDialog(request);
    bool ok = false;
    if (path && !path->isEmpty()) {
        CloseResultsFile();
        ResultsFile = std::make_unique<TrackedFile>(*path);
        ok = ResultsFile->open() && ResultsFile->write(adcResultsHeaderLine());
    }
    if (!ok) {
        const QString why = ResultsFile ? ResultsFile->errorText() : QString();
        ResultsFile.reset();
        services().message(why.isEmpty() ? kAdcFileError : kAdcFileError + QLatin1Char('\n') + why,
                           MsgIcon::None, kAppTitle, MsgButtons::Ok);
        ChkSaveResults->setChecked(false);
    }
}

void AdcFrm::CloseResultsFile()
{
    if (!ResultsFile)
        return;
    ResultsFile->close();
    ResultsFile.reset();
}

void AdcFrm::cmdClose_Click()
{
    reject();
}

} // namespace cv
