#include "history/HistoryPackedValues.h"

#include "history/HistoryValues.h"

#include <algorithm>
#include <limits>

namespace {

constexpr unsigned char WholeMark = 0x01;
constexpr unsigned char ChangeMark = 0x02;
constexpr unsigned char CountsMark = 0x03;

void PutVarint(std::string& out, std::uint64_t value)
{
    while (value >= 0x80) {
        out += static_cast<char>(static_cast<unsigned char>(value | 0x80));
        value >>= 7;
    }
    out += static_cast<char>(static_cast<unsigned char>(value));
}

std::uint64_t ZigZag(std::int64_t value)
{
    return (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
}

std::int64_t UnZigZag(std::uint64_t value)
{
    return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
}

// Reads the bytes of a frame front to back; every read checks what is left.
class TFrameReader {
public:
    explicit TFrameReader(std::string_view bytes) : fBytes(bytes) {}

    bool AtEnd() const { return fAt == fBytes.size(); }
    std::size_t Left() const { return fBytes.size() - fAt; }

    bool Byte(unsigned& value)
    {
        if (AtEnd())
            return false;
        value = static_cast<unsigned char>(fBytes[fAt++]);
        return true;
    }

    // A varint (at most 10 bytes) whose value is at most limit.
    bool Varint(std::uint64_t& value, std::uint64_t limit)
    {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            unsigned byte = 0;
            if (!Byte(byte))
                return false;
            const std::uint64_t part = byte & 0x7F;
            if (shift == 63 && part > 1)
                return false;
            value |= part << shift;
            if ((byte & 0x80) == 0)
                return value <= limit;
        }
        return false;
    }

    const unsigned char* Here() const { return reinterpret_cast<const unsigned char*>(fBytes.data()) + fAt; }
    void Skip(std::size_t count) { fAt += count; }

private:
    std::string_view fBytes;
    std::size_t fAt = 0;
};

constexpr std::uint64_t Int32Span = 0xFFFFFFFFull;

bool DecodeWhole(TFrameReader& in, ToneBits& bits, std::string& reason)
{
    std::uint64_t zigzagMin = 0;
    unsigned width = 0;
    if (!in.Varint(zigzagMin, Int32Span) || !in.Byte(width)) {
        reason = "its whole values end early";
        return false;
    }
    const std::int64_t least = UnZigZag(zigzagMin);
    if (least < std::numeric_limits<std::int32_t>::min() || least > std::numeric_limits<std::int32_t>::max() ||
        width > 32) {
        reason = "its whole values have no valid scale";
        return false;
    }
    const std::size_t bytes = (static_cast<std::size_t>(ToneCount) * width + 7) / 8;
    if (in.Left() != bytes) {
        reason = "its whole values are " + std::to_string(in.Left()) + " bytes long where " + std::to_string(bytes) +
                 " belong";
        return false;
    }
    const unsigned char* data = in.Here();
    ToneBits read{};
    std::size_t bit = 0;
    for (int tone = 0; tone < ToneCount; ++tone) {
        std::uint64_t value = 0;
        for (unsigned got = 0; got < width;) {
            const std::size_t byte = bit / 8;
            const unsigned offset = bit % 8;
            const unsigned take = std::min(8 - offset, width - got);
            value |= static_cast<std::uint64_t>((data[byte] >> offset) & ((1u << take) - 1)) << got;
            got += take;
            bit += take;
        }
        const std::int64_t v = least + static_cast<std::int64_t>(value);
        if (v > std::numeric_limits<std::int32_t>::max()) {
            reason = "value " + std::to_string(tone) + " is out of range";
            return false;
        }
        read[static_cast<std::size_t>(tone)] = static_cast<std::int32_t>(v);
    }
    // The padding holds nothing, so that one table has one whole frame of each width.
    if (bit % 8 != 0 && (data[bytes - 1] >> (bit % 8)) != 0) {
        reason = "its whole values end in stray bits";
        return false;
    }
    in.Skip(bytes);
    bits = read;
    return true;
}

bool DecodeChange(TFrameReader& in, const ToneBits* base, ToneBits& bits, std::string& reason)
{
    if (!base) {
        reason = "its values are a change without the record they change";
        return false;
    }
    std::uint64_t count = 0;
    if (!in.Varint(count, ToneCount)) {
        reason = "its changed values have no valid count";
        return false;
    }
    ToneBits read = *base;
    std::int64_t tone = -1;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t skipped = 0;
        std::uint64_t zigzag = 0;
        if (!in.Varint(skipped, ToneCount) || !in.Varint(zigzag, Int32Span)) {
            reason = "its changed values end early";
            return false;
        }
        tone += 1 + static_cast<std::int64_t>(skipped);
        if (tone >= ToneCount) {
            reason = "its changed values go past tone " + std::to_string(ToneCount - 1);
            return false;
        }
        const std::int64_t v = UnZigZag(zigzag);
        read[static_cast<std::size_t>(tone)] = static_cast<std::int32_t>(v);
    }
    if (!in.AtEnd()) {
        reason = "its changed values are followed by " + std::to_string(in.Left()) + " stray bytes";
        return false;
    }
    bits = read;
    return true;
}

}  // namespace

