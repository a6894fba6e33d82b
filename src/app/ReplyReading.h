#pragma once
// Whether a reply holds a reading. A router may answer the bit-loading
// command with something else (an error message, a menu, the wrong
// command's output) and still end with its prompt: such a reply is captured
// but holds no reading, and the poll fails at step psReadBits with a reason
// that says what came instead.

#include <string>
#include <string_view>

#include "app/PollOutcome.h"

// What the cut of a reply found.
struct TReplyReading {
    // Cells of the 513 that held a number.
    int TonesRead = 0;
    // The reply's first line of text (FirstReplyLine).
    std::string FirstLine;
};

// The longest piece of the router's text that a reason quotes.
constexpr std::size_t MaxQuotedLineLength = 60;

// The first line of the reply that holds more than blanks, leaving out a line
// that only repeats the command (":xdsl debug bitloadinginfo"), made safe to
// show: control characters become spaces, bytes beyond ASCII "?", blanks at
// either end are dropped, and a line longer than MaxQuotedLineLength keeps
// its start followed by "...". Empty when there is no such line.
std::string FirstReplyLine(std::string_view replyText);

// Why the reading falls short, in the words the user sees:
// "No bit loading in the router's reply: LINE" when no cell held a number
// (without ": LINE" when the reply had no line to quote), else
// "The router's reply held only N of 513 tones". Empty for a whole reading.
std::string ReadingFailureText(const TReplyReading& reading);

// The poll's outcome once its reply has been cut: a captured reply is a
// reading only when all 513 cells held numbers; otherwise the outcome becomes
// a failure at psReadBits with ReadingFailureText as its error text. An
// outcome that is already a failure is returned as it is.
TPollOutcome JudgeReading(const TPollOutcome& outcome, const TReplyReading& reading);
