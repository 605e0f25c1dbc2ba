#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

namespace {

TEST(Numeric, RoundIsHalfToEven)
{
    EXPECT_EQ(platform::Round(2.5), 2);
    EXPECT_EQ(platform::Round(3.5), 4);
    EXPECT_EQ(platform::Round(-2.5), -2);
    EXPECT_EQ(platform::Round(0.49999), 0);
    // 50 * 2.55 lies just below 127.5 in double precision.
    EXPECT_EQ(platform::Round(50 * 2.55), 127);
    EXPECT_EQ(platform::Trunc(-2.7), -2);
    EXPECT_EQ(platform::Ceil(2.1), 3);
}

TEST(Numeric, ClampByte)
{
    EXPECT_EQ(platform::ClampByte(-5), 0);
    EXPECT_EQ(platform::ClampByte(0), 0);
    EXPECT_EQ(platform::ClampByte(128), 128);
    EXPECT_EQ(platform::ClampByte(255), 255);
    EXPECT_EQ(platform::ClampByte(256), 255);
    EXPECT_EQ(platform::ClampByte(1000), 255);
    // 64-bit sums clamp before they are narrowed.
    EXPECT_EQ(platform::ClampByte(int64_t(1) << 32), 255);
    EXPECT_EQ(platform::ClampByte(-(int64_t(1) << 32) + 7), 0);
    EXPECT_EQ(platform::ClampByte(int64_t(200)), 200);
}

TEST(RandomGenerator, SequenceFromSeedZero)
{
    platform::Random r(0);
    EXPECT_EQ(r.next(), 1u);
    EXPECT_EQ(r.next(), 134775814u);
    EXPECT_EQ(r.next(), 3698175007u);
    EXPECT_EQ(r.next(), 870078620u);

    platform::Random d(0);
    EXPECT_EQ(d.random(100), 0);
    EXPECT_EQ(d.random(100), 3);
    EXPECT_EQ(d.random(100), 86);
    EXPECT_EQ(d.random(100), 20);
}

TEST(RandomGenerator, NonPositiveRangeGivesZeroAndKeepsState)
{
    platform::Random r(42);
    EXPECT_EQ(r.random(0), 0);
    EXPECT_EQ(r.random(-7), 0);
    EXPECT_EQ(r.seed(), 42u);
}

TEST(RandomGenerator, RealDrawIsSeedOverTwoPow32)
{
    platform::Random r(0);
    EXPECT_DOUBLE_EQ(r.randomReal(), 1.0 / 4294967296.0);
    for (int i = 0; i < 1000; ++i) {
        const double v = r.randomReal();
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
    }
}

TEST(Tick, InjectedSourceWraps)
{
    uint32_t now = 0xFFFFFFF0u;
    platform::SetTickSource([&] { return now; });
    const uint32_t a = platform::TickMs();
    now += 0x20; // wraps past 2^32
    const uint32_t b = platform::TickMs();
    platform::SetTickSource({});
    EXPECT_EQ(static_cast<uint32_t>(b - a), 0x20u);
}

} // namespace
