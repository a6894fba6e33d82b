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
inline constexpr int HistoryClientHeight = 700;  // room for the line events under the list
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

// ---- The two plots -------------------------------------------------------------

// Total bits of every listed poll, oldest on the left; failed polls in red.
inline constexpr std::string_view TotalBitsTitle = "Total bits over time";
inline constexpr std::string_view TotalBitsLeftTitle = "Bits";
inline constexpr std::string_view TotalBitsBottomTitle = "Polls";
inline constexpr std::uint32_t TotalBitsCapturedColor = ColorBlue;
inline constexpr std::uint32_t TotalBitsFailedColor = ColorRed;

// Changes per tone between consecutive captured polls of the period.
inline constexpr std::string_view ChangeCountTitle = "Bit changes per tone";
inline constexpr std::string_view ChangeCountLeftTitle = "Changes";
inline constexpr std::string_view ChangeCountBottomTitle = "Tones";
inline constexpr double ChangeCountIncrement = 32.0;

}  // namespace design
