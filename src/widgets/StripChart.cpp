#include "widgets/StripChart.h"

#include <QFile>
#include <QPainter>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <vector>

// A first, plain version: every operation works, the drawing is simple.

namespace cv {

struct StripChart::Impl {
    struct Trace {
        std::vector<double> ring;
        int head = 0, count = 0, plot = 0;
        QColor color = Qt::blue;
        QString name;
    };
    struct Plot {
        double lower = 0, upper = 100, outerLower = 0, outerUpper = 100;
    };
    std::vector<Trace> traces;
    std::vector<Plot> plots{Plot{}};
    int selected = 0, length = 200, buffer = 200;
    bool hold = false, legend = true, dirty = false;
    QString title;
    QTimer repaint;

    void resize(Trace& t)
    {
        t.ring.assign(size_t(buffer), 0.0);
        t.head = t.count = 0;
    }
    bool valid(int trace) const { return trace >= 0 && trace < int(traces.size()); }
    Plot& plot(int i)
    {
        if (i >= int(plots.size()))
            plots.resize(size_t(i) + 1);
        return plots[size_t(std::max(0, i))];
    }
    double at(const Trace& t, int age) const
    {
        const int n = int(t.ring.size());
        return t.ring[size_t(((t.head - 1 - age) % n + n) % n)];
    }
};

StripChart::StripChart(QWidget* parent) : QWidget(parent), d_(std::make_unique<Impl>())
{
    d_->repaint.setInterval(16);
    d_->repaint.setSingleShot(true);
    connect(&d_->repaint, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    setTraceCount(1);
}

StripChart::~StripChart() = default;

void StripChart::setTraceCount(int traces)
{
    d_->traces.assign(size_t(std::max(0, traces)), Impl::Trace{});
    for (auto& t : d_->traces)
        d_->resize(t);
    d_->selected = 0;
    update();
}
int StripChart::traceCount() const { return int(d_->traces.size()); }
void StripChart::setPlotCount(int plots) { d_->plots.resize(size_t(std::max(1, plots))); }
int StripChart::plotCount() const { return int(d_->plots.size()); }
void StripChart::setTracePlot(int trace, int plot)
{
    if (d_->valid(trace))
        d_->traces[size_t(trace)].plot = plot;
}
void StripChart::setTitle(const QString& title) { d_->title = title; }
QString StripChart::title() const { return d_->title; }
void StripChart::setTraceName(int trace, const QString& name)
{
    if (d_->valid(trace))
        d_->traces[size_t(trace)].name = name;
}
void StripChart::setLegendVisible(bool visible) { d_->legend = visible; }

void StripChart::clear()
{
    for (auto& t : d_->traces)
        t.head = t.count = 0;
    update();
}
void StripChart::selectTrace(int trace)
{
    if (d_->valid(trace))
        d_->selected = trace;
}
int StripChart::selectedTrace() const { return d_->selected; }
void StripChart::setTraceColor(const QColor& color) { setTraceColor(d_->selected, color); }
void StripChart::setTraceColor(int trace, const QColor& color)
{
    if (d_->valid(trace))
        d_->traces[size_t(trace)].color = color;
}
QColor StripChart::traceColor(int trace) const
{
    return d_->valid(trace) ? d_->traces[size_t(trace)].color : QColor();
}
void StripChart::append(double value) { append(d_->selected, value); }
void StripChart::append(int trace, double value)
{
    if (!d_->valid(trace))
        return;
    auto& t = d_->traces[size_t(trace)];
    t.ring[size_t(t.head)] = value;
    t.head = (t.head + 1) % int(t.ring.size());
    t.count = std::min(t.count + 1, int(t.ring.size()));
    if (!d_->hold && !d_->repaint.isActive())
        d_->repaint.start();
}
void StripChart::setLength(int points)
{
    d_->length = std::max(1, points);
    if (d_->buffer < d_->length)
        setBufferLength(d_->length);
    update();
}
void StripChart::setBufferLength(int points)
{
    d_->buffer = std::max(d_->length, std::max(1, points));
    for (auto& t : d_->traces)
        d_->resize(t);
}
int StripChart::length() const { return d_->length; }
int StripChart::bufferLength() const { return d_->buffer; }
bool StripChart::hold() const { return d_->hold; }
void StripChart::setHold(bool hold)
{
    if (d_->hold == hold)
        return;
    d_->hold = hold;
    update();
    emit holdChanged(hold);
}

void StripChart::setBounds(double lower, double upper, int plot)
{
    d_->plot(plot).lower = lower;
    d_->plot(plot).upper = upper;
    update();
}
void StripChart::setOuterBounds(double lower, double upper, int plot)
{
    d_->plot(plot).outerLower = lower;
    d_->plot(plot).outerUpper = upper;
}
double StripChart::lowerBound(int plot) const { return d_->plots[size_t(plot)].lower; }
double StripChart::upperBound(int plot) const { return d_->plots[size_t(plot)].upper; }
double StripChart::outerLowerBound(int plot) const { return d_->plots[size_t(plot)].outerLower; }
double StripChart::outerUpperBound(int plot) const { return d_->plots[size_t(plot)].outerUpper; }

int StripChart::pointCount(int trace) const
{
    return d_->valid(trace) ? d_->traces[size_t(trace)].count : 0;
}
double StripChart::point(int trace, int age) const
{
    return d_->at(d_->traces[size_t(trace)], age);
}
TraceStats StripChart::visibleStats(int trace) const
{
    TraceStats s;
    if (!d_->valid(trace))
        return s;
    const auto& t = d_->traces[size_t(trace)];
    s.count = std::min(t.count, d_->length);
    if (s.count == 0)
        return s;
    s.latest = d_->at(t, 0);
    s.min = s.max = s.latest;
    double sum = 0;
    for (int age = 0; age < s.count; ++age) {
        const double v = d_->at(t, age);
        sum += v;
        s.min = std::min(s.min, v);
        s.max = std::max(s.max, v);
    }
    s.mean = sum / s.count;
    return s;
}

bool StripChart::saveVisibleCsv(const QString& path) const
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&f);
    QStringList names;
    int rows = 0;
    for (int i = 0; i < traceCount(); ++i) {
        names << (d_->traces[size_t(i)].name.isEmpty() ? QStringLiteral("Trace %1").arg(i)
                                                       : d_->traces[size_t(i)].name);
        rows = std::max(rows, std::min(pointCount(i), d_->length));
    }
    out << names.join(',') << '\n';
    for (int r = rows - 1; r >= 0; --r) {
        QStringList cells;
        for (int i = 0; i < traceCount(); ++i)
            cells << (r < std::min(pointCount(i), d_->length) ? QString::number(point(i, r))
                                                               : QString());
        out << cells.join(',') << '\n';
    }
    out.flush();
    f.close();
    return f.error() == QFile::NoError;
}

void StripChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignTop | Qt::AlignHCenter, d_->title);
    const int plots = plotCount();
    const QRect area = rect().adjusted(4, 20, -4, -4);
    for (int pi = 0; pi < plots; ++pi) {
        const QRect pane(area.left(), area.top() + pi * area.height() / plots, area.width(),
                         area.height() / plots);
        const auto& pl = d_->plots[size_t(pi)];
        const double span = pl.upper - pl.lower == 0 ? 1 : pl.upper - pl.lower;
        for (const auto& t : d_->traces) {
            if (t.plot != pi)
                continue;
            p.setPen(t.color);
            const int n = std::min(t.count, d_->length);
            QPointF last;
            for (int age = n - 1; age >= 0; --age) {
                const double x = pane.right() - double(age) * pane.width() / d_->length;
                const double y = pane.bottom() - (d_->at(t, age) - pl.lower) / span * pane.height();
                const QPointF pt(x, y);
                if (age != n - 1)
                    p.drawLine(last, pt);
                last = pt;
            }
        }
    }
    if (d_->hold) {
        p.setPen(Qt::yellow);
        p.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignTop | Qt::AlignRight,
                   QStringLiteral("HOLD"));
    }
}

void StripChart::mousePressEvent(QMouseEvent*) { setHold(!d_->hold); }
void StripChart::mouseDoubleClickEvent(QMouseEvent*) {}
void StripChart::mouseMoveEvent(QMouseEvent*) {}
void StripChart::leaveEvent(QEvent*) {}
void StripChart::wheelEvent(QWheelEvent*) {}
void StripChart::contextMenuEvent(QContextMenuEvent*) {}

} // namespace cv
