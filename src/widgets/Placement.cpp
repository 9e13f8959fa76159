#include "widgets/Placement.h"

#include <algorithm>
#include <climits>

namespace cv {

bool coversAny(const QRect& r, const std::vector<QRect>& taken)
{
    return std::any_of(taken.begin(), taken.end(), [&](const QRect& t) { return r.intersects(t); });
}

std::optional<QPoint> freeSpotBeside(const QRect& served, const QSize& size,
                                     const std::vector<QRect>& taken, const QRect& screen, int gap)
{
    if (size.width() > screen.width() || size.height() > screen.height())
        return std::nullopt;
    // A free place, if any, has its left edge against the screen's or just
    // beside a window's, and the same for its top (or it can slide there).
    std::vector<int> xs{served.right() + 1 + gap, served.left() - gap - size.width(), served.left(),
                        screen.left(), screen.right() + 1 - size.width()};
    std::vector<int> ys{served.top(), served.bottom() + 1 + gap, served.top() - gap - size.height(),
                        screen.top(), screen.bottom() + 1 - size.height()};
    for (const QRect& t : taken) {
        xs.push_back(t.right() + 1 + gap);
        xs.push_back(t.left() - gap - size.width());
        ys.push_back(t.bottom() + 1 + gap);
        ys.push_back(t.top() - gap - size.height());
    }
    std::optional<QPoint> best;
    long bestCost = LONG_MAX;
    // Candidates in order of preference: the first of equal cost wins.
    for (int x : xs)
        for (int y : ys) {
            const QRect r(QPoint(x, y), size);
            if (!screen.contains(r) || coversAny(r, taken))
                continue;
            // How far apart the nearest edges are, then how far it slid
            // along the window's side from its top or left edge.
            const long dx = std::max({0, served.left() - r.right(), r.left() - served.right()});
            const long dy = std::max({0, served.top() - r.bottom(), r.top() - served.bottom()});
            const long slide = dx > 0 ? std::abs(y - served.top()) : std::abs(x - served.left());
            const long cost = (dx + dy) * 4 + slide;
            if (cost < bestCost) {
                bestCost = cost;
                best = r.topLeft();
            }
        }
    return best;
}

} // namespace cv
