// The packed values of layout 2: worked bytes of each frame, odd tables
// (the ends of the 32-bit range, all equal, all different) through whole
// frames and changes, the shorter frame chosen, and hostile bytes refused
// with a reason and the table untouched.
#include "history/HistoryPackedValues.h"
#include "history/HistoryValues.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace {

constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string out;
    for (int b : bytes)
        out += static_cast<char>(b);
    return out;
}

ToneBits Decoded(const std::string& blob, const ToneBits* base = nullptr)
{
    ToneBits bits{};
    std::string reason;
    EXPECT_TRUE(DecodePackedValues(blob, base, bits, reason)) << reason;
    return bits;
}

}  // namespace

TEST(HistoryPackedValues, FramesHaveTheirWorkedBytes)
{
    // All zeros: no bits at all. Smallest value 3 and span 0..1: one bit a tone.
    ToneBits bits{};
    EXPECT_EQ(EncodeWholeFrame(bits), Bytes({0x01, 0x00, 0x00}));
    bits.fill(3);
    bits[1] = 4;
    bits[9] = 4;
    const std::string whole = EncodeWholeFrame(bits);
    ASSERT_EQ(whole.size(), 3u + 65u);                                     // 513 bits in 65 bytes
    EXPECT_EQ(whole.substr(0, 5), Bytes({0x01, 0x06, 0x01, 0x02, 0x02}));  // zigzag(3) = 6; tones 1 and 9
    EXPECT_EQ(whole.back(), '\0');
    EXPECT_EQ(Decoded(whole), bits);
    // Tone 1 back to 3 and tone 300 to -1: skips of 1 and 298, zigzag values 6 and 1.
    ToneBits next = bits;
    next[1] = 3;
    next[300] = -1;
    const std::string change = EncodeChangeFrame(bits, next);
    EXPECT_EQ(change, Bytes({0x02, 0x02, 0x01, 0x06, 0xAA, 0x02, 0x01}));
    EXPECT_EQ(Decoded(change, &bits), next);
    EXPECT_EQ(EncodePackedValues(next, &bits), change);
    EXPECT_EQ(EncodePackedValues(next, nullptr), EncodeWholeFrame(next));
    EXPECT_EQ(EncodePackedValues(bits, &bits), Bytes({0x02, 0x00}));
}

TEST(HistoryPackedValues, AnyTableComesBackExactly)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<std::int32_t> any(Min, Max);
    std::vector<ToneBits> tables;
    ToneBits t{};
    t.fill(Min);
    tables.push_back(t);
    t.fill(Max);
    tables.push_back(t);
    for (int i = 0; i < ToneCount; ++i)
        t[static_cast<std::size_t>(i)] = i % 2 ? Min : Max;
    tables.push_back(t);
    for (int round = 0; round < 20; ++round) {
        for (std::int32_t& v : t)
            v = round % 2 ? any(random) : static_cast<std::int32_t>(random() % 16) - 1;
        tables.push_back(t);
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const ToneBits& bits = tables[i];
        EXPECT_EQ(Decoded(EncodeWholeFrame(bits)), bits) << i;
        for (const ToneBits& base : tables) {
            ASSERT_EQ(Decoded(EncodeChangeFrame(base, bits), &base), bits) << i;
            const std::string shorter = EncodePackedValues(bits, &base);
            EXPECT_LE(shorter.size(), EncodeWholeFrame(bits).size());
            ASSERT_EQ(Decoded(shorter, &base), bits) << i;
        }
    }
    // Layout 1's text is still read.
    EXPECT_EQ(PackedFrameOf(EncodeToneValues(tables[2])), TPackedFrame::pfText);
    EXPECT_EQ(Decoded(EncodeToneValues(tables[2])), tables[2]);

    ToneCountTotals counts{};
    counts[0] = std::numeric_limits<std::int64_t>::max();
    counts[512] = 1440;
    ToneCountTotals read{};
    std::string reason;
    ASSERT_TRUE(DecodeToneCounts(EncodeToneCounts(counts), read, reason)) << reason;
    EXPECT_EQ(read, counts);
}

TEST(HistoryPackedValues, HostileBytesAreRefusedWithAReason)
{
    ToneBits base{};
    base.fill(5);
    const std::string whole = EncodeWholeFrame(base);
    std::string padded = EncodeWholeFrame([] {
        ToneBits b{};
        b[0] = 1;
        return b;
    }());
    padded.back() = static_cast<char>(0x80);
    const std::pair<std::string, std::string> cases[] = {
        {"", "0 values where 513 belong"},
        {Bytes({0x01}), "its whole values end early"},
        {Bytes({0x01, 0x00, 0x21}), "its whole values have no valid scale"},                // 33 bits
        {Bytes({0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}), "its whole values end early"},  // beyond 32 bits
        {whole + "x", "its whole values are 1 bytes long where 0 belong"},
        {Bytes({0x01, 0x00, 0x01}), "its whole values are 0 bytes long where 65 belong"},
        {padded, "its whole values end in stray bits"},
        // Smallest value INT32_MAX, then a value of 1 above it.
        {Bytes({0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x0F, 0x01, 0x01}) + std::string(64, '\0'), "value 0 is out of range"},
        {Bytes({0x02, 0x01, 0x00}), "its changed values end early"},
        {Bytes({0x02, 0x82, 0x04}), "its changed values have no valid count"},                       // 514 tones
        {Bytes({0x02, 0x01, 0x81, 0x04, 0x00}), "its changed values go past tone 512"},              // skips 513
        {Bytes({0x02, 0x02, 0xFF, 0x03, 0x00, 0x01, 0x00}), "its changed values go past tone 512"},  // 511, 513
        {Bytes({0x02, 0x01, 0x00, 0x80, 0x80, 0x80, 0x80, 0x10}), "its changed values end early"},   // 33 bits
        {Bytes({0x02, 0x00, 0x00}), "its changed values are followed by 1 stray bytes"},
        {"1,2,3", "3 values where 513 belong"},
    };
    for (const auto& [blob, expected] : cases) {
        ToneBits bits{};
        bits.fill(-7);
        std::string reason;
        EXPECT_FALSE(DecodePackedValues(blob, &base, bits, reason)) << expected;
        EXPECT_EQ(reason, expected);
        EXPECT_EQ(bits[0], -7);
        EXPECT_EQ(bits[512], -7);
    }
    ToneBits bits{};
    std::string reason;
    EXPECT_FALSE(DecodePackedValues(Bytes({0x02, 0x00}), nullptr, bits, reason));
    EXPECT_EQ(reason, "its values are a change without the record they change");

    ToneCountTotals counts{};
    const std::string good = EncodeToneCounts(counts);
    for (const std::string& blob : {std::string(), good.substr(0, 100), good + '\0', "\x01" + good.substr(1)})
        EXPECT_FALSE(DecodeToneCounts(blob, counts, reason)) << blob.size();
}
