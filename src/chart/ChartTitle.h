#pragma once

#include "chart/ChartBrush.h"
#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"
#include "chart/ChartFont.h"
#include "chart/ChartPen.h"

#include <functional>
#include <string>
#include <vector>

// Title (above the plot) or foot (below it): lines of text, font, frame and background.
class TChartTitle {
public:
    TChartTitle();  // blue default chart font, hidden frame, centred, visible, no lines

    // getters
    bool AdjustFrame() const { return fAdjustFrame; }
    TAlignment Alignment() const { return fAlignment; }
    TChartBrush& Brush() { return fBrush; }
    const TChartBrush& Brush() const { return fBrush; }
    TColor Color() const { return fColor; }
    TChartFont& Font() { return fFont; }
    const TChartFont& Font() const { return fFont; }
    TChartPen& Frame() { return fFrame; }
    const TChartPen& Frame() const { return fFrame; }
    const std::vector<std::string>& Text() const { return fText; }
    bool Visible() const { return fVisible; }

    // setters (notify OnChange when the value changes)
    void SetAdjustFrame(bool v);
    void SetAlignment(TAlignment v);
    void SetColor(TColor v);
    void SetFont(const TChartFont& v);
    void SetFrame(const TChartPen& v);
    void SetText(const std::vector<std::string>& lines);
    void SetVisible(bool v);

    // Routes the change notifications of the title and its parts to f.
    void SetOnChange(std::function<void()> f);

private:
    void Changed();

    bool fAdjustFrame = true;
    TAlignment fAlignment = taCenter;
    TChartBrush fBrush;
    TColor fColor = clDefault;
    TChartFont fFont;
    TChartHiddenPen fFrame;
    std::vector<std::string> fText;
    bool fVisible = true;
    std::function<void()> fOnChange;
};
