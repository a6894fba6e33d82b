#pragma once
// The 513 values of a record as layout 2 keeps them, in few bytes. A frame
// is either whole or a change:
//   whole:  0x01, the smallest value (zigzag varint), a width w (0..32), then
//           every value less the smallest in w bits, tone 0 first, least
//           significant bit first, the last byte padded with zero bits;
//   change: 0x02, the number of tones changed (varint), then for each, in
//           rising tone order, the tones skipped since the one before
//           (varint) and its new value (zigzag varint); the other tones keep
//           the values of the record the change is made against.
// Any 32-bit value comes back exactly. A blob that starts with neither mark
// is the decimal text of layout 1 ("v0,...,v512"), read by DecodeToneValues:
// a record moved over from layout 1 whose values were refused there keeps
// its bytes, and is refused alike. The per-tone counts of the day summaries
// have a frame of their own (0x03, then 513 varints).
// Reading is strict (a store file can hold anything); no Qt.

#include "app/ToneBits.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The count of each tone, as the day summaries keep them.
using ToneCountTotals = std::array<std::int64_t, ToneCount>;

enum class TPackedFrame { pfWhole, pfChange, pfText };

// What kind of frame a blob is (pfText for anything without a mark, the empty blob too).
TPackedFrame PackedFrameOf(std::string_view blob);

// The whole frame of bits.
std::string EncodeWholeFrame(const ToneBits& bits);
// The change frame that turns base into bits.
std::string EncodeChangeFrame(const ToneBits& base, const ToneBits& bits);
// The shorter of the two (the whole frame when there is no base, or on a tie).
std::string EncodePackedValues(const ToneBits& bits, const ToneBits* base);

// Reads a frame of any kind; a change frame needs base (the values of the
// record it was made against). False with a reason, bits untouched, when the
// blob is not exactly one valid frame.
bool DecodePackedValues(std::string_view blob, const ToneBits* base, ToneBits& bits, std::string& reason);

// The counts frame: 513 counts, each at least 0.
std::string EncodeToneCounts(const ToneCountTotals& counts);
bool DecodeToneCounts(std::string_view blob, ToneCountTotals& counts, std::string& reason);
