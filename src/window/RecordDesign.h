#pragma once
// The "Record in the background..." dialog: its menu entry (in the History
// menu, after "Show history..."), its controls and the systemd user unit it
// starts and stops.

#include <string_view>

namespace design {

inline constexpr std::string_view MenuRecordInBackground = "Record in the background...";

inline constexpr std::string_view RecordCaption = "Record in the background";
inline constexpr std::string_view RecordIntro =
    "The recorder polls the router and keeps every poll in the line history, also while this window is closed.";
inline constexpr std::string_view RecordHostLabel = "Host:";
inline constexpr std::string_view RecordUserLabel = "User:";
inline constexpr std::string_view RecordPasswordLabel = "Password:";
inline constexpr std::string_view RecordIntervalLabel = "Interval:";
inline constexpr std::string_view RecordIntervalSuffix = " s";
inline constexpr int RecordIntervalDefault = 60;
inline constexpr int RecordIntervalMinimum = 1;
inline constexpr int RecordIntervalMaximum = 24 * 60 * 60;
inline constexpr std::string_view RecordStart = "Start";
inline constexpr std::string_view RecordStop = "Stop";
inline constexpr std::string_view RecordClose = "Close";
inline constexpr int RecordMinWidth = 460;

// The recorder's unit, installed with the program (not enabled).
inline constexpr std::string_view RecorderUnit = "quillmont-recorder.service";
// The recorder's program, as a command line shows it.
inline constexpr std::string_view RecorderProgram = "quillmont-recorder";
// How often the open dialog asks again whether the recorder runs.
inline constexpr int RecordRefreshMs = 5000;
// How many of the newest polls are looked through for the recorder's last one.
inline constexpr int RecordLastPollRows = 2000;

}  // namespace design
