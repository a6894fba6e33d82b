#include "app/ReadoutText.h"

#include "app/ToneRange.h"

#include <charconv>
#include <cmath>

std::string ShortestDecimal(double value, char decimalSeparator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0.0)
        return "0";  // also for -0
    // 15 significant digits in the general form, then no trailing zeros.
    char digits[64];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    if (error != std::errc())
        return std::string();
    std::string text(digits, end);
    // The exponent form of the general format reads 1e+15; write it as 1E+15
    // with at least two exponent digits dropped to what is needed.
    std::string exponent;
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        const char sign = text[e + 1];
        std::string expDigits = text.substr(e + 2);
        while (expDigits.size() > 1 && expDigits[0] == '0')
            expDigits.erase(0, 1);
        exponent = std::string("E") + sign + expDigits;
        text.erase(e);
    }
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    for (char& c : text)
        if (c == '.')
            c = decimalSeparator;
    return text + exponent;
}

double ToneFrequencyKHz(int tone)
{
    return tone * tones::ToneSpacingKHz;
}

std::string ReadoutToneText(int tone)
{
    return std::string(ReadoutToneCaption) + std::to_string(tone);
}

std::string ReadoutFrequencyText(int tone, char decimalSeparator)
{
    return std::string(ReadoutFrequencyCaption) + ShortestDecimal(ToneFrequencyKHz(tone), decimalSeparator) +
           std::string(ReadoutFrequencyUnitText);
}

std::string ReadoutBitsText(double bits, char decimalSeparator)
{
    return std::string(ReadoutBitsCaption) + ShortestDecimal(bits, decimalSeparator);
}
