#include "measure/ui/StatusLanes.h"

#include "measure/ui/AdcFrm.h"
#include "widgets/StripChart.h"

namespace cv {

StatusLanes::StatusLanes(StripChart* chart, int first) : chart_(chart), first_(first)
{
    chart_->setPlotCount(2);
    chart_->setPlotWeight(0, 4);
    for (int s = 0; s < kAdcStages; ++s) {
        chart_->setTracePlot(laneTrace(s), 1);
        chart_->setTraceColor(laneTrace(s), AdcFrm::stageColor(s));
        chart_->setTraceName(laneTrace(s), QStringLiteral("Stage %1 limit").arg(s));
    }
    chart_->setTracePlot(lineTrace(), 1);
    chart_->setTraceColor(lineTrace(), Qt::black);
    chart_->setTraceName(lineTrace(), QStringLiteral("Interrupt line"));
}

void StatusLanes::arrange(const std::array<bool, kAdcStages>& shown)
{
    shown_ = shown;
    int lanes = 1;
    for (bool on : shown)
        lanes += on;
    int row = lanes - 1; // the top lane sits highest
    for (int s = 0; s < kAdcStages; ++s)
        if (shown[size_t(s)])
            base_[size_t(s)] = row--;
    base_[kAdcStages] = 0;
    chart_->setBounds(-0.2, lanes - 0.1, 1);
    chart_->setOuterBounds(-0.2, lanes - 0.1, 1);
}

void StatusLanes::append(const OverviewStages& stages, std::optional<bool> interruptLine)
{
    for (int s = 0; s < kAdcStages; ++s) {
        const OverviewStage& st = stages[size_t(s)];
        if (shown_[size_t(s)])
            chart_->append(laneTrace(s), base_[size_t(s)] + step(st.lowLimit, st.highLimit));
    }
    if (interruptLine)
        chart_->append(lineTrace(), *interruptLine ? kHighStep : 0.0);
}

} // namespace cv
