#include "widgets/StripChart.h"

#include "platform/OpenFiles.h"
#include "platform/Services.h"
#include "widgets/StripChartData.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

namespace cv {

using chart::ColumnExtent;
using chart::TraceRing;
using chart::ValueRange;

namespace {
// Repaints follow appends at most this often (about the display rate).
constexpr int kFrameMs = 16;
constexpr int kMargin = 6;
constexpr int kPaneGap = 8;
// Each wheel notch shows this much of the range (or its inverse out).
constexpr double kWheelZoom = 0.8;

const QString kPngFilter = QStringLiteral("PNG Images(*.png)|*.png|All Files (*.*)|*.*");
const QString kCsvFilter = QStringLiteral("CSV Files(*.csv)|*.csv|All Files (*.*)|*.*");
const QString kPngError = QStringLiteral("Error: Cannot Save Chart to File");
const QString kCsvError = QStringLiteral("Error: Cannot Save Values to File");

// Distinct colours for traces the windows leave uncoloured.
QColor defaultColor(int trace)
{
    static const QColor colors[] = {
        QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
        QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
        QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22),
        QColor(0x17, 0xbe, 0xcf), QColor(0x00, 0x00, 0x80), QColor(0x80, 0x00, 0x00)};
    return colors[trace % int(std::size(colors))];
}
} // namespace

struct StripChart::Impl {
    struct Trace {
        TraceRing ring;
        int plot = 0;
        QColor color;
        QString name;
        int64_t pushedAtHold = 0; // the ring's clock when hold began
    };
    struct Plot {
        ValueRange set{0, 100};
        std::optional<ValueRange> outer; // follows the set bounds until set
        ValueRange view{0, 100};
        bool zoomed = false;
        ValueRange limit() const { return chart::zoomLimit(set, outer.value_or(set)); }
    };
    struct Layout {
        bool valid = false;
        QSize size;
        QRect titleRect;
        std::vector<QRect> panes;
        std::vector<chart::Ticks> valueTicks;
        chart::Ticks timeTicks;
        // Legend: per trace the left end and baseline of its entry (x -1:
        // none), the header lines, and the columns relative to an entry.
        std::vector<QPoint> entries;
        std::vector<QPoint> headers;
        int nameDx = 0, nameW = 0, nowDx = 0, meanDx = 0, ppDx = 0, rowH = 0;
    };

    StripChart* q;
    std::vector<Trace> traces;
    std::vector<Plot> plots{Plot{}}; // may hold bounds of plots beyond plotCount
    int plotCount = 1;
    int selected = 0, length = 200, buffer = 200;
    bool hold = false, legend = true;
    QString title;
    QTimer frame;
    bool frameArmed = false; // cheaper to ask than the timer, once per append
    Layout layout;
    QPixmap background;
    bool backgroundValid = false;
    std::optional<QPoint> cursor;
    bool pressToggledHold = false;
    // Reused between frames so painting allocates nothing once warm.
    std::vector<ColumnExtent> columns;
    std::vector<uint8_t> has;
    std::vector<QPointF> points;
    std::vector<QPoint> pixels;

    explicit Impl(StripChart* owner) : q(owner) {}

    bool valid(int trace) const { return trace >= 0 && trace < int(traces.size()); }
    Plot& plot(int i)
    {
        i = std::max(0, i);
        if (i >= int(plots.size()))
            plots.resize(size_t(i) + 1);
        return plots[size_t(i)];
    }
    const Plot& plotAt(int i) const
    {
        static const Plot none;
        return i >= 0 && i < int(plots.size()) ? plots[size_t(i)] : none;
    }
    int plotOf(const Trace& t) const { return std::clamp(t.plot, 0, plotCount - 1); }
    // How far back from the newest value the shown span ends: 0 unless held.
    int skip(const Trace& t) const
    {
        if (!hold)
            return 0;
        return int(std::min<int64_t>(t.ring.pushed() - t.pushedAtHold, t.ring.size()));
    }
    QString nameOf(int i) const
    {
        const auto& n = traces[size_t(i)].name;
        return n.isEmpty() ? QStringLiteral("Trace %1").arg(i) : n;
    }

