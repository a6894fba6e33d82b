#pragma once

#include "chart/ChartColors.h"
#include "chart/ChartEnums.h"

#include <QImage>
#include <functional>

// Brush of a chart part. Colour starts as clDefault; setting a colour while the
// style is clear turns the style solid, as the platform brush does.
class TChartBrush {
public:
    TChartBrush() = default;
    TChartBrush(const TChartBrush& other);
    TChartBrush& operator=(const TChartBrush& other);  // copies settings, keeps OnChange

    // getters
    TColor Color() const { return fColor; }
    TBrushStyle Style() const { return fStyle; }
    const QImage& Bitmap() const { return fBitmap; }  // pattern bitmap; null when none
    bool HasBitmap() const { return !fBitmap.isNull() && fBitmap.width() > 0 && fBitmap.height() > 0; }

    // setters (notify OnChange when the value changes)
    void SetColor(TColor v);
    void SetStyle(TBrushStyle v);
    void SetBitmap(const QImage& v);

    std::function<void()> OnChange;

private:
    void Changed();

    TColor fColor = clDefault;
    TBrushStyle fStyle = bsSolid;
    QImage fBitmap;
};
