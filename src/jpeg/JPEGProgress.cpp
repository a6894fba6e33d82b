#include "jpeg/JPEGProgress.h"

int ProgressPercent(long passCounter, long passLimit, int completedPasses, int totalPasses)
{
    if (totalPasses <= 0)
        return 0;
    double pass = completedPasses;
    if (passLimit > 0)
        pass += static_cast<double>(passCounter) / static_cast<double>(passLimit);
    return static_cast<int>(pass * 100.0 / totalPasses);
}

bool TProgressThrottle::Update(std::int64_t nowMs, long passCounter, long passLimit, int completedPasses,
                               int totalPasses, int& percent)
{
    if (!fStarted) {
        fStarted = true;
        fLastTime = nowMs;
        return false;
    }
    if (nowMs - fLastTime < IntervalMs)
        return false;
    fLastTime = nowMs;
    const int now = ProgressPercent(passCounter, passLimit, completedPasses, totalPasses);
    if (now == fLastPercent)
        return false;
    fLastPercent = now;
    percent = now;
    return true;
}