    // Something drawn changed: repaint at the next frame, never at once.
    void schedule()
    {
        if (!frameArmed) {
            frameArmed = true;
            frame.start();
        }
    }
    // Something in the frame, grid or legend layout changed.
    void relayout()
    {
        layout.valid = false;
        backgroundValid = false;
        schedule();
    }

    QFont smallFont() const
    {
        QFont f = q->font();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() - 1));
        return f;
    }
    QFont titleFont() const
    {
        QFont f = q->font();
        f.setBold(true);
        return f;
    }

    double yOf(const Plot& p, const QRect& pane, double v) const
    {
        const double span = p.view.span() > 0 ? p.view.span() : 1;
        return pane.top() + (p.view.upper - v) / span * (pane.height() - 1);
    }
    double valueAtY(const Plot& p, const QRect& pane, double y) const
    {
        return p.view.upper - (y - pane.top()) / std::max(1, pane.height() - 1) * p.view.span();
    }
    // x of slot k of the span (0 = oldest, length-1 = newest).
    double xOfSlot(const QRect& pane, double slot) const
    {
        return length > 1 ? pane.left() + slot * (pane.width() - 1) / (length - 1) : pane.right();
    }
    int slotAtX(const QRect& pane, int x) const
    {
        if (length <= 1)
            return 0;
        const double s = double(x - pane.left()) * (length - 1) / std::max(1, pane.width() - 1);
        return std::clamp(int(std::lround(s)), 0, length - 1);
    }
    int paneAt(const QPoint& pos)
    {
        ensureLayout();
        for (int i = 0; i < int(layout.panes.size()); ++i)
            if (layout.panes[size_t(i)].contains(pos))
                return i;
        return -1;
    }

    // The cross-hair's lines: trace -1 for the heading, else the trace.
    std::vector<std::pair<int, QString>> readOut(const QPoint& pos);

    void ensureLayout();
    void paintBackground();
    void paintTraces(QPainter& p);
    void paintLegendValues(QPainter& p);
    void paintCrossHair(QPainter& p);
    void paintBadges(QPainter& p);
};

