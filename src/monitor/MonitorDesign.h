#pragma once
// Design values of the monitor's two windows and of its chart, in pixels at
// 96 dots per inch. The main window and the command-line tools both build
// from these numbers, so the chart a tool renders is the chart the window shows.

#include <array>
#include <cstdint>
#include <string_view>

#include "app/MonitorView.h"
#include "app/ReadoutText.h"
#include "app/ToneBits.h"
#include "app/ToneRange.h"

namespace design {

// Left, top, width, height in client pixels of the parent.
struct Bounds {
    int Left;
    int Top;
    int Width;
    int Height;
};

// Colours are 0x00BBGGRR.
inline constexpr std::uint32_t ColorRed = 0x0000FF;
inline constexpr std::uint32_t ColorGreen = 0x008000;
inline constexpr std::uint32_t ColorBlue = 0xFF0000;
inline constexpr std::uint32_t ColorWhite = 0xFFFFFF;
inline constexpr std::uint32_t ColorGridGrey = 15066597;  // 0xE5E5E5

// ---- Main window (TForm1) ----------------------------------------------------

inline constexpr std::string_view Form1Caption = "Quillmont Bitloading Monitor";
inline constexpr Bounds Form1Bounds{393, 239, 707, 464};  // outer frame
inline constexpr int Form1ClientWidth = 699;
inline constexpr int Form1ClientHeight = 410;
inline constexpr int Form1MinWidth = 707;
inline constexpr int Form1MinHeight = 464;
inline constexpr std::string_view FontName = "Arial";
inline constexpr int FontPointSize = 8;  // 11 pixels high at 96 dpi
inline constexpr std::string_view MemoFontName = "Courier New";

// Controls in the order of their creation. Everything except the chart keeps
// its distance to the bottom-left corner; the chart follows all four edges.
inline constexpr Bounds Label1Bounds{24, 285, 49, 14};
inline constexpr std::string_view Label1Caption = "Username";
inline constexpr Bounds Label2Bounds{24, 317, 50, 14};
inline constexpr std::string_view Label2Caption = "Password";
inline constexpr Bounds Label3Bounds{24, 253, 22, 14};
inline constexpr std::string_view Label3Caption = "Host";
inline constexpr Bounds Image1Bounds{376, 344, 208, 37};
inline constexpr Bounds Label4Bounds{376, 384, 206, 14};  // credit line, bold, blue
inline constexpr Bounds Shape1Bounds{36, 364, 13, 13};    // indicator square
inline constexpr Bounds Chart21Bounds{0, 0, 696, 237};
inline constexpr Bounds EdUsernameBounds{88, 281, 153, 22};
inline constexpr std::string_view EdUsernameText = "Administrator";
inline constexpr Bounds EdPasswordBounds{88, 313, 153, 22};
inline constexpr Bounds Button1Bounds{88, 357, 75, 25};
inline constexpr std::string_view Button1Caption = "Plot";
inline constexpr Bounds Memo1Bounds{320, 273, 337, 45};  // hidden reply buffer
inline constexpr std::string_view Memo1Text = "Memo1";
inline constexpr Bounds EdHostBounds{88, 249, 153, 22};
inline constexpr Bounds Rb1Bounds{352, 245, 65, 17};
inline constexpr std::string_view Rb1Caption = "0 - 255";
inline constexpr Bounds Rb2Bounds{448, 245, 73, 17};
inline constexpr std::string_view Rb2Caption = "256 - 512";
inline constexpr Bounds Rb3Bounds{544, 245, 69, 17};
inline constexpr std::string_view Rb3Caption = "0 - 512";
inline constexpr Bounds Panel35Bounds{380, 268, 189, 81};
inline constexpr std::string_view Panel35Caption = "Panel35";
inline constexpr Bounds Panel36Bounds{5, 8, 180, 69};                // inside Panel35, top-right
inline constexpr Bounds Label56Bounds{12, 8, 69, 14};                // inside Panel36
inline constexpr std::string_view Label56Caption = "Tone number: ";  // until the first mouse move
inline constexpr Bounds Label57Bounds{12, 28, 55, 14};
inline constexpr std::string_view Label57Caption = "Frequency:";
inline constexpr Bounds Label58Bounds{12, 48, 21, 14};
inline constexpr std::string_view Label58Caption = "Bits:";
inline constexpr Bounds Button2Bounds{168, 357, 75, 25};
inline constexpr std::string_view Button2Caption = "Stop";
inline constexpr int Timer1Interval = 60000;  // milliseconds

// Indicator brush (the session chooses between the two).
inline constexpr std::uint32_t IndicatorStopped = ::IndicatorStoppedColor;
inline constexpr std::uint32_t IndicatorRunning = ::IndicatorRunningColor;
static_assert(IndicatorStopped == ColorRed && IndicatorRunning == ColorGreen);

// Readout texts (made by the readout's text functions); the blanks line the
// values up in the proportional font.
inline constexpr std::string_view ReadoutTone = ::ReadoutToneCaption;
inline constexpr std::string_view ReadoutFrequency = ::ReadoutFrequencyCaption;
inline constexpr std::string_view ReadoutBits = ::ReadoutBitsCaption;
inline constexpr std::string_view ReadoutFrequencyUnit = ::ReadoutFrequencyUnitText;
inline constexpr std::string_view ReadoutToneIdle = "Tone number:";
inline constexpr std::string_view ReadoutFrequencyIdle = "Frequency:";
inline constexpr std::string_view ReadoutBitsIdle = "Bits:";
using tones::ToneSpacingKHz;

// Menus.
inline constexpr std::string_view MenuHelp = "Help";
inline constexpr std::string_view MenuHelpItem = "Help...";
inline constexpr std::string_view MenuAbout = "About...";
inline constexpr std::string_view MenuSaveAs = "Save As...";
inline constexpr std::string_view MenuCopy = "Copy to clipboard";
inline constexpr std::string_view MenuPrinterSetup = "Printer setup...";
inline constexpr std::string_view MenuPrint = "Print";
inline constexpr std::string_view SaveFilter = "JPEG Image File (*.jpg)|*.jpg";
inline constexpr std::string_view SaveDefaultExtension = ".jpg";
inline constexpr std::string_view PrinterSetupTitle = "Printer Setup";
// Printing that cannot happen is said, never passed over: no printer at all,
// or a printer (%s: its name, or the file it writes) that refused the document.
inline constexpr std::string_view PrintNoPrinterText = "There is no printer to print on.";
inline constexpr std::string_view PrintRefusedText = "The printer \"%s\" did not accept the document.";
inline constexpr std::string_view AboutText = "Simple Bitloading plotter for the Quillmont";
inline constexpr std::string_view AboutLineBreak = "\n\r";  // LF, then CR, between text and credit

// Chosen for this program: its title (the About box's caption), the credit
// line of Label4 and of the About box, the logo and the default router address.
inline constexpr std::string_view ProgramTitle = "Quillmont Monitor";
inline constexpr std::string_view CreditText = "By the Quillmont developers";
inline constexpr std::uint32_t CreditColor = ColorBlue;
inline constexpr std::string_view EdHostText = "192.168.1.254";           // the router's usual LAN address
inline constexpr std::string_view LogoResource = ":/quillmont/logo.png";  // 208 x 37, 24 bits per pixel
inline constexpr int FontPixelSize = 11;                                  // Arial 8 points at 96 dpi

// The status line under the controls: the time of the last poll and what it
// read or why it failed. The window is this much taller than designed, at
// the bottom, across the whole width.
inline constexpr int StatusLineHeight = 20;

// ---- Help window (TForm2) ----------------------------------------------------

inline constexpr std::string_view Form2Caption = "Quillmont Monitor Help";
inline constexpr int Form2ClientWidth = 372;
inline constexpr int Form2ClientHeight = 228;
inline constexpr Bounds Form2Bounds{204, 168, 372, 228};
inline constexpr Bounds Form2Button1Bounds{152, 188, 75, 25};
inline constexpr std::string_view Form2Button1Caption = "OK";
inline constexpr Bounds Form2Memo1Bounds{4, 4, 361, 169};
inline constexpr int HelpOffsetFromCentre = 190;  // left = main left + main width div 2 - 190
inline constexpr int HelpOffsetTop = 100;
inline constexpr std::array<std::string_view, 7> HelpLines{
    "Enter your router's address in the Host box.",
    "Enter the Username and Password you use to log into your router.",
    "Press 'Plot' to start the 60 second timer.",
    "Press 'Stop' to end.",
    "",
    "",
    "Right-click on the graph for it's popup menu.",
};

// ---- Tone table and ranges -----------------------------------------------------

// The ranges chosen by the radio buttons rb1, rb2 and rb3, in this order.
using tones::RangeAll;   // rb3
using tones::RangeHigh;  // rb2
using tones::RangeLow;   // rb1, selected at start
using tones::ToneRange;

constexpr std::uint32_t ToneColor(int tone)
{
    return tone <= ::LastUpstreamTone ? ColorGreen : ColorBlue;
}

// ---- Chart21 -----------------------------------------------------------------

inline constexpr int Chart21Tag = 21;
inline constexpr std::uint32_t ChartBackColor = ColorWhite;
inline constexpr int ChartMarginLeft = 3;  // percent; left keeps the class default
inline constexpr int ChartMarginTop = 0;
inline constexpr int ChartMarginRight = 1;
inline constexpr int ChartMarginBottom = 0;
inline constexpr int ChartChart3DPercent = 1;
inline constexpr int ChartPerspective = 0;
inline constexpr int ChartMaxPointsPerPage = 255;
inline constexpr int LegendTopPos = 11;
inline constexpr std::uint32_t LegendFontColor = ColorRed;

// Bottom axis: tone labels of the bars, rotated to read upwards.
inline constexpr double BottomMinimum = 5.0;
inline constexpr double BottomMaximum = 512.0;  // replaced by every poll
inline constexpr double BottomIncrement = 5.0;
inline constexpr int BottomLabelsAngle = 90;
inline constexpr int BottomLabelsSize = 29;
inline constexpr std::string_view BottomDateTimeFormat = " hh:nn:ss";
inline constexpr int BottomMinorTickCount = 4;
inline constexpr int BottomTickLength = 2;
inline constexpr double BottomStartPosition = 2.0;
inline constexpr double BottomEndPosition = 98.0;
inline constexpr std::string_view BottomTitle = "Tones";

// Left axis: bit counts.
inline constexpr double LeftMinimum = 0.0;
inline constexpr double LeftMaximum = 16.0;
inline constexpr double LeftStartPosition = 1.0;
inline constexpr double LeftEndPosition = 98.0;
inline constexpr std::string_view LeftTitle = "Bits ";

// Right axis: configured but never shown (no series uses it).
inline constexpr double RightMinimum = -0.5;
inline constexpr double RightMaximum = 64.0;
inline constexpr int RightLabelsSeparation = 1;
inline constexpr std::uint32_t RightFontColor = ColorRed;
inline constexpr int RightFontHeight = -11;
inline constexpr std::string_view RightTitle = "SNR";

// LineSeries18, the bar series.
inline constexpr std::uint32_t SeriesColor = 16744448;  // 0xFF8000, no bar uses it
inline constexpr int BarWidthPercent = 40;
inline constexpr int BarOffsetPercent = 20;
inline constexpr std::uint32_t BarBrushColor = ColorWhite;
inline constexpr std::uint32_t BarPenColor = ColorWhite;
inline constexpr int BarPenWidth = 8;
inline constexpr int MarksArrowLength = 8;
inline constexpr std::string_view XValuesName = "X";
inline constexpr std::string_view YValuesName = "Bar";

}  // namespace design
