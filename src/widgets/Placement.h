#pragma once
// Where a tool window goes so that it covers none of the program's windows:
// beside the window it serves, else in the nearest free space on the screen.
// Plain arithmetic on frame rectangles, in one coordinate system.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace cv {

// True when `r` overlaps any of `taken`.
bool coversAny(const QRect& r, const std::vector<QRect>& taken);

// The top left corner for a frame of `size` inside `screen` that overlaps
// none of `taken`, nearest to `served` (right of it first, then left, below
// and above, `gap` pixels off); none when there is no such place.
std::optional<QPoint> freeSpotBeside(const QRect& served, const QSize& size,
                                     const std::vector<QRect>& taken, const QRect& screen,
                                     int gap = 8);

} // namespace cv
