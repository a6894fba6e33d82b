#include "story/WaterfallGrid.h"

std::int64_t WaterfallRowDurationAtLeast(std::int64_t ms)
{
    return ms;
}

std::int64_t WaterfallRowDurationFor(std::int64_t, std::int64_t, int)
{
    return 1000;
}

QString WaterfallDurationText(std::int64_t)
{
    return {};
}

int TWaterfallGrid::RowAt(std::int64_t) const
{
    return -1;
}

QString TWaterfallGrid::RowNote() const
{
    return {};
}

TWaterfallGrid TWaterfallGrid::Combined(int) const
{
    return *this;
}

TWaterfallBuilder::TWaterfallBuilder(std::int64_t fromUtcMs, std::int64_t toUtcMs, int)
{
    fGrid.fFromUtcMs = fromUtcMs;
    fGrid.fToUtcMs = toUtcMs;
}

void TWaterfallBuilder::Add(std::int64_t, std::int64_t, bool, const ToneBits&) {}

TWaterfallGrid TWaterfallBuilder::Finish(const std::vector<THostLineEvent>&)
{
    return fGrid;
}
