// Reading of saved tone tables and of the tools' range and size options.
#include "monitor/ToneTableFile.h"

#include <charconv>
#include <limits>

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Whole-text decimal integer with an optional minus sign.
template <class T> std::optional<T> ParseInteger(std::string_view s)
{
    s = Trim(s);
    if (s.empty())
        return std::nullopt;
    T value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// Reads one line (without its LF) of at most maxLength characters. Answers
// false at the end of the input or on a read error (which sets badbit); a
// longer line stops the read at the limit (tooLong), so that a stream without
// line ends is never taken in whole.
bool ReadBoundedLine(std::istream& in, std::string& line, std::size_t maxLength, bool& tooLong)
{
    line.clear();
    tooLong = false;
    using traits = std::istream::traits_type;
    for (;;) {
        const traits::int_type c = in.get();
        if (traits::eq_int_type(c, traits::eof()))
            return !line.empty() && !in.bad();
        if (traits::to_char_type(c) == '\n')
            return true;
        if (line.size() == maxLength) {
            tooLong = true;
            return true;
        }
        line.push_back(traits::to_char_type(c));
    }
}

}  // namespace

std::optional<ToneBits> ReadToneTableCsv(std::istream& in, std::string& error)
{
    ToneBits table{};
    std::string line;
    int lineNumber = 0;
    // Lines longer than this are not tone lines; reading stops there.
    constexpr std::size_t maxLine = 256;
    bool tooLong = false;
    int toneLines = 0;
    while (ReadBoundedLine(in, line, maxLine, tooLong)) {
        ++lineNumber;
        if (tooLong) {
            error = "line " + std::to_string(lineNumber) + ": too long";
            return std::nullopt;
        }
        std::string_view text = Trim(line);
        constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
        if (lineNumber == 1 && text.starts_with(byteOrderMark))
            text = Trim(text.substr(byteOrderMark.size()));
        if (text.empty() || (lineNumber == 1 && text == "tone,bits"))
            continue;
        const auto comma = text.find(',');
        if (comma == std::string_view::npos) {
            error = "line " + std::to_string(lineNumber) + ": expected tone,bits";
            return std::nullopt;
        }
        const auto tone = ParseInteger<int>(text.substr(0, comma));
        const auto bits = ParseInteger<std::int32_t>(text.substr(comma + 1));
        if (!tone || !bits) {
            error = "line " + std::to_string(lineNumber) + ": expected two integers";
            return std::nullopt;
        }
        if (*tone < 0 || *tone >= ToneCount) {
            error = "line " + std::to_string(lineNumber) + ": tone outside 0..512";
            return std::nullopt;
        }
        table[static_cast<std::size_t>(*tone)] = *bits;
        ++toneLines;
    }
    if (in.bad()) {
        error = "read error";
        return std::nullopt;
    }
    if (toneLines == 0) {
        error = ToneTableMissing;
        return std::nullopt;
    }
    return table;
}

std::optional<design::ToneRange> ParseToneRange(std::string_view text)
{
    const auto dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto first = ParseInteger<int>(text.substr(0, dash));
    const auto last = ParseInteger<int>(text.substr(dash + 1));
    if (!first || !last)
        return std::nullopt;
    for (const design::ToneRange& r : {design::RangeLow, design::RangeHigh, design::RangeAll})
        if (r.FirstTone == *first && r.LastTone == *last)
            return r;
    return std::nullopt;
}

std::optional<ChartSize> ParseChartSize(std::string_view text)
{
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos)
        return std::nullopt;
    const auto w = ParseInteger<int>(text.substr(0, x));
    const auto h = ParseInteger<int>(text.substr(x + 1));
    constexpr int limit = 10000;
    if (!w || !h || *w < 1 || *h < 1 || *w > limit || *h > limit)
        return std::nullopt;
    return ChartSize{*w, *h};
}
