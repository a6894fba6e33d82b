// The plots' reads in slices from the newest poll back: the same totals and
// change counts as one read of the whole period oldest first, on a store
// whose density changes, with equal times, failed and refused polls, a long
// gap and times at both ends of the range; and a read stopped between slices.
#include "HistoryTestUtil.h"

#include "history/ToneChangeCounter.h"
#include "story/HistorySliceReads.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>
#include <tuple>

namespace {

constexpr std::int64_t Minute = 60000;
constexpr std::int64_t Start = 1714532400000LL;  // 2024-05-01T03:00:00Z

// Tones move at their own paces, so that each tone has its own count.
ToneBits UnevenBits(int n)
{
    ToneBits bits{};
    for (int tone = 0; tone < ToneCount; ++tone)
        bits[static_cast<std::size_t>(tone)] = (n / (1 + tone % 9) + tone) % 15;
    return bits;
}

class HistorySliceReadsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.Open(dir.filePath(QStringLiteral("history.sqlite"))));
        std::vector<THistoryRecord> records;
        int n = 0;
        const auto add = [&](std::int64_t time) {
            THistoryRecord r = GeneratedRecord(n, n % 13 != 0);
            if (r.Outcome.Captured)
                r.Bits = UnevenBits(n);
            r.TimeUtcMs = time;
            records.push_back(r);
            ++n;
        };
        add(std::numeric_limits<std::int64_t>::min());
        for (int i = 0; i < 1500; ++i)  // one a minute for a day
            add(Start + Minute * i);
        for (int i = 0; i < 100; ++i)  // 100 polls at the same time
            add(Start + Minute * 1500);
        for (int i = 0; i < 1000; ++i)  // one a second
            add(Start + Minute * 1501 + 1000 * i);
        for (int i = 0; i < 5; ++i)  // after forty days without polls
            add(Start + Minute * (1600 + 40 * 24 * 60 + i));
        add(std::numeric_limits<std::int64_t>::max());
        ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
        // Two records with values no reader accepts: one amid the minutes, one amid the seconds.
        TRawConnection other(store.Path());
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET tone_values = '1,x' WHERE id IN (1500, 2000)")));
    }

    // What one read of the period oldest first gives.
    std::vector<std::int64_t> ChangesInOneRead(const THistoryFilter& filter, std::int64_t& refused)
    {
        TToneChangeCounter counter;
        refused = 0;
        EXPECT_TRUE(store.ForEachRecord(
            filter, [&](const THistoryRecord& r) { counter.Add(r.Outcome.Captured, r.Bits); },
            [&](std::int64_t, std::int64_t, const std::string&) { ++refused; }));
        return std::vector<std::int64_t>(counter.Counts().begin(), counter.Counts().end());
    }

    QTemporaryDir dir;
    THistoryStore store;
};

}  // namespace

TEST_F(HistorySliceReadsTest, SlicesGiveWhatOneReadOfThePeriodGives)
{
    const std::int64_t seconds = Start + Minute * 1501;
    const std::vector<std::pair<const char*, THistoryFilter>> periods{
        {"all", THistoryFilter::All()},
        {"since within the minutes", THistoryFilter::Since(Start + Minute * 1234 + 1)},
        {"until the equal times", THistoryFilter::Until(Start + Minute * 1500)},
        {"the equal times alone", THistoryFilter{true, Start + Minute * 1500, true, Start + Minute * 1500 + 1}},
        {"within the seconds", THistoryFilter{true, seconds + 500, true, seconds + 654321}},
        {"nothing", THistoryFilter{true, Start - 10 * Minute, true, Start}},
    };
    for (const auto& [name, filter] : periods) {
        SCOPED_TRACE(name);
        std::vector<TTotalBitsPoint> expected;
        ASSERT_TRUE(store.ReadTotalBits(filter, expected));
        std::vector<std::int64_t> done;
        std::vector<TTotalBitsPoint> points;
        ASSERT_TRUE(ReadStoredTotalBits(store, filter, points, [&](std::int64_t d, std::int64_t total) {
            EXPECT_EQ(total, static_cast<std::int64_t>(expected.size()));
            done.push_back(d);
        }));
        ASSERT_EQ(points.size(), expected.size());
        for (std::size_t i = 0; i < points.size(); ++i)
            ASSERT_EQ(std::tie(points[i].Id, points[i].TimeUtcMs, points[i].TotalBits, points[i].Captured),
                      std::tie(expected[i].Id, expected[i].TimeUtcMs, expected[i].TotalBits, expected[i].Captured))
                << i;
        // From nothing to every poll, slice by slice.
        ASSERT_FALSE(done.empty());
        EXPECT_EQ(done.front(), 0);
        EXPECT_EQ(done.back(), static_cast<std::int64_t>(expected.size()));
        EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));

        std::int64_t expectedRefused = 0;
        const std::vector<std::int64_t> expectedChanges = ChangesInOneRead(filter, expectedRefused);
        std::vector<std::int64_t> changes;
        std::int64_t refused = -1;
        ASSERT_TRUE(CountStoredToneChanges(store, filter, changes, {}, {}, &refused));
        EXPECT_EQ(changes, expectedChanges);
        EXPECT_EQ(refused, expectedRefused);
    }

    // Worked for the whole store: 2607 polls, from the very start of time to
    // its very end; 201 failed (n % 13 == 0) and two refused. Tone 0 carries
    // n % 15 bits: between two readable captured polls, one or two apart, it
    // always changes, 2404 - 1 times.
    std::vector<TTotalBitsPoint> all;
    ASSERT_TRUE(ReadStoredTotalBits(store, THistoryFilter::All(), all));
    ASSERT_EQ(all.size(), 2607u);
    EXPECT_EQ(all.front().TimeUtcMs, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(all.back().TimeUtcMs, std::numeric_limits<std::int64_t>::max());
    std::vector<std::int64_t> changes;
    std::int64_t refused = 0;
    ASSERT_TRUE(CountStoredToneChanges(store, THistoryFilter::All(), changes, {}, {}, &refused));
    EXPECT_EQ(refused, 2);
    ASSERT_EQ(changes.size(), static_cast<std::size_t>(ToneCount));
    EXPECT_EQ(changes[0], 2403);
}

TEST_F(HistorySliceReadsTest, ACancelledReadStopsBetweenSlices)
{
    int slices = 0;
    bool cancel = false;
    std::vector<TTotalBitsPoint> points;
    EXPECT_FALSE(ReadStoredTotalBits(
        store, THistoryFilter::All(), points,
        [&](std::int64_t done, std::int64_t) {
            if (done > 0)
                ++slices;
            cancel = true;
        },
        [&] { return cancel; }));
    EXPECT_EQ(slices, 0);  // asked before the first slice
    EXPECT_TRUE(points.empty());

    cancel = false;
    std::vector<std::int64_t> changes;
    EXPECT_FALSE(CountStoredToneChanges(
        store, THistoryFilter::All(), changes,
        [&](std::int64_t done, std::int64_t) {
            if (done > 0) {
                ++slices;
                cancel = true;
            }
        },
        [&] { return cancel; }));
    EXPECT_EQ(slices, 1);
}
