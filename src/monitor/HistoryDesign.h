#pragma once
// Design values of the line history: the main window's menu that opens it,
// the history window with its list and its two plots, in pixels at 96 dots
// per inch.

#include "monitor/MonitorDesign.h"

#include <array>
#include <string_view>

namespace design {

// ---- Main window's menu (placed before "Help") ---------------------------------

inline constexpr std::string_view MenuHistory = "History";
inline constexpr std::string_view MenuShowHistory = "Show history...";

// ---- History window ------------------------------------------------------------

inline constexpr std::string_view HistoryCaption = "Line history";
inline constexpr int HistoryClientWidth = 720;
inline constexpr int HistoryClientHeight = 900;  // room for the line events and the views under the list
inline constexpr int HistoryMinWidth = 480;
inline constexpr int HistoryMinHeight = 420;
inline constexpr int HistoryPlotHeight = 170;  // each of the two plots
inline constexpr int HistoryMargin = 8;

inline constexpr std::string_view HistoryPeriodLabel = "Period:";
// The periods the list and the plots cover, in hours (0: every poll).
struct HistoryPeriod {
    std::string_view Caption;
    int Hours;
};
inline constexpr std::array<HistoryPeriod, 5> HistoryPeriods{{
    {"Last hour", 1},
    {"Last 24 hours", 24},
    {"Last 7 days", 24 * 7},
    {"Last 30 days", 24 * 30},
    {"All polls", 0},
}};
inline constexpr int HistoryDefaultPeriod = 1;  // "Last 24 hours"
// After the periods: a range of the user's own, chosen in a dialog or by
// zooming and panning the time axis.
inline constexpr std::string_view HistoryCustomPeriod = "Custom range...";
inline constexpr std::string_view HistoryRangeCaption = "Custom range";
inline constexpr std::string_view HistoryRangeFromLabel = "From:";
inline constexpr std::string_view HistoryRangeToLabel = "To:";
inline constexpr std::string_view HistoryRangeFormat = "yyyy-MM-dd HH:mm:ss";

inline constexpr std::string_view HistoryExportButton = "Export CSV...";
inline constexpr std::string_view HistoryExportFilter = "CSV files (*.csv)";
inline constexpr std::string_view HistoryExportDefaultName = "line-history.csv";

// Columns of the list, in order.
inline constexpr std::array<std::string_view, 4> HistoryColumns{"Time", "Outcome", "Total bits", "Tones with 0 bits"};
// Outcome leaves room for the "By" column after these, as wide as its widest
// name, so that the columns fit the list at the window's default width.
inline constexpr std::array<int, 4> HistoryColumnWidths{140, 250, 80, 110};
// Polls read from the store at a time; the list reads the next page when it
// is scrolled to its end.
inline constexpr int HistoryPageSize = 200;

// ---- Line events of the period, between the list and the plots ----------------

inline constexpr std::string_view HistoryEventsTitle = "Line events";
// Newest first, as the list of polls.
inline constexpr std::array<std::string_view, 6> HistoryEventColumns{"Start", "End",   "Event",
                                                                     "Tones", "Polls", "Detail"};
inline constexpr std::array<int, 5> HistoryEventColumnWidths{140, 140, 100, 70, 50};  // "Detail" takes the rest
inline constexpr std::string_view HistoryNoEvents = "No line events in this period";
// The list's height at the default window size (its title and about four rows).
inline constexpr int HistoryEventsHeight = 110;
// The views' height at the default window size: the time plot over the tabs.
inline constexpr int HistoryViewsHeight = 440;

// ---- The views of the period, on tabs under the lists --------------------------

inline constexpr std::string_view ViewWaterfallTab = "Waterfall";
inline constexpr std::string_view ViewChangesTab = "Changes per tone";
inline constexpr std::string_view ViewCompareTab = "Compare";
inline constexpr std::string_view CompareButton = "Compare";
inline constexpr std::string_view CompareHint =
    "Choose two polls in the list, or a line event, and press Compare to see them tone by tone.";
inline constexpr std::string_view SaveReportButton = "Save report...";
inline constexpr std::string_view SaveReportFilter = "PDF files (*.pdf)";
inline constexpr std::string_view SaveReportDefaultName = "line-report.pdf";

// ---- The changes per tone --------------------------------------------------------

// Changes per tone between consecutive captured polls of the period.
inline constexpr std::string_view ChangeCountTitle = "Bit changes per tone";
inline constexpr std::string_view ChangeCountLeftTitle = "Changes";
inline constexpr std::string_view ChangeCountBottomTitle = "Tones";
inline constexpr double ChangeCountIncrement = 32.0;

// ---- The line's story: waterfall, total bits over real time, compare -----------

// Waterfall: tones across, time down with the newest poll on top.
inline constexpr std::string_view WaterfallTitle = "Bits per tone over time";
// Rows the waterfall keeps of a period at most, before it is combined to
// the rows its picture has room for.
inline constexpr int WaterfallMaxRows = 4096;
// "each row: 10 min, the lowest bits of the polls in it"
inline constexpr std::string_view WaterfallRowNoteLead = "each row: ";
inline constexpr std::string_view WaterfallRowNoteTail = ", the lowest bits of the polls in it";
inline constexpr std::string_view WaterfallUpstream = "Up";
inline constexpr std::string_view WaterfallDownstream = "Down";
inline constexpr std::string_view WaterfallLegendBits = "Bits:";
inline constexpr std::string_view WaterfallLegendFailed = "failed poll";
inline constexpr std::string_view WaterfallLegendNoPolls = "no polls";
inline constexpr std::string_view WaterfallNoPeriod = "No polls in this period";
// Hover: "bits" after a value, "lowest of N polls" for a combined row,
// "as at the poll before" for a row between polls.
inline constexpr std::string_view WaterfallBitsUnit = " bits";
inline constexpr std::string_view WaterfallOneBit = " bit";
inline constexpr std::string_view WaterfallLowestOf = "lowest of %1 polls";
inline constexpr std::string_view WaterfallAsBefore = "no poll in this row, as at the poll before";
inline constexpr int WaterfallBandHeight = 3;    // the thin up / down band under the tones
inline constexpr int WaterfallSwatchWidth = 14;  // one legend swatch
inline constexpr int WaterfallTickLength = 3;
inline constexpr std::uint32_t WaterfallNoPollsColor = 0xDDDDDD;
inline constexpr std::uint32_t WaterfallHatchColor = 0xAAAAAA;
inline constexpr std::uint32_t WaterfallZeroBitsColor = ColorWhite;
inline constexpr std::uint32_t WaterfallFrameColor = 0x808080;
inline constexpr std::uint32_t StoryAxisColor = 0x000000;
inline constexpr std::uint32_t StoryGridColor = ColorGridGrey;

// Total bits over real time: a line through the captured polls, broken at
// gaps, no-reply runs and failed polls, which show as red marks at the bottom.
inline constexpr int TimePlotEventStripHeight = 9;  // the event markers above the plot
inline constexpr int TimePlotEventMarkWidth = 5;
inline constexpr int TimePlotFailedMarkHeight = 4;
inline constexpr std::uint32_t TimePlotLineColor = ColorBlue;
inline constexpr std::uint32_t TimePlotFailedColor = ColorRed;
inline constexpr std::uint32_t TimePlotHighlightShade = 0xF0E0C8;  // the chosen event's span
// One colour per kind of line event, in the order of TLineEventKind:
// no-reply, line-down, resync, tones-lost, tones-regained, gap.
inline constexpr std::array<std::uint32_t, 6> EventKindColors{ColorRed, 0x000080,   0x0080FF,
                                                              0x800080, ColorGreen, 0x808080};
// The smallest plot the history window gives either view.
inline constexpr int StoryMinPlotWidth = 200;
inline constexpr int StoryMinPlotHeight = 80;

}  // namespace design
