#include "app/ReplyCut.h"

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string CutReplyHead(std::string_view text)
{
    if (text.size() <= ReplyHeadLength)
        return {};
    return std::string(text.substr(ReplyHeadLength));
}

std::string CutReplyLine(std::string_view line)
{
    if (line.size() <= LineKeepStart)
        return {};
    return std::string(line.substr(LineKeepStart, LineKeepLength));
}

std::string RemoveLineBreaks(std::string_view text)
{
    std::string joined;
    joined.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n')
            joined += c;
    return joined;
}

bool ReadCellNumber(std::string_view text, int32_t& value)
{
    value = 0;
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);

    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }

    int base = 10;
    if (!text.empty() && (text.front() == '$' || text.front() == 'x' || text.front() == 'X')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return false;

    // Decimal values must fit a signed 32-bit integer; hexadecimal ones may use
    // all 32 bits and wrap into the negative range.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t magnitude = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base)
            return false;
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (magnitude > limit)
            return false;
    }
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    value = static_cast<int32_t>(negative ? 0u - bits : bits);
    return true;
}

int32_t ReadCellValue(std::string_view text)
{
    int32_t value = 0;
    ReadCellNumber(text, value);
    return value;
}

ToneBits ReadToneCells(std::string_view joined)
{
    ToneBits bits{};
    for (std::size_t tone = 0; tone < bits.size(); ++tone) {
        const std::size_t start = tone * CellWidth;
        bits[tone] = start < joined.size() ? ReadCellValue(joined.substr(start, CellValueWidth)) : 0;
    }
    return bits;
}

int CountToneNumbers(std::string_view joined)
{
    int numbers = 0;
    int32_t value = 0;
    for (std::size_t tone = 0; tone < static_cast<std::size_t>(ToneCount); ++tone) {
        const std::size_t start = tone * CellWidth;
        if (start < joined.size() && ReadCellNumber(joined.substr(start, CellValueWidth), value))
            ++numbers;
    }
    return numbers;
}
