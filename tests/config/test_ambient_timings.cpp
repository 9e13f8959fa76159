#include "config/AmbientCompensation.h"

#include <gtest/gtest.h>

using namespace cv;

namespace {
using Fields = std::vector<std::pair<RegField, int32_t>>;

AmbientTimings timingsOf(const Fields& fields)
{
    int32_t r[5] = {0, 0, 0, 0, 0};
    for (const auto& [f, v] : fields)
        r[f.address] = f.with(r[f.address], v);
    return ambientTimings(r);
}

// NM fast, slow, proximity, recalibration, power down; LP fast, slow,
// proximity, recalibration.
std::string nine(const AmbientTimings& t)
{
    return QStringList{t.NMFastUp, t.NMSlowUp, t.NMProxTim, t.NMRecalTim, t.NMPowDown,
                       t.LPFastUp, t.LPSlowUp, t.LPProxTim, t.LPRecalTim}
        .join(' ')
        .toStdString();
}
} // namespace

TEST(AmbientTimings, RegisterFieldsToTheNineTexts)
{
    using namespace field;
    const std::pair<Fields, const char*> cases[] = {
        // One stage at full decimation: 3.072 ms a sequence. The power-down
        // time builds on the shown proximity time (1.25 x 0.0492).
        {{}, "3.07ms 9.22ms 0.0492s 0.0461s 0.0615s 203.07ms 203.07ms 1.0123s 0.8123s"},
        {{{PWR_DOWN_TIMEOUT, 1}},
         "3.07ms 9.22ms 0.0492s 0.0461s 0.0738s 203.07ms 203.07ms 1.0123s 0.8123s"},
        {{{PWR_DOWN_TIMEOUT, 3}},
         "3.07ms 9.22ms 0.0492s 0.0461s 0.0984s 203.07ms 203.07ms 1.0123s 0.8123s"},
        // Twelve stages: 36.864 ms; recalibration counts as 15.
        {{{SEQUENCE_STAGE_NUM, 11}},
         "36.86ms 110.59ms 0.5898s 0.5530s 0.7373s 236.86ms 236.86ms 1.1475s 0.9475s"},
        // Low power: 800 ms delay, skip 3, largest counts.
        {{{LP_CONV_DELAY, 3}, {AVG_LP_SKIP, 3}, {LP_PROXIMITY_CNT, 15}, {LP_PROXIMITY_RECAL, 63}},
         "3.07ms 9.22ms 0.0492s 0.0461s 0.0615s 803.07ms 3212.29ms 48.9843s 202.3741s"},
        // Largest full-power numbers: the masks grow without padding.
        {{{SEQUENCE_STAGE_NUM, 11},
          {FF_SKIP_CNT, 11},
          {AVG_FP_SKIP, 3},
          {FP_PROXIMITY_RECAL, 1023}},
         "442.37ms 13713.41ms 7.0779s 452.5425s 8.8474s 236.86ms 236.86ms 1.1475s 0.9475s"},
    };
    for (const auto& [fields, want] : cases)
        EXPECT_EQ(nine(timingsOf(fields)), want);
}

TEST(AmbientTimings, FieldValuesThatCountAsOthers)
{
    using namespace field;
    struct Case {
        RegField f;
        int32_t a, b;
        bool same;
    };
    // Each clamp one past its edge; the values beyond count the same way.
    // clang-format off
    const Case cases[] = {
        {DECIMATION, 3, 2, true}, {DECIMATION, 1, 2, false}, {SEQUENCE_STAGE_NUM, 12, 11, true},
        {FF_SKIP_CNT, 12, 11, true}, {FF_SKIP_CNT, 10, 11, false}, {FP_PROXIMITY_CNT, 0, 1, true},
        {LP_PROXIMITY_CNT, 0, 1, true}, {LP_PROXIMITY_RECAL, 0, 1, true},
        {FP_PROXIMITY_RECAL, 14, 15, true}, {FP_PROXIMITY_RECAL, 16, 15, false},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(nine(timingsOf({{c.f, c.a}})) == nine(timingsOf({{c.f, c.b}})), c.same)
            << c.f.mask << ' ' << c.a << ' ' << c.b;
}

TEST(NumberFieldRules, NearestIntegerWithinTheRangeIsAccepted)
{
    struct Case {
        const NumberFieldRule& rule;
        const char* text;
        std::optional<int32_t> accepted;
    };
    // The messages say "under 255" and "under 63"; those values still pass.
    const Case cases[] = {
        {fastRateRule(), "255", 255},      {fastRateRule(), "256", {}},
        {filtCompRule(), "63", 63},        {lowPowCtrlRule(), "64", {}},
        {fullPowCtrlRule(), "1023", 1023}, {fullPowCtrlRule(), "1024", {}},
        {fullPowCtrlRule(), "-1", {}},     {fastRateRule(), "255.4", 255},
        {fastRateRule(), "255.5", {}},     {filtCompRule(), "-0.4", 0},
        {filtCompRule(), "abc", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(acceptedNumber(c.rule, QString::fromLatin1(c.text)), c.accepted) << c.text;
}
