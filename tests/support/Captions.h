#pragma once
// One golden check per window for its fixed texts: every named child with
// its caption, tool tip and list items, against a fixture file. Run with
// CV_UPDATE_GOLDEN=1 to write the fixtures from the windows as they are.

#include <QString>

class QWidget;

namespace cv::test {

// "name<TAB>caption[<TAB>tip: ...][<TAB>items: a|b|c]" per named child,
// sorted by name; the window's own title first. Labels that show a register
// in hex read "0x...".
QString captionsOf(const QWidget& window);

// Compares a text with the file CV_TEST_DIR/<fixture> (or rewrites it).
void expectGolden(const QString& text, const QString& fixture);
inline void expectCaptions(const QWidget& window, const QString& fixture)
{
    expectGolden(captionsOf(window), fixture);
}

} // namespace cv::test
