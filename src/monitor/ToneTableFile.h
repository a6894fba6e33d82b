#pragma once
// Reading and naming of what the command-line tools take: a saved tone table
// (CSV "tone,bits" as quillmont-poll prints it), a tone range and a picture size.

#include "monitor/MonitorDesign.h"

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

// The error of ReadToneTableCsv for an input without a single tone line.
inline constexpr std::string_view ToneTableMissing = "no table";

// Reads "tone,bits" lines (an optional "tone,bits" heading, blank lines, CR LF
// line ends and a UTF-8 byte-order mark at the start, as spreadsheet programs
// write it, allowed). Tones not listed are 0. Answers nullopt with a message
// naming the line for anything else: a malformed line, a tone outside 0..512
// or a value outside the 32-bit range; and with ToneTableMissing when no line
// holds a tone.
std::optional<ToneBits> ReadToneTableCsv(std::istream& in, std::string& error);

// "0-255", "256-512" or "0-512" (blanks around the dash allowed); nullopt otherwise.
std::optional<design::ToneRange> ParseToneRange(std::string_view text);

// Picture size "WIDTHxHEIGHT", each 1..10000; nullopt otherwise.
struct ChartSize {
    int Width;
    int Height;
};
std::optional<ChartSize> ParseChartSize(std::string_view text);
