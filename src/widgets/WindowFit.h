#pragma once
// Windows that grow, and windows that fit the screen.
//
// Anchors: the windows place their controls at their design size; when a
// window grows, each control keeps its place relative to the edges it
// belongs to, and a control anchored to opposite edges (a chart) takes the
// extra room.
//
// Screen fit: a window larger than the available screen opens at the
// screen's size with its contents in a scroll area, so every control stays
// reachable. Installed once on the application, it covers every window and
// dialog when it is first shown.

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QLabel;
class QWidget;
class QScrollArea;

namespace cv {

class Anchors : public QObject {
    Q_OBJECT
public:
    enum Edge { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    // Watches `host` (the window) from its current size on, which is taken
    // as the design size; the window may shrink no smaller.
    explicit Anchors(QWidget* host);
    // Keeps `w` (placed at design size, a child of the host or deeper) to
    // the given edges of the host.
    void add(QWidget* w, int edges);
    // Continues on another widget that now holds the controls (screen fit).
    void rehost(QWidget* host);
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item {
        QWidget* w;
        int edges;
        QRect design;
    };
    QWidget* host_;
    QSize design_;
    std::vector<Item> items_;
};

// A status line in a layout: no text it shows widens or heightens its
// window (a long one is cut at the window's edge instead).
void keepWindowSize(QLabel* status);

// Wraps `window`'s contents in a scroll area when its size exceeds
// `available` and resizes it to fit. Returns the scroll area, or null when
// the window fits.
QScrollArea* fitToScreen(QWidget* window, const QRect& available);

// Moves `window`'s contents into a scroll area that fills its box layout,
// once (then returns the same area); the window may then take any size.
QScrollArea* wrapInScrollArea(QWidget* window);

// Applies fitToScreen to every top-level window when it is first shown,
// against the available geometry of its screen.
void installScreenFit(QObject* application);

} // namespace cv
