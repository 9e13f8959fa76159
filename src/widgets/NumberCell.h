#pragma once
// A number in a table, right-aligned and centred upright as in a label: it
// may change ten times a second, so its digits come from glyphs looked up
// once (shared by the cells of a table), and a new text costs no more than
// a repaint. Assistive tools read its text as a label's.

#include <QString>
#include <QWidget>

namespace cv {

class GlyphText;

class NumberCell : public QWidget {
public:
    explicit NumberCell(GlyphText& glyphs, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    GlyphText& glyphs_;
    QString text_;
};

} // namespace cv
