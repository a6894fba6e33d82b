#pragma once

#include "chart/ChartEnums.h"
#include "chart/ChartFont.h"

#include <functional>

// Legend settings. The legend of this system is invisible; a legend takes
// room and is drawn only when visible and when some series is active.
class TChartLegend {
public:
    // getters
    bool Visible() const { return fVisible; }
    TLegendAlignment Alignment() const { return fAlignment; }
    int TopPos() const { return fTopPos; }
    TChartFont& Font() { return fFont; }
    const TChartFont& Font() const { return fFont; }
    bool Vertical() const { return fAlignment == laLeft || fAlignment == laRight; }

    // setters (notify OnChange when the value changes)
    void SetVisible(bool v);
    void SetAlignment(TLegendAlignment v);
    void SetTopPos(int v);
    void SetFont(const TChartFont& v);

    void SetOnChange(std::function<void()> f);

private:
    void Changed();

    bool fVisible = true;
    TLegendAlignment fAlignment = laRight;
    int fTopPos = 10;
    TChartFont fFont;
    std::function<void()> fOnChange;
};
