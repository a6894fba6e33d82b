#include "chart/SeriesMarks.h"

void TSeriesMarks::SetVisible(bool v)
{
    if (v == fVisible)
        return;
    fVisible = v;
    Changed();
}

void TSeriesMarks::SetArrowLength(int v)
{
    if (v == fArrowLength)
        return;
    fArrowLength = v;
    Changed();
}

void TSeriesMarks::SetStyle(TSeriesMarksStyle v)
{
    if (v == fStyle)
        return;
    fStyle = v;
    Changed();
}

void TSeriesMarks::SetTransparent(bool v)
{
    if (v == fTransparent)
        return;
    fTransparent = v;
    Changed();
}

void TSeriesMarks::SetClip(bool v)
{
    if (v == fClip)
        return;
    fClip = v;
    Changed();
}
