#include "story/TimeAxis.h"

std::vector<TTimeTick> LayOutTimeTicks(std::int64_t, std::int64_t, int, const std::function<int(const QString&)>&,
                                       const QTimeZone&, int)
{
    return {};
}

int TimeToPosition(std::int64_t, std::int64_t, std::int64_t, int)
{
    return 0;
}

std::int64_t PositionToTime(int, std::int64_t from, std::int64_t, int)
{
    return from;
}
