#pragma once

#include "chart/ChartBrush.h"
#include "chart/ChartColors.h"
#include "chart/ChartPen.h"

#include <functional>

class TCustomAxisPanel;

// A wall of the plot: the back wall is the plot background in 2D; the left
// and bottom walls are drawn in 3D only.
class TChartWall {
public:
    explicit TChartWall(TColor color = clDefault);

    // getters
    TChartBrush& Brush() { return fBrush; }
    const TChartBrush& Brush() const { return fBrush; }
    TColor Color() const { return fColor; }
    bool Dark3D() const { return fDark3D; }
    TChartPen& Pen() { return fPen; }
    const TChartPen& Pen() const { return fPen; }
    int Size() const { return fSize; }
    TCustomAxisPanel* ParentChart() const { return fParentChart; }

    // setters (notify OnChange when the value changes)
    void SetColor(TColor v);
    void SetDark3D(bool v);
    void SetPen(const TChartPen& v);
    void SetSize(int v);
    void SetParentChart(TCustomAxisPanel* chart) { fParentChart = chart; }

    void SetOnChange(std::function<void()> f);

private:
    void Changed();

    TChartBrush fBrush;
    TColor fColor;
    bool fDark3D = true;
    TChartPen fPen;
    int fSize = 0;
    TCustomAxisPanel* fParentChart = nullptr;
    std::function<void()> fOnChange;
};
