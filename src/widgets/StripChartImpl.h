#pragma once
// The strip chart's inside, shared by its three source files: the public
// operations (StripChart.cpp), layout and painting (StripChartPaint.cpp), and
// the mouse: hit-testing, pan, zoom and the read-out (StripChartInput.cpp).

#include "widgets/GlyphText.h"
#include "widgets/StripChart.h"
#include "widgets/StripChartData.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QTimer>
#include <climits>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QToolButton;

namespace cv {

struct StripChart::Impl {
    struct Trace {
        int plot = 0;
        QColor color;
        QString name;
    };
    struct Plot {
        chart::ValueRange set{0, 100};
        std::optional<chart::ValueRange> outer; // follows the set bounds until set
        chart::ValueRange view{0, 100};
        bool zoomed = false;
        int weight = 1; // share of the height
        chart::ValueRange limit() const { return chart::zoomLimit(set, outer.value_or(set)); }
    };
    struct Layout {
        bool valid = false;
        QSize size;
        std::vector<uint8_t> shown; // the traces the legend lists
        QRect titleRect, rateRect;
        std::vector<QRect> panes;
        std::vector<chart::Ticks> valueTicks;
        // Legend: per trace the left end and baseline of its entry (x -1:
        // none), the header lines, and the columns relative to an entry.
        std::vector<QPoint> entries;
        std::vector<QPoint> headers;
        int nameDx = 0, nameW = 0, nowDx = 0, meanDx = 0, sdDx = 0, ppDx = 0, rowH = 0;
        int smallAscent = 0, smallHeight = 0; // asked for by every frame
        QRect values;                         // valuesRect(), asked for by every frame
        // Where the background holds more than the window's ground outside
        // the panes (title, value labels, legend headers and names), with
        // a margin: all else around the panes a frame fills.
        std::vector<QRect> inked;
        // The legend's rows, one rectangle per legend column: what a frame
        // that brings the figures repaints besides `values`.
        std::vector<QRect> rows;
    };
    // What one frame shows: the time window, its sets and each trace's
    // figures over them.
    struct Frame {
        chart::TimeWindow window;
        int64_t firstSet = 0, endSet = 0;
        int64_t statsFirst = 0;   // the figures leave out what lies before a gap
        std::vector<double> last; // per trace from statsFirst on, NaN: none
        // The legend's figures, taken only for the frames that show them.
        std::vector<chart::Reduction> stats;
        bool statsReady = false;
        std::vector<uint8_t> shown;
        // What it was taken from: the same again gives the same frame.
        uint64_t changes = ~uint64_t(0);
        chart::TimeSpan span;
        std::optional<int64_t> heldEndUs;
    };

    StripChart* q;
    chart::History history;
    std::vector<Trace> traces;
    std::vector<Plot> plots{Plot{}}; // may hold bounds of plots beyond plotCount
    int plotCount = 1;
    int selected = 0, length = 200, buffer = 200;
    chart::TimeSpan span;
    double chosenSeconds = 0;         // the span chosen, to return to from a time zoom
    std::optional<int64_t> heldEndUs; // the picture's end while held
    const Clock* clock = nullptr;
    std::optional<int64_t> nextSetUs; // the caller's stamp for the next set
    double rateLimit = 0;             // the most sets per second there can be; 0: none
    bool legend = true;
    QString title;
    QTimer frameTimer, rateTimer;
    bool frameArmed = false;   // cheaper to ask than the timer, once per append
    bool wholeFrame = true;    // more than the values changed: repaint every part
    int64_t legendShownUs = 0; // when the legend's figures were last repainted
    Layout layout;
    Frame frame;
    QPixmap background;
    bool backgroundValid = false;
    std::optional<QPoint> cursor;
    std::optional<QPoint> dragFrom; // a left press on a plot, until released
    QComboBox* spanBox = nullptr;
    QToolButton* holdButton = nullptr;
    // Reused between frames so painting allocates nothing once warm.
    std::vector<int64_t> columnSets;
    // Per trace and pixel column the pixel rows its closed sets [a, b) reach,
    // in the order the values ran: a column whose sets did not move since the
    // last frame costs nothing while the trace's scale holds.
    struct ColumnKey {
        int64_t a = -1, b = -1;
    };
    struct ColumnRows {
        static constexpr int kNone = INT_MIN; // no value in the column
        int first = kNone, second = kNone;
    };
    struct TraceScale {
        bool valid = false; // its rows hold for the column keys of last frame
        int top = 0, bottom = 0;
        double upper = 0, scale = 0;
        bool operator==(const TraceScale&) const = default;
    };
    std::vector<ColumnKey> columnKeys;  // a ring by column on the time grid
    std::vector<uint8_t> columnKept;    // per column of this frame: its key held
    std::vector<ColumnRows> columnRows; // a ring per trace, as columnKeys
    std::vector<TraceScale> traceScales, drawnScales;
    std::vector<uint8_t> columnGap;
    int cachedColumns = 0;
    void dropColumnCache()
    {
        columnKeys.clear();
        traceScales.clear();
    }
    std::vector<QPointF> points;
    std::vector<QPoint> pixels;
    GlyphText numbers; // the small font's, for the texts every frame redraws
    // The time axis's labels of the last frame: most ticks stay from one
    // frame to the next, and their texts with them.
    struct TickLabel {
        double value = 0, step = 0;
        bool unit = false; // the last, with " s"
        QString text;
        int width = 0;
    };
    std::vector<TickLabel> tickLabels, drawnLabels;

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
    QString nameOf(int i) const
    {
        const auto& n = traces[size_t(i)].name;
        return n.isEmpty() ? QStringLiteral("Trace %1").arg(i) : n;
    }
    int64_t nowUs() const;

