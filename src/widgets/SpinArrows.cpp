#include "widgets/SpinArrows.h"

#include <QToolButton>

namespace cv {

SpinArrows::SpinArrows(QWidget* parent) : QWidget(parent)
{
    Up = new QToolButton(this);
    Up->setArrowType(Qt::UpArrow);
    Up->setAutoRepeat(true);
    Down = new QToolButton(this);
    Down->setArrowType(Qt::DownArrow);
    Down->setAutoRepeat(true);
}

void SpinArrows::resizeEvent(QResizeEvent*)
{
    const int h = height() / 2;
    Up->setGeometry(0, 0, width(), h);
    Down->setGeometry(0, h, width(), height() - h);
}

} // namespace cv
