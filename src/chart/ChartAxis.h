#pragma once

#include "chart/AxisLabelLayout.h"
#include "chart/ChartAxisTitle.h"
#include "chart/ChartEnums.h"
#include "chart/ChartFont.h"
#include "chart/ChartMath.h"
#include "chart/ChartPen.h"
#include "chart/ChartRect.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

class TCustomAxisPanel;
class TChartSeries;

// One axis of a chart: turns values into pixels and back, tells the layout how
// much room its title, labels and ticks need, and draws itself. The chart
// creates five (bottom, top, left, right, depth), lays them out on every pass
// (ComputeRange, ReserveAxisRoom, ComputePixelSpan) and draws the shown ones.
// Only linear scales are built; Logarithmic and DateTime are stored settings.
class TChartAxis {
public:
    // Registers the axis in the chart's axes list.
    TChartAxis(TCustomAxisPanel* chart, bool horizontal, bool otherSide);
    virtual ~TChartAxis() = default;
    TChartAxis(const TChartAxis&) = delete;
    TChartAxis& operator=(const TChartAxis&) = delete;

    // --- published getters ------------------------------------------------------------
    bool Automatic() const { return fAutomatic; }
    bool AutomaticMaximum() const { return fAutomaticMaximum; }
    bool AutomaticMinimum() const { return fAutomaticMinimum; }
    double Minimum() const { return fMinimum; }
    double Maximum() const { return fMaximum; }
    double Increment() const { return fIncrement; }
    TChartAxisPen& Axis() { return fAxisPen; }
    const TChartAxisPen& Axis() const { return fAxisPen; }
    TDottedGrayPen& Grid() { return fGrid; }
    const TDottedGrayPen& Grid() const { return fGrid; }
    bool GridCentered() const { return fGridCentered; }
    TChartHiddenPen& MinorGrid() { return fMinorGrid; }
    const TChartHiddenPen& MinorGrid() const { return fMinorGrid; }
    TDarkGrayPen& Ticks() { return fTicks; }
    const TDarkGrayPen& Ticks() const { return fTicks; }
    int TickLength() const { return fTickLength; }
    TDarkGrayPen& TicksInner() { return fTicksInner; }
    const TDarkGrayPen& TicksInner() const { return fTicksInner; }
    int TickInnerLength() const { return fTickInnerLength; }
    TDarkGrayPen& MinorTicks() { return fMinorTicks; }
    const TDarkGrayPen& MinorTicks() const { return fMinorTicks; }
    int MinorTickLength() const { return fMinorTickLength; }
    int MinorTickCount() const { return fMinorTickCount; }
    bool TickOnLabelsOnly() const { return fTickOnLabelsOnly; }
    bool Labels() const { return fLabels; }
    TChartFont& LabelsFont() { return fLabelsFont; }
    const TChartFont& LabelsFont() const { return fLabelsFont; }
    int LabelsAngle() const { return fLabelsAngle; }
    int LabelsSeparation() const { return fLabelsSeparation; }
    int LabelsSize() const { return fLabelsSize; }
    TAxisLabelStyle LabelStyle() const { return fLabelStyle; }
    bool LabelsOnAxis() const { return fLabelsOnAxis; }
    bool LabelsMultiLine() const { return fLabelsMultiLine; }
    bool RoundFirstLabel() const { return fRoundFirstLabel; }
    const std::string& AxisValuesFormat() const { return fAxisValuesFormat; }
    const std::string& DateTimeFormat() const { return fDateTimeFormat; }
    bool ExactDateTime() const { return fExactDateTime; }
    bool Logarithmic() const { return fLogarithmic; }
    int LogarithmicBase() const { return fLogarithmicBase; }
    bool Inverted() const { return fInverted; }
    TChartAxisTitle& Title() { return fTitle; }
    const TChartAxisTitle& Title() const { return fTitle; }
    int TitleSize() const { return fTitleSize; }
    double StartPosition() const { return fStartPosition; }
    double EndPosition() const { return fEndPosition; }
    double PositionPercent() const { return fPositionPercent; }
    bool Visible() const { return fVisible; }

