#include "chart/ChartAxis.h"

#include "chart/ChartAxisException.h"
#include "chart/ChartException.h"
#include "chart/ChartMath.h"
#include "chart/ChartSeries.h"
#include "chart/CustomAxisPanel.h"

#include <QDateTime>
#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// Date-time value (days since 1899-12-30, fraction = time of day) to text in a picture such as "hh:nn:ss".
std::string FormatDateTimeValue(const std::string& picture, double v)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    const QDateTime t = epoch.addMSecs(static_cast<qint64>(std::llround(v * 86400000.0)));
    QString qtPicture;
    for (char ch : picture) {
        if (ch == 'm')
            qtPicture += 'M';  // month
        else if (ch == 'n')
            qtPicture += 'm';  // minute
        else
            qtPicture += QChar::fromLatin1(ch);
    }
    return t.toString(qtPicture).toStdString();
}

}  // namespace

TChartAxis::TChartAxis(TCustomAxisPanel* chart, bool horizontal, bool otherSide)
    : fChart(chart), fIsHorizontal(horizontal), fIsOtherSide(otherSide)
{
    const auto changed = [this] { Changed(); };
    fAxisPen.OnChange = changed;
    fGrid.OnChange = changed;
    fMinorGrid.OnChange = changed;
    fTicks.OnChange = changed;
    fTicksInner.OnChange = changed;
    fMinorTicks.OnChange = changed;
    fLabelsFont.OnChange = changed;
    fTitle.SetOnChange(changed);
    fLabelLayout.Ticks.reserve(TickListCapacity);
    if (fChart)
        fChart->RegisterAxis(this);
}

void TChartAxis::Changed()
{
    if (fChart)
        fChart->RequestRepaint();
}

bool TChartAxis::ChartLoading() const
{
    return fChart && fChart->Loading();
}

// --- setters -------------------------------------------------------------------------------

void TChartAxis::SetAutomatic(bool v)
{
    // The end flags count as part of the value: Automatic may already read v
    // while one end is still automatic.
    bool changed = v != fAutomatic;
    fAutomatic = v;
    if (!ChartLoading()) {
        changed = changed || fAutomaticMinimum != v || fAutomaticMaximum != v;
        fAutomaticMinimum = v;
        fAutomaticMaximum = v;
    }
    if (changed)
        Changed();
}

void TChartAxis::SetAutomaticMaximum(bool v)
{
    if (v == fAutomaticMaximum)
        return;
    fAutomaticMaximum = v;
    if (!v)
        fAutomatic = false;
    else if (fAutomaticMinimum)
        fAutomatic = true;
    Changed();
}

void TChartAxis::SetAutomaticMinimum(bool v)
{
    if (v == fAutomaticMinimum)
        return;
    fAutomaticMinimum = v;
    if (!v)
        fAutomatic = false;
    else if (fAutomaticMaximum)
        fAutomatic = true;
    Changed();
}

void TChartAxis::SetMinimum(double v)
{
    if (!ChartLoading() && v > fMaximum)
        throw ChartAxisException("Axis Minimum Value must be <= Maximum");
    if (v == fMinimum)
        return;
    fMinimum = v;
    Changed();
}

void TChartAxis::SetMaximum(double v)
{
    if (!ChartLoading() && v < fMinimum)
        throw ChartAxisException("Axis Maximum Value must be >= Minimum");
    if (v == fMaximum)
        return;
    fMaximum = v;
    Changed();
}

void TChartAxis::SetMinMax(double minimum, double maximum)
{
    if (minimum > maximum)
        std::swap(minimum, maximum);
    if (maximum - minimum < 1e-10)
        maximum = minimum + 1e-10;
    if (!fAutomatic && !fAutomaticMinimum && !fAutomaticMaximum && minimum == fMinimum && maximum == fMaximum)
        return;
    fAutomatic = false;
    fAutomaticMinimum = false;
    fAutomaticMaximum = false;
    fMinimum = minimum;
    fMaximum = maximum;
    Changed();
}

void TChartAxis::SetIncrement(double v)
{
    if (v < 0)
        throw ChartAxisException("Axis increment must be >= 0");
    if (v == fIncrement)
        return;
    fIncrement = v;
    Changed();
}

template <class T> static bool StoreIfChanged(T& field, const T& v)
{
    if (field == v)
        return false;
    field = v;
    return true;
}

