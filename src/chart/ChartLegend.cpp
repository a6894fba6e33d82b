#include "chart/ChartLegend.h"

void TChartLegend::SetVisible(bool v)
{
    if (v == fVisible)
        return;
    fVisible = v;
    Changed();
}

void TChartLegend::SetAlignment(TLegendAlignment v)
{
    if (v == fAlignment)
        return;
    fAlignment = v;
    Changed();
}

void TChartLegend::SetTopPos(int v)
{
    if (v == fTopPos)
        return;
    fTopPos = v;
    Changed();
}

void TChartLegend::SetFont(const TChartFont& v)
{
    fFont = v;
}

void TChartLegend::SetOnChange(std::function<void()> f)
{
    fOnChange = f;
    fFont.OnChange = f;
}

void TChartLegend::Changed()
{
    if (fOnChange)
        fOnChange();
}
