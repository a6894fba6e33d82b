#pragma once
// Tone tables for tests and benchmarks of the monitor chart.

#include <cstdint>

#include "app/ToneBits.h"

namespace sample {

// A bit loading as an ADSL line of moderate length shows it: nothing below
// tone 6, upstream tones 6..31 around 10 bits, a guard band, downstream
// tones climbing to 14 bits and falling off with the frequency, a notch of a
// radio interferer around tone 120, and no bits above tone 430. A small
// deterministic ripple keeps neighbouring bars apart.
inline ToneBits RealisticLine()
{
    ToneBits t{};
    std::uint32_t seed = 12345;
    auto ripple = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % 3) - 1;  // -1, 0 or 1
    };
    auto clamp = [](int v) { return v < 0 ? 0 : (v > 15 ? 15 : v); };
    for (int tone = 6; tone <= 31; ++tone)
        t[tone] =
            clamp((tone < 9 ? 3 * (tone - 5) : 11) + (tone >= 9 && tone <= 29 ? ripple() : 0) - (tone > 29 ? 5 : 0));
    for (int tone = 38; tone <= 60; ++tone)
        t[tone] = clamp(6 + (tone - 38) * 8 / 22);
    for (int tone = 61; tone <= 200; ++tone)
        t[tone] = clamp(14 - (tone - 61) * 3 / 140 + ripple());
    for (int tone = 117; tone <= 124; ++tone)
        t[tone] = 2 + (tone % 2);
    for (int tone = 201; tone <= 350; ++tone)
        t[tone] = clamp(11 - (tone - 201) * 6 / 150 + ripple());
    for (int tone = 351; tone <= 430; ++tone)
        t[tone] = clamp(5 - (tone - 351) * 3 / 80 + ripple());
    return t;
}

// Every tone carries (tone mod 16) bits: all heights 0..15 occur in every range.
inline ToneBits Staircase()
{
    ToneBits t{};
    for (int tone = 0; tone <= 512; ++tone)
        t[tone] = tone % 16;
    return t;
}

}  // namespace sample
