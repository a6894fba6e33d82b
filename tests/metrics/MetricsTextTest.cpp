// The metrics feed's text: every sample against worked numbers before any
// poll and after readings, failed polls and events, the escapes of the
// format, and promtool's own check (lint included) of the real output.
#include <gtest/gtest.h>

#include "metrics/LineMetrics.h"

#include <QProcess>
#include <QStandardPaths>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

// 2024-05-01T18:00:00Z.
constexpr std::int64_t T0 = 1714586400000LL;

TLinePoll Reading(const ToneBits& bits, std::int64_t timeUtcMs)
{
    TLinePoll poll;
    poll.TimeUtcMs = timeUtcMs;
    poll.Reading = true;
    poll.Bits = bits;
    return poll;
}

TLinePoll Failed(std::int64_t timeUtcMs)
{
    TLinePoll poll;
    poll.TimeUtcMs = timeUtcMs;
    poll.Reason = "connect failed: 111 Connection refused";
    return poll;
}

TLineEvent Event(TLineEventKind kind)
{
    TLineEvent event;
    event.Kind = kind;
    return event;
}

// The samples of an exposition text, "name{labels}" -> value as written; the
// comment lines in order of appearance.
struct TParsed {
    std::map<std::string, std::string> Samples;
    std::vector<std::string> Comments;
    int SampleLines = 0;
};

TParsed Parse(const std::string& text)
{
    TParsed parsed;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "the text must end with a line break";
        if (end == std::string::npos)
            break;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.rfind("#", 0) == 0) {
            parsed.Comments.push_back(line);
            continue;
        }
        const std::size_t blank = line.rfind(' ');
        EXPECT_NE(blank, std::string::npos) << line;
        if (blank == std::string::npos)
            continue;
        ++parsed.SampleLines;
        EXPECT_TRUE(parsed.Samples.emplace(line.substr(0, blank), line.substr(blank + 1)).second) << "twice: " << line;
    }
    return parsed;
}

std::string Tone(const std::string& family, int tone)
{
    return family + "{tone=\"" + std::to_string(tone) + "\"}";
}

// The 400 tones 40..439 at 10 bits and tone 512 at 2: 4002 bits, 112 tones at 0.
ToneBits LineA()
{
    ToneBits bits{};
    for (int tone = 40; tone <= 439; ++tone)
        bits[tone] = 10;
    bits[512] = 2;
    return bits;
}

