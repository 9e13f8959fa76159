// The strip chart's layout and painting: a background pixmap (title, panes,
// value grid, legend names) redrawn only when the layout changes, and per
// frame the time grid, the traces, the figures and the marks over it.
#include "widgets/StripChartImpl.h"
#include "widgets/TracePalette.h"

#include <QComboBox>
#include <QPaintEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <cmath>

namespace cv {

namespace {
constexpr int kMargin = 6;
constexpr int kPaneGap = 8;
const QColor kGrid(0xe3, 0xe3, 0xe3);
const QColor kFrame(0x9a, 0x9a, 0x9a);
const QColor kHoldColor(0xc6, 0x28, 0x28);
} // namespace

const QFont& StripChart::Impl::smallFont() const
{
    // Kept: a font made anew has its metrics looked up in the font
    // database again, at each of a frame's several askings.
    if (!smallReady || !(smallFrom == q->font())) {
        smallReady = true;
        smallFrom = q->font();
        small = smallFrom;
        small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    }
    return small;
}

QFont StripChart::Impl::titleFont() const
{
    QFont f = q->font();
    f.setBold(true);
    return f;
}

void StripChart::Impl::ensureLayout()
{
    updateFrame();
    if (layout.valid && layout.size == q->size() && layout.shown == frame.shown)
        return;
    backgroundValid = false;
    tickLabels.clear(); // their widths in a font that may have changed
    Layout l;
    l.size = q->size();
    l.shown = frame.shown;
    const QFontMetrics small(smallFont());
    const QFontMetrics big(titleFont());
    const int w = q->width(), h = q->height();

    // The top bar: title, rate, span choice and the hold button.
    const int barH =
        std::max({big.height(), spanBox->sizeHint().height(), holdButton->sizeHint().height()});
    int top = kMargin + barH + 4;
    int bottom = h - kMargin - small.height() - 2;
    const int n = plotCount;

    // Panes share the height; value ticks follow from each pane's height,
    // and their labels set the width of the axis.
    std::vector<std::pair<int, int>> spans;
    auto stack = [&] {
        spans.clear();
        l.valueTicks.clear();
        const int avail = std::max(n * 10, bottom - top - (n - 1) * kPaneGap);
        int axisW = small.horizontalAdvance(QStringLiteral("0"));
        int total = 0, above = 0;
        for (int i = 0; i < n; ++i)
            total += plotAt(i).weight;
        for (int i = 0; i < n; ++i) {
            const int y0 = top + above * avail / total + i * kPaneGap;
            above += plotAt(i).weight;
            const int y1 = top + above * avail / total + i * kPaneGap - 1;
            spans.push_back({y0, y1});
            const auto& pl = plotAt(i);
            const int maxTicks = std::max(2, (y1 - y0) * 2 / (small.height() * 3));
            l.valueTicks.push_back(chart::niceTicks(pl.view.lower, pl.view.upper, maxTicks));
            const auto& vt = l.valueTicks.back();
            for (double v : vt.values)
                axisW = std::max(axisW, small.horizontalAdvance(chart::tickText(v, vt.step)));
        }
        return axisW;
    };
    int axisW = stack();

    // A legend entry: swatch, name, then latest, mean, standard deviation
    // and peak-to-peak. It stands below the plots, which so keep the whole
    // width: a wider chart has fewer legend rows and so a plot as wide and
    // taller, never smaller. Only where the rows would take more than half
    // the height does it stand at the right. Only traces with values in view
    // have an entry.
    const int numW = small.horizontalAdvance(QStringLiteral("-00000.00"));
    int nameW = small.horizontalAdvance(QStringLiteral("Trace 00"));
    std::vector<int> order; // by plot, then by number
    for (int pi = 0; pi < n; ++pi)
        for (int t = 0; t < int(traces.size()); ++t)
            if (l.shown[size_t(t)] && plotOf(traces[size_t(t)]) == pi)
                order.push_back(t);
    for (int t : order)
        nameW = std::max(nameW, small.horizontalAdvance(nameOf(t)));
    // A little slack: eliding measures text finer than horizontalAdvance.
    l.nameW = std::min(nameW, small.horizontalAdvance(QStringLiteral("M")) * 17) + 4;
    l.nameDx = 18;
    l.nowDx = l.nameDx + l.nameW + 6 + numW;
    l.meanDx = l.nowDx + 6 + numW;
    l.sdDx = l.meanDx + 6 + numW;
    l.ppDx = l.sdDx + 6 + numW;
    const int entryW = l.ppDx;
    l.rowH = small.height() + 1;
    l.smallAscent = small.ascent();
    l.smallHeight = small.height();
    const int count = int(order.size());
    enum { None, Right, Below } mode = None;
    int columns = 1;
    if (legend && count > 0) {
        columns = std::max(1, (w - 2 * kMargin + 16) / (entryW + 16));
        const int rows = (count + columns - 1) / columns;
        const int legendH = (rows + 1) * l.rowH + 6;
        mode = legendH * 2 > bottom - top ? Right : Below;
        if (mode == Below) {
            bottom -= legendH;
            axisW = stack();
        }
    }

    const int left = kMargin + axisW + 5;
    const int right = w - kMargin - (mode == Right ? entryW + 10 : 0);
    for (const auto& [y0, y1] : spans)
        l.panes.push_back(QRect(QPoint(left, y0), QPoint(std::max(left + 10, right), y1)));

    // Controls at the right end of the bar, the rate before them, the title
    // centred over the plots in what is left.
    const int barY = kMargin;
    const QSize hb = holdButton->sizeHint(), sb = spanBox->sizeHint();
    const int holdX = w - kMargin - hb.width();
    const int spanX = holdX - 4 - sb.width();
    holdButton->setGeometry(holdX, barY + (barH - hb.height()) / 2, hb.width(), hb.height());
    spanBox->setGeometry(spanX, barY + (barH - sb.height()) / 2, sb.width(), sb.height());
    const int rateW = small.horizontalAdvance(QStringLiteral("0000.0 sets/s"));
    l.rateRect = QRect(spanX - 8 - rateW, barY, rateW, barH);
    const int titleRight = std::min(right, l.rateRect.left() - 8);
    l.titleRect = QRect(left, barY, std::max(0, titleRight - left), barH);

    l.entries.assign(traces.size(), QPoint(-1, -1));
    if (mode == Right) {
        // Each plot's traces start level with their pane.
        const int x = w - kMargin - entryW;
        int y = l.panes.front().top() + small.ascent();
        l.headers.push_back(QPoint(x, y));
        y += l.rowH;
        int lastPlot = 0;
        for (int t : order) {
            const int pi = plotOf(traces[size_t(t)]);
            if (pi != lastPlot)
                y = std::max(y + 4, l.panes[size_t(pi)].top() + small.ascent());
            lastPlot = pi;
            l.entries[size_t(t)] = QPoint(x, y);
            y += l.rowH;
        }
    } else if (mode == Below) {
        const int y0 = l.panes.back().bottom() + small.height() + 8 + small.ascent();
        // Read down each column, then on to the next.
        const int rows = (count + columns - 1) / columns;
        for (int c = 0; c * rows < count; ++c)
            l.headers.push_back(QPoint(kMargin + c * (entryW + 16), y0));
        for (int k = 0; k < count; ++k)
            l.entries[size_t(order[size_t(k)])] =
                QPoint(kMargin + (k / rows) * (entryW + 16), y0 + (k % rows + 1) * l.rowH);
    }
    // What paintBackground draws beside the panes, a few pixels to spare.
    if (!title.isEmpty()) {
        // Centred in its rectangle, as wide as its text.
        const QRect& t = l.titleRect;
        const int tw = big.horizontalAdvance(big.elidedText(title, Qt::ElideRight, t.width()));
        l.inked.push_back(
            QRect(t.left() + (t.width() - tw) / 2 - 4, t.top() - 2, tw + 8, t.height() + 4));
    }
    l.inked.push_back(
        QRect(QPoint(0, l.panes.front().top() - small.height()),
              QPoint(l.panes.front().left() - 4, l.panes.back().bottom() + small.height())));
    auto line = [&](const QPoint& at, int width) {
        return QRect(at.x() - 2, at.y() - small.ascent() - 2, width + 4, small.height() + 4);
    };
    for (const QPoint& h : l.headers)
        l.inked.push_back(line(h, l.ppDx));
    // Each legend column's swatches and names in one piece, and its rows
    // whole: a figure wider than its column runs on to the left.
    auto join = [](std::vector<QRect>& into, size_t from, const QRect& r) {
        auto same = std::find_if(into.begin() + ptrdiff_t(from), into.end(),
                                 [&](const QRect& c) { return c.left() == r.left(); });
        if (same == into.end())
            into.push_back(r);
        else
            *same |= r;
    };
    const size_t columnsFrom = l.inked.size();
    for (const QPoint& e : l.entries) {
        if (e.x() < 0)
            continue;
        join(l.inked, columnsFrom, line(e, l.nameDx + l.nameW + 2));
        join(l.rows, 0, line(e, l.ppDx));
    }
    l.valid = true;
    layout = std::move(l);
    layout.values = valuesOnlyRect();
}

QRect StripChart::Impl::valuesOnlyRect() const
{
    const int top = layout.titleRect.bottom() + 1;
    QRect r(0, top, layout.size.width(), layout.size.height() - top);
    if (layout.panes.empty())
        return r;
    // The legend's left and top ends, from its entries and headers.
    int left = INT_MAX, baseline = INT_MAX;
    auto take = [&](const QPoint& e) {
        if (e.x() >= 0) {
            left = std::min(left, e.x());
            baseline = std::min(baseline, e.y());
        }
    };
    for (const QPoint& e : layout.entries)
        take(e);
    for (const QPoint& h : layout.headers)
        take(h);
    const QRect& last = layout.panes.back();
    if (left != INT_MAX) {
        const int upper = baseline - QFontMetrics(smallFont()).ascent();
        if (left > last.right() + 1)
            r.setRight(left - 1); // beside the plots
        else if (upper > last.bottom())
            r.setBottom(upper - 1); // below them and their time axis
    }
    // Nor the value axis: only the panes and the time labels under them
    // (which stay within a few pixels of the panes' ends) move.
    int paneLeft = INT_MAX, paneRight = INT_MIN;
    for (const QRect& pane : layout.panes) {
        paneLeft = std::min(paneLeft, pane.left());
        paneRight = std::max(paneRight, pane.right());
    }
    return r & QRect(QPoint(paneLeft - kMargin, r.top()), QPoint(paneRight + kMargin, r.bottom()));
}

QRegion StripChart::Impl::legendFrame() const
{
    QRegion r(layout.values);
    for (const QRect& row : layout.rows)
        r += row;
    return r;
}

void StripChart::Impl::paintPaneGround(QPainter& p)
{
    const QColor base = q->palette().color(QPalette::Base);
    for (int i = 0; i < plotCount; ++i) {
        const QRect& pane = layout.panes[size_t(i)];
        const auto& pl = plotAt(i);
        // Lines a pixel wide as filled rectangles: a line costs many times more.
        p.fillRect(pane, base);
        for (double v : layout.valueTicks[size_t(i)].values) {
            const int y = int(std::lround(yOf(pl, pane, v)));
            p.fillRect(QRect(pane.left() + 1, y, pane.width() - 2, 1), kGrid);
        }
        p.fillRect(QRect(pane.left(), pane.top(), pane.width(), 1), kFrame);
        p.fillRect(QRect(pane.left(), pane.bottom(), pane.width(), 1), kFrame);
        p.fillRect(QRect(pane.left(), pane.top(), 1, pane.height()), kFrame);
        p.fillRect(QRect(pane.right(), pane.top(), 1, pane.height()), kFrame);
    }
}

void StripChart::Impl::paintAround(QPainter& p, const QRect& area)
{
    // A fill costs less than reading the background, which is mostly the
    // window's ground: that is filled, and only the inked parts copied.
    const QColor ground = q->palette().color(QPalette::Window);
    auto fill = [&](const QRect& r) { p.fillRect(r & area, ground); };
    // Bands above and below each pane, and beside it.
    int top = area.top();
    for (const QRect& pane : layout.panes) {
        fill(QRect(area.left(), top, area.width(), pane.top() - top));
        fill(QRect(area.left(), pane.top(), pane.left() - area.left(), pane.height()));
        fill(QRect(pane.right() + 1, pane.top(), area.right() - pane.right(), pane.height()));
        top = pane.bottom() + 1;
    }
    fill(QRect(area.left(), top, area.width(), area.bottom() + 1 - top));
    const qreal dpr = background.devicePixelRatio();
    for (const QRect& r : layout.inked) {
        const QRect c = r & area;
        if (!c.isEmpty())
            p.drawPixmap(c, background, QRect(QPoint(c.topLeft() * dpr), QSize(c.size() * dpr)));
    }
}

void StripChart::Impl::paintBackground()
{
    const qreal dpr = q->devicePixelRatioF();
    if (background.size() != q->size() * dpr)
        background = QPixmap(q->size() * dpr);
    background.setDevicePixelRatio(dpr);
    const QPalette& pal = q->palette();
    background.fill(pal.color(QPalette::Window));
    QPainter p(&background);
    const QColor text = pal.color(QPalette::WindowText);

    if (!title.isEmpty()) {
        p.setFont(titleFont());
        p.setPen(text);
        p.drawText(
            layout.titleRect, Qt::AlignHCenter | Qt::AlignVCenter,
            QFontMetrics(p.font()).elidedText(title, Qt::ElideRight, layout.titleRect.width()));
    }
    p.setFont(smallFont());
    const QFontMetrics fm(p.font());
    paintPaneGround(p);
    for (int i = 0; i < plotCount; ++i) {
        const QRect& pane = layout.panes[size_t(i)];
        const auto& pl = plotAt(i);
        const auto& vt = layout.valueTicks[size_t(i)];
        p.setPen(text);
        for (double v : vt.values) {
            const int y = int(std::lround(yOf(pl, pane, v)));
            const QRect r(kMargin, y - fm.height() / 2, pane.left() - 5 - kMargin, fm.height());
            p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, chart::tickText(v, vt.step));
        }
    }

