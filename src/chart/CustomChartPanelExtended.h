#pragma once

#include "chart/ChartGradient.h"
#include "chart/CustomChartPanel.h"

#include <QImage>

// Adds the background gradient, the back picture and the zoom/panning settings.
class TCustomChartPanelExtended : public TCustomChartPanel {
public:
    TCustomChartPanelExtended();

    // --- published properties ------------------------------------------------------------
    TChartGradient& Gradient() { return fGradient; }
    const QImage& BackImage() const { return fBackImage; }
    void SetBackImage(const QImage& v);
    TBackImageMode BackImageMode() const { return fBackImageMode; }
    void SetBackImageMode(TBackImageMode v);
    bool BackImageInside() const { return fBackImageInside; }
    void SetBackImageInside(bool v);
    bool AllowZoom() const { return fAllowZoom; }
    void SetAllowZoom(bool v) { Assign(fAllowZoom, v); }
    TPanningMode AllowPanning() const { return fAllowPanning; }
    void SetAllowPanning(TPanningMode v) { Assign(fAllowPanning, v); }
    bool AnimatedZoom() const { return fAnimatedZoom; }
    void SetAnimatedZoom(bool v) { Assign(fAnimatedZoom, v); }
    int AnimatedZoomSteps() const { return fAnimatedZoomSteps; }
    void SetAnimatedZoomSteps(int v) { Assign(fAnimatedZoomSteps, v); }

    // --- drawing virtuals ---------------------------------------------------------------------
    virtual void DrawBackImage(const TRect& r);
    virtual void FillBackground(const TRect& r);
    // Fill, back picture (outside the plot), bevels.
    virtual void PaintBackground(const TRect& r);

protected:
    TChartGradient fGradient;
    QImage fBackImage;
    TBackImageMode fBackImageMode = pbmStretch;
    bool fBackImageInside = false;
    bool fAllowZoom = true;
    TPanningMode fAllowPanning = pmBoth;
    bool fAnimatedZoom = false;
    int fAnimatedZoomSteps = 8;
};
