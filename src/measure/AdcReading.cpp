#include "measure/AdcReading.h"

#include "config/DiagramOps.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/NumText.h"
#include "platform/Services.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cv {

QStringList decimationItems()
{
    return {QStringLiteral("256"), QStringLiteral("128"), QStringLiteral("64"),
            QStringLiteral("64")};
}

QStringList sequenceStageItems()
{
    return blankNumberItems(11);
}

QStringList cdcBiasItems()
{
    return {QStringLiteral("100%"), QStringLiteral("120%"), QStringLiteral("135%"),
            QStringLiteral("150%")};
}

ConverterFields converterFieldsOf(int32_t pwrControl)
{
    return {field::DECIMATION.of(pwrControl),
            std::min(field::SEQUENCE_STAGE_NUM.of(pwrControl), kAdcStages - 1),
            field::CDC_BIAS.of(pwrControl)};
}

bool isConverting(int32_t pwrControl)
{
    const int mode = field::POWER_MODE.of(pwrControl);
    return mode != 1 && mode != 3;
}

ConverterLoad LoadConverterView()
{
    ConverterLoad load;
    load.pwrControl = ReadRegister(reg::PWR_CONTROL, TargetChip);
    load.fields = converterFieldsOf(load.pwrControl);
    load.converting = isConverting(ReadRegister(reg::PWR_CONTROL, TargetChip));
    const int32_t control = ReadRegister(reg::board::BoardControlWord, TargetBoard);
    WriteRegister(reg::board::BoardControlWord, control & 0xFFFD, TargetBoard);
    return load;
}

int32_t ChangeConverterField(const RegField& f, int value, bool reading)
{
    if (reading) {
        ReadRegister(reg::PART_ID, TargetChip);
        services().sleepMs(100);
    }
    const int32_t written = UpdateField(f, value);
    services().sleepMs(40);
    return written;
}

QByteArray adcResultsHeaderLine()
{
    QStringList names;
    for (int s = 0; s < kAdcStages; ++s)
        names << QStringLiteral("Stage %1").arg(s);
    return names.join(QLatin1Char('\t')).toLatin1() + "\r\n";
}

QByteArray adcResultsDataLine(const int32_t* results)
{
    // Written in place, as decText would give each: this runs for every set saved.
    char buf[kAdcStages * 14 + 2];
    char* out = buf;
    for (int s = 0; s < kAdcStages; ++s) {
        if (results[s] >= 0)
            *out++ = ' ';
        out = std::to_chars(out, buf + sizeof buf, results[s]).ptr;
        if (s == kAdcStages - 1)
            break;
        *out++ = '\t';
        if (s != 2 && s != 7)
            *out++ = ' ';
    }
    *out++ = '\r';
    *out++ = '\n';
    return QByteArray(buf, int(out - buf));
}

AdcReading::Start AdcReading::start(bool converting, const std::function<void()>& started)
{
    reading_ = true;
    passCounter_ = 0;
    status_ = 0;
    if (!converting) {
        services().message(kAdcShutdownMessage, MsgIcon::None, kAppTitle, MsgButtons::Ok);
        reading_ = false;
        return Start::Shutdown;
    }
    if (started)
        started();
    results_[0] = 0;
    if (!AwaitStageSelect(reg::board::StreamResults, status_)) {
        // Whatever the board did with the command, it must not go on capturing.
        reading_ = false;
        ReadRegister(reg::PART_ID, TargetChip);
        return Start::NoAcknowledge;
    }
    lease_ = CaptureLease([this] {
        const ModeHandshake h = handshakeCaptureMode(reg::board::StreamResults);
        status_ = h.status;
        return h.held;
    });
    return Start::Started;
}

AdcReading::Pass AdcReading::pass()
{
    Pass p;
    switch (lease_.check()) {
    case CaptureLease::Check::Intact: break;
    case CaptureLease::Check::Rearmed: p.rearmed = true; break;
    case CaptureLease::Check::Failed: p.rearmFailed = true; return p;
    }
    if (status_ == 1) {
        int32_t w[kAdcStages + kMaxExtraWords] = {};
        ReadRegisters(reg::board::CapturedData, kAdcStages + extraWords_, TargetBoard, 1, status_,
                      w);
        std::copy_n(w, kAdcStages, results_.begin());
        std::copy_n(w + kAdcStages, kMaxExtraWords, extra_.begin());
        p.fetched = true;
        // The first two passes after a start never plot or save.
        p.addsPoints = passCounter_ > 1;
    } else {
        int32_t probe[1] = {0};
        ReadRegisters(reg::board::CapturedData, 1, TargetBoard, 0, status_, probe);
        p.nextIntervalMs = kPollPauseMs;
    }
    if (passCounter_ < 3)
        ++passCounter_;
    return p;
}

void AdcReading::stop()
{
    reading_ = false;
    lease_.release(); // the view's own stop is no interruption
    ReadRegister(reg::PART_ID, TargetChip);
    services().sleepMs(kStopPauseMs);
}

void AdcReading::finish()
{
    ReadRegister(reg::PART_ID, TargetChip);
}

ValueRange adcChartRange(double minValue, double maxValue)
{
    if (maxValue < minValue)
        std::swap(minValue, maxValue);
    const double margin = std::max(100.0, (maxValue - minValue) * 0.25);
    double lower = std::floor((minValue - margin) / 100.0) * 100.0;
    double upper = std::ceil((maxValue + margin) / 100.0) * 100.0;
    if (upper - lower < 400) {
        const double mid = std::round((lower + upper) / 200.0) * 100.0;
        lower = mid - 200;
        upper = mid + 200;
    }
    if (lower < 0) {
        upper = std::min(65535.0, upper - lower);
        lower = 0;
    }
    if (upper > 65535) {
        lower = std::max(0.0, lower - (upper - 65535));
        upper = 65535;
    }
    return {lower, upper};
}

bool adcRangeTooWide(const ValueRange& r, double minValue, double maxValue)
{
    const double fitted =
        adcChartRange(minValue, maxValue).upper - adcChartRange(minValue, maxValue).lower;
    return (r.upper - r.lower) > 4 * fitted;
}

} // namespace cv
