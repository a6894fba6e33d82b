#include "metrics/MetricsText.h"

#include <charconv>

namespace {

void AppendNumber(std::string& text, std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

// "# HELP name text" and "# TYPE name type".
void AppendFamily(std::string& text, std::string_view name, std::string_view type, std::string_view help)
{
    text.append("# HELP ").append(name).append(" ").append(PrometheusHelpText(help)).append("\n");
    text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void AppendSample(std::string& text, std::string_view name, std::int64_t value)
{
    text.append(name).append(" ");
    AppendNumber(text, value);
    text.append("\n");
}

void AppendLabelledSample(std::string& text, std::string_view name, std::string_view label, std::string_view labelValue,
                          std::int64_t value)
{
    text.append(name).append("{").append(label).append("=\"").append(PrometheusLabelValue(labelValue)).append("\"} ");
    AppendNumber(text, value);
    text.append("\n");
}

}  // namespace

std::string PrometheusLabelValue(std::string_view value)
{
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '"')
            escaped += "\\\"";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

std::string PrometheusHelpText(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

std::string PrometheusSecondsFromMs(std::int64_t ms)
{
    // In unsigned arithmetic, so that the most negative value has a magnitude too.
    const bool negative = ms < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(ms) : static_cast<std::uint64_t>(ms);
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 1000);
    const std::string fraction = std::to_string(magnitude % 1000);
    text += ".";
    text.append(3 - fraction.size(), '0');
    text += fraction;
    return text;
}

std::string MetricsText(const TMetricsSnapshot& snapshot)
{
    std::string text;
    // About 45 bytes for each of the tone lines, which are most of it.
    text.reserve(2 * ToneCount * 48 + 2048);

    AppendFamily(text, "quillmont_up", "gauge",
                 "Whether the last poll of the router read the bit loading (1) or failed (0); 0 before the first "
                 "poll.");
    AppendSample(text, "quillmont_up", snapshot.HasPoll && snapshot.LastPollWasReading ? 1 : 0);

    if (snapshot.HasPoll) {
        AppendFamily(text, "quillmont_last_poll_timestamp_seconds", "gauge",
                     "When the last poll of the router ended, in seconds since 1970-01-01 00:00 UTC.");
        text.append("quillmont_last_poll_timestamp_seconds ")
            .append(PrometheusSecondsFromMs(snapshot.LastPollUtcMs))
            .append("\n");
    }

    AppendFamily(text, "quillmont_polls_total", "counter",
                 "Polls of the router since the recorder started, by outcome: a reading held all 513 tones.");
    AppendLabelledSample(text, "quillmont_polls_total", "outcome", "reading", snapshot.ReadingPolls);
    AppendLabelledSample(text, "quillmont_polls_total", "outcome", "failed", snapshot.FailedPolls);

    if (snapshot.HasReading) {
        std::int64_t totalBits = 0;
        std::int64_t zeroTones = 0;
        for (const std::int32_t bits : snapshot.LastReading) {
            totalBits += bits;
            zeroTones += bits == 0 ? 1 : 0;
        }
        AppendFamily(text, "quillmont_line_bit_loading", "gauge", "Bits loaded on all tones in the last reading.");
        AppendSample(text, "quillmont_line_bit_loading", totalBits);
        AppendFamily(text, "quillmont_line_zero_tones", "gauge", "Tones with no bits loaded in the last reading.");
        AppendSample(text, "quillmont_line_zero_tones", zeroTones);
        AppendFamily(text, "quillmont_tone_bit_loading", "gauge", "Bits loaded on each tone in the last reading.");
        for (int tone = 0; tone < ToneCount; ++tone)
            AppendLabelledSample(text, "quillmont_tone_bit_loading", "tone", std::to_string(tone),
                                 snapshot.LastReading[static_cast<std::size_t>(tone)]);
    }

    AppendFamily(text, "quillmont_tone_changes_total", "counter",
                 "Readings since the recorder started in which the bits of the tone differed from the reading "
                 "before (failed polls skipped).");
    for (int tone = 0; tone < ToneCount; ++tone)
        AppendLabelledSample(text, "quillmont_tone_changes_total", "tone", std::to_string(tone),
                             snapshot.ToneChanges[static_cast<std::size_t>(tone)]);

    AppendFamily(text, "quillmont_events_total", "counter",
                 "Line events since the recorder started, counted as each one closes, by kind.");
    for (std::size_t kind = 0; kind < MetricsEventKinds.size(); ++kind)
        AppendLabelledSample(text, "quillmont_events_total", "kind", LineEventKindName(MetricsEventKinds[kind]),
                             snapshot.Events[kind]);
    return text;
}
