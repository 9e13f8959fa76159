#pragma once
// The up and down arrows beside a value box: a spin control without a box
// of its own. The window binds the arrows to its box and steps it by
// Increment within Min..Max.

#include <QWidget>

class QToolButton;

namespace cv {

class SpinArrows : public QWidget {
public:
    explicit SpinArrows(QWidget* parent = nullptr);
    QToolButton* Up;
    QToolButton* Down;
    int Increment = 1;
    int Min = 0;
    int Max = 127;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace cv
