#include "chart/ChartGradient.h"

void TChartGradient::SetVisible(bool v)
{
    if (v == fVisible)
        return;
    fVisible = v;
    Changed();
}

void TChartGradient::SetDirection(TGradientDirection v)
{
    if (v == fDirection)
        return;
    fDirection = v;
    Changed();
}

void TChartGradient::SetStartColor(TColor v)
{
    if (v == fStartColor)
        return;
    fStartColor = v;
    Changed();
}

void TChartGradient::SetEndColor(TColor v)
{
    if (v == fEndColor)
        return;
    fEndColor = v;
    Changed();
}
