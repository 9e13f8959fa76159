#include "demo/DemoDecoders.h"
#include "support/Captions.h"

#include <QFile>
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

// The fixture's cases, each block with what it did.
TEST(DemoDecoder, ClicksOncePerPressAndStepsTheList)
{
    DemoBlocks d;
    test::expectCases(QStringLiteral("demo/fixtures/demo_blocks.txt"),
                      [&](const QString& block) -> std::optional<QString> {
                          const QStringList w = block.split(' ');
                          if (w[0] == "from") {
                              d = DemoBlocks();
                              d.list = w[1].toInt();
                              return std::nullopt;
                          }
                          const DemoView v = d.feed(w[0].toInt(nullptr, 16),
                                                    w[1].toInt(nullptr, 16), w.size() < 3);
                          return QStringLiteral("item %1, %2 clicks").arg(v.list).arg(v.clicks) +
                                 (v.keys.pressed[KeyUp] ? ", up" : "") + (v.tap ? ", tap" : "");
                      });
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

// The fixture's blocks in turn, each with what it did.
TEST(JoyPadDecoder, KeysMoveOncePerPressCommandsOncePerBlock)
{
    DecoderState s;
    s.restart();
    test::expectCases(QStringLiteral("demo/fixtures/joypad_blocks.txt"), [&](const QString& block) {
        const QStringList w = block.split(' ');
        if (w[0] == "at")
            std::tie(s.row, s.col) = std::pair(w[1].toInt(), w[2].toInt());
        if (w[0] == "restart")
            s.restart();
        const JoyPadView v = joy(s, w.back().toInt(nullptr, 16));
        return QStringLiteral("%1 %2, %3 clicks").arg(s.row).arg(s.col).arg(v.keys.clicks) +
               (v.moved ? ", moved" : "") +
               (v.zoom ? QStringLiteral(", zoom at %1 %2").arg(v.zoomRow).arg(v.zoomCol) : "");
    });
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