    p.setPen(pal.color(QPalette::PlaceholderText));
    for (const QPoint& h : layout.headers) {
        auto right = [&](int dx, const QString& s) {
            p.drawText(h.x() + dx - fm.horizontalAdvance(s), h.y(), s);
        };
        right(layout.nowDx, QStringLiteral("latest"));
        right(layout.meanDx, QStringLiteral("mean"));
        right(layout.sdDx, QStringLiteral("std dev"));
        right(layout.ppDx, QStringLiteral("p-p"));
    }
    p.setPen(text);
    for (int t = 0; t < int(traces.size()); ++t) {
        const QPoint e = layout.entries[size_t(t)];
        if (e.x() < 0)
            continue;
        // Thin enough for a dash to show within the swatch.
        p.setPen(QPen(traces[size_t(t)].color, 2, chart::traceStyle(t), Qt::FlatCap));
        p.drawLine(e.x(), e.y() - fm.ascent() / 2 + 1, e.x() + 14, e.y() - fm.ascent() / 2 + 1);
        p.setPen(text);
        p.drawText(e.x() + layout.nameDx, e.y(),
                   fm.elidedText(nameOf(t), Qt::ElideRight, layout.nameW));
    }
    backgroundValid = true;
}

void StripChart::Impl::paintTimeAxis(QPainter& p)
{
    p.setFont(smallFont());
    const QRect& last = layout.panes.back();
    const double t0 = secondsOf(frame.window.startUs), t1 = secondsOf(frame.window.endUs);
    const auto ticks = chart::niceTicks(t0, t1, std::max(2, last.width() / 80));
    auto xOf = [&](const QRect& pane, double t) {
        return int(std::lround(pane.left() + (t - t0) * (pane.width() - 1) / (t1 - t0)));
    };
    for (const QRect& pane : layout.panes)
        for (double t : ticks.values)
            p.fillRect(QRect(xOf(pane, t), pane.top() + 1, 1, pane.height() - 2), kGrid);
    // Seconds since the first set under the lowest plot; the last label
    // carries the unit.
    p.setPen(q->palette().color(QPalette::WindowText));
    numbers.setFont(p.font());
    drawnLabels.clear();
    for (size_t i = 0; i < ticks.values.size(); ++i) {
        const double v = ticks.values[i];
        const bool unit = i + 1 == ticks.values.size();
        auto kept = std::find_if(tickLabels.begin(), tickLabels.end(), [&](const TickLabel& l) {
            return l.value == v && l.step == ticks.step && l.unit == unit;
        });
        if (kept == tickLabels.end()) {
            QString s = chart::tickText(v, ticks.step);
            if (unit)
                s += QStringLiteral(" s");
            const int tw = int(std::ceil(numbers.width(s)));
            drawnLabels.push_back({v, ticks.step, unit, std::move(s), tw});
        } else {
            drawnLabels.push_back(std::move(*kept));
        }
        const TickLabel& l = drawnLabels.back();
        const int x0 =
            std::clamp(xOf(last, v) - l.width / 2, last.left() - 4, last.right() - l.width + 4);
        numbers.draw(p, QPointF(x0, last.bottom() + 2 + layout.smallAscent), l.text);
    }
    std::swap(tickLabels, drawnLabels);
}