void StripChart::Impl::ensureLayout()
{
    if (layout.valid && layout.size == q->size())
        return;
    backgroundValid = false;
    Layout l;
    l.size = q->size();
    const QFontMetrics small(smallFont());
    const QFontMetrics big(titleFont());
    const int w = q->width(), h = q->height();

    int top = kMargin;
    if (!title.isEmpty()) {
        l.titleRect = QRect(kMargin, kMargin, w - 2 * kMargin, big.height());
        top += big.height() + 4;
    } else {
        top += small.height() / 2; // room for the top tick label
    }
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
        for (int i = 0; i < n; ++i) {
            const int y0 = top + i * avail / n + i * kPaneGap;
            const int y1 = top + (i + 1) * avail / n + i * kPaneGap - 1;
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

    // A legend entry: swatch, name, then latest, mean and peak-to-peak. It
    // stands at the right while the plots keep most of the width, else below.
    const int numW = small.horizontalAdvance(QStringLiteral("-00000.0"));
    int nameW = small.horizontalAdvance(QStringLiteral("Trace 00"));
    for (int i = 0; i < int(traces.size()); ++i)
        nameW = std::max(nameW, small.horizontalAdvance(nameOf(i)));
    // A little slack: eliding measures text finer than horizontalAdvance.
    l.nameW = std::min(nameW, small.horizontalAdvance(QStringLiteral("M")) * 17) + 4;
    l.nameDx = 18;
    l.nowDx = l.nameDx + l.nameW + 6 + numW;
    l.meanDx = l.nowDx + 6 + numW;
    l.ppDx = l.meanDx + 6 + numW;
    const int entryW = l.ppDx;
    l.rowH = small.height() + 1;
    const int traceCount = int(traces.size());
    enum { None, Right, Below } mode = None;
    int columns = 1;
    if (legend && traceCount > 0) {
        mode = w - 2 * kMargin - axisW - 15 - entryW >= w * 55 / 100 ? Right : Below;
        if (mode == Below) {
            columns = std::max(1, (w - 2 * kMargin + 16) / (entryW + 16));
            const int rows = (traceCount + columns - 1) / columns;
            bottom -= (rows + 1) * l.rowH + 6;
            axisW = stack();
        }
    }

    const int left = kMargin + axisW + 5;
    const int right = w - kMargin - (mode == Right ? entryW + 10 : 0);
    for (const auto& [y0, y1] : spans)
        l.panes.push_back(QRect(QPoint(left, y0), QPoint(std::max(left + 10, right), y1)));
    if (!title.isEmpty())
        l.titleRect = QRect(left, kMargin, right - left, big.height());
    const int width = l.panes.front().width();
    l.timeTicks = chart::niceTicks(-(length - 1), 0, std::max(2, width / 70));

    l.entries.assign(traces.size(), QPoint(-1, -1));
    // Traces in legend order: by plot, then by number.
    std::vector<int> order;
    for (int pi = 0; pi < n; ++pi)
        for (int t = 0; t < traceCount; ++t)
            if (plotOf(traces[size_t(t)]) == pi)
                order.push_back(t);
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
        const int rows = (traceCount + columns - 1) / columns;
        for (int c = 0; c * rows < traceCount; ++c)
            l.headers.push_back(QPoint(kMargin + c * (entryW + 16), y0));
        for (int k = 0; k < int(order.size()); ++k)
            l.entries[size_t(order[size_t(k)])] =
                QPoint(kMargin + (k / rows) * (entryW + 16), y0 + (k % rows + 1) * l.rowH);
    }
    l.valid = true;
    layout = std::move(l);
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
    const QColor grid(0xe3, 0xe3, 0xe3), frameColor(0x9a, 0x9a, 0x9a);
    const QColor text = pal.color(QPalette::WindowText);

    if (!title.isEmpty()) {
        p.setFont(titleFont());
        p.setPen(text);
        p.drawText(layout.titleRect, Qt::AlignHCenter | Qt::AlignVCenter, title);
    }
    p.setFont(smallFont());
    const QFontMetrics fm(p.font());
    for (int i = 0; i < plotCount; ++i) {
        const QRect& pane = layout.panes[size_t(i)];
        const auto& pl = plotAt(i);
        p.fillRect(pane, pal.color(QPalette::Base));
        p.setPen(grid);
        const auto& vt = layout.valueTicks[size_t(i)];
        for (double v : vt.values) {
            const int y = int(std::lround(yOf(pl, pane, v)));
            p.drawLine(pane.left() + 1, y, pane.right() - 1, y);
        }
        for (double t : layout.timeTicks.values) {
            const int x = int(std::lround(xOfSlot(pane, length - 1 + t)));
            p.drawLine(x, pane.top() + 1, x, pane.bottom() - 1);
        }
        p.setPen(frameColor);
        p.drawRect(pane.adjusted(0, 0, -1, -1));
        p.setPen(text);
        for (double v : vt.values) {
            const int y = int(std::lround(yOf(pl, pane, v)));
            const QRect r(kMargin, y - fm.height() / 2, pane.left() - 5 - kMargin, fm.height());
            p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, chart::tickText(v, vt.step));
        }
    }
    // Sample ages under the lowest plot; 0 is the newest.
    const QRect& last = layout.panes.back();
    for (double t : layout.timeTicks.values) {
        const int x = int(std::lround(xOfSlot(last, length - 1 + t)));
        const QString s = chart::tickText(t, layout.timeTicks.step);
        const int tw = fm.horizontalAdvance(s);
        const int x0 = std::clamp(x - tw / 2, last.left() - 4, last.right() - tw + 4);
        p.drawText(x0, last.bottom() + 2 + fm.ascent(), s);
    }

    p.setPen(pal.color(QPalette::PlaceholderText));
    for (const QPoint& h : layout.headers) {
        auto right = [&](int dx, const QString& s) {
            p.drawText(h.x() + dx - fm.horizontalAdvance(s), h.y(), s);
        };
        right(layout.nowDx, QStringLiteral("latest"));
        right(layout.meanDx, QStringLiteral("mean"));
        right(layout.ppDx, QStringLiteral("p-p"));
    }
    p.setPen(text);
    for (int t = 0; t < int(traces.size()); ++t) {
        const QPoint e = layout.entries[size_t(t)];
        if (e.x() < 0)
            continue;
        p.fillRect(QRect(e.x(), e.y() - fm.ascent() / 2, 13, 3), traces[size_t(t)].color);
        p.drawText(e.x() + layout.nameDx, e.y(),
                   fm.elidedText(nameOf(t), Qt::ElideRight, layout.nameW));
    }
    backgroundValid = true;
}

