#pragma once
// The line's numbers as Prometheus reads them: the text exposition format,
// version 0.0.4. One family per metric, each with its HELP and TYPE lines:
//
//   quillmont_up                            gauge: 1 when the last poll was a reading, 0 after a
//                                           failed one and before the first poll
//   quillmont_last_poll_timestamp_seconds   gauge: when the last poll ended (absent before it)
//   quillmont_polls_total{outcome}          counter: "reading" and "failed", both always present
//   quillmont_line_bit_loading              gauge: the bits of all tones in the last reading
//   quillmont_line_zero_tones               gauge: the tones with 0 bits in the last reading
//   quillmont_tone_bit_loading{tone}        gauge: the bits of each of the 513 tones in the last reading
//   quillmont_tone_changes_total{tone}      counter: per tone, the readings in which its bits
//                                           differed from the reading before (failed polls skipped)
//   quillmont_events_total{kind}            counter: the line events closed, every kind present
//
// The families that describe the last poll or the last reading are left out
// until there is one: a missing series reads as "no data" in a dashboard and
// to absent(), where a 0 would be taken for a poll in 1970 or a dead line.
// The counters are there from the start at 0, so that rate() sees their first
// increase.
//
// There is no host label: one recorder polls one router, and Prometheus tells
// recorders apart by the address it scrapes (its instance label); a scrape
// configuration that wants the router's name adds it as a target label.

#include "app/LineEvents.h"
#include "app/ToneBits.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The event kinds the feed counts, in the order it lists them.
constexpr std::array<TLineEventKind, 6> MetricsEventKinds = {
    TLineEventKind::lekNoReply,   TLineEventKind::lekLineDown,      TLineEventKind::lekResync,
    TLineEventKind::lekTonesLost, TLineEventKind::lekTonesRegained, TLineEventKind::lekGap};

// What the feed knows of the line, as counted since the start.
struct TMetricsSnapshot {
    std::int64_t ReadingPolls = 0;
    std::int64_t FailedPolls = 0;
    // The last poll, when there was one.
    bool HasPoll = false;
    bool LastPollWasReading = false;
    std::int64_t LastPollUtcMs = 0;
    // The last reading, when there was one (it may be older than the last poll).
    bool HasReading = false;
    ToneBits LastReading{};
    // Per tone, the readings in which its bits differed from the reading before.
    std::array<std::int64_t, ToneCount> ToneChanges{};
    // Per kind, in the order of MetricsEventKinds.
    std::array<std::int64_t, MetricsEventKinds.size()> Events{};
};

// The exposition text of a snapshot, ending with a line break.
std::string MetricsText(const TMetricsSnapshot& snapshot);

// A label value as it stands between the quotes: backslash, double quote and
// line feed escaped as \\, \" and \n; every other byte as it is (UTF-8).
std::string PrometheusLabelValue(std::string_view value);
// A HELP text: backslash and line feed escaped as \\ and \n.
std::string PrometheusHelpText(std::string_view text);
// Milliseconds as seconds with three decimals ("1714586460.250", "-0.001").
std::string PrometheusSecondsFromMs(std::int64_t ms);
