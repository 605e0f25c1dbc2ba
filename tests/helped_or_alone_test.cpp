// A long loop's stretches go helped first, then alone, then the cheaper
// way, trying the other again every kRetryEvery-th stretch.

#include "platform/helped_or_alone.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kRetry = platform::HelpedOrAlone::kRetryEvery;

// The ways the first `stretches` stretches go when a stretch costs
// `helpedMs` or `aloneMs` for 100 units of work.
std::vector<bool> Ways(int stretches, double helpedMs, double aloneMs)
{
    platform::HelpedOrAlone pace;
    std::vector<bool> ways;
    for (int k = 0; k < stretches; ++k) {
        const bool helped = pace.helped();
        ways.push_back(helped);
        pace.ran(helped, helped ? helpedMs : aloneMs, 100);
    }
    return ways;
}

TEST(HelpedOrAlone, TriesBothThenKeepsToTheCheaperAndRetriesTheOther)
{
    struct Case {
        double helpedMs, aloneMs;
        bool cheaper; // the way kept
    };
    for (const Case c : {Case{100, 300, true}, Case{300, 100, false}, Case{200, 200, true}, Case{201, 200, false}}) {
        const std::vector<bool> ways = Ways(3 * kRetry + 1, c.helpedMs, c.aloneMs);
        EXPECT_TRUE(ways[0]);
        EXPECT_FALSE(ways[1]);
        for (int k = 2; k < int(ways.size()); ++k)
            EXPECT_EQ(ways[size_t(k)], k % kRetry == 0 ? !c.cheaper : c.cheaper) << k << " " << c.helpedMs;
    }
}

TEST(HelpedOrAlone, FollowsAChangeOfPaceAndIgnoresStretchesWithoutWork)
{
    platform::HelpedOrAlone pace;
    pace.ran(true, 100, 100);
    pace.ran(false, 300, 100);
    EXPECT_TRUE(pace.helped());
    // The machine gets busy: the next helped stretch is slow, so alone wins.
    pace.ran(true, 500, 100);
    EXPECT_FALSE(pace.helped());
    // A stretch that took no work, or no time, says nothing of its cost.
    pace.ran(false, 0, 0);
    pace.ran(false, 1, 0);
    EXPECT_FALSE(pace.helped());
    pace.ran(false, 0, 100); // too fast to time: the cheapest there is
    EXPECT_FALSE(pace.helped());
}

} // namespace