void StripChart::Impl::paintTraces(QPainter& p)
{
    for (int pi = 0; pi < plotCount; ++pi) {
        const QRect& pane = layout.panes[size_t(pi)];
        const Plot& pl = plotAt(pi);
        const QRect inner = pane.adjusted(1, 1, -1, -1);
        p.setClipRect(inner);
        const int cols = pane.width();
        // Keep far-off values near the pane so clipping stays cheap; a value
        // that is no number (NaN) lands at the top edge instead of anywhere.
        const double yMin = pane.top() - 4.0, yMax = pane.bottom() + 4.0;
        auto y = [&](double v) {
            const double r = yOf(pl, pane, v);
            return r >= yMin ? (r <= yMax ? r : yMax) : yMin;
        };
        for (const auto& t : traces) {
            if (plotOf(t) != pi)
                continue;
            const int sk = skip(t);
            const auto runs = t.ring.runs(sk, length);
            const int n = runs.na + runs.nb;
            if (n == 0)
                continue;
            p.setPen(QPen(t.color, 1.0));
            if (length <= cols) {
                // No more samples than columns: a line through every one,
                // antialiased where they are few enough for it to show.
                points.clear();
                int slot = length - n;
                auto add = [&](const double* v, int k) {
                    for (int i = 0; i < k; ++i, ++slot)
                        points.emplace_back(xOfSlot(pane, slot), y(v[i]));
                };
                add(runs.a, runs.na);
                add(runs.b, runs.nb);
                p.setRenderHint(QPainter::Antialiasing, n < cols / 2);
                if (points.size() == 1)
                    p.drawPoint(points.front());
                else
                    p.drawPolyline(points.data(), int(points.size()));
                continue;
            }
            // Each column its extremes, entered and left in the order the
            // samples ran so the line stays continuous; whole pixels, and
            // straight runs merged, so a flat trace costs a few segments.
            chart::reduceColumns(t.ring, length, sk, cols, columns, has);
            pixels.clear();
            auto add = [&](QPoint q) {
                const size_t k = pixels.size();
                if (k && pixels[k - 1] == q)
                    return;
                if (k >= 2) {
                    const QPoint a = pixels[k - 2], b = pixels[k - 1];
                    const bool flat = a.y() == b.y() && b.y() == q.y();
                    const bool upright = a.x() == b.x() && b.x() == q.x() &&
                                         (b.y() - a.y() > 0) == (q.y() - b.y() > 0);
                    if (flat || upright) {
                        pixels[k - 1] = q;
                        return;
                    }
                }
                pixels.push_back(q);
            };
            for (int c = 0; c < cols; ++c) {
                if (!has[size_t(c)])
                    continue;
                const auto& e = columns[size_t(c)];
                const int x = pane.left() + c;
                add(QPoint(x, int(y(e.rising ? e.lo : e.hi))));
                add(QPoint(x, int(y(e.rising ? e.hi : e.lo))));
            }
            p.setRenderHint(QPainter::Antialiasing, false);
            if (pixels.size() == 1)
                p.drawPoint(pixels.front());
            else
                p.drawPolyline(pixels.data(), int(pixels.size()));
        }
    }
    p.setClipping(false);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void StripChart::Impl::paintLegendValues(QPainter& p)
{
    p.setFont(smallFont());
    p.setPen(q->palette().color(QPalette::WindowText));
    const QFontMetrics fm(p.font());
    for (int t = 0; t < int(traces.size()); ++t) {
        const QPoint e = layout.entries[size_t(t)];
        if (e.x() < 0)
            continue;
        const auto& tr = traces[size_t(t)];
        const TraceStats s = chart::spanStats(tr.ring, length, skip(tr));
        if (s.count == 0)
            continue;
        auto right = [&](int dx, const QString& text) {
            p.drawText(e.x() + dx - fm.horizontalAdvance(text), e.y(), text);
        };
        right(layout.nowDx, chart::valueText(s.latest));
        right(layout.meanDx, chart::valueText(s.mean));
        right(layout.ppDx, chart::valueText(s.peakToPeak()));
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
        p.drawText(pane.left() + 5, pane.top() + 3 + fm.ascent(),
                   QStringLiteral("zoomed (double click resets)"));
    }
    if (!hold)
        return;
    QFont f = smallFont();
    f.setBold(true);
    p.setFont(f);
    const QFontMetrics bm(f);
    const QString text = QStringLiteral("HOLD");
    const QRect& pane = layout.panes.front();
    const QRect badge(pane.right() - bm.horizontalAdvance(text) - 16, pane.top() + 4,
                      bm.horizontalAdvance(text) + 12, bm.height() + 2);
    p.fillRect(badge, QColor(0xc6, 0x28, 0x28));
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, text);
    // A held chart is also framed in the badge's colour.
    p.setPen(QPen(QColor(0xc6, 0x28, 0x28), 2));
    for (const QRect& r : layout.panes)
        p.drawRect(r.adjusted(1, 1, -1, -1));
}

