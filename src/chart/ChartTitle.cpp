#include "chart/ChartTitle.h"

TChartTitle::TChartTitle()
{
    fFont.SetColor(clBlue);
}

void TChartTitle::SetAdjustFrame(bool v)
{
    if (v == fAdjustFrame)
        return;
    fAdjustFrame = v;
    Changed();
}

void TChartTitle::SetAlignment(TAlignment v)
{
    if (v == fAlignment)
        return;
    fAlignment = v;
    Changed();
}

void TChartTitle::SetColor(TColor v)
{
    if (v == fColor)
        return;
    fColor = v;
    Changed();
}

void TChartTitle::SetFont(const TChartFont& v)
{
    fFont = v;
}

void TChartTitle::SetFrame(const TChartPen& v)
{
    fFrame.Assign(v);
}

void TChartTitle::SetText(const std::vector<std::string>& lines)
{
    if (lines == fText)
        return;
    fText = lines;
    Changed();
}

void TChartTitle::SetVisible(bool v)
{
    if (v == fVisible)
        return;
    fVisible = v;
    Changed();
}

void TChartTitle::SetOnChange(std::function<void()> f)
{
    fOnChange = f;
    fBrush.OnChange = f;
    fFont.OnChange = f;
    fFrame.OnChange = f;
}

void TChartTitle::Changed()
{
    if (fOnChange)
        fOnChange();
}
