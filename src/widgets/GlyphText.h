#pragma once
// Short texts in one font, drawn from glyphs looked up once: the chart's
// numbers change every frame, and shaping each anew cost more than drawing
// the traces. Printable ASCII only, laid out glyph after glyph without
// kerning (the digits of a UI font have none); anything else goes through
// QPainter::drawText as usual.

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <array>
#include <vector>

class QPainter;

namespace cv {

class GlyphText {
public:
    // Looks the glyphs up again only when the font differs from the last.
    void setFont(const QFont& font);
    // The text's advance, as QFontMetrics::horizontalAdvance gives it.
    qreal width(const QString& text) const;
    // Draws with the left end of the baseline at `at`, in the painter's pen.
    void draw(QPainter& p, QPointF at, const QString& text);

private:
    bool mapped(const QString& text) const;

    QFont font_;
    bool ready_ = false;
    QRawFont raw_;
    static constexpr int kFirst = 0x20, kEnd = 0x7F;
    std::array<quint32, kEnd - kFirst> glyph_{}; // 0: no glyph of its own
    std::array<qreal, kEnd - kFirst> advance_{};
    std::vector<quint32> indexes_; // reused between texts
    std::vector<QPointF> positions_;
};

} // namespace cv
