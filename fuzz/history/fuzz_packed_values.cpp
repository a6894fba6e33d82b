// Feeds arbitrary bytes to the reader of layout 2's packed values, as a
// whole frame, as a change against a base table, and as the day summaries'
// counts, checking what must hold for any input: a refused blob leaves the
// table untouched and says why; an accepted one is packed again into a
// frame that reads back the same, whole or as a change.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "history/HistoryPackedValues.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string blob(reinterpret_cast<const char*>(data), size);
    ToneBits base{};
    for (int tone = 0; tone < ToneCount; ++tone)
        base[static_cast<std::size_t>(tone)] = (tone * 7) % 11 - (tone == 512 ? 2147483647 : 0);
    ToneBits bits{};
    bits.fill(-7);
    std::string reason;
    if (!DecodePackedValues(blob, &base, bits, reason)) {
        Check(!reason.empty());
        for (std::int32_t v : bits)
            Check(v == -7);
    } else {
        ToneBits again{};
        std::string none;
        Check(DecodePackedValues(EncodeWholeFrame(bits), nullptr, again, none) && again == bits);
        Check(DecodePackedValues(EncodePackedValues(bits, &base), &base, again, none) && again == bits);
        Check(DecodePackedValues(EncodeChangeFrame(bits, base), &bits, again, none) && again == base);
    }
    ToneCountTotals counts{};
    if (DecodeToneCounts(blob, counts, reason)) {
        ToneCountTotals again{};
        Check(DecodeToneCounts(EncodeToneCounts(counts), again, reason) && again == counts);
        for (std::int64_t c : counts)
            Check(c >= 0);
    }
    return 0;
}
