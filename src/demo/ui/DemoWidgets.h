#pragma once
// Small pictures of the demo window: a filled shape (indicators and the
// position ticks) and the JoyPad's icon screen with its cursor.

#include <QColor>
#include <QIcon>
#include <QWidget>
#include <vector>

namespace cv {

class DemoShape : public QWidget {
    Q_OBJECT
public:
    explicit DemoShape(QWidget* parent = nullptr, bool round = false);
    void setFillColor(const QColor& c);
    QColor fillColor() const { return fill_; }
    void setBorder(const QColor& c, int width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_ = Qt::white, border_ = Qt::black;
    int borderWidth_ = 1;
    bool round_;
};

// 4 rows of 7 icons of 40 x 40 pixels, the cell (r, c) at x = 24 + 75c,
// y = 30 + 75r, and the cursor's outline around the cursor cell.
class IconScreen : public QWidget {
    Q_OBJECT
public:
    explicit IconScreen(QWidget* parent = nullptr);
    void setIcons(const std::vector<QIcon>* icons)
    {
        icons_ = icons;
        update();
    }
    void setCursorCell(int row, int col);
    void clearPicture(); // no icons, no cursor
    bool showsIcons() const { return icons_ && !icons_->empty(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const std::vector<QIcon>* icons_ = nullptr;
    int row_ = -1, col_ = -1;
};

} // namespace cv
