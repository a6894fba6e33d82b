#pragma once

#include "chart/ChartEnums.h"
#include "chart/ChartFont.h"

#include <functional>

// Value labels next to the points of a series (settings only; invisible here).
class TSeriesMarks {
public:
    // getters
    bool Visible() const { return fVisible; }
    int ArrowLength() const { return fArrowLength; }
    TSeriesMarksStyle Style() const { return fStyle; }
    bool Transparent() const { return fTransparent; }
    bool Clip() const { return fClip; }
    TChartFont& Font() { return fFont; }
    const TChartFont& Font() const { return fFont; }

    // setters (notify OnChange when the value changes)
    void SetVisible(bool v);
    void SetArrowLength(int v);
    void SetStyle(TSeriesMarksStyle v);
    void SetTransparent(bool v);
    void SetClip(bool v);

    std::function<void()> OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }

    bool fVisible = false;
    int fArrowLength = 8;
    TSeriesMarksStyle fStyle = smsLabel;
    bool fTransparent = false;
    bool fClip = false;
    TChartFont fFont;
};
