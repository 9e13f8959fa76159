#pragma once
// The arithmetic behind the ambient compensation view: the range rules of its
// four number fields and the time intervals that follow from the settings.

#include "config/RegisterFields.h"
#include "platform/Services.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace cv {

struct NumberFieldRule {
    RegField field;
    int32_t max; // accepted: 0 .. max
    QString message;
    MsgIcon icon;
    QString title;
};

// Rules of FastRateTxt, FiltCompTxt, FullPowCtrlTxt and LowPowCtrlTxt.
const NumberFieldRule& fastRateRule();
const NumberFieldRule& filtCompRule();
const NumberFieldRule& fullPowCtrlRule();
const NumberFieldRule& lowPowCtrlRule();

// The typed text as a field value (nearest integer, halves to even), or
// nothing when it lies outside the field's range.
std::optional<int32_t> acceptedNumber(const NumberFieldRule& rule, const QString& text);

// What a number field does on Enter: read the register, write it back with
// the field replaced, or unchanged after the range message when the text is
// out of range. Returns the field's value as the chip then holds it.
int32_t EnterNumberField(const NumberFieldRule& rule, const QString& text);

// Time of one pass of the conversion sequence (N stages x 3 x decimation at
// 250 kHz) set by PWR_CONTROL: the spacing of the sets the chip converts.
double sequencePeriodSeconds(int32_t pwrControl);

// The nine time texts of the "Full Power Mode" and "Low Power Mode" frames.
struct AmbientTimings {
    QString NMFastUp, NMSlowUp, NMProxTim, NMRecalTim, NMPowDown;
    QString LPFastUp, LPSlowUp, LPProxTim, LPRecalTim;
};

// From registers 0 to 4 (PWR_CONTROL .. AMB_COMP_CTRL2), in that order.
AmbientTimings ambientTimings(const int32_t regs[5]);

} // namespace cv
