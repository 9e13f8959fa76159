#pragma once
// One golden check per window for its fixed texts: every named child with
// its caption, tool tip and list items, against a fixture file. Run with
// CV_UPDATE_GOLDEN=1 to write the fixtures from the windows as they are.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace cv::test {

// "name<TAB>caption[<TAB>tip: ...][<TAB>items: a|b|c]" per named child,
// sorted by name; the window's own title first. Labels that show a register
// in hex read "0x...".
QString captionsOf(const QWidget& window);

// Compares a text with the file CV_TEST_DIR/<fixture> (or rewrites it).
void expectGolden(const QString& text, const QString& fixture);
// A table of cases in a fixture, one a line, "CASE => OUTCOME" ('#' starts a
// comment): each case's outcome is what `outcome` says of it now (nothing:
// a line that only sets the scene, written without an outcome).
void expectCases(const QString& fixture,
                 const std::function<std::optional<QString>(const QString&)>& outcome);
inline void expectCaptions(const QWidget& window, const QString& fixture)
{
    expectGolden(captionsOf(window), fixture);
}

} // namespace cv::test