void TChartAxis::SetAxis(const TChartPen& v)
{
    fAxisPen.Assign(v);
}
void TChartAxis::SetGrid(const TChartPen& v)
{
    fGrid.Assign(v);
}
void TChartAxis::SetMinorGrid(const TChartPen& v)
{
    fMinorGrid.Assign(v);
}
void TChartAxis::SetTicks(const TChartPen& v)
{
    fTicks.Assign(v);
}
void TChartAxis::SetTicksInner(const TChartPen& v)
{
    fTicksInner.Assign(v);
}
void TChartAxis::SetMinorTicks(const TChartPen& v)
{
    fMinorTicks.Assign(v);
}
void TChartAxis::SetLabelsFont(const TChartFont& v)
{
    fLabelsFont = v;
}
void TChartAxis::SetTitle(const TChartAxisTitle& v)
{
    fTitle.SetCaption(v.Caption());
    fTitle.SetAngle(v.Angle());
    fTitle.SetFont(v.Font());
}

void TChartAxis::SetGridCentered(bool v)
{
    if (StoreIfChanged(fGridCentered, v))
        Changed();
}
void TChartAxis::SetTickLength(int v)
{
    if (StoreIfChanged(fTickLength, v))
        Changed();
}
void TChartAxis::SetTickInnerLength(int v)
{
    if (StoreIfChanged(fTickInnerLength, v))
        Changed();
}
void TChartAxis::SetMinorTickLength(int v)
{
    if (StoreIfChanged(fMinorTickLength, v))
        Changed();
}
void TChartAxis::SetMinorTickCount(int v)
{
    if (StoreIfChanged(fMinorTickCount, v))
        Changed();
}
void TChartAxis::SetTickOnLabelsOnly(bool v)
{
    if (StoreIfChanged(fTickOnLabelsOnly, v))
        Changed();
}
void TChartAxis::SetLabels(bool v)
{
    if (StoreIfChanged(fLabels, v))
        Changed();
}
void TChartAxis::SetLabelsSize(int v)
{
    if (StoreIfChanged(fLabelsSize, v))
        Changed();
}
void TChartAxis::SetLabelStyle(TAxisLabelStyle v)
{
    if (StoreIfChanged(fLabelStyle, v))
        Changed();
}
void TChartAxis::SetLabelsOnAxis(bool v)
{
    if (StoreIfChanged(fLabelsOnAxis, v))
        Changed();
}
void TChartAxis::SetLabelsMultiLine(bool v)
{
    if (StoreIfChanged(fLabelsMultiLine, v))
        Changed();
}
void TChartAxis::SetRoundFirstLabel(bool v)
{
    if (StoreIfChanged(fRoundFirstLabel, v))
        Changed();
}
void TChartAxis::SetAxisValuesFormat(const std::string& v)
{
    if (StoreIfChanged(fAxisValuesFormat, v))
        Changed();
}
void TChartAxis::SetDateTimeFormat(const std::string& v)
{
    if (StoreIfChanged(fDateTimeFormat, v))
        Changed();
}
void TChartAxis::SetExactDateTime(bool v)
{
    if (StoreIfChanged(fExactDateTime, v))
        Changed();
}
void TChartAxis::SetInverted(bool v)
{
    if (StoreIfChanged(fInverted, v))
        Changed();
}
void TChartAxis::SetTitleSize(int v)
{
    if (StoreIfChanged(fTitleSize, v))
        Changed();
}
void TChartAxis::SetStartPosition(double v)
{
    if (StoreIfChanged(fStartPosition, v))
        Changed();
}
void TChartAxis::SetEndPosition(double v)
{
    if (StoreIfChanged(fEndPosition, v))
        Changed();
}
void TChartAxis::SetPositionPercent(double v)
{
    if (StoreIfChanged(fPositionPercent, v))
        Changed();
}
void TChartAxis::SetVisible(bool v)
{
    if (StoreIfChanged(fVisible, v))
        Changed();
}

void TChartAxis::SetLabelsAngle(int v)
{
    if (v < 0 || v > 359)
        throw ChartException("Axis Labels Angle must be between 0 and 359 degrees");
    if (StoreIfChanged(fLabelsAngle, v))
        Changed();
}

void TChartAxis::SetLabelsSeparation(int v)
{
    if (v < 0)
        throw ChartAxisException("Labels Separation % must be greater than 0");
    if (StoreIfChanged(fLabelsSeparation, v))
        Changed();
}

