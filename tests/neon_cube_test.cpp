// The editor's neon cube: its motion, colour and projected edges, and the
// frame-time test that keeps it off displays that cannot keep up.
#include "ui/widgets/neon_cube.h"
#include "ui/widgets/neon_cube_motion.h"

#include <gtest/gtest.h>

using namespace pq;

namespace {

// Ticks the test `count` times `stepMs` apart, after a start at 0.
FrameTimeTest::Verdict TickMany(FrameTimeTest& test, int count, int64_t stepMs, int64_t& now)
{
    FrameTimeTest::Verdict verdict = FrameTimeTest::Verdict::Undecided;
    for (int i = 0; i < count; ++i) {
        verdict = test.tick(now);
        now += stepMs;
    }
    return verdict;
}

} // namespace

TEST(FrameTimeTest, DecidesAtTheNinetiethCountedTick)
{
    FrameTimeTest test;
    int64_t now = 0;
    EXPECT_EQ(TickMany(test, 90, 30, now), FrameTimeTest::Verdict::Undecided);
    EXPECT_EQ(TickMany(test, 1, 30, now), FrameTimeTest::Verdict::Fine);
}

TEST(FrameTimeTest, SlowDisplaysLoseTheGlowThenTheCube)
{
    int64_t now = 0;
    FrameTimeTest medium;
    EXPECT_EQ(TickMany(medium, 91, 50, now), FrameTimeTest::Verdict::NoGlow);
    FrameTimeTest slow;
    EXPECT_EQ(TickMany(slow, 91, 70, now), FrameTimeTest::Verdict::TooSlow);
    FrameTimeTest edge;
    EXPECT_EQ(TickMany(edge, 91, 40, now), FrameTimeTest::Verdict::Fine) << "40 ms is not above 40";
}

TEST(FrameTimeTest, WarmUpTicksAreNotTimed)
{
    FrameTimeTest test;
    int64_t now = 0;
    TickMany(test, 31, 500, now); // start and warm-up, very slow
    EXPECT_EQ(TickMany(test, 60, 30, now), FrameTimeTest::Verdict::Fine);
}

TEST(FrameTimeTest, RestartForgetsAnUndecidedTestOnly)
{
    FrameTimeTest test;
    int64_t now = 0;
    TickMany(test, 80, 70, now);
    test.restart();
    EXPECT_EQ(TickMany(test, 91, 30, now), FrameTimeTest::Verdict::Fine);
    test.restart();
    EXPECT_TRUE(test.decided());
}

TEST(NeonCubeMotion, TwelveEdgesFarthestFirstDarkerWithDepth)
{
    NeonCubeMotion motion;
    const auto edges = motion.edges(QSizeF(600, 600));
    ASSERT_EQ(edges.size(), 12u);
    for (size_t i = 1; i < edges.size(); ++i)
        EXPECT_GE(edges[i - 1].depth, edges[i].depth);
    EXPECT_EQ(motion.color(), 0xFF00CFFFu);
    // Edges farther from the camera are never brighter.
    EXPECT_LE(qBlue(edges.front().color), qBlue(edges.back().color));
    for (const auto& edge : edges)
        EXPECT_GT(edge.width, 0.0);
}

TEST(NeonCubeMotion, PhasesWrapAndColoursCycle)
{
    NeonCubeMotion motion;
    // The colour period is 4 s: a third of it reaches the second key colour.
    for (int i = 0; i < 44; ++i)
        motion.advance();
    EXPECT_NEAR(motion.phases[5], 44 * 0.03 / 4.0, 1e-9);
    const QRgb c = motion.color();
    EXPECT_EQ(qRed(c), 0);
    EXPECT_GT(qGreen(c), 0xF0);
    EXPECT_NEAR(qBlue(c), 0x88, 2);
    for (int i = 0; i < 1000; ++i) {
        motion.advance();
        for (double p : motion.phases) {
            ASSERT_GE(p, 0.0);
            ASSERT_LT(p, 1.0);
        }
    }
}

TEST(NeonCube, TooSlowDisplayHidesTheCubeForGood)
{
    NeonCube cube;
    int64_t now = 0;
    cube.clock = [&now] { return now += 70; };
    cube.startAnimation();
    EXPECT_TRUE(cube.cubeShown());
    for (int i = 0; i < 91 && cube.animating(); ++i)
        cube.tick();
    EXPECT_TRUE(cube.tooSlow());
    EXPECT_FALSE(cube.cubeShown());
    EXPECT_FALSE(cube.animating());
    cube.startAnimation();
    EXPECT_FALSE(cube.cubeShown());
}

TEST(NeonCube, MediumDisplayKeepsTheCubeWithoutGlow)
{
    NeonCube cube;
    int64_t now = 0;
    cube.clock = [&now] { return now += 50; };
    cube.startAnimation();
    for (int i = 0; i < 95; ++i)
        cube.tick();
    EXPECT_FALSE(cube.glowEnabled());
    EXPECT_TRUE(cube.cubeShown());
    cube.stopAnimation();
    EXPECT_FALSE(cube.cubeShown());
}
