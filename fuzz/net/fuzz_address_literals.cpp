// Checks the address literal tests against the platform's strict parser:
// whatever it accepts as dotted IPv4 (or as IPv6 without embedded IPv4 and
// with a final group) must be recognised, and no text is both.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <arpa/inet.h>

#include "net/SocketInterface.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool v4 = IsIPv4Literal(text);
    const bool v6 = IsIPv6Literal(text);
    Check(!(v4 && v6));
    if (text.find('\0') != std::string::npos)
        return 0;

    unsigned char address[16];
    if (inet_pton(AF_INET, text.c_str(), address) == 1)
        Check(v4);
    if (v4) {
        // Three dots, and otherwise only digits and spaces.
        int dots = 0;
        for (const char c : text) {
            if (c == '.')
                ++dots;
            else
                Check((c >= '0' && c <= '9') || c == ' ');
        }
        Check(dots == 3);
    }

    const bool endsWithGap = text.size() >= 2 && text.compare(text.size() - 2, 2, "::") == 0;
    if (inet_pton(AF_INET6, text.c_str(), address) == 1 && text.find('.') == std::string::npos &&
        (!endsWithGap || text == "::"))
        Check(v6);
    if (v6)
        Check(text.find(':') != std::string::npos);
    return 0;
}
