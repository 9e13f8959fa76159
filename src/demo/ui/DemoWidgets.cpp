#include "demo/ui/DemoWidgets.h"

#include "demo/DemoDecoders.h"

#include <QPainter>

namespace cv {

DemoShape::DemoShape(QWidget* parent, bool round) : QWidget(parent), round_(round) {}

void DemoShape::setFillColor(const QColor& c)
{
    if (c == fill_)
        return;
    fill_ = c;
    update();
}

void DemoShape::setBorder(const QColor& c, int width)
{
    border_ = c;
    borderWidth_ = width;
    update();
}

void DemoShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, round_);
    p.setPen(QPen(border_, borderWidth_));
    p.setBrush(fill_);
    const QRectF r = QRectF(rect()).adjusted(borderWidth_ / 2.0, borderWidth_ / 2.0,
                                             -borderWidth_ / 2.0, -borderWidth_ / 2.0);
    if (round_)
        p.drawEllipse(r);
    else
        p.drawRect(r);
}

IconScreen::IconScreen(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x10, 0x2a, 0x43));
    setPalette(pal);
}

void IconScreen::setCursorCell(int row, int col)
{
    row_ = row;
    col_ = col;
    update();
}

void IconScreen::clearPicture()
{
    icons_ = nullptr;
    row_ = col_ = -1;
    update();
}

void IconScreen::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (icons_) {
        for (size_t i = 0; i < icons_->size() && i < size_t(kGridRows * kGridCols); ++i) {
            const int r = int(i) / kGridCols, c = int(i) % kGridCols;
            // Small standard pictures are scaled up to fill the cell.
            const QPixmap px = (*icons_)[i].pixmap(40, 40).scaled(40, 40, Qt::KeepAspectRatio,
                                                                  Qt::SmoothTransformation);
            p.drawPixmap(24 + 75 * c, 30 + 75 * r, px);
        }
    }
    if (row_ < 0)
        return;
    // The cursor: a bracket-cornered outline around the cell.
    const int x = 30 + 75 * col_ - 16, y = 30 + 75 * row_ - 10, w = 60, h = 60, k = 14;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 210, 0), 3));
    p.setBrush(Qt::NoBrush);
    const QPolygon outline({QPoint(x + k, y), QPoint(x + w - k, y), QPoint(x + w, y + k),
                            QPoint(x + w, y + h - k), QPoint(x + w - k, y + h),
                            QPoint(x + k, y + h), QPoint(x, y + h - k), QPoint(x, y + k)});
    p.drawPolygon(outline);
}

} // namespace cv
