#pragma once

#include "chart/ChartFont.h"

#include <functional>
#include <string>

// Title of an axis: caption, angle and font.
class TChartAxisTitle {
public:
    // getters
    const std::string& Caption() const { return fCaption; }
    int Angle() const { return fAngle; }
    TChartFont& Font() { return fFont; }
    const TChartFont& Font() const { return fFont; }

    // setters (notify OnChange when the value changes); SetAngle raises
    // ChartException "Axis Title Angle must be between 0 and 359 degrees"
    void SetCaption(const std::string& v);
    void SetAngle(int v);
    void SetFont(const TChartFont& v);

    void SetOnChange(std::function<void()> f);

private:
    void Changed();

    std::string fCaption;
    int fAngle = 0;
    TChartFont fFont;
    std::function<void()> fOnChange;
};
