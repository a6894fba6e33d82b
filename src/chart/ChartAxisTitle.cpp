#include "chart/ChartAxisTitle.h"

#include "chart/ChartException.h"

void TChartAxisTitle::SetCaption(const std::string& v)
{
    if (v == fCaption)
        return;
    fCaption = v;
    Changed();
}

void TChartAxisTitle::SetAngle(int v)
{
    if (v < 0 || v > 359)
        throw ChartException("Axis Title Angle must be between 0 and 359 degrees");
    if (v == fAngle)
        return;
    fAngle = v;
    Changed();
}

void TChartAxisTitle::SetFont(const TChartFont& v)
{
    fFont = v;
}

void TChartAxisTitle::SetOnChange(std::function<void()> f)
{
    fOnChange = f;
    fFont.OnChange = f;
}

void TChartAxisTitle::Changed()
{
    if (fOnChange)
        fOnChange();
}
