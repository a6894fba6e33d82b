#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Where a terminator search stands.
enum TScanState {
    SS_Searching,  // no terminator yet; later text may bring one
    SS_Found,      // the terminator has been found
    SS_TooLong     // the line outgrew the length limit before its terminator came
};

// Finds the end of a line or prompt in text that arrives in chunks, without
// touching a socket. All text fed is kept. The scanner remembers how much of
// the terminator the text so far ends with, so that a terminator split over
// chunks is found by the chunk that completes it, and no byte is looked at
// twice. The first occurrence counts; matching is byte for byte.
//
// With convertLineEnd and the terminator "\r\n", any line end is accepted:
// the first CR or LF, together with the other of the two when that follows
// directly (CR LF or LF CR). A lone CR or LF at the end of the text matches at
// once; LoneCR/LoneLF tell the caller to drop a partner that may begin the
// next chunk.
//
// With a maxLineLength above 0 the line may not grow beyond it. The rule is
// applied after each chunk: the line is the text before the terminator or,
// while no terminator has come, all of the text (a partly received
// terminator included). An empty terminator is found at once, before any
// text.
class TTerminatorScanner {
public:
    TTerminatorScanner(const std::string& terminator, bool convertLineEnd = false, std::size_t maxLineLength = 0);

    // Appends a chunk and scans it. Once the search has ended (Found or
    // TooLong) further chunks are only appended.
    TScanState Feed(const char* chunk, std::size_t length);
    TScanState Feed(const std::string& chunk) { return Feed(chunk.data(), chunk.size()); }

    // Hands the text out and starts over with no text: `line` gets the text
    // before the terminator (empty unless Found), `rest` the text after it,
    // or all of the text when the terminator was not found.
    void Take(std::string& line, std::string& rest);

    // getters
    TScanState State() const { return fState; }
    const std::string& Text() const { return fText; }
    // Position and length of the terminator in Text(); meaningful when Found.
    std::size_t MatchPos() const { return fMatchPos; }
    std::size_t MatchLength() const { return fMatchLength; }
    // In line-end mode: the line end found was a single CR (LF). Stays set
    // after the length limit has discarded that match.
    bool LoneCR() const { return fLoneCR; }
    bool LoneLF() const { return fLoneLF; }
    // Bytes of the terminator that the text ends with while Searching.
    std::size_t Partial() const { return fState == SS_Searching ? fMatched : 0; }
    bool LineEndMode() const { return fLineEnds; }
    std::size_t MaxLineLength() const { return fMaxLineLength; }

private:
    void Start();
    void ScanTerminator(std::size_t from);
    void ScanLineEnds(std::size_t from);

    // settings
    std::string fTerminator;
    bool fLineEnds;
    std::size_t fMaxLineLength;
    // For each prefix length k of the terminator, the longest proper prefix
    // that is also a suffix of its first k bytes: where a partial match
    // continues after a mismatch ("==>" still holds "=" of "=>").
    std::vector<std::size_t> fFallback;

    // search state
    std::string fText;
    TScanState fState = SS_Searching;
    std::size_t fMatched = 0;
    std::size_t fMatchPos = 0;
    std::size_t fMatchLength = 0;
    bool fLoneCR = false;
    bool fLoneLF = false;
};
