#include "chart/ChartMath.h"

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

int RoundHalfEvenFar(double x)
{
    if (std::isnan(x))
        return 0;
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
    const double r = std::nearbyint(x);
    if (r >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (r <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(r);
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t num = static_cast<std::int64_t>(a) * b;
    std::int64_t q = num / c;
    const std::int64_t rem = num % c;
    // Round half away from zero.
    if (rem != 0) {
        const std::int64_t twice = 2 * (rem < 0 ? -rem : rem);
        const std::int64_t ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
        if (twice >= ac)
            q += ((num < 0) != (c < 0)) ? -1 : 1;
    }
    if (q > INT_MAX || q < INT_MIN)
        return -1;
    return static_cast<int>(q);
}

double NextNiceStep(double s)
{
    if (!(s > 0.0) || !std::isfinite(s))
        return s > 0.0 ? s : 1.0;  // zero, negative or NaN has no next step: start the sequence
    double scale = 1.0;
    while (s >= 10.0) {
        s *= 0.1;
        scale *= 10.0;
    }
    while (s < 1.0) {
        s *= 10.0;
        scale *= 0.1;
    }
    double next;
    if (s < 2.0)
        next = 2.0;
    else if (s < 5.0)
        next = 5.0;
    else
        next = 10.0;
    return next * scale;
}

int MaxLabelCount(int pixelSize, int labelSize, int labelsSeparation)
{
    if (labelSize == 0)
        return 1;
    double divisor;
    if (labelsSeparation > 0)
        divisor = labelSize + RoundHalfEven(labelsSeparation * 0.01 * labelSize);
    else
        divisor = labelSize;
    if (divisor == 0)
        return 1;
    return RoundHalfEven(pixelSize / divisor);
}

double StepForLabelCount(int maxLabels, double workRange, double increment, int labelsSeparation)
{
    constexpr double smallest = 1e-12;
    if (maxLabels < 1)
        return smallest;
    double step;
    if (increment > 0.0)
        step = increment;
    else if (std::fabs(workRange) >= 1.0)
        step = 1.0;
    else
        step = smallest;
    if (labelsSeparation > 0) {
        // Each round at least doubles the step, so the loop ends within a few
        // thousand rounds even for absurd ranges; the bound guards non-finite input.
        for (int guard = 0; guard < 4000; ++guard) {
            const double q = workRange / step;
            if (std::isnan(q) || !std::isfinite(step))
                break;
            if (std::fabs(q) >= 2147483647.0 || RoundHalfEven(q) > maxLabels)
                step = NextNiceStep(step);
            else
                break;
        }
    }
    return step > smallest ? step : smallest;
}

TRect MarginPlotRect(const TRect& b, int borderWidth, int marginLeft, int marginTop, int marginRight, int marginBottom)
{
    const int w = b.Width();
    const int h = b.Height();
    return TRect(b.Left + borderWidth + MulDiv(marginLeft, w, 100), b.Top + borderWidth + MulDiv(marginTop, h, 100),
                 b.Right - borderWidth - MulDiv(marginRight, w, 100),
                 b.Bottom - borderWidth - MulDiv(marginBottom, h, 100));
}

TRect NormalizeRect(const TRect& in, const TRect& bounds, int fallbackWidth, int fallbackHeight)
{
    TRect r = in;
    if (r.Left < bounds.Left)
        r.Left = bounds.Left;
    if (r.Top < bounds.Top)
        r.Top = bounds.Top;
    if (r.Right < r.Left)
        r.Right = r.Left + 1;
    else if (r.Right == r.Left)
        r.Right = r.Left + fallbackWidth;
    if (r.Bottom < r.Top)
        r.Bottom = r.Top + 1;
    else if (r.Bottom == r.Top)
        r.Bottom = r.Top + fallbackHeight;
    return r;
}

namespace {

struct TFormatSection {
    std::string prefix;
    std::string suffix;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
    bool thousands = false;
    bool hasDigits = false;
};

// Splits a picture at ';' outside quotes.
std::vector<std::string> SplitSections(const std::string& f)
{
    std::vector<std::string> out(1);
    char quote = 0;
    for (char ch : f) {
        if (quote) {
            if (ch == quote)
                quote = 0;
            out.back() += ch;
        } else if (ch == '"' || ch == '\'') {
            quote = ch;
            out.back() += ch;
        } else if (ch == ';') {
            out.emplace_back();
        } else {
            out.back() += ch;
        }
    }
    return out;
}

TFormatSection ParseSection(const std::string& s)
{
    TFormatSection sec;
    enum { Before, In, After } state = Before;
    bool afterPoint = false;
    char quote = 0;
    for (char ch : s) {
        if (quote) {
            if (ch == quote)
                quote = 0;
            else
                (state == Before ? sec.prefix : sec.suffix) += ch;
            continue;
        }
        if (ch == '"' || ch == '\'') {
            quote = ch;
            if (state == In)
                state = After;
            continue;
        }
        const bool picture = ch == '0' || ch == '#' || ch == '.' || (ch == ',' && state == In);
        if (picture && state != After) {
            state = In;
            sec.hasDigits = true;
            if (ch == '.') {
                afterPoint = true;
            } else if (ch == ',') {
                if (!afterPoint)
                    sec.thousands = true;
            } else if (afterPoint) {
                ++sec.maxDec;
                if (ch == '0')
                    sec.minDec = sec.maxDec;
            } else if (ch == '0') {
                ++sec.minInt;
            }
            continue;
        }
        if (state == In)
            state = After;
        (state == Before ? sec.prefix : sec.suffix) += ch;
    }
    return sec;
}

std::string FormatWithSection(const TFormatSection& sec, double value, bool withSign)
{
    if (!sec.hasDigits)
        return sec.prefix + sec.suffix;
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", sec.maxDec, std::fabs(value));
    std::string digits(buf);
    std::string intPart = digits, decPart;
    const auto dot = digits.find('.');
    if (dot != std::string::npos) {
        intPart = digits.substr(0, dot);
        decPart = digits.substr(dot + 1);
    }
    while (static_cast<int>(decPart.size()) > sec.minDec && !decPart.empty() && decPart.back() == '0')
        decPart.pop_back();
    // Leading zeros beyond the forced integer digits go.
    while (intPart.size() > 1 && intPart[0] == '0')
        intPart.erase(0, 1);
    if (intPart == "0" && sec.minInt == 0)
        intPart.clear();
    while (static_cast<int>(intPart.size()) < sec.minInt)
        intPart.insert(0, "0");
    if (sec.thousands && intPart.size() > 3) {
        std::string grouped;
        const int n = static_cast<int>(intPart.size());
        for (int i = 0; i < n; ++i) {
            grouped += intPart[static_cast<std::size_t>(i)];
            const int left = n - 1 - i;
            if (left > 0 && left % 3 == 0)
                grouped += ',';
        }
        intPart = grouped;
    }
    std::string number = intPart;
    if (!decPart.empty())
        number += "." + decPart;
    if (number.empty())
        number = "0";
    bool isZero = true;
    for (char ch : number)
        if (ch >= '1' && ch <= '9')
            isZero = false;
    const std::string sign = (withSign && value < 0 && !isZero) ? "-" : "";
    return sec.prefix + sign + number + sec.suffix;
}

}  // namespace

std::string FormatFloat(const std::string& format, double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (format.empty()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", value);
        return buf;
    }
    const std::vector<std::string> sections = SplitSections(format);
    if (value < 0 && sections.size() > 1 && !sections[1].empty())
        return FormatWithSection(ParseSection(sections[1]), value, false);
    if (value == 0 && sections.size() > 2 && !sections[2].empty())
        return FormatWithSection(ParseSection(sections[2]), value, false);
    return FormatWithSection(ParseSection(sections[0]), value, true);
}