void StripChart::Impl::paintCrossHair(QPainter& p)
{
    if (!cursor)
        return;
    const auto lines = readOut(*cursor);
    if (lines.empty())
        return;
    const QRect& pane = layout.panes[size_t(paneAt(*cursor))];
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1, Qt::DashLine));
    const int x = cursor->x();
    for (const QRect& r : layout.panes)
        p.drawLine(x, r.top() + 1, x, r.bottom() - 1);
    p.drawLine(pane.left() + 1, cursor->y(), pane.right() - 1, cursor->y());

    // A dot on each trace where the cross-hair meets it.
    const int age = length - 1 - slotAtX(pane, x);
    const double dotX = xOfSlot(pane, length - 1 - age);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (const auto& t : traces) {
        const int a = skip(t) + age;
        const int pi = plotOf(t);
        if (a >= t.ring.size())
            continue;
        const double dotY = yOf(plotAt(pi), layout.panes[size_t(pi)], t.ring.at(a));
        if (!layout.panes[size_t(pi)].contains(QPoint(int(dotX), int(dotY))))
            continue;
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(t.color);
        p.drawEllipse(QPointF(dotX, dotY), 3, 3);
    }
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);

    p.setFont(smallFont());
    const QFontMetrics fm(p.font());
    constexpr int kMark = 16; // colour mark before a trace's line
    int w = 0;
    for (const auto& [trace, text] : lines)
        w = std::max(w, fm.horizontalAdvance(text) + (trace >= 0 ? kMark : 0));
    const int lineH = fm.height();
    QRect box(0, 0, w + 12, lineH * int(lines.size()) + 6);
    box.moveTopLeft(*cursor + QPoint(14, 14));
    if (box.right() > q->width() - 2)
        box.moveRight(cursor->x() - 14);
    if (box.bottom() > q->height() - 2)
        box.moveBottom(q->height() - 4);
    box.moveTop(std::max(0, box.top()));
    p.setPen(QColor(0x9a, 0x9a, 0x9a));
    p.setBrush(QColor(255, 255, 230, 240));
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    int y = box.top() + 3 + fm.ascent();
    const QColor text = q->palette().color(QPalette::ToolTipText);
    for (const auto& [trace, line] : lines) {
        int tx = box.left() + 6;
        if (trace >= 0) {
            p.fillRect(QRect(tx, y - fm.ascent() / 2, 11, 3), traces[size_t(trace)].color);
            tx += kMark;
        }
        p.setPen(text);
        p.drawText(tx, y, line);
        y += lineH;
    }
}

StripChart::StripChart(QWidget* parent) : QWidget(parent), d_(std::make_unique<Impl>(this))
{
    d_->frame.setInterval(kFrameMs);
    d_->frame.setSingleShot(true);
    connect(&d_->frame, &QTimer::timeout, this, [this] {
        d_->frameArmed = false;
        update();
    });
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setTraceCount(1);
}

StripChart::~StripChart() = default;

