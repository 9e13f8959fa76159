#include "demo/ui/KeyPicture.h"

#include <QBitmap>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace cv {

namespace {
QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath p;
    p.addPolygon(QPolygonF(QList<QPointF>(points)));
    p.closeSubpath();
    return p;
}

QFont keyFont()
{
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(13); // 10 point at 96 dpi
    return f;
}

// The picture's size: the outline's extent plus the pen.
QSize pictureSize(DemoKey key)
{
    switch (key) {
    case KeyUp:
    case KeyDown: return {27, 18};
    case KeyLeft:
    case KeyRight: return {17, 26};
    default: return {26, 20};
    }
}
} // namespace

QPainterPath keyOutline(DemoKey key)
{
    switch (key) {
    case KeyUp: return polygonPath({{6, 12}, {13, 5}, {20, 12}, {17, 12}, {13, 8}, {9, 12}});
    case KeyDown: return polygonPath({{6, 5}, {13, 12}, {20, 5}, {17, 5}, {13, 9}, {9, 5}});
    case KeyLeft:
        return polygonPath({{5, 13}, {11, 19}, {11, 16}, {8, 13}, {11, 10}, {11, 7}, {5, 13}});
    case KeyRight:
        return polygonPath({{11, 13}, {5, 19}, {5, 16}, {8, 13}, {5, 10}, {5, 7}, {11, 13}});
    default: {
        // Text is placed by its top; a path takes the baseline.
        const QFont f = keyFont();
        const QFontMetricsF m(f);
        QPainterPath p;
        p.addText(QPointF(1, 3 + m.ascent()), f, QStringLiteral("O"));
        p.addText(QPointF(12, 4 + m.ascent()), f, QStringLiteral("K"));
        return p;
    }
    }
}

KeyPicture::KeyPicture(DemoKey key, QWidget* parent)
    : QWidget(parent), key_(key), outline_(keyOutline(key)), back_(initialColor())
{
    setFixedSize(pictureSize(key));
    setAttribute(Qt::WA_NoSystemBackground);
    setMask(keyMask(key));
}

QRegion keyMask(DemoKey key)
{
    // The left chevron is the right one mirrored about x = 8: rasterised
    // directly, the fill rule's rounding would cost it its bottom tip.
    const DemoKey drawn = key == KeyLeft ? KeyRight : key;
    // What the filled and stroked outline covers.
    QBitmap shape(pictureSize(drawn));
    shape.fill(Qt::color0);
    QPainter p(&shape);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::color1, 1));
    p.setBrush(Qt::color1);
    p.drawPath(keyOutline(drawn));
    p.end();
    if (key == KeyLeft)
        shape = QBitmap::fromImage(shape.toImage().mirrored(true, false));
    return QRegion(shape);
}

void KeyPicture::setBackColor(const QColor& c)
{
    painted_ = true;
    if (c == back_)
        return;
    back_ = c;
    update();
}

void KeyPicture::setPressed(bool pressed)
{
    setBackColor(pressed ? pressedColor() : releasedColor());
}

void KeyPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // Inside the mask the whole picture takes the colour; before the first
    // block the symbol is stroked and filled in red.
    p.fillRect(rect(), back_);
    if (!painted_) {
        p.setPen(QPen(initialColor(), 1));
        p.setBrush(initialColor());
        p.drawPath(outline_);
    }
}

void KeyPicture::mousePressEvent(QMouseEvent* event)
{
    ++clicks_;
    emit clicked();
    event->accept();
}

} // namespace cv
