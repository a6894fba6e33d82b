#pragma once

#include <cstdint>
#include <functional>

// Where a long piece of work stands when a progress notice is sent.
enum TProgressStage { psStarting, psRunning, psEnding };

// Receives progress notices of compression and decoding. Setting abort ends
// the work silently: no error, and no picture from the unfinished work.
using TJPEGProgressHandler = std::function<void(TProgressStage stage, int percentDone, bool& abort)>;

// Percentage of a multi-pass job: the finished passes plus the fraction of the
// current one, over all passes, times 100, truncated. 0 while the total is unknown.
int ProgressPercent(long passCounter, long passLimit, int completedPasses, int totalPasses);

// Keeps the library's frequent progress calls from flooding the handler: a
// notice at most every 500 ms, and only when the percentage has changed.
class TProgressThrottle {
public:
    static constexpr std::int64_t IntervalMs = 500;

    // Called at each progress call of the library with the current time. The
    // first call only records the time. Answers true, with the new percentage,
    // when a running notice is due.
    bool Update(std::int64_t nowMs, long passCounter, long passLimit, int completedPasses, int totalPasses,
                int& percent);

private:
    bool fStarted = false;
    std::int64_t fLastTime = 0;
    int fLastPercent = 0;
};