void StripChart::setTraceCount(int traces)
{
    d_->traces.clear();
    d_->traces.resize(size_t(std::max(0, traces)));
    for (int i = 0; i < int(d_->traces.size()); ++i) {
        auto& t = d_->traces[size_t(i)];
        t.ring.setCapacity(d_->buffer);
        t.color = defaultColor(i);
    }
    d_->selected = 0;
    d_->relayout();
}
int StripChart::traceCount() const
{
    return int(d_->traces.size());
}
void StripChart::setPlotCount(int plots)
{
    d_->plotCount = std::max(1, plots);
    d_->plot(d_->plotCount - 1);
    d_->relayout();
}
int StripChart::plotCount() const
{
    return d_->plotCount;
}
void StripChart::setTracePlot(int trace, int plot)
{
    if (!d_->valid(trace))
        return;
    if (d_->traces[size_t(trace)].plot == std::max(0, plot))
        return;
    d_->traces[size_t(trace)].plot = std::max(0, plot);
    d_->relayout();
}
// The windows may repeat a setting on every pass: only a change costs a
// new layout.
void StripChart::setTitle(const QString& title)
{
    if (d_->title == title)
        return;
    d_->title = title;
    d_->relayout();
}
QString StripChart::title() const
{
    return d_->title;
}
void StripChart::setTraceName(int trace, const QString& name)
{
    if (!d_->valid(trace) || d_->traces[size_t(trace)].name == name)
        return;
    d_->traces[size_t(trace)].name = name;
    d_->relayout();
}
void StripChart::setLegendVisible(bool visible)
{
    d_->legend = visible;
    d_->relayout();
}

void StripChart::clear()
{
    for (auto& t : d_->traces) {
        t.ring.clear();
        t.pushedAtHold = t.ring.pushed();
    }
    d_->schedule();
}
void StripChart::selectTrace(int trace)
{
    if (d_->valid(trace))
        d_->selected = trace;
}
int StripChart::selectedTrace() const
{
    return d_->selected;
}
void StripChart::setTraceColor(const QColor& color)
{
    setTraceColor(d_->selected, color);
}
void StripChart::setTraceColor(int trace, const QColor& color)
{
    if (!d_->valid(trace))
        return;
    auto& c = d_->traces[size_t(trace)].color;
    // The windows set the colour before every append: only a change costs.
    if (c == color)
        return;
    c = color;
    d_->backgroundValid = false;
    d_->schedule();
}
QColor StripChart::traceColor(int trace) const
{
    return d_->valid(trace) ? d_->traces[size_t(trace)].color : QColor();
}
void StripChart::append(double value)
{
    append(d_->selected, value);
}
void StripChart::append(int trace, double value)
{
    if (!d_->valid(trace))
        return;
    d_->traces[size_t(trace)].ring.push(value);
    // A held chart keeps its picture; the values still go into the ring.
    if (!d_->hold)
        d_->schedule();
}
void StripChart::setLength(int points)
{
    if (d_->length == std::max(1, points))
        return;
    d_->length = std::max(1, points);
    if (d_->buffer < d_->length)
        setBufferLength(d_->length);
    d_->relayout();
}
void StripChart::setBufferLength(int points)
{
    const int buffer = std::max(d_->length, std::max(1, points));
    if (buffer == d_->buffer)
        return;
    d_->buffer = buffer;
    for (auto& t : d_->traces)
        t.ring.resize(d_->buffer);
    d_->schedule();
}
int StripChart::length() const
{
    return d_->length;
}
int StripChart::bufferLength() const
{
    return d_->buffer;
}
bool StripChart::hold() const
{
    return d_->hold;
}
void StripChart::setHold(bool hold)
{
    if (d_->hold == hold)
        return;
    d_->hold = hold;
    for (auto& t : d_->traces)
        t.pushedAtHold = t.ring.pushed();
    d_->schedule();
    emit holdChanged(hold);
}

