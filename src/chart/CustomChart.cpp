#include "chart/CustomChart.h"

#include "chart/ChartSeries.h"

#include <algorithm>

TCustomChart::TCustomChart() : fLeftWall(0x80FFFF), fBottomWall(clWhite)
{
    const auto changed = [this] { RequestRepaint(); };
    fTitle.SetOnChange(changed);
    fFoot.SetOnChange(changed);
    fLegend.SetOnChange(changed);
    fBackWall.SetOnChange(changed);
    fLeftWall.SetOnChange(changed);
    fBottomWall.SetOnChange(changed);
    // The back wall starts unfilled; giving its brush a colour makes it solid.
    fBackWall.Brush().SetStyle(bsClear);
    fBackWall.SetParentChart(this);
    fLeftWall.SetParentChart(this);
    fBottomWall.SetParentChart(this);
    fRepaintEnabled = true;
}

TCustomChart::~TCustomChart()
{
    fRepaintEnabled = false;
    const std::function<void()> none;
    fTitle.SetOnChange(none);
    fFoot.SetOnChange(none);
    fLegend.SetOnChange(none);
    fBackWall.SetOnChange(none);
    fLeftWall.SetOnChange(none);
    fBottomWall.SetOnChange(none);
}

void TCustomChart::SetBackColor(TColor v)
{
    fBackWall.SetColor(v);
    if (HasParentWindow() && !Loading())
        fBackWall.Brush().SetStyle(bsSolid);
}

void TCustomChart::SetView3DWalls(bool v)
{
    Assign(fView3DWalls, v);
}

int TCustomChart::WallThickness(const TChartAxis& axis)
{
    if (!fView3D || !fView3DWalls)
        return 0;
    if (&axis == fBottomAxis.get())
        return fBottomWall.Size();
    if (&axis == fLeftAxis.get())
        return fLeftWall.Size();
    return 0;
}

// --- titles and legend -------------------------------------------------------------------------

void TCustomChart::DrawTitlesAndLegendArea()
{
    fCanvas->SuspendProjection();
    if (!fLegend.Visible() || CountActiveSeries() == 0) {
        DrawTitle(fTitle, false);
        DrawTitle(fFoot, true);
    } else if (fLegend.Vertical()) {
        DrawLegend();
        DrawTitle(fTitle, false);
        DrawTitle(fFoot, true);
    } else {
        DrawTitle(fTitle, false);
        DrawTitle(fFoot, true);
        DrawLegend();
    }
    fCanvas->ResumeProjection();
}

void TCustomChart::DrawLegend()
{
    // Legend entries are not drawn by this engine; a legend takes no room.
}

void TCustomChart::DrawTitle(TChartTitle& title, bool isFoot)
{
    if (!title.Visible())
        return;
    TChartCanvas3D& c = *fCanvas;
    UseFont(title.Font());
    const int lh = c.LineHeight();
    const bool frameCounts = title.Frame().Visible() && title.Frame().Color() != clDefault;
    const int f = frameCounts ? title.Frame().Width() : 0;

    // Background.
    const TChartBrush& brush = title.Brush();
    const auto setBrush = [&c](TColor color, TBrushStyle style, const QImage& bitmap) {
        c.Brush().Color = color;
        c.Brush().Style = style;
        c.Brush().Bitmap = bitmap;
    };
    if (title.Color() == clDefault) {
        if (brush.Style() != bsSolid) {
            setBrush(brush.Color(), brush.Style(), brush.Bitmap());
            c.SetTextBackMode(tbmTransparent);
        } else if (brush.Color() == clDefault) {
            c.Brush().Style = bsClear;
        } else {
            title.SetColor(brush.Color());
            setBrush(brush.Color(), bsSolid, QImage());
        }
    } else if (brush.Style() != bsSolid) {
        setBrush(brush.Color(), brush.Style(), brush.Bitmap());
        c.SetTextBackMode(tbmOpaque);
        c.SetTextBackColor(title.Color());
    } else {
        setBrush(title.Color(), bsSolid, QImage());
    }

    const std::vector<std::string>& lines = title.Text();
    const int n = static_cast<int>(lines.size());
    TRect r;
    r.Left = fPlotRect.Left + f;
    r.Right = fPlotRect.Right - f;
    if (!isFoot) {
        r.Top = fPlotRect.Top + f;
        r.Bottom = r.Top + n * lh;
    } else {
        r.Bottom = fPlotRect.Bottom - f;
        r.Top = r.Bottom - n * lh;
    }
    const int textTop = r.Top;
    const int textBottom = r.Bottom;
    r.Left -= f;
    r.Top -= f;
    r.Right += f;
    r.Bottom += f;
    if (frameCounts)
        c.ApplyChartPen(title.Frame());
    else
        c.Pen().Style = psClear;

    const int w = c.MeasureTextWidth("W");
    if (frameCounts || c.Brush().Style != bsClear) {
        if (title.AdjustFrame()) {
            int widest = 0;
            for (const std::string& line : lines)
                widest = std::max(widest, c.MeasureTextWidth(line));
            const int width = widest + w;
            switch (title.Alignment()) {
            case taLeftJustify:
                r.Right = r.Left + width;
                break;
            case taRightJustify:
                r.Left = r.Right - width;
                break;
            case taCenter: {
                const int centre = (r.Left + r.Right) / 2;
                r.Left = centre - width / 2;
                r.Right = r.Left + width;
                break;
            }
            }
        }
        c.DrawBoxRect(r);
    }

    c.SetTextBackMode(tbmTransparent);
    c.SetTextAlignFlags(TA_LEFT | TA_TOP);
    for (int i = 0; i < n; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        const int y = textTop + i * lh;
        const int tw = c.MeasureTextWidth(line);
        int x;
        switch (title.Alignment()) {
        case taLeftJustify:
            x = r.Left + w / 2;
            break;
        case taRightJustify:
            x = r.Right - tw - w / 2;
            break;
        default:
            x = (r.Left + r.Right) / 2 - tw / 2;
            break;
        }
        if (c.IsSceneCanvas())
            c.PutTextAtDepth(x, y, 0, line);
        else
            c.PutText(x, y, line);
    }

    if (n > 0) {
        if (!isFoot)
            fPlotRect.Top = textBottom + (frameCounts ? f : 0) + 5;
        else
            fPlotRect.Bottom = textTop - (frameCounts ? f : 0) - 5;
    }
    NormalizePlotRect();
}

