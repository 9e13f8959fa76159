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
// New values enter at the right and older ones move left. The first length
// setting is the span shown (points across the plot); the second is how many
// points each trace keeps (never less than the span). Each trace is a
// fixed-size ring, so append costs O(1) and allocates nothing; the widget
// repaints at the display rate, never once per append.
//
// Beyond the operations the windows call, the chart behaves like a scope:
// a click on a plot toggles hold ("HOLD" is shown while it holds; the windows
// append nothing while it holds, so the picture stands still), the mouse wheel zooms the value
// axis within the outer bounds, a double click returns to the set bounds, a
// cross-hair reads out the values under the cursor, the legend shows per
// trace its latest value, mean and peak-to-peak over the visible span, and
// the context menu offers "Save as PNG" and "Save visible data as CSV".

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QMenu;

namespace cv {

struct TraceStats {
    int count = 0; // points in the visible span
    double latest = 0, mean = 0, min = 0, max = 0;
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
    void setLength(int points);       // first length setting: the span shown
    void setBufferLength(int points); // second length setting: points kept
    int length() const;
    int bufferLength() const;
    bool hold() const;
    void setHold(bool hold);

    // Value bounds of a plot: the visible ones, and the outer ones that the
    // wheel zoom may not pass.
    void setBounds(double lower, double upper, int plot = 0);
    void setOuterBounds(double lower, double upper, int plot = 0);
    double lowerBound(int plot = 0) const;
    double upperBound(int plot = 0) const;
    double outerLowerBound(int plot = 0) const;
    double outerUpperBound(int plot = 0) const;

    // What the chart holds, for the legend, the CSV export and tests.
    int pointCount(int trace) const;          // points kept, up to bufferLength
    double point(int trace, int age) const;   // age 0 = newest
    TraceStats visibleStats(int trace) const; // over the span shown

    // Writes the visible span as CSV (a header of trace names, one row per
    // sample, oldest first); false when the file cannot be written.
    bool saveVisibleCsv(const QString& path) const;

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
    // The cross-hair read-out at a widget position: the sample as the time
    // axis counts it (0 newest, older ones negative) and the value at the
    // cursor's height, then one line per trace holding a value there
    // ("name: value"). Empty outside the plots.
    QStringList readOut(const QPoint& pos) const;

    // The picture as PNG; false when the file cannot be written.
    bool savePng(const QString& path);
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
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace cv
