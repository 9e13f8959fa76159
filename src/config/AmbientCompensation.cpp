#include "config/AmbientCompensation.h"

#include "link/UsbUtils.h"
#include "platform/NumText.h"

#include <algorithm>

namespace cv {

namespace {
const QString kInputError = QStringLiteral("Input Error");
}

// The first two messages say "under 255" and "under 63" although those
// values themselves are accepted; the texts are kept as users know them.
const NumberFieldRule& fastRateRule()
{
    static const NumberFieldRule r{field::PROXIMITY_RECAL_LVL, 255,
                                   QStringLiteral("Value must be a decimal number under 255"),
                                   MsgIcon::None, kAppTitle};
    return r;
}

const NumberFieldRule& filtCompRule()
{
    static const NumberFieldRule r{field::PROXIMITY_DETECTION_RATE, 63,
                                   QStringLiteral("Value must be a decimal number under 63"),
                                   MsgIcon::None, kAppTitle};
    return r;
}

const NumberFieldRule& fullPowCtrlRule()
{
    static const NumberFieldRule r{field::FP_PROXIMITY_RECAL, 1023,
                                   QStringLiteral("Value must be a decimal number under 1024"),
                                   MsgIcon::Exclamation, kInputError};
    return r;
}

const NumberFieldRule& lowPowCtrlRule()
{
    static const NumberFieldRule r{field::LP_PROXIMITY_RECAL, 63,
                                   QStringLiteral("Value must be a decimal number under 64"),
                                   MsgIcon::Exclamation, kInputError};
    return r;
}

std::optional<int32_t> acceptedNumber(const NumberFieldRule& rule, const QString& text)
{
    const int64_t v = textValueRounded(text);
    if (v < 0 || v > rule.max)
        return std::nullopt;
    return static_cast<int32_t>(v);
}

int32_t EnterNumberField(const NumberFieldRule& rule, const QString& text)
{
    const int16_t address = rule.field.address;
    const int32_t old = ReadRegister(address, TargetChip);
    if (const auto v = acceptedNumber(rule, text)) {
        WriteRegister(address, rule.field.with(old, *v), TargetChip);
    } else {
        services().message(rule.message, rule.icon, rule.title);
        WriteRegister(address, old, TargetChip);
    }
    return rule.field.of(ReadRegister(address, TargetChip));
}

double sequencePeriodSeconds(int32_t pwrControl)
{
    static constexpr int kDecimation[4] = {256, 128, 64, 64};
    const double D = kDecimation[field::DECIMATION.of(pwrControl)];
    // The sequencer has twelve stages: larger stage numbers count as the last.
    const int N = std::min(field::SEQUENCE_STAGE_NUM.of(pwrControl), 11) + 1;
    return N * 3.0 * D / 250000.0;
}

AmbientTimings ambientTimings(const int32_t regs[5])
{
    const int32_t pwr = regs[0], calEn = regs[1], ctrl0 = regs[2], ctrl2 = regs[4];

    static constexpr int kFullPowerSkip[4] = {3, 7, 15, 31};
    static constexpr double kConvDelay[4] = {0.2, 0.4, 0.6, 0.8};
    static constexpr double kPowerDown[4] = {1.25, 1.5, 1.75, 2.0};

    const double L = kConvDelay[field::LP_CONV_DELAY.of(pwr)];
    const int F = kFullPowerSkip[field::AVG_FP_SKIP.of(calEn)];
    const int S = field::AVG_LP_SKIP.of(calEn);
    const int K = std::min(field::FF_SKIP_CNT.of(ctrl0), 11);
    const int Pf = std::max(field::FP_PROXIMITY_CNT.of(ctrl0), 1);
    const int Pl = std::max(field::LP_PROXIMITY_CNT.of(ctrl0), 1);
    const double W = kPowerDown[field::PWR_DOWN_TIMEOUT.of(ctrl0)];
    const int Rf = std::max(field::FP_PROXIMITY_RECAL.of(ctrl2), 15);
    const int Rl = std::max(field::LP_PROXIMITY_RECAL.of(ctrl2), 1);

    const double Tseq = sequencePeriodSeconds(pwr);
    const double Tff = (K + 1) * Tseq;
    const double Tlp = Tseq + L;

    const QString ms = QStringLiteral("ms"), s = QStringLiteral("s");
    const QString ms4 = QStringLiteral("###0.00"), ms5 = QStringLiteral("####0.00");
    const QString sec = QStringLiteral("####0.0000");

    AmbientTimings t;
    t.NMFastUp = formatMask(Tff * 1000.0, ms4) + ms;
    t.NMSlowUp = formatMask(F * Tff * 1000.0, ms5) + ms;
    const QString proxTimeout = formatMask(16.0 * Pf * Tff, sec);
    t.NMProxTim = proxTimeout + s;
    t.NMRecalTim = formatMask(Rf * Tff, sec) + s;
    // Built on the proximity timeout as shown, four decimals and all.
    t.NMPowDown = formatMask(W * textValue(proxTimeout), sec) + s;
    t.LPFastUp = formatMask(Tlp * 1000.0, ms4) + ms;
    t.LPSlowUp = formatMask((S + 1) * Tlp * 1000.0, ms5) + ms;
    t.LPProxTim = formatMask(4.0 * Pl * Tlp + L, sec) + s;
    t.LPRecalTim = formatMask(4.0 * Rl * Tlp, sec) + s;
    return t;
}

} // namespace cv
