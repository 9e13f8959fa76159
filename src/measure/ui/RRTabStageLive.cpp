// The stage window's live half: the RAM words, the status rows and lamps,
// the chart with its legend, and the readout's passes, start, stop and tab
// change, and the results file.
#include "measure/ui/RRTabStageFrm.h"

#include "config/DiagramOps.h"
#include "config/StageContext.h"
#include "link/CaptureOwner.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/FormulaFrm.h"
#include "measure/ui/LevelDiagram.h"
#include "measure/ui/RRTabStageParts.h"
#include "platform/NumText.h"
#include "platform/Services.h"
#include "widgets/Led.h"
#include "widgets/SpinArrows.h"
#include "widgets/StripChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace cv {

using namespace stageui;

QWidget* RRTabStageFrm::BuildRamPage()
{
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
    return ramPage;
}

QWidget* RRTabStageFrm::BuildStatusFrame()
{
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

    return statusFrame;
}

QWidget* RRTabStageFrm::BuildChart()
{
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

    return legendFrame;
}

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
    // start streams. So too when another view selected its own mode since
    // this window selected the stage's: its sets are not this stage's.
    const int32_t word = stageCaptureWord(Stage, ShownTab());
    if (CaptureEnded || captureOwner().mode() != word) {
        WriteRegister(reg::board::BoardStageSelect, word, TargetBoard);
        CaptureEnded = false;
    }
    // From here a capture ended by anyone else is armed again by the passes.
    Loop.claimCapture(word);
    CaptureStatusLbl->clear();
    Time = StreamTimeBase();
    ArmedUs = services().nowUs();
    RegisterPlot->breakLine();
    ReadTimer->start(0);
}

void RRTabStageFrm::StopReading()
{
    Reading = false;
    ReadTimer->stop();
    Loop.releaseCapture();
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
    if (r.rearmFailed) {
        StopReading();
        CaptureStatusLbl->setText(rearmFailedText(stageCaptureWord(Stage, ShownTab())));
        return;
    }
    if (!Time.started()) {
        Time.start(setPeriodSeconds(PowerWord), ArmedUs);
        RegisterPlot->setRateLimit(Time.clock().rate());
    }
    if (r.rearmed) {
        CaptureStatusLbl->setText(rearmedText(Loop.lease().rearms()));
        Time.pause();
    }
    if (r.indicator == Indicator::Red)
        InterrruptModeStatusShp->setColor(QColor(0xFF, 0x00, 0x00));
    else if (r.indicator == Indicator::White)
        InterrruptModeStatusShp->setColor(QColor(0xFF, 0xFF, 0xFF));

    if (r.sample) {
        const StageSample& s = *r.sample;
        const ConversionStamp stamp = Time.fetched();
        if (stamp.gapBefore)
            RegisterPlot->breakLine();
        if (r.append)
            RegisterPlot->setNextSetTime(stamp.us);
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
                // A held chart keeps its picture and collects behind it.
                RegisterPlot->append(double(s.graph[size_t(i)]));
                TxtReg[size_t(i)]->setText(decText(s.graph[size_t(i)]));
            }
        }
        if (r.append && ChkSaveResults->isChecked() && ResultsFile &&
            !ResultsFile->writeLine(s.graph)) {
            // The file keeps its whole lines; saving stops, reading goes on.
            const QString why = ResultsFile->errorText();
            CloseResultsFile();
            ChkSaveResults->setChecked(false);
            services().message(kResultsFileError + QLatin1Char('\n') + why);
        }
        // The thresholds follow the live ambient; the level diagram keeps
        // the picture of the last setup change.
        if (r.refreshThresholds)
            ThresholdRefresh();
    }
    const QString dropped = droppedSetsText(Time.dropped());
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
        Loop.releaseCapture();
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
    QString why;
    if (path)
        ResultsFile = StageResultsFile::create(*path, &why);
    if (!ResultsFile) {
        services().message(why.isEmpty() ? kResultsFileError
                                         : kResultsFileError + QLatin1Char('\n') + why);
        ChkSaveResults->setChecked(false);
    }
}

void RRTabStageFrm::CmdClearGraph_Click()
{
    RegisterPlot->clear();
    RegisterPlot->setLength(100);
}

} // namespace cv
