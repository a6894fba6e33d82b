#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/MonitorDesign.h"

// What the quillmont-poll command line asks for. The password is never taken
// from the command line, where other users could read it.
struct TPollArguments {
    std::string Host;
    std::string User = "Administrator";
    // Read the password from the first line of standard input instead of the
    // QUILLMONT_PASSWORD environment variable.
    bool PasswordFromStdin = false;
    bool ShowHelp = false;
    bool ShowVersion = false;
    // Pictures of the monitor chart of the table, drawn as the main window
    // shows it at the given size over the given range (empty: none).
    std::string PngFile;
    std::string SvgFile;
    // The JPEG file the window's "Save As..." writes for the same picture.
    std::string JpegFile;
    design::ToneRange Range = design::RangeLow;
    int Width = design::Chart21Bounds.Width;
    int Height = design::Chart21Bounds.Height;
    // A table saved as CSV ("tone,bits"), used instead of a poll (no HOST then).
    std::string TableFile;
    // The line history: the poll is appended to this store; with ExportCsvFile
    // the store is exported instead of polling, with Events its line events
    // are printed instead (no HOST then).
    std::string HistoryFile;
    std::string ExportCsvFile;
    bool Events = false;
    // With WaterfallFile the waterfall of the stored polls is drawn into this
    // PNG instead of polling (no HOST then), at the given size.
    std::string WaterfallFile;
    // Whether --size was given (the waterfall has its own default size).
    bool SizeGiven = false;
    // Only polls at or after Since and before Until are exported or looked at
    // for events (milliseconds since the epoch, UTC).
    bool HasSince = false;
    std::int64_t SinceUtcMs = 0;
    bool HasUntil = false;
    std::int64_t UntilUtcMs = 0;

    bool WantsPictures() const { return !PngFile.empty() || !SvgFile.empty() || !JpegFile.empty(); }
    bool WantsExport() const { return !ExportCsvFile.empty(); }
    bool WantsWaterfall() const { return !WaterfallFile.empty(); }
    // Reads the history instead of polling.
    bool ReadsHistory() const { return WantsExport() || Events || WantsWaterfall(); }
};

// Result of parsing: Error is empty when the arguments were usable.
struct TPollArgumentsResult {
    TPollArguments Arguments;
    std::string Error;
};

// Parses the arguments after the program name. Options may stand anywhere;
// "--" ends them. Exactly one or two operands: HOST[:PORT] and USER. A port
// outside 1..65535, two outputs on one file or an output on the table's file
// are usage errors.
TPollArgumentsResult ParsePollArguments(const std::vector<std::string>& args);

// The usage text, one line per form.
std::string PollUsage();
// The waterfall's default size and the sizes it accepts, in pixels each way.
inline constexpr int WaterfallDefaultWidth = 1000;
inline constexpr int WaterfallDefaultHeight = 700;
inline constexpr int WaterfallSmallestSide = 200;
inline constexpr int WaterfallLargestSide = 8192;

// "quillmont-poll VERSION" and a line end.
std::string PollVersion();
