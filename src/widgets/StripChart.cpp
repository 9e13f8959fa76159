#include "widgets/StripChart.h"

#include "platform/OpenFiles.h"
#include "platform/Services.h"
#include "widgets/StripChartImpl.h"
#include "widgets/TracePalette.h"

#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace cv {

using chart::ValueRange;

namespace {
// Repaints follow appends at most this often (about the display rate).
constexpr int kFrameMs = 16;
// The rate and a stalled stream show even when no set arrives.
constexpr int kRateMs = 500;
// The legend's figures are read out at this pace, not every frame: faster
// they could not be read, and they cost as much as the traces.
constexpr int64_t kLegendUs = 100'000;
// The span choices beside the default span of sets.
constexpr double kSpans[] = {2, 10, 60, 600};
// The longest span a time zoom reaches.
constexpr double kMaxSpanSeconds = 3600;

// The Hold button, drawn once per look: its style sheet costs a rule
// lookup and a styled panel at each paint, and a whole frame of the chart
// paints it. What it shows follows from its style option, its style and
// the ground under it (the chart's, plain there), so a copy serves while
// those stay.
class HoldButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStyleOptionToolButton o;
        initStyleOption(&o);
        const QColor ground = parentWidget()->palette().color(QPalette::Window);
        const qreal dpr = devicePixelRatioF();
        const Look look{o.state,
                        o.rect,
                        o.text,
                        o.font,
                        o.icon.cacheKey(),
                        o.iconSize,
                        o.palette.cacheKey(),
                        o.features,
                        o.subControls,
                        o.activeSubControls,
                        o.toolButtonStyle,
                        o.arrowType,
                        ground,
                        dpr};
        if (!drawn_ || !(look == look_)) {
            picture_ = QPixmap(size() * dpr);
            picture_.setDevicePixelRatio(dpr);
            picture_.fill(ground);
            QStylePainter sp(&picture_, this);
            // As a painter on the button itself starts.
            sp.setPen(QPen(palette().brush(foregroundRole()), 1));
            sp.setBackground(palette().brush(backgroundRole()));
            sp.setFont(font());
            sp.setLayoutDirection(layoutDirection());
            sp.drawComplexControl(QStyle::CC_ToolButton, o);
            look_ = look;
            drawn_ = true;
        }
        QPainter(this).drawPixmap(0, 0, picture_);
    }
    void changeEvent(QEvent* e) override
    {
        // A style sheet's rules may change with no trace in the option.
        if (e->type() == QEvent::StyleChange)
            drawn_ = false;
        QToolButton::changeEvent(e);
    }

private:
    struct Look {
        QStyle::State state;
        QRect rect;
        QString text;
        QFont font;
        qint64 icon;
        QSize iconSize;
        qint64 palette;
        QStyleOptionToolButton::ToolButtonFeatures features;
        QStyle::SubControls sub, activeSub;
        Qt::ToolButtonStyle style;
        Qt::ArrowType arrow;
        QColor ground;
        qreal dpr;
        bool operator==(const Look&) const = default;
    };
    Look look_{};
    bool drawn_ = false;
    QPixmap picture_;
};
} // namespace

int64_t StripChart::Impl::nowUs() const
{
    return (clock ? *clock : services().clock()).nowUs();
}

void StripChart::Impl::allocate()
{
    history.reset(int(traces.size()), std::max<int64_t>(kHistorySets, buffer));
    heldEndUs.reset();
    dropColumnCache();
}

void StripChart::Impl::setHeld(std::optional<int64_t> endUs)
{
    const bool was = heldEndUs.has_value();
    heldEndUs = endUs;
    syncControls();
    relayout();
    if (was != endUs.has_value())
        emit q->holdChanged(endUs.has_value());
}

