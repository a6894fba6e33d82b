#pragma once
// What the quillmont-recorder command line asks for. The password is never
// taken from the command line, where other users could read it.

#include <optional>
#include <string>
#include <vector>

#include "recorder/MetricsEndpoint.h"

// The recorder's limits on the time between two poll starts, in seconds.
constexpr int MinRecorderInterval = 1;
constexpr int MaxRecorderInterval = 86400;

struct TRecorderArguments {
    // Empty: the host, and what the options below leave open, come from
    // recorder.conf.
    std::string Host;
    // Only with a host.
    std::optional<std::string> User;
    // Each option given on the command line; it wins over recorder.conf.
    std::optional<std::string> HistoryFile;
    std::optional<int> IntervalSeconds;
    std::optional<std::string> PasswordFile;
    std::optional<TMetricsEndpoint> Metrics;
    bool ShowHelp = false;
    bool ShowVersion = false;
};

// Result of parsing: Error is empty when the arguments were usable.
struct TRecorderArgumentsResult {
    TRecorderArguments Arguments;
    std::string Error;
};

// Parses the arguments after the program name. Options may stand anywhere;
// "--" ends them. No operand (recorder.conf names the host), or HOST[:PORT]
// and optionally USER. An interval outside MinRecorderInterval..
// MaxRecorderInterval, a bad port, a bad metrics address, an empty file name
// or any password option are usage errors.
TRecorderArgumentsResult ParseRecorderArguments(const std::vector<std::string>& args);

// Whether text is a whole number of seconds the recorder accepts as its
// interval; the number in seconds.
bool ParseRecorderInterval(const std::string& text, int& seconds);

// The usage text.
std::string RecorderUsage();
// "quillmont-recorder VERSION" and a line end.
std::string RecorderVersion();
