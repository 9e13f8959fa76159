#include "measure/ui/LevelDiagram.h"

#include "platform/NumText.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace cv {

namespace {
// Level colours from the top: offset high, high threshold, ambient, low
// threshold, offset low.
const QColor kLevelColors[5] = {QColor(0x55, 0x55, 0x55), QColor(0xD0, 0x20, 0x20),
                                QColor(0x1E, 0x90, 0x3C), QColor(0x20, 0x50, 0xD0),
                                QColor(0x55, 0x55, 0x55)};
// Room right of the level lines for the offsets' spans and names.
constexpr int kSpanTextW = 96;
} // namespace

LevelDiagram::LevelDiagram(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GraphShape"));
    setMinimumSize(250, 300);
    for (size_t k = 0; k < Label8.size(); ++k) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("Label8_%1").arg(2 * k + 1));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setText(decText(37500 - 2500 * int64_t(k))); // design values
        Label8[k] = l;
    }
    // The spans' names, in the colours of their levels.
    const auto spanLabel = [this](const char* name, const QString& text, const QColor& c,
                                  Qt::Alignment align, double scale) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(align);
        l->setWordWrap(true);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, c);
        l->setPalette(pal);
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * scale);
        l->setFont(f);
        return l;
    };
    OffHiLbl = spanLabel("OffHiLbl", QStringLiteral("Offset High"), kLevelColors[0],
                         Qt::AlignLeft | Qt::AlignVCenter, 0.9);
    MaxTLbl = spanLabel("MaxTLbl", QStringLiteral("Max Thresh"), kLevelColors[1],
                        Qt::AlignLeft | Qt::AlignBottom, 1.0);
    MinTLbl = spanLabel("MinTLbl", QStringLiteral("Min Thresh"), kLevelColors[3],
                        Qt::AlignLeft | Qt::AlignTop, 1.0);
    OffLoLbl = spanLabel("OffLoLbl", QStringLiteral("Offset Low"), kLevelColors[4],
                         Qt::AlignLeft | Qt::AlignVCenter, 0.9);
}

void LevelDiagram::place(const DiagramScale& scale, const std::array<double, 5>& levels)
{
    scale_ = scale;
    levels_ = levels;
    for (size_t k = 0; k < Label8.size(); ++k)
        Label8[k]->setText(decText(scale.labels[k]));
    layoutLabels();
    update();
}

void LevelDiagram::resizeEvent(QResizeEvent*)
{
    layoutLabels();
}

void LevelDiagram::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect area = plotArea();
    p.fillRect(area, QColor(0xFB, 0xFB, 0xF8));
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(area.adjusted(0, 0, -1, -1));
    // Scale ticks at the labels.
    for (size_t k = 0; k < 6; ++k) {
        const int y = yOf(double(scale_.labels[k]));
        p.setPen(QColor(0xDD, 0xDD, 0xDD));
        p.drawLine(area.left() + 1, y, area.right() - 1, y);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawLine(area.left() - 4, y, area.left(), y);
    }
    if (scale_.span == 0)
        return;
    const QColor* colors = kLevelColors;
    const int lineRight = area.right() - kSpanTextW;
    int ys[5];
    for (int i = 0; i < 5; ++i) {
        ys[i] = yOf(levels_[size_t(i)]);
        QPen pen(colors[i], i == 2 ? 2.5 : 2.0);
        if (i == 0 || i == 4)
            pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawLine(area.left() + 8, ys[i], lineRight, ys[i]);
    }
    // Spans from the ambient: offsets on the outside, thresholds inside.
    const auto span = [&](int x, int from, int to, const QColor& c) {
        p.setPen(QPen(c, 1.2));
        p.drawLine(x, from, x, to);
        p.drawLine(x - 3, to, x + 3, to);
        p.drawLine(x - 3, from, x + 3, from);
    };
    span(lineRight - 30, ys[2], ys[1], colors[1]);
    span(lineRight - 30, ys[2], ys[3], colors[3]);
    span(lineRight + 6, ys[2], ys[0], colors[0]);
    span(lineRight + 6, ys[2], ys[4], colors[4]);
    p.setPen(colors[2]);
    p.drawText(QPoint(area.left() + 12, ys[2] - 4), QStringLiteral("Ambient"));
}

QRect LevelDiagram::plotArea() const
{
    return rect().adjusted(56, 8, -4, -8);
}

// Heights are in the drawing's twips, the drawing being 4815 twips tall.
int LevelDiagram::yOf(double value) const
{
    const QRect a = plotArea();
    const double h = double(levelHeight(value, scale_));
    return a.bottom() - int(h * a.height() / double(kDiagramHeightTwips));
}

void LevelDiagram::layoutLabels()
{
    for (size_t k = 0; k < Label8.size(); ++k) {
        const int y = yOf(double(scale_.labels[k]));
        Label8[k]->setGeometry(0, y - 9, 50, 18);
    }
    const bool shown = scale_.span != 0;
    for (QLabel* l : {OffHiLbl, MaxTLbl, MinTLbl, OffLoLbl})
        l->setVisible(shown);
    if (!shown)
        return;
    const QRect area = plotArea();
    const int spanX = area.right() - kSpanTextW + 11;
    const int spanW = area.right() - spanX - 1;
    const int amb = yOf(levels_[2]);
    const auto between = [&](QLabel* l, int from, int to) {
        const int h = std::max(std::abs(to - from), 2 * l->fontMetrics().height());
        l->setGeometry(spanX, (from + to) / 2 - h / 2, spanW, h);
    };
    between(OffHiLbl, amb, yOf(levels_[0]));
    between(OffLoLbl, amb, yOf(levels_[4]));
    const int textH = fontMetrics().height() + 2;
    MaxTLbl->setGeometry(area.left() + 12, yOf(levels_[1]) - textH - 1, 110, textH);
    MinTLbl->setGeometry(area.left() + 12, yOf(levels_[3]) + 2, 110, textH);
}

} // namespace cv