void StripChart::Impl::syncControls()
{
    const QSignalBlocker b1(holdButton), b2(spanBox);
    holdButton->setChecked(heldEndUs.has_value());
    spanBox->setItemText(0, chart::spanText({length, 0}));
    int index = span.seconds > 0 ? -1 : 0;
    for (int i = 0; i < int(std::size(kSpans)); ++i)
        if (span.seconds == kSpans[i])
            index = i + 1;
    // A span of the time zoom's own shows as a last entry.
    const int custom = 1 + int(std::size(kSpans));
    if (index < 0) {
        if (spanBox->count() == custom)
            spanBox->addItem(QString());
        spanBox->setItemText(custom, chart::spanText(span));
        index = custom;
    } else if (spanBox->count() > custom) {
        spanBox->removeItem(custom);
    }
    spanBox->setCurrentIndex(index);
}

StripChart::StripChart(QWidget* parent) : QWidget(parent), d_(std::make_unique<Impl>(this))
{
    d_->frameTimer.setInterval(kFrameMs);
    d_->frameTimer.setSingleShot(true);
    connect(&d_->frameTimer, &QTimer::timeout, this, [this] {
        Impl& d = *d_;
        d.frameArmed = false;
        if (!isVisible())
            return; // showing it lays it out and paints it whole
        // The cross-hair's read-out follows the values wherever it stands.
        if (!d.wholeFrame && !d.cursor) {
            d.ensureLayout();
            d.wholeFrame = !d.backgroundValid;
        }
        const int64_t now = d.nowUs();
        const bool legend =
            d.wholeFrame || now - d.legendShownUs >= kLegendUs || now < d.legendShownUs;
        if (legend)
            d.legendShownUs = now;
        if (d.wholeFrame || d.cursor)
            update(); // the read-out may stand anywhere, the top bar too
        else if (legend)
            update(d.legendFrame());
        else
            update(d.valuesRect());
        d.wholeFrame = false;
    });
    d_->rateTimer.setInterval(kRateMs);
    // The rate in the top bar is read out at this pace, not every frame.
    connect(&d_->rateTimer, &QTimer::timeout, this, [this] {
        d_->schedule();
        if (rate() == 0)
            d_->rateTimer.stop(); // the next append starts it again
    });

    d_->holdButton = new HoldButton(this);
    d_->holdButton->setObjectName(QStringLiteral("ChartHold"));
    d_->holdButton->setText(QStringLiteral("Hold"));
    d_->holdButton->setCheckable(true);
    d_->holdButton->setToolTip(
        QStringLiteral("Hold the picture; new values are still recorded. Press again to "
                       "return to live.\nDrag a plot to look back, Ctrl+wheel to zoom in time."));
    // Pressed, it is as red as the frame of the held plots.
    d_->holdButton->setStyleSheet(
        QStringLiteral("QToolButton:checked { background: #c62828; color: white; "
                       "font-weight: bold; border: 1px solid #8e1c1c; border-radius: 3px; "
                       "padding: 2px 6px; }"));
    connect(d_->holdButton, &QToolButton::toggled, this, &StripChart::setHold);

    d_->spanBox = new QComboBox(this);
    d_->spanBox->setObjectName(QStringLiteral("ChartSpan"));
    d_->spanBox->setToolTip(QStringLiteral("Time span shown"));
    d_->spanBox->setFocusPolicy(Qt::NoFocus);
    // Wide enough for any span a time zoom gives, not only the first.
    d_->spanBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    d_->spanBox->addItem(QString());
    for (double s : kSpans)
        d_->spanBox->addItem(chart::spanText({0, s}));
    connect(d_->spanBox, &QComboBox::activated, this, [this](int index) {
        setTimeSpan(index >= 1 && index <= int(std::size(kSpans)) ? kSpans[index - 1]
                    : index == 0                                  ? 0
                                                                  : d_->span.seconds);
    });

    // The cross-hair goes when the mouse moves onto the controls.
    d_->holdButton->installEventFilter(this);
    d_->spanBox->installEventFilter(this);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setTraceCount(1);
}

StripChart::~StripChart() = default;

