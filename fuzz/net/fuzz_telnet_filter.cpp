// Feeds the telnet command filter arbitrary bytes, cut into chunks whose
// lengths come from the second input byte, and checks that chunking never
// changes the result, that no chunk grows, that the sub-negotiation buffer
// stays capped and that every reply is a well-formed telnet command.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/TelnetFilter.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool WellFormedReply(const std::string& r)
{
    using namespace telnet;
    if (r.size() == 3)
        return static_cast<unsigned char>(r[0]) == IAC &&
               (static_cast<unsigned char>(r[1]) == DO || static_cast<unsigned char>(r[1]) == DONT ||
                static_cast<unsigned char>(r[1]) == WILL || static_cast<unsigned char>(r[1]) == WONT);
    return r.size() >= 5 && static_cast<unsigned char>(r[0]) == IAC && static_cast<unsigned char>(r[1]) == SB &&
           static_cast<unsigned char>(r[r.size() - 2]) == IAC && static_cast<unsigned char>(r.back()) == SE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte picks a small SubData cap, so that the cap is reached
    // within short inputs; the second seeds the chunking; the rest is the
    // received stream.
    const std::size_t limit = 1 + data[0] % 64;
    uint32_t seed = data[1];
    const std::string stream(reinterpret_cast<const char*>(data + 2), size - 2);

    TTelnetFilter whole(limit);
    std::vector<std::string> wholeReplies;
    const std::string wholeText = whole.Process(stream, [&](const std::string& r) { wholeReplies.push_back(r); });
    Check(wholeText.size() <= stream.size());
    Check(whole.SubData().size() <= limit);

    TTelnetFilter split(limit);
    std::vector<std::string> splitReplies;
    std::string splitText;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t length = std::min<std::size_t>(1 + (seed >> 16) % 17, stream.size() - pos);
        const std::string chunk = stream.substr(pos, length);
        const std::string out = split.Process(chunk, [&](const std::string& r) { splitReplies.push_back(r); });
        Check(out.size() <= chunk.size());
        Check(split.SubData().size() <= limit);
        splitText += out;
        pos += length;
    }
    Check(splitText == wholeText);
    Check(splitReplies == wholeReplies);
    Check(split.State() == whole.State());
    // Replies are commands of at most IAC SB 24 IS "DUMB" IAC SE.
    for (const std::string& r : wholeReplies)
        Check(WellFormedReply(r) && r.size() <= 10);
    return 0;
}
