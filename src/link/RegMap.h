#pragma once
// Register addresses and names of the CV5320 and of the board firmware.

#include <QString>
#include <cstdint>

namespace cv::reg {

// Bank 1: control and status.
constexpr int16_t PWR_CONTROL = 0x000;
constexpr int16_t STAGE_CAL_EN = 0x001;
constexpr int16_t AMB_COMP_CTRL0 = 0x002;
constexpr int16_t AMB_COMP_CTRL1 = 0x003;
constexpr int16_t AMB_COMP_CTRL2 = 0x004;
constexpr int16_t STAGE_LOW_INT_EN = 0x005;
constexpr int16_t STAGE_HIGH_INT_EN = 0x006;
constexpr int16_t STAGE_COMPLETE_INT_EN = 0x007;
constexpr int16_t STAGE_LOW_INT_STATUS = 0x008;
constexpr int16_t STAGE_HIGH_INT_STATUS = 0x009;
constexpr int16_t STAGE_COMPLETE_INT_STATUS = 0x00A;
constexpr int16_t CONV_RESULT0 = 0x00B; // stage s result at 0x00B + s
constexpr int16_t PART_ID = 0x017;
constexpr int16_t PROXIMITY_STATUS = 0x042; // one bit per stage

constexpr int kStages = 12;
constexpr int kInputs = 13;
constexpr int16_t kMaxAddress = 0x3FF;

// Bank 2: eight configuration registers per stage.
constexpr int16_t BANK2 = 0x080;
enum Bank2 : int {
    CIN0_6_SETUP = 0,
    CIN7_13_SETUP = 1,
    AFE_OFFSET = 2,
    SENSITIVITY = 3,
    OFFSET_LOW = 4,
    OFFSET_HIGH = 5,
    OFFSET_HIGH_CLAMP = 6,
    OFFSET_LOW_CLAMP = 7,
};
constexpr int16_t bank2(int stage, int k)
{
    return static_cast<int16_t>(BANK2 + 8 * stage + k);
}

// Bank 3: 36 result and state registers per stage.
constexpr int16_t BANK3 = 0x0E0;
enum Bank3 : int {
    CONV_DATA = 0,
    FF_FIFO = 1, // 8 words
    SF_FIFO = 9, // 8 words
    SF_AMB = 17,
    FF_AVG = 18,
    PEAK_DETECT = 19, // 2 words
    MAX_FIFO = 21,    // 4 words
    MAX_AVG = 25,
    HIGH_THRESHOLD = 26,
    MAX_TEMP = 27,
    MIN_FIFO = 28, // 4 words
    MIN_AVG = 32,
    LOW_THRESHOLD = 33,
    MIN_TEMP = 34,
    UNUSED = 35,
};
constexpr int kBank3Words = 36;
constexpr int16_t bank3(int stage, int k)
{
    return static_cast<int16_t>(BANK3 + 36 * stage + k);
}
constexpr int16_t convResult(int stage)
{
    return static_cast<int16_t>(CONV_RESULT0 + stage);
}

// Board firmware registers (TargetBoard).
namespace board {
constexpr int16_t FirmwareRevision = 1;
constexpr int16_t StatusProbe = 2;
constexpr int16_t DemoSetting4 = 4;
constexpr int16_t BoardId = 6;
constexpr int16_t BoardControlWord = 7;
constexpr int16_t BoardInterfaceWord = 8;
constexpr int16_t DemoSetting9 = 9;
constexpr int16_t BoardStageSelect = 10;
constexpr int16_t CapturedData = 11;
constexpr int16_t DemoPositionFirst = 0x03C;
constexpr int16_t DemoPositionLast = 0x040;

// BoardStageSelect command words.
constexpr int32_t StreamResults = 0x0F00;
constexpr int32_t DemoMode = 0x0D00;
constexpr int32_t SliderMode = 0x0B00;
constexpr int32_t JoyPadMode = 0x0A00;
constexpr int32_t SummaryFlag = 0x8000;
// A results block may carry, after the twelve results, the low and high
// limit status and a word whose high byte is StreamStatusMark when the
// firmware reports them (bit 0: the chip's interrupt line asserted).
constexpr int StreamStatusFirst = 12;
constexpr int StreamStatusWords = 3;
constexpr int32_t StreamStatusMark = 0xA5;
} // namespace board

// C names of bank 1 as the configuration export writes them ("" where none).
QString bank1CName(int address);
// Register console label of bank 1 registers 0x000..0x017 ("" where none).
QString bank1ConsoleLabel(int address);
// Console label of bank 2 register k ("Conn Mem 0" ... "Low Clamp Val").
QString bank2ConsoleLabel(int k);

} // namespace cv::reg
