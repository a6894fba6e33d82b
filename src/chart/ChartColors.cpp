#include "chart/ChartColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// System colour index -> palette role, as the platform layer maps them.
bool SystemRole(TColor c, QPalette::ColorRole& role)
{
    switch (c & 0xFFu) {
    case 0x0F:
        role = QPalette::Button;
        return true;  // button face
    case 0x14:
        role = QPalette::Light;
        return true;  // button highlight
    case 0x10:
        role = QPalette::Dark;
        return true;  // button shadow
    case 0x18:
        role = QPalette::ToolTipBase;
        return true;  // tooltip background
    case 0x08:
        role = QPalette::WindowText;
        return true;  // window text
    case 0x05:
        role = QPalette::Base;
        return true;  // window background
    case 0x12:
        role = QPalette::ButtonText;
        return true;  // button text
    case 0x0D:
        role = QPalette::Highlight;
        return true;  // selection
    case 0x0E:
        role = QPalette::HighlightedText;
        return true;
    case 0x17:
        role = QPalette::ToolTipText;
        return true;
    default:
        return false;
    }
}

}  // namespace

TColor FromQColor(const QColor& c)
{
    return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) | (static_cast<TColor>(c.blue()) << 16);
}

TColor ColorToRGB(TColor c)
{
    if (!IsSystemColor(c))
        return c & 0x00FFFFFFu;
    QPalette::ColorRole role;
    if (!SystemRole(c, role))
        return 0;
    const QPalette pal = QGuiApplication::palette();
    return FromQColor(pal.color(QPalette::Active, role));
}

QColor ToQColor(TColor c)
{
    const TColor rgb = ColorToRGB(c);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

TColor ChartPaletteColor(int index)
{
    static constexpr TColor palette[ChartPaletteSize] = {clRed,     clGreen,  clYellow, clBlue,   clWhite, clGray,
                                                         clFuchsia, clTeal,   clNavy,   clMaroon, clLime,  clOlive,
                                                         clPurple,  clSilver, clAqua,   clBlack};
    int i = index % ChartPaletteSize;
    if (i < 0)
        i += ChartPaletteSize;
    return palette[i];
}