    // --- published setters (store and repaint on a change; validated ones raise
    //     ChartAxisException / ChartException and keep the old value) -------------------
    void SetAutomatic(bool v);
    void SetAutomaticMaximum(bool v);
    void SetAutomaticMinimum(bool v);
    void SetMinimum(double v);                       // "Axis Minimum Value must be <= Maximum"
    void SetMaximum(double v);                       // "Axis Maximum Value must be >= Minimum"
    void SetMinMax(double minimum, double maximum);  // clears the automatic flags, swaps, widens a null range
    void ScrollBy(double delta);                     // adds delta to Minimum and Maximum without any check, repaints
    void SetIncrement(double v);                     // "Axis increment must be >= 0"
    void SetAxis(const TChartPen& v);
    void SetGrid(const TChartPen& v);
    void SetGridCentered(bool v);
    void SetMinorGrid(const TChartPen& v);
    void SetTicks(const TChartPen& v);
    void SetTickLength(int v);
    void SetTicksInner(const TChartPen& v);
    void SetTickInnerLength(int v);
    void SetMinorTicks(const TChartPen& v);
    void SetMinorTickLength(int v);
    void SetMinorTickCount(int v);
    void SetTickOnLabelsOnly(bool v);
    void SetLabels(bool v);
    void SetLabelsFont(const TChartFont& v);
    void SetLabelsAngle(int v);       // "Axis Labels Angle must be between 0 and 359 degrees"
    void SetLabelsSeparation(int v);  // "Labels Separation % must be greater than 0"
    void SetLabelsSize(int v);
    void SetLabelStyle(TAxisLabelStyle v);
    void SetLabelsOnAxis(bool v);
    void SetLabelsMultiLine(bool v);
    void SetRoundFirstLabel(bool v);
    void SetAxisValuesFormat(const std::string& v);
    void SetDateTimeFormat(const std::string& v);
    void SetExactDateTime(bool v);
    void SetLogarithmic(bool v);     // date-time / negative-range checks
    void SetLogarithmicBase(int v);  // "Axis Logarithmic Base should be >= 2"
    void SetInverted(bool v);
    void SetTitle(const TChartAxisTitle& v);
    void SetTitleSize(int v);
    void SetStartPosition(double v);
    void SetEndPosition(double v);
    void SetPositionPercent(double v);
    void SetVisible(bool v);

    // --- identity -----------------------------------------------------------------------
    bool IsHorizontal() const { return fIsHorizontal; }
    bool IsOtherSide() const { return fIsOtherSide; }
    bool IsDepth() const { return fIsDepth; }
    TCustomAxisPanel* ParentChart() const { return fChart; }
    int DefaultTitleAngle() const { return fDefaultTitleAngle; }
    void SetDefaultTitleAngle(int v) { fDefaultTitleAngle = v; }

    // --- working state of the last layout --------------------------------------------------
    double WorkMinimum() const { return fWorkMinimum; }
    double WorkMaximum() const { return fWorkMaximum; }
    double WorkRange() const { return fWorkRange; }
    int StartPixel() const { return fStartPixel; }
    int EndPixel() const { return fEndPixel; }
    int PixelSize() const { return fPixelSize; }
    int CenterPixel() const { return fCenterPixel; }
    int AxisPos() const { return fAxisPos; }
    int LabelsPos() const { return fLabelsPos; }
    int TitlePos() const { return fTitlePos; }
    bool DateTimeMode() const { return fDateTimeMode; }
    void SetAxisPos(int v) { fAxisPos = v; }
    void SetDateTimeMode(bool v) { fDateTimeMode = v; }

    // --- layout ---------------------------------------------------------------------------------
    // Working range from Minimum/Maximum (automatic ends ask the chart's DataExtreme).
    void ComputeRange();
    // StartPixel/EndPixel/PixelSize/CenterPixel from the chart's PlotRect.
    void ComputePixelSpan();
    // Margins (Left/Top = start end, Right/Bottom = far end) widen the working range
    // so that the data stays margin pixels away from the span's ends.
    void AdjustRangeForMargins(const TRect& margins);
    // Takes the axis' title, labels and ticks room from r's side (shrink = standard axis).
    void ReserveAxisRoom(TRect& r, bool shrink);
    int TickBandSize() const;
    int TitleBandSize();
    int LabelBandSize();
    // Fixed size when not 0; else line height along the axis, text width, or WidestLabel.
    int BandSize(const TChartFont& font, int angle, int fixed, const std::string* text);
    int WidestLabel();
    int EdgeOf(const TRect& r) const;
    int ApplyPositionPercent(int p, const TRect& r) const;

    // --- mapping ----------------------------------------------------------------------------------
    int ValueToPixel(double v) const { return fIsHorizontal ? ValueToPixelX(v) : ValueToPixelY(v); }
    int ValueToPixelX(double v) const
    {
        double d = 0;
        if (!PixelOffset(v, d))
            return fCenterPixel;
        return fInverted ? OffsetPixel(fEndPixel, d, true) : OffsetPixel(fStartPixel, d, false);
    }
    int ValueToPixelY(double v) const
    {
        double d = 0;
        if (!PixelOffset(v, d))
            return fCenterPixel;
        return fInverted ? OffsetPixel(fStartPixel, d, false) : OffsetPixel(fEndPixel, d, true);
    }
    double PixelToValue(int p) const;

    // --- labels -------------------------------------------------------------------------------------
    double LabelStep();
    TAxisLabelStyle EffectiveLabelStyle() const;
    bool UsesDateTime() const;
    // Text of a value label (AxisValuesFormat; the chart's OnGetAxisLabel may change it).
    std::string FormatAxisValue(double v);
    int ValueLabelWidth(double v);
    int ValueLabelHeight(double v);
    bool AxisHit(int x, int y) const;

