#pragma once
// One key of the board's key pad as a picture cut to its symbol: the widget
// exists (is drawn and takes clicks) only inside the outline, red until the
// first decoded block, then blue while pressed and light grey when released.

#include "demo/DemoDecoders.h"

#include <QColor>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace cv {

// The symbol's outline in the picture's pixels: the chevrons as traced
// polygons, the centre key as the outline of the letters "O" and "K".
QPainterPath keyOutline(DemoKey key);
// The pixels of the picture that belong to the key.
QRegion keyMask(DemoKey key);

class KeyPicture : public QWidget {
    Q_OBJECT
public:
    KeyPicture(DemoKey key, QWidget* parent = nullptr);

    DemoKey key() const { return key_; }
    void setBackColor(const QColor& c);
    QColor backColor() const { return back_; }
    void setPressed(bool pressed); // blue or light grey
    int clicks() const { return clicks_; }

    static QColor pressedColor() { return QColor(0, 0, 255); }
    static QColor releasedColor() { return QColor(192, 192, 192); }
    static QColor initialColor() { return QColor(255, 0, 0); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    DemoKey key_;
    QPainterPath outline_;
    QColor back_;
    bool painted_ = false; // the back colour has been set once
    int clicks_ = 0;
};

} // namespace cv