    // Something drawn changed: repaint at the next frame, never at once.
    void schedule()
    {
        wholeFrame = true;
        scheduleValues();
    }
    // Only the values moved on: the next frame leaves the top bar alone.
    void scheduleValues()
    {
        if (!frameArmed) {
            frameArmed = true;
            frameTimer.start();
        }
    }
    // Something in the frame, grid or legend layout changed.
    void relayout()
    {
        layout.valid = false;
        backgroundValid = false;
        schedule();
    }
    void allocate(); // the history for the traces and the buffer length
    void setHeld(std::optional<int64_t> endUs);
    void syncControls();

    const QFont& smallFont() const;
    mutable QFont smallFrom, small; // smallFont() and the font it was made from
    mutable bool smallReady = false;
    QFont titleFont() const;
    double yOf(const Plot& p, const QRect& pane, double v) const
    {
        const double s = p.view.span() > 0 ? p.view.span() : 1;
        return pane.top() + (p.view.upper - v) / s * (pane.height() - 1);
    }
    double valueAtY(const Plot& p, const QRect& pane, double y) const
    {
        return p.view.upper - (y - pane.top()) / std::max(1, pane.height() - 1) * p.view.span();
    }
    double xOfTime(const QRect& pane, int64_t tUs) const
    {
        const auto& w = frame.window;
        return pane.left() + double(tUs - w.startUs) * (pane.width() - 1) /
                                 double(std::max<int64_t>(1, w.endUs - w.startUs));
    }
    int64_t timeAtX(const QRect& pane, double x) const
    {
        const auto& w = frame.window;
        return w.startUs + int64_t((x - pane.left()) * double(w.endUs - w.startUs) /
                                   std::max(1, pane.width() - 1));
    }
    double secondsOf(int64_t tUs) const { return double(tUs - history.originUs()) / 1e6; }
    int paneAt(const QPoint& pos);
    // The set nearest to `tUs` among those shown, or -1.
    int64_t setNear(int64_t tUs) const;

    void updateFrame(); // the window and the figures, taken anew when their inputs changed
    const std::vector<chart::Reduction>& figures();
    void ensureLayout();
    // What a frame of new values repaints: the panes and the time labels
    // under them, not the top bar, whose controls would cost as much as the
    // traces, nor the legend or the value axis; one rectangle, since a clip
    // of several makes every fill a costly walk of spans.
    const QRect& valuesRect() const { return layout.values; }
    QRect valuesOnlyRect() const; // valuesRect(), measured anew
    // A frame of new values that brings the legend's figures: the panes and
    // the legend's rows, not the space between them nor the value axis.
    QRegion legendFrame() const;
    void paintBackground();
    void paintPaneGround(QPainter& p); // each pane's fill, value grid and frame
    // The background around the panes, within `area`: the ground filled,
    // the inked parts copied.
    void paintAround(QPainter& p, const QRect& area);
    void paintTimeAxis(QPainter& p);
    void paintRate(QPainter& p); // in the top bar
    void paintTraces(QPainter& p);
    void paintLegendValues(QPainter& p);
    void paintEdgeMarks(QPainter& p);
    void paintBadges(QPainter& p);
    void paintCrossHair(QPainter& p);
    // The cross-hair's lines: trace -1 for the heading, else the trace.
    std::vector<std::pair<int, QString>> readOut(const QPoint& pos);
};

} // namespace cv
