#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/ToneBits.h"

// The steps that turn the router's bit-loading reply into a tone table. The
// reply buffer starts with the command line and its CR LF (27 characters),
// then the router's reply, whose first 55 characters are a heading. After that
// come lines of an 11-character label followed by cells of 3 characters: a
// value right-aligned in two characters and one separator.

// Characters dropped from the front of the buffer text: command line, CR LF
// and the reply's heading.
constexpr std::size_t ReplyHeadLength = 82;
// Of every line, the characters from the 12th on (0-based 11), at most 32.
constexpr std::size_t LineKeepStart = 11;
constexpr std::size_t LineKeepLength = 32;
// One cell of the joined text; only its first two characters hold the value.
constexpr std::size_t CellWidth = 3;
constexpr std::size_t CellValueWidth = 2;

// The text less its first ReplyHeadLength characters (empty if it is shorter).
std::string CutReplyHead(std::string_view text);

// The part of one line that may hold cells: characters 12 to 43 (counting
// from 1); empty for a line of 11 characters or fewer.
std::string CutReplyLine(std::string_view line);

// The text without any CR or LF characters.
std::string RemoveLineBreaks(std::string_view text);

// The integer in a cell's text: leading and trailing spaces and control
// characters are ignored, then an optional sign and decimal digits, or
// hexadecimal digits after a "$", "x" or "0x" prefix. False for anything
// else, an empty text or a value outside 32 bits (value is then 0).
bool ReadCellNumber(std::string_view text, int32_t& value);

// ReadCellNumber's value, 0 where the cell holds no number.
int32_t ReadCellValue(std::string_view text);

// Reads tone t from the two characters at 0-based positions 3t and 3t+1 of
// the joined text; cells past the end of the text read as 0.
ToneBits ReadToneCells(std::string_view joined);

// How many of the 513 cells of the joined text hold a number (a blank cell,
// text or a cell past the end does not).
int CountToneNumbers(std::string_view joined);
