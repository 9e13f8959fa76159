#include "link/RegMap.h"

namespace cv::reg {

QString bank1CName(int address)
{
    switch (address) {
    case 0x000: return QStringLiteral("PWR_CONTROL");
    case 0x001: return QStringLiteral("STAGE_CAL_EN");
    case 0x002: return QStringLiteral("AMB_COMP_CTRL0");
    case 0x003: return QStringLiteral("AMB_COMP_CTRL1");
    case 0x004: return QStringLiteral("AMB_COMP_CTRL2");
    case 0x005: return QStringLiteral("STAGE_LOW_INT_EN");
    case 0x006: return QStringLiteral("STAGE_HIGH_INT_EN");
    case 0x007: return QStringLiteral("STAGE_COMPLETE_INT_EN");
    default: return {};
    }
}

QString bank1ConsoleLabel(int address)
{
    switch (address) {
    case 0x000: return QStringLiteral("Power Control  0x00");
    case 0x001: return QStringLiteral("Stage Calibration Enable 0x01");
    case 0x002: return QStringLiteral("Amb Compensation Ctrl 0 0x02");
    case 0x003: return QStringLiteral("Amb Compensation Ctrl 1 0x03");
    case 0x004: return QStringLiteral("Amb Compensation Ctrl 2 0x04");
    case 0x005: return QStringLiteral("Stage Low Int Enable 0x05");
    case 0x006: return QStringLiteral("Stage High Int Enable 0x06");
    case 0x007: return QStringLiteral("Stage Complete Int Enable 0x07");
    case 0x008: return QStringLiteral("Stage Low Limit Int 0x08");
    case 0x009: return QStringLiteral("Stage High Limit Int 0x09");
    case 0x00A: return QStringLiteral("Stage Complete Limit Int 0x0A");
    case 0x017: return QStringLiteral("Part ID Register 0x17");
    default: return {};
    }
}

QString bank2ConsoleLabel(int k)
{
    static const char* const labels[8] = {"Conn Mem 0",     "Conn Mem 1",     "AFE Offset Ctrl",
                                          "Sens Ctrl",      "Low Offset Val", "High Offset Val",
                                          "High Clamp Val", "Low Clamp Val"};
    return k >= 0 && k < 8 ? QString::fromLatin1(labels[k]) : QString();
}

} // namespace cv::reg
