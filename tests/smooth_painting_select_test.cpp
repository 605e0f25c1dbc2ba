// Smooth painting's stroke placement against a plain window-by-window scan.
#include "effects/painting/smooth_painting/select.h"

#include "platform/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every window scanned in full, in scan order.
std::vector<pq::SmoothStroke> PlainSelection(std::vector<pq::Match>& table, int w, int h, int size)
{
    const int half = size / 2, t = std::max(1, size / 10);
    std::vector<pq::SmoothStroke> strokes;
    for (int j = -(half / t); j <= (h + half) / t; ++j)
        for (int k = -(half / t); k <= (w + half) / t; ++k) {
            int64_t best = pq::kNoScore;
            int fx = -1, fy = -1;
            for (int y = std::max(0, j * t - half); y <= std::min(h - 1, j * t + half); ++y)
                for (int x = std::max(0, k * t - half); x <= std::min(w - 1, k * t + half); ++x)
                    if (table[size_t(y * w + x)].score < best) {
                        best = table[size_t(y * w + x)].score;
                        fx = x;
                        fy = y;
                    }
            if (fx < 0)
                continue;
            pq::Match& m = table[size_t(fy * w + fx)];
            if (m.a <= 4)
                continue;
            strokes.push_back({fx - half, fy - half, m.brush, 0xFF000000u | gfx::Pixel(m.r) << 16, m.score});
            m.score = pq::kNoScore;
        }
    return strokes;
}

// Scores from a small range so that ties are everywhere, with holes
// (kNoScore) and faint pixels (alpha 4 or less) scattered in.
std::vector<pq::Match> RandomTable(int w, int h, uint32_t seed, int range)
{
    platform::Random rng(seed);
    std::vector<pq::Match> table(size_t(w) * size_t(h));
    for (pq::Match& m : table) {
        const int kind = rng.random(10);
        m.score = kind == 0 ? pq::kNoScore : rng.random(range);
        m.a = kind == 1 ? uint8_t(rng.random(5)) : 255;
        m.brush = rng.random(7);
        m.r = uint8_t(rng.random(256));
    }
    return table;
}

void ExpectSameSelection(int w, int h, int size, uint32_t seed, int range)
{
    std::vector<pq::Match> plainTable = RandomTable(w, h, seed, range);
    std::vector<pq::Match> table = plainTable;
    const std::vector<pq::SmoothStroke> expected = PlainSelection(plainTable, w, h, size);
    std::vector<pq::SmoothStroke> got{{1, 2, 3, 4, 5}};
    pq::SelectSmoothStrokes(table, w, h, size, got);
    ASSERT_EQ(got.size(), expected.size()) << w << "x" << h << " size " << size << " seed " << seed;
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].x, expected[i].x);
        EXPECT_EQ(got[i].y, expected[i].y);
        EXPECT_EQ(got[i].brush, expected[i].brush);
        EXPECT_EQ(got[i].colour & 0xFFFF0000u, expected[i].colour);
        EXPECT_EQ(got[i].score, expected[i].score);
    }
    for (size_t i = 0; i < table.size(); ++i)
        ASSERT_EQ(table[i].score, plainTable[i].score) << "pixel " << i;
}

} // namespace

TEST(SmoothSelection, MatchesPlainScanWithTiesHolesAndFaintPixels)
{
    const int sizes[] = {8, 17, 25, 50};
    const int shapes[][2] = {{1, 1}, {7, 3}, {40, 31}, {97, 64}, {12, 150}};
    uint32_t seed = 1;
    for (const int size : sizes)
        for (const auto& shape : shapes)
            for (const int range : {3, 1000}) {
                ExpectSameSelection(shape[0], shape[1], size, seed++, range);
                if (testing::Test::HasFatalFailure())
                    return;
            }
}

TEST(SmoothSelection, EmptyTableGivesNoStrokes)
{
    std::vector<pq::Match> table(size_t(30) * 20);
    std::vector<pq::SmoothStroke> strokes;
    pq::SelectSmoothStrokes(table, 30, 20, 17, strokes);
    EXPECT_TRUE(strokes.empty());
}
