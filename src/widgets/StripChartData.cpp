#include "widgets/StripChartData.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace cv::chart {

ValueRange zoomLimit(const ValueRange& set, const ValueRange& outer)
{
    ValueRange l{std::min({set.lower, set.upper, outer.lower, outer.upper}),
                 std::max({set.lower, set.upper, outer.lower, outer.upper})};
    if (l.span() <= 0)
        l.upper = l.lower + 1;
    return l;
}

ValueRange zoomRange(const ValueRange& current, double anchor, double factor,
                     const ValueRange& limit)
{
    const double minSpan = limit.span() * 1e-6;
    anchor = std::clamp(anchor, current.lower, current.upper);
    double span = std::clamp(current.span() * factor, minSpan, limit.span());
    // Keep the anchor at the same fraction of the range.
    const double frac = current.span() > 0 ? (anchor - current.lower) / current.span() : 0.5;
    ValueRange z{anchor - frac * span, anchor - frac * span + span};
    if (z.lower < limit.lower) {
        z.lower = limit.lower;
        z.upper = limit.lower + span;
    }
    if (z.upper > limit.upper) {
        z.upper = limit.upper;
        z.lower = limit.upper - span;
    }
    return z;
}

Ticks niceTicks(double lower, double upper, int maxTicks)
{
    Ticks t;
    if (!(upper > lower) || !std::isfinite(lower) || !std::isfinite(upper))
        return t;
    maxTicks = std::max(2, maxTicks);
    const double raw = (upper - lower) / maxTicks;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        t.step = m * mag;
        if (t.step >= raw)
            break;
    }
    const double first = std::ceil(lower / t.step - 1e-9);
    for (double k = first;; ++k) {
        const double v = k * t.step;
        if (v > upper + t.step * 1e-9)
            break;
        t.values.push_back(std::abs(v) < t.step * 1e-9 ? 0.0 : v);
    }
    return t;
}

QString tickText(double value, double step)
{
    const int decimals = step >= 1 ? 0 : std::min(12, int(std::ceil(-std::log10(step) - 1e-9)));
    QString s = QString::number(value, 'f', decimals);
    if (s.startsWith(u'-') && s.count(u'0') + s.count(u'.') == s.size() - 1)
        s.remove(0, 1);
    return s;
}

int valueDecimals(double span)
{
    if (!(span > 0) || !std::isfinite(span))
        return 1;
    return std::clamp(2 - int(std::floor(std::log10(span))), 1, 6);
}

QString valueText(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("-");
    return tickText(value, std::pow(10.0, -decimals));
}

QString spanText(const TimeSpan& span)
{
    if (span.seconds <= 0)
        return QStringLiteral("%1 sets").arg(span.sets);
    // Rounded as a person would say it: two figures below ten seconds, whole
    // seconds below a minute, minutes and seconds above ("3 min 17 s").
    if (span.seconds < 9.95)
        return QStringLiteral("%1 s").arg(QString::number(span.seconds, 'g', 2));
    const long whole = std::lround(span.seconds);
    if (whole < 60)
        return QStringLiteral("%1 s").arg(whole);
    return whole % 60 ? QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60)
                      : QStringLiteral("%1 min").arg(whole / 60);
}

TimeWindow timeWindow(const History& h, const TimeSpan& span, std::optional<int64_t> heldEndUs)
{
    TimeWindow w;
    const int64_t newest = h.size() ? h.timeUs(h.endSet() - 1) : 0;
    w.endUs = heldEndUs.value_or(newest);
    if (span.seconds > 0) {
        w.startUs = w.endUs - int64_t(std::llround(span.seconds * 1e6));
    } else {
        const int64_t last = h.lowerBound(w.endUs + 1) - 1; // the newest set shown
        const int64_t first = last - (std::max(1, span.sets) - 1);
        if (last >= h.firstSet() && first >= h.firstSet()) {
            w.startUs = h.timeUs(first);
        } else if (last > h.firstSet()) {
            const double dt =
                double(h.timeUs(last) - h.timeUs(h.firstSet())) / double(last - h.firstSet());
            w.startUs = w.endUs - int64_t(std::llround(dt * (span.sets - 1)));
        } else {
            w.startUs = w.endUs - 1'000'000; // no rate yet
        }
    }
    // Sets that all arrived at once still get a window to sit in.
    if (w.endUs - w.startUs < 1000)
        w.startUs = w.endUs - 1000;
    return w;
}

void simplifyLine(std::vector<QPointF>& p, double tolerance)
{
    if (p.size() < 3)
        return;
    // The slopes from the anchor that pass within the tolerance of every
    // point since it; a point outside them ends the run at the one before.
    // Tested as dy against slope * dx: a division only where a bound tightens.
    size_t kept = 1, anchor = 0, end = 0;
    double lo = -INFINITY, hi = INFINITY;
    for (size_t i = 1; i < p.size(); ++i) {
        double dx = p[i].x() - p[anchor].x(), dy = p[i].y() - p[anchor].y();
        if (dx > 0 && (dy < lo * dx || dy > hi * dx)) {
            p[kept++] = p[end];
            anchor = end;
            lo = -INFINITY;
            hi = INFINITY;
            dx = p[i].x() - p[anchor].x();
            dy = p[i].y() - p[anchor].y();
        }
        if (dx > 0) {
            if (dy - tolerance > lo * dx)
                lo = (dy - tolerance) / dx;
            if (dy + tolerance < hi * dx)
                hi = (dy + tolerance) / dx;
            end = i;
            continue;
        }
        // Straight above the anchor (the run ended just before): an
        // upright, whose every point stays.
        p[kept++] = p[i];
        anchor = end = i;
        lo = -INFINITY;
        hi = INFINITY;
    }
    if (end != anchor)
        p[kept++] = p[end];
    p.resize(kept);
}

namespace {
QString csvCell(QString s)
{
    if (s.contains(u',') || s.contains(u'"') || s.contains(u'\n')) {
        s.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        s = u'"' + s + u'"';
    }
    return s;
}
} // namespace

QString historyCsv(const std::vector<QString>& names, const History& h, int64_t a, int64_t b)
{
    QString out = QStringLiteral("t_s,set");
    for (const auto& n : names)
        out += u',' + csvCell(n);
    out += QStringLiteral("\r\n");
    a = std::max(a, h.firstSet());
    b = std::min(b, h.endSet());
    for (int64_t s = a; s < b; ++s) {
        out += QString::number(h.seconds(s), 'f', 3) + u',' + QString::number(s);
        for (int t = 0; t < h.traces(); ++t) {
            out += u',';
            const double v = h.value(t, s);
            if (!std::isnan(v))
                out += QString::number(v, 'g', 15);
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

std::vector<QRect> stackedBoxes(const QRect& pane, const std::vector<int>& widths, int height,
                                bool top)
{
    constexpr int kGap = 2, kInset = 2;
    std::vector<QRect> out;
    const int rows = std::max(1, (pane.height() / 2 - kInset) / (height + kGap));
    int right = pane.right() - kInset, columnW = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        const int row = int(i) % rows;
        if (row == 0 && i > 0) {
            right -= columnW + kGap;
            columnW = 0;
        }
        const int y = top ? pane.top() + kInset + row * (height + kGap)
                          : pane.bottom() - kInset - height + 1 - row * (height + kGap);
        out.emplace_back(right - widths[i] + 1, y, widths[i], height);
        columnW = std::max(columnW, widths[i]);
    }
    return out;
}

} // namespace cv::chart
