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
// null; with --password-stdin the first line of in), polls the router once (or
// reads the table of --table) and writes the table to out as CSV, then draws
// the pictures that --png and --svg ask for. Failures go to err, one line each;
// a table file that cannot be read or a picture that cannot be written exits 1.
int RunPollCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                   const char* passwordVariable);

// The table as CSV: a "tone,bits" header and one row per tone.
void WriteToneBitsCsv(std::ostream& out, const ToneBits& bits);
