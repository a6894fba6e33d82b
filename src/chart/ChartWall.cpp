#include "chart/ChartWall.h"

TChartWall::TChartWall(TColor color) : fColor(color) {}

void TChartWall::SetColor(TColor v)
{
    if (v == fColor)
        return;
    fColor = v;
    Changed();
}

void TChartWall::SetDark3D(bool v)
{
    if (v == fDark3D)
        return;
    fDark3D = v;
    Changed();
}

void TChartWall::SetPen(const TChartPen& v)
{
    fPen.Assign(v);
}

void TChartWall::SetSize(int v)
{
    if (v == fSize)
        return;
    fSize = v;
    Changed();
}

void TChartWall::SetOnChange(std::function<void()> f)
{
    fOnChange = f;
    fBrush.OnChange = f;
    fPen.OnChange = f;
}

void TChartWall::Changed()
{
    if (fOnChange)
        fOnChange();
}
