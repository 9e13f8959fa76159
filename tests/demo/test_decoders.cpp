#include "demo/DemoDecoders.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace cv;

namespace {
struct DemoBlocks {
    DecoderState s;
    int list = 0;
    int count = int(countryNames().size());
    DemoBlocks() { s.restart(); }
    DemoView feed(int w0, int w1, bool sound = true)
    {
        const int32_t w[6] = {w0, w1, 0, 0, 0, 0};
        DemoView v = decodeDemoBlock(w, s, list, count, sound);
        list = v.list;
        return v;
    }
};

JoyPadView joy(DecoderState& s, int w0, bool sound = true)
{
    const int32_t w[2] = {w0, 0};
    return decodeJoyPadBlock(w, s, sound);
}
} // namespace

TEST(DemoDecoder, ClicksOncePerPressAndStepsTheList)
{
    struct Step {
        int w0, w1, clicks, list;
        bool sound = true;
    };
    // clang-format off
    const struct {
        const char* what;
        int list;
        std::vector<Step> steps;
    } cases[] = {
        // Held when the loop starts: silent until released. Another key is armed
        // by its own release only; without sound nothing clicks, the arming stays.
        {"keys", 0, {{2, 0, 0, 0}, {2, 0, 0, 0}, {0, 0, 0, 0}, {2, 0, 1, 0}, {2, 0, 0, 0},
                     {2, 0, 0, 0}, {0x12, 0, 1, 0}, {0, 0, 0, 0}, {1, 0, 0, 0, false},
                     {1, 0, 1, 0}}},
        {"tap repeats", 0, {{0, 0, 0, 0}, {0, 0xC000, 1, 0}, {0, 0xC000, 0, 0}, {0, 0xC000, 0, 0}}},
        // Without a finger the steps wrap silently; with one, a run clicks once.
        {"wrap", 144, {{0, 0x1000, 0, 0}, {0, 0x2000, 0, 144}}},
        {"run", 10, {{0, 0x8000, 0, 10}, {0, 0x9000, 1, 11}, {0, 0x9000, 0, 12},
                     {0, 0x9000, 0, 13}, {0, 0, 0, 13}, {0, 0x1000, 0, 14}}},
        // Bit 6 over 5, bit 12 over 13, the key-pad's next over the slider's previous.
        {"priorities", 5, {{0x60, 0, 0, 4}, {0x20, 0, 0, 5}, {0, 0x3000, 0, 6},
                           {0x20, 0x2000, 0, 7}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        DemoBlocks d;
        d.list = c.list;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& st = c.steps[i];
            const DemoView v = d.feed(st.w0, st.w1, st.sound);
            EXPECT_EQ(v.clicks, st.clicks) << c.what << " step " << i;
            EXPECT_EQ(v.list, st.list) << c.what << " step " << i;
            EXPECT_EQ(v.keys.pressed[KeyUp], (st.w0 & 2) != 0) << c.what << " step " << i;
            EXPECT_EQ(v.tap, (st.w1 & 0xC000) == 0xC000) << c.what << " step " << i;
        }
    }
}

TEST(DemoDecoder, TicksRoundHalvesToEvenAndStopAtTheLast)
{
    for (auto [position, tick] :
         {std::pair{4, 0}, {12, 2}, {20, 2}, {116, 14}, {117, 15}, {255, 15}})
        EXPECT_EQ(tickIndex(position), tick) << position;

    DemoBlocks d;
    EXPECT_FALSE(d.feed(0, 4).tickMoved); // 0 and 4 share tick 0
    DemoView v = d.feed(0, 12);
    EXPECT_TRUE(v.tickMoved);
    EXPECT_EQ(v.tick, 2);
    EXPECT_FALSE(d.feed(0, 0x8000 | 20).tickMoved);
}

TEST(JoyPadDecoder, KeysMoveOncePerPressCommandsOncePerBlock)
{
    // A row may first put the cursor (`at`: row, col) or start a new loop,
    // which keeps the cursor but disarms the keys.
    struct Step {
        int w0, row, col, clicks;
        bool moved, zoom = false;
        std::pair<int, int> at = {-1, -1};
        bool restart = false;
    };
    // clang-format off
    const Step steps[] = {
        {0, 0, 0, 0, false}, // Right released: armed
        {0x0008, 0, 1, 1, true}, {0x0008, 0, 1, 0, false}, {0x0008, 0, 1, 0, false},
        // The firmware's move command repeats every block up to the edge.
        {0x0100, 0, 2, 0, true}, {0x0100, 0, 3, 0, true},
        {0x0100, 0, 6, 0, true, false, {0, 5}}, {0x0100, 0, 6, 0, false},
        // Bit 6 (up) over 5, 8 and 7; at row 0 up does not move and left is not taken.
        {0x01E0, 1, 6, 0, true, false, {2, 6}}, {0x00C0, 0, 6, 0, false, false, {0, 6}},
        // The centre key zooms on every block it is held.
        {0x0010, 0, 6, 1, false, true}, {0x0010, 0, 6, 0, false, true},
        {0x0004, 0, 6, 0, false, false, {-1, -1}, true},
        // Down held at the last row stays armed: after the up command lifts
        // the cursor, the next block's Down uses that arming, once.
        {0, 3, 0, 0, false, false, {3, 0}}, {0x0001, 3, 0, 1, false},
        {0x0041, 2, 0, 0, true}, {0x0001, 3, 0, 0, true},
        {0x0041, 2, 0, 0, true}, {0x0001, 2, 0, 0, false},
    };
    // clang-format on
    DecoderState s;
    s.restart();
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& st = steps[i];
        if (st.at.first >= 0)
            std::tie(s.row, s.col) = st.at;
        if (st.restart)
            s.restart();
        const JoyPadView v = joy(s, st.w0);
        EXPECT_EQ(std::pair(s.row, s.col), std::pair(st.row, st.col)) << "step " << i;
        EXPECT_EQ(v.keys.clicks, st.clicks) << "step " << i;
        EXPECT_EQ(v.moved, st.moved) << "step " << i;
        EXPECT_EQ(v.zoom, st.zoom) << "step " << i;
    }
    // Centre with a move command: the icon enlarged is the one before the command's move.
    s.row = 1;
    s.col = 4;
    const JoyPadView v = joy(s, 0x0110);
    EXPECT_TRUE(v.zoom);
    EXPECT_EQ(std::pair(v.zoomRow, v.zoomCol), std::pair(1, 4));
    EXPECT_EQ(s.col, 5);
}

