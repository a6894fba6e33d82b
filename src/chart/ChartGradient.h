#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"

#include <functional>

// Background gradient of a panel (invisible by default).
class TChartGradient {
public:
    // getters
    bool Visible() const { return fVisible; }
    TGradientDirection Direction() const { return fDirection; }
    TColor StartColor() const { return fStartColor; }
    TColor EndColor() const { return fEndColor; }

    // setters (notify OnChange when the value changes)
    void SetVisible(bool v);
    void SetDirection(TGradientDirection v);
    void SetStartColor(TColor v);
    void SetEndColor(TColor v);

    std::function<void()> OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }

    bool fVisible = false;
    TGradientDirection fDirection = gdTopBottom;
    TColor fStartColor = clWhite;
    TColor fEndColor = clYellow;
};
