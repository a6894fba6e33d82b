#pragma once

#include <array>
#include <cstdint>

// Bits loaded on each DSL tone, index = tone number 0..512.
constexpr int ToneCount = 513;
using ToneBits = std::array<int32_t, ToneCount>;

// Tones up to this one carry the upstream direction; the rest carry downstream.
constexpr int LastUpstreamTone = 31;