TEST(SliderDecoder, WordsOfEachBoard)
{
    EXPECT_EQ(signMagnitude(0x8000), 0);
    EXPECT_EQ(signMagnitude(0x8001), -1);
    EXPECT_EQ(signMagnitude(0x7FFF), 32767);

    int32_t w[15] = {1, 2, 3, 4, 5, 6, 7, 8, 900, 800, 0x8000 | 500, 0x8000 | 40, 60, 99, 0x0F03};
    SliderView v = decodeSliderBlock(58, w);
    EXPECT_FLOAT_EQ(v.positionRatio, -0.5);
    EXPECT_EQ(v.unscaledDisp, -40);
    EXPECT_EQ(v.absPos, 99);
    EXPECT_EQ(v.segmentFlags & 0xFF, 0x03); // shapes 0 and 1 red, 2 to 7 white
    EXPECT_EQ(v.chartPoints, (std::vector<double>{900, 800, -40, 60, 99}));

    const int32_t w70[14] = {1, 2, 3, 4, 5, 6, 7, 8, 0xF0A5, 77, 12, 128, 300, 0};
    v = decodeSliderBlock(70, w70);
    EXPECT_EQ(v.segmentFlags & 0xFF, 0xA5);
    EXPECT_EQ(v.absPos, 77);
    EXPECT_EQ(v.nbPositions, 128);
    EXPECT_EQ(v.chartPoints, (std::vector<double>{300, 77}));

    const int32_t w1[12] = {0xC000 | 0x1FF, 0x12AB, 1, 2, 3, 4, 5, 6, 7, 8, 0x0381, 0xFF};
    v = decodeSliderBlock(1, w1);
    EXPECT_EQ(v.absPos, 0xFF);
    EXPECT_TRUE(v.tap);
    EXPECT_TRUE(v.active);
    EXPECT_EQ(v.segments[7], 8);
    EXPECT_EQ(v.segmentFlags, 0x81);
    EXPECT_EQ(sliderBlockWords(1), 12);
    EXPECT_EQ(sliderBlockWords(58), 15);
    EXPECT_EQ(sliderBlockWords(70), 14);
}

TEST(TypeAhead, PicksTheFirstItemThatBeginsWithTheCandidate)
{
    const QStringList skip = {"3", "7", "15", "31"};
    TypeAhead t = ComboTypeAhead(skip, "3", 0, 1, QLatin1Char('1'));
    EXPECT_TRUE(t.consumed);
    EXPECT_EQ(t.index, 2);
    EXPECT_EQ(t.text, "15");
    EXPECT_EQ(t.selStart, 1); // the "5" stays selected
    EXPECT_EQ(t.selLength, 9999);
    t = ComboTypeAhead(skip, "15", 1, 1, QLatin1Char('9'));
    EXPECT_EQ(t.index, -1);
    EXPECT_EQ(t.text, "19");
    const QStringList modes = {"Full Power", "Shutdown Mode", "Low Power", "Shutdown Mode"};
    EXPECT_EQ(ComboTypeAhead(modes, "", 0, 0, QLatin1Char('s')).index, 1); // case ignored
    EXPECT_FALSE(ComboTypeAhead(modes, "Low", 3, 0, QLatin1Char(' ')).consumed);
}
