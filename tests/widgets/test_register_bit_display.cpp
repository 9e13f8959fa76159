#include "../config/DialogProbe.h"
#include "widgets/RegisterBitDisplay.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace cv;
using cv::test::child;
using cv::test::shownBits;

TEST(RegisterBitDisplay, ShowsBitsWithBit15AtTheLeftAndTheValueInHex)
{
    RegisterBitDisplay d(0x005,
                         {QStringLiteral("RegLbl"), QStringLiteral("Lab1"),
                          QStringLiteral("TitleLbl"), QStringLiteral("Label2"),
                          QStringLiteral("Label1")},
                         QStringLiteral("Stage Low Interrupt Enable 0x05"));
    d.showValue(0x8092); // the hex text's own format is the number text's
    EXPECT_EQ(shownBits(d, "RegLbl"), "1000000010010010");
    EXPECT_EQ(d.valueLabel()->text(), "0x8092");

    EXPECT_LT(d.bitLabel(15)->x(), d.bitLabel(14)->x());
    EXPECT_LT(d.bitLabel(1)->x(), d.bitLabel(0)->x());
    EXPECT_EQ(child<QLabel>(d, "Label2")->x(), d.bitLabel(15)->x());
    EXPECT_EQ(child<QLabel>(d, "Label1")->x(), d.bitLabel(0)->x());

    d.showBit(10, true);
    EXPECT_EQ(shownBits(d, "RegLbl"), "1000010010010010");
}