// promtool check metrics over text on its standard input: its exit code and what it printed.
int Promtool(const std::string& text, std::string& said)
{
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty()) {
        said = "promtool is not installed (Debian package prometheus)";
        return -1;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    if (!process.waitForStarted(10000)) {
        said = "promtool did not start";
        return -1;
    }
    process.write(text.data(), static_cast<qint64>(text.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        said = "promtool did not finish";
        return -1;
    }
    said = process.readAll().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(MetricsText, BeforeAnyPollHoldsTheCountersAtZeroAndNothingOfAPollOrReading)
{
    const std::string text = TLineMetrics().Text();
    std::string expected =
        "# HELP quillmont_up Whether the last poll of the router read the bit loading (1) or failed (0); 0 before "
        "the first poll.\n"
        "# TYPE quillmont_up gauge\n"
        "quillmont_up 0\n"
        "# HELP quillmont_polls_total Polls of the router since the recorder started, by outcome: a reading held all "
        "513 tones.\n"
        "# TYPE quillmont_polls_total counter\n"
        "quillmont_polls_total{outcome=\"reading\"} 0\n"
        "quillmont_polls_total{outcome=\"failed\"} 0\n"
        "# HELP quillmont_tone_changes_total Readings since the recorder started in which the bits of the tone "
        "differed from the reading before (failed polls skipped).\n"
        "# TYPE quillmont_tone_changes_total counter\n";
    for (int tone = 0; tone < ToneCount; ++tone)
        expected += "quillmont_tone_changes_total{tone=\"" + std::to_string(tone) + "\"} 0\n";
    expected += "# HELP quillmont_events_total Line events since the recorder started, counted as each one closes, by "
                "kind.\n"
                "# TYPE quillmont_events_total counter\n"
                "quillmont_events_total{kind=\"no-reply\"} 0\n"
                "quillmont_events_total{kind=\"line-down\"} 0\n"
                "quillmont_events_total{kind=\"resync\"} 0\n"
                "quillmont_events_total{kind=\"tones-lost\"} 0\n"
                "quillmont_events_total{kind=\"tones-regained\"} 0\n"
                "quillmont_events_total{kind=\"gap\"} 0\n";
    EXPECT_EQ(text, expected);
}

TEST(MetricsText, ReadingsFailedPollsAndEventsGiveTheWorkedNumbers)
{
    TLineMetrics metrics;
    // A; a failed poll; B: tones 100..102 lost, tone 512 from 2 to 3 (the
    // no-reply run and the lost tones close with it); C: tone 512 back to 2,
    // tone 41 from 10 to 11.
    const ToneBits a = LineA();
    ToneBits b = a;
    b[100] = b[101] = b[102] = 0;
    b[512] = 3;
    ToneBits c = b;
    c[512] = 2;
    c[41] = 11;
    metrics.AddPoll(Reading(a, T0), {});
    metrics.AddPoll(Failed(T0 + 60000), {});
    metrics.AddPoll(Reading(b, T0 + 120000), {Event(TLineEventKind::lekNoReply), Event(TLineEventKind::lekTonesLost)});
    metrics.AddPoll(Reading(c, T0 + 180250), {});

    TParsed parsed = Parse(metrics.Text());
    // 1 up, 1 timestamp, 2 polls, 1 total, 1 zero tones, 513 tones, 513 changes, 6 kinds.
    EXPECT_EQ(parsed.SampleLines, 1038);
    EXPECT_EQ(parsed.Samples["quillmont_up"], "1");
    EXPECT_EQ(parsed.Samples["quillmont_last_poll_timestamp_seconds"], "1714586580.250");
    EXPECT_EQ(parsed.Samples["quillmont_polls_total{outcome=\"reading\"}"], "3");
    EXPECT_EQ(parsed.Samples["quillmont_polls_total{outcome=\"failed\"}"], "1");
    // 4002 - 30 (three tones lost) + 1 (tone 41); 112 + 3 tones at 0.
    EXPECT_EQ(parsed.Samples["quillmont_line_bit_loading"], "3973");
    EXPECT_EQ(parsed.Samples["quillmont_line_zero_tones"], "115");
    for (int tone = 0; tone < ToneCount; ++tone) {
        SCOPED_TRACE(tone);
        EXPECT_EQ(parsed.Samples[Tone("quillmont_tone_bit_loading", tone)], std::to_string(c[tone]));
        // Tone 512 changed twice (A to B, B to C), tones 41 and 100..102 once.
        const int changes = tone == 512 ? 2 : (tone == 41 || (tone >= 100 && tone <= 102)) ? 1 : 0;
        EXPECT_EQ(parsed.Samples[Tone("quillmont_tone_changes_total", tone)], std::to_string(changes));
    }
    EXPECT_EQ(parsed.Samples["quillmont_events_total{kind=\"no-reply\"}"], "1");
    EXPECT_EQ(parsed.Samples["quillmont_events_total{kind=\"tones-lost\"}"], "1");
    for (const char* kind : {"line-down", "resync", "tones-regained", "gap"})
        EXPECT_EQ(parsed.Samples[std::string("quillmont_events_total{kind=\"") + kind + "\"}"], "0") << kind;
    EXPECT_EQ(parsed.Samples.size(), 1038u) << "a sample looked up above is not in the text";

    // Each family's HELP and TYPE, in the order of the families.
    std::vector<std::string> types;
    for (const std::string& comment : parsed.Comments)
        if (comment.rfind("# TYPE ", 0) == 0)
            types.push_back(comment.substr(7));
    EXPECT_EQ(types,
              (std::vector<std::string>{"quillmont_up gauge", "quillmont_last_poll_timestamp_seconds gauge",
                                        "quillmont_polls_total counter", "quillmont_line_bit_loading gauge",
                                        "quillmont_line_zero_tones gauge", "quillmont_tone_bit_loading gauge",
                                        "quillmont_tone_changes_total counter", "quillmont_events_total counter"}));
    EXPECT_EQ(parsed.Comments.size(), 16u);

    // A failed poll: down, its time, and the last reading's numbers kept.
    // The reading after it is compared with C, across the failure.
    metrics.AddPoll(Failed(T0 + 240000), {Event(TLineEventKind::lekGap)});
    parsed = Parse(metrics.Text());
    EXPECT_EQ(parsed.Samples["quillmont_up"], "0");
    EXPECT_EQ(parsed.Samples["quillmont_last_poll_timestamp_seconds"], "1714586640.000");
    EXPECT_EQ(parsed.Samples["quillmont_polls_total{outcome=\"failed\"}"], "2");
    EXPECT_EQ(parsed.Samples["quillmont_line_bit_loading"], "3973");
    EXPECT_EQ(parsed.Samples[Tone("quillmont_tone_bit_loading", 41)], "11");
    EXPECT_EQ(parsed.Samples["quillmont_events_total{kind=\"gap\"}"], "1");
    ToneBits d = c;
    d[0] = 1;
    metrics.AddPoll(Reading(d, T0 + 300000), {});
    parsed = Parse(metrics.Text());
    EXPECT_EQ(parsed.Samples["quillmont_up"], "1");
    EXPECT_EQ(parsed.Samples[Tone("quillmont_tone_changes_total", 0)], "1");
    EXPECT_EQ(parsed.Samples[Tone("quillmont_tone_changes_total", 512)], "2");
    EXPECT_EQ(parsed.Samples[Tone("quillmont_tone_changes_total", 41)], "1");
}

TEST(MetricsText, OnlyFailedPollsGiveTheirTimeButNoReading)
{
    TLineMetrics metrics;
    metrics.AddPoll(Failed(T0 + 1), {});
    const std::string text = metrics.Text();
    const TParsed parsed = Parse(text);
    EXPECT_EQ(parsed.Samples.at("quillmont_up"), "0");
    EXPECT_EQ(parsed.Samples.at("quillmont_last_poll_timestamp_seconds"), "1714586400.001");
    EXPECT_EQ(parsed.Samples.at("quillmont_polls_total{outcome=\"failed\"}"), "1");
    EXPECT_EQ(text.find("bit_loading"), std::string::npos);
    EXPECT_EQ(text.find("zero_tones"), std::string::npos);
}

TEST(MetricsText, ValuesAreEscapedAsTheFormatRequires)
{
    EXPECT_EQ(PrometheusLabelValue("plain-value 1"), "plain-value 1");
    EXPECT_EQ(PrometheusLabelValue("a\\b\"c\nd"), "a\\\\b\\\"c\\nd");
    EXPECT_EQ(PrometheusLabelValue("caf\xc3\xa9\t"), "caf\xc3\xa9\t");
    // In HELP texts a double quote stays as it is.
    EXPECT_EQ(PrometheusHelpText("a\\b\"c\nd"), "a\\\\b\"c\\nd");

    EXPECT_EQ(PrometheusSecondsFromMs(0), "0.000");
    EXPECT_EQ(PrometheusSecondsFromMs(1714586580250), "1714586580.250");
    EXPECT_EQ(PrometheusSecondsFromMs(1005), "1.005");
    EXPECT_EQ(PrometheusSecondsFromMs(-1), "-0.001");
    EXPECT_EQ(PrometheusSecondsFromMs(INT64_MIN), "-9223372036854775.808");

    // Extreme tone values from a hostile router add up without overflow.
    TMetricsSnapshot snapshot;
    snapshot.HasPoll = snapshot.LastPollWasReading = snapshot.HasReading = true;
    snapshot.LastReading.fill(INT32_MAX);
    snapshot.LastReading[3] = INT32_MIN;
    const TParsed parsed = Parse(MetricsText(snapshot));
    EXPECT_EQ(parsed.Samples.at("quillmont_line_bit_loading"),
              std::to_string(512LL * INT32_MAX + static_cast<std::int64_t>(INT32_MIN)));
    EXPECT_EQ(parsed.Samples.at("quillmont_line_zero_tones"), "0");
    EXPECT_EQ(parsed.Samples.at(Tone("quillmont_tone_bit_loading", 3)), "-2147483648");
}

TEST(MetricsText, PromtoolPassesTheRealOutputLintIncluded)
{
    // The check itself must be able to fail: a gauge in bits is refused by the lint.
    std::string said;
    ASSERT_NE(Promtool("# HELP line_bits Bits.\n# TYPE line_bits gauge\nline_bits 1\n", said), 0) << said;

    TLineMetrics metrics;
    EXPECT_EQ(Promtool(metrics.Text(), said), 0) << said;
    EXPECT_EQ(said, "");

    ToneBits bits = LineA();
    metrics.AddPoll(Reading(bits, T0), {});
    metrics.AddPoll(Failed(T0 + 60000), {});
    bits[200] = 0;
    metrics.AddPoll(Reading(bits, T0 + 120000), {Event(TLineEventKind::lekNoReply), Event(TLineEventKind::lekResync)});
    EXPECT_EQ(Promtool(metrics.Text(), said), 0) << said;
    EXPECT_EQ(said, "");
}

}  // namespace
