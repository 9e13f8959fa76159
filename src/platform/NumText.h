#pragma once
// Number texts shared by every window, file and message: the one place that
// knows how this program writes and reads numbers.

#include <QString>
#include <cstdint>

namespace cv {

// Decimal with one leading blank for non-negative values: " 5", "-5".
QString decText(int64_t value);
// Upper-case hexadecimal without leading zeros: 0x5322 -> "5322", 0 -> "0".
QString hexText(int64_t value);
// Digit-mask format: "#" optional digit, "0" digit always shown, one point
// and a fixed number of decimals ("##0.00", "####0.0000"). Halves round away
// from zero, as such masks do.
QString formatMask(double value, const QString& mask);
// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Values
// beyond 64 bits give the nearest end of the range, NaN gives 0.
int64_t roundHalfEven(double value);
// Halves to even into a 32-bit integer; false when the value is not finite
// or its rounding does not fit (as an overflow would be in a Long).
bool roundToInt32(double value, int32_t& out);
// The numeric value at the start of a text: blanks are ignored, then an
// optional sign, digits, a point and decimals, an exponent; "&H" and "&O"
// prefixes read hexadecimal and octal. Parsing stops at the first character
// that cannot continue the number; no number gives 0 (`found`, when given,
// tells whether there were digits at all: "." or "-" hold none).
double textValue(const QString& text, bool* found = nullptr);
// textValue rounded with halves to even.
int64_t textValueRounded(const QString& text);

// Entry fields that take a register address or value. Leading blanks are
// skipped; reading stops at the first character that is not a digit of the
// base; no digits give 0. Arithmetic wraps, so the low 16 bits are always
// exact whatever the length of the text.
// Hexadecimal digits 0-9, A-F in either case. `overflow`, when given, is set
// if the text names a value above 0xFFFFFFFF.
uint64_t hexFieldValue(const QString& text, bool* overflow = nullptr);
// An optional sign, then decimal digits: "70000" -> 70000, "-1" -> -1.
int64_t decFieldValue(const QString& text);

} // namespace cv
