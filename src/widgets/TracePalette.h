#pragma once
// Trace colours that colour-blind readers tell apart: the Okabe-Ito palette
// for the first eight traces (the yellow last, being faint on white); past
// eight the colours come round again, dashed, then dotted.

#include <QColor>

namespace cv::chart {

QColor traceColor(int trace);
Qt::PenStyle traceStyle(int trace);

} // namespace cv::chart
