#include "history/HistoryValues.h"

#include <charconv>
#include <limits>

namespace {

// The first few characters of a refused field, printable, for the message.
std::string Shown(std::string_view field)
{
    constexpr std::size_t Longest = 24;
    std::string shown;
    for (char c : field.substr(0, Longest))
        shown += (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F) ? c : '?';
    if (field.size() > Longest)
        shown += "...";
    return shown;
}

}  // namespace

std::string EncodeToneValues(const ToneBits& bits)
{
    std::string text;
    text.reserve(bits.size() * 3);
    for (std::size_t tone = 0; tone < bits.size(); ++tone) {
        if (tone > 0)
            text += ',';
        text += std::to_string(bits[tone]);
    }
    return text;
}

bool DecodeToneValues(std::string_view text, ToneBits& bits, std::string& reason)
{
    // Count first, so that a wrong count is named as such rather than as the
    // first field that happens to be odd.
    std::size_t fields = 1;
    for (char c : text)
        if (c == ',')
            ++fields;
    if (text.empty())
        fields = 0;
    if (fields != bits.size()) {
        reason = std::to_string(fields) + " values where " + std::to_string(bits.size()) + " belong";
        return false;
    }
    ToneBits read{};
    std::size_t start = 0;
    for (std::size_t tone = 0; tone < read.size(); ++tone) {
        // Fields are a few characters long: a plain scan beats a call to find.
        std::size_t end = start;
        while (end < text.size() && text[end] != ',')
            ++end;
        const std::string_view field = text.substr(start, end - start);
        std::int64_t value = 0;
        const bool digitsOnly = !field.empty() && field.size() <= 11 &&
                                (field.front() == '-' || (field.front() >= '0' && field.front() <= '9'));
        const char* first = field.data();
        const char* last = field.data() + field.size();
        const auto [ptr, ec] = digitsOnly ? std::from_chars(first, last, value)
                                          : std::from_chars_result{first, std::errc::invalid_argument};
        if (!digitsOnly || ec != std::errc() || ptr != last) {
            reason = "value " + std::to_string(tone) + " is \"" + Shown(field) + "\", not a number";
            return false;
        }
        if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
            reason = "value " + std::to_string(tone) + " (" + Shown(field) + ") is out of range";
            return false;
        }
        read[tone] = static_cast<std::int32_t>(value);
        start = end + 1;
    }
    bits = read;
    return true;
}

std::int64_t TotalBits(const ToneBits& bits)
{
    std::int64_t total = 0;
    for (std::int32_t v : bits)
        total += v;
    return total;
}

int ZeroTones(const ToneBits& bits)
{
    int zeros = 0;
    for (std::int32_t v : bits)
        if (v == 0)
            ++zeros;
    return zeros;
}
