#include "config/OffsetCalibration.h"

#include "config/DiagramOps.h"
#include "config/StageContext.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/Services.h"

namespace cv {

CalibrationConstants inputWindowConstants()
{
    return {{30000, 35000, 30000, 50000}, {30000, 35000, 20000, 36000}, 15000, 50000, 20000, 45000};
}

CalibrationConstants offsetSweepConstants()
{
    return {{30000, 35000, 30000, 50000}, {31000, 33000, 31000, 33000}, 15000, 50000, 29000, 34000};
}

InputClassification classifyInputs(int32_t w0, int32_t w1)
{
    InputClassification c;
    auto count = [&c](int code) {
        if (!(code & 1)) // "- input path" clear
            ++c.PosCount;
        if (!(code & 2)) // "+ input path" clear
            ++c.NegCount;
        if (code == 0)
            c.Floating = true;
    };
    for (int i = 0; i < 7; ++i) // CIN0..CIN6, bits 13:0
        count((w0 >> (2 * i)) & 3);
    for (int i = 0; i < 6; ++i) // CIN7..CIN12, bits 11:0
        count((w1 >> (2 * i)) & 3);
    return c;
}

bool isSingleEnded(const InputClassification& c)
{
    return (c.NegCount > 0 && c.PosCount == 0) || (c.NegCount == 0 && c.PosCount > 0);
}

namespace {

int16_t afeAddress()
{
    return StageInputSetup.AfeOffsetAddress;
}

int32_t readResult()
{
    return ReadRegister(reg::convResult(CurrentStage), TargetChip);
}

void writeAfe(int32_t image, int* steps)
{
    WriteRegister(afeAddress(), image, TargetChip);
    if (steps)
        ++*steps;
}

// Fields climb by 3 far from the target and near the top, by 1 close to it.
int raised(int field, int32_t r, int32_t nearLow, int32_t nearHigh)
{
    if (nearLow < r && r < nearHigh)
        return field + 1;
    return field + (field < 59 ? 3 : 1);
}

bool within(int32_t r, int32_t lo, int32_t hi)
{
    return lo <= r && r <= hi;
}

} // namespace

void SearchNegOffsetFirst(bool StopAtSwap, int& Result, const SearchWindows& w, int* steps)
{
    int n = 0, m = 0;
    int32_t image = 0;
    int32_t r = readResult();
    for (;;) {
        if (within(r, w.TopLow, w.TopHigh))
            break;
        if (n < 63) {
            if (n == 0) {
                writeAfe(0, steps);
                services().sleepMs(80);
                image = 0;
            } else {
                n = raised(n, r, 17000, 40000);
            }
            image = (image & 0xFF80) | n;
            writeAfe(image, steps);
            services().sleepMs(40);
            r = readResult();
            if (n == 0)
                n = 1;
        }
        if (n >= 63) {
            // The negative field is spent: the positive one moves to the
            // negative side and carries on.
            if (m >= 63) {
                r = readResult();
                break;
            }
            if (StopAtSwap)
                break;
            if (m > 0)
                m = raised(m, r, 17000, 45000);
            image = (image & 0x00FF) | (m << 8) | 0x8000;
            writeAfe(image, steps);
            services().sleepMs(40);
            r = readResult();
            if (m == 0)
                m = 1;
        }
        if (w.BottomLow < r && r < w.BottomHigh)
            break;
    }
    Result = n;
}

void SearchPosOffsetFirst(bool StopAtSwap, int& Result, const SearchWindows& w, int* steps)
{
    int p = 0, q = 0;
    int32_t image = 0;
    int32_t r = readResult();
    for (;;) {
        if (within(r, w.TopLow, w.TopHigh))
            break;
        if (p < 63) {
            if (p == 0) {
                writeAfe(0, steps);
                services().sleepMs(40);
                image = 0;
            } else {
                p = raised(p, r, 17000, 45000);
            }
            image = (image & 0x80FF) | (p << 8);
            writeAfe(image, steps);
            services().sleepMs(40);
            r = readResult();
            if (p == 0)
                p = 1;
        }
        if (p >= 63) {
            // The positive field is spent: the negative one moves to the
            // positive side and carries on.
            if (q >= 63 || StopAtSwap)
                break;
            if (q == 0 && !(image & 0x80)) {
                image |= 0x80;
                writeAfe(image, steps);
                services().sleepMs(40);
            }
            if (q > 0)
                q = raised(q, r, 17000, 45000);
            image = (image & 0xFF80) | q;
            writeAfe(image, steps);
            services().sleepMs(40);
            r = readResult();
            if (q == 0)
                q = 1;
        }
        if (w.BottomLow < r && r < w.BottomHigh)
            break;
    }
    Result = p;
}

namespace {

void showMidRangeMessage()
{
    services().message(QString::fromLatin1(kMidRangeMessage), MsgIcon::Exclamation);
}

// Both sides searched alone, then together, then the side with more inputs
// trimmed back until the result is in the window.
void calibrateDifferential(const CalibrationConstants& k, const InputClassification& c, int32_t w0,
                           int32_t w1, CalibrationReport& report)
{
    const int16_t cin0 = StageInputSetup.Cin0_6Address;
    const int16_t cin1 = StageInputSetup.Cin7_13Address;
    int* steps = &report.SearchSteps;

    // Negative side alone: every "+" input to bias.
    WriteRegister(cin0, w0 | 0x1555, TargetChip);
    services().sleepMs(50);
    WriteRegister(cin1, w1 | 0x1555, TargetChip);
    services().sleepMs(50);
    int n = 0;
    SearchNegOffsetFirst(true, n, k.NegSearch, steps);
    services().sleepMs(50);

    // Positive side alone: every "-" input to bias.
    WriteRegister(cin0, w0 | 0x2AAA, TargetChip);
    services().sleepMs(50);
    WriteRegister(cin1, w1 | 0x2AAA, TargetChip);
    services().sleepMs(50);
    int p = 0;
    SearchPosOffsetFirst(true, p, k.PosSearch, steps);
    services().sleepMs(50);

    WriteRegister(cin0, w0, TargetChip);
    services().sleepMs(40);
    WriteRegister(cin1, w1, TargetChip);
    services().sleepMs(40);
    WriteRegister(afeAddress(), (p << 8) | n, TargetChip);
    services().sleepMs(40);

    int32_t r = readResult();
    if (!within(r, k.DiffLow, k.DiffHigh)) {
        if (c.PosCount == c.NegCount) {
            WriteRegister(afeAddress(), 0, TargetChip);
        } else {
            // The fields only go down to 0; a result still out of the
            // window then cannot be brought to mid-range.
            const bool trimPos = c.PosCount < c.NegCount;
            int& field = trimPos ? p : n;
            while (!within(r, k.DiffLow, k.DiffHigh)) {
                if (field - 2 < 0) {
                    report.OutOfRange = true;
                    showMidRangeMessage();
                    break;
                }
                const int32_t afe = ReadRegister(afeAddress(), TargetChip);
                field -= 2;
                const int32_t image =
                    trimPos ? (afe & 0x80FF) | (field << 8) : (afe & 0xFF80) | field;
                writeAfe(image, steps);
                services().sleepMs(40);
                r = readResult();
            }
        }
    }
    report.Result = r;
    report.NegResult = n;
    report.PosResult = p;
}

} // namespace

CalibrationReport CalibrateStageOffset(const CalibrationConstants& k, CalibrationDisplay* display)
{
    CalibrationReport report;
    if (display)
        display->calibrationStarted();

    int32_t w[2] = {};
    int16_t status = 0;
    ReadRegisters(StageInputSetup.Cin0_6Address, 2, TargetChip, 0, status, w);
    const InputClassification c = classifyInputs(w[0], w[1]);

    auto finish = [&] {
        if (display) {
            display->ShowOffsetRegister();
            display->calibrationEnded();
        }
    };

    if (c.Floating || (c.PosCount == 0 && c.NegCount == 0)) {
        report.Branch = c.Floating ? CalibrationBranch::Floating : CalibrationBranch::AllBias;
        WriteRegister(afeAddress(), 0, TargetChip);
        services().sleepMs(40);
        if (display)
            display->ShowOffsetRegister();
        if (c.Floating)
            services().message(QString::fromLatin1(kFloatingInputsMessage), MsgIcon::Information);
        if (display)
            display->calibrationEnded();
        return report;
    }

    if (c.PosCount == 0 || c.NegCount == 0) {
        const bool negative = c.PosCount == 0;
        report.Branch =
            negative ? CalibrationBranch::SingleNegative : CalibrationBranch::SinglePositive;
        int field = 0;
        if (negative) {
            SearchNegOffsetFirst(false, field, k.NegSearch, &report.SearchSteps);
            report.NegResult = field;
        } else {
            SearchPosOffsetFirst(false, field, k.PosSearch, &report.SearchSteps);
            report.PosResult = field;
        }
        services().sleepMs(40);
        report.Result = readResult();
        if (!within(report.Result, k.SingleLow, k.SingleHigh)) {
            report.OutOfRange = true;
            showMidRangeMessage();
        }
        finish();
        return report;
    }

    report.Branch = CalibrationBranch::Differential;
    calibrateDifferential(k, c, w[0], w[1], report);
    finish();
    return report;
}

std::vector<CalibrationReport> CalibrateAllStages()
{
    std::vector<CalibrationReport> reports;
    const CalibrationConstants k = offsetSweepConstants();
    for (int n = 0; n < reg::kStages; ++n) {
        CurrentStage = static_cast<int16_t>(n);
        const StageInputSetupRec s = stageInputSetupFor(n);
        StageInputSetup.Cin0_6Address = s.Cin0_6Address;
        StageInputSetup.Cin7_13Address = s.Cin7_13Address;
        StageInputSetup.AfeOffsetAddress = s.AfeOffsetAddress;
        reports.push_back(CalibrateStageOffset(k));
        services().processEvents();
    }
    ForceCalibration();
    return reports;
}

CalibrationReport CalibrateOneStage(int stage)
{
    CurrentStage = static_cast<int16_t>(stage);
    WriteRegister(reg::board::BoardStageSelect, inputWindowStageSelect(stage), TargetBoard);
    StageInputSetup = stageInputSetupFor(stage);
    return CalibrateStageOffset(inputWindowConstants());
}

} // namespace cv
