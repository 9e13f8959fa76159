// Reading the register console's address and value fields.
#include "platform/NumText.h"

#include <gtest/gtest.h>

using namespace cv;

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
