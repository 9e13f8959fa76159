#pragma once
// The chip's touch decisions on the delta chart's time line: a second, thin
// pane under the deltas with one digital lane per shown stage, up while the
// stage's high limit status bit is set (a lower step for the low limit), and
// a lane for the interrupt line where the firmware reports it. Being traces
// of the same chart, the lanes scroll, hold, pan and export with the deltas.

#include "measure/SensorOverview.h"

#include <array>
#include <optional>

namespace cv {

class StripChart;

class StatusLanes {
public:
    // Twelve stage lanes and the interrupt line's.
    static constexpr int kLanes = kAdcStages + 1;
    static constexpr double kHighStep = 0.7, kLowStep = 0.4;

    // The chart holds the lanes as its traces first .. first + kLanes - 1.
    StatusLanes(StripChart* chart, int first);
    // Lanes top to bottom: the shown stages in order, then the interrupt line.
    void arrange(const std::array<bool, kAdcStages>& shown);
    // One set: the flags the stages had with it.
    void append(const OverviewStages& stages, std::optional<bool> interruptLine);

    int laneTrace(int stage) const { return first_ + stage; }
    int lineTrace() const { return first_ + kAdcStages; }
    // A lane's value over its baseline.
    static double step(bool low, bool high) { return high ? kHighStep : low ? kLowStep : 0; }
    double baseline(int stage) const { return base_[size_t(stage)]; }

private:
    StripChart* chart_;
    int first_;
    std::array<bool, kAdcStages> shown_{};
    std::array<double, kLanes> base_{};
};

} // namespace cv
