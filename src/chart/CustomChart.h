#pragma once

#include "chart/ChartLegend.h"
#include "chart/ChartTitle.h"
#include "chart/ChartWall.h"
#include "chart/CustomAxisPanel.h"

#include <functional>

// Adds the title, foot, legend and walls, and the mouse handling.
class TCustomChart : public TCustomAxisPanel {
public:
    TCustomChart();
    ~TCustomChart() override;

    // --- parts --------------------------------------------------------------------------
    TChartTitle& Title() { return fTitle; }
    TChartTitle& Foot() { return fFoot; }
    TChartLegend& Legend() { return fLegend; }
    TChartWall& BackWall() { return fBackWall; }
    TChartWall& LeftWall() { return fLeftWall; }
    TChartWall& BottomWall() { return fBottomWall; }
    TColor BackColor() const override { return fBackWall.Color(); }
    // Writes the back wall's colour; with a parent window (and not loading) the
    // back wall's brush also becomes solid.
    void SetBackColor(TColor v);
    bool View3DWalls() const { return fView3DWalls; }
    void SetView3DWalls(bool v);

    // --- layout virtuals ------------------------------------------------------------------------
    int WallThickness(const TChartAxis& axis) override;
    void DrawTitlesAndLegendArea() override;
    void DrawWallPlanes() override;
    // Draws a title (top) or foot (bottom) and takes its room from PlotRect.
    void DrawTitle(TChartTitle& title, bool isFoot);
    // The legend is drawn only when visible with an active series (takes no room otherwise).
    virtual void DrawLegend();

    // --- mouse ------------------------------------------------------------------------------------
    // OnMouseMove, then the cursor of the first series with a cursor and a point under the mouse.
    virtual void MouseMove(int shift, int x, int y);
    virtual void MouseDown(TMouseButton button, int shift, int x, int y);
    virtual void MouseUp(TMouseButton button, int shift, int x, int y);
    // Shifts every vertical axis by 3 % of its range (downward turn: positive).
    virtual void MouseWheel(bool downward);
    virtual void MouseLeave();
    int LoadedCursor() const { return fLoadedCursor; }
    void SetLoadedCursor(int v) { fLoadedCursor = v; }

    // --- events -------------------------------------------------------------------------------------
    std::function<void(int shift, int x, int y)> OnMouseMove;
    std::function<void(TMouseButton, int shift, int x, int y)> OnMouseDown;
    std::function<void(TMouseButton, int shift, int x, int y)> OnMouseUp;
    std::function<void(TChartSeries&, int index, TMouseButton, int shift, int x, int y)> OnClickSeries;
    std::function<void(TChartAxis&, TMouseButton, int shift, int x, int y)> OnClickAxis;
    std::function<void(TMouseButton, int shift, int x, int y)> OnClickLegend;
    std::function<void(TMouseButton, int shift, int x, int y)> OnClickBackground;
    std::function<void()> OnScroll;
    std::function<void()> OnZoom;
    std::function<void()> OnUndoZoom;

protected:
    TChartTitle fTitle;
    TChartTitle fFoot;
    TChartLegend fLegend;
    TChartWall fBackWall;
    TChartWall fLeftWall;
    TChartWall fBottomWall;
    bool fView3DWalls = true;
};
