#include <cstddef>
#include <string_view>

#include "net/SocketInterface.h"

namespace {

std::string_view TrimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// A decimal number 0..255 written with digits only (leading zeros allowed).
bool IsOctetText(std::string_view s)
{
    s = TrimSpaces(s);
    if (s.empty())
        return false;
    unsigned value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255)
            return false;
    }
    return true;
}

// A hexadecimal number 0..FFFF (leading zeros allowed); `s` is already trimmed.
bool IsHexGroup(std::string_view s)
{
    if (s.empty())
        return false;
    unsigned value = 0;
    for (const char c : s) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        value = value * 16 + digit;
        if (value > 0xFFFF)
            return false;
    }
    return true;
}

}  // namespace

bool IsIPv4Literal(const std::string& text)
{
    // Split at the first three dots; the fourth part is all that follows.
    std::string_view rest(text);
    for (int part = 0; part < 3; ++part) {
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos || !IsOctetText(rest.substr(0, dot)))
            return false;
        rest.remove_prefix(dot + 1);
    }
    return IsOctetText(rest);
}

bool IsIPv6Literal(const std::string& text)
{
    if (text == "::")
        return true;
    std::string_view rest(text);
    int groups = 0;  // non-empty groups seen
    int gaps = 0;    // empty groups after the first one ("::")
    bool first = true;
    for (;;) {
        const std::size_t colon = rest.find(':');
        const bool last = colon == std::string_view::npos;
        std::string_view group = TrimSpaces(last ? rest : rest.substr(0, colon));
        if (last) {
            // The last group must hold a value, optionally with a "%zone".
            const std::size_t percent = group.find('%');
            if (percent != std::string_view::npos) {
                if (!IsHexGroup(TrimSpaces(group.substr(0, percent))) ||
                    !IsHexGroup(TrimSpaces(group.substr(percent + 1))))
                    return false;
            } else if (!IsHexGroup(group)) {
                return false;
            }
            ++groups;
            // A gap stands for at least one zero group.
            return groups + gaps >= 2 && groups + gaps <= 8;
        }
        if (group.empty()) {
            // An empty first group is neither a group nor a gap (":1:2" holds
            // two groups); any later empty group is the one allowed gap.
            if (!first && ++gaps > 1)
                return false;
        } else {
            if (!IsHexGroup(group) || ++groups > 8)
                return false;
        }
        first = false;
        rest.remove_prefix(colon + 1);
    }
}
