// Feeds the terminator scanner a random stream cut into random chunks and
// checks every step against a plain search over all the text received so
// far: the state, the match, the partial match at the end of the text, the
// lone line-end flags and, at the end, the line and the rest that Take
// hands out, which together with the match must give back every byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/TerminatorScanner.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// What the scanner should report after the chunk that made `text`.
struct TReference {
    TScanState State = SS_Searching;
    std::size_t MatchPos = 0;
    std::size_t MatchLength = 0;
    bool LoneCR = false;
    bool LoneLF = false;
};

// The first position of `needle` in `text`, trying every start.
std::size_t FirstAt(const std::string& text, const std::string& needle)
{
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && text[i + k] == needle[k])
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string::npos;
}

// The longest proper prefix of `needle` that `text` ends with.
std::size_t PartialAtEnd(const std::string& text, const std::string& needle)
{
    for (std::size_t k = std::min(needle.size() - 1, text.size()); k > 0; --k)
        if (text.compare(text.size() - k, k, needle, 0, k) == 0)
            return k;
    return 0;
}

// Searches all of `text` afresh, as after each chunk.
void Search(TReference& ref, const std::string& text, const std::string& terminator, bool lineEnds, std::size_t limit)
{
    if (ref.State != SS_Searching)
        return;
    if (lineEnds) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\r' && text[i] != '\n')
                continue;
            ref.State = SS_Found;
            ref.MatchPos = i;
            const bool pair =
                i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != text[i];
            ref.MatchLength = pair ? 2 : 1;
            ref.LoneCR = !pair && text[i] == '\r';
            ref.LoneLF = !pair && text[i] == '\n';
            break;
        }
    } else {
        const std::size_t at = FirstAt(text, terminator);
        if (at != std::string::npos) {
            ref.State = SS_Found;
            ref.MatchPos = at;
            ref.MatchLength = terminator.size();
        }
    }
    if (limit > 0 && (ref.State == SS_Found ? ref.MatchPos : text.size()) > limit)
        ref.State = SS_TooLong;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // First byte: terminator length (0-7) and line-end conversion; second: the
    // line length limit (0 = none); third: seed of the chunking. Then the
    // terminator, then the stream. Terminator and stream bytes are folded into
    // a small alphabet with CR and LF, so that matches and near-matches are
    // common.
    const std::size_t terminatorLength = data[0] & 7;
    const bool convert = (data[0] & 8) != 0;
    const std::size_t limit = data[1] % 40;
    uint32_t seed = data[2];
    data += 3;
    size -= 3;
    if (size < terminatorLength)
        return 0;
    static const char Alphabet[] = {'=', '>', 'a', '\r', '\n', 'b', '=', '>'};
    auto fold = [](uint8_t b) { return (b & 0x80) ? static_cast<char>(b) : Alphabet[b & 7]; };
    std::string terminator;
    for (std::size_t i = 0; i < terminatorLength; ++i)
        terminator += fold(data[i]);
    std::string stream;
    for (std::size_t i = terminatorLength; i < size; ++i)
        stream += fold(data[i]);

    TTerminatorScanner scanner(terminator, convert, limit);
    const bool lineEnds = convert && terminator == "\r\n";
    Check(scanner.LineEndMode() == lineEnds);
    TReference ref;
    if (terminator.empty() && !lineEnds)
        ref.State = SS_Found;
    Check(scanner.State() == ref.State);
    std::string text;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t length = std::min<std::size_t>((seed >> 16) % 9, stream.size() - pos);  // 0 too
        const std::string chunk = stream.substr(pos, length);
        pos += length;
        text += chunk;
        Search(ref, text, terminator, lineEnds, limit);
        Check(scanner.Feed(chunk) == ref.State);
        Check(scanner.Text() == text);
        Check(scanner.LoneCR() == ref.LoneCR && scanner.LoneLF() == ref.LoneLF);
        if (ref.State == SS_Found)
            Check(scanner.MatchPos() == ref.MatchPos && scanner.MatchLength() == ref.MatchLength);
        if (ref.State == SS_Searching && !lineEnds && !terminator.empty())
            Check(scanner.Partial() == PartialAtEnd(text, terminator));
    }
    std::string line, rest;
    scanner.Take(line, rest);
    if (ref.State == SS_Found) {
        Check(line == text.substr(0, ref.MatchPos));
        Check(rest == text.substr(ref.MatchPos + ref.MatchLength));
    } else {
        Check(line.empty() && rest == text);
    }
    Check(scanner.Text().empty());
    return 0;
}
