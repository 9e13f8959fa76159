#include "demo/DemoDecoders.h"

#include "platform/NumText.h"

#include <algorithm>

namespace cv {

QString demoKeyName(int key)
{
    static const char* const names[kDemoKeys] = {"down", "up", "left", "right", "centre"};
    return QString::fromLatin1(names[key]);
}

int32_t signMagnitude(int32_t word)
{
    return (word & 0x8000) ? -(word & 0x7FFF) : (word & 0xFFFF);
}

int tickIndex(int position)
{
    return static_cast<int>(std::min<int64_t>(roundHalfEven(position / 8.0), kTicks - 1));
}

void DecoderState::restart()
{
    clickArmed.fill(false);
    moveArmed.fill(false);
    tapArmed = false;
    listArmed = false;
    previousPosition = 0;
}

namespace {

// Key pictures and their click: a held key clicks once, a release re-arms
// the click and (JoyPad) the move.
KeysView decodeKeys(uint16_t word0, DecoderState& s, bool sound, bool joyPad)
{
    KeysView v;
    for (int k = 0; k < kDemoKeys; ++k) {
        const bool down = (word0 >> k) & 1;
        v.pressed[static_cast<size_t>(k)] = down;
        if (down) {
            if (sound && s.clickArmed[static_cast<size_t>(k)]) {
                ++v.clicks;
                s.clickArmed[static_cast<size_t>(k)] = false;
            }
        } else {
            s.clickArmed[static_cast<size_t>(k)] = true;
            if (joyPad)
                s.moveArmed[static_cast<size_t>(k)] = true;
        }
    }
    return v;
}

// One cell in a direction if it stays inside the grid.
bool moveCursor(DecoderState& s, int dRow, int dCol)
{
    const int r = s.row + dRow, c = s.col + dCol;
    if (r < 0 || r >= kGridRows || c < 0 || c >= kGridCols)
        return false;
    s.row = r;
    s.col = c;
    return true;
}

} // namespace

DemoView decodeDemoBlock(const int32_t* words, DecoderState& s, int list, int listCount, bool sound)
{
    DemoView v;
    v.word0 = static_cast<uint16_t>(words[0]);
    v.word1 = static_cast<uint16_t>(words[1]);
    v.position = v.word1 & 0xFF;
    v.active = v.word1 & 0x8000;
    v.tap = v.word1 & 0x4000;
    if (v.tap) {
        if (sound && s.tapArmed) {
            ++v.clicks;
            s.tapArmed = false;
        }
    } else {
        s.tapArmed = true;
    }
    // Slider command: bit 12 wins over bit 13; key-pad: bit 6 over bit 5.
    const int slider = (v.word1 & 0x1000) ? 1 : (v.word1 & 0x2000) ? 2 : 0;
    const int pad = (v.word0 & 0x40) ? 2 : (v.word0 & 0x20) ? 1 : 0;

    v.tick = tickIndex(v.position);
    v.tickMoved = v.tick != tickIndex(s.previousPosition);

    v.keys = decodeKeys(v.word0, s, sound, false);
    v.clicks += v.keys.clicks;

    auto clickOnStep = [&] {
        if (sound && v.active && s.listArmed) {
            ++v.clicks;
            s.listArmed = false;
        }
    };
    v.list = list;
    if (pad == 1 || slider == 1) {
        if (list + 1 < listCount) {
            v.list = list + 1;
            clickOnStep();
        } else {
            v.list = 0; // wraps without a click
        }
    } else if (pad == 2 || slider == 2) {
        if (list - 1 >= 0) {
            v.list = list - 1;
            clickOnStep();
        } else {
            v.list = listCount - 1;
        }
    } else {
        s.listArmed = true;
    }
    s.previousPosition = v.position;
    return v;
}

JoyPadView decodeJoyPadBlock(const int32_t* words, DecoderState& s, bool sound)
{
    JoyPadView v;
    v.word0 = static_cast<uint16_t>(words[0]);
    v.keys = decodeKeys(v.word0, s, sound, true);
    // A held key moves once per press, in the decoder's key order; a move
    // that would leave the grid keeps the key armed.
    const int step[4][2] = {{1, 0}, {-1, 0}, {0, -1}, {0, 1}}; // down, up, left, right
    for (int k = KeyDown; k <= KeyRight; ++k) {
        const auto key = static_cast<size_t>(k);
        if (v.keys.pressed[key] && s.moveArmed[key] && moveCursor(s, step[k][0], step[k][1])) {
            s.moveArmed[key] = false;
            v.moved = true;
        }
    }
    // The centre key enlarges the icon under the cursor as the keys left it,
    // before this block's move command.
    v.zoom = v.keys.pressed[KeyCentre];
    v.zoomRow = s.row;
    v.zoomCol = s.col;
    // Move commands are not armed: one cell per block, the first set of
    // bits 6, 5, 8, 7 only.
    if (v.word0 & 0x40)
        v.moved |= moveCursor(s, -1, 0);
    else if (v.word0 & 0x20)
        v.moved |= moveCursor(s, 1, 0);
    else if (v.word0 & 0x100)
        v.moved |= moveCursor(s, 0, 1);
    else if (v.word0 & 0x80)
        v.moved |= moveCursor(s, 0, -1);
    return v;
}

int sliderBlockWords(int boardId)
{
    return boardId == 1 ? 12 : boardId == 70 ? 14 : 15;
}

SliderView decodeSliderBlock(int boardId, const int32_t* w)
{
    SliderView v;
    if (boardId == 1) {
        v.absPos = w[0] & 0xFF;
        v.tap = w[0] & 0x4000;
        v.active = w[0] & 0x8000;
        v.lowerThreshold = w[1];
        for (int i = 0; i < 8; ++i)
            v.segments[static_cast<size_t>(i)] = w[2 + i];
        v.upperThreshold = w[10];
        v.segmentFlags = static_cast<uint16_t>(w[10] & 0xFF);
        v.proximity = w[11];
        v.chartPoints = {double(v.absPos)};
    } else if (boardId == 70) {
        for (int i = 0; i < 8; ++i)
            v.segments[static_cast<size_t>(i)] = w[i];
        v.segmentFlags = static_cast<uint16_t>(w[8] & 0xFFF);
        v.absPos = w[9];
        v.displacement = w[10];
        v.nbPositions = w[11];
        v.unscaledDisp = w[12];
        v.chartPoints = {double(v.unscaledDisp), double(v.absPos)};
    } else {
        for (int i = 0; i < 8; ++i)
            v.segments[static_cast<size_t>(i)] = w[i];
        v.mean = w[8];
        v.reverseMean = w[9];
        v.positionRatio = static_cast<float>(signMagnitude(w[10]) / 1000.0f);
        v.unscaledDisp = signMagnitude(w[11]);
        v.posDisp = w[12];
        v.absPos = w[13];
        v.segmentFlags = static_cast<uint16_t>(w[14] & 0xFFF);
        v.chartPoints = {double(v.mean), double(v.reverseMean), double(v.unscaledDisp),
                         double(v.posDisp), double(v.absPos)};
    }
    return v;
}

PlotRanges positionPlotRanges(int n)
{
    return {0, double(n) + 10, 0, double(n) + 25};
}

PlotRanges meanPlotRanges(int w)
{
    return {0, double(w) * 20, 0, double(w) * 10};
}

PlotRanges displacementPlotRanges(int d)
{
    return {-2.0 * d, 3.0 * d, -1.0 * d, 2.0 * d};
}

TypeAhead ComboTypeAhead(const QStringList& items, const QString& text, int selStart, int selLength,
                         QChar key)
{
    TypeAhead t;
    t.text = text;
    t.selStart = selStart;
    t.selLength = selLength;
    if (key.unicode() < 33)
        return t;
    t.consumed = true;
    selStart = std::clamp(selStart, 0, int(text.size()));
    selLength = std::clamp(selLength, 0, int(text.size()) - selStart);
    const QString candidate = text.left(selStart) + key + text.mid(selStart + selLength);
    for (int i = 0; i < items.size(); ++i)
        if (items[i].startsWith(candidate, Qt::CaseInsensitive)) {
            t.index = i;
            break;
        }
    t.text = t.index >= 0 ? items[t.index] : candidate;
    t.selStart = int(candidate.size());
    t.selLength = 9999;
    return t;
}

} // namespace cv
