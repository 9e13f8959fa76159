#pragma once
// An indicator lamp: a round light that is on (its colour) or off (dark).

#include <QColor>
#include <QWidget>

namespace cv {

class Led : public QWidget {
    Q_OBJECT
public:
    explicit Led(QWidget* parent = nullptr, QColor color = QColor(0x2e, 0xd1, 0x3b));

    void setOn(bool on);
    bool isOn() const { return on_; }
    void setColor(const QColor& color);
    QColor color() const { return color_; }

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    bool on_ = false;
};

} // namespace cv