void StripChart::setTraceCount(int traces)
{
    d_->traces.clear();
    d_->traces.resize(size_t(std::max(0, traces)));
    for (int i = 0; i < int(d_->traces.size()); ++i)
        d_->traces[size_t(i)].color = chart::traceColor(i);
    d_->allocate();
    d_->selected = 0;
    d_->syncControls();
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
void StripChart::setPlotWeight(int plot, int weight)
{
    d_->plot(plot).weight = std::max(1, weight);
    d_->relayout();
}
int StripChart::plotCount() const
{
    return d_->plotCount;
}
void StripChart::setTracePlot(int trace, int plot)
{
    if (!d_->valid(trace) || d_->traces[size_t(trace)].plot == std::max(0, plot))
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
    d_->history.clear();
    d_->dropColumnCache(); // set numbers start again from 0
    d_->setHeld(std::nullopt);
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
    const int64_t sets = d_->history.endSet();
    d_->history.append(trace, value, d_->nextSetUs.value_or(d_->nowUs()));
    if (d_->history.endSet() != sets)
        d_->nextSetUs.reset();
    // A held picture stands still; the values still go into the history.
    if (!d_->heldEndUs)
        d_->scheduleValues();
    if (!d_->rateTimer.isActive())
        d_->rateTimer.start();
}
void StripChart::setNextSetTime(int64_t us)
{
    d_->nextSetUs = us;
}
void StripChart::breakLine()
{
    d_->history.markGap();
}
void StripChart::setRateLimit(double setsPerSecond)
{
    d_->rateLimit = setsPerSecond;
}
void StripChart::setLength(int points)
{
    if (d_->length == std::max(1, points))
        return;
    d_->length = d_->span.sets = std::max(1, points);
    if (d_->buffer < d_->length)
        setBufferLength(d_->length);
    d_->syncControls();
    d_->relayout();
}
void StripChart::setBufferLength(int points)
{
    const int buffer = std::max(d_->length, std::max(1, points));
    if (buffer == d_->buffer)
        return;
    d_->buffer = buffer;
    // The history is sized once; only a demand beyond it costs a new one.
    if (buffer > d_->history.capacity())
        d_->allocate();
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
void StripChart::setHold(bool hold)
{
    if (held() == hold)
        return;
    if (hold)
        d_->setHeld(d_->history.size() ? d_->history.timeUs(d_->history.endSet() - 1) : 0);
    else
        d_->setHeld(std::nullopt);
}
bool StripChart::held() const
{
    return d_->heldEndUs.has_value();
}

void StripChart::setClock(const Clock* clock)
{
    d_->clock = clock;
}
void StripChart::setTimeSpan(double seconds)
{
    d_->span.seconds = d_->chosenSeconds = std::clamp(seconds, 0.0, kMaxSpanSeconds);
    d_->syncControls();
    d_->relayout();
}
double StripChart::timeSpan() const
{
    return d_->span.seconds;
}
double StripChart::viewStartSeconds() const
{
    d_->updateFrame();
    return d_->secondsOf(d_->frame.window.startUs);
}
double StripChart::viewEndSeconds() const
{
    d_->updateFrame();
    return d_->secondsOf(d_->frame.window.endUs);
}
void StripChart::panTime(double seconds)
{
    const auto& h = d_->history;
    if (h.size() == 0)
        return;
    d_->updateFrame();
    const int64_t newest = h.timeUs(h.endSet() - 1);
    const int64_t oldest = h.timeUs(h.firstSet());
    const int64_t end = d_->frame.window.endUs + int64_t(std::llround(seconds * 1e6));
    // Never past the newest set, nor so far back that nothing is left.
    d_->setHeld(std::clamp(end, std::min(newest, oldest + 1000), newest));
}
void StripChart::zoomTime(double anchor, double factor)
{
    if (!(factor > 0))
        return;
    d_->updateFrame();
    const auto w = d_->frame.window;
    const auto& h = d_->history;
    const int64_t a = h.originUs() + int64_t(std::llround(anchor * 1e6));
    const double seconds = std::clamp(w.seconds() * factor, 0.01, kMaxSpanSeconds);
    // The time at the anchor stays where it is.
    const int64_t end = a + int64_t(double(w.endUs - a) * seconds / w.seconds());
    d_->span.seconds = std::round(seconds * 1000) / 1000;
    const int64_t newest = h.size() ? h.timeUs(h.endSet() - 1) : 0;
    // Zooming about the newest values (the last twentieth) stays live.
    const bool live =
        !d_->heldEndUs && (end >= newest || a >= w.endUs - (w.endUs - w.startUs) / 20);
    if (h.size() && !live)
        d_->setHeld(std::clamp(end, h.timeUs(h.firstSet()), newest));
    d_->syncControls();
    d_->relayout();
}
double StripChart::rate() const
{
    const double r = d_->history.rate(d_->nowUs());
    return d_->rateLimit > 0 ? std::min(r, d_->rateLimit) : r;
}
int64_t StripChart::setCount() const
{
    return d_->history.endSet();
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
    const auto& h = d_->history;
    return int(h.reduce(trace, h.firstSet(), h.endSet()).count);
}
double StripChart::point(int trace, int age) const
{
    if (!d_->valid(trace))
        return 0;
    const auto& h = d_->history;
    for (int64_t s = h.endSet() - 1; s >= h.firstSet(); --s) {
        const double v = h.value(trace, s);
        if (!std::isnan(v) && age-- == 0)
            return v;
    }
    return 0;
}
TraceStats StripChart::visibleStats(int trace) const
{
    if (!d_->valid(trace))
        return {};
    const chart::Reduction& r = d_->figures()[size_t(trace)];
    TraceStats s;
    s.count = int(r.count);
    s.fromSeconds = d_->history.seconds(d_->frame.statsFirst);
    if (r.count) {
        s.latest = r.last;
        s.mean = r.mean();
        s.stddev = r.stddev();
        s.min = r.min;
        s.max = r.max;
    }
    return s;
}

void StripChart::Impl::updateFrame()
{
    if (frame.changes == history.changes() && frame.span == span && frame.heldEndUs == heldEndUs &&
        frame.last.size() == traces.size())
        return;
    frame.changes = history.changes();
    frame.span = span;
    frame.heldEndUs = heldEndUs;
    frame.window = chart::timeWindow(history, span, heldEndUs);
    frame.firstSet = history.lowerBound(frame.window.startUs);
    frame.endSet = history.lowerBound(frame.window.endUs + 1);
    frame.statsFirst = history.segmentStart(frame.firstSet, frame.endSet);
    frame.statsReady = false;
    frame.last.resize(traces.size());
    frame.shown.resize(traces.size());
    for (int t = 0; t < int(traces.size()); ++t) {
        frame.last[size_t(t)] = history.lastIn(t, frame.statsFirst, frame.endSet);
        frame.shown[size_t(t)] = !std::isnan(frame.last[size_t(t)]) ||
                                 (frame.statsFirst > frame.firstSet &&
                                  !std::isnan(history.lastIn(t, frame.firstSet, frame.statsFirst)));
    }
}

const std::vector<chart::Reduction>& StripChart::Impl::figures()
{
    updateFrame();
    if (!frame.statsReady) {
        frame.stats.resize(traces.size());
        for (int t = 0; t < int(traces.size()); ++t)
            frame.stats[size_t(t)] = history.reduce(t, frame.statsFirst, frame.endSet);
        frame.statsReady = true;
    }
    return frame.stats;
}

bool StripChart::saveVisibleCsv(const QString& path, QString* error) const
{
    std::vector<QString> names;
    for (int i = 0; i < traceCount(); ++i)
        names.push_back(d_->nameOf(i));
    d_->updateFrame();
    return writeWholeFile(
        path, chart::historyCsv(names, d_->history, d_->frame.firstSet, d_->frame.endSet).toUtf8(),
        error);
}

QRect StripChart::plotRect(int plot) const
{
    d_->ensureLayout();
    return plot >= 0 && plot < int(d_->layout.panes.size()) ? d_->layout.panes[size_t(plot)]
                                                            : QRect();
}

QSize StripChart::sizeHint() const
{
    return QSize(600, 300);
}

} // namespace cv