void StripChart::Impl::paintRate(QPainter& p)
{
    // The measured rate in the top bar, right-aligned and centred in height;
    // before the first set, nothing: a stream not yet started has not stalled.
    if (history.size() == 0)
        return;
    numbers.setFont(smallFont());
    const double r = q->rate();
    p.setPen(r > 0 ? q->palette().color(QPalette::WindowText) : kHoldColor);
    const QString rate =
        r > 0 ? QStringLiteral("%1 sets/s").arg(r, 0, 'f', 1) : QStringLiteral("no new sets");
    const QRect& rr = layout.rateRect;
    numbers.draw(p,
                 QPointF(rr.right() + 1 - numbers.width(rate),
                         rr.top() + (rr.height() - layout.smallHeight) / 2 + layout.smallAscent),
                 rate);
}

void StripChart::Impl::paintTraces(QPainter& p)
{
    const auto& w = frame.window;
    // Panes share their columns: one grid, one cache for every plot.
    const int cols = layout.panes.front().width();
    // The first set of each pixel column. Columns lie on a grid fixed in
    // time, so a scrolling picture keeps each column's sets (no shimmer, and
    // the rows of last frame still hold); the grid's offset from the window
    // is below a pixel.
    const double dt = double(w.endUs - w.startUs) / cols;
    const double k0 = std::floor(double(w.startUs - history.originUs()) / dt);
    // A column keeps its slot in the cache while the picture scrolls.
    const int64_t ring = int64_t(k0) % cols + (k0 < 0 ? cols : 0);
    columnSets.resize(size_t(cols) + 1);
    for (int c = 0; c < cols; ++c)
        columnSets[size_t(c)] =
            history.lowerBound(history.originUs() + int64_t(std::llround((k0 + c) * dt)),
                               c ? columnSets[size_t(c) - 1] : 0);
    columnSets[size_t(cols)] = frame.endSet;
    // Where a column spans many blocks of the summary, its edges move to
    // the nearest block edge (a quarter column at most), so its extremes
    // come from the summary alone instead of values scattered in memory.
    constexpr int64_t kB = chart::History::kBlock;
    const bool summarised = frame.endSet - frame.firstSet >= int64_t(cols) * 2 * kB;
    if (summarised)
        for (int c = 1; c < cols; ++c)
            columnSets[size_t(c)] = (columnSets[size_t(c)] + kB / 2) / kB * kB;
    const bool sparse = frame.endSet - frame.firstSet <= cols;
    // Whether a pause lies in each column, the same for every trace.
    columnGap.assign(size_t(cols), 0);
    if (!sparse && !history.gaps().empty())
        for (int c = 0; c < cols; ++c)
            columnGap[size_t(c)] =
                history.firstGapIn(columnSets[size_t(c)], columnSets[size_t(c) + 1]) >= 0;
    if (cachedColumns != cols || columnKeys.size() != size_t(cols) ||
        traceScales.size() != traces.size()) {
        columnKeys.assign(size_t(cols), ColumnKey{});
        columnRows.assign(traces.size() * size_t(cols), ColumnRows{});
        traceScales.assign(traces.size(), TraceScale{});
        cachedColumns = cols;
    }
    // Which columns kept their sets since the last frame. The newest set
    // may still gain values: only closed columns are kept.
    columnKept.resize(size_t(cols));
    for (int c = 0; c < cols && !sparse; ++c) {
        const int64_t a = columnSets[size_t(c)], b = columnSets[size_t(c) + 1];
        const int64_t at = ring + c;
        ColumnKey& key = columnKeys[size_t(at < cols ? at : at - cols)];
        columnKept[size_t(c)] = key.a == a && key.b == b;
        key = b < history.endSet() ? ColumnKey{a, b} : ColumnKey{};
    }
    // A trace not drawn now misses this frame's keys.
    drawnScales.assign(traces.size(), TraceScale{});

    for (int pi = 0; pi < plotCount; ++pi) {
        const QRect& pane = layout.panes[size_t(pi)];
        const Plot& pl = plotAt(pi);
        p.setClipRect(pane.adjusted(1, 1, -1, -1));
        // Keep far-off values near the pane so clipping stays cheap.
        const double yMin = pane.top() - 4.0, yMax = pane.bottom() + 4.0;
        const double top = pane.top(), upper = pl.view.upper;
        const double scale = (pane.height() - 1) / (pl.view.span() > 0 ? pl.view.span() : 1);
        auto y = [&](double v) { return std::clamp(top + (upper - v) * scale, yMin, yMax); };
        const TraceScale paneScale{true, pane.top(), pane.bottom(), upper, scale};
        // xOfTime, with its divisor taken once.
        const double x0 = pane.left();
        const double kx = (pane.width() - 1) / double(std::max<int64_t>(1, w.endUs - w.startUs));
        // A sparse view also draws the sets just beyond its edges, so
        // the lines run on out of the picture.
        const int64_t from = std::max(history.firstSet(), frame.firstSet - 1);
        const int64_t to = std::min(history.endSet(), frame.endSet + 1);
        for (int t = 0; t < int(traces.size()); ++t) {
            if (plotOf(traces[size_t(t)]) != pi || !frame.shown[size_t(t)])
                continue;
            p.setPen(QPen(traces[size_t(t)].color, 1.0, chart::traceStyle(t)));
            if (sparse) {
                // No more sets than columns: a line through every one,
                // antialiased where they are few enough for it to show.
                const bool smooth = to - from < cols / 2;
                p.setRenderHint(QPainter::Antialiasing, smooth);
                auto flush = [&] {
                    // A quarter pixel off is not to be seen (half a pixel where
                    // the line falls on whole pixels), and a flat trace then
                    // costs a few segments.
                    chart::simplifyLine(points, smooth ? 0.25 : 0.5);
                    if (points.size() == 1)
                        p.drawPoint(points.front());
                    else if (!points.empty())
                        p.drawPolyline(points.data(), int(points.size()));
                    points.clear();
                };
                points.clear();
                for (int64_t s = from; s < to; ++s) {
                    if (history.firstGapIn(s, s + 1) == s)
                        flush(); // no line across a pause
                    const double v = history.value(t, s);
                    if (!std::isnan(v))
                        points.emplace_back(x0 + double(history.timeUs(s) - w.startUs) * kx, y(v));
                }
                flush();
                continue;
            }
            // Each column its extremes, entered and left in the order the
            // values ran so the line stays continuous; whole pixels, and
            // straight runs merged, so a flat trace costs a few segments.
            pixels.resize(size_t(cols) * 2);
            QPoint* const out = pixels.data();
            size_t n = 0;
            auto add = [&](int x, int yy) {
                if (n) {
                    const QPoint b = out[n - 1];
                    if (b.x() == x && b.y() == yy)
                        return;
                    if (n >= 2) {
                        const QPoint a = out[n - 2];
                        const bool flat = a.y() == b.y() && b.y() == yy;
                        const bool upright =
                            a.x() == b.x() && b.x() == x && (b.y() - a.y() > 0) == (yy - b.y() > 0);
                        if (flat || upright) {
                            out[n - 1] = QPoint(x, yy);
                            return;
                        }
                    }
                }
                out[n++] = QPoint(x, yy);
            };
            auto flushPixels = [&] {
                if (n == 1)
                    p.drawPoint(out[0]);
                else if (n)
                    p.drawPolyline(out, int(n));
                n = 0;
            };
            // A column whose sets did not move keeps its rows as it scrolls,
            // unless the trace's scale moved.
            const bool keep = traceScales[size_t(t)] == paneScale;
            drawnScales[size_t(t)] = paneScale;
            ColumnRows* const rows = columnRows.data() + size_t(t) * size_t(cols);
            for (int c = 0; c < cols; ++c) {
                const int64_t at = ring + c;
                ColumnRows& r = rows[at < cols ? at : at - cols];
                if (!keep || !columnKept[size_t(c)]) {
                    const auto e =
                        history.extent(t, columnSets[size_t(c)], columnSets[size_t(c) + 1]);
                    const bool rising = e.first <= e.last;
                    r = e.any ? ColumnRows{int(y(rising ? e.min : e.max)),
                                           int(y(rising ? e.max : e.min))}
                              : ColumnRows{};
                }
                // No line across a pause: the column after it starts afresh.
                if (columnGap[size_t(c)])
                    flushPixels();
                if (r.first == ColumnRows::kNone)
                    continue;
                const int x = pane.left() + c;
                add(x, r.first);
                add(x, r.second);
            }
            p.setRenderHint(QPainter::Antialiasing, false);
            flushPixels();
        }
        // Each pause in view as a dashed line; the legend's figures start at
        // the last one.
        p.setPen(QPen(kHoldColor, 1.0, Qt::DashLine));
        for (int64_t g : history.gaps())
            if (g > frame.firstSet && g < frame.endSet) {
                const int x = int(xOfTime(pane, history.timeUs(g)));
                p.drawLine(x, pane.top() + 1, x, pane.bottom() - 1);
                if (pi == 0 && g == frame.statsFirst)
                    p.drawText(x + 3, pane.top() + p.fontMetrics().ascent() + 2,
                               QStringLiteral("figures from here"));
            }
    }
    std::swap(traceScales, drawnScales);
    p.setClipping(false);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void StripChart::Impl::paintLegendValues(QPainter& p)
{
    p.setPen(q->palette().color(QPalette::WindowText));
    numbers.setFont(smallFont());
    const auto& stats = figures();
    for (int t = 0; t < int(traces.size()); ++t) {
        const QPoint e = layout.entries[size_t(t)];
        const auto& r = stats[size_t(t)];
        if (e.x() < 0 || r.count == 0)
            continue;
        // One format for every figure of a plot.
        const int decimals = chart::valueDecimals(plotAt(plotOf(traces[size_t(t)])).view.span());
        auto right = [&](int dx, double v) {
            const QString text = chart::valueText(v, decimals);
            numbers.draw(p, QPointF(e.x() + dx - numbers.width(text), e.y()), text);
        };
        right(layout.nowDx, r.last);
        right(layout.meanDx, r.mean());
        right(layout.sdDx, r.stddev());
        right(layout.ppDx, r.max - r.min);
    }
}

void StripChart::Impl::paintEdgeMarks(QPainter& p)
{
    // A trace whose latest value in view lies beyond the value range shows
    // it at the plot's upper or lower edge, the marks of an edge stacked in
    // its right corner.
    p.setFont(smallFont());
    const QFontMetrics fm(p.font()); // asked only when a trace is marked
    for (int pi = 0; pi < plotCount; ++pi) {
        const QRect& pane = layout.panes[size_t(pi)];
        const Plot& pl = plotAt(pi);
        const int decimals = chart::valueDecimals(pl.view.span());
        for (const bool above : {true, false}) {
            std::vector<int> marked, widths;
            std::vector<QString> texts;
            for (int t = 0; t < int(traces.size()); ++t) {
                const double last = frame.last[size_t(t)];
                if (plotOf(traces[size_t(t)]) != pi || std::isnan(last) ||
                    (above ? last <= pl.view.upper : last >= pl.view.lower))
                    continue;
                texts.push_back((above ? QStringLiteral("\u25B2 ") : QStringLiteral("\u25BC ")) +
                                chart::valueText(last, decimals));
                widths.push_back(fm.horizontalAdvance(texts.back()) + 6);
                marked.push_back(t);
            }
            if (marked.empty())
                continue;
            const auto boxes = chart::stackedBoxes(pane, widths, layout.smallHeight + 1, above);
            for (size_t k = 0; k < boxes.size(); ++k) {
                p.fillRect(boxes[k], QColor(255, 255, 255, 230));
                p.setPen(traces[size_t(marked[k])].color);
                p.drawRect(boxes[k].adjusted(0, 0, -1, -1));
                p.drawText(boxes[k], Qt::AlignCenter, texts[k]);
            }
        }
    }
}

void StripChart::Impl::paintBadges(QPainter& p)
{
    p.setFont(smallFont());
    const QFontMetrics fm(p.font());
    for (int pi = 0; pi < plotCount; ++pi) {
        if (!plotAt(pi).zoomed)
            continue;
        const QRect& pane = layout.panes[size_t(pi)];
        p.setPen(q->palette().color(QPalette::PlaceholderText));
        p.drawText(pane.left() + 5, pane.bottom() - 3 - fm.descent(),
                   QStringLiteral("zoomed (double click resets)"));
    }
    if (!heldEndUs)
        return;
    QFont f = smallFont();
    f.setBold(true);
    p.setFont(f);
    const QFontMetrics bm(f);
    const QString text = QStringLiteral("HOLD - still recording; press Hold for live");
    const QRect& pane = layout.panes.front();
    const QRect badge(pane.left() + 4, pane.top() + 4, bm.horizontalAdvance(text) + 12,
                      bm.height() + 2);
    p.fillRect(badge, kHoldColor);
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, text);
    // A held chart is also framed in the badge's colour.
    p.setPen(QPen(kHoldColor, 2));
    for (const QRect& r : layout.panes)
        p.drawRect(r.adjusted(1, 1, -1, -1));
}

