// The values column, the change count and the CSV rows: plain functions.
#include "HistoryTestUtil.h"

#include "history/HistoryCsv.h"
#include "history/HistoryTime.h"
#include "history/HistoryValues.h"
#include "history/ToneChangeCounter.h"

#include <gtest/gtest.h>

TEST(HistoryValues, RoundTripAndSummaries)
{
    ToneBits bits = GeneratedBits(3);
    bits[0] = -5;
    bits[1] = 2147483647;
    bits[2] = 0;
    ToneBits read{};
    std::string reason;
    ASSERT_TRUE(DecodeToneValues(EncodeToneValues(bits), read, reason)) << reason;
    EXPECT_EQ(read, bits);

    ToneBits small{};
    small[10] = 4;
    small[500] = 11;
    EXPECT_EQ(TotalBits(small), 15);
    EXPECT_EQ(ZeroTones(small), 511);
}

TEST(HistoryValues, HostileTextIsRefusedWithAReason)
{
    const std::string good = EncodeToneValues(GeneratedBits(1));
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"", "0 values where 513 belong"},
        {"1,2,3", "3 values where 513 belong"},
        {good + ",4", "514 values where 513 belong"},
        {"abc" + good.substr(good.find(',')), "value 0 is \"abc\", not a number"},
        {good.substr(0, good.rfind(',')) + ", 5", "value 512 is \" 5\", not a number"},
        {good.substr(0, good.rfind(',')) + ",", "value 512 is \"\", not a number"},
        {good.substr(0, good.rfind(',')) + ",5x", "value 512 is \"5x\", not a number"},
        {good.substr(0, good.rfind(',')) + ",2147483648", "value 512 (2147483648) is out of range"},
        {good.substr(0, good.rfind(',')) + ",99999999999999999999",
         "value 512 is \"99999999999999999999\", not a number"},
        {good.substr(0, good.rfind(',')) + std::string(",\x01\xff", 3), "value 512 is \"??\", not a number"},
    };
    for (const auto& c : cases) {
        ToneBits bits = GeneratedBits(9);
        std::string reason;
        EXPECT_FALSE(DecodeToneValues(c.text, bits, reason)) << c.reason;
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(bits, GeneratedBits(9)) << "a refused text leaves the table as it was";
    }
}

TEST(ToneChangeCount, MatchesACountByHandWithFailedPollsSkipped)
{
    // Five polls; tone 40 goes 10, 10, (failed), 12, 10; tone 300 goes 3, 4, (failed), 4, 4;
    // tone 7 changes only in the failed poll's zeros. Every other tone stays at 1.
    ToneBits base{};
    base.fill(1);
    auto poll = [&](int t40, int t300, bool captured) {
        TToneSample s{captured, base};
        s.Bits[40] = t40;
        s.Bits[300] = t300;
        return s;
    };
    TToneSample failed{false, ToneBits{}};
    const std::vector<TToneSample> polls = {poll(10, 3, true), poll(10, 4, true), failed, poll(12, 4, true),
                                            poll(10, 4, true)};
    const ToneChangeCounts counts = CountToneChanges(polls);
    EXPECT_EQ(counts[40], 2);   // 10 -> 12 -> 10
    EXPECT_EQ(counts[300], 1);  // 3 -> 4
    EXPECT_EQ(counts[7], 0);    // the failed poll's zero is no change
    int others = 0;
    for (int tone = 0; tone < ToneCount; ++tone)
        if (tone != 40 && tone != 300)
            others += counts[static_cast<std::size_t>(tone)];
    EXPECT_EQ(others, 0);

    // A failed poll first and a single capture give no change at all.
    EXPECT_EQ(CountToneChanges({failed, poll(9, 9, true)}), ToneChangeCounts{});
}

TEST(HistoryCsv, RowQuotesTextsAndDefusesFormulas)
{
    THistoryRecord record = GeneratedRecord(0, false);
    record.Host = "=HYPERLINK(\"x\",\"y\")";
    record.TimeUtcMs = 1714532400999LL;
    const std::string row = HistoryCsvRow(record);
    EXPECT_EQ(row.rfind("2024-05-01T03:00:00Z,\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\","
                        "connect failed: 10061 Connection refused,0,",
                        0),
              0u)
        << row;
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), 2 + 513 + 1);  // one comma inside the quoted host
    EXPECT_EQ(HistoryCsvHeader().substr(0, 30), "time,host,outcome,tone0,tone1,");
    EXPECT_EQ(HistoryCsvHeader().substr(HistoryCsvHeader().size() - 9), ",tone512\n");
}

TEST(HistoryTime, IsoTimesAreUtcUnlessAZoneIsGiven)
{
    std::int64_t ms = 0;
    ASSERT_TRUE(ParseIsoTime("2024-05-01T03:00:00Z", ms));
    EXPECT_EQ(ms, 1714532400000LL);
    ASSERT_TRUE(ParseIsoTime("2024-05-01T03:00", ms));
    EXPECT_EQ(ms, 1714532400000LL);
    ASSERT_TRUE(ParseIsoTime("2024-05-01T05:00:00+02:00", ms));
    EXPECT_EQ(ms, 1714532400000LL);
    ASSERT_TRUE(ParseIsoTime("2024-05-01", ms));
    EXPECT_EQ(ms, 1714521600000LL);
    for (const char* bad : {"", "yesterday", "2024-13-01", "2024-05-01T25:00", "1714532400"})
        EXPECT_FALSE(ParseIsoTime(bad, ms)) << bad;
    EXPECT_EQ(FormatUtcIso(1714532400000LL), "2024-05-01T03:00:00Z");
}
