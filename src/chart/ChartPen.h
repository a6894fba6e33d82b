#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"

#include <functional>

// Pen of a chart part: the platform pen settings plus Visible and SmallDots.
// Changes are reported through OnChange (the owning panel repaints).
class TChartPen {
public:
    TChartPen() = default;
    TChartPen(const TChartPen& other);
    TChartPen& operator=(const TChartPen& other);  // copies settings, keeps OnChange
    virtual ~TChartPen() = default;

    // getters
    TColor Color() const { return fColor; }
    int Width() const { return fWidth; }
    TPenStyle Style() const { return fStyle; }
    TPenMode Mode() const { return fMode; }
    bool Visible() const { return fVisible; }
    bool SmallDots() const { return fSmallDots; }

    // setters (notify OnChange when the value changes)
    void SetColor(TColor v);
    void SetWidth(int v);
    void SetStyle(TPenStyle v);
    void SetMode(TPenMode v);
    void SetVisible(bool v);
    void SetSmallDots(bool v);

    // Copies SmallDots and Visible, then the platform settings; one notification.
    void Assign(const TChartPen& other);

    std::function<void()> OnChange;

protected:
    void Changed();

    TColor fColor = clBlack;
    int fWidth = 1;
    TPenStyle fStyle = psSolid;
    TPenMode fMode = pmCopy;
    bool fVisible = true;
    bool fSmallDots = false;
};

// Pen that starts invisible (title frames, minor grid).
class TChartHiddenPen : public TChartPen {
public:
    TChartHiddenPen() { fVisible = false; }
};

// Grey dotted pen (axis grids).
class TDottedGrayPen : public TChartPen {
public:
    TDottedGrayPen()
    {
        fColor = clGray;
        fStyle = psDot;
    }
};

// Grey pen (ticks).
class TDarkGrayPen : public TChartPen {
public:
    TDarkGrayPen() { fColor = clGray; }
};

// Two-pixel pen (axis lines).
class TChartAxisPen : public TChartPen {
public:
    TChartAxisPen() { fWidth = 2; }
};

// White pen (mark arrows).
class TChartArrowPen : public TChartPen {
public:
    TChartArrowPen() { fColor = clWhite; }
};
