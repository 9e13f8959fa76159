#include "widgets/GlyphText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>

namespace cv {

void GlyphText::setFont(const QFont& font)
{
    if (ready_ && font == font_)
        return;
    font_ = font;
    ready_ = true;
    raw_ = QRawFont::fromFont(font);
    glyph_.fill(0);
    if (!raw_.isValid())
        return;
    QString all;
    for (int c = kFirst; c < kEnd; ++c)
        all += QChar(c);
    const QList<quint32> glyphs = raw_.glyphIndexesForString(all);
    if (glyphs.size() != all.size())
        return;
    // Widths as the font's metrics give them, so layouts measured either way agree.
    const QFontMetricsF fm(font);
    for (int i = 0; i < all.size(); ++i) {
        glyph_[size_t(i)] = glyphs[i];
        advance_[size_t(i)] = fm.horizontalAdvance(all[i]);
    }
}

bool GlyphText::mapped(const QString& text) const
{
    for (QChar c : text)
        if (c.unicode() < kFirst || c.unicode() >= kEnd || glyph_[c.unicode() - kFirst] == 0)
            return false;
    return true;
}

qreal GlyphText::width(const QString& text) const
{
    if (!mapped(text))
        return QFontMetricsF(font_).horizontalAdvance(text);
    qreal w = 0;
    for (QChar c : text)
        w += advance_[c.unicode() - kFirst];
    return w;
}

void GlyphText::draw(QPainter& p, QPointF at, const QString& text)
{
    if (text.isEmpty())
        return;
    if (!mapped(text)) {
        p.setFont(font_);
        p.drawText(at, text);
        return;
    }
    indexes_.clear();
    positions_.clear();
    qreal x = 0;
    for (QChar c : text) {
        const size_t k = c.unicode() - kFirst;
        indexes_.push_back(glyph_[k]);
        positions_.emplace_back(x, 0);
        x += advance_[k];
    }
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setRawData(indexes_.data(), positions_.data(), int(indexes_.size()));
    p.drawGlyphRun(at, run);
}

} // namespace cv
