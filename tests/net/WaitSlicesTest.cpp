#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "net/WaitSlices.h"

namespace {

// The whole plan as text: each slice's wait, prefixed by "h" when a
// heartbeat runs before it and by "s" when StopFlag is checked before it.
std::string Plan(int timeout, int rate)
{
    std::string plan;
    for (uint64_t done = 0; done < 20; ++done) {
        const std::optional<TWaitSlice> slice = PlanWaitSlice(timeout, rate, done);
        if (!slice)
            return plan;
        if (!plan.empty())
            plan += ' ';
        plan += std::string(slice->StopCheck ? "s" : "") + (slice->Heartbeat ? "h" : "") + std::to_string(slice->Wait);
    }
    return plan + " ...";
}

}  // namespace

TEST(WaitSlices, PlansForTimeoutsAndRates)
{
    // Without heartbeats: the whole time-out, then a check that does not wait.
    EXPECT_EQ(Plan(2000, 0), "2000 s0");
    EXPECT_EQ(Plan(0, 0), "0 s0");
    EXPECT_EQ(Plan(-1, 0), "-1 s0");
    // A rate below 0 is no heartbeat either: the check after the time-out
    // must not wait without limit.
    EXPECT_EQ(Plan(2000, -5), "2000 s0");
    // With heartbeats: first the odd part, then whole slices, adding up to
    // the time-out exactly.
    EXPECT_EQ(Plan(250, 100), "50 sh100 sh100");
    EXPECT_EQ(Plan(200, 100), "0 sh100 sh100");
    EXPECT_EQ(Plan(99, 100), "99");
    EXPECT_EQ(Plan(0, 100), "0");
    EXPECT_EQ(Plan(5, 1), "0 sh1 sh1 sh1 sh1 sh1");
    // Without limit: whole slices for ever.
    EXPECT_EQ(Plan(-1, 40),
              "40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 sh40 ...");
    ASSERT_TRUE(PlanWaitSlice(-1, 40, UINT64_MAX).has_value());
    EXPECT_EQ(PlanWaitSlice(-1, 40, UINT64_MAX)->Wait, 40);
    // A time-out below -1 polls.
    EXPECT_EQ(Plan(-7, 0), "0 s0");
    EXPECT_EQ(Plan(INT_MIN, 30), "0");
}

TEST(WaitSlices, LongestTimeoutEndsAfterItsLastSlice)
{
    // INT_MAX ms in 1 ms slices: INT_MAX whole slices after a first part of 0.
    const uint64_t last = static_cast<uint64_t>(INT_MAX);
    ASSERT_TRUE(PlanWaitSlice(INT_MAX, 1, last).has_value());
    EXPECT_EQ(PlanWaitSlice(INT_MAX, 1, last)->Wait, 1);
    EXPECT_FALSE(PlanWaitSlice(INT_MAX, 1, last + 1).has_value());
    EXPECT_EQ(PlanWaitSlice(INT_MAX, 1000, 0)->Wait, INT_MAX % 1000);
    EXPECT_FALSE(PlanWaitSlice(INT_MAX, 1000, INT_MAX / 1000 + 1).has_value());
    EXPECT_FALSE(PlanWaitSlice(INT_MAX, INT_MAX, 2).has_value());
    EXPECT_EQ(PlanWaitSlice(INT_MAX, INT_MAX, 1)->Wait, INT_MAX);
}
