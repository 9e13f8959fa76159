#include "widgets/Led.h"

#include <QPainter>
#include <QRadialGradient>

namespace cv {

Led::Led(QWidget* parent, QColor color) : QWidget(parent), color_(color)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void Led::setOn(bool on)
{
    if (on_ == on)
        return;
    on_ = on;
    update();
}

void Led::setColor(const QColor& color)
{
    if (color_ == color)
        return;
    color_ = color;
    update();
}

void Led::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = qMin(width(), height()) - 2.0;
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    // Off is the lamp's own colour, dimmed, so an engineer still sees which lamp it is.
    const QColor base = on_ ? color_ : color_.darker(330);
    QRadialGradient g(r.center() - QPointF(d / 6.0, d / 6.0), d / 1.6);
    g.setColorAt(0.0, on_ ? base.lighter(170) : base.lighter(130));
    g.setColorAt(1.0, base);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.0));
    p.setBrush(g);
    p.drawEllipse(r);
}

} // namespace cv
