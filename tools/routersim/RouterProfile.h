#pragma once

#include <cstdint>
#include <string>

#include "app/ToneBits.h"

// The bit-loading table the simulated router reports on its pollIndex-th
// bit-loading request (counted from 0) when started with the given seed.
// Upstream tones 6..31 and downstream tones 38..511 carry 0..15 bits, with one
// or two notches in the downstream band; the other tones carry none. Values
// drift by at most one bit and change only every few polls.
ToneBits SimulatedBitLoading(uint32_t seed, uint32_t pollIndex);

// The router's reply to "xdsl debug bitloadinginfo", without the prompt that
// follows it: a heading of exactly 55 characters, then one line per ten tones,
// each an 11-character label and cells of a right-aligned two-character value
// and a space, every line ended by CR LF.
std::string BitLoadingReplyText(const ToneBits& bits);

// Length of the heading that starts the reply.
constexpr std::size_t BitLoadingReplyHeadLength = 55;
