#include "widgets/RegisterBitDisplay.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace cv;

namespace {
RegisterBitDisplay::Names names()
{
    return {QStringLiteral("RegLbl"), QStringLiteral("Lab1"), QStringLiteral("TitleLbl"),
            QStringLiteral("Label2"), QStringLiteral("Label1")};
}

QString row(const RegisterBitDisplay& d)
{
    QString s;
    for (int i = 15; i >= 0; --i)
        s += d.bitLabel(i)->text();
    return s;
}
} // namespace

TEST(RegisterBitDisplay, ShowsBitsWithBit15AtTheLeftAndTheValueInHex)
{
    RegisterBitDisplay d(0x005, names(), QStringLiteral("Stage Low Interrupt Enable 0x05"));
    d.showValue(0x8092); // the hex text's own format is the number text's
    EXPECT_EQ(row(d), "1000000010010010");
    EXPECT_EQ(d.valueLabel()->text(), "0x8092");

    EXPECT_EQ(d.findChild<QLabel*>("RegLbl_15"), d.bitLabel(15));
    EXPECT_LT(d.bitLabel(15)->x(), d.bitLabel(14)->x());
    EXPECT_LT(d.bitLabel(1)->x(), d.bitLabel(0)->x());
    auto* high = d.findChild<QLabel*>("Label2");
    auto* low = d.findChild<QLabel*>("Label1");
    ASSERT_TRUE(high && low);
    EXPECT_EQ(high->x(), d.bitLabel(15)->x());
    EXPECT_EQ(low->x(), d.bitLabel(0)->x());
    EXPECT_EQ(d.titleLabel()->text(), "Stage Low Interrupt Enable 0x05");

    d.showBit(10, true);
    EXPECT_EQ(row(d), "1000010010010010");
}
