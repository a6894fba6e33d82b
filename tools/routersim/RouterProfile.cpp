#include "routersim/RouterProfile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A deterministic number in [0, range) for the given key parts.
int Pick(uint32_t seed, uint64_t a, uint64_t b, int range)
{
    const uint64_t h = Mix(Mix(Mix(seed) ^ a) ^ b);
    return static_cast<int>(h % static_cast<uint64_t>(range));
}

constexpr int FirstUpstreamTone = 6;
constexpr int FirstDownstreamTone = 38;
constexpr int LastDownstreamTone = 511;
// Polls that share one value of the slow drift.
constexpr uint32_t DriftPeriod = 4;

const char ReplyHeading[] = "\r\nBit loading per tone (bits/tone), tones 0 to 512:  \r\n";
static_assert(sizeof(ReplyHeading) - 1 == BitLoadingReplyHeadLength);

}  // namespace

ToneBits SimulatedBitLoading(uint32_t seed, uint32_t pollIndex)
{
    // The line's shape depends on the seed only.
    const int upPeak = 9 + Pick(seed, 1, 0, 4);      // 9..12 bits mid-band
    const int downStart = 13 + Pick(seed, 2, 0, 3);  // 13..15 bits at the low end
    const int downLoss = 6 + Pick(seed, 3, 0, 6);    // bits lost across the band
    const int notch1 = 120 + Pick(seed, 4, 0, 260);
    const int notch1Width = 3 + Pick(seed, 5, 0, 8);
    const bool hasNotch2 = Pick(seed, 6, 0, 2) == 1;
    const int notch2 = 60 + Pick(seed, 7, 0, 420);
    const int notch2Width = 2 + Pick(seed, 8, 0, 4);

    const uint32_t epoch = pollIndex / DriftPeriod;
    ToneBits bits{};
    for (int tone = 0; tone < ToneCount; ++tone) {
        int base = 0;
        if (tone >= FirstUpstreamTone && tone <= LastUpstreamTone) {
            base = upPeak - std::abs(tone - 19) / 3;
        } else if (tone >= FirstDownstreamTone && tone <= LastDownstreamTone) {
            base = downStart - (tone - FirstDownstreamTone) * downLoss / (LastDownstreamTone - FirstDownstreamTone);
            if (std::abs(tone - notch1) <= notch1Width / 2)
                base = Pick(seed, 9, static_cast<uint64_t>(tone), 2);
            if (hasNotch2 && std::abs(tone - notch2) <= notch2Width / 2)
                base = 0;
        } else {
            continue;
        }
        const int drift = Pick(seed, 10 + static_cast<uint64_t>(tone), epoch, 3) - 1;
        bits[static_cast<std::size_t>(tone)] = std::clamp(base + drift, 0, 15);
    }
    return bits;
}

std::string BitLoadingReplyText(const ToneBits& bits)
{
    std::string text = ReplyHeading;
    char cell[16];
    for (int first = 0; first < ToneCount; first += 10) {
        std::snprintf(cell, sizeof cell, "tone %4d: ", first);
        text += cell;
        for (int tone = first; tone < std::min(first + 10, ToneCount); ++tone) {
            // Two characters per value; anything wider is clipped so that the cells stay aligned.
            const int value = std::clamp(bits[static_cast<std::size_t>(tone)], -9, 99);
            std::snprintf(cell, sizeof cell, "%2d ", value);
            text += cell;
        }
        text += "\r\n";
    }
    return text;
}
