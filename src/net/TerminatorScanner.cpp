#include "net/TerminatorScanner.h"

#include <utility>

TTerminatorScanner::TTerminatorScanner(const std::string& terminator, bool convertLineEnd, std::size_t maxLineLength)
    : fTerminator(terminator), fLineEnds(convertLineEnd && terminator == "\r\n"), fMaxLineLength(maxLineLength)
{
    fFallback.assign(fTerminator.size() + 1, 0);
    std::size_t k = 0;
    for (std::size_t i = 1; i < fTerminator.size(); ++i) {
        while (k > 0 && fTerminator[i] != fTerminator[k])
            k = fFallback[k];
        if (fTerminator[i] == fTerminator[k])
            ++k;
        fFallback[i + 1] = k;
    }
    Start();
}

void TTerminatorScanner::Start()
{
    fText.clear();
    fMatched = 0;
    fMatchPos = 0;
    fMatchLength = 0;
    fLoneCR = false;
    fLoneLF = false;
    fState = fTerminator.empty() ? SS_Found : SS_Searching;
}

TScanState TTerminatorScanner::Feed(const char* chunk, std::size_t length)
{
    const std::size_t from = fText.size();
    fText.append(chunk, length);
    if (fState != SS_Searching)
        return fState;
    if (fLineEnds)
        ScanLineEnds(from);
    else
        ScanTerminator(from);
    if (fMaxLineLength > 0) {
        const std::size_t line = fState == SS_Found ? fMatchPos : fText.size();
        if (line > fMaxLineLength)
            fState = SS_TooLong;
    }
    return fState;
}

void TTerminatorScanner::ScanTerminator(std::size_t from)
{
    const std::size_t size = fTerminator.size();
    for (std::size_t i = from; i < fText.size(); ++i) {
        const char c = fText[i];
        while (fMatched > 0 && fTerminator[fMatched] != c)
            fMatched = fFallback[fMatched];
        if (fTerminator[fMatched] == c)
            ++fMatched;
        if (fMatched == size) {
            fState = SS_Found;
            fMatchPos = i + 1 - size;
            fMatchLength = size;
            return;
        }
    }
}

void TTerminatorScanner::ScanLineEnds(std::size_t from)
{
    const std::size_t pos = fText.find_first_of("\r\n", from);
    if (pos == std::string::npos)
        return;
    fState = SS_Found;
    fMatchPos = pos;
    const char other = fText[pos] == '\r' ? '\n' : '\r';
    if (pos + 1 < fText.size() && fText[pos + 1] == other) {
        fMatchLength = 2;
    } else {
        fMatchLength = 1;
        fLoneCR = fText[pos] == '\r';
        fLoneLF = fText[pos] == '\n';
    }
}

void TTerminatorScanner::Take(std::string& line, std::string& rest)
{
    if (fState == SS_Found) {
        line.assign(fText, 0, fMatchPos);
        fText.erase(0, fMatchPos + fMatchLength);
    } else {
        line.clear();
    }
    rest = std::move(fText);
    Start();
}