void TChartAxis::SetLogarithmic(bool v)
{
    if (v) {
        if (UsesDateTime())
            throw ChartAxisException("DateTime Axis cannot be Logarithmic");
        // Only the working ends (those of the last layout) decide.
        if (fWorkMinimum < 0 || fWorkMaximum < 0)
            throw ChartAxisException("Logarithmic Axis Min and Max values should be >= 0");
    }
    if (StoreIfChanged(fLogarithmic, v))
        Changed();
}

void TChartAxis::SetLogarithmicBase(int v)
{
    if (v < 2)
        throw ChartAxisException("Axis Logarithmic Base should be >= 2");
    if (StoreIfChanged(fLogarithmicBase, v))
        Changed();
}

// --- layout ------------------------------------------------------------------------------------

void TChartAxis::ComputeRange()
{
    if (fChart) {
        if (fAutomatic || fAutomaticMaximum)
            fMaximum = fChart->DataExtreme(*this, false, fIsHorizontal);
        if (fAutomatic || fAutomaticMinimum)
            fMinimum = fChart->DataExtreme(*this, true, fIsHorizontal);
    }
    fWorkMinimum = fMinimum;
    fWorkMaximum = fMaximum;
    fWorkRange = fWorkMaximum - fWorkMinimum;
}

void TChartAxis::ComputePixelSpan()
{
    if (!fChart)
        return;
    const TRect& plot = fChart->PlotRect();
    const int start = fIsHorizontal ? plot.Left : plot.Top;
    const int length = fIsHorizontal ? fChart->PlotWidth() : fChart->PlotHeight();
    // Kept within +-2^28 like every mapped pixel, so that far-off positions cannot overflow.
    fStartPixel = OffsetPixel(start, length * 0.01 * fStartPosition, false);
    fEndPixel = OffsetPixel(start, length * 0.01 * fEndPosition, false);
    fPixelSize = fEndPixel - fStartPixel;
    fCenterPixel = (fStartPixel + fEndPixel) / 2;
}

void TChartAxis::AdjustRangeForMargins(const TRect& margins)
{
    const int first = fIsHorizontal ? margins.Left : margins.Top;
    const int second = fIsHorizontal ? margins.Right : margins.Bottom;
    const int oldStart = fStartPixel;
    const int oldEnd = fEndPixel;
    fStartPixel += first;
    fEndPixel -= second;
    fPixelSize = fEndPixel - fStartPixel;
    double newMin = PixelToValue(oldStart);
    double newMax = PixelToValue(oldEnd);
    ComputePixelSpan();
    if (newMin > newMax)
        std::swap(newMin, newMax);
    fWorkMinimum = newMin;
    fWorkMaximum = newMax;
    fWorkRange = fWorkMaximum - fWorkMinimum;
}

int TChartAxis::EdgeOf(const TRect& r) const
{
    if (fIsHorizontal)
        return fIsOtherSide ? r.Top : r.Bottom;
    return fIsOtherSide ? r.Right : r.Left;
}

int TChartAxis::ApplyPositionPercent(int p, const TRect& r) const
{
    if (fPositionPercent == 0)
        return p;
    int n = RoundHalfEven(fPositionPercent * 0.01 * (fIsHorizontal ? r.Height() : r.Width()));
    if (fIsOtherSide)
        n = -n;
    return fIsHorizontal ? p - n : p + n;
}

void TChartAxis::ReserveAxisRoom(TRect& r, bool shrink)
{
    fDateTimeMode = UsesDateTime();
    // +1 moves away from the plot on this axis' side.
    const int outwards = fIsHorizontal ? (fIsOtherSide ? -1 : 1) : (fIsOtherSide ? 1 : -1);
    if (!shrink) {
        fAxisPos = ApplyPositionPercent(EdgeOf(r), r);
        fLabelsPos = fAxisPos + outwards * TickBandSize();
        fTitlePos = fLabelsPos + outwards * LabelBandSize();
        return;
    }
    const auto take = [this, &r](int n) {
        if (fIsHorizontal) {
            if (fIsOtherSide)
                r.Top += n;
            else
                r.Bottom -= n;
        } else {
            if (fIsOtherSide)
                r.Right -= n;
            else
                r.Left += n;
        }
    };
    if (!fTitle.Caption().empty()) {
        take(TitleBandSize());
        fTitlePos = EdgeOf(r);
    }
    if (fLabels) {
        take(LabelBandSize());
        fLabelsPos = EdgeOf(r);
    }
    const int ticks = TickBandSize() + (fChart ? fChart->WallThickness(*this) : 0);
    if (ticks > 0)
        take(ticks);
    fTitlePos = ApplyPositionPercent(fTitlePos, r);
    fLabelsPos = ApplyPositionPercent(fLabelsPos, r);
}