// --- walls ---------------------------------------------------------------------------------------------

void TCustomChart::DrawWallPlanes()
{
    TChartCanvas3D& c = *fCanvas;
    c.ApplyChartPen(fBackWall.Pen());
    const TChartBrush& brush = fBackWall.Brush();
    if (brush.HasBitmap()) {
        c.Brush().Bitmap = brush.Bitmap();
        c.Brush().Style = bsSolid;
    } else {
        c.Brush().ClearBitmap();
        if (fBackWall.Color() == clDefault && brush.Style() == bsSolid)
            c.Brush().Style = bsClear;
        else
            UseBrush(fBackWall.Color(), brush.Style(), brush.Color());
    }
    // The frame lies on the plot rectangle's own edge pixels.
    c.DrawBox(fPlotRect.Left, fPlotRect.Top, fPlotRect.Right + 1, fPlotRect.Bottom + 1);
}

// --- mouse -------------------------------------------------------------------------------------------------

void TCustomChart::MouseMove(int shift, int x, int y)
{
    SetLastMousePos(TPoint(x, y));
    if (OnMouseMove)
        OnMouseMove(shift, x, y);
    bool cursorSet = false;
    const std::vector<TChartSeries*> series = fSeries;
    for (TChartSeries* s : series) {
        if (s->Active() && s->Cursor() != crDefault && s->PointAt(x, y) != -1) {
            ApplyCursor(s->Cursor());
            cursorSet = true;
            break;
        }
    }
    for (TChartSeries* s : series)
        s->MouseMoveHook(shift, x, y);
    if (!cursorSet)
        ApplyCursor(fLoadedCursor);
}

void TCustomChart::MouseDown(TMouseButton button, int shift, int x, int y)
{
    SetLastMousePos(TPoint(x, y));
    if (OnMouseDown)
        OnMouseDown(button, shift, x, y);
    for (TChartAxis* axis : fAxes) {
        if (axis->AxisHit(x, y)) {
            if (OnClickAxis)
                OnClickAxis(*axis, button, shift, x, y);
            return;
        }
    }
    const std::vector<TChartSeries*> series = fSeries;
    for (TChartSeries* s : series) {
        if (!s->Active())
            continue;
        const int index = s->PointAt(x, y);
        if (index == -1)
            continue;
        s->ClickHook(button, shift, x, y);
        if (s->OnClick)
            s->OnClick(*s, index, button, shift, x, y);
        if (OnClickSeries)
            OnClickSeries(*s, index, button, shift, x, y);
        return;
    }
    if (OnClickBackground)
        OnClickBackground(button, shift, x, y);
}

void TCustomChart::MouseUp(TMouseButton button, int shift, int x, int y)
{
    SetLastMousePos(TPoint(x, y));
    if (OnMouseUp)
        OnMouseUp(button, shift, x, y);
    const std::vector<TChartSeries*> series = fSeries;
    for (TChartSeries* s : series)
        s->MouseUpHook(button, shift, x, y);
}

void TCustomChart::MouseWheel(bool downward)
{
    for (TChartAxis* axis : fAxes) {
        if (axis->IsHorizontal() || axis->IsDepth())
            continue;
        double d = 0.03 * (axis->Maximum() - axis->Minimum());
        if (!downward)
            d = -d;
        axis->SetAutomaticMinimum(false);
        axis->SetAutomaticMaximum(false);
        axis->SetAutomatic(false);
        axis->ScrollBy(d);
    }
}

void TCustomChart::MouseLeave()
{
    ApplyCursor(fLoadedCursor);
}
