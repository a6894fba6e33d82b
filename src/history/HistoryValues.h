#pragma once
// The 513 values of a record as the store keeps them: decimal numbers
// separated by commas. Reading is strict, since a store file can hold anything.

#include "app/ToneBits.h"

#include <cstdint>
#include <string>
#include <string_view>

// "v0,v1,...,v512".
std::string EncodeToneValues(const ToneBits& bits);

// Reads exactly 513 comma-separated decimal integers (an optional minus sign,
// at most 10 digits, within the 32-bit range; nothing else, not even blanks).
// Answers false with a reason such as "412 values where 513 belong" or
// "value 17 is \"abc\", not a number" and leaves bits untouched.
bool DecodeToneValues(std::string_view text, ToneBits& bits, std::string& reason);

// Sum of all 513 values.
std::int64_t TotalBits(const ToneBits& bits);
// Number of tones that carry no bits.
int ZeroTones(const ToneBits& bits);
