#include "config/RegisterFields.h"

#include "link/UsbUtils.h"
#include "platform/NumText.h"

namespace cv {

int32_t UpdateField(const RegField& f, int32_t value)
{
    return UpdateRegister(f.address, f.keepMask(), (value * f.multiplier) & f.mask, TargetChip);
}

int32_t SetCommandBit(const RegField& f)
{
    return UpdateField(f, 1);
}

int32_t withStageFlags(int32_t word, const bool flags[12])
{
    int16_t bits[16];
    WordToBits(word, bits);
    for (int i = 0; i < 12; ++i)
        bits[i] = flags[i] ? 1 : 0;
    return BitsToWord(bits);
}

QStringList powerModeItems()
{
    // Field values 1 and 3 both shut the chip down; both keep their own entry.
    return {QStringLiteral("Full Power"), QStringLiteral("Shutdown Mode"),
            QStringLiteral("Low Power"), QStringLiteral("Shutdown Mode")};
}

QStringList convDelayItems()
{
    return {QStringLiteral("200ms"), QStringLiteral("400ms"), QStringLiteral("600ms"),
            QStringLiteral("800ms")};
}

QStringList gpioSetupItems()
{
    return {QStringLiteral("Disabled"), QStringLiteral("GPIO Input"),
            QStringLiteral("GPIO LOW Output"), QStringLiteral("GPIO HIGH Output")};
}

QStringList gpioInputConfigItems()
{
    return {QStringLiteral("Negative Level"), QStringLiteral("Positive Edge"),
            QStringLiteral("Negative Edge"), QStringLiteral("Positive Level")};
}

QStringList fullPowerSkipItems()
{
    return {QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("15"), QStringLiteral("31")};
}

QStringList lowPowerSkipItems()
{
    return {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
}

QStringList powerDownTimeoutItems()
{
    return {QStringLiteral("1.25"), QStringLiteral("1.5"), QStringLiteral("1.75"),
            QStringLiteral("2.0")};
}

QStringList blankNumberItems(int last)
{
    QStringList items;
    for (int i = 0; i <= last; ++i)
        items << decText(i);
    return items;
}

} // namespace cv
