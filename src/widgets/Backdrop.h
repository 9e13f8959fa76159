#pragma once
// A window's own drawing (outlines, wires, arrows behind its controls), held
// by a child widget that lies under every control. Being a child, it goes
// wherever the controls go: into the scroll area of a window fitted to a
// small screen, say, where a window painting itself would be covered.

#include <QWidget>
#include <functional>

class QPainter;

namespace cv {

class Backdrop : public QWidget {
public:
    // Covers `window` at its current size, below every control.
    Backdrop(QWidget* window, std::function<void(QPainter&)> paint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> paint_;
};

} // namespace cv