    // --- label layout (AxisLabelLayout.cpp) --------------------------------------------------------------
    // Which values or points get labels in this pass, where each text stands
    // and the box it covers, and where the ticks go: measured in the labels
    // font, nothing drawn. Needs the axis laid out (ComputeRange,
    // ReserveAxisRoom, ComputePixelSpan); runs the series' ComputeVisibleRange
    // and the chart's OnGetAxisLabel for series labels; sets DateTimeMode.
    TAxisLabelLayout LayOutLabels();
    // The same into layout, whose storage is used again.
    void LayOutLabels(TAxisLabelLayout& layout);
    // The layout the last drawing of the axis drew.
    const TAxisLabelLayout& LabelLayout() const { return fLabelLayout; }
    // Where a (possibly multi-line) text anchored at (x, y) is written at the
    // angle, in the canvas' current font.
    TAxisLabel PlaceAxisText(int x, int y, const std::string& text, int angle);

    // --- drawing (AxisDrawing.cpp) ---------------------------------------------------------------------
    // Lays the labels out, then draws title, labels, ticks, grid and axis
    // line; the chart passes true.
    void DrawAxis(bool computeAxisPosition);
    // One (possibly multi-line) label or title text anchored at (x, y):
    // PaintAxisText of PlaceAxisText.
    void DrawAxisText(int x, int y, const std::string& text, int angle);
    // Writes a placed text in the canvas' current font.
    void PaintAxisText(const TAxisLabel& label);
    // Pixel positions of the ticks of the current pass (room for 2000).
    std::vector<int>& TickList() { return fLabelLayout.Ticks; }
    const std::vector<int>& TickList() const { return fLabelLayout.Ticks; }
    static constexpr int TickListCapacity = 2000;

protected:
    void Changed();  // asks the chart to repaint
    bool ChartLoading() const;
    // Makes a copy of font the canvas font (the axis' own font is left as it is).
    void UseFontCopy(const TChartFont& font);
    // Offset of v from StartPixel along the span; false when it maps to CenterPixel.
    bool PixelOffset(double v, double& d) const
    {
        if (fWorkRange == 0)
            return false;
        d = (v - fWorkMinimum) * fPixelSize / fWorkRange;
        return std::fabs(d) < 2147483647.0;  // also false for NaN
    }
    // Text of v in the picture, formatted once and kept: the same values are
    // formatted for the layout and again for the labels, pass after pass.
    const std::string& FormattedValue(bool dateTime, const std::string& picture, double v);
    int MultiLineWidthOf(const std::string& text, int& lines);

    TCustomAxisPanel* fChart;
    bool fIsHorizontal;
    bool fIsOtherSide;
    bool fIsDepth = false;
    int fDefaultTitleAngle = 0;

    bool fAutomatic = true;
    bool fAutomaticMaximum = true;
    bool fAutomaticMinimum = true;
    double fMinimum = 0.0;
    double fMaximum = 0.0;
    double fIncrement = 0.0;
    TChartAxisPen fAxisPen;
    TDottedGrayPen fGrid;
    bool fGridCentered = false;
    TChartHiddenPen fMinorGrid;
    TDarkGrayPen fTicks;
    int fTickLength = 4;
    TDarkGrayPen fTicksInner;
    int fTickInnerLength = 0;
    TDarkGrayPen fMinorTicks;
    int fMinorTickLength = 2;
    int fMinorTickCount = 3;
    bool fTickOnLabelsOnly = true;
    bool fLabels = true;
    TChartFont fLabelsFont;
    int fLabelsAngle = 0;
    int fLabelsSeparation = 10;
    int fLabelsSize = 0;
    TAxisLabelStyle fLabelStyle = talAuto;
    bool fLabelsOnAxis = true;
    bool fLabelsMultiLine = false;
    bool fRoundFirstLabel = true;
    std::string fAxisValuesFormat = "#,##0.###";
    std::string fDateTimeFormat;
    bool fExactDateTime = true;
    bool fLogarithmic = false;
    int fLogarithmicBase = 10;
    bool fInverted = false;
    TChartAxisTitle fTitle;
    int fTitleSize = 0;
    double fStartPosition = 0.0;
    double fEndPosition = 100.0;
    double fPositionPercent = 0.0;
    bool fVisible = true;

    double fWorkMinimum = 0.0;
    double fWorkMaximum = 0.0;
    double fWorkRange = 0.0;
    int fStartPixel = 0;
    int fEndPixel = 0;
    int fPixelSize = 0;
    int fCenterPixel = 0;
    int fAxisPos = 0;
    int fLabelsPos = 0;
    int fTitlePos = 0;
    bool fDateTimeMode = false;
    bool fSuspendGetAxisLabel = false;

    // texts of formatted values (FormattedValue)
    struct TFormattedValue {
        std::uint64_t Bits;  // the value's bits: -0 and 0 are kept apart
        std::string Text;
    };
    std::vector<TFormattedValue> fFormatted;
    std::string fFormattedPicture;
    bool fFormattedDateTime = false;
    TAxisLabelLayout fLabelLayout;  // of the last drawing
};