void StripChart::setBounds(double lower, double upper, int plot)
{
    auto& p = d_->plot(plot);
    const ValueRange set{std::min(lower, upper), std::max(lower, upper)};
    if (p.set == set)
        return;
    p.set = set;
    if (!p.zoomed)
        p.view = p.set;
    else
        p.view = chart::zoomRange(p.view, p.view.lower, 1.0, p.limit());
    d_->relayout();
}
void StripChart::setOuterBounds(double lower, double upper, int plot)
{
    auto& p = d_->plot(plot);
    const ValueRange outer{std::min(lower, upper), std::max(lower, upper)};
    if (p.outer == outer)
        return;
    p.outer = outer;
    if (p.zoomed) {
        p.view = chart::zoomRange(p.view, p.view.lower, 1.0, p.limit());
        d_->relayout();
    }
}
double StripChart::lowerBound(int plot) const
{
    return d_->plotAt(plot).set.lower;
}
double StripChart::upperBound(int plot) const
{
    return d_->plotAt(plot).set.upper;
}
double StripChart::outerLowerBound(int plot) const
{
    const auto& p = d_->plotAt(plot);
    return p.outer.value_or(p.set).lower;
}
double StripChart::outerUpperBound(int plot) const
{
    const auto& p = d_->plotAt(plot);
    return p.outer.value_or(p.set).upper;
}
double StripChart::viewLowerBound(int plot) const
{
    return d_->plotAt(plot).view.lower;
}
double StripChart::viewUpperBound(int plot) const
{
    return d_->plotAt(plot).view.upper;
}
bool StripChart::zoomed(int plot) const
{
    return d_->plotAt(plot).zoomed;
}

void StripChart::zoomValueAxis(int plot, double anchor, double factor)
{
    if (plot < 0 || plot >= d_->plotCount || !(factor > 0))
        return;
    auto& p = d_->plot(plot);
    p.view = chart::zoomRange(p.view, anchor, factor, p.limit());
    p.zoomed = !(p.view == p.set);
    d_->relayout();
}
void StripChart::resetZoom(int plot)
{
    for (int i = 0; i < d_->plotCount; ++i) {
        if (plot >= 0 && i != plot)
            continue;
        auto& p = d_->plot(i);
        p.view = p.set;
        p.zoomed = false;
    }
    d_->relayout();
}

int StripChart::pointCount(int trace) const
{
    return d_->valid(trace) ? d_->traces[size_t(trace)].ring.size() : 0;
}
double StripChart::point(int trace, int age) const
{
    if (!d_->valid(trace))
        return 0;
    const auto& r = d_->traces[size_t(trace)].ring;
    return age >= 0 && age < r.size() ? r.at(age) : 0;
}
TraceStats StripChart::visibleStats(int trace) const
{
    if (!d_->valid(trace))
        return {};
    const auto& t = d_->traces[size_t(trace)];
    return chart::spanStats(t.ring, d_->length, d_->skip(t));
}

bool StripChart::saveVisibleCsv(const QString& path) const
{
    std::vector<QString> names;
    std::vector<const TraceRing*> rings;
    std::vector<int> skips;
    for (int i = 0; i < traceCount(); ++i) {
        names.push_back(d_->nameOf(i));
        rings.push_back(&d_->traces[size_t(i)].ring);
        skips.push_back(d_->skip(d_->traces[size_t(i)]));
    }
    return writeWholeFile(path, chart::visibleCsv(names, rings, skips, d_->length).toUtf8());
}

QRect StripChart::plotRect(int plot) const
{
    d_->ensureLayout();
    return plot >= 0 && plot < int(d_->layout.panes.size()) ? d_->layout.panes[size_t(plot)]
                                                            : QRect();
}

std::vector<std::pair<int, QString>> StripChart::Impl::readOut(const QPoint& pos)
{
    std::vector<std::pair<int, QString>> lines;
    const int pi = paneAt(pos);
    if (pi < 0)
        return lines;
    const QRect& pane = layout.panes[size_t(pi)];
    const int age = length - 1 - slotAtX(pane, pos.x());
    // The sample as the time axis counts it, and the value at the cursor's height.
    lines.emplace_back(-1, QStringLiteral("sample %1   cursor %2")
                               .arg(-age)
                               .arg(chart::valueText(valueAtY(plotAt(pi), pane, pos.y()))));
    for (int i = 0; i < int(traces.size()); ++i) {
        const auto& t = traces[size_t(i)];
        const int a = skip(t) + age;
        if (a < t.ring.size())
            lines.emplace_back(
                i, QStringLiteral("%1: %2").arg(nameOf(i), chart::valueText(t.ring.at(a))));
    }
    return lines;
}

