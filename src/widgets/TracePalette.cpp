#include "widgets/TracePalette.h"

#include <algorithm>
#include <iterator>

namespace cv::chart {

namespace {
const QColor kOkabeIto[] = {QColor(0x00, 0x72, 0xB2), QColor(0xE6, 0x9F, 0x00),
                            QColor(0x00, 0x9E, 0x73), QColor(0xD5, 0x5E, 0x00),
                            QColor(0xCC, 0x79, 0xA7), QColor(0x56, 0xB4, 0xE9),
                            QColor(0x00, 0x00, 0x00), QColor(0xF0, 0xE4, 0x42)};
constexpr int kColours = int(std::size(kOkabeIto));
} // namespace

QColor traceColor(int trace)
{
    return kOkabeIto[std::max(0, trace) % kColours];
}

Qt::PenStyle traceStyle(int trace)
{
    const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
    return styles[std::clamp(trace / kColours, 0, 2)];
}

} // namespace cv::chart
