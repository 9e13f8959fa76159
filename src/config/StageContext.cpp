#include "config/StageContext.h"

#include "platform/NumText.h"

namespace cv {

int16_t CurrentStage = 0;
StageInputSetupRec StageInputSetup = stageInputSetupFor(0);
StageResultsSetupRec StageResultsSetup = stageResultsSetupFor(0);

namespace {
// The results window's register labels per stage, exactly as the windows
// show them (their irregular spellings and blanks included).
const char* const kResultsLabels[12][20] = {
    {"STAGE0_SENSITIVITY 0x83",      "STAGE0_OFFSET_LOW  0x84",
     "STAGE0_OFFSET_HIGH  0x85",     "STAGE0_OFFSET_HIGH_CLAMP 0x86",
     "STAGE0_OFFSET_LOW_CLAMP 0x87", "STAGE0_CONV_DATA 0xE0",
     "STAGE0_FF_FIFO 0x(E1-E8)",     "STAGE0_SF_FIFO 0x(E9-F0)",
     "STAGE0_SF_AMB 0xF1",           "STAGE0_FF_AVG 0xF2",
     "STAGE0_PEAK_DETECT 0xF3-F4",   "STAGE0_MAX_FIFO 0xF5-F8",
     "STAGE0_MAX_AVG 0xF9",          "STAGE0_HIGH_THRESHOLD 0xFA",
     "STAGE0_MAX_TEMP 0xFB",         "STAGE0_MIN_FIFO 0xFC-FF",
     "STAGE0_MIN_AVG 0x100",         "STAGE0_LOW_THRESHOLD 0x101",
     "STAGE0_MIN_TEMP  0x102",       "UNUSED 0x103"},
    {"STAGE1_SENSITIVITY 0x8B",      "STAGE1_OFFSET_LOW  0x8C",
     "STAGE1_OFFSET_HIGH  0x8D",     "STAGE1_OFFSET_HIGH_CLAMP 0x8E",
     "STAGE1_OFFSET_LOW_CLAMP 0x8F", "STAGE1_CONV_DATA 0x104",
     "STAGE1_FF_FIFO 0x(105-10C)",   "STAGE1_SF_FIFO 0x(10D-114)",
     "STAGE1_SF_AMB 0x115",          "STAGE1_FF_AVG 0x116",
     "STAGE1_PEAK_DETECT 0x117-118", "STAGE1_MAX_FIFO 0x119-11C",
     "STAGE1_MAX_AVG 0x11D",         "STAGE_MAX_THRESHOLD 0x11E",
     "STAGE1_MAX_TEMP 0x11F",        "STAGE1_MIN_FIFO 0x120-123",
     "STAGE1_MIN_AVG 0x124",         "STAGE1_MIN_THRESHOLD 0x125",
     "STAGE1_MIN_TEMP 0x126",        "UNUSED 0x127"},
    {"STAGE2_SENSITIVITY 0x93",      "STAGE2_OFFSET_LOW  0x94",
     "STAGE2_OFFSET_HIGH  0x95",     "STAGE2_OFFSET_HIGH_CLAMP 0x96",
     "STAGE2_OFFSET_LOW_CLAMP 0x97", "STAGE2_CONV_DATA 0x128",
     "STAGE2_FF_FIFO 0x(129-130)",   "SSTAGE2_SF_FIFO 0x(131-138)",
     "STAGE2_SF_AMBIENT 0x139",      "STAGE2_FF_AVG 0x13A",
     "STAGE2_PEAK_DETECT 0x13B-13C", "STAGE2_MAX_FIFO 0x13D-140",
     "STAGE2_MAX_AVG 0x141",         "STAGE2_MAX_THRESHOLD 0x142",
     "STAGE2_MAX_TEMP 0x143",        "STAGE2_MIN_FIFO 0x144-147",
     "STAGE2_MIN_AVG 0x148",         "STAGE2_MIN_THRESHOLD 0x149",
     "STAGE2_MIN_TEMP 0x14A",        "UNUSED 0x14B"},
    {"STAGE3_SENSITIVITY 0x9B",      "STAGE3_OFFET_LOW 0x9C",
     "STAGE3_OFFSET_HIGH 0x9D",      "STAGE3_OFFSET_HIGH_CLAMP 0x9E",
     "STAGE3_OFFSET_LOW_CLAMP 0x9F", "STAGE3_CONV_DATA 0x14C",
     "STAGE3_FF_FIFO 0x(14D-154)",   "STAGE3_SF_FIFO 0x(155-15C)",
     "STAGE3_SF_AMB 0x15D",          "STAGE3_FF_AVG 0x15E",
     "STAGE3_PEAK_DETECT 0x15F-160", "STAGE3_MAX_FIFO 0x161-164",
     "STAGE3_MAX_AVG 0x165",         "STAGE3_MAX_THRESHOLD 0x166",
     "STAGE3_MAX_TEMP 0x167",        "STAGE3_MIN_FIFO 0x168-16B",
     "STAGE3_MIN_AVG 0x16C",         "STAGE3_MIN_THRESHOLD 0x16D",
     "STAGE3_MIN_TEMP 0x16E",        "UNUSED 0x16F"},
    {"STAGE4_SENSITIVITY 0xA3",      "STAGE4_OFFSET_LOW 0xA4",
     "STAGE4_OFFSET_HIGH 0xA5",      "STAGE4_OFFSET_HIGH_CLAMP 0xA6",
     "STAGE4_OFFSET_LOW_CLAMP 0xA7", "STAGE4_CONV_DATA0x170",
     "STAGE4_FF_FIFO 0x(171-178)",   "STAGE4_SF_FIFO 0x(179-180)",
     "STAGE4_SF_AMB 0x181",          "STAGE4_FF_AVG 0x182",
     "STAGE4_PEAK_DETECT 0x183-184", "STAGE4_MAX_FIFO 0x185-188",
     "STAGE4_MAX_AVG 0x189",         "STAGE4_MAX_THRESHOLD 0x18A",
     "STAGE4_MAX_TEMP 0x18B",        "STAGE4_MIN_FIFO 0x18C-18F",
     "STAGE4_MIN_AVG 0x190",         "STAGE4_MIN_THRESHOLD 0x191",
     "STAGE4_MIN_TEMP 0x192",        "UNUSED 0x193"},
    {"STAGE5_SENSITIVITY 0xAB",      "STAGE5_OFFSET_LOW 0xAC",
     "STAGE5_OFFSET_HIGH  0xAD",     "STAGE5_OFFSET_HIGH_CLAMP 0xAE",
     "STAGE5_OFFSET_LOW_CLAMP 0xAF", "STAGE5_CONV_DATA 0x194",
     "STAGE5_FF_FIFO 0x(195-19C)",   "STAGE5_SF_FIFO 0x(19D-1A4)",
     "STAGE5_SF_AMBIENT 0x1A5",      "STAGE5_FF_AVG 0x1A6",
     "STAGE5_PEAK_DETECT 0x1A7-1A8", "STAGE5_MAX_FIFO 0x1A9-1AC",
     "STAGE5_MAX_AVG 0x1AD",         "STAGE5_MAX_THESHOLD 0x1AE",
     "STAGE5_MAX_TEMP 0x1AF",        "STAGE5_MIN_FIFO 0x1B0-1B3",
     "STAGE5_MIN_AVG 0x1B4",         "STAGE5_MIN_THRESHOLD 0x1B5",
     "STAGE5_MIN_TEMP 0x1B6",        "UNUSED 0x1B7"},
    {"STAGE6_SENSITIVITY 0xB3",      "STAGE6_OFFSET_LOW 0xB4",
     "STAGE6_OFFSET_HIGH  0xB5",     "STAGE6_OFFSET_HIGH_CLAMP 0xB6",
     "STAGE6_OFFSET_LOW_CLAMP 0xB7", "STAGE6_CONV_DATA 0x1B8",
     "STAGE6_FF_FIFO 0x(1B9-1C0)",   "STAGE6_SF_FIFO 0x(1C1-1C8)",
     "STAGE6_SF_AMB 0x1C9",          "STAGE6_FF_AVG 0x1CA",
     "STAGE6_PEAK_DETECT 0x1CB-1CC", "STAGE6_MAX_FIFO 0x1CD-1D0",
     "STAGE6_MAX_AVG 0x1D1",         "STAGE6_MAX_THRESHOLD 0x1D2",
     "STAGE6_MAX_TEMP 0x1D3",        "STAGE6_MIN_FIFO 0x1D4-1D7",
     "STAGE6_MIN_AVG 0x1D8",         "STAGE6_MIN_THRESHOLD 0x1D9",
     "STAGE6_MIN_TEMP 0x1DA",        "UNUSED 0x1DB"},
    {"STAGE7_SENSITIVITY 0xBB",      "STAGE7_OFFSET_LOW 0xBC",
     "STAGE7_OFFSET_HIGH  0xBD",     "STAGE7_OFFSET_HIGH_CLAMP 0xBE",
     "STAGE7_OFFSET_LOW_CLAMP 0xBF", "STAGE7_CONV_DATA 0x1DC",
     "STAGE7_FF_FIFO 0x(1DD-1E4)",   "STAGE7_SF_FIFO 0x(1E5-1EC)",
     "STAGE7_SF_AMB 0x1ED",          "STAGE7_FF_AVG 0x1EE",
     "STAGE7_PEAK_DETECT 0x1EF-1F0", "STAGE7_MAX_FIFO 0x1F1-1F4",
     "STAGE7_MAX_AVG 0x1F5",         "STAGE7_MAX_THRESHOLD 0x1F6",
     "STAGE7_MAX_TEMP 0x1F7",        "STAGE7_MIN_FIFO 0x1F8-1FB",
     "STAGE7_MIN_AVG 0x1FC",         "STAGE7_MIN_THRESHOLD 0x1FD",
     "STAGE7_MIN_TEMP 0x1FE",        "UNUSED 0x1FF"},
    {"STAGE8_SENSITIVITY 0xC3",      "STAGE_OFFSET_LOW 0xC4",
     "STAGE8_OFFSET_HIGH  0xC5",     "STAGE8_OFFSET_HIGH_CLAMP 0xC6",
     "STAGE8_OFFSET_LOW_CLAMP 0xC7", "STAGE8_CONV_DATA 0x200",
     "STAGE8_FF_FIFO 0x(201-208)",   "STAGE8_SF_FIFO 0x(209-210)",
     "STAGE8_SF_AMB 0x211",          "STAGE8_FF_AVG 0x212",
     "STAGE8_PEAK_DETECT 0x213-214", "STAGE8_MAX_FIFO 0x215-218",
     "STAGE_MAX_AVG0x219",           "STAGE8_MAX_THRESHOLD 0x21A",
     "STAGE8_MAX_TEMP 0x21B",        "STAGE8_MIN_FIFO 0x21C-21F",
     "STAGE8_MIN_AVG 0x220",         "STAGE8_MIN_THRESHOLD 0x221",
     "STAGE8_MIN_TEMP 0x222",        "UNUSED 0x223"},
    {"STAGE9_SENSITIVITY 0xCB",      "STAGE9_OFFSET_LOW 0xCC",
     "STAGE9_OFFSET_HIGH 0xCD",      "STAGE9_OFFSET_HIGH_CLAMP 0xCE",
     "STAGE9_OFFSET_LOW_CLAMP 0xCF", "STAGE9_CONV_DATA 0x224",
     "STAGE9_FF_FIFO 0x(225-22C)",   "STAGE9_SF_FIFO 0x(22D-234)",
     "STAGE9_SF_AMB 0x235",          "STAGE9_FF_AVG 0x236",
     "STAGE9_PEAK_DETECT 0x237-238", "STAGE9_MAX_FIFO 0x239-23C",
     "STAGE9_MAX_AVG 0x23D",         "STAGE9_MAX_THRESHOLD 0x23E",
     "STAGE9_MAX_TEMP 0x23F",        "STAGE9_MIN_FIFO 0x240-243",
     "STAGE9_MIN_AVG 0x244",         "STAGE9_MIN_THRESHOLD 0x245",
     "STAGE9_MIN_TEMP 0x246",        "UNUSED 0x247"},
    {"STAGE10_SENSITIVITY 0xD3",      "STAGE10_OFFSET_LOW  0xD4",
     "STAGE10_OFFSET_HIGH 0xD5",      "STAGE10_OFFSET_HIGH_CLAMP 0xD6",
     "STAGE10_OFFSET_LOW_CLAMP 0xD7", "STAGE10_CONV_DATA 0x248",
     "STAGE10_FF_FIFO 0x(249-250)",   "STAGE10_SF_FIFO 0x(251-258)",
     "STAGE10_SF_AMB 0x259",          "STAGE10_FF_AVG 0x25A",
     "STAGE10_PEAK_DETECT 0x25B-25C", "STAGE10_MAX_FIFO 0x25D-260",
     "STAGE10_MAX_AVG 0x261",         "STAGE10_MAX_THRESHOLD 0x262",
     "STAGE10_MAX_TEMP 0x263",        "STAGE10_MIN_FIFO 0x264-267",
     "STAGE10_MIN_AVG 0x268",         "STAGE10_MIN_THRESHOLD 0x269",
     "STAGE10_MIN_TEMP 0x26A",        "UNUSED 0x26B"},
    {"STAGE11_SENSITIVITY 0xDB",      "STAGE11_OFFSET_LOW 0xDC",
     "STAGE11_OFFSET_HIGH  0xDD",     "STAGE11_OFFSET_HIGH_CLAMP 0xDE",
     "STAGE11_OFFSET_LOW_CLAMP 0xDF", "STAGE11_CONV_DATA 0x26C",
     "STAGE11_FF_FIFO 0x(26D-274)",   "STAGE11_SF_FIFO 0x(275-27C)",
     "STAGE11_SF_AMB 0x27D",          "STAGE11_FF_AVG 0x27E",
     "STAGE11_PEAK_DETECT 0x27F-280", "STAGE11_MAX_FIFO 0x281-284",
     "STAGE11_MAX_AVG 0x285",         "STAGE11_HIGH_THRESHOLD 0x286",
     "STAGE11_MAX_TEMP 0x287",        "STAGE11_MIN_FIFO 0x288-28B",
     "STAGE11_MIN_AVG 0x28C",         "STAGE11_LOW_THRESHOLD 0x28D",
     "STAGE11_MIN_TEMP 0x28E",        "UNUSED 0x28F"},
};
} // namespace

StageInputSetupRec stageInputSetupFor(int stage)
{
    StageInputSetupRec r;
    r.Cin0_6Address = static_cast<int16_t>(0x80 + 8 * stage);
    r.Cin7_13Address = static_cast<int16_t>(0x81 + 8 * stage);
    r.AfeOffsetAddress = static_cast<int16_t>(0x82 + 8 * stage);
    const QString s = QStringLiteral("STAGE") + QString::number(stage);
    const QString a0 = s + QStringLiteral("_CIN(0-6)_SETUP 0x") + hexText(r.Cin0_6Address);
    const QString a1 = s + QStringLiteral("_CIN(7-13)_SETUP 0x") + hexText(r.Cin7_13Address);
    r.Labels = {a0, a1, a0, a1, s + QStringLiteral("_AFE_OFFSET 0x") + hexText(r.AfeOffsetAddress)};
    return r;
}

StageResultsSetupRec stageResultsSetupFor(int stage)
{
    StageResultsSetupRec r;
    r.Stage = static_cast<int16_t>(stage);
    r.SensitivityAddress = static_cast<int16_t>(0x83 + 8 * stage);
    r.OffsetLowAddress = static_cast<int16_t>(0x84 + 8 * stage);
    r.OffsetHighAddress = static_cast<int16_t>(0x85 + 8 * stage);
    r.OffsetHighClampAddress = static_cast<int16_t>(0x86 + 8 * stage);
    r.OffsetLowClampAddress = static_cast<int16_t>(0x87 + 8 * stage);
    r.SfAmbientAddress = static_cast<int16_t>(0xF1 + 36 * stage);
    for (int i = 0; i < 20; ++i)
        r.Labels[i] = QString::fromLatin1(kResultsLabels[stage][i]);
    return r;
}

int32_t inputWindowStageSelect(int stage)
{
    const int32_t bit = 1 << stage;
    return stage == 1 || stage == 2 ? (bit | 0x8000) : bit;
}

int32_t resultsWindowStageSelect(int stage)
{
    return 1 << stage;
}

} // namespace cv
