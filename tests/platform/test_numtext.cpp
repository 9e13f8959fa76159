#include "platform/NumText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace cv;

TEST(NumText, DecimalAndHexTexts)
{
    EXPECT_EQ(decText(5), " 5");
    EXPECT_EQ(decText(0), " 0");
    EXPECT_EQ(decText(-5), "-5");
    EXPECT_EQ(hexText(0x5322), "5322");
    EXPECT_EQ(hexText(0), "0");
    EXPECT_EQ(hexText(0xabc), "ABC");
    EXPECT_EQ(hexText(-1), "FFFFFFFF");
}

TEST(NumText, DigitMasks)
{
    EXPECT_EQ(formatMask(3.2, "##0.00"), "3.20");
    EXPECT_EQ(formatMask(0, "##0.00"), "0.00");
    EXPECT_EQ(formatMask(20.16, "##0.00"), "20.16");
    EXPECT_EQ(formatMask(3.072, "###0.00"), "3.07");
    EXPECT_EQ(formatMask(0.09830, "####0.0000"), "0.0983");
    EXPECT_EQ(formatMask(1.005, "0.00"), "1.01"); // halves away from zero, on the decimal text
    EXPECT_EQ(formatMask(0.25, "#.0"), ".3");
    EXPECT_EQ(formatMask(-2.5, "0"), "-3");
    EXPECT_EQ(formatMask(12345.678, "##0.0"), "12345.7");
}

TEST(NumText, HalvesToEven)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.51), 3);
}

TEST(NumText, TextValueReadsTheNumberAtTheStart)
{
    EXPECT_EQ(textValue(""), 0);
    EXPECT_EQ(textValue("  42"), 42);
    EXPECT_EQ(textValue("4 2"), 42); // blanks are ignored inside too
    EXPECT_EQ(textValue("12abc"), 12);
    EXPECT_EQ(textValue("abc"), 0);
    EXPECT_EQ(textValue("-7.5"), -7.5);
    EXPECT_EQ(textValue("1e3"), 1000);
    EXPECT_EQ(textValue("3.07ms"), 3.07);
    EXPECT_EQ(textValue("&H1F"), 31);
    EXPECT_EQ(textValue("&HFFFF"), -1);
    EXPECT_EQ(textValueRounded("62.5"), 62);
    EXPECT_EQ(textValueRounded("63.5"), 64);
}

// Texts from files can hold any magnitude: the conversions stay defined and
// say when nothing usable was there.
TEST(NumText, HugeValuesAndBarePointsStayDefined)
{
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

    bool found = true;
    EXPECT_EQ(textValue(".", &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(textValue("-.e5", &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(textValue("&H", &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(textValue(" .5", &found), 0.5);
    EXPECT_TRUE(found);
    // A long hexadecimal run wraps instead of overflowing.
    textValue("&HFFFFFFFFFFFFFFFFFFFFFFFF", &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(formatMask(1e300, "##0.00").size() > 0, true);
    EXPECT_EQ(formatMask(std::nan(""), "##0.00"), "0.00");
}

// Reading the register console's address and value fields.
TEST(EntryFields, HexReadsDigitsUpToTheFirstOtherCharacter)
{
    EXPECT_EQ(hexFieldValue("FFFF"), 0xFFFFu);
    EXPECT_EQ(hexFieldValue("beEF"), 0xBEEFu);
    EXPECT_EQ(hexFieldValue(" 1f and more"), 0x1Fu);
    EXPECT_EQ(hexFieldValue("0x10"), 0u); // the x ends the number
    EXPECT_EQ(hexFieldValue(""), 0u);
    EXPECT_EQ(hexFieldValue("G1"), 0u);

    bool overflow = true;
    EXPECT_EQ(hexFieldValue("3FF", &overflow), 0x3FFu);
    EXPECT_FALSE(overflow);
    // Longer texts keep their low bits exact and say they were too long.
    EXPECT_EQ(hexFieldValue("1000000000000ABCD", &overflow) & 0xFFFF, 0xABCDu);
    EXPECT_TRUE(overflow);
}

TEST(EntryFields, DecimalKeepsTheLow16BitsExact)
{
    EXPECT_EQ(decFieldValue("70000") & 0xFFFF, 0x1170);
    EXPECT_EQ(decFieldValue("-1") & 0xFFFF, 0xFFFF);
    EXPECT_EQ(decFieldValue("65535") & 0xFFFF, 0xFFFF);
    EXPECT_EQ(decFieldValue(" +42x"), 42);
    EXPECT_EQ(decFieldValue("-"), 0);
    EXPECT_EQ(decFieldValue("abc"), 0);
    // 10^20 + 7 wraps past 64 bits; its low 16 bits are still right.
    EXPECT_EQ(decFieldValue("100000000000000000007") & 0xFFFF, 0x0007);
}