void StripChart::paintEvent(QPaintEvent* event)
{
    d_->ensureLayout();
    if (!d_->backgroundValid || d_->background.size() != size() * devicePixelRatioF())
        d_->paintBackground();
    QPainter p(this);
    // Every frame fills and rules the panes afresh, which costs less than
    // copying them: a fill writes only, and the copy's reads of a pixmap as
    // large as the chart miss the cache when other windows painted between
    // two frames (measured). A clip of several rectangles makes every fill
    // a walk of spans: a frame repainting several parts paints each under a
    // clip of one.
    const QRegion& region = event->region();
    const bool several = region.rectCount() > 1;
    for (const QRect& r : region) {
        if (several)
            p.setClipRect(r);
        d_->paintAround(p, r);
    }
    const QRect& values = d_->valuesRect();
    if (several)
        p.setClipRect(values);
    d_->paintPaneGround(p);
    d_->paintTimeAxis(p);
    d_->paintTraces(p);
    // A frame of new values leaves the legend out but where its figures are due.
    if (!values.contains(event->rect())) {
        if (several) {
            QRect rows;
            for (const QRect& r : d_->layout.rows)
                rows |= r;
            p.setClipRect(rows);
        }
        d_->paintLegendValues(p);
    }
    if (several)
        p.setClipRect(values);
    d_->paintEdgeMarks(p);
    d_->paintBadges(p);
    if (several)
        p.setClipping(false);
    // A frame of new values leaves out the top bar, and with it the rate.
    if (event->rect().intersects(d_->layout.rateRect))
        d_->paintRate(p);
    d_->paintCrossHair(p);
}

} // namespace cv
