// Feeds arbitrary text to the reader of a record's 513 values, checking what
// must hold for any input: a refused text leaves the table untouched and
// says why; an accepted one survives writing and reading again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "history/HistoryValues.h"

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
    ToneBits bits{};
    bits.fill(-7);
    std::string reason;
    if (!DecodeToneValues(text, bits, reason)) {
        Check(!reason.empty());
        for (std::int32_t v : bits)
            Check(v == -7);
        return 0;
    }
    ToneBits again{};
    std::string none;
    Check(DecodeToneValues(EncodeToneValues(bits), again, none));
    Check(again == bits);
    Check(ZeroTones(bits) >= 0 && ZeroTones(bits) <= ToneCount);
    return 0;
}
