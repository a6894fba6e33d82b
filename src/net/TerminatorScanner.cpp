#include "net/TerminatorScanner.h"

#include <utility>

TTerminatorScanner::TTerminatorScanner(const std::string& terminator, bool convertLineEnd,
                                       std::size_t maxLineLength)
    : FTerminator(terminator), FLineEnds(convertLineEnd && terminator == "\r\n"), FMaxLineLength(maxLineLength)
{
  FFallback.assign(FTerminator.size() + 1, 0);
  std::size_t k = 0;
  for (std::size_t i = 1; i < FTerminator.size(); ++i) {
    while (k > 0 && FTerminator[i] != FTerminator[k])
      k = FFallback[k];
    if (FTerminator[i] == FTerminator[k])
      ++k;
    FFallback[i + 1] = k;
  }
  Start();
}

void TTerminatorScanner::Start()
{
  FText.clear();
  FMatched = 0;
  FMatchPos = 0;
  FMatchLength = 0;
  FLoneCR = false;
  FLoneLF = false;
  FState = FTerminator.empty() ? SS_Found : SS_Searching;
}

TScanState TTerminatorScanner::Feed(const char* chunk, std::size_t length)
{
  const std::size_t from = FText.size();
  FText.append(chunk, length);
  if (FState != SS_Searching)
    return FState;
  if (FLineEnds)
    ScanLineEnds(from);
  else
    ScanTerminator(from);
  if (FMaxLineLength > 0) {
    const std::size_t line = FState == SS_Found ? FMatchPos : FText.size();
    if (line > FMaxLineLength)
      FState = SS_TooLong;
  }
  return FState;
}

void TTerminatorScanner::ScanTerminator(std::size_t from)
{
  const std::size_t size = FTerminator.size();
  for (std::size_t i = from; i < FText.size(); ++i) {
    const char c = FText[i];
    while (FMatched > 0 && FTerminator[FMatched] != c)
      FMatched = FFallback[FMatched];
    if (FTerminator[FMatched] == c)
      ++FMatched;
    if (FMatched == size) {
      FState = SS_Found;
      FMatchPos = i + 1 - size;
      FMatchLength = size;
      return;
    }
  }
}

void TTerminatorScanner::ScanLineEnds(std::size_t from)
{
  const std::size_t pos = FText.find_first_of("\r\n", from);
  if (pos == std::string::npos)
    return;
  FState = SS_Found;
  FMatchPos = pos;
  const char other = FText[pos] == '\r' ? '\n' : '\r';
  if (pos + 1 < FText.size() && FText[pos + 1] == other) {
    FMatchLength = 2;
  } else {
    FMatchLength = 1;
    FLoneCR = FText[pos] == '\r';
    FLoneLF = FText[pos] == '\n';
  }
}

void TTerminatorScanner::Take(std::string& line, std::string& rest)
{
  if (FState == SS_Found) {
    line.assign(FText, 0, FMatchPos);
    FText.erase(0, FMatchPos + FMatchLength);
  } else {
    line.clear();
  }
  rest = std::move(FText);
  Start();
}
