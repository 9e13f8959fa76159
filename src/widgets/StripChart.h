#pragma once
// A scrolling multi-trace strip chart, the one chart of the program: the
// converter results (12 traces), a stage's adaptive threshold (6 traces) and
// the demo's slider plots use it.
//
// Traces are numbered from 0. Each trace belongs to one plot: a horizontal
// pane of its own with its own value bounds; the panes share the time axis
// and stack top to bottom (plot 0 at the top). A chart has one plot unless
// setPlotCount says otherwise.
//
// New values enter at the right and older ones move left, on a time axis in
// seconds: each set of values gets the program's clock time when its first
// value arrives (an append to a trace that already has a value in the newest
// set opens the next set). The chart keeps a history of at least
// kHistorySets sets (ten minutes at the fastest converter rate) in rings
// sized once, so append costs O(1) and allocates nothing; the widget
// repaints at the display rate, never once per append, and drawing costs
// the plot's width, not the span: each pixel column its extremes.
//
// The span shown is by default the last `length()` sets; a choice in the
// chart's corner offers fixed spans (2 s, 10 s, 1 min, 10 min) beside it.
// The "Hold" button beside it freezes the picture while the history keeps
// collecting; dragging a plot pans back through the history (which holds
// the picture), Ctrl+wheel zooms in time, the wheel alone zooms the value
// axis within the outer bounds and a double click returns to the set
// bounds and the chosen span. A cross-hair reads out the values under the
// cursor; a trace beyond the value range shows its latest value at the
// plot's edge; the legend lists the traces with values in view with their
// latest value, mean, standard deviation and peak-to-peak; the context menu
// offers "Save as PNG" and "Save visible data as CSV".

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

class QMenu;

namespace cv {

class Clock;

struct TraceStats {
    int count = 0; // points in the visible span since its last gap
    double latest = 0, mean = 0, stddev = 0, min = 0, max = 0;
    double fromSeconds = 0; // where that stretch starts
    double peakToPeak() const { return max - min; }
};

class StripChart : public QWidget {
    Q_OBJECT
public:
    explicit StripChart(QWidget* parent = nullptr);
    ~StripChart() override;

    // Layout. setTraceCount empties every trace and puts them all in plot 0.
    void setTraceCount(int traces);
    int traceCount() const;
    void setPlotCount(int plots);
    int plotCount() const;
    void setTracePlot(int trace, int plot);
    // A plot's share of the height against the others' (1 each unless set).
    void setPlotWeight(int plot, int weight);
    void setTitle(const QString& title);
    QString title() const;
    void setTraceName(int trace, const QString& name);
    void setLegendVisible(bool visible);

    // The operations the windows use.
    void clear();                // empties every trace
    void selectTrace(int trace); // 0 .. traceCount()-1
    int selectedTrace() const;
    void setTraceColor(const QColor& color); // of the selected trace
    void setTraceColor(int trace, const QColor& color);
    QColor traceColor(int trace) const;
    void append(double value); // to the selected trace
    void append(int trace, double value);
    void setLength(int points);       // first length setting: the default span, in sets
    void setBufferLength(int points); // second length setting: at least this many sets kept
    int length() const;
    int bufferLength() const;
    // Holds the picture (true) or returns to live (false); holdChanged tells.
    void setHold(bool hold);
    bool held() const;

    // Sets kept at the least: ten minutes at 108.4 sets/s.
    static constexpr int kHistorySets = 65536;
    // Where arrival times come from; the program's clock unless set.
    void setClock(const Clock* clock);
    // The span shown: seconds > 0, or 0 for the last length() sets.
    void setTimeSpan(double seconds);
    double timeSpan() const;
    // The time shown, in seconds since the first set after a clear.
    double viewStartSeconds() const;
    double viewEndSeconds() const;
    // Moves the view by `seconds` (negative: back); holds the picture.
    void panTime(double seconds);
    // Zooms the time axis about `anchor` (seconds): factor < 1 in, > 1 out.
    void zoomTime(double anchor, double factor);
    // Sets per second as measured over the last two seconds of arrivals,
    // not across a gap and not above the limit when one is set.
    double rate() const;
    void setRateLimit(double setsPerSecond);
    // The caller's time for the next set (when the chip converted it, on
    // the program's clock) instead of its arrival time.
    void setNextSetTime(int64_t us);
    // The stream paused: the next set is not joined to the one before, and
    // the legend's figures start after it.
    void breakLine();
    int64_t setCount() const; // sets since the last clear

    // Value bounds of a plot: the visible ones, and the outer ones that the
    // wheel zoom may not pass.
    void setBounds(double lower, double upper, int plot = 0);
    void setOuterBounds(double lower, double upper, int plot = 0);
    double lowerBound(int plot = 0) const;
    double upperBound(int plot = 0) const;
    double outerLowerBound(int plot = 0) const;
    double outerUpperBound(int plot = 0) const;

    // What the chart holds, for the legend, the CSV export and tests.
    int pointCount(int trace) const;          // values kept
    double point(int trace, int age) const;   // age 0 = newest of the trace
    TraceStats visibleStats(int trace) const; // over the span shown

    // Writes the sets in view as CSV ("t_s,set," and the trace names, one
    // row per set, oldest first); false when the file cannot be written,
    // with `error` ("FILE: reason").
    bool saveVisibleCsv(const QString& path, QString* error = nullptr) const;

    // The value range a plot shows now: the set bounds, or the wheel zoom
    // inside the outer bounds. A double click returns to the set bounds.
    double viewLowerBound(int plot = 0) const;
    double viewUpperBound(int plot = 0) const;
    bool zoomed(int plot = 0) const;
    // Zooms a plot's value axis about `anchor`: factor < 1 in, > 1 out.
    void zoomValueAxis(int plot, double anchor, double factor);
    void resetZoom(int plot = -1); // -1: every plot

    // Where a plot's traces are drawn, in widget coordinates.
    QRect plotRect(int plot = 0) const;
    // The cross-hair read-out at a widget position: the time and number of
    // the set nearest the cursor and the value at the cursor's height, then
    // one line per trace holding a value in that set ("name: value"). Empty
    // outside the plots or before the first set.
    QStringList readOut(const QPoint& pos) const;

    // The picture as PNG; false when the file cannot be written, with `error`.
    bool savePng(const QString& path, QString* error = nullptr);
    // The context menu's entries: ask for a path, save, tell a failure.
    void saveAsPng();
    void saveVisibleDataAsCsv();
    // The context menu ("Save as PNG", "Save visible data as CSV").
    QMenu* createContextMenu(QWidget* parent);

    QSize sizeHint() const override;

signals:
    void holdChanged(bool hold);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// What the charts' save entries do: ask for a PNG (or CSV) path through the
// service layer, save, and say so, with the file and the reason the save
// gives, when the file cannot be written. Cancelling the dialog does nothing.
void askAndSaveChart(bool png, const std::function<bool(const QString&, QString*)>& save);

} // namespace cv
