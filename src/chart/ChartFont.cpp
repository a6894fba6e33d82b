#include "chart/ChartFont.h"

#include "chart/ChartEnums.h"
#include "chart/ChartMath.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <cmath>
#include <cstdlib>

namespace {
constexpr int DefaultPixelsPerInch = 96;
constexpr const char* DefaultFontName = "Arial";
constexpr int DefaultPointSize = 8;

bool SystemIsJapanese()
{
    return QLocale::system().language() == QLocale::Japanese;
}

std::function<bool()>& JapaneseSystemCheck()
{
    static std::function<bool()> check = SystemIsJapanese;
    return check;
}

// Name and point size of the default chart font.
struct TDefaultFont {
    std::string name = DefaultFontName;
    int points = DefaultPointSize;
};

TDefaultFont DefaultFont()
{
    TDefaultFont result;
    if (!JapaneseSystemCheck()())
        return result;
    // The framework's default font, its height taken in pixels at the
    // screen's vertical resolution and turned back into points there.
    const QFont framework = QGuiApplication::font();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen != nullptr ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 0;
    const int ppi = dpi > 0 ? dpi : DefaultPixelsPerInch;
    const int pixels = framework.pixelSize() > 0 ? framework.pixelSize()
                                                 : static_cast<int>(std::lround(framework.pointSizeF() * ppi / 72));
    result.name = framework.family().toStdString();
    if (result.points == DefaultPointSize && pixels > 0)
        result.points = MulDiv(pixels, 72, ppi);
    return result;
}
}  // namespace

TChartFont::TChartFont() : fColor(clBlack), fStyle(0), fPixelsPerInch(DefaultPixelsPerInch)
{
    const TDefaultFont font = DefaultFont();
    fName = font.name;
    fHeight = -MulDiv(font.points, DefaultPixelsPerInch, 72);
}

void TChartFont::SetJapaneseSystemCheck(std::function<bool()> check)
{
    JapaneseSystemCheck() = check ? std::move(check) : std::function<bool()>(SystemIsJapanese);
}

TChartFont::TChartFont(const TChartFont& other)
    : fName(other.fName), fHeight(other.fHeight), fColor(other.fColor), fStyle(other.fStyle),
      fPixelsPerInch(other.fPixelsPerInch)
{}

TChartFont& TChartFont::operator=(const TChartFont& other)
{
    if (this == &other)
        return *this;
    const bool same = SameAs(other) && fPixelsPerInch == other.fPixelsPerInch;
    fName = other.fName;
    fColor = other.fColor;
    fStyle = other.fStyle;
    if (other.fPixelsPerInch == fPixelsPerInch) {
        fHeight = other.fHeight;
    } else {
        // Keep the point size on this font's surface.
        fHeight = other.fHeight;
        const int ppi = fPixelsPerInch;
        fPixelsPerInch = other.fPixelsPerInch;
        const int points = Size();
        fPixelsPerInch = ppi;
        fHeight = other.fHeight < 0 ? -MulDiv(points, fPixelsPerInch, 72)
                                    : MulDiv(other.fHeight, fPixelsPerInch, other.fPixelsPerInch);
    }
    if (!same)
        Changed();
    return *this;
}

int TChartFont::Size() const
{
    if (fPixelsPerInch <= 0)
        return 0;
    return -MulDiv(fHeight, 72, fPixelsPerInch);
}

int TChartFont::PixelSize() const
{
    return std::abs(fHeight);
}

void TChartFont::SetName(const std::string& v)
{
    if (v == fName)
        return;
    fName = v;
    Changed();
}

void TChartFont::SetSize(int points)
{
    SetHeight(-MulDiv(points, fPixelsPerInch, 72));
}

void TChartFont::SetHeight(int h)
{
    if (h == fHeight)
        return;
    fHeight = h;
    Changed();
}

void TChartFont::SetColor(TColor v)
{
    if (v == fColor)
        return;
    fColor = v;
    Changed();
}

void TChartFont::SetStyle(int v)
{
    if (v == fStyle)
        return;
    fStyle = v;
    Changed();
}

void TChartFont::SetPixelsPerInch(int v)
{
    if (v <= 0 || v == fPixelsPerInch)
        return;
    const int points = Size();
    if (fHeight < 0)
        fHeight = -MulDiv(points, v, 72);
    else
        fHeight = MulDiv(fHeight, v, fPixelsPerInch);
    fPixelsPerInch = v;
}

QFont TChartFont::ToQFont() const
{
    QFont f(QString::fromStdString(fName));
    const int px = PixelSize();
    f.setPixelSize(px > 0 ? px : 1);
    f.setBold((fStyle & fsBold) != 0);
    f.setItalic((fStyle & fsItalic) != 0);
    f.setUnderline((fStyle & fsUnderline) != 0);
    f.setStrikeOut((fStyle & fsStrikeOut) != 0);
    return f;
}

bool TChartFont::SameAs(const TChartFont& o) const
{
    return fName == o.fName && fHeight == o.fHeight && fColor == o.fColor && fStyle == o.fStyle;
}

void TChartFont::Changed()
{
    if (OnChange)
        OnChange();
}

int TChartFont::Height() const
{
    return fHeight;
}