int TChartAxis::TickBandSize() const
{
    int n = (fAxisPen.Visible() ? fAxisPen.Width() : 0) + (fTicks.Visible() ? fTickLength : 0);
    if (fMinorTicks.Visible())
        n = std::max(n, fMinorTickLength);
    return n;
}

int TChartAxis::TitleBandSize()
{
    return BandSize(fTitle.Font(), fTitle.Angle(), fTitleSize, &fTitle.Caption());
}

int TChartAxis::LabelBandSize()
{
    return BandSize(fLabelsFont, fLabelsAngle, fLabelsSize, nullptr);
}

int TChartAxis::BandSize(const TChartFont& font, int angle, int fixed, const std::string* text)
{
    if (fixed != 0)
        return fixed;
    if (!fChart)
        return 0;
    UseFontCopy(font);
    const bool along = fIsHorizontal ? (angle == 0 || angle == 180) : (angle == 90 || angle == 270);
    if (along)
        return fChart->Canvas().LineHeight();
    if (text)
        return fChart->Canvas().MeasureTextWidth(*text);
    return WidestLabel();
}

int TChartAxis::WidestLabel()
{
    if (!fChart)
        return 0;
    switch (EffectiveLabelStyle()) {
    case talValue: {
        double lo = fWorkMinimum, hi = fWorkMaximum;
        if (fRoundFirstLabel || (fDateTimeMode && fExactDateTime)) {
            const double step = LabelStep();
            if (step > 0) {
                lo = std::trunc(lo / step) * step;
                hi = std::trunc(hi / step) * step;
            }
        }
        fSuspendGetAxisLabel = true;
        int lines = 0;
        const int w = std::max(fChart->MultiLineWidth(FormatAxisValue(lo), lines),
                               fChart->MultiLineWidth(FormatAxisValue(hi), lines));
        fSuspendGetAxisLabel = false;
        return w + fChart->Canvas().MeasureTextWidth(" ");
    }
    case talMark: {
        int widest = 0, lines = 0;
        for (TChartSeries* s : fChart->SeriesList()) {
            for (int i = 0; i < s->PointCount(); ++i) {
                widest = std::max(widest, fChart->MultiLineWidth(s->MarkText(i), lines));
            }
        }
        return widest;
    }
    case talText: {
        int widest = 0, lines = 0;
        for (TChartSeries* s : fChart->SeriesList())
            for (int i = 0; i < s->PointCount(); ++i)
                if (s->HasPointLabel(i))
                    widest = std::max(widest, fChart->MultiLineWidth(s->PointLabel(i), lines));
        return widest;
    }
    default:
        return 0;
    }
}

// --- mapping -------------------------------------------------------------------------------------------

double TChartAxis::PixelToValue(int p) const
{
    if (fPixelSize < 1)
        return 0.0;
    const double d = fInverted ? static_cast<double>(fEndPixel - p) * fWorkRange / fPixelSize
                               : static_cast<double>(p - fStartPixel) * fWorkRange / fPixelSize;
    return fIsHorizontal ? fWorkMinimum + d : fWorkMaximum - d;
}

// --- labels ----------------------------------------------------------------------------------------------

void TChartAxis::UseFontCopy(const TChartFont& font)
{
    if (!fChart)
        return;
    TChartFont f = font;
    fChart->UseFont(f);
}

int TChartAxis::MultiLineWidthOf(const std::string& text, int& lines)
{
    lines = 0;
    if (!fChart)
        return 0;
    return fChart->MultiLineWidth(text, lines);
}

int TChartAxis::ValueLabelWidth(double v)
{
    int lines = 0;
    const int w = MultiLineWidthOf(FormatAxisValue(v), lines);
    if (fLabelsAngle == 90 || fLabelsAngle == 270)
        return fChart ? fChart->Canvas().LineHeight() * lines : 0;
    return w;
}

