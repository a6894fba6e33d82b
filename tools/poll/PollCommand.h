#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/ToneBits.h"

// Exit codes of quillmont-poll.
constexpr int PollExitCaptured = 0;
constexpr int PollExitFailed = 1;
constexpr int PollExitUsage = 2;

// The whole quillmont-poll command: parses args (without the program name),
// reads the password (passwordVariable is the value of QUILLMONT_PASSWORD or
// null; with --password-stdin the first line of in), polls the router once and
// writes the table to out as CSV. Failures go to err, one line each.
int RunPollCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                   const char* passwordVariable);

// The table as CSV: a "tone,bits" header and one row per tone.
void WriteToneBitsCsv(std::ostream& out, const ToneBits& bits);
