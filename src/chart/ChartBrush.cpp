#include "chart/ChartBrush.h"

TChartBrush::TChartBrush(const TChartBrush& o) : fColor(o.fColor), fStyle(o.fStyle), fBitmap(o.fBitmap) {}

TChartBrush& TChartBrush::operator=(const TChartBrush& o)
{
    if (this == &o)
        return *this;
    if (fColor == o.fColor && fStyle == o.fStyle && fBitmap == o.fBitmap)
        return *this;
    fColor = o.fColor;
    fStyle = o.fStyle;
    fBitmap = o.fBitmap;
    Changed();
    return *this;
}

void TChartBrush::SetColor(TColor v)
{
    // A colour on a clear brush makes it solid (the platform brush does the same).
    const bool styleChanges = fStyle == bsClear;
    if (v == fColor && !styleChanges)
        return;
    fColor = v;
    if (styleChanges)
        fStyle = bsSolid;
    Changed();
}

void TChartBrush::SetStyle(TBrushStyle v)
{
    if (v == fStyle)
        return;
    fStyle = v;
    Changed();
}

void TChartBrush::SetBitmap(const QImage& v)
{
    if (v == fBitmap)
        return;
    fBitmap = v;
    Changed();
}

void TChartBrush::Changed()
{
    if (OnChange)
        OnChange();
}
