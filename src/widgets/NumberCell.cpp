#include "widgets/NumberCell.h"

#include "widgets/GlyphText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace cv {

namespace {
// What assistive tools read of a number cell: its text, as of a label.
class NumberCellAccessible : public QAccessibleWidget {
public:
    explicit NumberCellAccessible(NumberCell* c) : QAccessibleWidget(c, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<const NumberCell*>(widget())->text()
                                      : QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* numberCellAccessible(const QString&, QObject* object)
{
    auto* c = dynamic_cast<NumberCell*>(object);
    return c ? new NumberCellAccessible(c) : nullptr;
}
} // namespace

NumberCell::NumberCell(GlyphText& glyphs, QWidget* parent) : QWidget(parent), glyphs_(glyphs)
{
    static const bool accessible = [] {
        QAccessible::installFactory(numberCellAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
}

void NumberCell::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void NumberCell::paintEvent(QPaintEvent*)
{
    if (text_.isEmpty())
        return;
    QPainter p(this);
    p.setPen(QPen(palette().brush(foregroundRole()), 1));
    const bool digits = std::all_of(text_.begin(), text_.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-');
    });
    if (!digits) {
        p.drawText(contentsRect(), Qt::AlignRight | Qt::AlignVCenter, text_);
        return;
    }
    // Where a label puts a line aligned right and centred upright.
    glyphs_.setFont(font());
    const QFontMetricsF fm(font());
    const QRect r = contentsRect();
    glyphs_.draw(p,
                 QPointF(r.x() + r.width() - glyphs_.width(text_),
                         r.y() + (r.height() - fm.height()) / 2 + fm.ascent()),
                 text_);
}

} // namespace cv
