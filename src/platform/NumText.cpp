#include "platform/NumText.h"

#include <algorithm>
#include <cmath>

namespace cv {

QString decText(int64_t value)
{
    return value >= 0 ? QStringLiteral(" ") + QString::number(value) : QString::number(value);
}

QString hexText(int64_t value)
{
    // Negative values show their 32-bit two's complement, as register words
    // are carried in 32-bit integers.
    const auto u = value < 0 ? static_cast<uint64_t>(static_cast<uint32_t>(value))
                             : static_cast<uint64_t>(value);
    return QString::number(u, 16).toUpper();
}

QString formatMask(double value, const QString& mask)
{
    const int point = mask.indexOf(QLatin1Char('.'));
    const QString intPart = point < 0 ? mask : mask.left(point);
    const int decimals = point < 0 ? 0 : static_cast<int>(mask.size() - point - 1);
    const int minIntDigits = static_cast<int>(intPart.count(QLatin1Char('0')));

    const double scale = std::pow(10.0, decimals);
    // A tiny nudge so values such as 1.005 that sit just below a half in
    // binary still round the way the decimal text reads.
    const double magnitude = std::fabs(value) * scale;
    double rounded = std::floor(magnitude + 0.5 + 1e-9 * std::max(1.0, magnitude));
    // Beyond 64 bits (or NaN) the digits are meaningless anyway; keep the
    // conversion defined.
    if (!(rounded < 18446744073709551616.0))
        rounded = std::isnan(rounded) ? 0.0 : 18446744073709549568.0;
    const auto scaled = static_cast<uint64_t>(rounded);
    const uint64_t whole = decimals ? scaled / static_cast<uint64_t>(scale) : scaled;
    const uint64_t frac = decimals ? scaled % static_cast<uint64_t>(scale) : 0;

    QString text = QString::number(whole);
    if (text == QLatin1String("0") && minIntDigits == 0)
        text.clear();
    while (text.size() < minIntDigits)
        text.prepend(QLatin1Char('0'));
    if (decimals)
        text += QLatin1Char('.') + QString::number(frac).rightJustified(decimals, QLatin1Char('0'));
    if (value < 0 && scaled != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

int64_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value);
    // 2^63 is the first double past the range; -2^63 itself fits.
    if (r >= 9223372036854775808.0)
        return INT64_MAX;
    if (r < -9223372036854775808.0)
        return INT64_MIN;
    return static_cast<int64_t>(r);
}

bool roundToInt32(double value, int32_t& out)
{
    if (!std::isfinite(value))
        return false;
    const double r = std::nearbyint(value);
    if (r < -2147483648.0 || r > 2147483647.0)
        return false;
    out = static_cast<int32_t>(r);
    return true;
}

double textValue(const QString& text, bool* found)
{
    if (found)
        *found = false;
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r'))
            s += c;

    if (s.size() >= 2 && s[0] == QLatin1Char('&')) {
        const QChar kind = s[1].toUpper();
        const int base = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
        if (base) {
            // Unsigned so that a long run of digits wraps instead of overflowing.
            uint64_t v = 0;
            bool digits = false;
            for (int i = 2; i < s.size(); ++i) {
                const int d = s[i].isDigit() ? s[i].digitValue()
                              : (base == 16 && s[i].toUpper() >= QLatin1Char('A') &&
                                 s[i].toUpper() <= QLatin1Char('F'))
                                  ? s[i].toUpper().unicode() - 'A' + 10
                                  : -1;
                if (d < 0 || d >= base)
                    break;
                v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
                digits = true;
            }
            if (found)
                *found = digits;
            // A 16-bit hex literal reads as a signed integer.
            if (base == 16 && v <= 0xFFFF && v >= 0x8000)
                return static_cast<double>(static_cast<int64_t>(v) - 0x10000);
            return static_cast<double>(v);
        }
        return 0.0;
    }

    int i = 0;
    QString num;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        num += s[i++];
    bool digits = false;
    while (i < s.size() && s[i].isDigit()) {
        num += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        num += s[i++];
        while (i < s.size() && s[i].isDigit()) {
            num += s[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (found)
        *found = true;
    if (i < s.size() &&
        (s[i].toUpper() == QLatin1Char('E') || s[i].toUpper() == QLatin1Char('D'))) {
        QString exp = QStringLiteral("e");
        int j = i + 1;
        if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            exp += s[j++];
        bool expDigits = false;
        while (j < s.size() && s[j].isDigit()) {
            exp += s[j++];
            expDigits = true;
        }
        if (expDigits)
            num += exp;
    }
    return num.toDouble();
}

int64_t textValueRounded(const QString& text)
{
    return roundHalfEven(textValue(text));
}

namespace {
int skipBlanks(const QString& text)
{
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    return i;
}
} // namespace

uint64_t hexFieldValue(const QString& text, bool* overflow)
{
    uint64_t v = 0;
    bool big = false;
    for (int i = skipBlanks(text); i < text.size(); ++i) {
        const QChar c = text[i].toUpper();
        int d;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        else
            break;
        v = (v << 4) | static_cast<uint64_t>(d);
        big = big || v > 0xFFFFFFFFull;
    }
    if (overflow)
        *overflow = big;
    return v;
}

int64_t decFieldValue(const QString& text)
{
    int i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    uint64_t v = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        v = v * 10 + static_cast<uint64_t>(text[i].unicode() - '0');
    return static_cast<int64_t>(negative ? 0 - v : v);
}

} // namespace cv