int TChartAxis::ValueLabelHeight(double v)
{
    int lines = 0;
    const int w = MultiLineWidthOf(FormatAxisValue(v), lines);
    if (fLabelsAngle == 0 || fLabelsAngle == 180)
        return fChart ? fChart->Canvas().LineHeight() * lines : 0;
    return w;
}

double TChartAxis::LabelStep()
{
    UseFontCopy(fLabelsFont);
    int size;
    if (fIsHorizontal)
        size = std::max(ValueLabelWidth(fWorkMaximum), ValueLabelWidth(fWorkMinimum));
    else
        size = std::max(ValueLabelHeight(fWorkMaximum), ValueLabelHeight(fWorkMinimum));
    const int n = MaxLabelCount(fPixelSize, size, fLabelsSeparation);
    return StepForLabelCount(n, fWorkRange, fIncrement, fLabelsSeparation);
}

TAxisLabelStyle TChartAxis::EffectiveLabelStyle() const
{
    if (fLabelStyle != talAuto)
        return fLabelStyle;
    if (!fChart)
        return talNone;
    if (fIsDepth)
        return talText;
    bool any = false;
    for (TChartSeries* s : fChart->SeriesList()) {
        if (!s->Active() || !s->AssociatedWith(this))
            continue;
        any = true;
        const bool runsAlong = fIsHorizontal ? s->IsYMandatory() : !s->IsYMandatory();
        if (runsAlong && s->HasPointLabel(0))
            return talText;
    }
    return any ? talValue : talNone;
}

bool TChartAxis::UsesDateTime() const
{
    if (!fChart)
        return false;
    for (TChartSeries* s : fChart->SeriesList()) {
        if (s->Active() && s->AssociatedWith(this))
            return fIsHorizontal ? s->XValues().DateTime() : s->YValues().DateTime();
    }
    return false;
}

const std::string& TChartAxis::FormattedValue(bool dateTime, const std::string& picture, double v)
{
    // The texts are kept for one picture at a time; a new picture starts afresh.
    if (dateTime != fFormattedDateTime || picture != fFormattedPicture) {
        fFormatted.clear();
        fFormattedDateTime = dateTime;
        fFormattedPicture = picture;
    }
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    for (const TFormattedValue& f : fFormatted)
        if (f.Bits == bits)
            return f.Text;
    constexpr std::size_t mostValues = 64;
    if (fFormatted.size() >= mostValues)
        fFormatted.clear();
    fFormatted.push_back({bits, dateTime ? FormatDateTimeValue(picture, v) : FormatFloat(picture, v)});
    return fFormatted.back().Text;
}

std::string TChartAxis::FormatAxisValue(double v)
{
    std::string text;
    if (fDateTimeMode) {
        if (v >= 0) {
            if (fDateTimeFormat.empty())
                text = FormattedValue(true, std::fabs(fWorkRange) < 1.0 ? "hh:nn:ss" : "dd/mm/yyyy", v);
            else
                text = FormattedValue(true, fDateTimeFormat, v);
        }
    } else {
        text = FormattedValue(false, fAxisValuesFormat, v);
    }
    if (fChart && fChart->OnGetAxisLabel && !fSuspendGetAxisLabel)
        fChart->OnGetAxisLabel(*this, nullptr, -1, text);
    if (fLabelsMultiLine)
        std::replace(text.begin(), text.end(), ' ', '\r');
    return text;
}

bool TChartAxis::AxisHit(int x, int y) const
{
    if (!fChart || !fChart->AxisShown(*this))
        return false;
    const int lo = std::min(fStartPixel, fEndPixel), hi = std::max(fStartPixel, fEndPixel);
    const int along = fIsHorizontal ? x : y;
    const int across = fIsHorizontal ? y : x;
    if (along < lo || along > hi)
        return false;
    // The axis line side: towards the plot from AxisPos, 3 pixels wide.
    const bool lineBelow = fIsHorizontal ? fIsOtherSide : !fIsOtherSide;  // plot lies at larger coordinates
    int a, b;
    if (lineBelow) {
        a = fLabelsPos;
        b = fAxisPos + 3;
    } else {
        a = fAxisPos - 3;
        b = fLabelsPos;
    }
    if (a > b)
        std::swap(a, b);
    return across >= a && across <= b;
}

void TChartAxis::ScrollBy(double delta)
{
    fMinimum += delta;
    fMaximum += delta;
    Changed();
}