TPackedFrame PackedFrameOf(std::string_view blob)
{
    if (blob.empty())
        return TPackedFrame::pfText;
    switch (static_cast<unsigned char>(blob.front())) {
    case WholeMark:
        return TPackedFrame::pfWhole;
    case ChangeMark:
        return TPackedFrame::pfChange;
    default:
        return TPackedFrame::pfText;
    }
}

std::string EncodeWholeFrame(const ToneBits& bits)
{
    std::int64_t least = bits[0];
    std::int64_t most = bits[0];
    for (std::int32_t v : bits) {
        least = std::min<std::int64_t>(least, v);
        most = std::max<std::int64_t>(most, v);
    }
    const std::uint64_t span = static_cast<std::uint64_t>(most - least);
    unsigned width = 0;
    while (width < 32 && (span >> width) != 0)
        ++width;
    std::string out;
    out.reserve(8 + (static_cast<std::size_t>(ToneCount) * width + 7) / 8);
    out += static_cast<char>(WholeMark);
    PutVarint(out, ZigZag(least));
    out += static_cast<char>(width);
    std::uint64_t pending = 0;
    unsigned pendingBits = 0;
    for (std::int32_t v : bits) {
        pending |= static_cast<std::uint64_t>(v - least) << pendingBits;
        pendingBits += width;
        while (pendingBits >= 8) {
            out += static_cast<char>(static_cast<unsigned char>(pending & 0xFF));
            pending >>= 8;
            pendingBits -= 8;
        }
    }
    if (pendingBits > 0)
        out += static_cast<char>(static_cast<unsigned char>(pending & 0xFF));
    return out;
}

std::string EncodeChangeFrame(const ToneBits& base, const ToneBits& bits)
{
    std::string changes;
    int changed = 0;
    int previous = -1;
    for (int tone = 0; tone < ToneCount; ++tone) {
        const std::size_t t = static_cast<std::size_t>(tone);
        if (bits[t] == base[t])
            continue;
        PutVarint(changes, static_cast<std::uint64_t>(tone - previous - 1));
        // The 32 bits of the value as such: the zigzag of an int32 fits 32 bits.
        PutVarint(changes, ZigZag(bits[t]) & Int32Span);
        previous = tone;
        ++changed;
    }
    std::string out;
    out.reserve(changes.size() + 3);
    out += static_cast<char>(ChangeMark);
    PutVarint(out, static_cast<std::uint64_t>(changed));
    return out + changes;
}

std::string EncodePackedValues(const ToneBits& bits, const ToneBits* base)
{
    std::string whole = EncodeWholeFrame(bits);
    if (!base)
        return whole;
    std::string change = EncodeChangeFrame(*base, bits);
    return change.size() < whole.size() ? change : whole;
}

bool DecodePackedValues(std::string_view blob, const ToneBits* base, ToneBits& bits, std::string& reason)
{
    TFrameReader in(blob);
    switch (PackedFrameOf(blob)) {
    case TPackedFrame::pfText:
        return DecodeToneValues(blob, bits, reason);
    case TPackedFrame::pfWhole:
        in.Skip(1);
        return DecodeWhole(in, bits, reason);
    case TPackedFrame::pfChange:
        in.Skip(1);
        return DecodeChange(in, base, bits, reason);
    }
    return false;
}

std::string EncodeToneCounts(const ToneCountTotals& counts)
{
    std::string out;
    out.reserve(1 + counts.size() * 2);
    out += static_cast<char>(CountsMark);
    for (std::int64_t count : counts)
        PutVarint(out, static_cast<std::uint64_t>(std::max<std::int64_t>(count, 0)));
    return out;
}

bool DecodeToneCounts(std::string_view blob, ToneCountTotals& counts, std::string& reason)
{
    TFrameReader in(blob);
    unsigned mark = 0;
    if (!in.Byte(mark) || mark != CountsMark) {
        reason = "it holds no counts";
        return false;
    }
    ToneCountTotals read{};
    for (std::int64_t& count : read) {
        std::uint64_t value = 0;
        if (!in.Varint(value, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))) {
            reason = "its counts end early or are out of range";
            return false;
        }
        count = static_cast<std::int64_t>(value);
    }
    if (!in.AtEnd()) {
        reason = "its counts are followed by stray bytes";
        return false;
    }
    counts = read;
    return true;
}
