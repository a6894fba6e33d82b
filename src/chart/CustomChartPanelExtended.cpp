#include "chart/CustomChartPanelExtended.h"

TCustomChartPanelExtended::TCustomChartPanelExtended()
{
    fGradient.OnChange = [this] { RequestRepaint(); };
}

void TCustomChartPanelExtended::SetBackImage(const QImage& v)
{
    if (v == fBackImage)
        return;
    fBackImage = v;
    RequestRepaint();
}

void TCustomChartPanelExtended::SetBackImageMode(TBackImageMode v)
{
    Assign(fBackImageMode, v);
}
void TCustomChartPanelExtended::SetBackImageInside(bool v)
{
    Assign(fBackImageInside, v);
}

void TCustomChartPanelExtended::DrawBackImage(const TRect& r)
{
    if (fBackImage.isNull() || fBackImageInside)
        return;
    TChartCanvas3D& c = *fCanvas;
    switch (fBackImageMode) {
    case pbmStretch:
        c.StretchGraphic(r, fBackImage);
        break;
    case pbmCenter:
        c.DrawGraphic(r.Left + (r.Width() - fBackImage.width()) / 2, r.Top + (r.Height() - fBackImage.height()) / 2,
                      fBackImage);
        break;
    case pbmTile:
        for (int y = r.Top; y < r.Bottom; y += fBackImage.height())
            for (int x = r.Left; x < r.Right; x += fBackImage.width())
                c.DrawGraphic(x, y, fBackImage);
        break;
    }
}

void TCustomChartPanelExtended::FillBackground(const TRect& r)
{
    if (fGradient.Visible()) {
        fCanvas->GradientArea(r, fGradient.StartColor(), fGradient.Direction(), fGradient.EndColor());
        return;
    }
    fCanvas->Brush().Color = fColor;
    fCanvas->Brush().Style = bsSolid;
    fCanvas->Brush().ClearBitmap();
    fCanvas->ClearArea(r);
}

void TCustomChartPanelExtended::PaintBackground(const TRect& r)
{
    if (!fPrinting)
        FillBackground(r);
    DrawBackImage(r);
    if (!fPrinting && !fCanvas->IsSceneCanvas())
        DrawBevels(r);
}
