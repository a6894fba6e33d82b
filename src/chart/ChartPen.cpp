#include "chart/ChartPen.h"

TChartPen::TChartPen(const TChartPen& o)
    : fColor(o.fColor), fWidth(o.fWidth), fStyle(o.fStyle), fMode(o.fMode), fVisible(o.fVisible),
      fSmallDots(o.fSmallDots)
{}

TChartPen& TChartPen::operator=(const TChartPen& o)
{
    Assign(o);
    return *this;
}

void TChartPen::Assign(const TChartPen& o)
{
    if (this == &o)
        return;
    const bool same = fColor == o.fColor && fWidth == o.fWidth && fStyle == o.fStyle && fMode == o.fMode &&
                      fVisible == o.fVisible && fSmallDots == o.fSmallDots;
    fSmallDots = o.fSmallDots;
    fVisible = o.fVisible;
    fColor = o.fColor;
    fWidth = o.fWidth;
    fStyle = o.fStyle;
    fMode = o.fMode;
    if (!same)
        Changed();
}

void TChartPen::SetColor(TColor v)
{
    if (v == fColor)
        return;
    fColor = v;
    Changed();
}

void TChartPen::SetWidth(int v)
{
    if (v == fWidth)
        return;
    fWidth = v;
    Changed();
}

void TChartPen::SetStyle(TPenStyle v)
{
    if (v == fStyle)
        return;
    fStyle = v;
    Changed();
}

void TChartPen::SetMode(TPenMode v)
{
    if (v == fMode)
        return;
    fMode = v;
    Changed();
}

void TChartPen::SetVisible(bool v)
{
    if (v == fVisible)
        return;
    fVisible = v;
    Changed();
}

void TChartPen::SetSmallDots(bool v)
{
    if (v == fSmallDots)
        return;
    fSmallDots = v;
    Changed();
}

void TChartPen::Changed()
{
    if (OnChange)
        OnChange();
}