QStringList StripChart::readOut(const QPoint& pos) const
{
    QStringList lines;
    for (const auto& [trace, text] : d_->readOut(pos))
        lines << text;
    return lines;
}

bool StripChart::savePng(const QString& path)
{
    // The picture without the cursor's marks.
    const auto cursor = d_->cursor;
    d_->cursor.reset();
    const QPixmap pixmap = grab();
    d_->cursor = cursor;
    // Encoded first, then written and checked as one piece.
    QByteArray png;
    QBuffer buffer(&png);
    return pixmap.save(&buffer, "PNG") && writeWholeFile(path, png);
}

namespace {
// Asks for a path through the service layer, saves, and says so when the
// file cannot be written. Cancelling the dialog does nothing.
void askAndSave(const QString& title, const QString& filter, const QString& error,
                const std::function<bool(const QString&)>& save)
{
    FileDialogRequest r;
    r.save = true;
    r.title = title;
    r.filter = filter;
    const auto path = services().fileDialog(r);
    if (path && !save(*path))
        services().message(error, MsgIcon::None, kAppTitle, MsgButtons::Ok);
}
} // namespace

void StripChart::saveAsPng()
{
    askAndSave(QStringLiteral("Save as PNG"), kPngFilter, kPngError,
               [this](const QString& path) { return savePng(path); });
}

void StripChart::saveVisibleDataAsCsv()
{
    askAndSave(QStringLiteral("Save visible data as CSV"), kCsvFilter, kCsvError,
               [this](const QString& path) { return saveVisibleCsv(path); });
}

QMenu* StripChart::createContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    connect(menu->addAction(QStringLiteral("Save as PNG")), &QAction::triggered, this,
            &StripChart::saveAsPng);
    connect(menu->addAction(QStringLiteral("Save visible data as CSV")), &QAction::triggered, this,
            &StripChart::saveVisibleDataAsCsv);
    return menu;
}

void StripChart::paintEvent(QPaintEvent*)
{
    d_->ensureLayout();
    if (!d_->backgroundValid || d_->background.size() != size() * devicePixelRatioF())
        d_->paintBackground();
    QPainter p(this);
    p.drawPixmap(0, 0, d_->background);
    d_->paintTraces(p);
    d_->paintLegendValues(p);
    d_->paintBadges(p);
    d_->paintCrossHair(p);
}

void StripChart::mousePressEvent(QMouseEvent* event)
{
    d_->pressToggledHold = false;
    if (event->button() == Qt::LeftButton && d_->paneAt(event->position().toPoint()) >= 0) {
        setHold(!d_->hold);
        d_->pressToggledHold = true;
    }
}

void StripChart::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The first click of the pair toggled hold; a double click leaves it as it was.
    if (d_->pressToggledHold)
        setHold(!d_->hold);
    d_->pressToggledHold = false;
    resetZoom(d_->paneAt(event->position().toPoint()));
}

void StripChart::mouseMoveEvent(QMouseEvent* event)
{
    d_->cursor = event->position().toPoint();
    if (d_->paneAt(*d_->cursor) >= 0)
        setCursor(Qt::CrossCursor);
    else
        unsetCursor();
    d_->schedule();
}

void StripChart::leaveEvent(QEvent*)
{
    d_->cursor.reset();
    d_->schedule();
}

void StripChart::wheelEvent(QWheelEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const int pi = d_->paneAt(pos);
    const double steps = event->angleDelta().y() / 120.0;
    if (pi < 0 || steps == 0) {
        event->ignore();
        return;
    }
    const double anchor = d_->valueAtY(d_->plotAt(pi), d_->layout.panes[size_t(pi)], pos.y());
    zoomValueAxis(pi, anchor, std::pow(kWheelZoom, steps));
    event->accept();
}

void StripChart::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QSize StripChart::sizeHint() const
{
    return QSize(600, 300);
}

void StripChart::resizeEvent(QResizeEvent*)
{
    d_->relayout();
}

void StripChart::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::StyleChange)
        d_->relayout();
    QWidget::changeEvent(event);
}

} // namespace cv
