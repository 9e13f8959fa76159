#pragma once
// The demo's result words and what the window makes of them: key states with
// their click, list steps, the position ticks, the JoyPad cursor and the
// Slider tab's numbers. Plain functions over one block and a small state, so
// the window and cv5320ctl show the same thing.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace cv {

// The five keys in the order the decoder visits them (word 0 bits 0 to 4).
enum DemoKey { KeyDown = 0, KeyUp = 1, KeyLeft = 2, KeyRight = 3, KeyCentre = 4 };
inline constexpr int kDemoKeys = 5;
// "down", "up", "left", "right", "centre".
QString demoKeyName(int key);

// 145 English short names, alphabetical: the player's list.
const QStringList& countryNames();

// Bit 15 is the sign, bits 14..0 the magnitude (0x8000 is 0, 0x8001 is -1).
int32_t signMagnitude(int32_t word);

// Tick of a slider position: position / 8, halves to even, at most 15.
int tickIndex(int position);
inline constexpr int kTicks = 16;

// What the decoders remember between blocks. All fresh (false, 0) at each
// start of a tab's loop except the cursor, which lives as long as the window.
struct DecoderState {
    std::array<bool, kDemoKeys> clickArmed{};
    std::array<bool, kDemoKeys> moveArmed{};
    bool tapArmed = false;
    bool listArmed = false;
    int previousPosition = 0;
    int row = 0, col = 0; // JoyPad cursor

    void restart(); // a loop starts: everything but the cursor
};

inline constexpr int kGridRows = 4, kGridCols = 7;

struct KeysView {
    std::array<bool, kDemoKeys> pressed{};
    int clicks = 0;
};

// Demo tab (6 words).
struct DemoView {
    KeysView keys;
    int clicks = 0;   // key, tap and list clicks together
    int position = 0; // word 1 bits 7..0
    int tick = 0;     // tick of the position
    bool tickMoved = false;
    bool tap = false;    // word 1 bit 14
    bool active = false; // word 1 bit 15
    int list = 0;        // selected item after the step
    uint16_t word0 = 0, word1 = 0;
};
// `list` is the selected item before the block; `sound` the audible feedback box.
DemoView decodeDemoBlock(const int32_t* words, DecoderState& s, int list, int listCount,
                         bool sound);

// JoyPad tab (2 words).
struct JoyPadView {
    KeysView keys;
    bool moved = false;           // the cursor changed cell
    bool zoom = false;            // centre key: the icon under the cursor enlarged
    int zoomRow = 0, zoomCol = 0; // the cell it enlarges
    uint16_t word0 = 0;
};
JoyPadView decodeJoyPadBlock(const int32_t* words, DecoderState& s, bool sound);

// Slider tab: one struct per board; fields a board does not have stay 0.
struct SliderView {
    std::array<int32_t, 8> segments{}; // gauge levels (board 1: sensors 0..7)
    uint16_t segmentFlags = 0;         // shape i red when bit i is set (bits 0..7)
    // Board 58
    int32_t mean = 0, reverseMean = 0;
    double positionRatio = 0; // thousandths, as shown
    int32_t unscaledDisp = 0, posDisp = 0, absPos = 0;
    // Board 70
    int32_t displacement = 0, nbPositions = 0;
    // Board 1
    bool tap = false, active = false;
    int32_t lowerThreshold = 0, upperThreshold = 0, proximity = 0;
    // Points appended to the chart, trace by trace.
    std::vector<double> chartPoints;
};
SliderView decodeSliderBlock(int boardId, const int32_t* words);
// Words the Slider tab reads: 12, 15 or 14 for boards 1, 58, 70.
int sliderBlockWords(int boardId);

// The two value ranges of a chart plot.
struct PlotRanges {
    double firstLower, firstUpper, secondLower, secondUpper;
};
// Board 58's chart: plot 2 (position) from the number of positions, plot 0
// (means) from the weight factor, plot 1 (displacements) from the
// displacement factor.
PlotRanges positionPlotRanges(int numberOfPositions);
PlotRanges meanPlotRanges(int weightFactor);
PlotRanges displacementPlotRanges(int displacementFactor);

// What typing one character into a drop-down list does.
struct TypeAhead {
    bool consumed = false; // keys below 33 pass through
    int index = -1;        // the item chosen, or -1
    QString text;          // the box's text afterwards
    int selStart = 0, selLength = 0;
};
TypeAhead ComboTypeAhead(const QStringList& items, const QString& text, int selStart, int selLength,
                         QChar key);

} // namespace cv
