#include "widgets/Backdrop.h"

#include <QPainter>

namespace cv {

Backdrop::Backdrop(QWidget* window, std::function<void(QPainter&)> paint)
    : QWidget(window), paint_(std::move(paint))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(window->rect());
    lower();
}

void Backdrop::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paint_(p);
}

} // namespace cv
