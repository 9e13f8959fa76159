#include "platform/NumText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace cv;

TEST(NumText, DecimalHexAndMaskTexts)
{
    // clang-format off
    const std::tuple<int, const char*, const char*> texts[] = {
        {5, " 5", "5"}, {0, " 0", "0"}, {-5, "-5", "FFFFFFFB"}, {0xabc, " 2748", "ABC"}};
    // clang-format on
    for (const auto& [v, dec, hex] : texts) {
        EXPECT_EQ(decText(v), dec);
        EXPECT_EQ(hexText(v), hex);
    }
    // clang-format off
    const std::tuple<double, const char*, const char*> masks[] = {
        {3.2, "##0.00", "3.20"}, {0, "##0.00", "0.00"}, {0.09830, "####0.0000", "0.0983"},
        {1.005, "0.00", "1.01"}, // halves away from zero, on the decimal text
        {0.25, "#.0", ".3"}, {-2.5, "0", "-3"}, {12345.678, "##0.0", "12345.7"}};
    // clang-format on
    for (const auto& [v, mask, text] : masks)
        EXPECT_EQ(formatMask(v, mask), text) << v;
    for (const auto& [v, even] : {std::pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.51, 3}})
        EXPECT_EQ(roundHalfEven(v), even) << v;
}

// Texts from files can hold any magnitude: the conversions stay defined and
// say when nothing usable was there.
TEST(NumText, TextValueReadsTheNumberAtTheStartAndHugeValuesStayDefined)
{
    // Blanks are ignored inside too.
    // clang-format off
    const std::tuple<const char*, double, bool> values[] = {
        {"", 0, false}, {"  42", 42, true}, {"4 2", 42, true}, {"12abc", 12, true}, {"abc", 0, false},
        {"-7.5", -7.5, true}, {"1e3", 1000, true}, {"3.07ms", 3.07, true}, {"&H1F", 31, true},
        {"&HFFFF", -1, true}, {".", 0, false}, {"-.e5", 0, false}, {"&H", 0, false}, {" .5", 0.5, true}};
    // clang-format on
    for (const auto& [text, v, ok] : values) {
        bool found = !ok;
        EXPECT_EQ(textValue(text, &found), v) << text;
        EXPECT_EQ(found, ok) << text;
    }
    EXPECT_EQ(textValueRounded("62.5"), 62);
    EXPECT_EQ(textValueRounded("63.5"), 64);

    EXPECT_EQ(roundHalfEven(1e300), INT64_MAX);
    EXPECT_EQ(roundHalfEven(-1e300), INT64_MIN);
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);
    EXPECT_EQ(textValueRounded("1e300"), INT64_MAX);
    int32_t v = 7;
    EXPECT_FALSE(roundToInt32(1e300, v));
    EXPECT_FALSE(roundToInt32(2147483647.5, v)); // rounds to 2^31
    EXPECT_FALSE(roundToInt32(std::numeric_limits<double>::infinity(), v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(roundToInt32(-2147483648.4, v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(roundToInt32(2.5, v));
    EXPECT_EQ(v, 2);

    // A long hexadecimal run wraps instead of overflowing.
    bool found = false;
    textValue("&HFFFFFFFFFFFFFFFFFFFFFFFF", &found);
    EXPECT_TRUE(found);
    EXPECT_FALSE(formatMask(1e300, "##0.00").isEmpty());
    EXPECT_EQ(formatMask(std::nan(""), "##0.00"), "0.00");
}

// Reading the register console's address and value fields.
TEST(EntryFields, HexReadsDigitsUpToTheFirstOtherCharacterDecimalKeepsTheLow16Bits)
{
    // The x of "0x10" ends the number.
    for (const auto& [text, v] : {std::pair{"FFFF", 0xFFFFu},
                                  {"beEF", 0xBEEFu},
                                  {" 1f and more", 0x1Fu},
                                  {"0x10", 0u},
                                  {"", 0u},
                                  {"G1", 0u}})
        EXPECT_EQ(hexFieldValue(text), v) << text;

    bool overflow = true;
    EXPECT_EQ(hexFieldValue("3FF", &overflow), 0x3FFu);
    EXPECT_FALSE(overflow);
    // Longer texts keep their low bits exact and say they were too long.
    EXPECT_EQ(hexFieldValue("1000000000000ABCD", &overflow) & 0xFFFF, 0xABCDu);
    EXPECT_TRUE(overflow);

    // Decimal keeps the low 16 bits exact: 10^20 + 7 wraps past 64 bits; its low 16 bits are still
    // right.
    for (const auto& [text, v] : {std::pair{"70000", 0x1170},
                                  {"-1", 0xFFFF},
                                  {"65535", 0xFFFF},
                                  {" +42x", 42},
                                  {"-", 0},
                                  {"abc", 0},
                                  {"100000000000000000007", 0x0007}})
        EXPECT_EQ(decFieldValue(text) & 0xFFFF, v) << text;
}
