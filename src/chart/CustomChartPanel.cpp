#include "chart/CustomChartPanel.h"

#include "chart/ChartException.h"
#include "chart/ChartMath.h"
#include "chart/CustomAxisPanel.h"

#include <algorithm>
#include <cstdio>

TCustomChartPanel::TCustomChartPanel() : fCanvas(std::make_unique<TChartCanvas3D>([this] { RequestRepaint(); }))
{
    fView3DOptions.OnChange = [this] { RequestRepaint(); };
}

TCustomChartPanel::~TCustomChartPanel()
{
    fRepaintEnabled = false;
}

void TCustomChartPanel::SetSize(int width, int height)
{
    if (width == fWidth && height == fHeight)
        return;
    fWidth = width;
    fHeight = height;
    RequestRepaint();
    SizeChanged();
}

// --- published properties ---------------------------------------------------------------------

void TCustomChartPanel::SetColor(TColor v)
{
    Assign(fColor, v);
}
void TCustomChartPanel::SetBevelOuter(TPanelBevel v)
{
    Assign(fBevelOuter, v);
}
void TCustomChartPanel::SetBevelInner(TPanelBevel v)
{
    Assign(fBevelInner, v);
}
void TCustomChartPanel::SetBevelWidth(int v)
{
    Assign(fBevelWidth, v);
}
void TCustomChartPanel::SetBorderWidth(int v)
{
    Assign(fBorderWidth, v);
}
void TCustomChartPanel::SetMarginLeft(int v)
{
    Assign(fMarginLeft, v);
}
void TCustomChartPanel::SetMarginTop(int v)
{
    Assign(fMarginTop, v);
}
void TCustomChartPanel::SetMarginRight(int v)
{
    Assign(fMarginRight, v);
}
void TCustomChartPanel::SetMarginBottom(int v)
{
    Assign(fMarginBottom, v);
}
void TCustomChartPanel::SetView3D(bool v)
{
    Assign(fView3D, v);
}

void TCustomChartPanel::SetChart3DPercent(int v)
{
    constexpr int lowest = 1, highest = 100;
    if (v < lowest || v > highest) {
        char msg[80];
        std::snprintf(msg, sizeof msg, "3D effect percent must be between %d and %d", lowest, highest);
        throw ChartException(msg);
    }
    Assign(fChart3DPercent, v);
}

// --- repaint model ------------------------------------------------------------------------------------

void TCustomChartPanel::RequestRepaint()
{
    if (!fRepaintEnabled)
        return;
    ++fRepaintRequests;
    fCanvas->MarkDirty();
    InvalidateWindow();
}

void TCustomChartPanel::PartChanged(void* /*sender*/)
{
    RequestRepaint();
}

// --- drawing pass -----------------------------------------------------------------------------------------

void TCustomChartPanel::WindowPaint(QPainter& windowCanvas)
{
    fWindowCanvas = &windowCanvas;
    fCanvas->Retarget(&windowCanvas);
    try {
        if (!fPrinting && !fCanvas->RepaintFromBuffer()) {
            fWindowPassRunning = true;
            PaintTo(windowCanvas, PanelRect());
            fWindowPassRunning = false;
            fWindowPainted = true;
        }
    } catch (...) {
        fWindowPassRunning = false;
        fCanvas->Retarget(nullptr);
        fWindowCanvas = nullptr;
        throw;
    }
    fCanvas->Retarget(nullptr);
    fWindowCanvas = nullptr;
}

void TCustomChartPanel::PaintTo(QPainter& canvas, const TRect& r)
{
    ++fPassCount;
    TRect drawingRect;
    fCanvas->BeginDrawing(canvas, &fView3DOptions, drawingRect, r, fView3D);
    try {
        fPanelBounds = drawingRect;
        fPlotRect = MarginPlotRect(fPanelBounds, fBorderWidth, fMarginLeft, fMarginTop, fMarginRight, fMarginBottom);
        NormalizePlotRect();
        DrawContents(fPanelBounds);
    } catch (...) {
        // The buffer stays dirty, so the next window paint draws again in full.
        fCanvas->RemoveClip();
        fCanvas->Retarget(fWindowCanvas);
        throw;
    }
    fCanvas->EndDrawing(canvas, fWindowCanvas, r);
}

void TCustomChartPanel::NormalizePlotRect()
{
    fPlotRect = NormalizeRect(fPlotRect, fPanelBounds, fWidth, fHeight);
    fPlotWidth = fPlotRect.Width();
    fPlotHeight = fPlotRect.Height();
    fPlotCenterX = (fPlotRect.Left + fPlotRect.Right) / 2;
    fPlotCenterY = (fPlotRect.Top + fPlotRect.Bottom) / 2;
}

void TCustomChartPanel::DrawBevels(const TRect& r)
{
    TChartCanvas3D& c = *fCanvas;
    c.Pen().Style = psSolid;
    c.Pen().Width = 1;
    c.Pen().Mode = pmCopy;
    c.Brush().Style = bsClear;
    TRect work = r;
    const auto shrink = [&work](int n) {
        work.Left += n;
        work.Top += n;
        work.Right -= n;
        work.Bottom -= n;
    };
    const auto bevel = [&](TPanelBevel kind) {
        if (kind == bvNone)
            return;
        const TColor topLeft = kind == bvLowered ? clBtnShadow : clBtnHighlight;
        const TColor bottomRight = kind == bvLowered ? clBtnHighlight : clBtnShadow;
        c.BevelFrame(work, topLeft, fBevelWidth, bottomRight);
        shrink(fBevelWidth);
    };
    bevel(fBevelOuter);
    if (fBorderWidth > 0) {
        c.BevelFrame(work, fColor, fBorderWidth, fColor);
        shrink(fBorderWidth);
    }
    bevel(fBevelInner);
}

void TCustomChartPanel::UseFont(TChartFont& font)
{
    font.SetPixelsPerInch(fCanvas->Font().PixelsPerInch());
    fCanvas->Font() = font;
}

void TCustomChartPanel::UseBrush(TColor color, TBrushStyle style, TColor backColor)
{
    if (style != bsSolid && color == backColor)
        color = backColor == clBlack ? clWhite : clBlack;
    TCanvasBrush& b = fCanvas->Brush();
    b.Color = color;
    b.Style = style;
    b.ClearBitmap();
    if (style != bsSolid) {
        fCanvas->SetTextBackMode(tbmOpaque);
        fCanvas->SetTextBackColor(backColor);
    } else {
        fCanvas->SetTextBackMode(tbmTransparent);
    }
}

int TCustomChartPanel::MultiLineWidth(const std::string& text, int& lines)
{
    lines = 0;
    int widest = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t cr = text.find('\r', start);
        const std::string piece = text.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
        const bool trailingEmpty = cr == std::string::npos && piece.empty() && start > 0;
        if (!trailingEmpty) {
            ++lines;
            widest = std::max(widest, fCanvas->MeasureTextWidth(piece));
        }
        if (cr == std::string::npos)
            break;
        start = cr + 1;
    }
    return widest;
}

bool TCustomChartPanel::ClippingAllowed() const
{
    if (fCanvas->IsSceneCanvas())
        return false;
    if (!fPrinting && !fCanvas->DrawingToMetafile())
        return true;
    return fPrinting ? ChartClipWhenPrinting : ChartClipWhenMetafiling;
}
